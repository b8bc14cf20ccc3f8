#include <cstdint>

#include "contave/LIB/attribute_map.h"
#include "contave/LIB/contact_mapping.h"
#include "contave/LIB/mapi_tags.h"

namespace contave {
namespace {

// Reads one string or string-list property into values. found stays false for an absent
// property; a value of another type than the tag promises is refused, as the address book's
// own GetProps would.
Status ReadStrings(PropertyBag& local, std::uint32_t tag, std::vector<std::string>& values, bool& found) {
  found = false;
  values.clear();
  PropertyValue value;
  const Status status = local.Get(tag, value);
  if (status == kMapiNotFound) return kOk;
  if (Failed(status)) return status;
  if (PropType(tag) == kPtString8) {
    const auto* text = std::get_if<std::string>(&value.value);
    if (text == nullptr) return kMapiInvalidType;
    values.push_back(*text);
  } else if (PropType(tag) == kPtMvString8) {
    const auto* list = std::get_if<std::vector<std::string>>(&value.value);
    if (list == nullptr) return kMapiInvalidType;
    values = *list;
  } else {
    return kMapiInvalidType;
  }
  found = true;
  return kOk;
}

// The default address index, taken as 0 when it is missing or does not point into the list.
// A negative index is as far out of the list as one past its end.
Status ReadDefaultIndex(PropertyBag& local, std::size_t listSize, std::size_t& index) {
  index = 0;
  PropertyValue value;
  const Status status = local.Get(kPrContactDefaultAddressIndex, value);
  if (status == kMapiNotFound) return kOk;
  if (Failed(status)) return status;
  const auto* number = std::get_if<std::int32_t>(&value.value);
  if (number == nullptr) return kMapiInvalidType;
  if (*number >= 0 && static_cast<std::uint32_t>(*number) < listSize) index = static_cast<std::size_t>(*number);
  return kOk;
}

// Puts the values into the server's attribute of that name: a replacement when the server has
// it, an addition otherwise.
void Assign(AttributeList& server, const char* name, const std::vector<std::string>& values) {
  ContactAttribute* attribute = FindAttribute(server, name);
  if (attribute != nullptr) {
    attribute->Clear();
    attribute->SetMark(ChangeMark::kReplace);
  } else {
    attribute = &server.emplace_back(name);
    attribute->SetMark(ChangeMark::kAdd);
  }
  for (const std::string& value : values) attribute->Append(value);
}

Status BuildEmail(PropertyBag& local, AttributeList& server) {
  const AttributeRow* listRow = AttributeMap::RowByRole(AttributeRole::kEmailList);
  const AttributeRow* defaultRow = AttributeMap::RowByRole(AttributeRole::kDefaultEmail);

  std::vector<std::string> addresses;
  bool found = false;
  if (Status status = ReadStrings(local, listRow->tag, addresses, found); Failed(status)) return status;
  std::vector<std::string> single;
  bool singleFound = false;
  if (Status status = ReadStrings(local, defaultRow->tag, single, singleFound); Failed(status)) return status;

  std::size_t defaultIndex = 0;
  if (!addresses.empty()) {
    if (Status status = ReadDefaultIndex(local, addresses.size(), defaultIndex); Failed(status)) return status;
  } else if (singleFound) {
    addresses = single;
  } else {
    return kOk;  // both stay marked for deletion where the server has them
  }

  Assign(server, listRow->name, addresses);
  Assign(server, defaultRow->name, {addresses[defaultIndex]});
  return kOk;
}

}  // namespace

Status BuildDirectoryChanges(PropertyBag& local, AttributeList& server) {
  for (ContactAttribute& attribute : server) attribute.SetMark(ChangeMark::kDelete);

  std::vector<std::string> values;
  for (std::size_t i = 0; i < AttributeMap::Count(); ++i) {
    const AttributeRow& row = AttributeMap::Row(i);
    if (row.role != AttributeRole::kOrdinary) continue;
    bool found = false;
    if (Status status = ReadStrings(local, row.tag, values, found); Failed(status)) return status;
    if (found) Assign(server, row.name, values);
  }
  return BuildEmail(local, server);
}

}  // namespace contave
