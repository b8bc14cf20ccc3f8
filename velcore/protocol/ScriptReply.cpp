#include "velcore/protocol/ScriptReply.h"

#include "velcore/protocol/ImapText.h"
#include "velcore/protocol/ReplyTokens.h"
#include "velcore/protocol/Status.h"

#include <algorithm>
#include <string_view>

namespace velor::imap {
namespace {

// The announced length of a literal that ends the line ("{12}" or "{12+}"), or -1.
long long literalLength(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.back() != '}') return -1;
    line.remove_suffix(1);
    if (!line.empty() && line.back() == '+') line.remove_suffix(1);
    std::size_t open = line.rfind('{');
    if (open == std::string_view::npos || open + 1 == line.size()) return -1;
    long long n = 0;
    for (char c : line.substr(open + 1)) {
        if (c < '0' || c > '9') return -1;
        n = n * 10 + (c - '0');
        if (n > static_cast<long long>(kMaxScriptBytes)) return static_cast<long long>(kMaxScriptBytes) + 1;
    }
    return n;
}

class Reader {
public:
    Reader(ByteSource& source, ScriptReply& reply) : source_(source), reply_(reply) {}

    std::int32_t run() {
        for (;;) {
            std::size_t lf = bytes_.find('\n', std::max(start_, scanned_));
            if (lf == std::string::npos) {
                scanned_ = bytes_.size();  // a long line arriving in pieces is scanned once
                if (!receive()) return status::kUnexpected;
                continue;
            }
            std::string_view line(bytes_.data() + start_, lf - start_);
            std::size_t next = lf + 1;
            if (StartsWithNoCase(line, kTag) && (line.size() == kTag.size() || line[kTag.size()] == ' ')) {
                line.remove_prefix(std::min(line.size(), kTag.size() + 1));
                return reply_.result = TaggedResult(line);
            }
            if (!handleLine(line)) return reply_.result = status::kFail;
            if (literalPending_ >= 0) {
                // The literal's bytes follow the line end, however many lines they make.
                while (bytes_.size() - next < static_cast<std::size_t>(literalPending_)) {
                    if (!receive()) return status::kUnexpected;
                }
                reply_.script.assign(bytes_, next, static_cast<std::size_t>(literalPending_));
                next += static_cast<std::size_t>(literalPending_);
                literalPending_ = -1;
                afterLiteral_ = true;
            }
            start_ = next;
            scanned_ = next;
            compact();
        }
    }

private:
    // False when the reply cannot be taken (a literal too large).
    bool handleLine(std::string_view line) {
        if (afterLiteral_) {
            // The rest of the line that the literal ended on: nothing of the script.
            afterLiteral_ = false;
            return true;
        }
        bool untagged = !line.empty() && line[0] == '*';
        std::string_view content = untagged ? line.substr(std::min<std::size_t>(line.size(), 2)) : line;
        if (!reply_.literal && !firstLineSeen_) {
            if (untagged && UntaggedStatus(content) >= 0) return true;  // an alert while pending
            firstLineSeen_ = true;
            long long length = literalLength(content);
            if (length > static_cast<long long>(kMaxScriptBytes)) return false;
            if (length >= 0) {
                literalPending_ = length;
                reply_.literal = true;
                reply_.scriptData = true;
            }
            return true;
        }
        if (reply_.literal) return true;  // untagged lines after the script: not part of it
        // No literal: every line after the first, exactly as it came, is the script's.
        reply_.script.append(line);
        reply_.script.push_back('\n');
        reply_.scriptData = true;
        if (reply_.script.size() > kMaxScriptBytes) return false;
        return true;
    }

    bool receive() {
        ReceiveStatus received;
        do {
            received = source_.Receive(bytes_);
        } while (received == ReceiveStatus::kWouldBlock);
        return received == ReceiveStatus::kData;
    }

    void compact() {
        if (start_ > 0 && start_ * 2 >= bytes_.size()) {
            bytes_.erase(0, start_);
            scanned_ -= start_;
            start_ = 0;
        }
    }

    ByteSource& source_;
    ScriptReply& reply_;
    std::string bytes_;
    std::size_t start_ = 0;
    std::size_t scanned_ = 0;
    long long literalPending_ = -1;
    bool firstLineSeen_ = false;
    bool afterLiteral_ = false;
};

}  // namespace

std::int32_t ReadScriptReply(ByteSource& source, ScriptReply& reply) {
    reply = ScriptReply{};
    reply.result = status::kUnexpected;
    Reader reader(source, reply);
    return reader.run();
}

}  // namespace velor::imap
