#include "core/folder_list.h"

#include <cctype>
#include <cstring>
#include <map>
#include <memory>

namespace oestand {
namespace {

class Tokens {
public:
  explicit Tokens(const std::string& s) : s_(s) {}
  void SkipSpaces() {
    while (pos_ < s_.size() && s_[pos_] == ' ') ++pos_;
  }
  bool Expect(char c) {
    SkipSpaces();
    if (pos_ >= s_.size() || s_[pos_] != c) return false;
    ++pos_;
    return true;
  }
  // An atom, a quoted string or NIL (nil set, value empty).
  bool String(std::string* out, bool* nil) {
    SkipSpaces();
    out->clear();
    *nil = false;
    if (pos_ >= s_.size()) return false;
    if (s_[pos_] == '"') {
      ++pos_;
      while (pos_ < s_.size() && s_[pos_] != '"') {
        if (s_[pos_] == '\\' && pos_ + 1 < s_.size()) ++pos_;
        *out += s_[pos_++];
      }
      if (pos_ >= s_.size()) return false;
      ++pos_;
      return true;
    }
    size_t start = pos_;
    while (pos_ < s_.size() && s_[pos_] != ' ' && s_[pos_] != '(' && s_[pos_] != ')') ++pos_;
    *out = s_.substr(start, pos_ - start);
    if (out->empty()) return false;
    if (out->size() == 3 && std::toupper(static_cast<unsigned char>((*out)[0])) == 'N' &&
        std::toupper(static_cast<unsigned char>((*out)[1])) == 'I' &&
        std::toupper(static_cast<unsigned char>((*out)[2])) == 'L') {
      *nil = true;
      out->clear();
    }
    return true;
  }
  bool Flags(std::vector<std::string>* flags) {
    if (!Expect('(')) return false;
    for (;;) {
      SkipSpaces();
      if (pos_ < s_.size() && s_[pos_] == ')') {
        ++pos_;
        return true;
      }
      size_t start = pos_;
      while (pos_ < s_.size() && s_[pos_] != ' ' && s_[pos_] != ')') ++pos_;
      if (pos_ >= s_.size()) return false;
      flags->push_back(s_.substr(start, pos_ - start));
    }
  }
  bool AtEnd() {
    SkipSpaces();
    return pos_ == s_.size();
  }

private:
  const std::string& s_;
  size_t pos_ = 0;
};

bool EqualsNoCase(const std::string& a, const char* b) {
  size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

void AppendUtf8(unsigned cp, std::string* out) {
  if (cp < 0x80) {
    *out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    *out += static_cast<char>(0xC0 | (cp >> 6));
    *out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    *out += static_cast<char>(0xE0 | (cp >> 12));
    *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    *out += static_cast<char>(0xF0 | (cp >> 18));
    *out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == ',') return 63;
  return -1;
}

std::vector<std::string> Split(const std::string& name, char delimiter) {
  std::vector<std::string> parts;
  if (!delimiter) return {name};
  size_t start = 0;
  for (;;) {
    size_t at = name.find(delimiter, start);
    parts.push_back(name.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) break;
    start = at + 1;
  }
  return parts;
}

struct Level {
  std::string wireName;
  std::string label;
  bool listed = false;
  bool noselect = true;
  std::vector<std::string> order;
  std::map<std::string, std::unique_ptr<Level>> children;
};

void Flatten(const Level& level, const std::string& path, int depth, std::vector<FolderNode>* out) {
  for (const std::string& key : level.order) {
    const Level& child = *level.children.at(key);
    FolderNode node;
    node.label = child.label;
    node.path = path.empty() ? child.label : path + "/" + child.label;
    node.wireName = child.listed ? child.wireName : std::string();
    node.depth = depth;
    node.noselect = child.noselect;
    out->push_back(node);
    Flatten(child, node.path, depth + 1, out);
  }
}

}  // namespace

bool ParseListLine(const std::string& line, ListEntry* entry) {
  *entry = ListEntry();
  Tokens t(line);
  std::string word;
  bool nil = false;
  if (!t.Expect('*') || !t.String(&word, &nil) || nil ||
      !(EqualsNoCase(word, "LSUB") || EqualsNoCase(word, "LIST")))
    return false;
  if (!t.Flags(&entry->flags)) return false;
  std::string delimiter;
  if (!t.String(&delimiter, &nil) || (!nil && delimiter.size() != 1)) return false;
  entry->delimiter = nil ? 0 : delimiter[0];
  if (!t.String(&entry->name, &nil) || nil || entry->name.empty()) return false;
  return t.AtEnd();
}

bool DecodeModifiedUtf7(const std::string& in, std::string* utf8) {
  utf8->clear();
  for (size_t i = 0; i < in.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(in[i]);
    if (c < 0x20 || c > 0x7E) return false;
    if (c != '&') {
      *utf8 += static_cast<char>(c);
      continue;
    }
    size_t end = in.find('-', i + 1);
    if (end == std::string::npos) return false;
    if (end == i + 1) {
      *utf8 += '&';
      i = end;
      continue;
    }
    unsigned bits = 0, buffer = 0, high = 0;
    for (size_t j = i + 1; j < end; ++j) {
      int v = Base64Value(in[j]);
      if (v < 0) return false;
      buffer = (buffer << 6) | static_cast<unsigned>(v);
      bits += 6;
      if (bits >= 16) {
        bits -= 16;
        unsigned unit = (buffer >> bits) & 0xFFFF;
        if (unit >= 0xD800 && unit < 0xDC00) {
          if (high) return false;
          high = unit;
        } else if (unit >= 0xDC00 && unit < 0xE000) {
          if (!high) return false;
          AppendUtf8(0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00), utf8);
          high = 0;
        } else {
          if (high) return false;
          AppendUtf8(unit, utf8);
        }
      }
    }
    // Leftover bits must be zero padding shorter than one base64 digit's worth plus a unit.
    if (high || bits >= 6 || (buffer & ((1u << bits) - 1)) != 0) return false;
    i = end;
  }
  return true;
}

std::vector<FolderNode> BuildFolderTree(const std::vector<ListEntry>& entries) {
  Level root;
  // INBOX leads whatever order the server answers in, as the mail client lists it.
  std::vector<const ListEntry*> ordered;
  for (const ListEntry& e : entries)
    if (EqualsNoCase(Split(e.name, e.delimiter)[0], "INBOX")) ordered.push_back(&e);
  for (const ListEntry& e : entries)
    if (!EqualsNoCase(Split(e.name, e.delimiter)[0], "INBOX")) ordered.push_back(&e);

  for (const ListEntry* e : ordered) {
    std::vector<std::string> parts = Split(e->name, e->delimiter);
    Level* level = &root;
    std::string wire;
    for (size_t i = 0; i < parts.size(); ++i) {
      wire = i ? wire + e->delimiter + parts[i] : parts[i];
      std::string key = parts[i];
      if (i == 0 && EqualsNoCase(key, "INBOX")) key = "INBOX";
      auto found = level->children.find(key);
      if (found == level->children.end()) {
        auto child = std::make_unique<Level>();
        child->wireName = wire;
        std::string label;
        if (i == 0 && key == "INBOX") label = "Inbox";
        else if (i == 0 && key == "#public") label = "Public Folders";
        else if (i == 0 && key == "#backup") label = "Backup Folders";
        else if (!DecodeModifiedUtf7(parts[i], &label)) label = parts[i];
        child->label = label;
        level->order.push_back(key);
        found = level->children.emplace(key, std::move(child)).first;
      }
      level = found->second.get();
    }
    level->listed = true;
    level->wireName = e->name;
    level->noselect = false;
    for (const std::string& f : e->flags)
      if (EqualsNoCase(f, "\\Noselect")) level->noselect = true;
  }
  std::vector<FolderNode> out;
  Flatten(root, "", 0, &out);
  return out;
}

}  // namespace oestand
