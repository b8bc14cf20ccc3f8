// The properties of one address-book contact, as the mapping between the two sides needs them:
// string, string-list and 32-bit integer values by tag. The address book side implements it on
// an opened mail user; tests implement it in memory.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "contave/LIB/status_codes.h"

namespace contave {

struct PropertyValue {
  std::uint32_t tag = 0;
  // PT_STRING8, PT_MV_STRING8 or PT_LONG, as the tag's type says.
  std::variant<std::string, std::vector<std::string>, std::int32_t> value;
};

class PropertyBag {
 public:
  virtual ~PropertyBag() = default;

  // kMapiNotFound when the contact does not have the property; any other failure is returned
  // as the address book gave it.
  virtual Status Get(std::uint32_t tag, PropertyValue& value) = 0;
  // All values in one call.
  virtual Status Set(std::span<const PropertyValue> values) = 0;
  // Deleting a property the contact does not have is not an error.
  virtual Status Delete(std::span<const std::uint32_t> tags) = 0;
  virtual Status Save() = 0;
};

}  // namespace contave
