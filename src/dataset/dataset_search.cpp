// Locate and Lookup of the base: a walk over the records with the cursor,
// without events, that leaves the current record in place unless a locate
// finds one. Descendants with a store of their own search it directly.

#include "dataset/database_error.h"
#include "dataset/dataset.h"
#include "dataset/key_matcher.h"
#include "platform/com/safearray.h"

namespace dataset {
// Walks the records from the first for one whose key fields match; calls
// `onMatch` while positioned on it. The cursor is back on the record it was on
// afterwards, also when the walk raises. False when there is no current record
// or nothing matches.
bool TDataSet::ScanForMatch(const TKeyMatcher& matcher, const std::function<void()>& onMatch) {
  if (!hasRecord_) return false;
  UpdateCursorPos();
  const TBookmark start = GetBookmark();
  if (start.empty()) return false;
  bool found = false;
  try {
    InternalFirst();
    cursorOnActive_ = false;
    while (ReadRecord(TGetMode::gmNext)) {
      if (matcher.Matches()) {
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
  TKeyMatchOptions match;
  match.ignoreCase = (options & loCaseInsensitive) != 0;
  match.partial = (options & loPartialKey) != 0;
  TBookmark found;
  const bool matched = ScanForMatch(TKeyMatcher(keys, keyValues, match), [&] {
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
  const bool found = ScanForMatch(TKeyMatcher(keys, keyValues, {}), [&] {
    for (TField* f : results) values.push_back(f->Value());
  });
  if (!found) return Variant::Null();
  return ResultValues(std::move(values));
}

Variant TDataSet::ResultValues(std::vector<Variant> values) {
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
