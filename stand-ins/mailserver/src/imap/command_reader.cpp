#include "imap/command_reader.h"

namespace velor::mailserver {

std::optional<LiteralMarker> findLiteralMarker(const std::string& line) {
  if (line.empty() || line.back() != '}') return std::nullopt;
  const auto open = line.rfind('{');
  if (open == std::string::npos) return std::nullopt;
  std::size_t end = line.size() - 1;
  bool plus = false;
  if (end > open + 1 && line[end - 1] == '+') {
    plus = true;
    --end;
  }
  if (end == open + 1 || end - open - 1 > 10) return std::nullopt;
  std::size_t count = 0;
  for (std::size_t i = open + 1; i < end; ++i) {
    if (line[i] < '0' || line[i] > '9') return std::nullopt;
    count = count * 10 + static_cast<std::size_t>(line[i] - '0');
  }
  return LiteralMarker{open, count, plus};
}

bool CommandReader::fill() {
  if (position_ > 0 && position_ >= buffer_.size() / 2) {
    buffer_.erase(0, position_);
    position_ = 0;
  }
  char chunk[16 * 1024];
  const std::size_t got = connection_.receive(chunk, sizeof chunk);
  if (got == 0) return false;
  buffer_.append(chunk, got);
  return true;
}

CommandReader::LineStatus CommandReader::readLine(std::string& line, bool& crLf) {
  std::size_t scanned = 0;  // bytes after position_ known to hold no LF
  bool tooLong = false;
  for (;;) {
    const auto lf = buffer_.find('\n', position_ + scanned);
    if (lf != std::string::npos) {
      if (!tooLong && lf - position_ > kMaxLine) {
        line.assign(buffer_, position_, 200);
        tooLong = true;
      }
      if (!tooLong) line.assign(buffer_, position_, lf - position_);
      position_ = lf + 1;
      crLf = !tooLong && !line.empty() && line.back() == '\r';
      if (crLf) line.pop_back();
      return tooLong ? LineStatus::TooLong : LineStatus::Complete;
    }
    if (!tooLong && buffer_.size() - position_ > kMaxLine) {
      // Keep the start for the tag and throw the rest away as it comes, so that a line of
      // megabytes costs no more memory than one of the limit.
      line.assign(buffer_, position_, 200);
      tooLong = true;
    }
    if (tooLong) {
      buffer_.clear();
      position_ = 0;
    }
    scanned = buffer_.size() - position_;
    if (!fill()) return LineStatus::End;
  }
}

bool CommandReader::readExact(std::size_t count, std::string& out) {
  while (buffer_.size() - position_ < count)
    if (!fill()) return false;
  out.assign(buffer_, position_, count);
  position_ += count;
  return true;
}

ReadResult CommandReader::next() {
  ReadResult result;
  for (;;) {
    std::string line;
    bool crLf = false;
    const LineStatus status = readLine(line, crLf);
    if (status == LineStatus::End) {
      result.status = ReadResult::Status::End;
      return result;
    }
    if (result.segments.empty()) {
      if (afterBareLf_ && crLf && line.empty() && status == LineStatus::Complete) {
        afterBareLf_ = false;
        continue;
      }
      result.head = line;
    }
    afterBareLf_ = status == LineStatus::Complete && !crLf;
    if (status == LineStatus::TooLong) {
      result.status = ReadResult::Status::LineTooLong;
      return result;
    }
    const auto marker = findLiteralMarker(line);
    if (!marker) {
      result.segments.push_back({line, std::nullopt});
      result.status = ReadResult::Status::Command;
      return result;
    }
    if (marker->count > kMaxLiteral) {
      result.status = marker->nonSynchronising ? ReadResult::Status::Fatal : ReadResult::Status::LiteralRefused;
      return result;
    }
    if (!marker->nonSynchronising && !connection_.send("+ Ready for literal data\r\n")) {
      result.status = ReadResult::Status::End;
      return result;
    }
    Segment segment{line.substr(0, marker->markerStart), std::string()};
    if (!readExact(marker->count, *segment.literal)) {
      result.status = ReadResult::Status::End;
      return result;
    }
    afterBareLf_ = false;
    result.segments.push_back(std::move(segment));
  }
}

}  // namespace velor::mailserver
