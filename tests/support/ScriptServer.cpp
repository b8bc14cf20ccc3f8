#include "ScriptServer.h"

#include <ws2tcpip.h>

#include <stdexcept>

namespace velor::testing {
namespace {

class PlainChannel : public Channel {
public:
    explicit PlainChannel(SOCKET s) : socket_(s) {}
    int Read(char* buffer, int size) override { return recv(socket_, buffer, size, 0); }
    int Write(const char* data, int size) override { return send(socket_, data, size, 0); }

private:
    SOCKET socket_;
};

void sendAll(Channel& channel, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        int n = channel.Write(bytes.data() + done, static_cast<int>(bytes.size() - done));
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

}  // namespace

ScriptServer::ScriptServer(ChannelFactory channels) : channels_(std::move(channels)) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener_, 4) != 0)
        throw std::runtime_error("cannot listen on 127.0.0.1");
    int length = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
}

ScriptServer::~ScriptServer() {
    if (listener_ != INVALID_SOCKET) closesocket(listener_);
    if (thread_.joinable()) thread_.join();
    WSACleanup();
}

void ScriptServer::Start(std::string greeting, std::vector<Step> steps, std::chrono::milliseconds greetingDelay) {
    greeting_ = std::move(greeting);
    steps_ = std::move(steps);
    greetingDelay_ = greetingDelay;
    received_.clear();
    thread_ = std::thread([this] { serve(); });
}

std::string ScriptServer::Received() {
    if (thread_.joinable()) thread_.join();
    return received_;
}

void ScriptServer::serve() {
    SOCKET client = accept(listener_, nullptr, nullptr);
    if (client == INVALID_SOCKET) return;
    std::unique_ptr<Channel> channel = channels_ ? channels_(client) : std::make_unique<PlainChannel>(client);
    if (!channel) {
        closesocket(client);
        return;
    }
    std::this_thread::sleep_for(greetingDelay_);
    sendAll(*channel, greeting_);
    std::size_t next = 0;
    bool hungUp = false;
    std::string pending;
    char buffer[4096];
    while (!hungUp) {
        int n = channel->Read(buffer, sizeof buffer);
        if (n <= 0) break;
        received_.append(buffer, static_cast<std::size_t>(n));
        pending.append(buffer, static_cast<std::size_t>(n));
        // A command is complete at its CR LF (a line ending LF CR LF is complete at the same point).
        for (std::size_t end; (end = pending.find("\r\n")) != std::string::npos;) {
            bool logout = pending.compare(0, 11, "A000 LOGOUT") == 0;
            pending.erase(0, end + 2);
            if (next < steps_.size() && !logout) {
                const Step& step = steps_[next++];
                std::this_thread::sleep_for(step.delay);
                std::size_t from = 0;
                for (std::size_t cut : step.cuts) {
                    sendAll(*channel, step.reply.substr(from, cut - from));
                    from = cut;
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                }
                sendAll(*channel, step.reply.substr(from));
                if (step.drop) {
                    hungUp = true;
                    break;
                }
                std::this_thread::sleep_for(step.quiet);
            } else {
                sendAll(*channel, logout ? "* BYE logging out\r\nA000 OK LOGOUT completed\r\n" : "A000 OK\r\n");
            }
        }
    }
    channel.reset();
    closesocket(client);
}

}  // namespace velor::testing
