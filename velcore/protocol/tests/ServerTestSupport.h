// What the ACL, mapping and script tests share: an account, a prompts double that records what
// the user was shown, and ACL lists built from short descriptions.
#pragma once

#include "shared/AccountSettings.h"
#include "shared/ServerRecords.h"
#include "velcore/protocol/SessionPrompts.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace velor::testing {

struct RecordingPrompts : SessionPrompts {
    std::vector<std::string> shown;
    bool acceptLogon = false;  // the dialog's answer after a refused password: OK with the same text

    void CapabilityMissing(const char* capability) override { shown.push_back(std::string("137 ") + capability); }
    void SpaNotSupported() override { shown.push_back("1100"); }
    void PasswordRefused() override { shown.push_back("135"); }
    bool AskLogon(LogonRecord&) override {
        shown.push_back("4100");
        return acceptLogon;
    }
};

inline AccountSettings TestAccount() {
    AccountSettings a;
    a.host = "mail.example.com";
    a.user = "anna";
    a.password = "secret";
    return a;
}

inline constexpr char kGreeting[] = "* OK Velor MailServer ready\r\n";
inline constexpr char kAclGreeting[] = "* OK ready\r\n";
inline constexpr char kAclCapability[] = "* CAPABILITY IMAP4rev1 ACL\r\nA000 OK done\r\n";
inline constexpr char kTaggedOk[] = "A000 OK done\r\n";

// An ACL list that frees itself.
struct OwnedAcl {
    AclList list{};
    OwnedAcl() = default;
    OwnedAcl(const OwnedAcl&) = delete;
    OwnedAcl& operator=(const OwnedAcl&) = delete;
    ~OwnedAcl() { AclListClear(list); }

    void add(const char* identifier, const char* rights, std::uint32_t kind, std::uint16_t mask = 0) {
        AclEntry e{};
        std::strncpy(e.identifier, identifier, sizeof e.identifier - 1);
        std::strncpy(e.rights, rights, sizeof e.rights - 1);
        e.kind = kind;
        e.mask = mask;
        AclListAppend(list, e);
    }

    // "identifier/rights/kind/mask" per entry, mask in hexadecimal.
    std::vector<std::string> describe() const {
        std::vector<std::string> out;
        char mask[8];
        for (std::uint32_t i = 0; i < list.count; ++i) {
            const AclEntry& e = list.entries[i];
            std::snprintf(mask, sizeof mask, "%x", e.mask);
            out.push_back(std::string(e.identifier) + "/" + e.rights + "/" + std::to_string(e.kind) + "/" + mask);
        }
        return out;
    }
};

}  // namespace velor::testing
