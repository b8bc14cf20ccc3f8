#include "tool/prop_names.h"

#include "store/entry_id.h"

#include <mapidefs_shim.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace wabtool {

namespace {

struct NamedTag {
  ULONG tag;
  const char* name;
};

constexpr NamedTag kNames[] = {
    {PR_ENTRYID, "PR_ENTRYID"},
    {PR_INSTANCE_KEY, "PR_INSTANCE_KEY"},
    {PR_RECORD_KEY, "PR_RECORD_KEY"},
    {PR_OBJECT_TYPE, "PR_OBJECT_TYPE"},
    {PR_DISPLAY_TYPE, "PR_DISPLAY_TYPE"},
    {PR_CREATION_TIME, "PR_CREATION_TIME"},
    {PR_LAST_MODIFICATION_TIME, "PR_LAST_MODIFICATION_TIME"},
    {PR_CONTAINER_FLAGS, "PR_CONTAINER_FLAGS"},
    {PR_DEPTH, "PR_DEPTH"},
    {PR_DEF_CREATE_MAILUSER, "PR_DEF_CREATE_MAILUSER"},
    {PR_DEF_CREATE_DL, "PR_DEF_CREATE_DL"},
    {PR_DISPLAY_NAME_A, "PR_DISPLAY_NAME"},
    {PR_ADDRTYPE_A, "PR_ADDRTYPE"},
    {PR_EMAIL_ADDRESS_A, "PR_EMAIL_ADDRESS"},
    {PR_COMMENT_A, "PR_COMMENT"},
    {PR_SURNAME_A, "PR_SURNAME"},
    {PR_GIVEN_NAME_A, "PR_GIVEN_NAME"},
    {PR_MIDDLE_NAME_A, "PR_MIDDLE_NAME"},
    {PR_DISPLAY_NAME_PREFIX_A, "PR_DISPLAY_NAME_PREFIX"},
    {PR_NICKNAME_A, "PR_NICKNAME"},
    {PR_BUSINESS_ADDRESS_STREET, "PR_BUSINESS_ADDRESS_STREET"},
    {PR_BUSINESS_ADDRESS_CITY, "PR_BUSINESS_ADDRESS_CITY"},
    {PR_BUSINESS_ADDRESS_STATE_OR_PROVINCE, "PR_BUSINESS_ADDRESS_STATE_OR_PROVINCE"},
    {PR_BUSINESS_ADDRESS_POSTAL_CODE, "PR_BUSINESS_ADDRESS_POSTAL_CODE"},
    {PR_BUSINESS_ADDRESS_COUNTRY, "PR_BUSINESS_ADDRESS_COUNTRY"},
    {PR_BUSINESS_TELEPHONE_NUMBER_A, "PR_BUSINESS_TELEPHONE_NUMBER"},
    {PR_BUSINESS_FAX_NUMBER_A, "PR_BUSINESS_FAX_NUMBER"},
    {PR_BUSINESS_HOME_PAGE_A, "PR_BUSINESS_HOME_PAGE"},
    {PR_COMPANY_NAME_A, "PR_COMPANY_NAME"},
    {PR_DEPARTMENT_NAME_A, "PR_DEPARTMENT_NAME"},
    {PR_OFFICE_LOCATION_A, "PR_OFFICE_LOCATION"},
    {PR_TITLE_A, "PR_TITLE"},
    {PR_HOME_ADDRESS_STREET_A, "PR_HOME_ADDRESS_STREET"},
    {PR_HOME_ADDRESS_CITY_A, "PR_HOME_ADDRESS_CITY"},
    {PR_HOME_ADDRESS_STATE_OR_PROVINCE_A, "PR_HOME_ADDRESS_STATE_OR_PROVINCE"},
    {PR_HOME_ADDRESS_POSTAL_CODE_A, "PR_HOME_ADDRESS_POSTAL_CODE"},
    {PR_HOME_ADDRESS_COUNTRY_A, "PR_HOME_ADDRESS_COUNTRY"},
    {PR_HOME_TELEPHONE_NUMBER_A, "PR_HOME_TELEPHONE_NUMBER"},
    {PR_HOME_FAX_NUMBER_A, "PR_HOME_FAX_NUMBER"},
    {PR_PERSONAL_HOME_PAGE_A, "PR_PERSONAL_HOME_PAGE"},
    {PR_PAGER_TELEPHONE_NUMBER_A, "PR_PAGER_TELEPHONE_NUMBER"},
    {PR_MOBILE_TELEPHONE_NUMBER_A, "PR_MOBILE_TELEPHONE_NUMBER"},
    {PR_CONTACT_EMAIL_ADDRESSES_A, "PR_CONTACT_EMAIL_ADDRESSES"},
    {PR_CONTACT_ADDRTYPES_A, "PR_CONTACT_ADDRTYPES"},
    {PR_CONTACT_DEFAULT_ADDRESS_INDEX, "PR_CONTACT_DEFAULT_ADDRESS_INDEX"},
    {PR_WAB_DL_ENTRIES, "PR_WAB_DL_ENTRIES"},
};

bool ParseNumber(const std::string& text, LONGLONG* number) {
  if (text.empty()) return false;
  char* end;
  *number = std::strtoll(text.c_str(), &end, 10);
  return *end == 0;
}

bool ParseTime(const std::string& text, LONGLONG* number) {
  SYSTEMTIME st{};
  unsigned y, mo, d, h, mi, s;
  char tail;
  if (std::sscanf(text.c_str(), "%4u-%2u-%2uT%2u:%2u:%2u%c", &y, &mo, &d, &h, &mi, &s, &tail) != 6)
    return ParseNumber(text, number);
  st.wYear = static_cast<WORD>(y);
  st.wMonth = static_cast<WORD>(mo);
  st.wDay = static_cast<WORD>(d);
  st.wHour = static_cast<WORD>(h);
  st.wMinute = static_cast<WORD>(mi);
  st.wSecond = static_cast<WORD>(s);
  FILETIME ft;
  if (!SystemTimeToFileTime(&st, &ft)) return false;
  *number = static_cast<LONGLONG>((static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) |
                                  ft.dwLowDateTime);
  return true;
}

std::string Utf16(const std::string& ansi) {
  int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::wstring wide(n, L'\0');
  if (n) MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), n);
  return std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
}

}  // namespace

std::string TagName(ULONG tag) {
  for (const NamedTag& named : kNames)
    if (named.tag == tag) return named.name;
  return {};
}

bool ParseTag(const std::string& text, ULONG* tag) {
  for (const NamedTag& named : kNames) {
    if (lstrcmpiA(named.name, text.c_str()) == 0) {
      *tag = named.tag;
      return true;
    }
  }
  std::string hex = text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0 ? text.substr(2) : text;
  if (hex.size() != 8 || hex.find_first_not_of("0123456789ABCDEFabcdef") != std::string::npos)
    return false;
  *tag = std::strtoul(hex.c_str(), nullptr, 16);
  return true;
}

bool ParseValue(ULONG tag, const std::string& text, wabstand::PropValue* value) {
  *value = wabstand::PropValue();
  value->tag = tag;
  switch (PROP_TYPE(tag)) {
    case PT_I2:
    case PT_LONG:
    case PT_I8:
      return ParseNumber(text, &value->number);
    case PT_BOOLEAN:
      if (text == "true" || text == "1") value->number = 1;
      else if (text == "false" || text == "0") value->number = 0;
      else return false;
      return true;
    case PT_SYSTIME:
      return ParseTime(text, &value->number);
    case PT_STRING8:
      value->bytes = text;
      return true;
    case PT_UNICODE:
      value->bytes = Utf16(text);
      return true;
    case PT_BINARY:
    case PT_CLSID:
      return wabstand::ParseHexBytes(text, &value->bytes) &&
             (PROP_TYPE(tag) != PT_CLSID || value->bytes.size() == sizeof(GUID));
    default:
      return (tag & MV_FLAG) && AppendElement(tag, text, value);
  }
}

bool AppendElement(ULONG tag, const std::string& text, wabstand::PropValue* value) {
  value->tag = tag;
  switch (PROP_TYPE(tag)) {
    case PT_MV_STRING8:
      value->items.push_back(text);
      return true;
    case PT_MV_UNICODE:
      value->items.push_back(Utf16(text));
      return true;
    case PT_MV_BINARY: {
      std::string bytes;
      if (!wabstand::ParseHexBytes(text, &bytes)) return false;
      value->items.push_back(bytes);
      return true;
    }
    case PT_MV_LONG: {
      LONGLONG number;
      if (!ParseNumber(text, &number)) return false;
      LONG n = static_cast<LONG>(number);
      value->items.emplace_back(reinterpret_cast<const char*>(&n), sizeof n);
      return true;
    }
    default:
      return false;
  }
}

}  // namespace wabtool
