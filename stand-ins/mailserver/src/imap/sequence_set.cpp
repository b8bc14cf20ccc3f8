#include "imap/sequence_set.h"

#include <algorithm>

namespace velor::mailserver {
namespace {

// A number or "*" (0 stands for "*"); nothing when malformed.
std::optional<std::size_t> seqNumber(const std::string& s) {
  if (s == "*") return 0;
  if (s.empty() || s.size() > 9 || s[0] == '0') return std::nullopt;
  std::size_t n = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + static_cast<std::size_t>(c - '0');
  }
  return n;
}

}  // namespace

std::optional<std::vector<std::size_t>> resolveSequenceSet(const std::string& set, std::size_t count) {
  std::vector<std::size_t> numbers;
  std::size_t start = 0;
  while (start <= set.size()) {
    auto comma = set.find(',', start);
    if (comma == std::string::npos) comma = set.size();
    const std::string part = set.substr(start, comma - start);
    start = comma + 1;
    const auto colon = part.find(':');
    const auto first = seqNumber(part.substr(0, colon));
    const auto last = colon == std::string::npos ? first : seqNumber(part.substr(colon + 1));
    if (!first || !last) return std::nullopt;
    const bool star = *first == 0 || *last == 0;
    std::size_t a = *first == 0 ? count : *first;
    std::size_t b = *last == 0 ? count : *last;
    if (a > b) std::swap(a, b);
    if (star && count == 0) continue;
    if (a == 0 || b > count) return std::nullopt;
    for (std::size_t n = a; n <= b; ++n) numbers.push_back(n);
    if (comma == set.size()) break;
  }
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  return numbers;
}

}  // namespace velor::mailserver
