#pragma once
// The key matcher of record searches: key values prepared once into typed
// keys by their fields' data types, then compared with the fields' current
// values record after record. The base's Locate walks the records with it,
// and a dataset with a record store of its own searches that store with it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dataset/field.h"
#include "platform/com/variant.h"

namespace dataset {

struct TKeyMatchOptions {
  bool ignoreCase = false;  // string keys and values compared upper-cased
  bool ignoreTime = false;  // date-time keys and values compared by their date
  bool partial = false;     // a value matches when it begins with the key
  bool wildcards = false;   // string keys are patterns
};

class TKeyMatcher {
 public:
  // How the dataset presents stored text: a part of it (trimmed, for
  // instance).
  using TextConversion = std::function<std::string_view(std::string_view)>;
  // Whether text matches a pattern (for wildcard keys).
  using PatternMatch = std::function<bool(std::string_view text, std::string_view pattern)>;

  // One key per field; `values` must be as many as `fields`. With partial
  // or wildcard keys every key is compared as text. Raises EDatabaseError
  // when a date key's text is no date.
  TKeyMatcher(std::vector<TField*> fields, const std::vector<Variant>& values,
              TKeyMatchOptions options, TextConversion convert = {}, PatternMatch pattern = {});

  // Whether every key matches its field's current value.
  bool Matches() const;

  // Where a field's slot lies in a record image: the offset of its flag
  // byte (0: the value follows in the field's native form, `nativeSize`
  // bytes; text zero-terminated within them), or -1 when the field is to be
  // read through its object.
  using SlotLocator = std::function<int(const TField& field, int nativeSize)>;
  // Lets integer, float and (but for wildcard keys) string keys read their
  // values straight from record images given to Matches(record).
  void LocateSlots(const SlotLocator& locate);
  // Matches() for the record image `record`, which the dataset also shows
  // as its current record for the keys read through their fields.
  bool Matches(const uint8_t* record) const;
  // Every key reads its value from a located slot: FindIn may be used.
  bool ReadsRecordsOnly() const;
  // The position in `records` of the first matching record image (the last
  // with `backward`), or -1; for matchers that ReadsRecordsOnly.
  std::ptrdiff_t FindIn(std::span<uint8_t* const> records, bool backward) const;
  // Whether a key field is calculated or a lookup field (the record's
  // calculated fields must be computed before comparing).
  bool NeedsCalcFields() const;

 private:
  enum class Kind { kNull, kInteger, kFloat, kDate, kText, kBoolean };
  struct Key {
    TField* field = nullptr;
    Kind kind = Kind::kNull;
    int64_t integer = 0;
    double number = 0;
    std::string text;
    int slot = -1;  // flag byte offset in a record image, or -1
    int size = 0;   // bytes of a text slot
  };

  bool KeyMatches(const Key& key) const;
  bool SlotMatches(const Key& key, const uint8_t* record) const;
  std::string FieldText(const TField& field) const;

  std::vector<Key> keys_;
  TKeyMatchOptions options_;
  TextConversion convert_;
  PatternMatch pattern_;
};

// Null, or a text field holding the empty string.
bool IsFieldNullOrEmpty(const TField& field);

}  // namespace dataset
