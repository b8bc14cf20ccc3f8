// The reader's error messages. The caller shows them as "Line %d: %s" under "Error details:";
// their letter case is as users have always seen it, capitals included.
#pragma once

namespace velor::rules::msg {

// Commands.
constexpr const char* kKeywordExpected = "bad token: keyword expected";
constexpr const char* kSemicolonEnd = "premature end of script: semicolon expected";
constexpr const char* kSemicolonBad = "bad token: semicolon expected";
constexpr const char* kArgumentEnd = "premature end of script: string argument expected";
constexpr const char* kArgumentBad = "bad token: string argument expected";
constexpr const char* kOptionBad = "bad token: option expected";
constexpr const char* kNotifyOptionUnknown = "unknown notify command option";
constexpr const char* kStringEnd = "premature end of script: string expected";
constexpr const char* kNotifyMethodUnknown = "unknown notify method";
constexpr const char* kVacationOptionUnknown = "unknown vacation command option";
constexpr const char* kStringBad = "bad token: string expected";
constexpr const char* kInvalidCommand = "invalid command: %s";

// Blocks.
constexpr const char* kBlockStartEnd = "premature end of script: start of block expected";
constexpr const char* kBlockStartBad = "bad token: start of block expected";
constexpr const char* kBlockEnd = "premature end of script inside block";
// Reported at the line where the comment opens: a script cut off inside a comment must not read
// as a shorter valid script.
constexpr const char* kCommentEnd = "unterminated comment";

// Tests.
constexpr const char* kTestEnd = "Premature end of script: test expected";
constexpr const char* kTestKeywordBad = "Bad token: test keyword expected";
constexpr const char* kSizeTagEnd = "Premature end of script: size tag expected";
constexpr const char* kSizeTagBad = "Bad token: size :under or :over expected";
constexpr const char* kSizeTagUnknown = "Unknown tag ':%s' in size: :under or :over expected";
constexpr const char* kNumberEnd = "Premature end of script: number expected";
constexpr const char* kNumberBad = "Bad token: number expected";
constexpr const char* kHeaderComparatorEnd = "premature end of script: comparator value expected";
constexpr const char* kAddressComparatorEnd = "Premature end of script: comparator value expected";
constexpr const char* kComparatorBad = "bad token: comparator value string expected";
constexpr const char* kHeaderTagInvalid = "invalid tag in header test: %s";
constexpr const char* kHeaderTagEnd = "Premature end of script: header tag expected";
constexpr const char* kAddressTagInvalid = "Invalid tag in address test: %s";
constexpr const char* kAddressTagEnd = "Premature end of script: address tag expected";
constexpr const char* kTestKeywordInvalid = "invalid test keyword: %s";

// Test lists and string lists.
constexpr const char* kTestListEnd = "premature end of script: test expected";
constexpr const char* kListSeparatorEnd = "premature end of script: comma or close brace expected";
constexpr const char* kCommaBad = "bad token: comma expected";
constexpr const char* kStringListEnd = "premature end of script: string list expected";
constexpr const char* kStringListItemEnd = "premature end of script inside a string list";
constexpr const char* kStringListItemBad = "Bad token: string expected";
constexpr const char* kStringListBad = "bad token: string list expected";

// Limits: a token or a nesting that does not fit is refused rather than cut, so that nothing
// the user wrote is silently changed or dropped when the script is written back.
constexpr const char* kTokenTooLong = "bad token: token longer than 2047 characters";
constexpr const char* kStringTooLong = "bad token: string longer than 2047 characters";
constexpr const char* kNumberTooLarge = "bad token: number too large";
constexpr const char* kNestingTooDeep = "nesting too deep";
constexpr const char* kOutOfMemory = "out of memory";

}  // namespace velor::rules::msg
