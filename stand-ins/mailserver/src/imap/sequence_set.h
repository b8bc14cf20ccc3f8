// IMAP message sequence sets ("1:*", "2,4:6") resolved against a folder's message count.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace velor::mailserver {

// Sorted, distinct 1-based message numbers, or nothing when the set is malformed or names a
// message that does not exist. "*" is the last message; in an empty folder a range reaching
// "*" is empty, so "1:*" there is a valid set of no messages.
std::optional<std::vector<std::size_t>> resolveSequenceSet(const std::string& set, std::size_t count);

}  // namespace velor::mailserver
