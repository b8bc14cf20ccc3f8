#include <initguid.h>
#include <wab.h>

#include "velcore/sharing/AddressBook_win32.h"

namespace velor {
namespace {

constexpr char kWabDllPathKey[] = "Software\\Microsoft\\WAB\\DLLPath";
constexpr ULONG kRowsPerQuery = 64;

// The address book library and the two objects WABOpen gives, released in reverse order.
class WabLibrary {
public:
    ~WabLibrary() {
        if (book) book->Release();
        if (wab) wab->Release();
        if (library) FreeLibrary(library);
    }
    bool Open() {
        char path[261] = {};
        DWORD size = sizeof path - 1;
        DWORD type = 0;
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kWabDllPathKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        LONG read = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(path), &size);
        RegCloseKey(key);
        if (read != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
        library = LoadLibraryA(path);
        if (!library) return false;
        auto open = reinterpret_cast<LPWABOPEN>(reinterpret_cast<void*>(GetProcAddress(library, "WABOpen")));
        if (!open) return false;
        WAB_PARAM parameters{};
        parameters.cbSize = sizeof parameters;
        return SUCCEEDED(open(&book, &wab, &parameters, 0)) && book && wab;
    }
    void Free(void* buffer) const {
        if (buffer) wab->FreeBuffer(buffer);
    }

    HMODULE library = nullptr;
    IAddrBook* book = nullptr;
    IWABObject* wab = nullptr;
};

template <typename T>
class Held {
public:
    ~Held() {
        if (object) object->Release();
    }
    T* object = nullptr;
};

const char* textOf(const SPropValue& value) {
    return PROP_TYPE(value.ulPropTag) == PT_STRING8 && value.Value.lpszA ? value.Value.lpszA : "";
}

// Appends the mail users of one batch of rows; false when the table has no more.
bool readBatch(const WabLibrary& wab, IMAPITable* table, std::vector<AddressBookContact>& contacts) {
    SRowSet* rows = nullptr;
    if (FAILED(table->QueryRows(kRowsPerQuery, 0, &rows)) || !rows) return false;
    bool more = rows->cRows > 0;
    for (ULONG i = 0; i < rows->cRows; ++i) {
        const SRow& row = rows->aRow[i];
        if (row.cValues >= 3 && PROP_TYPE(row.lpProps[2].ulPropTag) == PT_LONG &&
            row.lpProps[2].Value.l == MAPI_MAILUSER)
            contacts.push_back({textOf(row.lpProps[0]), textOf(row.lpProps[1])});
        wab.Free(row.lpProps);
    }
    wab.Free(rows);
    return more;
}

}  // namespace

std::vector<AddressBookContact> ReadAddressBookContacts() {
    std::vector<AddressBookContact> contacts;
    WabLibrary wab;
    if (!wab.Open()) return contacts;
    Held<IABContainer> root;
    ULONG type = 0;
    if (FAILED(wab.book->OpenEntry(0, nullptr, &IID_IABContainer, 0, &type,
                                   reinterpret_cast<IUnknown**>(&root.object))) ||
        !root.object)
        return contacts;
    Held<IMAPITable> table;
    if (FAILED(root.object->GetContentsTable(0, &table.object)) || !table.object) return contacts;
    struct {
        ULONG cValues = 4;
        ULONG aulPropTag[4] = {PR_DISPLAY_NAME_A, PR_EMAIL_ADDRESS_A, PR_OBJECT_TYPE, PR_ENTRYID};
    } columns;
    if (FAILED(table.object->SetColumns(reinterpret_cast<SPropTagArray*>(&columns), 0))) return contacts;
    while (readBatch(wab, table.object, contacts)) {
    }
    return contacts;
}

}  // namespace velor
