// Faults a test asks for, so that the client's handling of slow, torn or dying replies can be
// seen: a delay before a reply, a reply cut into separate chunks, untagged ALERT lines while a
// command is pending, a connection dropped in the middle of a reply; and, in place of running a
// command, an answer of given bytes or a forced NO, BAD or BYE. Each rule names the reply it
// hits ("GREETING", a command name, or every reply) and optionally one connection.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

namespace velor::mailserver {

struct FaultRule {
  enum class Kind { Delay, Split, Alert, Drop, Reply, Status };
  Kind kind = Kind::Delay;
  std::string on;          // empty: every reply; "GREETING"; or a command name in upper case
  int connection = 0;      // 0: every connection; n: only the n-th accepted one
  int delayMs = 0;
  std::vector<std::size_t> offsets;  // split points, counted in bytes of the whole reply
  int pauseMs = 150;                 // between chunks (split) or around the alert lines
  std::string text;                  // alert text
  bool atEnd = false;                // alert just before the tagged line rather than first
  std::optional<std::size_t> dropAfter;  // bytes sent before the connection goes; none: half
  std::string bytes;       // Reply: sent instead of running the command ("$TAG" is its tag)
  std::string status;      // Status: NO, BAD or BYE answered instead of running the command
};

// "delay=35000,on=STORE", "split=3+10,pause=200", "alert=Disk full,at=end", "drop=12,conn=2",
// "reply=* ACL INBOX anna LR\r\n$TAG OK done\r\n,on=GETACL", "status=BYE,on=DELETEACL".
// In reply=, \r, \n, \\ and \xHH are read as escapes (\x2C for a comma).
// Throws std::invalid_argument with a message for the usage error.
FaultRule parseFaultRule(const std::string& text);
FaultRule faultFromJson(const nlohmann::json& j);
nlohmann::json faultToJson(const FaultRule& rule);

// How one reply goes out once the matching rules are applied.
struct DeliveryPlan {
  int delayMs = 0;
  std::vector<std::string> chunks;  // sent in order, with pauseMs between them
  int pauseMs = 0;
  bool dropAfterSending = false;    // close the connection after the chunks
};

// The delay the matching rules ask for before a reply: the directory side holds its operation
// back by that much before it runs it, so an abandon can still cancel it.
int faultDelay(const std::vector<FaultRule>& rules, const std::string& replyTo, int connection);

// The rule that replaces the command (Reply or Status) when one matches, else null.
const FaultRule* replacingFault(const std::vector<FaultRule>& rules, const std::string& command, int connection);

// The bytes a replacing rule answers with, for the command's tag. bye: the connection ends.
std::string replacementReply(const FaultRule& rule, const std::string& tag, bool& bye);

// reply: the whole reply; taggedLineStart: where its tagged (final) line begins.
DeliveryPlan planDelivery(const std::vector<FaultRule>& rules, const std::string& replyTo,
                          int connection, std::string reply, std::size_t taggedLineStart);

}  // namespace velor::mailserver
