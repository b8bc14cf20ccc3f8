// Writing a status file so that the folder always has a valid one: the new status goes to a
// file beside the old one, is flushed, and only then takes the old one's place in one step.
// A crash or a full disk on the way leaves the previous status, never a torn file.
#include "contave/LIB/md5.h"
#include "contave/LIB/status_codec.h"
#include "contave/LIB/status_file.h"
#include "contave/LIB/status_format.h"

namespace contave {
namespace {

// Identifiers too long for the reader are left out: one unreadable record would make the whole
// file unreadable on the next run, while a contact without a record only counts as changed
// locally.
Status WriteContents(OutputFile& file, const StatusFile::RecordSet& records, std::int32_t count,
                     std::string_view folderDn, bool folderFlag, ProgressReporter& progress) {
  StatusWriter writer(file);
  WriteHeader(writer, count);
  WriteSession(writer, SessionBlock{Md5Of(folderDn), folderFlag});
  progress.SetRange(count);
  std::int32_t position = 0;
  const StatusRecord* next = records.empty() ? nullptr : &*records.begin();
  const StatusRecord* const last = next == nullptr ? nullptr : next + records.size();
  while (next != last) {
    // The records that fit in the buffer, encoded straight into it ...
    std::size_t room = 0, size = 0, count = 0;
    std::uint8_t* out = writer.Room(room);
    next = EncodeRecords(next, last, out, room, size, count);
    writer.Advance(size);
    position += static_cast<std::int32_t>(count);
    // ... and one that runs over its end, split there so that the file still receives whole
    // buffers.
    if (next != last) {
      WriteRecord(writer, *next++);
      ++position;
    }
    progress.SetPosition(position);
  }
  WriteEnd(writer);
  if (Status status = writer.Finish(); Failed(status)) return status;
  if (Status status = file.Flush(); Failed(status)) return status;
  return file.Close();
}

}  // namespace

Status StatusFile::Write(const std::string& path, std::string_view folderDn, bool folderFlag, FileSystem& files,
                         ProgressReporter& progress) const {
  std::string temporary = path + kStatusTempSuffix;
  // A status path may use the whole path limit; its temporary file then takes the place of the
  // extension, which keeps it in the same folder and as unique as the status file's name.
  if (temporary.size() > kStatusMaxPathLength) {
    const std::size_t dot = path.find_last_of("./\\");
    temporary = (dot != std::string::npos && path[dot] == '.' ? path.substr(0, dot) : path) + kStatusTempSuffix;
    if (temporary.size() > kStatusMaxPathLength) return SystemStatus(kErrorFilenameExcedRange);
  }
  std::unique_ptr<OutputFile> file;
  Status status = files.Create(temporary, file);
  if (!Failed(status)) {
    const auto count = static_cast<std::int32_t>(WritableCount());  // orders the records first
    status = WriteContents(*file, records_, count, folderDn, folderFlag, progress);
  }
  file.reset();  // closed before it is renamed or removed
  if (!Failed(status)) status = files.Replace(temporary, path);
  if (Failed(status)) files.Remove(temporary);
  return status;
}

}  // namespace contave
