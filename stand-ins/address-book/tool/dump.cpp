#include "tool/dump.h"

#include "store/entry_id.h"
#include "tool/prop_names.h"

#include <mapidefs_shim.h>

#include <cstdio>
#include <cstring>
#include <map>

namespace wabtool {

namespace {

std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", c);
      out += escape;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string AnsiFromUtf16(const std::string& bytes) {
  const wchar_t* wide = reinterpret_cast<const wchar_t*>(bytes.data());
  int chars = static_cast<int>(bytes.size() / sizeof(wchar_t));
  int n = WideCharToMultiByte(CP_ACP, 0, wide, chars, nullptr, 0, nullptr, nullptr);
  std::string ansi(n, '\0');
  if (n) WideCharToMultiByte(CP_ACP, 0, wide, chars, ansi.data(), n, nullptr, nullptr);
  return ansi;
}

std::string FormatElement(ULONG type, const std::string& item) {
  switch (type) {
    case PT_MV_STRING8: return Quote(item);
    case PT_MV_UNICODE: return "L" + Quote(AnsiFromUtf16(item));
    case PT_MV_LONG: {
      LONG n = 0;
      std::memcpy(&n, item.data(), sizeof n);
      return std::to_string(n);
    }
    default: return wabstand::HexBytes(item);
  }
}

}  // namespace

std::string FormatTime(ULONGLONG filetime) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(filetime);
  ft.dwHighDateTime = static_cast<DWORD>(filetime >> 32);
  SYSTEMTIME st;
  if (!FileTimeToSystemTime(&ft, &st)) return std::to_string(filetime);
  char text[48];
  std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u.%07uZ", st.wYear, st.wMonth,
                st.wDay, st.wHour, st.wMinute, st.wSecond,
                static_cast<unsigned>(filetime % 10000000));
  return text;
}

std::string FormatValue(const wabstand::PropValue& value) {
  ULONG type = PROP_TYPE(value.tag);
  switch (type) {
    case PT_I2:
    case PT_LONG:
    case PT_I8:
      return std::to_string(value.number);
    case PT_BOOLEAN:
      return value.number ? "true" : "false";
    case PT_SYSTIME:
      return FormatTime(static_cast<ULONGLONG>(value.number));
    case PT_STRING8:
      return Quote(value.bytes);
    case PT_UNICODE:
      return "L" + Quote(AnsiFromUtf16(value.bytes));
    case PT_BINARY:
    case PT_CLSID:
      return wabstand::HexBytes(value.bytes);
    default: {
      std::string out = "[";
      for (size_t i = 0; i < value.items.size(); ++i)
        out += (i ? ", " : "") + FormatElement(type, value.items[i]);
      return out + "]";
    }
  }
}

std::string FormatProps(const wabstand::PropMap& props, const std::string& indent) {
  std::map<ULONG, const wabstand::PropValue*> byTag;
  for (const auto& [id, value] : props) byTag[value.tag] = &value;
  std::string out;
  for (const auto& [tag, value] : byTag) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%08lX", static_cast<unsigned long>(tag));
    std::string name = TagName(tag);
    out += indent + hex + (name.empty() ? "" : " " + name) + " = " + FormatValue(*value) + "\n";
  }
  return out;
}

}  // namespace wabtool
