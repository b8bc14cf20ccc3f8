// A transport that plays canned server bytes, one chunk per receive, and records every byte the
// client sends: the transcript tests' stand-in for a socket.
#pragma once

#include "velcore/protocol/Transport.h"

#include <deque>
#include <string>
#include <vector>

namespace velor::testing {

class ScriptedTransport : public Transport {
public:
    // Chunks the server sends, in order; each receive takes one.
    std::deque<std::string> incoming;
    std::string sent;
    std::vector<std::string> sends;  // each Send's text, as handed over
    std::vector<std::string> events;  // "connect host:port", "tls", "close"
    std::int32_t connectResult = 0;
    std::int32_t tlsResult = 0;
    bool sendFails = false;
    std::int32_t socketError = 0;

    std::int32_t Connect(const char* host, std::uint32_t port) override {
        events.push_back("connect " + std::string(host) + ":" + std::to_string(port));
        return connectResult;
    }
    std::int32_t StartTls() override {
        events.push_back("tls");
        return tlsResult;
    }
    bool Send(std::string_view text) override {
        if (sendFails) return false;
        sent.append(text);
        sends.emplace_back(text);
        return true;
    }
    std::int32_t LastSocketError() override { return socketError; }
    void Close() override { events.push_back("close"); }

    imap::ReceiveStatus Receive(std::string& buffer) override {
        if (incoming.empty()) return imap::ReceiveStatus::kClosed;
        std::string chunk = std::move(incoming.front());
        incoming.pop_front();
        if (chunk == kWouldBlock) return imap::ReceiveStatus::kWouldBlock;
        if (chunk == kFail) return imap::ReceiveStatus::kFailed;
        buffer.append(chunk);
        return imap::ReceiveStatus::kData;
    }

    static constexpr const char* kWouldBlock = "\x01would-block";
    static constexpr const char* kFail = "\x01" "fail";
};

}  // namespace velor::testing
