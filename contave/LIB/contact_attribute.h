// One named attribute of a contact with its values, as both sides exchange it (STRCONT).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace contave {

// What the directory side has to do with the attribute.
enum class ChangeMark : int {
  kUntouched = 0,
  kDelete = 1,
  kAdd = 2,
  kReplace = 4,
};

// A multi-valued string property as the address book hands it over (count and pointers).
struct MvString8View {
  std::uint32_t count;
  const char* const* strings;
};

// A multi-valued string property built for the address book; owns the copies it points to.
class MvString8 {
 public:
  explicit MvString8(std::vector<std::string> values);
  MvString8(const MvString8&) = delete;
  MvString8& operator=(const MvString8&) = delete;
  // Moving the vectors moves their buffers, so the pointers stay valid.
  MvString8(MvString8&&) = default;

  std::uint32_t Count() const { return static_cast<std::uint32_t>(values_.size()); }
  char** Strings() { return pointers_.data(); }
  MvString8View View() const { return {Count(), pointers_.data()}; }

 private:
  std::vector<std::string> values_;
  std::vector<char*> pointers_;
};

// A directory value list: UTF-8 copies and a null-terminated pointer array, the form the
// directory library takes.
class DirectoryValues {
 public:
  explicit DirectoryValues(std::vector<std::string> utf8);
  DirectoryValues(const DirectoryValues&) = delete;
  DirectoryValues& operator=(const DirectoryValues&) = delete;
  DirectoryValues(DirectoryValues&&) = default;

  std::size_t Count() const { return values_.size(); }
  char** Values() { return pointers_.data(); }

 private:
  std::vector<std::string> values_;
  std::vector<char*> pointers_;
};

class ContactAttribute {
 public:
  explicit ContactAttribute(std::string_view name) : name_(name) {}
  explicit ContactAttribute(std::uint32_t tag) : tag_(tag) {}

  const std::string& Name() const { return name_; }
  std::uint32_t Tag() const { return tag_; }

  void Append(std::string_view value) { values_.emplace_back(value); }
  // Only while there is no value yet: a second value for a single-valued property would be lost.
  void SetOnly(std::string_view value);
  void CopyValuesFrom(const ContactAttribute& other);
  // From the directory: a null-terminated list of UTF-8 values, converted to the local code page.
  void TakeDirectoryValues(const char* const* utf8Values);
  // From the address book: every string of a multi-valued property.
  void TakeMultiValue(const MvString8View& value);

  std::size_t Count() const { return values_.size(); }
  // The value at index, or null past the end.
  const std::string* Value(std::size_t index) const;
  // The first value, or "" when there is none (single-valued properties).
  const std::string& First() const;
  const std::vector<std::string>& Values() const { return values_; }

  MvString8 BuildMultiValue() const;
  DirectoryValues BuildDirectoryValues() const;

  void Clear() { values_.clear(); }
  void SetMark(ChangeMark mark) { mark_ = mark; }
  ChangeMark Mark() const { return mark_; }

 private:
  std::string name_;
  std::uint32_t tag_ = 0;
  std::vector<std::string> values_;
  ChangeMark mark_ = ChangeMark::kUntouched;
};

using AttributeList = std::vector<ContactAttribute>;

// The attribute of that name, compared without regard to case, or null.
ContactAttribute* FindAttribute(AttributeList& list, std::string_view name);
const ContactAttribute* FindAttribute(const AttributeList& list, std::string_view name);

}  // namespace contave
