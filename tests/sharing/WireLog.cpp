#include "WireLog.h"

#include <fstream>
#include <sstream>

namespace velor::testing {
namespace {

std::string unescaped(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 >= text.size()) {
            out += text[i];
            continue;
        }
        char c = text[++i];
        if (c == 'r') out += '\r';
        else if (c == 'n') out += '\n';
        else if (c == 't') out += '\t';
        else if (c == 'x' && i + 2 < text.size()) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else out += c;
    }
    return out;
}

}  // namespace

WireLog::WireLog(std::string path) : path_(std::move(path)) { Mark(); }

std::string WireLog::read() const {
    std::ifstream in(path_, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WireLog::Mark() { mark_ = read().size(); }

std::vector<std::vector<std::string>> WireLog::Connections() const {
    std::string log = read();
    std::istringstream lines(log.size() > mark_ ? log.substr(mark_) : std::string());
    std::map<int, std::string> sent;
    std::vector<int> order;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        int connection = 0;
        std::string kind;
        fields >> connection >> kind;
        if (kind == "open") order.push_back(connection);
        if (kind != "recv") continue;
        std::string bytes;
        std::getline(fields, bytes);
        if (!bytes.empty() && bytes[0] == ' ') bytes.erase(0, 1);
        sent[connection] += unescaped(bytes);
    }
    std::vector<std::vector<std::string>> connections;
    for (int connection : order) {
        std::vector<std::string>& commands = connections.emplace_back();
        std::istringstream text(sent[connection]);
        for (std::string command; std::getline(text, command);) {
            if (!command.empty() && command.back() == '\r') command.pop_back();
            std::size_t space = command.find(' ');
            commands.push_back(space == std::string::npos ? command : command.substr(space + 1));
        }
    }
    return connections;
}

std::vector<std::string> WireLog::Commands() const {
    std::vector<std::string> all;
    for (const auto& connection : Connections()) {
        for (const std::string& command : connection) {
            if (command.rfind("LOGIN ", 0) == 0 || command == "LOGOUT" || command == "CAPABILITY") continue;
            all.push_back(command);
        }
    }
    return all;
}

}  // namespace velor::testing
