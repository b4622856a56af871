#include "business_objects.h"

namespace hostsim {

namespace {

std::string Text(const Variant& value) {
  try {
    return value.ToString();
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace

void BusinessObject::Open() {
  open_ = true;
  First();
}

void BusinessObject::First() {
  cursor_ = 0;
  SkipFiltered();
}

void BusinessObject::Next() {
  if (cursor_ < records_.size()) ++cursor_;
  SkipFiltered();
}

bool BusinessObject::AtEnd() const {
  return cursor_ >= records_.size();
}

BORecord* BusinessObject::Current() {
  return AtEnd() ? nullptr : &records_[cursor_];
}

void BusinessObject::Insert() {
  records_.emplace_back();
  cursor_ = records_.size() - 1;
}

void BusinessObject::SetFilter(const std::string& attribute, const Variant& value) {
  filters_[attribute] = value;
  First();
}

void BusinessObject::ClearFilter(const std::string& attribute) {
  if (attribute.empty()) {
    filters_.clear();
  } else {
    filters_.erase(attribute);
  }
  First();
}

std::optional<int32_t> BusinessObject::Child(const std::string& reference) const {
  auto it = children_.find(reference);
  if (it == children_.end()) return std::nullopt;
  return it->second;
}

bool BusinessObject::Passes(const BORecord& record) const {
  for (const auto& [attribute, value] : filters_) {
    auto it = record.attributes.find(attribute);
    if (it == record.attributes.end() || Text(it->second) != Text(value)) return false;
  }
  return true;
}

void BusinessObject::SkipFiltered() {
  while (cursor_ < records_.size() && !Passes(records_[cursor_])) ++cursor_;
}

void BusinessObjectStore::SetDocument(BusinessObject document) {
  objects_.insert_or_assign(0, std::move(document));
}

int32_t BusinessObjectStore::Create(int32_t kind) {
  int32_t handle = next_handle_++;
  objects_.emplace(handle, BusinessObject(kind));
  return handle;
}

BusinessObject* BusinessObjectStore::Find(int32_t handle) {
  auto it = objects_.find(handle);
  return it == objects_.end() ? nullptr : &it->second;
}

void BusinessObjectStore::SetPreference(int32_t number, int32_t subsidiary, Variant value) {
  preferences_[{number, subsidiary}] = std::move(value);
}

Variant BusinessObjectStore::Preference(int32_t number, int32_t subsidiary) const {
  auto it = preferences_.find({number, subsidiary});
  return it == preferences_.end() ? Variant::Null() : it->second;
}

}  // namespace hostsim
