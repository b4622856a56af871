#pragma once
// The tree of named values that document extraction fills, so that receipt
// preparation and message building never talk to the host: a named value
// (TFieldValue), a container of named values (TContainer), a list of
// containers (TContainerList) and the invoice container (TInvoiceContainer),
// a container with one list for the items and one for the tenders.
//
// Ownership: a container owns its values, a list owns its containers, an
// invoice container owns its two lists. Addresses stay valid while the owner
// lives, however many entries are added later.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace receipt {

// A point in time as days since 30 December 1899, the fraction being the time
// of day; kept apart from plain numbers so a value remembers it is a date.
struct TFieldDateTime {
  double Days = 0;
};

// Empty, text, integer, floating-point number or date-time.
using TFieldVariant = std::variant<std::monostate, std::string, int64_t, double, TFieldDateTime>;

// Raised by the typed getters when a present value cannot be converted; the
// message is "Invalid cast of field value to " followed by "String",
// "Integer", "Double" or "TDatetime".
class EInvalidFieldCast : public std::runtime_error {
 public:
  explicit EInvalidFieldCast(const std::string& typeName);
};

class TFieldValue {
 public:
  TFieldValue(std::string name, TFieldVariant value);

  const std::string& Name() const { return FName; }
  const TFieldVariant& Value() const { return FValue; }

 private:
  std::string FName;
  TFieldVariant FValue;
};

class TContainer {
 public:
  TContainer() = default;
  TContainer(const TContainer&) = delete;
  TContainer& operator=(const TContainer&) = delete;
  virtual ~TContainer() = default;

  // Appends a value; names need not be unique (lookups find the first).
  TFieldValue& AddField(std::string name, TFieldVariant value);

  // The first value whose name matches without regard to ASCII letter case;
  // nullptr when there is none.
  const TFieldValue* FindField(const std::string& name) const;

  // Typed reads. An absent name gives the neutral value (empty text, 0); a
  // present value that cannot be converted raises EInvalidFieldCast.
  //  - texts convert to numbers when they hold a decimal number (trimmed;
  //    a fraction is rounded half to even for AsInteger) and to date-times
  //    when they hold "yyyy-mm-dd", optionally followed by " hh:nn:ss" or
  //    "Thh:nn:ss";
  //  - numbers and date-times convert into each other as days; AsInteger
  //    rounds half to even and raises outside the 32-bit range;
  //  - AsString writes integers in decimal, floating-point numbers with up to
  //    15 significant digits, date-times as "yyyy-mm-dd" plus " hh:nn:ss"
  //    when the time of day is not midnight;
  //  - an empty value reads as empty text or 0.
  std::string AsString(const std::string& name) const;
  int32_t AsInteger(const std::string& name) const;
  double AsFloat(const std::string& name) const;
  double AsDateTime(const std::string& name) const;

  // Every value in the order it was added.
  const std::vector<std::unique_ptr<TFieldValue>>& Fields() const { return fields_; }

 private:
  std::vector<std::unique_ptr<TFieldValue>> fields_;
};

class TContainerList {
 public:
  TContainerList() = default;
  TContainerList(const TContainerList&) = delete;
  TContainerList& operator=(const TContainerList&) = delete;

  // Appends a container made elsewhere; the list takes it over.
  TContainer& Add(std::unique_ptr<TContainer> container);

  // Creates an empty container owned by the list, appends and returns it.
  TContainer& NewContainer();

  // The container at `index`; nullptr when the index is below 0 or not below
  // Count().
  TContainer* GetItem(int index) const;

  int Count() const { return static_cast<int>(items_.size()); }

 private:
  std::vector<std::unique_ptr<TContainer>> items_;
};

// The invoice header values, with one container per item and per tender.
class TInvoiceContainer : public TContainer {
 public:
  TContainerList Items;
  TContainerList Tenders;
};

}  // namespace receipt
