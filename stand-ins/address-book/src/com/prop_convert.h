// Moving property values across the interface: from a caller's SPropValue into the store's own
// copy, and from the store into MAPI-allocated arrays that the caller frees with FreeBuffer.
#pragma once

#include "store/prop_value.h"

#include <mapidefs_shim.h>

#include <vector>

namespace wabstand {

// MAPI_E_BAD_VALUE when the value's type is not one the address book keeps.
HRESULT FromSPropValue(const SPropValue& in, PropValue* out);

// The values of `tags` (all properties when null) as one array in a block of its own. A missing
// property, or one asked for with a type it cannot be given in, comes back as PT_ERROR with
// MAPI_E_NOT_FOUND and the answer is MAPI_W_ERRORS_RETURNED, as IMAPIProp::GetProps does.
// MAPI_UNICODE in flags gives strings asked for without a type (or all of them) as PT_UNICODE.
HRESULT BuildPropArray(const PropMap& props, const SPropTagArray* tags, ULONG flags, ULONG* count,
                       SPropValue** values);

// The same for one row of a table: the array is its own root block, as FreeProws expects.
HRESULT BuildRow(const PropMap& props, const std::vector<ULONG>& columns, SRow* row);

// Copies a tag array into a block of its own.
HRESULT CopyTagArray(const std::vector<ULONG>& tags, SPropTagArray** out);

}  // namespace wabstand
