// The native build's files, with the system's error numbers turned into the Windows codes the
// engine and its texts know.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "contave/LIB/file_system.h"

namespace contave {
namespace {

Status ErrnoStatus(int error) {
  switch (error) {
    case ENOENT: return SystemStatus(kErrorFileNotFound);
    case ENOTDIR: return SystemStatus(kErrorPathNotFound);
    case EACCES:
    case EPERM:
    case EISDIR: return SystemStatus(kErrorAccessDenied);
    case ENOMEM: return SystemStatus(kErrorNotEnoughMemory);
    case EROFS: return SystemStatus(kErrorWriteProtect);
    case EEXIST: return SystemStatus(kErrorFileExists);
    case ENOSPC:
    case EDQUOT: return SystemStatus(kErrorDiskFull);
    case ENAMETOOLONG: return SystemStatus(kErrorFilenameExcedRange);
    default: return kFail;
  }
}

class PosixInput final : public InputFile {
 public:
  explicit PosixInput(int fd) : fd_(fd) {}
  ~PosixInput() override { ::close(fd_); }

  Status Read(void* buffer, std::size_t size, std::size_t& got) override {
    got = 0;
    auto* bytes = static_cast<char*>(buffer);
    while (got < size) {
      const ssize_t n = ::read(fd_, bytes + got, size - got);
      if (n < 0) {
        if (errno == EINTR) continue;
        return ErrnoStatus(errno);
      }
      if (n == 0) break;
      got += static_cast<std::size_t>(n);
    }
    return kOk;
  }

 private:
  int fd_;
};

class PosixOutput final : public OutputFile {
 public:
  explicit PosixOutput(int fd) : fd_(fd) {}
  ~PosixOutput() override {
    if (fd_ >= 0) ::close(fd_);
  }

  Status Write(const void* data, std::size_t size) override {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
      const ssize_t n = ::write(fd_, bytes, size);
      if (n < 0) {
        if (errno == EINTR) continue;
        return ErrnoStatus(errno);
      }
      bytes += n;
      size -= static_cast<std::size_t>(n);
    }
    return kOk;
  }

  Status Flush() override { return ::fsync(fd_) == 0 ? kOk : ErrnoStatus(errno); }

  Status Close() override {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0 ? kOk : ErrnoStatus(errno);
  }

 private:
  int fd_;
};

class PosixFileSystem final : public FileSystem {
 public:
  Status OpenRead(const std::string& path, std::unique_ptr<InputFile>& file) override {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return ErrnoStatus(errno);
    file = std::make_unique<PosixInput>(fd);
    return kOk;
  }

  Status Create(const std::string& path, std::unique_ptr<OutputFile>& file) override {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return ErrnoStatus(errno);
    file = std::make_unique<PosixOutput>(fd);
    return kOk;
  }

  Status Replace(const std::string& source, const std::string& target) override {
    return std::rename(source.c_str(), target.c_str()) == 0 ? kOk : ErrnoStatus(errno);
  }

  Status Remove(const std::string& path) override {
    return ::unlink(path.c_str()) == 0 ? kOk : ErrnoStatus(errno);
  }
};

}  // namespace

FileSystem& PlatformFileSystem() {
  static PosixFileSystem fileSystem;
  return fileSystem;
}

}  // namespace contave
