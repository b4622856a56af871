#include "business_objects.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

#include "platform/com/ole_date.h"

namespace hostsim {

namespace {

char Folded(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

const RecordList& NoRecords() {
  static const RecordList empty;
  return empty;
}

struct KindEntry {
  int32_t kind;
  const char* name;
};

constexpr KindEntry kKinds[] = {
    {kKindCustomer, "customer"},
    {kKindInvoice, "invoice"},
    {kKindSalesOrder, "sales order"},
    {kKindDeposit, "deposit"},
    {kKindItem, "item"},
    {kKindItemRef, "item ref"},
    {kKindTender, "tender"},
    {kKindFee, "fee"},
    {kKindHistory, "history"},
    {kKindSalesOrderLine, "sales order line"},
};

struct ReferenceEntry {
  int32_t kind;
  const char* reference;
  int32_t childKind;
};

constexpr ReferenceEntry kReferences[] = {
    {kKindInvoice, "items", kKindItem},         {kKindInvoice, "tenders", kKindTender},
    {kKindInvoice, "fees", kKindFee},           {kKindItem, "Item Ref", kKindItemRef},
    {kKindSalesOrder, "history", kKindHistory}, {kKindSalesOrder, "items", kKindSalesOrderLine},
    {kKindSalesOrder, "fees", kKindFee},        {kKindDeposit, "SO", kKindSalesOrder},
    {kKindDeposit, "tenders", kKindTender},
};

enum class Column { Any, Integer, Date };

bool StartsBlind(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && SameName(text.substr(0, prefix.size()), prefix);
}

bool EndsBlind(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && SameName(text.substr(text.size() - suffix.size()), suffix);
}

// n of "<prefix><n><suffix>", n one or more digits.
std::optional<int> NumberBetween(std::string_view name, std::string_view prefix,
                                 std::string_view suffix) {
  if (name.size() <= prefix.size() + suffix.size() || !StartsBlind(name, prefix) ||
      !EndsBlind(name, suffix)) {
    return std::nullopt;
  }
  const std::string_view digits =
      name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
  int number = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return number;
}

Column CustomerColumn(std::string_view name) {
  for (const char* integer : {"Sbs No", "Cust Sid", "Cust Id", "Allow Email", "Active"}) {
    if (SameName(name, integer)) return Column::Integer;
  }
  if (SameName(name, "UDF1 Date") || SameName(name, "UDF2 Date")) return Column::Date;
  if (UdfValueIdNumber(name) || NumberBetween(name, "Aux ", " Val Id")) return Column::Integer;
  return Column::Any;
}

std::optional<Variant> AsInteger(const Variant& value) {
  switch (value.vt()) {
    case VT_BOOL:
      return Variant(int32_t{value.ToBool() ? 1 : 0});
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_INT:
      return value;
    case VT_R4:
    case VT_R8: {
      const double number = value.ToDouble();
      if (std::trunc(number) != number || std::abs(number) > 9.0e15) return std::nullopt;
      return Variant(static_cast<int64_t>(number));
    }
    case VT_BSTR: {
      std::string text = value.ToString();
      const size_t first = text.find_first_not_of(" \t");
      const size_t last = text.find_last_not_of(" \t");
      if (first == std::string::npos) return std::nullopt;
      text = text.substr(first, last - first + 1);
      const char* begin = text.data() + (text.front() == '+' ? 1 : 0);
      int64_t number = 0;
      const auto [end, ec] = std::from_chars(begin, text.data() + text.size(), number);
      if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
      if (number >= std::numeric_limits<int32_t>::min() &&
          number <= std::numeric_limits<int32_t>::max()) {
        return Variant(static_cast<int32_t>(number));
      }
      return Variant(number);
    }
    default:
      return std::nullopt;
  }
}

std::optional<Variant> AsDate(const Variant& value) {
  switch (value.vt()) {
    case VT_DATE:
      return value;
    case VT_BSTR:
      if (std::optional<double> date = ParseOleDate(value.ToString())) return Variant::Date(*date);
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

}  // namespace

std::optional<int> UdfValueIdNumber(std::string_view attribute) {
  return NumberBetween(attribute, "UDF ", " Val Id");
}

std::optional<Variant> HostColumnValue(int32_t kind, const std::string& attribute,
                                       const Variant& value, std::string& error) {
  const Column column = kind == kKindCustomer ? CustomerColumn(attribute) : Column::Any;
  if (column == Column::Any) return value;
  if (value.IsEmpty() || value.IsNull()) return Variant::Null();
  std::optional<Variant> typed = column == Column::Integer ? AsInteger(value) : AsDate(value);
  if (!typed) {
    error = "The value \"" + ValueText(value) + "\" does not fit " + attribute + " (" +
            (column == Column::Integer ? "a whole number" : "a date") + " is kept there)";
  }
  return typed;
}

bool CaseBlindLess::operator()(std::string_view a, std::string_view b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return Folded(x) < Folded(y); });
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && !CaseBlindLess()(a, b) && !CaseBlindLess()(b, a);
}

std::string ValueText(const Variant& value) {
  if (value.IsEmpty()) return "(empty)";
  if (value.IsNull()) return "(null)";
  try {
    return value.ToString();
  } catch (const std::exception&) {
    return "(vt " + std::to_string(value.vt()) + ")";
  }
}

std::optional<int32_t> KindOfReference(int32_t kind, std::string_view reference) {
  for (const ReferenceEntry& entry : kReferences) {
    if (entry.kind == kind && SameName(entry.reference, reference)) return entry.childKind;
  }
  return std::nullopt;
}

std::string KindName(int32_t kind) {
  for (const KindEntry& entry : kKinds) {
    if (entry.kind == kind) return entry.name;
  }
  return std::to_string(kind);
}

std::optional<int32_t> KindFromName(std::string_view name) {
  for (const KindEntry& entry : kKinds) {
    if (SameName(entry.name, name)) return entry.kind;
  }
  int32_t number = 0;
  for (char c : name) {
    if (c < '0' || c > '9' || number > 100000) return std::nullopt;
    number = number * 10 + (c - '0');
  }
  if (name.empty()) return std::nullopt;
  return number;
}

// ---------------------------------------------------------------------------

BusinessObject::BusinessObject(int32_t kind)
    : BusinessObject(kind, std::make_shared<RecordList>()) {}

BusinessObject::BusinessObject(int32_t kind, std::shared_ptr<RecordList> records,
                               std::shared_ptr<const NameSet> known)
    : kind_(kind), records_(std::move(records)), known_(std::move(known)) {}

BusinessObject BusinessObject::ChildOf(const BusinessObject* parent, std::string reference,
                                       int32_t kind, std::shared_ptr<const NameSet> known) {
  BusinessObject child(kind, nullptr, std::move(known));
  child.parent_ = parent;
  child.reference_ = std::move(reference);
  return child;
}

const RecordList& BusinessObject::Records() const {
  if (parent_ == nullptr) return *records_;
  BORecord* owner = parent_->Current();
  if (owner == nullptr) return NoRecords();
  auto it = owner->children.find(reference_);
  return it == owner->children.end() ? NoRecords() : it->second;
}

RecordList& BusinessObject::List() {
  if (parent_ == nullptr) return *records_;
  BORecord* owner = parent_->Current();
  if (owner == nullptr) {
    static RecordList orphans;  // records added while the parent has none
    return orphans;
  }
  return owner->children[reference_];
}

void BusinessObject::AddRecord(BORecord record) {
  List().push_back(std::make_shared<BORecord>(std::move(record)));
}

void BusinessObject::Open() {
  open_ = true;
  First();
}

void BusinessObject::Close() {
  open_ = false;
  mode_ = Mode::Browse;
  pending_.reset();
}

void BusinessObject::First() {
  mode_ = Mode::Browse;
  pending_.reset();
  cursor_ = 0;
  SkipFiltered();
}

void BusinessObject::Last() {
  mode_ = Mode::Browse;
  pending_.reset();
  const RecordList& records = Records();
  cursor_ = records.size();
  for (size_t i = records.size(); i > 0; --i) {
    if (Passes(*records[i - 1])) {
      cursor_ = i - 1;
      return;
    }
  }
}

void BusinessObject::Next() {
  if (mode_ == Mode::Insert) return;
  if (cursor_ < Records().size()) ++cursor_;
  SkipFiltered();
}

bool BusinessObject::AtEnd() const {
  return mode_ != Mode::Insert && cursor_ >= Records().size();
}

BORecord* BusinessObject::Current() const {
  if (mode_ == Mode::Insert) return pending_.get();
  const RecordList& records = Records();
  return cursor_ < records.size() ? records[cursor_].get() : nullptr;
}

bool BusinessObject::Knows(const std::string& name) const {
  if (known_ != nullptr && known_->count(name) != 0) return true;
  return std::any_of(Records().begin(), Records().end(),
                     [&](const RecordPtr& record) { return record->attributes.count(name) != 0; });
}

Variant BusinessObject::Read(const std::string& name) const {
  if (BORecord* record = Current()) {
    auto it = record->attributes.find(name);
    if (it != record->attributes.end()) return it->second;
  }
  return Knows(name) ? Variant::Null() : Variant();
}

void BusinessObject::Insert() {
  pending_ = std::make_shared<BORecord>();
  mode_ = Mode::Insert;
}

bool BusinessObject::Edit() {
  if (Current() == nullptr) return false;
  if (mode_ == Mode::Browse) mode_ = Mode::Edit;
  return true;
}

RecordPtr BusinessObject::Post() {
  if (mode_ == Mode::Insert) {
    RecordList& list = List();
    list.push_back(pending_);
    cursor_ = list.size() - 1;
    RecordPtr posted = std::move(pending_);
    mode_ = Mode::Browse;
    return posted;
  }
  if (mode_ == Mode::Edit) {
    mode_ = Mode::Browse;
    const RecordList& records = Records();
    if (cursor_ < records.size()) return records[cursor_];
  }
  return nullptr;
}

void BusinessObject::SetFilter(const std::string& attribute, const Variant& value) {
  filters_[attribute] = value;
  First();
}

void BusinessObject::MisplaceFilter(const std::string& attribute, const Variant& value) {
  First();
  const RecordList& records = Records();
  for (size_t i = cursor_; i < records.size(); ++i) {
    auto it = records[i]->attributes.find(attribute);
    if (it == records[i]->attributes.end() || !SameName(ValueText(it->second), ValueText(value))) {
      cursor_ = i;
      return;
    }
  }
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
    if (it == record.attributes.end() || !SameName(ValueText(it->second), ValueText(value))) {
      return false;
    }
  }
  return true;
}

void BusinessObject::SkipFiltered() {
  const RecordList& records = Records();
  while (cursor_ < records.size() && !Passes(*records[cursor_])) ++cursor_;
}

// ---------------------------------------------------------------------------

BusinessObjectStore::BusinessObjectStore() {
  // The customer's identifier is the host's to give, at post.
  SetIdentity(kKindCustomer, "Cust Sid", 880000001);
  // Attributes every host record of a kind has, given a value or not.
  const std::pair<int32_t, std::vector<const char*>> standard[] = {
      {kKindCustomer,
       {"Sbs No", "Cust Sid", "Cust Id", "First Name", "Last Name", "EMail", "Allow Email",
        "Active", "Supplements", "Phone1", "Phone2", "Info1", "Info2", "Notes", "UDF1 Date",
        "UDF2 Date"}},
      {kKindInvoice,
       {"Invoice SID", "Invoice Number", "Invoice Type", "Status", "Subsidiary Number",
        "Created Date", "Store No", "Cashier", "Bill To Cust Sid", "SO Sid", "Fee Type",
        "Fee Amt"}},
      {kKindItem, {"Item_Sid", "Desc1", "Vendor Code", "Qty", "Orig P$", "Ext Rcpt P$"}},
      {kKindItemRef, {"Item_Sid", "Vendor Code", "Size", "Attr (strange)"}},
      {kKindTender,
       {"TENDER_TYPE", "AMT", "TAKEN", "GIVEN", "DOC_NO", "CRD_TYPE", "EFTDATA1", "CRD_EXP_MONTH",
        "CRD_EXP_YEAR", "AUTH", "emv_pin_statement", "emv_aid", "emv_applabel", "emv_card_exp_date",
        "emv_cyrpto_type", "emv_cryptogram"}},
      {kKindSalesOrder, {"SO Sid", "Sbs No", "SO Number", "Cust Sid"}},
      {kKindHistory, {"Invoice Sid"}},
      {kKindDeposit, {"SO Sid", "Invoice SID", "Sbs No", "Cust Sid"}},
  };
  for (const auto& [kind, names] : standard) {
    KnownNames(kind)->insert(names.begin(), names.end());
  }
}

std::shared_ptr<RecordList> BusinessObjectStore::Table(int32_t kind) {
  auto& table = tables_[kind];
  if (table == nullptr) table = std::make_shared<RecordList>();
  return table;
}

std::shared_ptr<NameSet> BusinessObjectStore::KnownNames(int32_t kind) {
  auto& known = known_[kind];
  if (known == nullptr) known = std::make_shared<NameSet>();
  return known;
}

void BusinessObjectStore::SetDocument(BusinessObject document) {
  objects_.insert_or_assign(0, std::move(document));
}

void BusinessObjectStore::SetDocument(int32_t kind, RecordPtr record) {
  auto list = std::make_shared<RecordList>(RecordList{std::move(record)});
  BusinessObject document(kind, std::move(list), KnownNames(kind));
  document.Open();
  SetDocument(std::move(document));
}

int32_t BusinessObjectStore::Create(int32_t kind) {
  int32_t handle = next_handle_++;
  objects_.emplace(handle, BusinessObject(kind, Table(kind), KnownNames(kind)));
  return handle;
}

int32_t BusinessObjectStore::Create(int32_t kind, RecordList records) {
  int32_t handle = next_handle_++;
  objects_.emplace(handle, BusinessObject(kind, std::make_shared<RecordList>(std::move(records)),
                                          KnownNames(kind)));
  return handle;
}

BusinessObject* BusinessObjectStore::Find(int32_t handle) {
  auto it = objects_.find(handle);
  return it == objects_.end() ? nullptr : &it->second;
}

std::optional<int32_t> BusinessObjectStore::Child(int32_t handle, const std::string& reference) {
  BusinessObject* parent = Find(handle);
  if (parent == nullptr) return std::nullopt;
  if (std::optional<int32_t> known = parent->Child(reference)) return known;
  std::optional<int32_t> kind = KindOfReference(parent->Kind(), reference);
  if (!kind) return std::nullopt;
  int32_t child = next_handle_++;
  objects_.emplace(child, BusinessObject::ChildOf(parent, reference, *kind, KnownNames(*kind)));
  parent->SetChild(reference, child);
  return child;
}

void BusinessObjectStore::SetPreference(int32_t number, int32_t subsidiary, Variant value) {
  preferences_[{number, subsidiary}] = std::move(value);
}

Variant BusinessObjectStore::Preference(int32_t number, int32_t subsidiary) const {
  auto it = preferences_.find({number, subsidiary});
  return it == preferences_.end() ? Variant::Null() : it->second;
}

void BusinessObjectStore::SetIdentity(int32_t kind, std::string attribute, int64_t first) {
  identities_[kind] = {std::move(attribute), first};
}

Variant BusinessObjectStore::TillSubsidiary() const {
  auto document = objects_.find(0);
  if (document == objects_.end()) return Variant();
  for (const char* name : {"Subsidiary Number", "Sbs No"}) {
    Variant value = document->second.Read(name);
    if (!value.IsNull() && !value.IsEmpty()) return value;
  }
  return Variant();
}

bool BusinessObjectStore::SetValue(int32_t kind, BORecord& record, const std::string& attribute,
                                   const Variant& value, std::string& error) const {
  std::optional<Variant> typed = HostColumnValue(kind, attribute, value, error);
  if (!typed) return false;
  const std::optional<int> udf = kind == kKindCustomer ? UdfValueIdNumber(attribute) : std::nullopt;
  if (udf && udf_values_) {
    Variant text = Variant::Null();
    if (!typed->IsNull()) {
      auto sbs = record.attributes.find("Sbs No");
      const Variant subsidiary =
          sbs != record.attributes.end() && !sbs->second.IsNull() && !sbs->second.IsEmpty()
              ? sbs->second
              : TillSubsidiary();
      if (std::optional<std::string> entry = udf_values_(subsidiary, *udf, typed->ToInt64())) {
        text = Variant(*entry);
      }
    }
    record.attributes["UDF " + std::to_string(*udf) + " Value"] = std::move(text);
  }
  record.attributes[attribute] = std::move(*typed);
  return true;
}

RecordPtr BusinessObjectStore::Post(BusinessObject& object) {
  const bool inserting = object.State() == BusinessObject::Mode::Insert;
  if (inserting) {
    auto identity = identities_.find(object.Kind());
    BORecord* record = object.Current();
    if (identity != identities_.end() && record != nullptr) {
      auto& [attribute, next] = identity->second;
      record->attributes[attribute] = Variant(next++);
    }
    // A customer inserted at the till belongs to the till's subsidiary
    // unless the inserting code gave it one.
    if (object.Kind() == kKindCustomer && record != nullptr) {
      auto sbs = record->attributes.find("Sbs No");
      if (sbs == record->attributes.end() || sbs->second.IsNull() || sbs->second.IsEmpty()) {
        if (Variant till = TillSubsidiary(); !till.IsEmpty()) record->attributes["Sbs No"] = till;
      }
    }
  }
  RecordPtr posted = object.Post();
  if (posted != nullptr && post_hook_) post_hook_(object.Kind(), *posted, inserting);
  return posted;
}

}  // namespace hostsim
