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
            case IDS_CERTIFICATE_UNTRUSTED: return "The identity of this server cannot be verified.";
            case IDS_CERTIFICATE_CHANGED: return "WARNING: this server's certificate has changed.";
            case IDS_CERTIFICATE_UNKNOWN_ISSUER: return "The certificate is not issued by a trusted certification authority.";
            case IDS_CERTIFICATE_EXPIRED: return "The certificate has expired or is not yet valid.";
            case IDS_CERTIFICATE_WRONG_NAME: return "The certificate is issued for a different server name.";
            case IDS_CERTIFICATE_OTHER: return "The certificate cannot be used (error 0x%08X).";
            default: return "";
        }
    }
};

}  // namespace velor::testing
