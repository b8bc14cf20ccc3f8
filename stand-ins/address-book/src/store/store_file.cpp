#include "store/store_file.h"

#include <mapidefs_shim.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

namespace wabstand {

namespace {

constexpr const char* kMagicLine = "VelorWABStandIn 1";

bool IsMultiValued(ULONG type) { return (type & MV_FLAG) != 0; }
bool IsNumeric(ULONG type) {
  return type == PT_I2 || type == PT_LONG || type == PT_BOOLEAN || type == PT_I8 ||
         type == PT_SYSTIME;
}

// A file that passed through an editor may have gained carriage returns.
bool ReadLine(std::istream& in, std::string* line) {
  if (!std::getline(in, *line)) return false;
  if (!line->empty() && line->back() == '\r') line->pop_back();
  return true;
}

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> tokens;
  std::istringstream in(line);
  std::string token;
  while (in >> token) tokens.push_back(token);
  return tokens;
}

bool ParseUnsigned(const std::string& text, ULONGLONG* value) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
  *value = std::strtoull(text.c_str(), nullptr, 10);
  return true;
}

bool ParseSigned(const std::string& text, LONGLONG* value) {
  std::string digits = (!text.empty() && text[0] == '-') ? text.substr(1) : text;
  ULONGLONG magnitude;
  if (!ParseUnsigned(digits, &magnitude)) return false;
  *value = text[0] == '-' ? -static_cast<LONGLONG>(magnitude) : static_cast<LONGLONG>(magnitude);
  return true;
}

bool ParseHex32(const std::string& text, ULONG* value) {
  if (text.size() != 8 || text.find_first_not_of("0123456789ABCDEFabcdef") != std::string::npos)
    return false;
  *value = std::strtoul(text.c_str(), nullptr, 16);
  return true;
}

bool ParseUid(const std::string& text, GUID* uid) {
  if (text.size() != 32) return false;
  if (text.find_first_not_of("0123456789ABCDEF") != std::string::npos) return false;
  unsigned char raw[16];
  for (int i = 0; i < 16; ++i) {
    char pair[3] = {text[2 * i], text[2 * i + 1], 0};
    raw[i] = static_cast<unsigned char>(std::strtoul(pair, nullptr, 16));
  }
  std::memcpy(uid, raw, 16);
  return true;
}

bool DecodeToken(const std::string& token, std::string* bytes) {
  return !token.empty() && token[0] == ':' && PercentDecode(token.substr(1), bytes);
}

void FormatValue(std::ostringstream& out, const PropValue& value) {
  ULONG type = PROP_TYPE(value.tag);
  char tag[16];
  std::snprintf(tag, sizeof tag, "%08lX", static_cast<unsigned long>(value.tag));
  out << "p " << tag << ' ';
  if (IsNumeric(type)) {
    out << value.number;
  } else if (IsMultiValued(type)) {
    out << value.items.size();
    for (const std::string& item : value.items) out << " :" << PercentEncode(item);
  } else {
    out << ':' << PercentEncode(value.bytes);
  }
  out << '\n';
}

bool ParseValue(const std::vector<std::string>& tokens, PropValue* value) {
  if (tokens.size() < 3 || tokens[0] != "p" || !ParseHex32(tokens[1], &value->tag)) return false;
  ULONG type = PROP_TYPE(value->tag);
  if (!IsStorableType(type)) return false;
  if (IsNumeric(type)) return tokens.size() == 3 && ParseSigned(tokens[2], &value->number);
  if (!IsMultiValued(type)) return tokens.size() == 3 && DecodeToken(tokens[2], &value->bytes);
  ULONGLONG count;
  if (!ParseUnsigned(tokens[2], &count) || tokens.size() != 3 + count) return false;
  for (ULONGLONG i = 0; i < count; ++i) {
    std::string item;
    if (!DecodeToken(tokens[3 + i], &item)) return false;
    value->items.push_back(std::move(item));
  }
  return true;
}

}  // namespace

std::string PercentEncode(const std::string& bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if (c > 0x20 && c < 0x7F && c != '%') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

bool PercentDecode(const std::string& text, std::string* bytes) {
  bytes->clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      *bytes += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return false;
    char pair[3] = {text[i + 1], text[i + 2], 0};
    if (!isxdigit(static_cast<unsigned char>(pair[0])) ||
        !isxdigit(static_cast<unsigned char>(pair[1])))
      return false;
    long byte = std::strtol(pair, nullptr, 16);
    *bytes += static_cast<char>(byte);
    i += 2;
  }
  return true;
}

std::string UidToHex(const GUID& uid) {
  const unsigned char* raw = reinterpret_cast<const unsigned char*>(&uid);
  std::string hex;
  char pair[3];
  for (int i = 0; i < 16; ++i) {
    std::snprintf(pair, sizeof pair, "%02X", raw[i]);
    hex += pair;
  }
  return hex;
}

namespace {

void FormatRecord(std::ostringstream& out, const Record& record) {
  out << "record " << record.id << ' ' << static_cast<ULONG>(record.kind) << ' ' << record.folder
      << ' ' << record.created << ' ' << record.modified << ' ' << record.props.size() << '\n';
  for (const auto& [pid, value] : record.props) FormatValue(out, value);
}

// A "record" line already split, and its property lines from the stream.
bool ParseRecord(std::istream& in, const std::vector<std::string>& tokens, ULONG nextId,
                 Record* record) {
  ULONGLONG id, kind, folder, created, modified, props;
  if (tokens.size() != 7 || tokens[0] != "record" || !ParseUnsigned(tokens[1], &id) ||
      !ParseUnsigned(tokens[2], &kind) || !ParseUnsigned(tokens[3], &folder) ||
      !ParseUnsigned(tokens[4], &created) || !ParseUnsigned(tokens[5], &modified) ||
      !ParseUnsigned(tokens[6], &props) || id == 0 || id >= nextId)
    return false;
  record->id = static_cast<ULONG>(id);
  record->kind = static_cast<Kind>(kind);
  record->folder = static_cast<ULONG>(folder);
  record->created = created;
  record->modified = modified;
  if (record->kind != Kind::Folder && record->kind != Kind::MailUser &&
      record->kind != Kind::DistList)
    return false;
  std::string line;
  for (ULONGLONG i = 0; i < props; ++i) {
    PropValue value;
    if (!ReadLine(in, &line) || !ParseValue(Split(line), &value)) return false;
    Put(record->props, std::move(value));
  }
  return true;
}

}  // namespace

std::string FormatStore(const StoreData& data) {
  std::ostringstream out;
  out << kMagicLine << '\n';
  out << "store " << UidToHex(data.uid) << ' ' << data.generation << ' ' << data.nextId << ' '
      << data.lastStamp << '\n';
  for (const auto& [id, record] : data.records) FormatRecord(out, record);
  out << "end " << data.records.size() << '\n';
  return out.str();
}

std::string FormatChange(const StoreData& data, const std::vector<const Record*>& records,
                         const std::vector<ULONG>& gone) {
  std::ostringstream out;
  out << "change " << data.nextId << ' ' << data.lastStamp << ' ' << records.size() << ' '
      << gone.size() << '\n';
  for (const Record* record : records) FormatRecord(out, *record);
  for (ULONG id : gone) out << "gone " << id << '\n';
  out << "done " << data.generation << '\n';
  return out.str();
}

size_t ApplyChanges(const std::string& text, size_t start, StoreData* data) {
  size_t valid = start;
  std::istringstream in(text.substr(start));
  std::string line;
  while (ReadLine(in, &line)) {
    auto head = Split(line);
    ULONGLONG nextId, lastStamp, count, gone, generation;
    if (head.size() != 5 || head[0] != "change" || !ParseUnsigned(head[1], &nextId) ||
        !ParseUnsigned(head[2], &lastStamp) || !ParseUnsigned(head[3], &count) ||
        !ParseUnsigned(head[4], &gone))
      break;
    // The block counts only when it is whole: its records, its deletions and its done line.
    std::vector<Record> records;
    std::vector<ULONG> erased;
    bool whole = true;
    for (ULONGLONG i = 0; i < count && whole; ++i) {
      Record record;
      whole = ReadLine(in, &line) && ParseRecord(in, Split(line), static_cast<ULONG>(nextId), &record);
      if (whole) records.push_back(std::move(record));
    }
    for (ULONGLONG i = 0; i < gone && whole; ++i) {
      ULONGLONG id = 0;
      whole = ReadLine(in, &line);
      if (!whole) break;
      auto tokens = Split(line);
      whole = tokens.size() == 2 && tokens[0] == "gone" && ParseUnsigned(tokens[1], &id);
      if (whole) erased.push_back(static_cast<ULONG>(id));
    }
    if (!whole || !ReadLine(in, &line)) break;
    auto done = Split(line);
    if (done.size() != 2 || done[0] != "done" || !ParseUnsigned(done[1], &generation)) break;
    // A line is whole only with its newline; getline would also hand out a cut last line.
    if (in.eof()) break;
    data->nextId = static_cast<ULONG>(nextId);
    data->lastStamp = lastStamp;
    data->generation = generation;
    for (Record& record : records) data->records[record.id] = std::move(record);
    for (ULONG id : erased) data->records.erase(id);
    valid = start + static_cast<size_t>(in.tellg());
  }
  return valid;
}

bool ParseStoreStamp(const std::string& head, GUID* uid, ULONGLONG* generation) {
  std::istringstream in(head);
  std::string magic, line;
  if (!ReadLine(in, &magic) || magic != kMagicLine || !ReadLine(in, &line)) return false;
  auto tokens = Split(line);
  return tokens.size() == 5 && tokens[0] == "store" && ParseUid(tokens[1], uid) &&
         ParseUnsigned(tokens[2], generation);
}

HRESULT ParseStore(const std::string& text, StoreData* out, size_t* snapshotEnd, size_t* validEnd) {
  std::istringstream in(text);
  std::string line;
  StoreData data;
  ULONGLONG nextId;
  if (!ReadLine(in, &line) || line != kMagicLine || !ReadLine(in, &line))
    return MAPI_E_CORRUPT_DATA;
  auto head = Split(line);
  if (head.size() != 5 || head[0] != "store" || !ParseUid(head[1], &data.uid) ||
      !ParseUnsigned(head[2], &data.generation) || !ParseUnsigned(head[3], &nextId) ||
      !ParseUnsigned(head[4], &data.lastStamp))
    return MAPI_E_CORRUPT_DATA;
  data.nextId = static_cast<ULONG>(nextId);

  while (ReadLine(in, &line)) {
    auto tokens = Split(line);
    if (tokens.size() == 2 && tokens[0] == "end") {
      ULONGLONG count;
      if (!ParseUnsigned(tokens[1], &count) || count != data.records.size())
        return MAPI_E_CORRUPT_DATA;
      const size_t snapshot = in.eof() ? text.size() : static_cast<size_t>(in.tellg());
      const size_t valid = ApplyChanges(text, snapshot, &data);
      if (snapshotEnd) *snapshotEnd = snapshot;
      if (validEnd) *validEnd = valid;
      *out = std::move(data);
      return S_OK;
    }
    Record record;
    if (!ParseRecord(in, tokens, data.nextId, &record)) return MAPI_E_CORRUPT_DATA;
    if (!data.records.emplace(record.id, std::move(record)).second) return MAPI_E_CORRUPT_DATA;
  }
  return MAPI_E_CORRUPT_DATA;  // no end line: the file was cut short
}

}  // namespace wabstand
