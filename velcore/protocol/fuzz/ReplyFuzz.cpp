// Feeds arbitrary server bytes, cut into reads at places the input chooses, through the reply
// reader and on to the folder-list reader and the folder-name conversions: whatever a server
// sends must end in a result, never in a crash, a hang or a read past the data.
#include "velcore/protocol/FolderNames.h"
#include "velcore/protocol/ReplyReader.h"
#include "velcore/protocol/TextConversion.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

// The first byte of the input sets the read size (1 to 256 bytes), the rest is the reply.
class FuzzSource : public velor::imap::ByteSource {
public:
    FuzzSource(const std::uint8_t* data, std::size_t size, std::size_t chunk)
        : data_(data), size_(size), chunk_(chunk) {}
    velor::imap::ReceiveStatus Receive(std::string& buffer) override {
        if (pos_ >= size_) return velor::imap::ReceiveStatus::kClosed;
        std::size_t n = chunk_ < size_ - pos_ ? chunk_ : size_ - pos_;
        buffer.append(reinterpret_cast<const char*>(data_ + pos_), n);
        pos_ += n;
        return velor::imap::ReceiveStatus::kData;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t chunk_;
    std::size_t pos_ = 0;
};

class Names : public velor::StringSource {
public:
    std::string Load(unsigned id) const override { return "Folder" + std::to_string(id); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::size_t chunk = static_cast<std::size_t>(data[0]) + 1;
    for (bool commandSent : {false, true}) {
        FuzzSource source(data + 1, size - 1, chunk);
        std::string response;
        velor::imap::ReadReply(source, commandSent, &response);
        static const Names strings;
        static const velor::FolderNames names(strings);
        auto lines = velor::ParseFolderList(response);
        velor::BuildFolderTree(lines, names, "root");
        for (const auto& line : lines) {
            // A name read from the server goes back to it unchanged.
            std::string wire = velor::ToWireName(line.name);
            velor::FromWireName(wire);
            names.DisplayToWire(names.WireToDisplay(wire));
        }
    }
    return 0;
}
