#include "wire_log.h"

namespace velor::mailserver {

std::string escapeWireBytes(std::string_view bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() + 8);
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c >= 0x20 && c < 0x7F) {
          out += static_cast<char>(c);
        } else {
          out += "\\x";
          out += kHex[c >> 4];
          out += kHex[c & 0xF];
        }
    }
  }
  return out;
}

WireLog::~WireLog() {
  if (file_) std::fclose(file_);
}

bool WireLog::open(const std::string& path) {
  file_ = std::fopen(path.c_str(), "wb");
  return file_ != nullptr;
}

void WireLog::record(int connection, std::string_view event, std::string_view payload) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!file_) return;
  std::fprintf(file_, "%d %.*s", connection, static_cast<int>(event.size()), event.data());
  if (!payload.empty()) std::fprintf(file_, " %.*s", static_cast<int>(payload.size()), payload.data());
  std::fputc('\n', file_);
  std::fflush(file_);
}

}  // namespace velor::mailserver
