#include <initguid.h>

#include "wab_client.h"

#include <cstdio>

namespace {

HKEY CreateKey(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                           nullptr, &key, nullptr));
  return key;
}

std::string ModuleFolder() {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder = path;
  return folder.substr(0, folder.find_last_of('\\'));
}

Cell CellOf(const SPropValue& value) {
  Cell cell;
  cell.tag = value.ulPropTag;
  switch (PROP_TYPE(value.ulPropTag)) {
    case PT_LONG: cell.number = value.Value.l; break;
    case PT_ERROR: cell.error = value.Value.err; break;
    case PT_STRING8: cell.bytes = value.Value.lpszA; break;
    case PT_BINARY: cell.bytes = BinaryOf(value.Value.bin); break;
    case PT_SYSTIME: cell.time = value.Value.ft; break;
    case PT_MV_STRING8:
      for (ULONG i = 0; i < value.Value.MVszA.cValues; ++i)
        cell.bytes += std::string(value.Value.MVszA.lppszA[i]) + ";";
      break;
    default: break;
  }
  return cell;
}

}  // namespace

LPWABOPEN FindWabOpen(HMODULE library) {
  return reinterpret_cast<LPWABOPEN>(reinterpret_cast<void*>(GetProcAddress(library, "WABOpen")));
}

std::string StandInDllPath() { return ModuleFolder() + "\\wab32stand.dll"; }

ScratchRegistry::ScratchRegistry() {
  char name[96];
  std::snprintf(name, sizeof name, "Software\\VelorTests\\wab-%lu-%lu", GetCurrentProcessId(),
                GetTickCount());
  name_ = name;
  parent_ = CreateKey(HKEY_CURRENT_USER, name_);
  machine_ = CreateKey(parent_, "machine");
  user_ = CreateKey(parent_, "user");
  EXPECT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine_));
  EXPECT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CURRENT_USER, user_));
}

ScratchRegistry::~ScratchRegistry() {
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
  RegCloseKey(user_);
  RegCloseKey(machine_);
  RegCloseKey(parent_);
  RegDeleteTreeA(HKEY_CURRENT_USER, name_.c_str());
  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\VelorTests");  // only when no other test uses it
}

void SetDefaultValue(HKEY root, const char* path, const std::string& value) {
  SetTextValue(root, path, nullptr, value);
}

void SetTextValue(HKEY root, const char* path, const char* name, const std::string& value) {
  HKEY key = CreateKey(root, path);
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, REG_SZ,
                                          reinterpret_cast<const BYTE*>(value.c_str()),
                                          static_cast<DWORD>(value.size() + 1)));
  RegCloseKey(key);
}

SPropValue LongProp(ULONG tag, LONG value) {
  SPropValue prop{};
  prop.ulPropTag = tag;
  prop.Value.l = value;
  return prop;
}

SPropValue StringProp(ULONG tag, const char* value) {
  SPropValue prop{};
  prop.ulPropTag = tag;
  prop.Value.lpszA = const_cast<LPSTR>(value);
  return prop;
}

SPropValue ListProp(ULONG tag, std::vector<LPSTR>& values) {
  SPropValue prop{};
  prop.ulPropTag = tag;
  prop.Value.MVszA.cValues = static_cast<ULONG>(values.size());
  prop.Value.MVszA.lppszA = values.data();
  return prop;
}

std::string BinaryOf(const SBinary& bin) {
  return std::string(reinterpret_cast<const char*>(bin.lpb), bin.cb);
}

ULONGLONG TimeOf(const Cell& cell) {
  return (static_cast<ULONGLONG>(cell.time.dwHighDateTime) << 32) | cell.time.dwLowDateTime;
}

void WabTest::SetUp() {
  registry_ = new ScratchRegistry();
  char folder[MAX_PATH], file[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  GetTempFileNameA(folder, "wab", 0, file);
  DeleteFileA(file);  // a new address book starts from no file at all
  storePath_ = std::string(file) + ".wab";
  SetDefaultValue(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\WAB\\DLLPath", StandInDllPath());
  SetDefaultValue(HKEY_CURRENT_USER, "Software\\Microsoft\\WAB\\WAB4\\Wab File Name", storePath_);
}

void WabTest::TearDown() {
  Close();
  delete registry_;
  DeleteFileA(storePath_.c_str());
  DeleteFileA((storePath_ + ".new").c_str());
}

HRESULT WabTest::Open(ULONG flags) {
  Close();
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\WAB\\DLLPath", 0, KEY_READ, &key) !=
      ERROR_SUCCESS)
    return E_FAIL;
  char path[261] = {};
  DWORD size = sizeof path - 1, type = 0;
  LONG rc = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(path), &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS || type != REG_SZ) return E_FAIL;
  library_ = LoadLibraryA(path);
  if (!library_) return HRESULT_FROM_WIN32(GetLastError());
  LPWABOPEN open = FindWabOpen(library_);
  if (!open) return HRESULT_FROM_WIN32(GetLastError());
  WAB_PARAM param{};
  param.cbSize = sizeof param;
  param.ulFlags = flags;
  return open(&book_, &wab_, &param, 0);
}

void WabTest::Close() {
  if (book_) book_->Release();
  if (wab_) wab_->Release();
  book_ = nullptr;
  wab_ = nullptr;
  if (library_) FreeLibrary(library_);
  library_ = nullptr;
}

Ref<IABContainer> WabTest::OpenContainer(const std::string& entryId, ULONG flags) {
  Ref<IABContainer> container;
  ULONG type = 0;
  HRESULT hr = book_->OpenEntry(static_cast<ULONG>(entryId.size()),
                                reinterpret_cast<LPENTRYID>(const_cast<char*>(entryId.data())),
                                &IID_IABContainer, flags, &type,
                                reinterpret_cast<LPUNKNOWN*>(container.put()));
  EXPECT_EQ(S_OK, hr);
  EXPECT_EQ(MAPI_ABCONT, type);
  return container;
}

Ref<IABContainer> WabTest::OpenRoot() { return OpenContainer(std::string()); }

std::string WabTest::FolderId(const std::string& name) {
  for (const Row& row : Hierarchy(WAB_LOCAL_CONTAINERS))
    if (row.at(PROP_ID(PR_DISPLAY_NAME_A)).bytes == name) return row.at(PROP_ID(PR_ENTRYID)).bytes;
  ADD_FAILURE() << "no folder " << name;
  return {};
}

Ref<IABContainer> WabTest::OpenFolder(const std::string& name) {
  return OpenContainer(FolderId(name));
}

Ref<IMailUser> WabTest::OpenUser(const std::string& entryId, ULONG flags) {
  Ref<IMailUser> user;
  ULONG type = 0;
  HRESULT hr = book_->OpenEntry(static_cast<ULONG>(entryId.size()),
                                reinterpret_cast<LPENTRYID>(const_cast<char*>(entryId.data())),
                                &IID_IMailUser, flags, &type,
                                reinterpret_cast<LPUNKNOWN*>(user.put()));
  EXPECT_EQ(S_OK, hr);
  EXPECT_EQ(MAPI_MAILUSER, type);
  return user;
}

std::string WabTest::CreateUser(IABContainer* container, std::vector<SPropValue> props) {
  Cell templateId;
  EXPECT_EQ(S_OK, GetOne(container, PR_DEF_CREATE_MAILUSER, &templateId));
  Ref<IMAPIProp> entry;
  EXPECT_EQ(S_OK, container->CreateEntry(
                      static_cast<ULONG>(templateId.bytes.size()),
                      reinterpret_cast<LPENTRYID>(templateId.bytes.data()), CREATE_REPLACE,
                      entry.put()));
  if (!entry) return {};
  if (!props.empty()) {
    LPSPropProblemArray problems = nullptr;
    EXPECT_EQ(S_OK, entry->SetProps(static_cast<ULONG>(props.size()), props.data(), &problems));
    EXPECT_EQ(nullptr, problems);
  }
  EXPECT_EQ(S_OK, entry->SaveChanges(KEEP_OPEN_READWRITE));
  Cell id;
  EXPECT_EQ(S_OK, GetOne(entry.get(), PR_ENTRYID, &id));
  return id.bytes;
}

void WabTest::FreeRows(SRowSet* rows) {
  if (!rows) return;
  for (ULONG i = 0; i < rows->cRows; ++i) wab_->FreeBuffer(rows->aRow[i].lpProps);
  wab_->FreeBuffer(rows);
}

std::vector<Row> WabTest::ReadTable(IMAPITable* table, const std::vector<ULONG>& columns) {
  std::vector<Row> rows;
  std::vector<BYTE> tagBlock(CbNewSPropTagArray(columns.size()));
  auto* tags = reinterpret_cast<SPropTagArray*>(tagBlock.data());
  tags->cValues = static_cast<ULONG>(columns.size());
  for (size_t i = 0; i < columns.size(); ++i) tags->aulPropTag[i] = columns[i];
  EXPECT_EQ(S_OK, table->SetColumns(tags, 0));
  EXPECT_EQ(S_OK, table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr));
  for (;;) {
    SRowSet* set = nullptr;
    HRESULT hr = table->QueryRows(1, 0, &set);
    EXPECT_EQ(S_OK, hr);
    if (FAILED(hr) || !set) break;
    bool end = set->cRows == 0;
    if (!end) {
      Row row;
      const SRow& r = set->aRow[0];
      EXPECT_EQ(columns.size(), r.cValues);
      for (ULONG i = 0; i < r.cValues; ++i) row[PROP_ID(r.lpProps[i].ulPropTag)] = CellOf(r.lpProps[i]);
      rows.push_back(row);
    }
    FreeRows(set);
    if (end) break;
  }
  return rows;
}

std::vector<Row> WabTest::Hierarchy(ULONG flags) {
  Ref<IABContainer> root = OpenRoot();
  Ref<IMAPITable> table;
  EXPECT_EQ(S_OK, root->GetHierarchyTable(flags, table.put()));
  if (!table) return {};
  return ReadTable(table.get(), {PR_ENTRYID, PR_OBJECT_TYPE, PR_DISPLAY_NAME_A, PR_INSTANCE_KEY});
}

std::vector<Row> WabTest::Contents(IABContainer* container, const std::vector<ULONG>& columns) {
  Ref<IMAPITable> table;
  HRESULT hr = container->GetContentsTable(0, table.put());
  if (hr == MAPI_E_NOT_FOUND) return {};
  EXPECT_EQ(S_OK, hr);
  if (!table) return {};
  return ReadTable(table.get(), columns);
}

HRESULT WabTest::GetOne(IMAPIProp* object, ULONG tag, Cell* cell) {
  SizedSPropTagArray(1, tags) = {1, {tag}};
  ULONG count = 0;
  SPropValue* values = nullptr;
  HRESULT hr = object->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &values);
  if (FAILED(hr)) return hr;
  EXPECT_EQ(1u, count);
  *cell = CellOf(values[0]);
  wab_->FreeBuffer(values);
  if (hr == MAPI_W_ERRORS_RETURNED) return cell->error;
  return hr;
}
