// Reads the server's reply to one command (or the greeting) and collects it as the response
// text: each reply line ending with a line feed (a line that arrived with CR LF keeps its CR),
// the "* " of untagged lines removed, untagged status lines dropped while a command is pending,
// and the tagged line last without its tag.
#pragma once

#include <cstdint>
#include <string>

namespace velor::imap {

enum class ReceiveStatus {
    kData,        // bytes were appended
    kWouldBlock,  // nothing yet: ask again
    kFailed,      // a socket error, or the user declined to wait
    kClosed,      // the server closed the connection
};

// Where the reader's bytes come from: a socket, or canned bytes in a test.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Appends what arrived to buffer.
    virtual ReceiveStatus Receive(std::string& buffer) = 0;
};

// commandSent: false reads the greeting, whose first untagged status line ends the exchange with
// 0, 1, 2 or 3 for OK, NO, BAD, BYE. Otherwise the tagged line ends it, with the result of its
// status word. A failed receive ends it with the result so far (E_UNEXPECTED: no tagged line
// yet); a closed connection ends it with E_UNEXPECTED.
//
// A line is handled once its line feed has arrived, so a line split across reads, even inside
// the tag or next to a space, reaches the response text exactly as the server sent it. The work
// is proportional to the reply's size however it is cut into reads.
std::int32_t ReadReply(ByteSource& source, bool commandSent, std::string* response);

}  // namespace velor::imap
