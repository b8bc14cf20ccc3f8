#include "com/prop_convert.h"

#include "com/mapi_buffer.h"

#include <cstring>
#include <vector>

namespace wabstand {

namespace {

std::string Utf16Bytes(const std::string& ansi) {
  int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::wstring wide(n, L'\0');
  if (n) MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), n);
  return std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
}

std::string AnsiFromUtf16Bytes(const std::string& bytes) {
  const wchar_t* wide = reinterpret_cast<const wchar_t*>(bytes.data());
  int chars = static_cast<int>(bytes.size() / sizeof(wchar_t));
  int n = WideCharToMultiByte(CP_ACP, 0, wide, chars, nullptr, 0, nullptr, nullptr);
  std::string ansi(n, '\0');
  if (n) WideCharToMultiByte(CP_ACP, 0, wide, chars, ansi.data(), n, nullptr, nullptr);
  return ansi;
}

std::string Utf16FromWide(const wchar_t* text) {
  return std::string(reinterpret_cast<const char*>(text), wcslen(text) * sizeof(wchar_t));
}

// The stored value in the type asked for: strings convert between the 8-bit and the UTF-16 form,
// anything else must match. False when the value cannot be given in that type.
bool Convert(const PropValue& stored, ULONG wantedType, PropValue* out) {
  ULONG type = PROP_TYPE(stored.tag);
  *out = stored;
  out->tag = CHANGE_PROP_TYPE(stored.tag, wantedType);
  if (type == wantedType) return true;
  if (type == PT_STRING8 && wantedType == PT_UNICODE) {
    out->bytes = Utf16Bytes(stored.bytes);
  } else if (type == PT_UNICODE && wantedType == PT_STRING8) {
    out->bytes = AnsiFromUtf16Bytes(stored.bytes);
  } else if (type == PT_MV_STRING8 && wantedType == PT_MV_UNICODE) {
    for (std::string& item : out->items) item = Utf16Bytes(item);
  } else if (type == PT_MV_UNICODE && wantedType == PT_MV_STRING8) {
    for (std::string& item : out->items) item = AnsiFromUtf16Bytes(item);
  } else {
    return false;
  }
  return true;
}

ULONG UnicodeVariant(ULONG type) {
  if (type == PT_STRING8) return PT_UNICODE;
  if (type == PT_MV_STRING8) return PT_MV_UNICODE;
  return type;
}

SCODE CopyString(const std::string& bytes, size_t terminator, void* parent, void** out) {
  return BufferCopy(bytes + std::string(terminator, '\0'), parent, out);
}

SCODE ToSPropValue(const PropValue& value, void* parent, SPropValue* out) {
  std::memset(out, 0, sizeof *out);
  out->ulPropTag = value.tag;
  void* block = nullptr;
  SCODE sc = S_OK;
  switch (PROP_TYPE(value.tag)) {
    case PT_I2: out->Value.i = static_cast<short>(value.number); break;
    case PT_LONG: out->Value.l = static_cast<LONG>(value.number); break;
    case PT_BOOLEAN: out->Value.b = value.number ? 1 : 0; break;
    case PT_I8: out->Value.li.QuadPart = value.number; break;
    case PT_SYSTIME:
      out->Value.ft.dwLowDateTime = static_cast<DWORD>(value.number);
      out->Value.ft.dwHighDateTime = static_cast<DWORD>(static_cast<ULONGLONG>(value.number) >> 32);
      break;
    case PT_STRING8:
      sc = CopyString(value.bytes, 1, parent, &block);
      out->Value.lpszA = static_cast<LPSTR>(block);
      break;
    case PT_UNICODE:
      sc = CopyString(value.bytes, sizeof(wchar_t), parent, &block);
      out->Value.lpszW = static_cast<LPWSTR>(block);
      break;
    case PT_BINARY:
      sc = BufferCopy(value.bytes, parent, &block);
      out->Value.bin.cb = static_cast<ULONG>(value.bytes.size());
      out->Value.bin.lpb = static_cast<LPBYTE>(block);
      break;
    case PT_CLSID:
      sc = BufferCopy(value.bytes, parent, &block);
      out->Value.lpguid = static_cast<LPGUID>(block);
      break;
    case PT_MV_LONG: {
      ULONG n = static_cast<ULONG>(value.items.size());
      sc = BufferAllocateMore(n * sizeof(LONG) + 1, parent, &block);
      if (FAILED(sc)) break;
      out->Value.MVl.cValues = n;
      out->Value.MVl.lpl = static_cast<LONG*>(block);
      for (ULONG i = 0; i < n; ++i)
        std::memcpy(&out->Value.MVl.lpl[i], value.items[i].data(), sizeof(LONG));
      break;
    }
    case PT_MV_STRING8:
    case PT_MV_UNICODE:
    case PT_MV_BINARY: {
      ULONG n = static_cast<ULONG>(value.items.size());
      ULONG type = PROP_TYPE(value.tag);
      size_t slot = type == PT_MV_BINARY ? sizeof(SBinary) : sizeof(void*);
      sc = BufferAllocateMore(static_cast<ULONG>(n * slot + 1), parent, &block);
      if (FAILED(sc)) break;
      // The three array structures share their layout: a count, then the pointer to the slots.
      out->Value.MVszA.cValues = n;
      out->Value.MVszA.lppszA = static_cast<LPSTR*>(block);
      for (ULONG i = 0; i < n && SUCCEEDED(sc); ++i) {
        void* item = nullptr;
        const std::string& bytes = value.items[i];
        if (type == PT_MV_BINARY) {
          sc = BufferCopy(bytes, parent, &item);
          out->Value.MVbin.lpbin[i].cb = static_cast<ULONG>(bytes.size());
          out->Value.MVbin.lpbin[i].lpb = static_cast<LPBYTE>(item);
        } else if (type == PT_MV_UNICODE) {
          sc = CopyString(bytes, sizeof(wchar_t), parent, &item);
          out->Value.MVszW.lppszW[i] = static_cast<LPWSTR>(item);
        } else {
          sc = CopyString(bytes, 1, parent, &item);
          out->Value.MVszA.lppszA[i] = static_cast<LPSTR>(item);
        }
      }
      break;
    }
    default:
      sc = MAPI_E_BAD_VALUE;
  }
  return sc;
}

void SetError(ULONG tag, SCODE error, SPropValue* out) {
  std::memset(out, 0, sizeof *out);
  out->ulPropTag = PROP_TAG(PT_ERROR, PROP_ID(tag));
  out->Value.err = error;
}

// Fills values[0..n) for the tags asked; returns whether any came back as an error.
SCODE FillValues(const PropMap& props, const std::vector<ULONG>& tags, ULONG flags, void* parent,
                 SPropValue* values, bool* errors) {
  *errors = false;
  for (size_t i = 0; i < tags.size(); ++i) {
    ULONG tag = tags[i];
    auto it = props.find(PROP_ID(tag));
    ULONG wanted = PROP_TYPE(tag);
    PropValue converted;
    bool found = it != props.end();
    if (found) {
      if (wanted == PT_UNSPECIFIED)
        wanted = (flags & MAPI_UNICODE) ? UnicodeVariant(PROP_TYPE(it->second.tag))
                                        : PROP_TYPE(it->second.tag);
      found = Convert(it->second, wanted, &converted);
    }
    if (!found) {
      SetError(tag, MAPI_E_NOT_FOUND, &values[i]);
      *errors = true;
      continue;
    }
    SCODE sc = ToSPropValue(converted, parent, &values[i]);
    if (FAILED(sc)) return sc;
  }
  return S_OK;
}

std::vector<ULONG> TagsAsked(const PropMap& props, const SPropTagArray* tags, ULONG flags) {
  std::vector<ULONG> asked;
  if (tags) {
    asked.assign(tags->aulPropTag, tags->aulPropTag + tags->cValues);
  } else {
    for (const auto& [id, value] : props) {
      ULONG type = PROP_TYPE(value.tag);
      asked.push_back(CHANGE_PROP_TYPE(value.tag, (flags & MAPI_UNICODE) ? UnicodeVariant(type)
                                                                         : type));
    }
  }
  return asked;
}

}  // namespace

HRESULT FromSPropValue(const SPropValue& in, PropValue* out) {
  *out = PropValue();
  out->tag = in.ulPropTag;
  const auto& v = in.Value;
  switch (PROP_TYPE(in.ulPropTag)) {
    case PT_I2: out->number = v.i; break;
    case PT_LONG: out->number = v.l; break;
    case PT_BOOLEAN: out->number = v.b ? 1 : 0; break;
    case PT_I8: out->number = v.li.QuadPart; break;
    case PT_SYSTIME:
      out->number = static_cast<LONGLONG>((static_cast<ULONGLONG>(v.ft.dwHighDateTime) << 32) |
                                          v.ft.dwLowDateTime);
      break;
    case PT_STRING8:
      if (!v.lpszA) return MAPI_E_BAD_VALUE;
      out->bytes = v.lpszA;
      break;
    case PT_UNICODE:
      if (!v.lpszW) return MAPI_E_BAD_VALUE;
      out->bytes = Utf16FromWide(v.lpszW);
      break;
    case PT_BINARY:
      if (v.bin.cb && !v.bin.lpb) return MAPI_E_BAD_VALUE;
      out->bytes.assign(reinterpret_cast<const char*>(v.bin.lpb), v.bin.cb);
      break;
    case PT_CLSID:
      if (!v.lpguid) return MAPI_E_BAD_VALUE;
      out->bytes.assign(reinterpret_cast<const char*>(v.lpguid), sizeof(GUID));
      break;
    case PT_MV_LONG:
      if (v.MVl.cValues && !v.MVl.lpl) return MAPI_E_BAD_VALUE;
      for (ULONG i = 0; i < v.MVl.cValues; ++i)
        out->items.emplace_back(reinterpret_cast<const char*>(&v.MVl.lpl[i]), sizeof(LONG));
      break;
    case PT_MV_STRING8:
      if (v.MVszA.cValues && !v.MVszA.lppszA) return MAPI_E_BAD_VALUE;
      for (ULONG i = 0; i < v.MVszA.cValues; ++i) {
        if (!v.MVszA.lppszA[i]) return MAPI_E_BAD_VALUE;
        out->items.emplace_back(v.MVszA.lppszA[i]);
      }
      break;
    case PT_MV_UNICODE:
      if (v.MVszW.cValues && !v.MVszW.lppszW) return MAPI_E_BAD_VALUE;
      for (ULONG i = 0; i < v.MVszW.cValues; ++i) {
        if (!v.MVszW.lppszW[i]) return MAPI_E_BAD_VALUE;
        out->items.push_back(Utf16FromWide(v.MVszW.lppszW[i]));
      }
      break;
    case PT_MV_BINARY:
      if (v.MVbin.cValues && !v.MVbin.lpbin) return MAPI_E_BAD_VALUE;
      for (ULONG i = 0; i < v.MVbin.cValues; ++i)
        out->items.emplace_back(reinterpret_cast<const char*>(v.MVbin.lpbin[i].lpb),
                                v.MVbin.lpbin[i].cb);
      break;
    default:
      return MAPI_E_BAD_VALUE;
  }
  return S_OK;
}

namespace {

HRESULT BuildValues(const PropMap& props, const std::vector<ULONG>& asked, ULONG flags,
                    ULONG* count, SPropValue** values) {
  *count = 0;
  *values = nullptr;
  void* block = nullptr;
  SCODE sc = BufferAllocate(static_cast<ULONG>(asked.size() * sizeof(SPropValue) + 1), &block);
  if (FAILED(sc)) return sc;
  auto* array = static_cast<SPropValue*>(block);
  bool errors = false;
  sc = FillValues(props, asked, flags, block, array, &errors);
  if (FAILED(sc)) {
    BufferFree(block);
    return sc;
  }
  *count = static_cast<ULONG>(asked.size());
  *values = array;
  return errors ? MAPI_W_ERRORS_RETURNED : S_OK;
}

}  // namespace

HRESULT BuildPropArray(const PropMap& props, const SPropTagArray* tags, ULONG flags, ULONG* count,
                       SPropValue** values) {
  return BuildValues(props, TagsAsked(props, tags, flags), flags, count, values);
}

HRESULT BuildRow(const PropMap& props, const std::vector<ULONG>& columns, SRow* row) {
  ULONG count = 0;
  SPropValue* values = nullptr;
  HRESULT hr = BuildValues(props, columns, 0, &count, &values);
  if (FAILED(hr)) return hr;
  row->ulAdrEntryPad = 0;
  row->cValues = count;
  row->lpProps = values;
  return S_OK;
}

HRESULT CopyTagArray(const std::vector<ULONG>& tags, SPropTagArray** out) {
  void* block = nullptr;
  SCODE sc = BufferAllocate(CbNewSPropTagArray(tags.size()), &block);
  if (FAILED(sc)) return sc;
  auto* array = static_cast<SPropTagArray*>(block);
  array->cValues = static_cast<ULONG>(tags.size());
  for (size_t i = 0; i < tags.size(); ++i) array->aulPropTag[i] = tags[i];
  *out = array;
  return S_OK;
}

}  // namespace wabstand
