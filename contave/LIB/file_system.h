// The few file operations the status file needs, behind an interface so that the platform's
// calls can be replaced by memory or by a file system that fails on purpose.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "contave/LIB/status_codes.h"

namespace contave {

class InputFile {
 public:
  virtual ~InputFile() = default;
  // Reads up to size bytes; fewer only at the end of the file.
  virtual Status Read(void* buffer, std::size_t size, std::size_t& got) = 0;
};

class OutputFile {
 public:
  virtual ~OutputFile() = default;  // closes the file when Close was not called
  virtual Status Write(const void* data, std::size_t size) = 0;
  // Makes the bytes durable before anything relies on them.
  virtual Status Flush() = 0;
  virtual Status Close() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Opens for reading with reading shared; a missing file gives a status for which
  // IsMissingFile is true.
  virtual Status OpenRead(const std::string& path, std::unique_ptr<InputFile>& file) = 0;
  // Creates the file anew, replacing any old one.
  virtual Status Create(const std::string& path, std::unique_ptr<OutputFile>& file) = 0;
  // Puts source in the place of target in one step, target replaced when it exists.
  virtual Status Replace(const std::string& source, const std::string& target) = 0;
  virtual Status Remove(const std::string& path) = 0;
};

constexpr bool IsMissingFile(Status status) {
  return status == SystemStatus(kErrorFileNotFound) || status == SystemStatus(kErrorPathNotFound);
}

// The platform's file system.
FileSystem& PlatformFileSystem();

}  // namespace contave
