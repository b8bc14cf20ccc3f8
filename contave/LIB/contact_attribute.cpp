#include "contave/LIB/contact_attribute.h"

#include "contave/LIB/codepage.h"
#include "contave/LIB/internal_failure.h"
#include "contave/LIB/text_compare.h"

namespace contave {

MvString8::MvString8(std::vector<std::string> values) : values_(std::move(values)) {
  pointers_.reserve(values_.size() + 1);
  for (std::string& value : values_) pointers_.push_back(value.data());
  pointers_.push_back(nullptr);  // never counted; keeps Strings() valid for an empty list
}

DirectoryValues::DirectoryValues(std::vector<std::string> utf8) : values_(std::move(utf8)) {
  pointers_.reserve(values_.size() + 1);
  for (std::string& value : values_) pointers_.push_back(value.data());
  pointers_.push_back(nullptr);
}

void ContactAttribute::SetOnly(std::string_view value) {
  if (!values_.empty()) CONTAVE_INTERNAL_FAILURE(module::kStrcont, kUnexpected);
  values_.emplace_back(value);
}

void ContactAttribute::CopyValuesFrom(const ContactAttribute& other) {
  if (&other == this) return;
  values_.insert(values_.end(), other.values_.begin(), other.values_.end());
}

void ContactAttribute::TakeDirectoryValues(const char* const* utf8Values) {
  if (utf8Values == nullptr) CONTAVE_INTERNAL_FAILURE(module::kStrcont, kInvalidArg);
  for (const char* const* value = utf8Values; *value != nullptr; ++value) values_.push_back(Utf8ToLocal(*value));
}

void ContactAttribute::TakeMultiValue(const MvString8View& value) {
  if (value.count > 0 && value.strings == nullptr) CONTAVE_INTERNAL_FAILURE(module::kStrcont, kInvalidArg);
  for (std::uint32_t i = 0; i < value.count; ++i) {
    if (value.strings[i] == nullptr) CONTAVE_INTERNAL_FAILURE(module::kStrcont, kInvalidArg);
    values_.emplace_back(value.strings[i]);
  }
}

const std::string* ContactAttribute::Value(std::size_t index) const {
  return index < values_.size() ? &values_[index] : nullptr;
}

const std::string& ContactAttribute::First() const {
  static const std::string kEmpty;
  return values_.empty() ? kEmpty : values_.front();
}

MvString8 ContactAttribute::BuildMultiValue() const { return MvString8(values_); }

DirectoryValues ContactAttribute::BuildDirectoryValues() const {
  std::vector<std::string> utf8;
  utf8.reserve(values_.size());
  for (const std::string& value : values_) utf8.push_back(LocalToUtf8(value.c_str()));
  return DirectoryValues(std::move(utf8));
}

ContactAttribute* FindAttribute(AttributeList& list, std::string_view name) {
  for (ContactAttribute& attribute : list) {
    if (EqualsNoCase(attribute.Name(), name)) return &attribute;
  }
  return nullptr;
}

const ContactAttribute* FindAttribute(const AttributeList& list, std::string_view name) {
  for (const ContactAttribute& attribute : list) {
    if (EqualsNoCase(attribute.Name(), name)) return &attribute;
  }
  return nullptr;
}

}  // namespace contave
