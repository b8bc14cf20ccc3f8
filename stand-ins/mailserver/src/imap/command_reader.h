// Reads whole IMAP commands from a connection: a line, and when it ends with a literal marker
// ({n} or the non-synchronising {n+}) the literal's bytes and the line that continues after it.
//
// Line ends: CR LF, or a bare LF. A client that ends a line with LF CR LF (it appends CR LF to a
// text that already ends in LF) gets its command read at the LF, and the CR LF that follows is
// taken as the rest of that line end rather than as an empty command.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "net/connection.h"

namespace velor::mailserver {

struct Segment {
  std::string text;                    // the line, without its line end and literal marker
  std::optional<std::string> literal;  // the literal that the line announced
};

struct ReadResult {
  enum class Status {
    Command,         // segments hold a command
    End,             // the client went away
    LineTooLong,     // a line over the limit was skipped; head holds its start
    LiteralRefused,  // a synchronising literal over the limit was refused before it was sent
    Fatal,           // a non-synchronising literal over the limit: the stream cannot be resynced
  };
  Status status = Status::End;
  std::vector<Segment> segments;
  std::string head;  // the first line (or its start), to find the tag for an error reply
};

class CommandReader {
 public:
  static constexpr std::size_t kMaxLine = 64 * 1024;
  static constexpr std::size_t kMaxLiteral = 8 * 1024 * 1024;

  explicit CommandReader(Connection& connection) : connection_(connection) {}
  ReadResult next();

 private:
  enum class LineStatus { Complete, TooLong, End };
  LineStatus readLine(std::string& line, bool& crLf);
  bool readExact(std::size_t count, std::string& out);
  bool fill();

  Connection& connection_;
  std::string buffer_;
  std::size_t position_ = 0;
  bool afterBareLf_ = false;
};

// The literal marker at the end of a line: its byte count and whether it is non-synchronising.
struct LiteralMarker {
  std::size_t markerStart;
  std::size_t count;
  bool nonSynchronising;
};
std::optional<LiteralMarker> findLiteralMarker(const std::string& line);

}  // namespace velor::mailserver
