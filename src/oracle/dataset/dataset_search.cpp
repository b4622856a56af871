// Searching the dataset's fetched records: SearchRecord walks the record
// store (fetching on as it goes forward) with the framework's key matcher,
// reading each record in place under the filter state; Locate and Lookup
// are thin calls of it.

#include <memory>

#include "dataset/database_error.h"
#include "dataset/key_matcher.h"
#include "oracle/dataset/dataset.h"
#include "oracle/dataset/screen_cursor_scope.h"
#include "oracle/filter/expression.h"
#include "platform/text.h"

namespace oracle {
namespace {

bool Has(int options, int bit) {
  return (options & bit) != 0;
}

bool OptionsValid(int o) {
  return !(Has(o, srFromBeginning) && (Has(o, srFromEnd) || Has(o, srFromCurrent))) &&
         !(Has(o, srFromEnd) && Has(o, srFromCurrent)) &&
         !(Has(o, srForward) && (Has(o, srBackward) || Has(o, srFromEnd))) &&
         !(Has(o, srBackward) && Has(o, srFromBeginning));
}

}  // namespace

int TOracleDataSet::FindRecord(const std::string& fields, const std::vector<::Variant>& values,
                               int options) {
  CheckBrowseMode();
  if (!OptionsValid(options)) throw std::runtime_error(Name() + ".SearchRecord options invalid");
  const bool byRowId = platform::UpperAscii(std::string(platform::Trim(fields))) == "ROWID";
  if (byRowId && !HasRowId())
    throw std::runtime_error("You cannot search a rowid if it is not included in the select list");
  std::vector<dataset::TField*> keys;
  if (!byRowId) keys = GetFieldList(fields);
  if ((byRowId ? 1u : keys.size()) != values.size())
    throw std::runtime_error(Name() + ".SearchRecord: number of fields and values do not match");

  dataset::TKeyMatchOptions match;
  match.ignoreCase = Has(options, srIgnoreCase);
  match.ignoreTime = Has(options, srIgnoreTime);
  match.partial = Has(options, srPartialCompare);
  match.wildcards = Has(options, srWildcards);
  std::unique_ptr<dataset::TKeyMatcher> matcher;
  if (!byRowId)
    matcher = std::make_unique<dataset::TKeyMatcher>(
        keys, values, match, [this](std::string_view text) { return ShownText(text); },
        [](std::string_view text, std::string_view pattern) {
          return filter::WildcardMatch(text, pattern);
        });
  if (matcher) {
    // Integer and float values are read straight from the store records.
    matcher->LocateSlots([this](const dataset::TField& field, int nativeSize) {
      if (field.FieldKind() != dataset::TFieldKind::fkData || field.IsBlob()) return -1;
      const Slot& slot = SlotOf(field);
      return slot.offset >= 0 && slot.size == nativeSize ? kRecordHeaderSize + slot.offset : -1;
    });
  }
  const std::string rowId = byRowId ? values.front().ToString() : std::string();
  const bool calculate = matcher && matcher->NeedsCalcFields();

  ScreenCursorScope cursor(Cursor());
  UpdateCursorPos();
  int index = currentIndex_;
  if (Has(options, srFromBeginning)) index = FirstVisible() - 1;
  if (Has(options, srFromEnd)) {
    FetchAll();
    index = VisibleEnd();
  }
  const int step = Has(options, srBackward) || Has(options, srFromEnd) ? -1 : 1;

  // Each record is read in place, under the filter state.
  RecordInPlace view(*this, nullptr);
  const int first = FirstVisible();
  int end = VisibleEnd();
  if (matcher && !calculate && matcher->ReadsRecordsOnly()) {
    // Keys read straight from the record images: the held records are
    // searched as runs, without showing each one.
    if (step < 0) {
      if (index <= first || index > end) return -1;
      const std::ptrdiff_t at = matcher->FindIn(store_->Records(first, index), true);
      return at < 0 ? -1 : first + static_cast<int>(at);
    }
    if (index + 1 < first) return -1;
    for (int from = index + 1;;) {
      if (from < end) {
        const std::ptrdiff_t at = matcher->FindIn(store_->Records(from, end), false);
        if (at >= 0) return from + static_cast<int>(at);
        from = end;
      }
      if (!FetchRecords()) return -1;
      end = VisibleEnd();
    }
  }
  for (;;) {
    index += step;
    if (index < first) return -1;
    while (index >= end) {
      if (step < 0 || !FetchRecords()) return -1;
      end = VisibleEnd();
    }
    uint8_t* record = store_->Record(index);
    if (byRowId) {
      if (oracle::RecordRowId(RecordHeader(record)) == rowId) return index;
      continue;
    }
    view.Show(record);
    if (calculate) GetCalcFields(record);
    if (matcher->Matches(record)) return index;
  }
}

bool TOracleDataSet::SearchRecord(const std::string& fields, const std::vector<::Variant>& values,
                                  int options) {
  const int index = FindRecord(fields, values, options);
  if (index < 0) return false;
  if (!Has(options, srDontMove)) {
    DoBeforeScroll();
    currentIndex_ = index;
    CursorPosChanged();
    Resync();
    DoAfterScroll();
  }
  return true;
}

bool TOracleDataSet::Locate(const std::string& keyFields, const std::vector<::Variant>& keyValues,
                            dataset::TLocateOptions options) {
  int search = srFromBeginning;
  if ((options & dataset::loCaseInsensitive) != 0) search |= srIgnoreCase;
  if ((options & dataset::loPartialKey) != 0) search |= srPartialCompare;
  return SearchRecord(keyFields, keyValues, search);
}

::Variant TOracleDataSet::Lookup(const std::string& keyFields,
                                 const std::vector<::Variant>& keyValues,
                                 const std::string& resultFields) {
  const int index = FindRecord(keyFields, keyValues, srFromBeginning | srDontMove);
  if (index < 0) return ::Variant::Null();
  const std::vector<dataset::TField*> results = GetFieldList(resultFields);
  uint8_t* record = store_->Record(index);
  for (dataset::TField* field : results) {
    if (field->IsCalculated()) {
      GetCalcFields(record);
      break;
    }
  }
  std::vector<::Variant> values;
  {
    RecordInPlace view(*this, record);
    for (dataset::TField* field : results) values.push_back(field->Value());
  }
  return ResultValues(std::move(values));
}

}  // namespace oracle
