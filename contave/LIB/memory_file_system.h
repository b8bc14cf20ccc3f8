// Files held in memory: for tests and the fuzz target, which read and write status files
// without touching the disk.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "contave/LIB/file_system.h"

namespace contave {

class MemoryFileSystem final : public FileSystem {
 public:
  using Bytes = std::vector<std::uint8_t>;

  void Put(const std::string& path, Bytes contents) { files_[path] = std::move(contents); }
  bool Exists(const std::string& path) const { return files_.count(path) != 0; }
  // The contents of an existing file (an empty list for a missing one).
  const Bytes& Contents(const std::string& path) const;
  std::size_t FileCount() const { return files_.size(); }

  Status OpenRead(const std::string& path, std::unique_ptr<InputFile>& file) override;
  Status Create(const std::string& path, std::unique_ptr<OutputFile>& file) override;
  Status Replace(const std::string& source, const std::string& target) override;
  Status Remove(const std::string& path) override;

 private:
  std::map<std::string, Bytes> files_;
};

}  // namespace contave
