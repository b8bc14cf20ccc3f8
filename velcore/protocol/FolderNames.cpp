#include "velcore/protocol/FolderNames.h"

#include "velcore/protocol/TextConversion.h"
#include "velcore/res/resource.h"

#include <algorithm>

namespace velor {
namespace {

constexpr std::string_view kSelectableForm = "LSUB () \"/\" ";
constexpr std::string_view kNoselectForm = "LSUB (\\Noselect) \"/\" ";

std::string_view firstLevel(std::string_view name) { return name.substr(0, name.find(kHierarchyDelimiter)); }

// The name after the list form: a quoted string (with "\" escapes) or the rest of the line.
std::string readName(std::string_view text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == ' ')) text.remove_suffix(1);
    if (text.size() < 2 || text.front() != '"') return std::string(text);
    std::string name;
    for (std::size_t i = 1; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
            name += text[++i];
        } else if (c == '"') {
            break;
        } else {
            name += c;
        }
    }
    return name;
}

}  // namespace

FolderNames::FolderNames(const StringSource& strings)
    : topLevels_{{"INBOX", strings.Load(IDS_FOLDER_INBOX)},
                 {"#public", strings.Load(IDS_FOLDER_PUBLIC)},
                 {"#backup", strings.Load(IDS_FOLDER_BACKUP)}},
      specialFolders_{strings.Load(IDS_FOLDER_INBOX), strings.Load(IDS_FOLDER_SENT), strings.Load(IDS_FOLDER_DELETED),
                      strings.Load(IDS_FOLDER_DRAFTS)} {}

std::string FolderNames::DisplayToWire(std::string_view display) const {
    std::string_view first = firstLevel(display);
    for (const TopLevel& top : topLevels_) {
        if (first == top.display) return ToWireName(top.wire + std::string(display.substr(first.size())));
    }
    return ToWireName(display);
}

std::string FolderNames::WireToDisplay(std::string_view wire) const { return TopLevelToDisplay(FromWireName(wire)); }

std::string FolderNames::TopLevelToDisplay(std::string_view name) const {
    std::string_view first = firstLevel(name);
    for (const TopLevel& top : topLevels_) {
        if (first == top.wire) return top.display + std::string(name.substr(first.size()));
    }
    return std::string(name);
}

int FolderNames::PictureOf(std::string_view displayLabel) const {
    for (std::size_t i = 0; i < specialFolders_.size(); ++i) {
        if (displayLabel == specialFolders_[i]) return static_cast<int>(i) + 1;
    }
    return 0;
}

std::vector<FolderLine> ParseFolderList(std::string_view response) {
    std::string text = FromWireName(response);
    std::vector<std::string_view> lines;
    std::string_view rest(text);
    while (!rest.empty()) {
        std::size_t lf = rest.find('\n');
        lines.push_back(rest.substr(0, lf));
        rest = lf == std::string_view::npos ? std::string_view() : rest.substr(lf + 1);
    }
    if (!lines.empty() && lines.back().substr(0, 2) == "OK") lines.pop_back();

    std::vector<FolderLine> folders;
    for (std::string_view line : lines) {
        FolderLine folder;
        if (line.substr(0, kSelectableForm.size()) == kSelectableForm) {
            folder.selectable = true;
            line.remove_prefix(kSelectableForm.size());
        } else if (line.substr(0, kNoselectForm.size()) == kNoselectForm) {
            folder.selectable = false;
            line.remove_prefix(kNoselectForm.size());
        } else {
            continue;
        }
        folder.name = readName(line);
        folder.level = static_cast<int>(std::count(folder.name.begin(), folder.name.end(), kHierarchyDelimiter));
        std::size_t last = folder.name.rfind(kHierarchyDelimiter);
        folder.label = last == std::string::npos ? folder.name : folder.name.substr(last + 1);
        folders.push_back(std::move(folder));
    }
    return folders;
}

std::vector<FolderTreeItem> BuildFolderTree(const std::vector<FolderLine>& lines, const FolderNames& names,
                                            std::string rootLabel) {
    std::vector<FolderTreeItem> items;
    items.push_back({-1, std::move(rootLabel), {}, 1, true, 0});
    int parent = 0;
    int previous = 0;
    int level = 0;
    for (const FolderLine& line : lines) {
        if (line.level == level + 1) {
            parent = previous;
        } else if (line.level < level) {
            for (int up = level - line.level; up > 0 && parent > 0; --up) parent = items[static_cast<std::size_t>(parent)].parent;
        }
        // At the same level the item is a sibling; more than one level deeper, it joins the
        // current parent all the same.
        FolderTreeItem item;
        item.parent = parent;
        item.path = line.name;
        item.selectable = line.selectable;
        item.overlay = line.selectable ? 0 : 1;
        if (line.level == 0) {
            item.label = names.TopLevelToDisplay(line.label);
            item.picture = names.PictureOf(item.label);
        } else {
            item.label = line.label;
        }
        items.push_back(std::move(item));
        previous = static_cast<int>(items.size()) - 1;
        level = line.level;
    }
    return items;
}

}  // namespace velor
