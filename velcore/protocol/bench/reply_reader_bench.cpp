// How long the reply reader takes over a large reply, beside the time of merely splitting the same
// bytes into lines: the reader's cost must grow with the reply's size, not with its square.
//
//   cmake --preset bench && cmake --build --preset bench --target reply_reader_bench
//   build/bench/bin/reply_reader_bench [folders] [read size]
//
// Prints both times (best of five) and their ratio.
#include "velcore/protocol/ReplyReader.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

class ChunkedSource : public velor::imap::ByteSource {
public:
    ChunkedSource(const std::string& bytes, std::size_t chunk) : bytes_(bytes), chunk_(chunk) {}
    velor::imap::ReceiveStatus Receive(std::string& buffer) override {
        if (pos_ >= bytes_.size()) return velor::imap::ReceiveStatus::kClosed;
        std::size_t n = std::min(chunk_, bytes_.size() - pos_);
        buffer.append(bytes_, pos_, n);
        pos_ += n;
        return velor::imap::ReceiveStatus::kData;
    }

private:
    const std::string& bytes_;
    std::size_t chunk_;
    std::size_t pos_ = 0;
};

template <typename F>
double bestSeconds(F f) {
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        auto start = std::chrono::steady_clock::now();
        f();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    int folders = argc > 1 ? std::atoi(argv[1]) : 200000;
    std::size_t chunk = argc > 2 ? static_cast<std::size_t>(std::atol(argv[2])) : 65536;
    std::string reply;
    for (int i = 0; i < folders; ++i)
        reply += "* LSUB () \"/\" \"INBOX/Projects/Folder number " + std::to_string(i) + "\"\r\n";
    reply += "A000 OK LSUB completed\r\n";

    std::size_t lines = 0;
    double split = bestSeconds([&] {
        std::vector<std::string> out;
        std::size_t pos = 0;
        for (std::size_t lf; (lf = reply.find('\n', pos)) != std::string::npos; pos = lf + 1)
            out.emplace_back(reply, pos, lf - pos);
        lines = out.size();
    });
    std::size_t responseSize = 0;
    double read = bestSeconds([&] {
        ChunkedSource source(reply, chunk);
        std::string response;
        if (velor::imap::ReadReply(source, true, &response) != 0) std::abort();
        responseSize = response.size();
    });
    std::printf("reply: %d folders, %zu bytes, %zu lines, read in pieces of %zu bytes\n", folders, reply.size(), lines,
                chunk);
    std::printf("split into lines: %.4f s\nreply reader:     %.4f s (response text %zu bytes)\nratio: %.2f\n", split, read,
                responseSize, read / split);
    return 0;
}
