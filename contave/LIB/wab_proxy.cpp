// WABPROXY over the address book's MAPI-style interfaces.
#include <initguid.h>
#include <wab.h>

#include "contave/LIB/wab_proxy.h"

#include <array>
#include <string>
#include <vector>

#include "contave/LIB/internal_failure.h"
#include "contave/LIB/mapi_tags.h"
#include "contave/LIB/md5.h"

namespace contave {

struct WabSession {
  HMODULE library = nullptr;
  IAddrBook* book = nullptr;
  IWABObject* wab = nullptr;

  ~WabSession() {
    if (book != nullptr) book->Release();
    if (wab != nullptr) wab->Release();
    if (library != nullptr) FreeLibrary(library);
  }
  void Free(void* buffer) const {
    if (buffer != nullptr) wab->FreeBuffer(buffer);
  }
};

namespace {

// ERROR_CANTREAD: the registry value is there but is not a path.
constexpr Status kNotAPath = MakeStatus(0x800703F4);

Status LastSystemError() {
  const DWORD error = GetLastError();
  return error == 0 ? kFail : SystemStatus(static_cast<std::int32_t>(error));
}

// Releases a COM object at the end of a scope.
template <typename T>
class Held {
 public:
  Held() = default;
  explicit Held(T* object) : object_(object) {}
  ~Held() { Reset(); }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  T* get() const { return object_; }
  T* operator->() const { return object_; }
  T* release() {
    T* object = object_;
    object_ = nullptr;
    return object;
  }
  void Reset() {
    if (object_ != nullptr) object_->Release();
    object_ = nullptr;
  }
  LPUNKNOWN* PutUnknown() {
    Reset();
    return reinterpret_cast<LPUNKNOWN*>(&object_);
  }
  T** Put() {
    Reset();
    return &object_;
  }

 private:
  T* object_ = nullptr;
};

// A row set from QueryRows, freed as the address book asks.
class Rows {
 public:
  explicit Rows(const WabSession& session) : session_(session) {}
  ~Rows() { Free(); }
  Rows(const Rows&) = delete;
  Rows& operator=(const Rows&) = delete;
  SRowSet** Put() {
    Free();
    return &rows_;
  }
  SRowSet* get() const { return rows_; }

 private:
  void Free() {
    if (rows_ == nullptr) return;
    for (ULONG i = 0; i < rows_->cRows; ++i) session_.Free(rows_->aRow[i].lpProps);
    session_.Free(rows_);
    rows_ = nullptr;
  }
  const WabSession& session_;
  SRowSet* rows_ = nullptr;
};

template <std::size_t N>
struct TagArray {
  ULONG cValues = N;
  ULONG aulPropTag[N];
  SPropTagArray* get() { return reinterpret_cast<SPropTagArray*>(this); }
};

// The table's row with the columns set; an unexpected layout breaks what the engine relies on.
void CheckColumns(const SRow& row, const ULONG* tags, ULONG count) {
  if (row.cValues != count) CONTAVE_INTERNAL_FAILURE(module::kWabproxy, kUnexpected);
  for (ULONG i = 0; i < count; ++i) {
    const ULONG tag = row.lpProps[i].ulPropTag;
    if (tag != tags[i] && PROP_ID(tag) != PROP_ID(tags[i])) CONTAVE_INTERNAL_FAILURE(module::kWabproxy, kUnexpected);
  }
}

std::vector<std::uint8_t> BytesOf(const SPropValue& value) {
  if (PROP_TYPE(value.ulPropTag) != PT_BINARY || value.Value.bin.lpb == nullptr) return {};
  return std::vector<std::uint8_t>(value.Value.bin.lpb, value.Value.bin.lpb + value.Value.bin.cb);
}

// Folder names are compared as Windows compares them without regard to case, in the local code
// page, so names with letters beyond ASCII match too.
bool SameFolderName(const char* a, const std::string& b) {
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a, -1, b.c_str(), -1) == CSTR_EQUAL;
}

Status OpenRoot(const WabSession& session, Held<IABContainer>& root) {
  ULONG type = 0;
  HRESULT hr = session.book->OpenEntry(0, nullptr, &IID_IABContainer, 0, &type, root.PutUnknown());
  if (FAILED(hr)) return hr;
  if (type != MAPI_ABCONT) CONTAVE_INTERNAL_FAILURE(module::kWabproxy, kUnexpected);
  return kOk;
}

constexpr ULONG kHierarchyColumns[] = {PR_ENTRYID, PR_OBJECT_TYPE, PR_DISPLAY_NAME_A, PR_INSTANCE_KEY};

// Calls visit(entry id, display name) for each folder of the address book, in table order, until
// it returns false.
template <typename Visit>
Status ForEachFolder(const WabSession& session, Visit visit) {
  Held<IABContainer> root;
  if (Status status = OpenRoot(session, root); Failed(status)) return status;
  Held<IMAPITable> table;
  HRESULT hr = root->GetHierarchyTable(WAB_LOCAL_CONTAINERS, table.Put());
  if (FAILED(hr)) return hr;
  TagArray<4> columns;
  std::copy(std::begin(kHierarchyColumns), std::end(kHierarchyColumns), columns.aulPropTag);
  if (hr = table->SetColumns(columns.get(), 0); FAILED(hr)) return hr;
  for (;;) {
    Rows rows(session);
    if (hr = table->QueryRows(1, 0, rows.Put()); FAILED(hr)) return hr;
    if (rows.get() == nullptr || rows.get()->cRows == 0) return kOk;
    const SRow& row = rows.get()->aRow[0];
    CheckColumns(row, kHierarchyColumns, 4);
    if (PROP_TYPE(row.lpProps[1].ulPropTag) != PT_LONG || row.lpProps[1].Value.l != MAPI_ABCONT) continue;
    const char* name = PROP_TYPE(row.lpProps[2].ulPropTag) == PT_STRING8 ? row.lpProps[2].Value.lpszA : "";
    if (!visit(BytesOf(row.lpProps[0]), name)) return kOk;
  }
}

// One opened mail user: values set on it reach the address book with Save.
class WabContact final : public StoredContact {
 public:
  WabContact(std::shared_ptr<WabSession> session, IMAPIProp* object) : session_(std::move(session)), object_(object) {}
  ~WabContact() override { object_->Release(); }

  Status Get(std::uint32_t tag, PropertyValue& value) override {
    TagArray<1> tags;
    tags.aulPropTag[0] = tag;
    ULONG count = 0;
    SPropValue* values = nullptr;
    HRESULT hr = object_->GetProps(tags.get(), 0, &count, &values);
    if (FAILED(hr)) return hr;
    Status status = kOk;
    if (values == nullptr || count != 1) {
      status = kMapiNotFound;
    } else if (PROP_TYPE(values[0].ulPropTag) == PT_ERROR) {
      status = values[0].Value.err == MAPI_E_NOT_FOUND || hr == MAPI_W_ERRORS_RETURNED ? kMapiNotFound
                                                                                     : values[0].Value.err;
    } else {
      value.tag = values[0].ulPropTag;
      switch (PROP_TYPE(values[0].ulPropTag)) {
        case PT_STRING8:
          value.value = std::string(values[0].Value.lpszA ? values[0].Value.lpszA : "");
          break;
        case PT_MV_STRING8: {
          std::vector<std::string> list;
          for (ULONG i = 0; i < values[0].Value.MVszA.cValues; ++i) {
            const char* text = values[0].Value.MVszA.lppszA[i];
            list.emplace_back(text ? text : "");
          }
          value.value = std::move(list);
          break;
        }
        case PT_LONG:
          value.value = static_cast<std::int32_t>(values[0].Value.l);
          break;
        default:
          status = kMapiInvalidType;
      }
    }
    session_->Free(values);
    return status;
  }

  Status Set(std::span<const PropertyValue> values) override {
    std::vector<SPropValue> props(values.size());
    std::vector<std::vector<LPSTR>> lists;
    lists.reserve(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
      SPropValue& prop = props[i];
      prop.ulPropTag = values[i].tag;
      if (const auto* text = std::get_if<std::string>(&values[i].value)) {
        if (PROP_TYPE(values[i].tag) != PT_STRING8) CONTAVE_INTERNAL_FAILURE(module::kWabproxy, kInvalidArg);
        prop.Value.lpszA = const_cast<LPSTR>(text->c_str());
      } else if (const auto* list = std::get_if<std::vector<std::string>>(&values[i].value)) {
        if (PROP_TYPE(values[i].tag) != PT_MV_STRING8) CONTAVE_INTERNAL_FAILURE(module::kWabproxy, kInvalidArg);
        std::vector<LPSTR>& pointers = lists.emplace_back();
        for (const std::string& item : *list) pointers.push_back(const_cast<LPSTR>(item.c_str()));
        prop.Value.MVszA.cValues = static_cast<ULONG>(pointers.size());
        prop.Value.MVszA.lppszA = pointers.data();
      } else {
        if (PROP_TYPE(values[i].tag) != PT_LONG) CONTAVE_INTERNAL_FAILURE(module::kWabproxy, kInvalidArg);
        prop.Value.l = std::get<std::int32_t>(values[i].value);
      }
    }
    SPropProblemArray* problems = nullptr;
    HRESULT hr = object_->SetProps(static_cast<ULONG>(props.size()), props.data(), &problems);
    return Problems(hr, problems);
  }

  Status Delete(std::span<const std::uint32_t> tags) override {
    std::vector<ULONG> block(tags.size() + 1);
    block[0] = static_cast<ULONG>(tags.size());
    std::copy(tags.begin(), tags.end(), block.begin() + 1);
    SPropProblemArray* problems = nullptr;
    HRESULT hr = object_->DeleteProps(reinterpret_cast<SPropTagArray*>(block.data()), &problems);
    return Problems(hr, problems);
  }

  Status Save() override { return object_->SaveChanges(KEEP_OPEN_READWRITE); }

  Status Stamp(EntryId& entryId, std::uint64_t& lastModification) override {
    TagArray<2> tags;
    tags.aulPropTag[0] = PR_ENTRYID;
    tags.aulPropTag[1] = PR_LAST_MODIFICATION_TIME;
    ULONG count = 0;
    SPropValue* values = nullptr;
    HRESULT hr = object_->GetProps(tags.get(), 0, &count, &values);
    if (FAILED(hr)) return hr;
    Status status = kOk;
    if (values == nullptr || count != 2 || PROP_TYPE(values[0].ulPropTag) != PT_BINARY ||
        PROP_TYPE(values[1].ulPropTag) != PT_SYSTIME) {
      status = kMapiNotFound;
    } else {
      entryId = EntryId(values[0].Value.bin.lpb, values[0].Value.bin.cb);
      lastModification = (static_cast<std::uint64_t>(values[1].Value.ft.dwHighDateTime) << 32) |
                         values[1].Value.ft.dwLowDateTime;
    }
    session_->Free(values);
    return status;
  }

 private:
  // Deleting a property the contact does not have is no error; any other problem is.
  Status Problems(HRESULT hr, SPropProblemArray* problems) {
    Status status = FAILED(hr) ? hr : kOk;
    if (problems != nullptr) {
      for (ULONG i = 0; i < problems->cProblem && !Failed(status); ++i) {
        if (problems->aProblem[i].scode != MAPI_E_NOT_FOUND) status = problems->aProblem[i].scode;
      }
      session_->Free(problems);
    }
    return status;
  }

  std::shared_ptr<WabSession> session_;
  IMAPIProp* object_;
};

}  // namespace

Status AddressBook::Load(LoadStep* failedStep) {
  if (Loaded()) CONTAVE_INTERNAL_FAILURE(module::kWabproxy, kUnexpected);
  if (failedStep != nullptr) *failedStep = LoadStep::kLibrary;
  HKEY key = nullptr;
  LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kWabDllPathKey, 0, KEY_READ, &key);
  if (result != ERROR_SUCCESS) return SystemStatus(result);
  char path[MAX_PATH + 1] = {};
  DWORD size = MAX_PATH;
  DWORD type = 0;
  result = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(path), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) return SystemStatus(result);
  if (type != REG_SZ) return kNotAPath;

  auto session = std::make_shared<WabSession>();
  session->library = LoadLibraryA(path);
  if (session->library == nullptr) return LastSystemError();
  auto open = reinterpret_cast<LPWABOPEN>(reinterpret_cast<void*>(GetProcAddress(session->library, "WABOpen")));
  if (open == nullptr) return LastSystemError();  // the session frees the library
  if (failedStep != nullptr) *failedStep = LoadStep::kOpen;
  WAB_PARAM parameters{};
  parameters.cbSize = sizeof parameters;
  parameters.ulFlags = WAB_ENABLE_PROFILES;
  HRESULT hr = open(&session->book, &session->wab, &parameters, 0);
  if (FAILED(hr)) return hr;
  if (session->book == nullptr || session->wab == nullptr) return kUnexpected;
  session_ = std::move(session);
  return kOk;
}

void AddressBook::Unload() { session_.reset(); }

Status AddressBook::ListFolders(std::vector<std::string>& names, std::vector<std::string>& digests) {
  if (!Loaded()) CONTAVE_INTERNAL_FAILURE(module::kWabproxy, kUnexpected);
  names.clear();
  digests.clear();
  return ForEachFolder(*session_, [&](const std::vector<std::uint8_t>& id, const char* name) {
    names.emplace_back(name);
    digests.push_back(Md5Hex(Md5Of(id.data(), id.size())));
    return true;
  });
}

Status AddressBook::OpenFolder(const std::string& name, std::unique_ptr<AddressBookFolder>& folder) {
  if (!Loaded()) CONTAVE_INTERNAL_FAILURE(module::kWabproxy, kUnexpected);
  std::vector<std::uint8_t> found;
  bool any = false;
  Status status = ForEachFolder(*session_, [&](const std::vector<std::uint8_t>& id, const char* folderName) {
    if (!SameFolderName(folderName, name)) return true;
    found = id;
    any = true;
    return false;
  });
  if (Failed(status)) return status;
  if (!any || found.empty()) return kCveNoWabFolder;
  Held<IABContainer> container;
  ULONG type = 0;
  HRESULT hr = session_->book->OpenEntry(static_cast<ULONG>(found.size()), reinterpret_cast<LPENTRYID>(found.data()),
                                         &IID_IABContainer, MAPI_MODIFY, &type, container.PutUnknown());
  if (FAILED(hr)) return hr;
  if (type != MAPI_ABCONT) CONTAVE_INTERNAL_FAILURE(module::kWabproxy, kUnexpected);
  folder = std::make_unique<AddressBookFolder>(session_, container.release(), EntryId(found.data(), found.size()));
  return kOk;
}

AddressBookFolder::AddressBookFolder(std::shared_ptr<WabSession> session, IABContainer* container, EntryId id)
    : session_(std::move(session)), container_(container), id_(std::move(id)) {}

AddressBookFolder::~AddressBookFolder() {
  CloseContents();
  container_->Release();
}

void AddressBookFolder::CloseContents() {
  if (contents_ != nullptr) contents_->Release();
  contents_ = nullptr;
}

namespace {
constexpr ULONG kContentsColumns[] = {PR_ENTRYID, PR_INSTANCE_KEY, PR_OBJECT_TYPE};
}

Status AddressBookFolder::OpenContents(std::uint32_t& rowCount) {
  CloseContents();
  rowCount = 0;
  HRESULT hr = container_->GetContentsTable(0, &contents_);
  if (hr == MAPI_E_NOT_FOUND) {
    contents_ = nullptr;
    return kMapiNotFound;
  }
  if (FAILED(hr)) {
    contents_ = nullptr;
    return hr;
  }
  TagArray<3> columns;
  std::copy(std::begin(kContentsColumns), std::end(kContentsColumns), columns.aulPropTag);
  ULONG count = 0;
  if (hr = contents_->SetColumns(columns.get(), 0); SUCCEEDED(hr)) hr = contents_->GetRowCount(0, &count);
  if (SUCCEEDED(hr)) hr = contents_->SeekRow(BOOKMARK_BEGINNING, 0, nullptr);
  if (FAILED(hr)) {
    CloseContents();
    return hr;
  }
  rowCount = count;
  return kOk;
}

Status AddressBookFolder::NextRow(ContentsRow& row, bool& end) {
  if (contents_ == nullptr) CONTAVE_INTERNAL_FAILURE(module::kWabproxy, kUnexpected);
  Rows rows(*session_);
  HRESULT hr = contents_->QueryRows(1, 0, rows.Put());
  if (FAILED(hr)) return hr;
  end = rows.get() == nullptr || rows.get()->cRows == 0;
  if (end) {
    CloseContents();
    return kOk;
  }
  const SRow& found = rows.get()->aRow[0];
  CheckColumns(found, kContentsColumns, 3);
  row.entryId = BytesOf(found.lpProps[0]);
  row.instanceKey = BytesOf(found.lpProps[1]);
  row.objectType = PROP_TYPE(found.lpProps[2].ulPropTag) == PT_LONG ? found.lpProps[2].Value.l : 0;
  return kOk;
}

Status AddressBookFolder::OpenContact(const EntryId& entryId, std::unique_ptr<StoredContact>& contact) {
  Held<IMailUser> user;
  ULONG type = 0;
  HRESULT hr = session_->book->OpenEntry(static_cast<ULONG>(entryId.Size()),
                                         reinterpret_cast<LPENTRYID>(const_cast<std::uint8_t*>(entryId.Data())),
                                         &IID_IMailUser, MAPI_MODIFY, &type, user.PutUnknown());
  if (FAILED(hr)) return hr;
  // Another kind of entry under a contact's identifier is data the engine cannot use.
  if (type != MAPI_MAILUSER) return MAPI_E_INVALID_OBJECT;
  contact = std::make_unique<WabContact>(session_, user.release());
  return kOk;
}

Status AddressBookFolder::CreateContact(std::unique_ptr<StoredContact>& contact) {
  TagArray<1> tags;
  tags.aulPropTag[0] = PR_DEF_CREATE_MAILUSER;
  ULONG count = 0;
  SPropValue* values = nullptr;
  HRESULT hr = container_->GetProps(tags.get(), 0, &count, &values);
  if (FAILED(hr)) return hr;
  if (values == nullptr || count != 1 || PROP_TYPE(values[0].ulPropTag) != PT_BINARY) {
    const Status status = values != nullptr && PROP_TYPE(values[0].ulPropTag) == PT_ERROR ? values[0].Value.err
                                                                                           : kMapiNotFound;
    session_->Free(values);
    return status;
  }
  Held<IMAPIProp> created;
  hr = container_->CreateEntry(values[0].Value.bin.cb, reinterpret_cast<LPENTRYID>(values[0].Value.bin.lpb),
                               CREATE_REPLACE, created.Put());
  session_->Free(values);
  if (FAILED(hr)) return hr;
  contact = std::make_unique<WabContact>(session_, created.release());
  return kOk;
}

Status AddressBookFolder::DeleteContact(const EntryId& entryId) {
  SBinary binary{static_cast<ULONG>(entryId.Size()), const_cast<LPBYTE>(entryId.Data())};
  ENTRYLIST list{1, &binary};
  return container_->DeleteEntries(&list, 0);
}

Status WabFolders::Open(const std::string& name, std::unique_ptr<AddressBookStore>& folder, EntryId& folderId) {
  std::unique_ptr<AddressBookFolder> opened;
  if (Status status = book_.OpenFolder(name, opened); Failed(status)) return status;
  folderId = opened->Id();
  folder = std::move(opened);
  return kOk;
}

}  // namespace contave
