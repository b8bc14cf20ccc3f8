#include "com/session.h"

namespace wabstand {

GUID StoreUid(const Session& session) {
  GUID uid{};
  session.store->Read([&](const StoreData& data) { uid = data.uid; });
  return uid;
}

}  // namespace wabstand
