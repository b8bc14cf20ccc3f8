// One command's reply as it is built: untagged lines and raw bytes (literal data) first, then
// the tagged status. The session adds the tag and sends it through the fault plan.
#pragma once

#include <string>
#include <string_view>

namespace velor::mailserver {

class Reply {
 public:
  void untagged(std::string_view line) {
    body_ += "* ";
    body_ += line;
    body_ += "\r\n";
  }
  void raw(std::string_view bytes) { body_ += bytes; }
  void ok(std::string text) { finish("OK", std::move(text)); }
  void no(std::string text) { finish("NO", std::move(text)); }
  void bad(std::string text) { finish("BAD", std::move(text)); }

  const std::string& body() const { return body_; }
  const std::string& status() const { return status_; }
  const std::string& text() const { return text_; }

 private:
  void finish(std::string status, std::string text) {
    status_ = std::move(status);
    text_ = std::move(text);
  }
  std::string body_;
  std::string status_ = "BAD";
  std::string text_ = "Command failed";
};

}  // namespace velor::mailserver
