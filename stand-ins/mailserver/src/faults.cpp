#include "faults.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include <nlohmann/json.hpp>

namespace velor::mailserver {
namespace {

std::string upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

long number(const std::string& key, const std::string& value) {
  std::size_t used = 0;
  long n = -1;
  try {
    n = std::stol(value, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used != value.size() || n < 0) throw std::invalid_argument("fault: " + key + " needs a number, got '" + value + "'");
  return n;
}

std::vector<std::size_t> offsetList(const std::string& value) {
  std::vector<std::size_t> offsets;
  std::size_t start = 0;
  while (start <= value.size()) {
    const auto plus = value.find('+', start);
    const std::string part = value.substr(start, plus == std::string::npos ? std::string::npos : plus - start);
    offsets.push_back(static_cast<std::size_t>(number("split", part)));
    if (plus == std::string::npos) break;
    start = plus + 1;
  }
  return offsets;
}

// \r, \n, \t, \\ and \xHH in a reply= text.
std::string unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char c = text[++i];
    if (c == 'r') out += '\r';
    else if (c == 'n') out += '\n';
    else if (c == 't') out += '\t';
    else if (c == 'x' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
             std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else out += c;
  }
  return out;
}

std::string statusWord(const std::string& value) {
  const std::string word = upper(value);
  if (word != "NO" && word != "BAD" && word != "BYE") throw std::invalid_argument("fault: status=NO, BAD or BYE, got '" + value + "'");
  return word;
}

bool matches(const FaultRule& rule, const std::string& replyTo, int connection) {
  if (rule.connection != 0 && rule.connection != connection) return false;
  if (!rule.on.empty()) return rule.on == replyTo;
  // An alert is an interruption of a pending command; a greeting has none pending.
  return !(rule.kind == FaultRule::Kind::Alert && replyTo == "GREETING");
}

}  // namespace

FaultRule parseFaultRule(const std::string& text) {
  FaultRule rule;
  bool haveKind = false;
  auto setKind = [&](FaultRule::Kind kind) {
    if (haveKind) throw std::invalid_argument("fault: one of delay, split, alert, drop per rule: " + text);
    rule.kind = kind;
    haveKind = true;
  };
  std::size_t start = 0;
  while (start < text.size()) {
    auto comma = text.find(',', start);
    if (comma == std::string::npos) comma = text.size();
    const std::string item = text.substr(start, comma - start);
    start = comma + 1;
    const auto eq = item.find('=');
    const std::string key = item.substr(0, eq);
    const std::string value = eq == std::string::npos ? std::string() : item.substr(eq + 1);
    if (key == "delay") {
      setKind(FaultRule::Kind::Delay);
      rule.delayMs = static_cast<int>(number(key, value));
    } else if (key == "split") {
      setKind(FaultRule::Kind::Split);
      rule.offsets = offsetList(value);
    } else if (key == "alert") {
      setKind(FaultRule::Kind::Alert);
      rule.text = value;
    } else if (key == "drop") {
      setKind(FaultRule::Kind::Drop);
      if (!value.empty()) rule.dropAfter = static_cast<std::size_t>(number(key, value));
    } else if (key == "reply") {
      setKind(FaultRule::Kind::Reply);
      rule.bytes = unescape(value);
    } else if (key == "status") {
      setKind(FaultRule::Kind::Status);
      rule.status = statusWord(value);
    } else if (key == "on") {
      rule.on = upper(value);
    } else if (key == "conn") {
      rule.connection = static_cast<int>(number(key, value));
    } else if (key == "pause") {
      rule.pauseMs = static_cast<int>(number(key, value));
    } else if (key == "at") {
      if (value != "start" && value != "end") throw std::invalid_argument("fault: at=start or at=end");
      rule.atEnd = value == "end";
    } else {
      throw std::invalid_argument("fault: unknown key '" + key + "' in " + text);
    }
  }
  if (!haveKind) throw std::invalid_argument("fault: no delay, split, alert, drop, reply or status in " + text);
  if ((rule.kind == FaultRule::Kind::Reply || rule.kind == FaultRule::Kind::Status) && (rule.on.empty() || rule.on == "GREETING"))
    throw std::invalid_argument("fault: reply= and status= need on=COMMAND");
  return rule;
}

FaultRule faultFromJson(const nlohmann::json& j) {
  FaultRule rule;
  int kinds = 0;
  if (j.contains("delay_ms")) rule.kind = FaultRule::Kind::Delay, rule.delayMs = j.at("delay_ms").get<int>(), ++kinds;
  if (j.contains("split")) rule.kind = FaultRule::Kind::Split, rule.offsets = j.at("split").get<std::vector<std::size_t>>(), ++kinds;
  if (j.contains("alert")) rule.kind = FaultRule::Kind::Alert, rule.text = j.at("alert").get<std::string>(), ++kinds;
  if (j.contains("drop")) {
    rule.kind = FaultRule::Kind::Drop, ++kinds;
    if (!j.at("drop").is_null()) rule.dropAfter = j.at("drop").get<std::size_t>();
  }
  if (j.contains("reply")) rule.kind = FaultRule::Kind::Reply, rule.bytes = j.at("reply").get<std::string>(), ++kinds;
  if (j.contains("status")) rule.kind = FaultRule::Kind::Status, rule.status = statusWord(j.at("status").get<std::string>()), ++kinds;
  if (kinds != 1) throw std::invalid_argument("fault: exactly one of delay_ms, split, alert, drop, reply, status per rule");
  if (j.contains("on")) rule.on = upper(j.at("on").get<std::string>());
  if (j.contains("connection")) rule.connection = j.at("connection").get<int>();
  if (j.contains("pause_ms")) rule.pauseMs = j.at("pause_ms").get<int>();
  if (j.contains("at")) rule.atEnd = j.at("at").get<std::string>() == "end";
  return rule;
}

nlohmann::json faultToJson(const FaultRule& rule) {
  nlohmann::json j = nlohmann::json::object();
  switch (rule.kind) {
    case FaultRule::Kind::Delay: j["delay_ms"] = rule.delayMs; break;
    case FaultRule::Kind::Split: j["split"] = rule.offsets, j["pause_ms"] = rule.pauseMs; break;
    case FaultRule::Kind::Alert: j["alert"] = rule.text, j["at"] = rule.atEnd ? "end" : "start", j["pause_ms"] = rule.pauseMs; break;
    case FaultRule::Kind::Drop: j["drop"] = rule.dropAfter ? nlohmann::json(*rule.dropAfter) : nlohmann::json(); break;
    case FaultRule::Kind::Reply: j["reply"] = rule.bytes; break;
    case FaultRule::Kind::Status: j["status"] = rule.status; break;
  }
  if (!rule.on.empty()) j["on"] = rule.on;
  if (rule.connection != 0) j["connection"] = rule.connection;
  return j;
}

int faultDelay(const std::vector<FaultRule>& rules, const std::string& replyTo, int connection) {
  int delay = 0;
  for (const auto& rule : rules)
    if (rule.kind == FaultRule::Kind::Delay && matches(rule, replyTo, connection)) delay += rule.delayMs;
  return delay;
}

const FaultRule* replacingFault(const std::vector<FaultRule>& rules, const std::string& command, int connection) {
  for (const auto& rule : rules) {
    if ((rule.kind == FaultRule::Kind::Reply || rule.kind == FaultRule::Kind::Status) && matches(rule, command, connection))
      return &rule;
  }
  return nullptr;
}

std::string replacementReply(const FaultRule& rule, const std::string& tag, bool& bye) {
  bye = rule.kind == FaultRule::Kind::Status && rule.status == "BYE";
  if (rule.kind == FaultRule::Kind::Status) return tag + " " + rule.status + " Forced by fault\r\n";
  std::string bytes;
  std::size_t from = 0;
  for (std::size_t at = rule.bytes.find("$TAG"); at != std::string::npos; at = rule.bytes.find("$TAG", from)) {
    bytes += rule.bytes.substr(from, at - from) + tag;
    from = at + 4;
  }
  return bytes + rule.bytes.substr(from);
}

DeliveryPlan planDelivery(const std::vector<FaultRule>& rules, const std::string& replyTo,
                          int connection, std::string reply, std::size_t taggedLineStart) {
  DeliveryPlan plan;
  std::vector<std::size_t> cuts;
  bool drop = false;
  std::optional<std::size_t> dropAt;  // none: half of what there is to send
  std::string early, late;
  for (const auto& rule : rules) {
    if (!matches(rule, replyTo, connection)) continue;
    switch (rule.kind) {
      case FaultRule::Kind::Delay: plan.delayMs += rule.delayMs; break;
      case FaultRule::Kind::Alert:
        (rule.atEnd ? late : early) += "* OK [ALERT] " + rule.text + "\r\n";
        plan.pauseMs = std::max(plan.pauseMs, rule.pauseMs);
        break;
      case FaultRule::Kind::Split:
        cuts.insert(cuts.end(), rule.offsets.begin(), rule.offsets.end());
        plan.pauseMs = std::max(plan.pauseMs, rule.pauseMs);
        break;
      case FaultRule::Kind::Drop: drop = true, dropAt = rule.dropAfter; break;
      case FaultRule::Kind::Reply:
      case FaultRule::Kind::Status: break;  // they replace the command, not its delivery
    }
  }
  taggedLineStart = std::min(taggedLineStart, reply.size());
  reply.insert(taggedLineStart, late);
  reply.insert(0, early);
  // Alerts travel on their own, a pause apart from the reply around them, so that they arrive
  // while the command is still pending rather than as part of its answer.
  if (!early.empty()) cuts.push_back(early.size());
  if (!late.empty()) {
    cuts.push_back(early.size() + taggedLineStart);
    cuts.push_back(early.size() + taggedLineStart + late.size());
  }
  if (drop) {
    reply.resize(dropAt ? std::min(*dropAt, reply.size()) : reply.size() / 2);
    plan.dropAfterSending = true;
  }
  std::sort(cuts.begin(), cuts.end());
  std::size_t from = 0;
  for (std::size_t cut : cuts) {
    if (cut <= from || cut >= reply.size()) continue;
    plan.chunks.push_back(reply.substr(from, cut - from));
    from = cut;
  }
  if (from < reply.size() || plan.chunks.empty()) plan.chunks.push_back(reply.substr(from));
  return plan;
}

}  // namespace velor::mailserver
