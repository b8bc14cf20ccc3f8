// How the address-book synchronisation tool is started for an account: the tool's place as the
// registry gives it, and its command line of host, user and password.
#pragma once

#include <string>
#include <string_view>

namespace velor::velhook {

// The registry value with the white space around it removed; empty means the tool is not set up.
std::string ToolLocation(std::string_view value);

// "/host=... /user=... /pass=..." as the tool splits it: line breaks and tabs become spaces, each
// double quote is doubled, and a parameter holding a space is enclosed in double quotes whole,
// slash and name included.
std::string SyncToolParameters(std::string_view host, std::string_view user, std::string_view password);

}  // namespace velor::velhook
