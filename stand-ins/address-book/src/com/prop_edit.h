// The edits made to an opened object and not yet saved. They are kept as a difference (set and
// deleted identifiers) rather than as a whole new property set, so that SaveChanges applies only
// them to the record as the file has it then, and an edit made meanwhile by another program to
// other properties survives.
#pragma once

#include "store/prop_value.h"

#include <mapidefs_shim.h>

#include <set>

namespace wabstand {

struct PendingEdits {
  PropMap set;
  std::set<ULONG> deleted;

  void Clear() { set.clear(); deleted.clear(); }
  void ApplyTo(PropMap& props) const;
};

// IMAPIProp::SetProps into the edits. Computed properties are refused with MAPI_E_COMPUTED and
// types the store cannot keep with MAPI_E_BAD_VALUE, each in the problem array.
HRESULT SetPropsInto(PendingEdits& edits, ULONG count, const SPropValue* values,
                     SPropProblemArray** problems);
// IMAPIProp::DeleteProps; `current` tells which properties exist, so that deleting a missing one
// is reported as MAPI_E_NOT_FOUND in the problem array.
HRESULT DeletePropsInto(PendingEdits& edits, const PropMap& current, const SPropTagArray* tags,
                        SPropProblemArray** problems);

}  // namespace wabstand
