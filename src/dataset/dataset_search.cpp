// Locate and Lookup of the base: a walk over the records with the cursor,
// without events, that leaves the current record in place unless a locate
// finds one. Descendants with a store of their own search it directly.

#include <algorithm>
#include <cctype>

#include "dataset/database_error.h"
#include "dataset/dataset.h"
#include "platform/com/safearray.h"
#include "platform/text.h"

namespace dataset {
namespace {

bool IsTextField(const TField& f) {
  switch (f.DataType()) {
    case TFieldType::ftString:
    case TFieldType::ftWideString:
    case TFieldType::ftMemo:
    case TFieldType::ftOraClob:
      return true;
    default:
      return false;
  }
}

bool IsNumberField(const TField& f) {
  switch (f.DataType()) {
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftWord:
    case TFieldType::ftLargeint:
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency:
    case TFieldType::ftBCD:
    case TFieldType::ftDate:
    case TFieldType::ftTime:
    case TFieldType::ftDateTime:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool TDataSet::RecordMatches(const std::vector<TField*>& keys, const std::vector<Variant>& values,
                             TLocateOptions options) const {
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const TField& field = *keys[i];
    const Variant& key = values[i];
    if (key.IsNull() || key.IsEmpty()) {
      if (!field.IsNull() && !(IsTextField(field) && field.AsString().empty())) return false;
      continue;
    }
    if (field.IsNull()) return false;
    const bool asText = IsTextField(field) || (options & loPartialKey) != 0 ||
                        !(IsNumberField(field) || field.DataType() == TFieldType::ftBoolean);
    if (asText) {
      std::string value = field.AsString();
      std::string wanted = key.ToString();
      if (options & loCaseInsensitive) {
        value = platform::UpperAscii(value);
        wanted = platform::UpperAscii(wanted);
      }
      if (options & loPartialKey) {
        if (value.compare(0, wanted.size(), wanted) != 0) return false;
      } else if (value != wanted) {
        return false;
      }
    } else if (field.DataType() == TFieldType::ftBoolean) {
      if (field.AsBoolean() != key.ToBool()) return false;
    } else if (field.AsFloat() != key.ToDouble()) {
      return false;
    }
  }
  return true;
}

// Walks the records from the first for one whose key fields match; calls
// `onMatch` while positioned on it. The cursor is back on the record it was on
// afterwards, also when the walk raises. False when there is no current record
// or nothing matches.
bool TDataSet::ScanForMatch(const std::vector<TField*>& keys, const std::vector<Variant>& keyValues,
                            TLocateOptions options, const std::function<void()>& onMatch) {
  if (!hasRecord_) return false;
  UpdateCursorPos();
  const TBookmark start = GetBookmark();
  if (start.empty()) return false;
  bool found = false;
  try {
    InternalFirst();
    cursorOnActive_ = false;
    while (ReadRecord(TGetMode::gmNext)) {
      if (RecordMatches(keys, keyValues, options)) {
        onMatch();
        found = true;
        break;
      }
    }
  } catch (...) {
    InternalGotoBookmark(start.data());
    ReadRecord(TGetMode::gmCurrent);
    throw;
  }
  InternalGotoBookmark(start.data());
  ReadRecord(TGetMode::gmCurrent);
  return found;
}

bool TDataSet::Locate(const std::string& keyFields, const std::vector<Variant>& keyValues,
                      TLocateOptions options) {
  CheckBrowseMode();
  const std::vector<TField*> keys = GetFieldList(keyFields);
  if (keys.size() != keyValues.size()) {
    DatabaseError("Number of key fields and key values do not match", name_);
  }
  TBookmark found;
  const bool matched = ScanForMatch(keys, keyValues, options, [&] {
    found.resize(static_cast<std::size_t>(bookmarkSize_));
    GetBookmarkData(activeBuffer_, found.data());
  });
  if (!matched || found.empty()) return false;
  DoBeforeScroll();
  InternalGotoBookmark(found.data());
  cursorOnActive_ = false;
  Resync();
  DoAfterScroll();
  return true;
}

Variant TDataSet::Lookup(const std::string& keyFields, const std::vector<Variant>& keyValues,
                         const std::string& resultFields) {
  CheckBrowseMode();
  const std::vector<TField*> keys = GetFieldList(keyFields);
  const std::vector<TField*> results = GetFieldList(resultFields);
  if (keys.size() != keyValues.size()) {
    DatabaseError("Number of key fields and key values do not match", name_);
  }
  std::vector<Variant> values;
  const bool found = ScanForMatch(keys, keyValues, 0, [&] {
    for (TField* f : results) values.push_back(f->Value());
  });
  if (!found) return Variant::Null();
  if (values.size() == 1) return values.front();
  SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(values.size()));
  for (LONG i = 0; i < static_cast<LONG>(values.size()); ++i) {
    // PutElement copies the variant.
    VARIANT item = values[static_cast<std::size_t>(i)].Get();
    SafeArrayPutElement(array, &i, &item);
  }
  return Variant::FromArray(array);
}

}  // namespace dataset
