#pragma once
// The simulated host's business objects. The host keeps records (invoices,
// customers, sales orders, deposits) with named attributes and related
// records under reference names ("items", "tenders", "Item Ref", "history",
// "SO"). A business object is a view over a list of records: a kind's whole
// table (an object the plug-in creates), the records related to its parent's
// current record (a child object), or the one document an event concerns
// (handle 0). It has a cursor, attribute filters, included attributes and an
// edit state. Attribute and reference names are compared without regard to
// case; an attribute the kind does not know reads Empty, a known one without a
// value reads Null.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/com/variant.h"

namespace hostsim {

struct CaseBlindLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const;
};
bool SameName(std::string_view a, std::string_view b);

using Attributes = std::map<std::string, Variant, CaseBlindLess>;
using NameSet = std::set<std::string, CaseBlindLess>;

struct BORecord;
using RecordPtr = std::shared_ptr<BORecord>;
using RecordList = std::vector<RecordPtr>;

struct BORecord {
  Attributes attributes;
  // Related records by reference name.
  std::map<std::string, RecordList, CaseBlindLess> children;
};

// A value as the transcript and the expectations show it: text, "(empty)" or
// "(null)".
std::string ValueText(const Variant& value);

class BusinessObject {
 public:
  enum class Mode { Browse, Edit, Insert };

  // An object over a list of its own.
  explicit BusinessObject(int32_t kind);
  // An object over a shared list of records, knowing the attribute names in
  // `known` (null: only the names its records carry).
  BusinessObject(int32_t kind, std::shared_ptr<RecordList> records,
                 std::shared_ptr<const NameSet> known = nullptr);
  // A child object: its records are those `parent`'s current record holds
  // under `reference`.
  static BusinessObject ChildOf(const BusinessObject* parent, std::string reference, int32_t kind,
                                std::shared_ptr<const NameSet> known);

  int32_t Kind() const { return kind_; }
  bool IsOpen() const { return open_; }
  Mode State() const { return mode_; }

  // Opening positions the cursor on the first record that passes the filters.
  void Open();
  void Close();

  // The records viewed (for a child object, those of the parent's current
  // record; empty while the parent has none).
  const RecordList& Records() const;
  void AddRecord(BORecord record);

  // Cursor over the records that pass the filters.
  void First();
  // The last record that passes (at the end when none does).
  void Last();
  void Next();
  bool AtEnd() const;
  // The record under the cursor (the new record while inserting), or null.
  BORecord* Current() const;

  // Empty for an attribute the object does not know, Null for a known one
  // without a value.
  Variant Read(const std::string& name) const;
  bool Knows(const std::string& name) const;

  // A new empty record, current until posted or cancelled.
  void Insert();
  // False when there is no current record.
  bool Edit();
  // Ends an insert or edit; the inserted record joins the list and stays
  // current. Null when nothing was being changed.
  RecordPtr Post();

  void Include(const std::string& attribute) { included_.insert(attribute); }
  const NameSet& Included() const { return included_; }

  // Records pass when each filtered attribute equals its value (compared as
  // text, without regard to case). Changing a filter moves the cursor to the
  // first record that passes.
  void SetFilter(const std::string& attribute, const Variant& value);
  // An empty name clears every filter.
  void ClearFilter(const std::string& attribute);
  // A filter the host answers without applying: the object stands on its
  // first record whose `attribute` differs from `value` (the first record
  // when all match), as a host whose filter lands on another record would.
  void MisplaceFilter(const std::string& attribute, const Variant& value);
  const std::map<std::string, Variant, CaseBlindLess>& Filters() const { return filters_; }

  void SetChild(const std::string& reference, int32_t handle) { children_[reference] = handle; }
  std::optional<int32_t> Child(const std::string& reference) const;

 private:
  RecordList& List();
  bool Passes(const BORecord& record) const;
  void SkipFiltered();

  int32_t kind_;
  std::shared_ptr<RecordList> records_;
  const BusinessObject* parent_ = nullptr;
  std::string reference_;
  std::shared_ptr<const NameSet> known_;
  bool open_ = false;
  Mode mode_ = Mode::Browse;
  size_t cursor_ = 0;
  RecordPtr pending_;
  NameSet included_;
  std::map<std::string, Variant, CaseBlindLess> filters_;
  std::map<std::string, int32_t, CaseBlindLess> children_;
};

// Every business object of one host session, by handle, over the host's
// tables of records, plus the host's preferences.
class BusinessObjectStore {
 public:
  // Called after a record was posted through an object (inserted or changed).
  using PostHook = std::function<void(int32_t kind, const BORecord& record, bool inserted)>;
  // The text of entry `valueId` of the value list of user-defined field
  // `udfNumber` of `subsidiary`; nothing when the list has no such entry.
  using UdfValueSource = std::function<std::optional<std::string>(const Variant& subsidiary,
                                                                  int udfNumber, int64_t valueId)>;

  BusinessObjectStore();

  // The host's table of `kind` (created empty on first use).
  std::shared_ptr<RecordList> Table(int32_t kind);
  // The attribute names the host knows for records of `kind` ("items" and the
  // other reference names count as their own kinds, see KindOfReference).
  std::shared_ptr<NameSet> KnownNames(int32_t kind);

  // Puts `document` at handle 0.
  void SetDocument(BusinessObject document);
  // Makes `record` (already in its kind's table) the document at handle 0.
  void SetDocument(int32_t kind, RecordPtr record);
  // A new object over the host's table of `kind` at the next free handle.
  int32_t Create(int32_t kind);
  // A new object over records of its own.
  int32_t Create(int32_t kind, RecordList records);
  // Null for a handle that names no object.
  BusinessObject* Find(int32_t handle);
  // The child object of `handle` under `reference` (the same handle each
  // time), or nothing for a reference the object's kind does not have.
  std::optional<int32_t> Child(int32_t handle, const std::string& reference);

  void SetPreference(int32_t number, int32_t subsidiary, Variant value);
  // Null when the host has no such preference.
  Variant Preference(int32_t number, int32_t subsidiary) const;

  // Allocates identifiers for records inserted through objects of `kind`:
  // `attribute` gets the next number from `first` on, at post.
  void SetIdentity(int32_t kind, std::string attribute, int64_t first);
  void SetPostHook(PostHook hook) { post_hook_ = std::move(hook); }
  void SetUdfValueSource(UdfValueSource source) { udf_values_ = std::move(source); }
  // Sets `attribute` of `record` (a record of `kind`) as the host keeps a
  // value written to it: in its column's type (see HostColumnValue); a
  // customer's value id "UDF <n> Val Id" also gives "UDF <n> Value" the text
  // of that entry of the field's list, Null when the list has no such entry
  // (left alone while no list source is set). False, with `error` set and
  // the record unchanged, when the value does not fit the column.
  bool SetValue(int32_t kind, BORecord& record, const std::string& attribute, const Variant& value,
                std::string& error) const;
  // Posts the object behind `handle`: allocates the identity, gives a
  // customer inserted without a subsidiary the till's, tells the hook.
  RecordPtr Post(BusinessObject& object);
  // The subsidiary of the till: that of the document the events concern
  // ("Subsidiary Number" of an invoice, "Sbs No" of a sales order or a
  // deposit); Empty when there is none.
  Variant TillSubsidiary() const;

  size_t Count() const { return objects_.size(); }

 private:
  std::map<int32_t, BusinessObject> objects_;
  std::map<int32_t, std::shared_ptr<RecordList>> tables_;
  std::map<int32_t, std::shared_ptr<NameSet>> known_;
  std::map<std::pair<int32_t, int32_t>, Variant> preferences_;
  std::map<int32_t, std::pair<std::string, int64_t>> identities_;
  PostHook post_hook_;
  UdfValueSource udf_values_;
  int32_t next_handle_ = 1;
};

// The value a host column of `kind` keeps for `value`: a customer's numbers
// ("Sbs No", "Cust Sid", "Cust Id", "Allow Email", "Active" and the value
// ids "UDF <n> Val Id", "Aux <n> Val Id") as integers, a Boolean as 1 or 0
// as the database keeps it; its dates ("UDF1 Date", "UDF2 Date") as dates,
// text read as "yyyy-mm-dd[ hh:nn[:ss]]"; Null and Empty as Null; any
// other value as given. Nothing, with `error` set, when the value does not
// fit its column.
std::optional<Variant> HostColumnValue(int32_t kind, const std::string& attribute,
                                       const Variant& value, std::string& error);
// n of a customer's value-id attribute "UDF <n> Val Id" (any case); nothing
// for any other name.
std::optional<int> UdfValueIdNumber(std::string_view attribute);

// Kinds of business objects. The host's own numbers for the documents, and
// numbers of this host's choosing (1000 on) for the related records.
inline constexpr int32_t kKindCustomer = 5;
inline constexpr int32_t kKindInvoice = 8;
inline constexpr int32_t kKindSalesOrder = 24;
inline constexpr int32_t kKindDeposit = 42;
inline constexpr int32_t kKindItem = 1001;
inline constexpr int32_t kKindItemRef = 1002;
inline constexpr int32_t kKindTender = 1003;
inline constexpr int32_t kKindFee = 1004;
inline constexpr int32_t kKindHistory = 1005;
inline constexpr int32_t kKindSalesOrderLine = 1006;

// The kind of the records `kind` holds under `reference` ("items" of an
// invoice are items, "SO" of a deposit is a sales order ...); nothing when
// the kind has no such reference.
std::optional<int32_t> KindOfReference(int32_t kind, std::string_view reference);
// "invoice", "customer", "item" ... for the transcript; the number otherwise.
std::string KindName(int32_t kind);
// The kind named "invoice", "customer", "sales order", "deposit" (any case)
// or by its number.
std::optional<int32_t> KindFromName(std::string_view name);

}  // namespace hostsim
