#include "contave/LIB/attribute_map.h"

#include "contave/LIB/internal_failure.h"
#include "contave/LIB/mapi_tags.h"

namespace contave {
namespace {

constexpr AttributeRole kOrd = AttributeRole::kOrdinary;

// The order is part of the contract: the directory is asked for the attributes in this order
// and the address book is written row by row.
constexpr AttributeRow kRows[AttributeMap::kRowCount] = {
    {"commonName", kPrDisplayName, false, kOrd},
    {"surname", 0x3A11001E, false, kOrd},
    {"givenName", 0x3A06001E, false, kOrd},
    {"middleName", 0x3A44001E, false, kOrd},
    {"titleBefore", 0x3A45001E, false, kOrd},
    {"nickName", 0x3A4F001E, false, kOrd},
    {"workStreet", 0x3A29001E, false, kOrd},
    {"workLocality", 0x3A27001E, false, kOrd},
    {"workState", 0x3A28001E, false, kOrd},
    {"workZip", 0x3A2A001E, false, kOrd},
    {"workCountry", 0x3A26001E, false, kOrd},
    {"workPhone", 0x3A08001E, false, kOrd},
    {"workFax", 0x3A24001E, false, kOrd},
    {"workUrl", 0x3A51001E, false, kOrd},
    {"company", 0x3A16001E, false, kOrd},
    {"department", 0x3A18001E, false, kOrd},
    {"roomNumber", 0x3A19001E, false, kOrd},
    {"position", 0x3A17001E, false, kOrd},
    {"homeStreet", 0x3A5D001E, false, kOrd},
    {"homeLocality", 0x3A59001E, false, kOrd},
    {"homeState", 0x3A5C001E, false, kOrd},
    {"homeZip", 0x3A5B001E, false, kOrd},
    {"homeCountry", 0x3A5A001E, false, kOrd},
    {"homePhone", 0x3A09001E, false, kOrd},
    {"homeFax", 0x3A25001E, false, kOrd},
    {"homeUrl", 0x3A50001E, false, kOrd},
    {"pager", 0x3A21001E, false, kOrd},
    {"mobile", 0x3A1C001E, false, kOrd},
    {"defaultEmail", kPrEmailAddress, false, AttributeRole::kDefaultEmail},
    {"email", kPrContactEmailAddresses, true, AttributeRole::kEmailList},
    {"comment", kPrComment, false, kOrd},
};

}  // namespace

const AttributeRow& AttributeMap::Row(std::size_t index) {
  if (index >= kRowCount) CONTAVE_INTERNAL_FAILURE(module::kCfg, kInvalidArg);
  return kRows[index];
}

const AttributeRow* AttributeMap::RowByRole(AttributeRole role) {
  if (role == AttributeRole::kOrdinary) CONTAVE_INTERNAL_FAILURE(module::kCfg, kInvalidArg);
  for (const AttributeRow& row : kRows) {
    if (row.role == role) return &row;
  }
  return nullptr;
}

}  // namespace contave
