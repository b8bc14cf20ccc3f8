#include "velcore/protocol/FolderNames.h"

#include "velcore/protocol/TextConversion.h"
#include "velcore/res/resource.h"

#include <algorithm>
#include <map>

namespace velor {
namespace {

constexpr std::string_view kSelectableForm = "LSUB () \"/\" ";
constexpr std::string_view kNoselectForm = "LSUB (\\Noselect) \"/\" ";

bool isControl(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F;
}

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
    // The reply is split into lines before any name is decoded: an encoded line feed inside a
    // name must stay inside that name, not forge a line of its own.
    std::vector<std::string_view> lines;
    std::string_view rest(response);
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
        folder.name = FromWireName(readName(line));
        // A name that decodes to a control character could be neither shown nor sent back in a
        // command; it is left out and the rest of the list kept.
        if (std::any_of(folder.name.begin(), folder.name.end(), isControl)) continue;
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
    // Each folder goes under its nearest ancestor path already in the tree, the root when there is
    // none. Nesting by level alone would put a folder whose parent is not subscribed under
    // whatever row came last, so a folder could appear inside a folder it does not belong to.
    std::map<std::string, int, std::less<>> itemOfPath;
    for (const FolderLine& line : lines) {
        int parent = 0;
        std::string_view ancestor(line.name);
        for (std::size_t slash = ancestor.rfind(kHierarchyDelimiter); slash != std::string_view::npos;
             slash = ancestor.rfind(kHierarchyDelimiter)) {
            ancestor = ancestor.substr(0, slash);
            auto found = itemOfPath.find(ancestor);
            if (found != itemOfPath.end()) {
                parent = found->second;
                break;
            }
        }
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
        itemOfPath.emplace(line.name, static_cast<int>(items.size()) - 1);
    }
    return items;
}

}  // namespace velor
