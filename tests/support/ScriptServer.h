// A scripted IMAP peer inside a Windows test process: it listens on 127.0.0.1 (any free port),
// accepts one connection, sends the greeting, and answers each command line with the next reply
// of its script. It records every byte the client sent, so a test can assert the exact wire text.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace velor::testing {

// One accepted connection as the script sees it: plain bytes, or TLS over them.
class Channel {
public:
    virtual ~Channel() = default;
    virtual int Read(char* buffer, int size) = 0;   // <= 0: the connection ended
    virtual int Write(const char* data, int size) = 0;
};

using ChannelFactory = std::function<std::unique_ptr<Channel>(SOCKET)>;

class ScriptServer {
public:
    struct Step {
        Step(std::string text, std::chrono::milliseconds pause = std::chrono::milliseconds(0),
             std::vector<std::size_t> pieces = {}, bool hangUp = false,
             std::chrono::milliseconds deaf = std::chrono::milliseconds(0))
            : reply(std::move(text)), delay(pause), cuts(std::move(pieces)), drop(hangUp), quiet(deaf) {}
        std::string reply;               // sent after the next command line
        std::chrono::milliseconds delay;  // pause before replying
        std::vector<std::size_t> cuts;   // send in pieces, cut at these offsets
        bool drop;                       // close the connection after the reply
        std::chrono::milliseconds quiet;  // read nothing for this long after the reply
    };

    // Without a factory the connection is plain TCP.
    explicit ScriptServer(ChannelFactory channels = {});
    ~ScriptServer();
    ScriptServer(const ScriptServer&) = delete;
    ScriptServer& operator=(const ScriptServer&) = delete;

    unsigned short port() const { return port_; }

    // Starts serving one connection: greeting (after greetingDelay), then one step per command.
    // After the script, every further command gets "A000 OK" so LOGOUT completes.
    void Start(std::string greeting, std::vector<Step> steps,
               std::chrono::milliseconds greetingDelay = std::chrono::milliseconds(0));

    // Waits for the connection to end and returns all the client sent.
    std::string Received();

private:
    void serve();

    ChannelFactory channels_;
    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    std::thread thread_;
    std::string greeting_;
    std::chrono::milliseconds greetingDelay_{0};
    std::vector<Step> steps_;
    std::string received_;
};

}  // namespace velor::testing
