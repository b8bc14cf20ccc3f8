// Feeds arbitrary server bytes through the three readers of the server commands: the GETACL
// reply reader, the X-LISTMAP reply reader and the X-GETSCRIPT literal reader (its bytes cut
// into reads at a size the input chooses). Beyond "no crash, no hang, no read past the data":
// an ACL read from the server can always be sent back, and reads the same when it is written as
// a reply again; a mapping never holds a text that could not be sent back.
#include "velcore/protocol/AclCommands.h"
#include "velcore/protocol/ImapText.h"
#include "velcore/protocol/MappingCommands.h"
#include "velcore/protocol/ScriptReply.h"
#include "velcore/protocol/TextConversion.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

class FuzzSource : public velor::imap::ByteSource {
public:
    FuzzSource(const char* data, std::size_t size, std::size_t chunk) : data_(data), size_(size), chunk_(chunk) {}
    velor::imap::ReceiveStatus Receive(std::string& buffer) override {
        if (pos_ >= size_) return velor::imap::ReceiveStatus::kClosed;
        std::size_t n = chunk_ < size_ - pos_ ? chunk_ : size_ - pos_;
        buffer.append(data_ + pos_, n);
        pos_ += n;
        return velor::imap::ReceiveStatus::kData;
    }

private:
    const char* data_;
    std::size_t size_;
    std::size_t chunk_;
    std::size_t pos_ = 0;
};

class Names : public velor::StringSource {
public:
    std::string Load(unsigned id) const override { return "Folder" + std::to_string(id); }
};

void check(bool condition) {
    if (!condition) std::abort();
}

bool sendable(const std::string& text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    }
    return true;
}

void acl(std::string_view reply) {
    velor::AclList list{};
    if (velor::ParseAclReply(reply, list) == 0) {
        check(velor::AclFitsInCommands(list));
        std::string again = "ACL \"x\"";
        for (std::uint32_t i = 0; i < list.count; ++i) {
            const velor::AclEntry& e = list.entries[i];
            check(e.identifier[0] != '\0' && e.rights[0] != '\0');
            check(e.mask == velor::AclMask(e.rights));
            std::string id = e.identifier;
            if (e.kind == velor::kAclGroup) id = "[" + id + "]";
            again += " \"" + velor::imap::QuotedContent(velor::ToWireName(id)) + "\" \"" +
                     velor::imap::QuotedContent(e.rights) + "\"";
        }
        velor::RenderAcl(list, "All");
        if (list.count > 0) {
            velor::AclList reread{};
            check(velor::ParseAclReply(again, reread) == 0);
            check(reread.count == list.count);
            for (std::uint32_t i = 0; i < list.count; ++i) {
                check(std::strcmp(reread.entries[i].identifier, list.entries[i].identifier) == 0);
                check(std::strcmp(reread.entries[i].rights, list.entries[i].rights) == 0);
                // Only the reply's first pair can be the owner: when the server's first pair was
                // left out, the list's first entry reads as the owner once it leads the reply.
                check(reread.entries[i].kind == list.entries[i].kind ||
                      (i == 0 && list.entries[0].kind == velor::kAclUser && reread.entries[0].kind == velor::kAclOwner));
            }
            velor::AclListClear(reread);
        }
    } else {
        check(list.count == 0);
    }
    velor::AclListClear(list);
}

void mappings(std::string_view reply) {
    static const Names strings;
    static const velor::FolderNames names(strings);
    for (const velor::FolderMapping& m : velor::ParseMappingReply(reply, names)) {
        check(!m.folder.empty() && !m.alias.empty());
        check(sendable(m.folder.str()) && sendable(m.alias.str()));
        check(m.kind <= velor::kMappingNamespace);
    }
}

void script(const char* data, std::size_t size, std::size_t chunk) {
    FuzzSource source(data, size, chunk);
    velor::imap::ScriptReply reply;
    velor::imap::ReadScriptReply(source, reply);
    check(reply.script.size() <= size);
    check(!reply.literal || reply.scriptData);
}

}  // namespace

// The first byte sets the read size of the script reader (1 to 256 bytes); the rest is the reply.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const char* text = reinterpret_cast<const char*>(data + 1);
    std::string_view reply(text, size - 1);
    acl(reply);
    mappings(reply);
    script(text, size - 1, static_cast<std::size_t>(data[0]) + 1);
    return 0;
}
