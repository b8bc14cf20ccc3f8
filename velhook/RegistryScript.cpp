#include "velhook/RegistryScript.h"

#include <cctype>

namespace velor::velhook {
namespace {

struct RootName {
    const char* shortName;
    const char* longName;
};
constexpr RootName kRoots[] = {
    {"HKCR", "HKEY_CLASSES_ROOT"},
    {"HKCU", "HKEY_CURRENT_USER"},
    {"HKLM", "HKEY_LOCAL_MACHINE"},
    {"HKU", "HKEY_USERS"},
};

bool EqualsNoCase(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && !b[i];
}

// Tokens: '{', '}', '=', quoted texts and bare words.
struct Token {
    enum Kind { kEnd, kOpen, kClose, kEquals, kQuoted, kWord } kind = kEnd;
    std::string text;
    int line = 1;
};

class Reader {
public:
    Reader(const std::string& text, const std::map<std::string, std::string>& replacements)
        : text_(text), replacements_(replacements) {}

    bool Parse(RegistryScript* script) {
        if (!Next()) return false;
        while (token_.kind != Token::kEnd) {
            if (token_.kind != Token::kWord) return Fail("a root key name is expected");
            ScriptKey root;
            for (const RootName& r : kRoots)
                if (EqualsNoCase(token_.text, r.shortName) || EqualsNoCase(token_.text, r.longName))
                    root.name = r.shortName;
            if (root.name.empty()) return Fail("unknown root key '" + token_.text + "'");
            if (!Next()) return false;
            if (token_.kind != Token::kOpen) return Fail("'{' is expected after a root key");
            if (!Next() || !Body(&root)) return false;
            script->roots.push_back(std::move(root));
        }
        return true;
    }

    const std::string& error() const { return error_; }

private:
    bool Fail(const std::string& what) {
        if (error_.empty()) error_ = "line " + std::to_string(token_.line) + ": " + what;
        return false;
    }

    // Reads entries up to and including the closing brace; the current token is the first entry.
    bool Body(ScriptKey* key) {
        for (;;) {
            if (token_.kind == Token::kClose) return Next();
            if (token_.kind == Token::kEnd) return Fail("'}' is missing");
            if (!Entry(key)) return false;
        }
    }

    bool Entry(ScriptKey* parent) {
        bool noRemove = false, forceRemove = false, remove = false, isValue = false;
        // Flags are words only when a name follows them; a key may itself be called "Delete".
        while (token_.kind == Token::kWord && PeekIsName()) {
            if (EqualsNoCase(token_.text, "NoRemove")) noRemove = true;
            else if (EqualsNoCase(token_.text, "ForceRemove")) forceRemove = true;
            else if (EqualsNoCase(token_.text, "Delete")) remove = true;
            else if (EqualsNoCase(token_.text, "val")) isValue = true;
            else break;
            if (!Next()) return false;
        }
        if (token_.kind != Token::kWord && token_.kind != Token::kQuoted) return Fail("a key or value name is expected");
        std::string name = token_.text;
        if (name.empty()) return Fail("an empty name");
        if (!Next()) return false;
        if (isValue) {
            if (noRemove || forceRemove || remove) return Fail("a value takes no key flags");
            if (token_.kind != Token::kEquals) return Fail("'=' is expected after value " + name);
            ScriptNamedValue v{name, {}};
            if (!Next() || !Value(&v.value)) return false;
            if (token_.kind == Token::kOpen) return Fail("a value cannot hold keys");
            parent->values.push_back(std::move(v));
            return true;
        }
        ScriptKey key;
        key.name = name;
        key.noRemove = noRemove;
        key.forceRemove = forceRemove;
        key.deleteOnRegister = remove;
        if (token_.kind == Token::kEquals) {
            key.hasDefault = true;
            if (!Next() || !Value(&key.defaultValue)) return false;
        }
        if (token_.kind == Token::kOpen) {
            if (!Next() || !Body(&key)) return false;
        }
        parent->subkeys.push_back(std::move(key));
        return true;
    }

    bool Value(ScriptValue* value) {
        if (token_.kind != Token::kWord) return Fail("a value type (s, d or b) is expected");
        std::string type = token_.text;
        if (!Next()) return false;
        if (token_.kind != Token::kQuoted && token_.kind != Token::kWord) return Fail("a value is expected");
        std::string text = token_.text;
        if (EqualsNoCase(type, "s")) {
            value->type = ScriptValueType::kString;
            value->text = text;
        } else if (EqualsNoCase(type, "d")) {
            value->type = ScriptValueType::kNumber;
            if (!Number(text, &value->number)) return Fail("'" + text + "' is not a number");
        } else if (EqualsNoCase(type, "b")) {
            value->type = ScriptValueType::kBinary;
            if (text.size() % 2) return Fail("binary data needs two hex digits a byte");
            for (std::size_t i = 0; i < text.size(); i += 2) {
                int hi = Hex(text[i]), lo = Hex(text[i + 1]);
                if (hi < 0 || lo < 0) return Fail("'" + text + "' is not hex");
                value->bytes.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
            }
        } else {
            return Fail("unknown value type '" + type + "'");
        }
        return Next();
    }

    static int Hex(char c) {
        if (c >= '0' && c <= '9') return c - '0';
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    }

    static bool Number(const std::string& text, std::uint32_t* out) {
        if (text.empty()) return false;
        std::uint64_t n = 0;
        std::size_t i = 0;
        int base = 10;
        if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
            base = 16;
            i = 2;
        }
        for (; i < text.size(); ++i) {
            int d = base == 16 ? Hex(text[i]) : (std::isdigit(static_cast<unsigned char>(text[i])) ? text[i] - '0' : -1);
            if (d < 0) return false;
            n = n * base + d;
            if (n > 0xFFFFFFFFu) return false;
        }
        *out = static_cast<std::uint32_t>(n);
        return true;
    }

    // Whether the token after the current one is a name (so the current word is a flag).
    bool PeekIsName() {
        std::size_t save = pos_;
        int line = line_;
        Token saved = token_;
        std::string savedError = error_;
        bool ok = Next() && (token_.kind == Token::kWord || token_.kind == Token::kQuoted);
        pos_ = save;
        line_ = line;
        token_ = saved;
        error_ = savedError;
        return ok;
    }

    bool Next() {
        while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) {
            if (text_[pos_] == '\n') ++line_;
            ++pos_;
        }
        token_ = Token{};
        token_.line = line_;
        if (pos_ >= text_.size()) return true;
        char c = text_[pos_];
        if (c == '{' || c == '}' || c == '=') {
            // A brace right after a word belongs to names like {CLSID}; on its own it is a block.
            if (c == '{' && pos_ + 1 < text_.size() && !std::isspace(static_cast<unsigned char>(text_[pos_ + 1])) &&
                text_[pos_ + 1] != '}' && text_[pos_ + 1] != '{')
                return Word();
            token_.kind = c == '{' ? Token::kOpen : c == '}' ? Token::kClose : Token::kEquals;
            ++pos_;
            return true;
        }
        if (c == '\'') return Quoted();
        return Word();
    }

    bool Word() {
        std::string raw;
        while (pos_ < text_.size()) {
            char c = text_[pos_];
            if (std::isspace(static_cast<unsigned char>(c)) || c == '=' || c == '\'') break;
            // A closing brace ends a word unless the word is a braced name like {CLSID}.
            if (c == '}' && (raw.empty() || raw[0] != '{' || raw.find('}') != std::string::npos)) break;
            if (c == '{' && !raw.empty()) break;
            raw += c;
            ++pos_;
        }
        token_.kind = Token::kWord;
        return Replace(raw, &token_.text);
    }

    bool Quoted() {
        ++pos_;
        std::string raw;
        for (;;) {
            if (pos_ >= text_.size()) return Fail("a quoted text is not closed");
            char c = text_[pos_++];
            if (c == '\n') ++line_;
            if (c == '\'') {
                if (pos_ < text_.size() && text_[pos_] == '\'') {
                    raw += '\'';
                    ++pos_;
                    continue;
                }
                break;
            }
            raw += c;
        }
        token_.kind = Token::kQuoted;
        return Replace(raw, &token_.text);
    }

    bool Replace(const std::string& raw, std::string* out) {
        out->clear();
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != '%') {
                *out += raw[i];
                continue;
            }
            std::size_t end = raw.find('%', i + 1);
            if (end == std::string::npos) return Fail("'%' without its closing '%'");
            std::string name = raw.substr(i + 1, end - i - 1);
            if (name.empty()) {
                *out += '%';
            } else {
                auto found = replacements_.find(name);
                if (found == replacements_.end()) return Fail("unknown replacement %" + name + "%");
                *out += found->second;
            }
            i = end;
        }
        return true;
    }

    const std::string& text_;
    const std::map<std::string, std::string>& replacements_;
    std::size_t pos_ = 0;
    int line_ = 1;
    Token token_;
    std::string error_;
};

std::int32_t AsHresult(long error) {
    return error == 0 ? 0 : static_cast<std::int32_t>(0x80070000u | (static_cast<std::uint32_t>(error) & 0xFFFFu));
}

std::int32_t RegisterKey(const ScriptKey& key, const std::string& path, RegistrySink& sink) {
    if (key.deleteOnRegister) return AsHresult(sink.DeleteTree(path));
    if (key.forceRemove)
        if (long e = sink.DeleteTree(path)) return AsHresult(e);
    if (long e = sink.CreateKey(path)) return AsHresult(e);
    if (key.hasDefault)
        if (long e = sink.SetValue(path, "", key.defaultValue)) return AsHresult(e);
    for (const ScriptNamedValue& v : key.values)
        if (long e = sink.SetValue(path, v.name, v.value)) return AsHresult(e);
    for (const ScriptKey& sub : key.subkeys)
        if (std::int32_t hr = RegisterKey(sub, path + "\\" + sub.name, sink)) return hr;
    return 0;
}

std::int32_t UnregisterKey(const ScriptKey& key, const std::string& path, RegistrySink& sink, bool isRoot) {
    if (!sink.KeyExists(path)) return 0;
    if (!key.noRemove && !isRoot) return AsHresult(sink.DeleteTree(path));
    std::int32_t first = 0;
    for (const ScriptNamedValue& v : key.values) {
        std::int32_t hr = AsHresult(sink.DeleteValue(path, v.name));
        if (!first) first = hr;
    }
    for (const ScriptKey& sub : key.subkeys) {
        std::int32_t hr = UnregisterKey(sub, path + "\\" + sub.name, sink, false);
        if (!first) first = hr;
    }
    return first;
}

}  // namespace

bool ParseRegistryScript(const std::string& text, const std::map<std::string, std::string>& replacements,
                         RegistryScript* script, std::string* error) {
    RegistryScript parsed;
    Reader reader(text, replacements);
    if (!reader.Parse(&parsed)) {
        if (error) *error = reader.error();
        return false;
    }
    *script = std::move(parsed);
    return true;
}

std::int32_t RunRegistryScript(const RegistryScript& script, bool registering, RegistrySink& sink) {
    std::int32_t first = 0;
    for (const ScriptKey& root : script.roots) {
        // A root key is never created, set or deleted itself; only what lies below it.
        for (const ScriptKey& sub : root.subkeys) {
            std::string path = root.name + "\\" + sub.name;
            std::int32_t hr = registering ? RegisterKey(sub, path, sink) : UnregisterKey(sub, path, sink, false);
            if (hr && registering) return hr;
            if (!first) first = hr;
        }
    }
    return first;
}

}  // namespace velor::velhook
