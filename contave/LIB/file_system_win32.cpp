// The status files through the Win32 file calls.
#include <windows.h>

#include "contave/LIB/file_system.h"

namespace contave {
namespace {

Status LastError() { return SystemStatus(static_cast<std::int32_t>(GetLastError())); }

// ReadFile and WriteFile take 32-bit sizes; larger requests go in pieces.
constexpr std::size_t kMaxChunk = 1u << 30;

class Win32Input final : public InputFile {
 public:
  explicit Win32Input(HANDLE handle) : handle_(handle) {}
  ~Win32Input() override { CloseHandle(handle_); }

  Status Read(void* buffer, std::size_t size, std::size_t& got) override {
    got = 0;
    auto* bytes = static_cast<char*>(buffer);
    while (got < size) {
      const std::size_t want = size - got < kMaxChunk ? size - got : kMaxChunk;
      DWORD n = 0;
      if (!ReadFile(handle_, bytes + got, static_cast<DWORD>(want), &n, nullptr)) return LastError();
      if (n == 0) break;
      got += n;
    }
    return kOk;
  }

 private:
  HANDLE handle_;
};

class Win32Output final : public OutputFile {
 public:
  explicit Win32Output(HANDLE handle) : handle_(handle) {}
  ~Win32Output() override {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }

  Status Write(const void* data, std::size_t size) override {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
      const std::size_t chunk = size < kMaxChunk ? size : kMaxChunk;
      DWORD n = 0;
      if (!WriteFile(handle_, bytes, static_cast<DWORD>(chunk), &n, nullptr)) return LastError();
      if (n == 0) return SystemStatus(kErrorDiskFull);
      bytes += n;
      size -= n;
    }
    return kOk;
  }

  Status Flush() override { return FlushFileBuffers(handle_) ? kOk : LastError(); }

  Status Close() override {
    HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return CloseHandle(handle) ? kOk : LastError();
  }

 private:
  HANDLE handle_;
};

class Win32FileSystem final : public FileSystem {
 public:
  Status OpenRead(const std::string& path, std::unique_ptr<InputFile>& file) override {
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return LastError();
    file = std::make_unique<Win32Input>(handle);
    return kOk;
  }

  Status Create(const std::string& path, std::unique_ptr<OutputFile>& file) override {
    // Exclusive while it is written: nobody reads a half-written status.
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return LastError();
    file = std::make_unique<Win32Output>(handle);
    return kOk;
  }

  Status Replace(const std::string& source, const std::string& target) override {
    return MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? kOk
                                                                                                          : LastError();
  }

  Status Remove(const std::string& path) override { return DeleteFileA(path.c_str()) ? kOk : LastError(); }
};

}  // namespace

FileSystem& PlatformFileSystem() {
  static Win32FileSystem fileSystem;
  return fileSystem;
}

}  // namespace contave
