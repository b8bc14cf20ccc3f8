// The one table that pairs each address-book property with its directory attribute (CFG).
#pragma once

#include <cstddef>
#include <cstdint>

namespace contave {

enum class AttributeRole : int {
  kOrdinary = 0,
  kEmailList = 1,
  kDefaultEmail = 2,
};

struct AttributeRow {
  const char* name;       // directory attribute
  std::uint32_t tag;      // address-book property
  bool multiValued;
  AttributeRole role;
};

class AttributeMap {
 public:
  static constexpr std::size_t kRowCount = 31;

  static std::size_t Count() { return kRowCount; }
  // Row 0..30; any other index is an internal failure.
  static const AttributeRow& Row(std::size_t index);
  // The row of the e-mail list or the default address; the ordinary role has many rows and
  // asking for it is an internal failure; an unknown role gives null.
  static const AttributeRow* RowByRole(AttributeRole role);
};

}  // namespace contave
