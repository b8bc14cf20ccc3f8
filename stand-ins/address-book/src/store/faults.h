// Faults a test asks for through the environment variable WABSTAND_FAULTS, read once per process:
//   SaveChanges=N, CreateEntry=N, DeleteEntries=N, QueryRows=N   the N-th such call of the
//       process (counted from 1) fails with MAPI_E_DISK_ERROR and changes nothing;
//   NoModificationTime=NAME   contacts with that display name have no PR_LAST_MODIFICATION_TIME.
// Items are separated by commas; the same call may be named more than once.
#pragma once

#include <string>

namespace wabstand {

enum class FaultPoint { SaveChanges, CreateEntry, DeleteEntries, QueryRows };

// Counts the call; true when this is one that must fail.
bool FaultHits(FaultPoint point);
bool HidesModificationTime(const std::string& displayName);

}  // namespace wabstand
