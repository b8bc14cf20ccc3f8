// Writing a text into a reply: the one place that decides between atom, quoted string and
// literal.
#pragma once

#include <string>
#include <string_view>

namespace velor::mailserver {

enum class StringForm {
  AtomIfPossible,  // folder names in LSUB and ACL lines
  Quoted,          // X-LISTMAP, whose readers strip one quote from each end
};

// An atom when allowed and possible; a quoted string with \\ and \" escapes when the text is
// 7-bit without CR or LF; otherwise a literal.
std::string imapString(std::string_view text, StringForm form = StringForm::AtomIfPossible);

}  // namespace velor::mailserver
