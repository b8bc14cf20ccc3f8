// Shared pieces of the engine's tests: internal failures turned into exceptions, an address-book
// contact and a contents table in memory, and a scratch folder on disk.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "contave/LIB/contents_table.h"
#include "contave/LIB/internal_failure.h"
#include "contave/LIB/property_bag.h"

namespace contave::test {

struct InternalFailureSeen : std::runtime_error {
  InternalFailureSeen(const char* moduleName, int line, Status code)
      : std::runtime_error(moduleName), moduleName(moduleName), line(line), code(code) {}
  std::string moduleName;
  int line;
  Status code;
};

// Installs a hook that throws InternalFailureSeen for the lifetime of the object.
class CatchInternalFailures {
 public:
  CatchInternalFailures();
  ~CatchInternalFailures();

 private:
  InternalFailureHook previous_;
};

// One contact's properties in memory. A tag listed in failures fails Get with its status.
class MemoryPropertyBag final : public PropertyBag {
 public:
  Status Get(std::uint32_t tag, PropertyValue& value) override;
  Status Set(std::span<const PropertyValue> values) override;
  Status Delete(std::span<const std::uint32_t> tags) override;
  Status Save() override;

  bool Has(std::uint32_t tag) const { return properties.count(tag) != 0; }
  const std::string& String(std::uint32_t tag) const;
  const std::vector<std::string>& Strings(std::uint32_t tag) const;
  std::int32_t Long(std::uint32_t tag) const;

  std::map<std::uint32_t, PropertyValue> properties;
  std::map<std::uint32_t, Status> failures;
  int setCalls = 0;
  int deleteCalls = 0;
  int saves = 0;
  std::vector<std::size_t> setSizes;  // values per Set call
};

// A folder in memory: rows of the contents table and the stamp of each mail user.
class MemoryContentsTable final : public ContentsTable {
 public:
  void AddMailUser(std::vector<std::uint8_t> id, ContactStamp stamp);
  void AddRow(std::vector<std::uint8_t> id, std::int32_t objectType);

  Status Open(std::uint32_t& rowCount) override;
  Status Next(ContentsRow& row, bool& end) override;
  Status ReadStamp(const EntryId& contact, ContactStamp& stamp) override;

  bool noTable = false;
  Status openFailure = kOk;
  std::size_t failNextAt = SIZE_MAX;  // row index at which Next fails
  Status nextFailure = kFail;

 private:
  std::vector<ContentsRow> rows_;
  std::map<std::string, ContactStamp> stamps_;  // keyed by the identifier's bytes
  std::size_t cursor_ = 0;
};

// A fresh folder below the system's temporary folder, removed with the object.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

std::vector<std::uint8_t> ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace contave::test
