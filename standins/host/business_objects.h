#pragma once
// The simulated host's business objects: records of named attributes, grouped
// into objects of a kind (invoice, customer, ...), addressed by handles, with
// child references, attribute filters and a record cursor. Handle 0 is the
// document the current event concerns.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/com/variant.h"

namespace hostsim {

struct BORecord {
  std::map<std::string, Variant> attributes;
};

class BusinessObject {
 public:
  explicit BusinessObject(int32_t kind) : kind_(kind) {}

  int32_t Kind() const { return kind_; }
  bool IsOpen() const { return open_; }

  // Opening positions the cursor on the first record that passes the filters.
  void Open();
  void Close() { open_ = false; }

  std::vector<BORecord>& Records() { return records_; }
  const std::vector<BORecord>& Records() const { return records_; }
  void AddRecord(BORecord record) { records_.push_back(std::move(record)); }

  // Cursor over the records that pass the filters.
  void First();
  void Next();
  bool AtEnd() const;
  // The record under the cursor, or null at the end.
  BORecord* Current();

  // A new empty record, which becomes current.
  void Insert();

  void Include(const std::string& attribute) { included_.insert(attribute); }
  const std::set<std::string>& Included() const { return included_; }

  // Records pass when each filtered attribute equals its value (compared as
  // text). Changing a filter moves the cursor to the first record.
  void SetFilter(const std::string& attribute, const Variant& value);
  void ClearFilter(const std::string& attribute);
  const std::map<std::string, Variant>& Filters() const { return filters_; }

  void SetChild(const std::string& reference, int32_t handle) { children_[reference] = handle; }
  std::optional<int32_t> Child(const std::string& reference) const;

 private:
  bool Passes(const BORecord& record) const;
  void SkipFiltered();

  int32_t kind_;
  bool open_ = false;
  size_t cursor_ = 0;
  std::vector<BORecord> records_;
  std::set<std::string> included_;
  std::map<std::string, Variant> filters_;
  std::map<std::string, int32_t> children_;
};

// Every business object of one host session, by handle, plus the host's
// preferences.
class BusinessObjectStore {
 public:
  // Puts `document` at handle 0.
  void SetDocument(BusinessObject document);
  // A new object of `kind` at the next free handle (from 1 on).
  int32_t Create(int32_t kind);
  // Null for a handle that names no object.
  BusinessObject* Find(int32_t handle);

  void SetPreference(int32_t number, int32_t subsidiary, Variant value);
  // Null when the host has no such preference.
  Variant Preference(int32_t number, int32_t subsidiary) const;

  size_t Count() const { return objects_.size(); }

 private:
  std::map<int32_t, BusinessObject> objects_;
  std::map<std::pair<int32_t, int32_t>, Variant> preferences_;
  int32_t next_handle_ = 1;
};

}  // namespace hostsim
