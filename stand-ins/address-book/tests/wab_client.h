// What the address book tests share: a scratch registry and store file per test, and a client
// that finds the address book as programs do, through HKLM\Software\Microsoft\WAB\DLLPath and
// GetProcAddress(..., "WABOpen"), then speaks only the platform interfaces of <wab.h>.
#pragma once

#include <windows.h>
#include <wab.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

// Holds one reference to an interface and releases it.
template <class T>
class Ref {
 public:
  Ref() = default;
  explicit Ref(T* p) : p_(p) {}
  ~Ref() { Reset(); }
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  Ref(Ref&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
  Ref& operator=(Ref&& other) noexcept {
    if (this != &other) {
      Reset();
      p_ = other.p_;
      other.p_ = nullptr;
    }
    return *this;
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  T** put() {
    Reset();
    return &p_;
  }
  void Reset() {
    if (p_) p_->Release();
    p_ = nullptr;
  }

 private:
  T* p_ = nullptr;
};

// HKLM and HKCU of the test process point into a scratch key while it lives, so nothing the
// test or the address book writes reaches the prefix's registry; it removes the key afterwards.
class ScratchRegistry {
 public:
  ScratchRegistry();
  ~ScratchRegistry();

 private:
  std::string name_;
  HKEY parent_ = nullptr;
  HKEY machine_ = nullptr;
  HKEY user_ = nullptr;
};

void SetDefaultValue(HKEY root, const char* path, const std::string& value);
void SetTextValue(HKEY root, const char* path, const char* name, const std::string& value);

// A row of a table as tag -> value, with strings and binaries as std::string.
struct Cell {
  ULONG tag = 0;
  LONG number = 0;
  SCODE error = 0;
  std::string bytes;
  FILETIME time{};
};
using Row = std::map<ULONG, Cell>;  // by property id

class WabTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Loads the library named by the registry and calls WABOpen.
  HRESULT Open(ULONG flags = WAB_ENABLE_PROFILES);
  void Close();

  Ref<IABContainer> OpenContainer(const std::string& entryId, ULONG flags = MAPI_MODIFY);
  Ref<IABContainer> OpenRoot();
  Ref<IABContainer> OpenFolder(const std::string& name);  // by display name, from the hierarchy
  std::string FolderId(const std::string& name);
  Ref<IMailUser> OpenUser(const std::string& entryId, ULONG flags = MAPI_MODIFY);

  // Creates a mail user with these properties the way a synchroniser does: CreateEntry with the
  // container's template and CREATE_REPLACE, SetProps, SaveChanges. Returns its entry id.
  std::string CreateUser(IABContainer* container, std::vector<SPropValue> props);

  std::vector<Row> ReadTable(IMAPITable* table, const std::vector<ULONG>& columns);
  std::vector<Row> Hierarchy(ULONG flags);
  std::vector<Row> Contents(IABContainer* container, const std::vector<ULONG>& columns);

  // One property of an object: S_OK with its value, or the error it came back with.
  HRESULT GetOne(IMAPIProp* object, ULONG tag, Cell* cell);

  void FreeRows(SRowSet* rows);

  ScratchRegistry* registry_ = nullptr;
  std::string storePath_;
  HMODULE library_ = nullptr;
  LPADRBOOK book_ = nullptr;
  LPWABOBJECT wab_ = nullptr;
};

SPropValue LongProp(ULONG tag, LONG value);
SPropValue StringProp(ULONG tag, const char* value);
SPropValue ListProp(ULONG tag, std::vector<LPSTR>& values);
std::string BinaryOf(const SBinary& bin);
ULONGLONG TimeOf(const Cell& cell);
std::string StandInDllPath();
LPWABOPEN FindWabOpen(HMODULE library);
