// The English texts of the string-table entries that the portable protocol code loads.
#pragma once

#include "velcore/protocol/StringSource.h"
#include "velcore/res/resource.h"

namespace velor::testing {

class EnglishStrings : public StringSource {
public:
    std::string Load(unsigned id) const override {
        switch (id) {
            case IDS_FOLDER_INBOX: return "Inbox";
            case IDS_FOLDER_SENT: return "Sent Items";
            case IDS_FOLDER_DELETED: return "Deleted Items";
            case IDS_FOLDER_DRAFTS: return "Drafts";
            case IDS_FOLDER_PUBLIC: return "Public Folders";
            case IDS_FOLDER_BACKUP: return "Backup Folders";
            default: return "";
        }
    }
};

}  // namespace velor::testing
