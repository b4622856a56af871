// Fetching: one row of the active query into a new record image of the
// store, the filter test of a fetched record, the AfterFetchRecord handler,
// and the filtered list rebuilt when the filter changes.

#include <cstring>

#include "dataset/database_error.h"
#include "dataset/time_stamp.h"
#include "oracle/dataset/dataset.h"
#include "oracle/filter/column_expression.h"
#include "oracle/session/session.h"
#include "oracle/values/type_codes.h"
#include "platform/text.h"

namespace oracle {
namespace {

using dataset::TFieldType;

bool TrimsStrings(const TOracleSession* session) {
  return session == nullptr || session->Preferences().TrimStringFields();
}

// Without its trailing characters up to code 32.
bool IsBinaryType(int type) {
  return type == otype::LongRaw || type == otype::BLOB || type == otype::BFile;
}

}  // namespace

bool TOracleDataSet::FetchRecords() {
  for (;;) {
    if (queryDone_) return false;
    // With cached updates the logged inserts take their positions among
    // the fetched rows.
    uint8_t* record = cachedUpdates_ ? PlaceLoggedInsert(queryAtEnd_) : nullptr;
    if (record == nullptr) {
      if (queryAtEnd_) {
        if (cachedUpdates_) MarkUnmatchedChanges();
        queryDone_ = true;
        return false;
      }
      TOracleQuery& query = *rowQuery_;
      if (!firstRowCurrent_) query.Next();
      firstRowCurrent_ = false;
      if (query.Eof()) {
        queryAtEnd_ = true;
        continue;
      }

      // A free slot is zero-filled (its block was made so, and a slot left
      // unused is cleared again below), so it is not cleared here: that
      // would touch every page of the store twice.
      uint8_t* slot = store_->NewRecordSlot();
      TRecordHeader& header = RecordHeader(slot);
      header.DataSize = recordSize_ - kRecordHeaderSize;
      // The slot stays free for the next record: release what it holds.
      const auto leaveSlot = [&] {
        ReleaseRecordResources(header);
        std::memset(slot, 0, static_cast<std::size_t>(recordSize_));
      };
      TChangeLogItem* logged = nullptr;
      try {
        FillRecord(slot);
        if (rowIdColumn_ >= 0) StoreRowId(header);
        if (cachedUpdates_ && !changeLog_.Empty()) {
          logged = changeLog_.FindChangeByRowId(oracle::RecordRowId(header));
          if (logged != nullptr && !MergeLoggedChange(slot, *logged)) {
            // A row deleted in the log is not shown.
            leaveSlot();
            continue;
          }
        }
      } catch (...) {
        leaveSlot();
        throw;
      }
      record = store_->AddRecord(-1, false);
      RecordHeader(record).Bookmark = ++bookmarkCounter_;
      RecordHeader(record).BookmarkFlag = 0;
      // A logged update of the row follows the record's new number.
      if (logged != nullptr) logged->SetRecordId(RecordHeader(record).Bookmark);
    }

    bool accept = true;
    if (FilterActive()) {
      accept = TestFilter(record);
      if (accept) store_->AppendFiltered(record);
    }

    if (AfterFetchRecord) {
      TAfterFetchRecordAction action = TAfterFetchRecordAction::afContinue;
      const int saved = currentIndex_;
      currentIndex_ = accept && FilterActive() ? store_->RecordCount() - 1 : store_->Count() - 1;
      try {
        AfterFetchRecord(*this, accept, action);
      } catch (...) {
        // A failing handler ends the fetch with nothing fetched, and its
        // exception reaches the caller: an open fails rather than seeming
        // to succeed empty.
        currentIndex_ = -1;
        queryDone_ = true;
        store_->Clear();
        throw;
      }
      currentIndex_ = saved;
      switch (action) {
        case TAfterFetchRecordAction::afContinue:
          break;
        case TAfterFetchRecordAction::afPause:
          return false;
        case TAfterFetchRecordAction::afStop:
          queryDone_ = true;
          break;
        case TAfterFetchRecordAction::afCancel:
          queryDone_ = true;
          store_->Clear();
          currentIndex_ = -1;
          accept = false;
          break;
      }
    }
    if (accept) return true;
  }
}

void TOracleDataSet::FillRecord(uint8_t* record) {
  TOracleQuery& query = *rowQuery_;
  uint8_t* data = record + kRecordHeaderSize;
  const TextRules rules{query.ConvertsLineEnds(), TrimsStrings(Session())};
  for (const ColumnFill& fill : columnFills_) {
    // Plain values go from the fetch buffer straight into the slot; the
    // others are read once per row as a variant (null state and value).
    if (fill.kind != TFieldData::TInPlaceKind::kNone) {
      const TFieldData& buffer = query.FieldBuffer(fill.column);
      if (buffer.InPlaceKind() == fill.kind) {
        StoreInPlace(data, fill, buffer, query.BufferRow(), rules);
        continue;
      }
    }
    const TOracleFieldInfo& info = fieldInfo_.Items(fill.infoIndex);
    StoreColumnValue(record, info, *fill.field,
                     info.Kind == fiAttribute || info.IsXML ? ObjectColumnValue(info)
                                                            : query.Field(fill.column));
  }
  // Internal-calc slots start out null.
  for (const int flag : internalCalcFlags_) data[flag] = 1;
}

void TOracleDataSet::StoreRowId(TRecordHeader& header) {
  const TOracleQuery& query = *rowQuery_;
  const TFieldData& buffer = query.FieldBuffer(rowIdColumn_);
  if (buffer.InPlaceKind() != TFieldData::TInPlaceKind::kText) {
    SetRecordRowId(header, query.FieldAsString(rowIdColumn_));
    return;
  }
  // Text goes from the fetch buffer into the header without a copy between.
  const int32_t row = query.BufferRow();
  std::string converted;
  SetRecordRowId(header, buffer.IsNull(row)
                             ? std::string_view()
                             : buffer.TextAt(row, query.ConvertsLineEnds(), converted));
}

void TOracleDataSet::StoreColumnValue(uint8_t* record, const TOracleFieldInfo& info,
                                      dataset::TField& field, const Variant& column) {
  const bool isNull = column.IsEmptyOrNull();
  if (field.IsBlob()) {
    TOracleBlob& blob = BlobListFor(record).Add(&field);
    std::string value;
    if (!isNull) {
      if (column.IsArray() && column.Array().elementType == VarType::Byte) {
        const std::vector<uint8_t>& bytes = column.Array().bytes;  // LONG RAW
        value.assign(bytes.begin(), bytes.end());
      } else {
        value = column.ToText();
      }
      if (info.OracleType == otype::String || info.OracleType == otype::Reference) {
        if (TrimsStrings(Session())) value.resize(platform::TrimRightControls(value).size());
      } else if (!IsBinaryType(info.OracleType)) {
        // LONG and CLOB text is kept as fetched.
      } else if (HasCompressedBLOBHeader(value)) {
        value = ExpandCompressedBLOB(value, field.FieldName());
      } else if (compressBLOBs_ && OnDecompressBLOB) {
        std::string expanded;
        OnDecompressBLOB(*this, field, value, expanded);
        if (!expanded.empty()) value = std::move(expanded);
      }
    }
    blob.Data() = std::move(value);
    return;
  }

  const Slot& slot = SlotOf(field);
  uint8_t* flag = record + kRecordHeaderSize + slot.offset;
  uint8_t* value = flag + 1;
  if (isNull) {
    *flag = 1;
    return;
  }
  *flag = 0;
  switch (info.OracleType) {
    case otype::Integer: {
      const int32_t v = column.ToInt32();
      std::memcpy(value, &v, sizeof v);
      break;
    }
    case otype::Float: {
      const double v = column.ToDouble();
      std::memcpy(value, &v, sizeof v);
      break;
    }
    case otype::String:
    case otype::Reference: {
      const std::string text = column.ToText();
      StoreText(value, slot, field.DataType() == TFieldType::ftWideString && info.National, field,
                TrimsStrings(Session()) ? platform::TrimRightControls(text) : text);
      break;
    }
    case otype::Date:
    case otype::Timestamp:
    case otype::TimestampTZ:
    case otype::TimestampLTZ: {
      const double msecs = dataset::DateTimeToMSecs(column.ToDateTime());
      std::memcpy(value, &msecs, sizeof msecs);
      break;
    }
    default:
      dataset::DatabaseError("Unexpected datatype: " + field.FieldName(), Name());
  }
}

void TOracleDataSet::StoreInPlace(uint8_t* data, const ColumnFill& fill, const TFieldData& buffer,
                                  int32_t row, const TextRules& rules) {
  uint8_t* flag = data + fill.slot.offset;
  uint8_t* value = flag + 1;
  if (buffer.IsNull(row)) {
    *flag = 1;
    return;
  }
  *flag = 0;
  switch (fill.kind) {
    case TFieldData::TInPlaceKind::kInteger: {
      const int32_t v = buffer.IntegerAt(row);
      std::memcpy(value, &v, sizeof v);
      break;
    }
    case TFieldData::TInPlaceKind::kFloat: {
      const double v = buffer.FloatAt(row);
      std::memcpy(value, &v, sizeof v);
      break;
    }
    case TFieldData::TInPlaceKind::kDate: {
      const double msecs = dataset::DateTimeToMSecs(buffer.DateAt(row));
      std::memcpy(value, &msecs, sizeof msecs);
      break;
    }
    case TFieldData::TInPlaceKind::kText: {
      std::string converted;
      const std::string_view text = buffer.TextAt(row, rules.convertLineEnds, converted);
      StoreText(value, fill.slot, fill.nationalWide, *fill.field,
                rules.trim ? platform::TrimRightControls(text) : text);
      break;
    }
    case TFieldData::TInPlaceKind::kNone:
      dataset::DatabaseError("Unexpected datatype: " + fill.field->FieldName(), Name());
  }
}

void TOracleDataSet::StoreText(uint8_t* value, const Slot& slot, bool nationalWide,
                               const dataset::TField& field, std::string_view text) {
  // The slot has room for the column's size, and for the converted line ends
  // while the session converts them; a longer text is a fault of the client
  // and is refused rather than cut.
  const auto refuse = [&](std::size_t length, int room) {
    dataset::DatabaseError("Value of field " + field.FieldName() + " is longer (" +
                               std::to_string(length) + ") than its size (" + std::to_string(room) +
                               ")",
                           Name());
  };
  if (nationalWide) {
    const std::u16string wide = Utf16FromUtf8(text);
    const int room = (slot.size - 2) / 2;
    if (wide.size() > static_cast<std::size_t>(room)) refuse(wide.size(), room);
    std::memcpy(value, wide.data(), wide.size() * 2);
    std::memset(value + wide.size() * 2, 0, 2);
    return;
  }
  if (text.size() > static_cast<std::size_t>(slot.size - 1)) refuse(text.size(), slot.size - 1);
  std::memcpy(value, text.data(), text.size());
  value[text.size()] = 0;
}

bool TOracleDataSet::TestFilter(uint8_t* record) {
  RecordInPlace view(*this, record);
  return FilterAccepts() && EvaluateFilter();
}

bool TOracleDataSet::EvaluateFilter() {
  return !filterExpression_ || filterExpression_->AsBoolean();
}

std::vector<uint8_t*> TOracleDataSet::PassingRecords() {
  std::vector<uint8_t*> passing;
  for (int n = store_->Base(); n < store_->Count(); ++n) {
    uint8_t* record = store_->Get(n);
    if (TestFilter(record)) passing.push_back(record);
  }
  return passing;
}

void TOracleDataSet::ShowFiltered(const std::vector<uint8_t*>& records) {
  store_->ClearFiltered();
  for (uint8_t* record : records) store_->AppendFiltered(record);
}

std::unique_ptr<filter::TExpression> TOracleDataSet::CompileFilter(
    const std::string& text, dataset::TFilterOptions options) {
  return filter::ParseFilterExpression(text, options, filter::ColumnResolver(*this));
}

void TOracleDataSet::SetFiltered(bool on) {
  if (on == Filtered()) return;
  if (!Active()) {
    dataset::TDataSet::SetFiltered(on);
    return;
  }
  CheckBrowseMode();
  if (on) {
    const std::vector<uint8_t*> passing = PassingRecords();
    dataset::TDataSet::SetFiltered(true);
    ShowFiltered(passing);
  } else {
    dataset::TDataSet::SetFiltered(false);
  }
  First();
}

void TOracleDataSet::ChangeFilter(const std::string& text, dataset::TFilterOptions options) {
  if (!Active()) {
    dataset::TDataSet::SetFilter(text);
    dataset::TDataSet::SetFilterOptions(options);
    return;
  }
  const bool filtered = Filtered();
  if (filtered) CheckBrowseMode();
  std::unique_ptr<filter::TExpression> expression = CompileFilter(text, options);
  std::vector<uint8_t*> passing;
  if (filtered) {
    filterExpression_.swap(expression);
    try {
      passing = PassingRecords();
    } catch (...) {
      filterExpression_.swap(expression);
      throw;
    }
  } else {
    filterExpression_ = std::move(expression);
  }
  dataset::TDataSet::SetFilter(text);
  dataset::TDataSet::SetFilterOptions(options);
  if (filtered) {
    ShowFiltered(passing);
    First();
  }
}

void TOracleDataSet::SetFilter(const std::string& text) {
  ChangeFilter(text, FilterOptions());
}

void TOracleDataSet::SetFilterOptions(dataset::TFilterOptions options) {
  ChangeFilter(Filter(), options);
}

}  // namespace oracle
