#include "contave/LIB/tests/test_support.h"

#include <atomic>
#include <random>
#include <fstream>
#include <iterator>

namespace contave::test {
namespace {

void ThrowingHook(const char* moduleName, int line, Status code) { throw InternalFailureSeen(moduleName, line, code); }

}  // namespace

CatchInternalFailures::CatchInternalFailures() : previous_(SetInternalFailureHook(&ThrowingHook)) {}
CatchInternalFailures::~CatchInternalFailures() { SetInternalFailureHook(previous_); }

Status MemoryPropertyBag::Get(std::uint32_t tag, PropertyValue& value) {
  if (const auto failure = failures.find(tag); failure != failures.end()) return failure->second;
  const auto found = properties.find(tag);
  if (found == properties.end()) return kMapiNotFound;
  value = found->second;
  return kOk;
}

Status MemoryPropertyBag::Set(std::span<const PropertyValue> values) {
  ++setCalls;
  setSizes.push_back(values.size());
  for (const PropertyValue& value : values) properties[value.tag] = value;
  return kOk;
}

Status MemoryPropertyBag::Delete(std::span<const std::uint32_t> tags) {
  ++deleteCalls;
  for (std::uint32_t tag : tags) properties.erase(tag);
  return kOk;
}

Status MemoryPropertyBag::Save() {
  ++saves;
  return kOk;
}

const std::string& MemoryPropertyBag::String(std::uint32_t tag) const {
  return std::get<std::string>(properties.at(tag).value);
}

const std::vector<std::string>& MemoryPropertyBag::Strings(std::uint32_t tag) const {
  return std::get<std::vector<std::string>>(properties.at(tag).value);
}

std::int32_t MemoryPropertyBag::Long(std::uint32_t tag) const { return std::get<std::int32_t>(properties.at(tag).value); }

void MemoryContentsTable::AddMailUser(std::vector<std::uint8_t> id, ContactStamp stamp) {
  stamps_[std::string(id.begin(), id.end())] = stamp;
  AddRow(std::move(id), 6);
}

void MemoryContentsTable::AddRow(std::vector<std::uint8_t> id, std::int32_t objectType) {
  ContentsRow row;
  row.entryId = std::move(id);
  row.instanceKey = {static_cast<std::uint8_t>(rows_.size())};
  row.objectType = objectType;
  rows_.push_back(std::move(row));
}

Status MemoryContentsTable::Open(std::uint32_t& rowCount) {
  if (noTable) return kMapiNotFound;
  if (Failed(openFailure)) return openFailure;
  cursor_ = 0;
  rowCount = static_cast<std::uint32_t>(rows_.size());
  return kOk;
}

Status MemoryContentsTable::Next(ContentsRow& row, bool& end) {
  if (cursor_ == failNextAt) return nextFailure;
  end = cursor_ == rows_.size();
  if (!end) row = rows_[cursor_++];
  return kOk;
}

Status MemoryContentsTable::ReadStamp(const EntryId& contact, ContactStamp& stamp) {
  const auto found = stamps_.find(std::string(contact.Data(), contact.Data() + contact.Size()));
  if (found == stamps_.end()) return kMapiNotFound;
  stamp = found->second;
  return kOk;
}

ScratchFolder::ScratchFolder() {
  static std::atomic<int> counter{0};
  const auto base = std::filesystem::temp_directory_path();
  for (;;) {
    path_ = base / ("contave-lib-test-" + std::to_string(std::random_device{}()) + "-" + std::to_string(counter++));
    if (std::filesystem::create_directory(path_)) break;
  }
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace contave::test
