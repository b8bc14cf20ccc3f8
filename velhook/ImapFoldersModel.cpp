#include "velhook/ImapFoldersModel.h"

namespace velor::velhook {

std::vector<std::string> FolderPaths(const std::vector<FolderRow>& rows) {
    std::vector<std::string> paths;
    paths.reserve(rows.size());
    std::vector<const std::string*> enclosing;  // the labels of the current row's ancestors
    for (const FolderRow& row : rows) {
        const std::size_t depth = row.indent > 0 ? static_cast<std::size_t>(row.indent) : 0;
        if (enclosing.size() > depth) enclosing.resize(depth);
        std::string path;
        for (const std::string* label : enclosing) path += *label + "/";
        path += row.label;
        paths.push_back(std::move(path));
        enclosing.push_back(&row.label);
    }
    return paths;
}

bool FitsFolderField(const std::string& path) {
    return path.size() < kFolderPathSize;
}

std::vector<std::size_t> FoldersRead(const std::vector<FolderAclRequest>& requests) {
    std::vector<std::size_t> read;
    for (std::size_t i = 0; i < requests.size(); ++i)
        if (requests[i].result == 0) read.push_back(i);
    return read;
}

bool MarksShared(const AclList& rights) {
    return rights.count >= 2;
}

std::string Trim(std::string_view text) {
    constexpr std::string_view kSpace = " \t\r\n\f\v";
    const std::size_t first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(kSpace);
    return std::string(text.substr(first, last - first + 1));
}

std::string MappingTarget(MappingType type, std::string_view userName) {
    switch (type) {
        case MappingType::kPublic: return "#public";
        case MappingType::kBackup: return "#backup";
        case MappingType::kShared: break;
    }
    return Trim(userName);
}

bool CanAddMapping(MappingType type, std::string_view name, std::string_view userName) {
    if (Trim(name).empty()) return false;
    return !NeedsUserName(type) || !Trim(userName).empty();
}

int MappingImage(std::uint32_t kind) {
    switch (kind) {
        case kMappingPublicRoot: return 15;
        case kMappingOwnFolder: return 6;
        case kMappingNamespace: return 20;
    }
    return 0;
}

AddedLayout LayOutAddedControls(const Box& list, int comboHeight, int typeWidth, int linkWidth, int linkHeight) {
    const int L = list.left, T = list.top, R = list.right, B = list.bottom;
    const int typeLeft = R - 240 - (typeWidth > kTypeBoxWidth ? typeWidth : kTypeBoxWidth);
    AddedLayout at;
    at.typeLabel = {typeLeft, T, R - 240, T + 13};
    at.userLabel = {R - 235, T, R - 105, T + 13};
    at.nameLabel = {L, T, typeLeft - 5, T + 13};
    at.typeBox = {typeLeft, T + 15, R - 240, B};
    at.userName = {R - 235, T + 15, R - 105, T + 15 + comboHeight};
    at.mappingName = {L, T + 15, at.typeBox.left - 5, T + 15 + comboHeight};
    at.mappings = {L, T + 45, R, B - 30};
    at.add = {R - 100, T + 15, R, T + 40};
    at.remove = {R - 100, B - 25, R, B};
    at.link = {L, B - linkHeight, L + linkWidth, B};
    at.shared = {L, T, R, at.link.top - 4};
    return at;
}

}  // namespace velor::velhook
