#include <array>
#include <cstdint>

#include "contave/LIB/attribute_map.h"
#include "contave/LIB/contact_mapping.h"
#include "contave/LIB/mapi_tags.h"
#include "contave/LIB/text_compare.h"

namespace contave {
namespace {

constexpr std::array<std::uint32_t, 5> kEmailProperties = {
    kPrEmailAddress, kPrContactEmailAddresses, kPrContactDefaultAddressIndex, kPrAddrType, kPrContactAddrTypes};

Status WriteOrdinary(const AttributeRow& row, const AttributeList& server, PropertyBag& local) {
  const ContactAttribute* attribute = FindAttribute(server, row.name);
  if (attribute == nullptr) {
    const std::uint32_t tag = row.tag;
    return local.Delete(std::span<const std::uint32_t>(&tag, 1));
  }
  PropertyValue value;
  value.tag = row.tag;
  if (row.multiValued) {
    value.value = attribute->Values();
  } else {
    value.value = attribute->First();
  }
  return local.Set(std::span<const PropertyValue>(&value, 1));
}

const std::vector<std::string>& ValuesOf(const AttributeList& server, const AttributeRow* row) {
  static const std::vector<std::string> kNone;
  const ContactAttribute* attribute = row ? FindAttribute(server, row->name) : nullptr;
  return attribute ? attribute->Values() : kNone;
}

Status WriteEmail(const AttributeList& server, PropertyBag& local) {
  const std::vector<std::string>& defaults = ValuesOf(server, AttributeMap::RowByRole(AttributeRole::kDefaultEmail));
  const std::vector<std::string>& list = ValuesOf(server, AttributeMap::RowByRole(AttributeRole::kEmailList));
  if (defaults.empty() && list.empty()) return local.Delete(kEmailProperties);

  // The list keeps its own spelling; the default only picks its entry.
  std::vector<std::string> addresses = list;
  std::size_t defaultIndex = 0;
  if (!defaults.empty()) {
    const std::string& wanted = defaults.front();
    defaultIndex = addresses.size();
    for (std::size_t i = 0; i < addresses.size(); ++i) {
      if (EqualsNoCase(addresses[i], wanted)) {
        defaultIndex = i;
        break;
      }
    }
    if (defaultIndex == addresses.size()) addresses.push_back(wanted);
  }

  std::array<PropertyValue, 5> values;
  values[0] = {kPrEmailAddress, addresses[defaultIndex]};
  values[1] = {kPrAddrType, std::string(kAddrTypeSmtp)};
  values[2] = {kPrContactEmailAddresses, addresses};
  values[3] = {kPrContactDefaultAddressIndex, static_cast<std::int32_t>(defaultIndex)};
  values[4] = {kPrContactAddrTypes, std::vector<std::string>(addresses.size(), kAddrTypeSmtp)};
  return local.Set(values);
}

}  // namespace

Status WriteDirectoryToAddressBook(const AttributeList& server, PropertyBag& local) {
  if (Status status = WriteDirectoryValues(server, local); Failed(status)) return status;
  return local.Save();
}

Status WriteDirectoryValues(const AttributeList& server, PropertyBag& local) {
  for (std::size_t i = 0; i < AttributeMap::Count(); ++i) {
    const AttributeRow& row = AttributeMap::Row(i);
    if (row.role != AttributeRole::kOrdinary) continue;
    if (Status status = WriteOrdinary(row, server, local); Failed(status)) return status;
  }
  return WriteEmail(server, local);
}

}  // namespace contave
