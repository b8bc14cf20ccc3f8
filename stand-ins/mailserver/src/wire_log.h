// Every byte each connection received and sent, in order, one record per read or write:
//
//   <connection> open <protocol> <peer>
//   <connection> recv <bytes>
//   <connection> send <bytes>
//   <connection> close
//
// The bytes are escaped so that each record is one text line and nothing is lost: backslash as
// \\, CR as \r, LF as \n, TAB as \t, other bytes outside printable ASCII as \xHH. A test joins
// the recv records of one connection to get exactly what a client sent, line ends and all.
// Records are flushed as they are written, so a test may read the file while the server runs.
// LOGIN passwords are logged as sent: this is a test peer and the log exists to show bytes.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace velor::mailserver {

std::string escapeWireBytes(std::string_view bytes);

class WireLog {
 public:
  WireLog() = default;
  ~WireLog();
  WireLog(const WireLog&) = delete;
  WireLog& operator=(const WireLog&) = delete;

  bool open(const std::string& path);  // false when the file cannot be created
  void record(int connection, std::string_view event, std::string_view payload);
  void bytes(int connection, std::string_view direction, std::string_view data) {
    record(connection, direction, escapeWireBytes(data));
  }

 private:
  std::mutex mutex_;
  std::FILE* file_ = nullptr;
};

}  // namespace velor::mailserver
