#include "velcore/sharing/FolderRows.h"

#include <cstring>

namespace velor {

std::vector<FolderRow> BuildFolderRows(const std::vector<FolderLine>& lines, const FolderNames& names) {
    std::vector<FolderRow> rows;
    rows.reserve(lines.size());
    for (const FolderLine& line : lines) {
        FolderRow row;
        row.label = names.TopLevelToDisplay(line.label);
        row.path = names.TopLevelToDisplay(line.name);
        row.level = line.level;
        row.picture = names.PictureOf(row.label);
        row.selectable = line.selectable;
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<FolderAclRequest> AclRequestsFor(const std::vector<FolderRow>& rows, std::vector<AclList>& lists,
                                             std::vector<std::size_t>& requestRows) {
    std::vector<FolderAclRequest> requests;
    requestRows.clear();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (!rows[i].selectable || rows[i].path.size() >= kFolderPathSize) continue;
        FolderAclRequest request{};
        std::memcpy(request.folder, rows[i].path.data(), rows[i].path.size());
        requests.push_back(request);
        requestRows.push_back(i);
    }
    // The lists are made once all are known, so the pointers into them stay valid.
    lists.assign(requests.size(), AclList{});
    for (std::size_t i = 0; i < requests.size(); ++i) requests[i].acl = &lists[i];
    return requests;
}

}  // namespace velor
