// Writes and loads a status file of 100,000 records and compares the times with writing and
// reading the same number of bytes through plain file calls, measured in the same run.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "contave/LIB/status_file.h"

namespace {

constexpr std::uint32_t kRecords = 100000;
constexpr std::size_t kIdLength = 28;  // the size of a typical address-book entry identifier
constexpr int kRounds = 5;
constexpr std::size_t kChunk = 64 * 1024;

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

contave::StatusFile MakeStatus() {
  contave::StatusFile status;
  for (std::uint32_t i = 0; i < kRecords; ++i) {
    std::uint8_t id[kIdLength] = {};
    for (std::size_t k = 0; k < 4; ++k) id[kIdLength - 4 + k] = static_cast<std::uint8_t>((i * 2654435761u) >> (8 * k));
    contave::StatusRecord record;
    record.entryId = contave::EntryId(id, sizeof id);
    record.serverId = static_cast<std::int32_t>(i);
    record.syncedRevision = 3;
    record.lastModification = 0x01D9000000000000ull + i;
    status.Insert(std::move(record));
  }
  return status;
}

// The plain calls: the same bytes, written in the same chunks, flushed to the disk likewise.
void PlainWrite(const std::string& path, const std::vector<char>& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  for (std::size_t at = 0; at < bytes.size(); at += kChunk) {
    const std::size_t n = std::min(kChunk, bytes.size() - at);
    if (::write(fd, bytes.data() + at, n) != static_cast<ssize_t>(n)) std::perror("write");
  }
  ::fsync(fd);
  ::close(fd);
}

std::size_t PlainRead(const std::string& path) {
  std::vector<char> buffer(kChunk);
  const int fd = ::open(path.c_str(), O_RDONLY);
  std::size_t total = 0;
  for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;) total += static_cast<std::size_t>(n);
  ::close(fd);
  return total;
}

}  // namespace

int main() {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "contave-status-bench";
  std::filesystem::create_directories(folder);
  const std::string statusPath = (folder / "BENCH.CTV").string();
  const std::string plainPath = (folder / "plain.bin").string();
  contave::SilentProgress progress;
  contave::FileSystem& files = contave::PlatformFileSystem();
  const contave::StatusFile status = MakeStatus();

  std::vector<double> write, load, plainWrite, plainRead;
  std::size_t bytes = 0;
  for (int round = 0; round < kRounds; ++round) {
    auto start = Clock::now();
    if (status.Write(statusPath, "fn=Contacts,fn=Personal,fn=ContactRoot", false, files, progress) != contave::kOk)
      return 1;
    write.push_back(Milliseconds(Clock::now() - start));

    start = Clock::now();
    contave::StatusFile loaded;
    if (loaded.Load(statusPath, files, progress) != contave::kOk || loaded.Records().size() != kRecords) return 1;
    load.push_back(Milliseconds(Clock::now() - start));

    bytes = std::filesystem::file_size(statusPath);
    const std::vector<char> same(bytes, 'x');
    start = Clock::now();
    PlainWrite(plainPath, same);
    plainWrite.push_back(Milliseconds(Clock::now() - start));

    start = Clock::now();
    if (PlainRead(plainPath) != bytes) return 1;
    plainRead.push_back(Milliseconds(Clock::now() - start));
  }
  std::filesystem::remove_all(folder);

  const double w = Median(write), l = Median(load), pw = Median(plainWrite), pr = Median(plainRead);
  std::printf("status file: %u records, %zu bytes; median of %d rounds\n", kRecords, bytes, kRounds);
  std::printf("write  %8.2f ms   plain write+fsync %8.2f ms   ratio %5.2f\n", w, pw, w / pw);
  std::printf("load   %8.2f ms   plain read        %8.2f ms   ratio %5.2f\n", l, pr, l / pr);
  return 0;
}
