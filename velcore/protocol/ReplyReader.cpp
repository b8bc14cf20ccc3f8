#include "velcore/protocol/ReplyReader.h"

#include "velcore/protocol/ImapText.h"
#include "velcore/protocol/Status.h"

#include <cctype>
#include <string_view>

namespace velor::imap {
namespace {

bool isSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

bool startsWithTag(std::string_view line) {
    if (line.size() < kTag.size()) return false;
    for (std::size_t i = 0; i < kTag.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(line[i])) != kTag[i]) return false;
    }
    return true;
}

void appendLine(std::string* response, std::string_view line) {
    if (!response) return;
    response->append(line);
    response->push_back('\n');
}

// The received bytes not yet handled: [start_, size) of the buffer. Handled lines are dropped from
// the front only when they make up most of it, so each byte is moved a bounded number of times.
class LineBuffer {
public:
    // The next complete line (without its line feed), or false when none has arrived yet.
    bool nextLine(std::string_view& line) {
        std::size_t lf = bytes_.find('\n', scanFrom_);
        if (lf == std::string::npos) {
            scanFrom_ = bytes_.size();
            return false;
        }
        line = std::string_view(bytes_).substr(start_, lf - start_);
        start_ = lf + 1;
        // The line end and any white space that opens the next line go with this line.
        while (start_ < bytes_.size() && isSpace(bytes_[start_])) ++start_;
        scanFrom_ = start_;
        return true;
    }

    // Called before a receive: line views handed out earlier are no longer used.
    std::string& forAppend() {
        if (start_ > 0 && start_ * 2 >= bytes_.size()) {
            bytes_.erase(0, start_);
            scanFrom_ -= start_;
            start_ = 0;
        }
        return bytes_;
    }

    // Leading white space of a reply that arrives after an empty buffer is dropped too.
    void skipLeadingSpace() {
        while (start_ < bytes_.size() && isSpace(bytes_[start_])) ++start_;
        if (scanFrom_ < start_) scanFrom_ = start_;
    }

private:
    std::string bytes_;
    std::size_t start_ = 0;
    std::size_t scanFrom_ = 0;
};

}  // namespace

std::int32_t ReadReply(ByteSource& source, bool commandSent, std::string* response) {
    std::int32_t result = status::kUnexpected;
    LineBuffer buffer;
    std::string_view line;
    for (;;) {
        while (buffer.nextLine(line)) {
            if (startsWithTag(line)) {
                line.remove_prefix(std::min(line.size(), kTag.size() + 1));
                appendLine(response, line);
                return TaggedResult(line);
            }
            if (!line.empty() && line[0] == '*') {
                line.remove_prefix(std::min<std::size_t>(line.size(), 2));
                int untagged = UntaggedStatus(line);
                if (untagged >= 0) {
                    if (!commandSent) {
                        if (response) response->append(line);
                        return untagged;
                    }
                    continue;  // a status line while a command is pending is not part of its reply
                }
            }
            appendLine(response, line);
        }
        ReceiveStatus received;
        do {
            received = source.Receive(buffer.forAppend());
        } while (received == ReceiveStatus::kWouldBlock);
        if (received == ReceiveStatus::kFailed) return result;
        if (received == ReceiveStatus::kClosed) return status::kUnexpected;
        buffer.skipLeadingSpace();
    }
}

}  // namespace velor::imap
