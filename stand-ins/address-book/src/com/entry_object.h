// What mail users and distribution lists share: a copy of their record taken at opening, the
// edits made since, and saving them (creating the record first when the object came from
// CreateEntry).
#pragma once

#include "com/prop_object.h"
#include "com/session.h"
#include "store/records.h"

namespace wabstand {

HRESULT EntryProps(const Session& session, const Record& record, bool isNew,
                   const PendingEdits& edits, PropMap* props);
// Creates or updates the record and reloads it, so the object then shows what the file has
// (its entry id, its new modification time).
HRESULT SaveEntry(const Session& session, Record& record, bool& isNew, ULONG createFlags,
                  const PendingEdits& edits);

template <class Interface>
class EntryObject : public PropObject<Interface> {
 protected:
  EntryObject(SessionPtr session, const Record& record, bool writable, bool isNew,
              ULONG createFlags)
      : PropObject<Interface>(writable),
        session_(std::move(session)),
        record_(record),
        new_(isNew),
        createFlags_(createFlags) {}

  HRESULT CurrentProps(PropMap* props) override {
    return EntryProps(*session_, record_, new_, this->edits_, props);
  }
  HRESULT Save(ULONG) override {
    return SaveEntry(*session_, record_, new_, createFlags_, this->edits_);
  }

  SessionPtr session_;
  Record record_;
  bool new_;
  ULONG createFlags_;
};

}  // namespace wabstand
