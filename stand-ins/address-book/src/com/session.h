// What every object of one WABOpen shares: the address book file and how it was opened. Objects
// keep the session alive, so a container outlives the release of the address book that opened it.
#pragma once

#include "store/store.h"

#include <memory>

namespace wabstand {

struct Session {
  std::shared_ptr<Store> store;
  bool profiles = false;  // WAB_ENABLE_PROFILES: the folders are visible
};

using SessionPtr = std::shared_ptr<const Session>;

// The uid of the address book as the file has it now.
GUID StoreUid(const Session& session);

}  // namespace wabstand
