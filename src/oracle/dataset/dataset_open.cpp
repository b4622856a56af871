// Opening and closing an Oracle dataset: the describe and execute of the main
// query, the field information and definitions from its select list, the
// record layout, running the query and fetching all rows at open.

#include <cctype>
#include <cstring>

#include "dataset/database_error.h"
#include "dataset/field_kinds.h"
#include "oracle/dataset/dataset.h"
#include "oracle/dataset/dataset_field_types.h"
#include "oracle/dataset/screen_cursor_scope.h"
#include "oracle/session/session.h"
#include "oracle/values/type_codes.h"

namespace oracle {
namespace {

constexpr int kRowIdType = 11;
constexpr int kRowIdDescriptorType = 104;

// The kind of fetch buffer a field slot for a column of `oracleType` is
// filled from in place; kNone for the types filled through the variant.
TFieldData::TInPlaceKind InPlaceKindFor(int oracleType) {
  switch (oracleType) {
    case otype::Integer:
      return TFieldData::TInPlaceKind::kInteger;
    case otype::Float:
      return TFieldData::TInPlaceKind::kFloat;
    case otype::String:
      return TFieldData::TInPlaceKind::kText;
    case otype::Date:
      return TFieldData::TInPlaceKind::kDate;
    default:
      return TFieldData::TInPlaceKind::kNone;
  }
}

bool IsRowIdName(const std::string& name) {
  return dataset::SameText(name, "ROWID");
}

}  // namespace

void TOracleDataSet::InternalOpen() {
  struct OpeningFlag {
    bool& flag;
    ~OpeningFlag() { flag = false; }
  } openingFlag{opening_};
  opening_ = true;
  if (SQLMonitorActive()) {
    monitorId_.Unregister(Session());
    TMonitorNotice notice;
    notice.kind = TMonitorNotice::TKind::kRegister;
    notice.id = monitorId_.Get();
    notice.session = Session();
    notice.objectKind = kMonitorDataSetKind;
    notice.text = Name();
    NotifySQLMonitor(notice);
  }
  currentIndex_ = -1;
  SetBookmarkSize(4);

  InternalInitFieldDefs();
  if (DefaultFields()) CreateFields();
  BindFields(true);
  LinkFieldInfo();
  if (DefaultFields() && RecordPosting() != nullptr) RecordPosting()->FieldsCreated(*this);

  store_ = std::make_unique<TRecordDataList>(*this);
  store_->SetUnidirectional(unidirectional_);
  masterKey_ = -1;
  detailsNeedRefresh_ = true;
  ComputeRecordSize();
  if (cachedUpdates_ && rowIdColumn_ < 0 && (ComponentState() & dataset::csDesigning) == 0) {
    dataset::DatabaseError("CachedUpdates requires a rowid!", Name());
  }
  editBlobs_ = CreateBlobList();
  blobBytesBefore_ = blobBytesAfter_ = 0;
  filterExpression_ = CompileFilter(Filter(), FilterOptions());

  ExecuteQuery(true);
  hitCountKnown_ = false;
  insertedCount_ = 0;
}

void TOracleDataSet::InternalInitFieldDefs() {
  FieldDefs().Clear();
  SetMasterVariables();
  if (IsCursorDataSet()) {
    // A cursor's select list is known only once the cursor is open.
    if (opening_ && HasMasterRecord() && BeforeQuery) BeforeQuery(*this);
    OpenCursorQuery();
  } else if (opening_ && HasMasterRecord()) {
    rowQuery_ = mainQuery_.get();
    if (BeforeQuery) BeforeQuery(*this);
    // The one execute of the open: it describes the select list as well.
    mainQuery_->Execute();
  } else {
    rowQuery_ = mainQuery_.get();
    mainQuery_->Describe();
  }
  BuildFieldInfo();
  qbeDefinition_.SynchronizeFields();
}

void TOracleDataSet::ReleaseCursorQuery() {
  rowQuery_ = mainQuery_.get();
  if (!cursorQuery_) return;
  // MainQuery's cursor variable lets go of it first.
  for (int32_t i = 0; i < mainQuery_->VariableCount(); ++i) {
    const std::string& name = mainQuery_->VariableName(i);
    if (mainQuery_->VariableType(i) == otype::Cursor &&
        mainQuery_->GetComplexVariable(name) == cursorQuery_.get()) {
      mainQuery_->SetComplexVariable(name, nullptr);
    }
  }
  cursorQuery_.reset();
}

bool TOracleDataSet::IsCursorDataSet() const {
  for (int32_t i = 0; i < mainQuery_->VariableCount(); ++i)
    if (mainQuery_->VariableType(i) == otype::Cursor) return true;
  return false;
}

void TOracleDataSet::OpenCursorQuery() {
  TOracleQuery* cursor = externalCursor_;
  if (cursor == nullptr) {
    if (!cursorQuery_) cursorQuery_ = std::make_unique<TOracleQuery>(this);
    cursor = cursorQuery_.get();
    cursor->SetReadBuffer(mainQuery_->ReadBuffer());
    cursor->SetOptimize(mainQuery_->Optimize());
    cursor->SetStringFieldsOnly(mainQuery_->StringFieldsOnly());
  }
  cursor->SetSession(Session());
  for (int32_t i = 0; i < mainQuery_->VariableCount(); ++i) {
    if (mainQuery_->VariableType(i) == otype::Cursor) {
      mainQuery_->SetComplexVariable(mainQuery_->VariableName(i), cursor);
      break;
    }
  }
  rowQuery_ = cursor;
  mainQuery_->Execute();
  // Fetches the first rows from the cursor the run opened, describing it.
  cursor->Execute();
}

void TOracleDataSet::BuildFieldInfo() {
  TOracleQuery& query = *rowQuery_;
  rowIdColumn_ = -1;
  for (int32_t i = 0; i < query.FieldCount() && rowIdColumn_ < 0; ++i) {
    if (IsRowIdName(query.FieldName(i))) rowIdColumn_ = i;
  }
  for (int32_t i = 0; i < query.FieldCount() && rowIdColumn_ < 0; ++i) {
    const int type = query.FieldOracleType(i);
    if (type == kRowIdType || type == kRowIdDescriptorType) rowIdColumn_ = i;
  }

  TFieldTypeRules rules;
  TConvertUTF convertUTF = TConvertUTF::cuNone;
  bool forceWide = false;
  if (Session() != nullptr) {
    const TSessionPreferences& preferences = Session()->Preferences();
    rules.smallIntPrecision = preferences.SmallIntPrecision();
    rules.maxStringFieldSize = preferences.MaxStringFieldSize();
    convertUTF = preferences.ConvertUTF();
    forceWide = preferences.ForceWideStringFields();
  }

  fieldInfo_.Reset();
  if (rowIdColumn_ >= 0) fieldInfo_.Items(0).ColumnIndex = rowIdColumn_;
  for (int32_t i = 0; i < query.FieldCount(); ++i) {
    if (i == rowIdColumn_) continue;
    TOracleFieldInfo& info = fieldInfo_.Add();
    info.Kind = fiColumn;
    info.ColumnName = query.FieldName(i);
    info.SetUniqueName(info.ColumnName);
    info.ColumnIndex = i;
    info.OracleType = query.FieldType(i);
    info.Size = query.FieldSize(i);
    info.Precision = query.FieldPrecision(i);
    info.Scale = query.FieldScale(i);
    info.TypeName = query.FieldTypeName(i);
    info.CharsetForm = query.FieldCharsetForm(i);
    info.CharsetId = query.FieldCharsetId(i);
    info.National = IsNationalCharsetForm(info.CharsetForm);
    if (dataset::SameText(info.TypeName, "SYS.XMLTYPE")) {
      info.IsXML = true;
      info.OracleType = otype::CLOB;
    }
    if (info.OracleType == otype::Object && !info.IsXML) {
      ExpandObjectColumn(info, rules, !query.FieldOptional(i));
      continue;
    }
    info.Wide =
        IsWideColumn(info.OracleType, info.CharsetForm, info.CharsetId, convertUTF, forceWide);
    const TColumnFieldType field = FieldTypeForColumn(info.OracleType, info.Size, info.Precision,
                                                      info.National, info.Wide, rules);
    if (field.hasField) {
      FieldDefs().Add(info.Name, field.type, field.size, !query.FieldOptional(i));
    }
  }
}

void TOracleDataSet::LinkFieldInfo() {
  for (int i = 0; i < fieldInfo_.Count(); ++i) {
    TOracleFieldInfo& info = fieldInfo_.Items(i);
    info.Field = nullptr;
    if (info.Kind == fiRowId) continue;
    dataset::TField* field = FindField(info.Name);
    // A field information without a data field is not read.
    if (field != nullptr && field->FieldKind() == dataset::TFieldKind::fkData) info.Field = field;
  }
}

void TOracleDataSet::ReserveConvertedTextRoom() {
  // Each line end may become two characters (CR LF), so text of n
  // characters takes at most 2n once converted. The field's Size stays the
  // column's; only the record keeps the extra room. Without conversion (read
  // once, at open) the slot is the column's size again, also for persistent
  // fields of an earlier open.
  const bool widens = rowQuery_->ConvertsLineEnds();
  for (int i = 1; i < fieldInfo_.Count(); ++i) {
    const TOracleFieldInfo& info = fieldInfo_.Items(i);
    if (info.Field == nullptr) continue;
    const int room = widens && info.OracleType == otype::String ? info.Field->Size() * 2 : 0;
    if (auto* text = dynamic_cast<dataset::TStringField*>(info.Field)) {
      text->SetStoredSize(room);
    } else if (auto* wide = dynamic_cast<dataset::TWideStringField*>(info.Field)) {
      wide->SetStoredSize(room);
    }
  }
}

void TOracleDataSet::ComputeRecordSize() {
  ReserveConvertedTextRoom();
  dataSlots_.assign(static_cast<std::size_t>(FieldDefs().Count()) + 1, Slot{});
  calcSlots_.assign(static_cast<std::size_t>(Fields().Count()), Slot{});
  int offset = 0;
  for (int i = 0; i < Fields().Count(); ++i) {
    dataset::TField& field = Fields()[i];
    Slot slot;
    if (field.FieldKind() == dataset::TFieldKind::fkData) {
      const TOracleFieldInfo* info = fieldInfo_.FindByField(field);
      slot.size = info != nullptr ? info->BufferSize() : field.DataSize();
      slot.offset = offset;
      dataSlots_[static_cast<std::size_t>(field.FieldNo())] = slot;
    } else if (field.FieldKind() == dataset::TFieldKind::fkInternalCalc) {
      slot.size = field.DataSize();
      slot.offset = offset;
      calcSlots_[static_cast<std::size_t>(i)] = slot;
    } else {
      continue;  // calculated and lookup fields follow the data area
    }
    offset += slot.size + 1;
  }
  dataSize_ = offset;
  for (int i = 0; i < Fields().Count(); ++i) {
    dataset::TField& field = Fields()[i];
    if (field.IsCalculated()) {
      calcSlots_[static_cast<std::size_t>(i)] = Slot{dataSize_ + field.Offset(), field.DataSize()};
    }
  }
  recordSize_ = kRecordHeaderSize + dataSize_ + CalcFieldsSize();
  PlanColumnFills();
}

void TOracleDataSet::PlanColumnFills() {
  columnFills_.clear();
  for (int i = 1; i < fieldInfo_.Count(); ++i) {
    const TOracleFieldInfo& info = fieldInfo_.Items(i);
    dataset::TField* field = info.Field;
    if (field == nullptr) continue;
    ColumnFill fill{field, i, info.ColumnIndex, TFieldData::TInPlaceKind::kNone, Slot{}, false};
    if (!field->IsBlob() && info.Kind != fiAttribute) {
      fill.kind = InPlaceKindFor(info.OracleType);
      fill.slot = SlotOf(*field);
      fill.nationalWide = field->DataType() == dataset::TFieldType::ftWideString && info.National;
    }
    columnFills_.push_back(fill);
  }
  internalCalcFlags_.clear();
  for (const Slot& slot : calcSlots_) {
    if (slot.offset >= 0 && slot.offset < dataSize_) internalCalcFlags_.push_back(slot.offset);
  }
}

void TOracleDataSet::ExecuteQuery(bool opening) {
  store_->Clear();
  changeLog_.ClearFetched();
  if (logging_) requeriedWhileLogging_ = true;
  bookmarkCounter_ = 0;
  queryDone_ = true;
  queryAtEnd_ = false;
  if (Detached()) return;
  // The records get new bookmarks: every detail re-runs for its record.
  for (TOracleDataSet* detail : details_) detail->refreshedFor_ = -1;
  SetMasterVariables();
  masterKey_ = master_ != nullptr ? master_->CurrentBookmarkNumber() : -1;
  if (!HasMasterRecord()) {
    // Nothing to fetch until the master has a current record.
    refreshedFor_ = -1;
    masterLink_.reset();
    return;
  }
  if (master_ != nullptr) masterLink_ = CurrentMasterLink();
  if (!opening) {
    if (BeforeQuery) BeforeQuery(*this);
    if (IsCursorDataSet())
      OpenCursorQuery();
    else
      mainQuery_->Execute();
  }
  refreshedFor_ = masterKey_;
  firstRowCurrent_ = true;
  queryDone_ = false;
  if (!unidirectional_ && queryAllRecords_) FetchAll();
  if (AfterQuery) AfterQuery(*this);
}

void TOracleDataSet::FetchAll() {
  ScreenCursorScope cursor(Cursor());
  while (FetchRecords()) {
  }
}

void TOracleDataSet::InternalLast() {
  FetchAll();
  currentIndex_ = VisibleEnd();
}

void TOracleDataSet::InternalClose() {
  if (RecordPosting() != nullptr) RecordPosting()->ChangesDropped(*this);
  RefreshDetails(true);
  if (QBEModePart) QBEModePart->Closing();
  aside_ = {};
  BindFields(false);
  // The records go, and the changes logged among them with them. A
  // provider transaction stays open on the session though: it still logs,
  // and its end shows what the server holds by querying again when the
  // dataset is open by then.
  changeLog_.Clear();
  if (logging_) requeriedWhileLogging_ = true;
  masterLink_.reset();
  editBlobs_.reset();
  store_.reset();
  if (DefaultFields()) DestroyFields();
  for (int i = 0; i < fieldInfo_.Count(); ++i) fieldInfo_.Items(i).Field = nullptr;
  bookmarkCounter_ = 0;
  currentIndex_ = -1;
  countQuery_.reset();
  ReleaseCursorQuery();
  hitCountKnown_ = false;
  filterBuffer_ = nullptr;
  filterExpression_.reset();
  queryDone_ = true;
  RefreshDetailsOfClosedMaster();
  TellMaster();
}

void TOracleDataSet::InternalRefresh() {
  if (DetailsHaveCachedUpdates()) {
    dataset::DatabaseError(
        "Refresh not allowed: detail records have cached updates.\r\n"
        "You have to apply the updates first");
  }
  hitCountKnown_ = false;
  insertedCount_ = 0;
  ExecuteQuery(false);
  currentIndex_ = -1;
}

}  // namespace oracle
