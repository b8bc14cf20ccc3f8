#include "store/prop_value.h"

#include <mapidefs_shim.h>

namespace wabstand {

bool IsStorableType(ULONG type) {
  switch (type) {
    case PT_I2: case PT_LONG: case PT_BOOLEAN: case PT_I8: case PT_SYSTIME:
    case PT_STRING8: case PT_UNICODE: case PT_BINARY: case PT_CLSID:
    case PT_MV_STRING8: case PT_MV_UNICODE: case PT_MV_BINARY: case PT_MV_LONG:
      return true;
    default:
      return false;
  }
}

PropValue MakeLong(ULONG tag, LONG value) {
  PropValue v;
  v.tag = tag;
  v.number = value;
  return v;
}

PropValue MakeString(ULONG tag, const std::string& text) {
  PropValue v;
  v.tag = tag;
  v.bytes = text;
  return v;
}

PropValue MakeBinary(ULONG tag, const std::string& bytes) { return MakeString(tag, bytes); }

PropValue MakeTime(ULONG tag, ULONGLONG filetime) {
  PropValue v;
  v.tag = tag;
  v.number = static_cast<LONGLONG>(filetime);
  return v;
}

PropValue MakeStringList(ULONG tag, const std::vector<std::string>& texts) {
  PropValue v;
  v.tag = tag;
  v.items = texts;
  return v;
}

void Put(PropMap& props, PropValue value) {
  ULONG id = PROP_ID(value.tag);
  props[id] = std::move(value);
}

const PropValue* Find(const PropMap& props, ULONG tag) {
  auto it = props.find(PROP_ID(tag));
  if (it == props.end() || it->second.tag != tag) return nullptr;
  return &it->second;
}

}  // namespace wabstand
