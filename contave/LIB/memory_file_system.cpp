#include "contave/LIB/memory_file_system.h"

#include <algorithm>
#include <cstring>

namespace contave {
namespace {

class MemoryInput final : public InputFile {
 public:
  explicit MemoryInput(MemoryFileSystem::Bytes contents) : contents_(std::move(contents)) {}

  Status Read(void* buffer, std::size_t size, std::size_t& got) override {
    got = std::min(size, contents_.size() - position_);
    if (got > 0) std::memcpy(buffer, contents_.data() + position_, got);
    position_ += got;
    return kOk;
  }

 private:
  MemoryFileSystem::Bytes contents_;  // a copy: the file system may change while it is read
  std::size_t position_ = 0;
};

// Writes straight into the file system's map, as a disk file would fill while written.
class MemoryOutput final : public OutputFile {
 public:
  explicit MemoryOutput(MemoryFileSystem::Bytes& target) : target_(target) {}
  Status Write(const void* data, std::size_t size) override {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    target_.insert(target_.end(), bytes, bytes + size);
    return kOk;
  }
  Status Flush() override { return kOk; }
  Status Close() override { return kOk; }

 private:
  MemoryFileSystem::Bytes& target_;
};

}  // namespace

const MemoryFileSystem::Bytes& MemoryFileSystem::Contents(const std::string& path) const {
  static const Bytes kNone;
  const auto found = files_.find(path);
  return found == files_.end() ? kNone : found->second;
}

Status MemoryFileSystem::OpenRead(const std::string& path, std::unique_ptr<InputFile>& file) {
  const auto found = files_.find(path);
  if (found == files_.end()) return SystemStatus(kErrorFileNotFound);
  file = std::make_unique<MemoryInput>(found->second);
  return kOk;
}

Status MemoryFileSystem::Create(const std::string& path, std::unique_ptr<OutputFile>& file) {
  Bytes& target = files_[path];
  target.clear();
  file = std::make_unique<MemoryOutput>(target);
  return kOk;
}

Status MemoryFileSystem::Replace(const std::string& source, const std::string& target) {
  const auto found = files_.find(source);
  if (found == files_.end()) return SystemStatus(kErrorFileNotFound);
  Bytes contents = std::move(found->second);
  files_.erase(found);
  files_[target] = std::move(contents);
  return kOk;
}

Status MemoryFileSystem::Remove(const std::string& path) {
  return files_.erase(path) != 0 ? kOk : SystemStatus(kErrorFileNotFound);
}

}  // namespace contave
