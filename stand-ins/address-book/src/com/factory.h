// The one place objects of the address book come into being; each comes back with one reference
// held for the caller.
#pragma once

#include "com/session.h"
#include "store/records.h"

#include <mapidefs_shim.h>

namespace wabstand {

HRESULT NewWabObject(IWABObject** out);
HRESULT NewAddrBook(SessionPtr session, IAddrBook** out);

// A container: the root (kind Root), a folder of the store, or a directory service.
HRESULT NewContainer(SessionPtr session, Kind kind, ULONG id, bool modify, IMAPIProp** out);

// A mail user or distribution list: opened from its record, or (isNew) about to be created in
// the folder record.folder with CreateEntry's flags.
HRESULT NewEntryObject(SessionPtr session, const Record& record, bool writable, bool isNew,
                       ULONG createFlags, IMAPIProp** out);

// IAddrBook::OpenEntry and IMAPIContainer::OpenEntry alike.
HRESULT OpenEntry(const SessionPtr& session, ULONG size, LPENTRYID entryId, LPCIID iid, ULONG flags,
                  ULONG* objectType, LPUNKNOWN* out);

}  // namespace wabstand
