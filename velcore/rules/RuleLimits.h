// Sizes and fixed values of the rule model. The fixed buffers are part of the model: a rule name
// or a token that does not fit is cut or refused exactly where the reader and the dialogs say.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velor::rules {

constexpr std::size_t kRuleNameSize = 128;      // rule name, notify :options, vacation :subject
constexpr std::size_t kDaysSize = 128;          // vacation :days as text
constexpr std::size_t kArgumentSize = 2048;     // folder, address, reason, message, reply text
constexpr std::size_t kTokenTextSize = 2048;    // one token of the script
constexpr std::size_t kMessageSize = 512;       // the first error of a parse, formatted

// Nested ifs, elsif chains, not and allof/anyof all recurse in the reader, the writer, the
// copy and the free; a hand-written or damaged script must not be able to exhaust the stack of
// the user-interface thread that parses it.
constexpr int kMaxNestingDepth = 128;

// The value the reader stores for a vacation command without :days, and which the writer
// therefore leaves out.
constexpr const char* kDefaultVacationDays = "7";

// The notification text of a notify command without :message.
constexpr const char* kDefaultNotifyMessage = "$from$: $subject$\r\n$text$";

// The status codes of the model's checks, in the library's COM style.
constexpr std::int32_t kRuleOk = 0;
constexpr std::int32_t kRuleFail = static_cast<std::int32_t>(0x80004005u);  // E_FAIL

}  // namespace velor::rules
