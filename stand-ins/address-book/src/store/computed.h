// The properties the address book computes rather than stores: identity, type and times. A
// caller cannot set them (MAPI_E_COMPUTED); every view of a record (an opened object, a table
// row, wabtool's dump) shows the same values because they all come from here.
#pragma once

#include "store/records.h"

namespace wabstand {

bool IsComputed(ULONG tag);

// The stored properties with the computed ones laid over them.
PropMap FullProps(const Record& record, const GUID& uid);

// A container's properties: the root (record null) or a folder.
PropMap ContainerProps(const Record* folder, const GUID& uid);

// The instance key of a row: unique among the rows of any table of this address book.
std::string InstanceKey(ULONG id);

}  // namespace wabstand
