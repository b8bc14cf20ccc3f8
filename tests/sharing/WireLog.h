// The mail-server stand-in's wire log as the commands each connection sent: the "recv" records
// of one connection joined, unescaped and split into lines, tags taken off.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace velor::testing {

class WireLog {
public:
    explicit WireLog(std::string path);
    // Forgets what the log holds so far: Commands() then reports only what comes after.
    void Mark();
    // The command lines sent since the mark, connection by connection, each without its tag.
    std::vector<std::vector<std::string>> Connections() const;
    // All of them in one list, LOGIN and LOGOUT left out.
    std::vector<std::string> Commands() const;

private:
    std::string read() const;
    std::string path_;
    std::size_t mark_ = 0;
};

}  // namespace velor::testing
