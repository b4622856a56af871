#pragma once
// TOracleDataSet: the rows of a query as a navigable, bookmarkable dataset.
// It owns a TOracleQuery (MainQuery), opens it, maps each select-list column
// to a field definition (dataset_field_types.h), copies every fetched row as
// a whole record image into its record store and serves field values,
// positions, counts and bookmarks from there.
//
// Record image (store records and record buffers alike): the TRecordHeader of
// record_store.h, then the data area. Each data field has a slot at its
// offset: one flag byte (0 has a value, 1 null) and the value in the field's
// native form; the calculated fields follow the data fields. BLOB and memo
// values live in the record's BLOB list (dataset_blobs.h).
//
// Edit, Insert, Append, Post and Delete change the record store and log each
// change (change_log.h); with CachedUpdates, CommitUpdates keeps the changes
// and CancelUpdates reverts them. Statements against the server come from
// the TRecordPosting the Oracle library's start sets in (src/oracle).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dataset/dataset.h"
#include "oracle/dataset/change_log.h"
#include "oracle/dataset/dataset_blobs.h"
#include "oracle/dataset/field_info.h"
#include "oracle/dataset/provider_part.h"
#include "oracle/dataset/qbe_mode_hooks.h"
#include "oracle/dataset/record_store.h"
#include "oracle/filter/expression.h"
#include "oracle/qbe/definition.h"
#include "oracle/query/query.h"
#include "oracle/session/session_objects.h"
#include "oracle/session/sql_monitor.h"
#include "oracle/session/ui_hooks.h"
#include "oracle/values/ora_variant.h"

namespace oracle {

struct TFieldTypeRules;

class TOracleSession;
class TDataSetEditing;

// What an AfterFetchRecord handler asks for.
enum class TAfterFetchRecordAction {
  afContinue,  // go on fetching
  afPause,     // keep the record; fetch the rest on demand
  afStop,      // keep the record; fetch nothing more
  afCancel,    // drop every record fetched and fetch nothing more
};

enum class TLockingMode { lmLockImmediate, lmCheckImmediate, lmLockDelayed, lmNone };

// The statements of editing against the server (oracle/dml/posting.h
// installs them with SetRecordPosting). Without them a dataset edits only
// with CachedUpdates, on the client.
class TRecordPosting {
 public:
  enum class TPostResult { prStore, prCancel };
  virtual ~TRecordPosting() = default;
  // A new record was made (insert state), before the OnNewRecord event.
  virtual void NewRecord(TOracleDataSet& dataSet) = 0;
  // The record is about to be posted, before the required-field check.
  virtual void PostStarting(TOracleDataSet& dataSet, bool isUpdate) = 0;
  // Editing of the active record starts: lock, check or refresh it.
  virtual void EditStarting(TOracleDataSet& dataSet) = 0;
  // The active record (edit or insert state) is posted: run its statement.
  // prCancel: nothing is to be stored.
  virtual TPostResult Post(TOracleDataSet& dataSet, bool isUpdate) = 0;
  // After the posted record was stored: the refresh after a post.
  virtual void Posted(TOracleDataSet& dataSet, bool isUpdate) = 0;
  // The active record is about to leave the store: run the delete.
  virtual void Delete(TOracleDataSet& dataSet) = 0;
  // The edit of the active record is cancelled.
  virtual void EditCancelled(TOracleDataSet& dataSet) = 0;
  // The dataset's cached changes are taken back (CancelUpdates) or dropped
  // (the dataset closes).
  virtual void ChangesDropped(TOracleDataSet& /*dataSet*/) {}
  // The sequence the server assigns to the field from, or "".
  virtual std::string ServerSequenceFor(TOracleDataSet& dataSet, const std::string& fieldName) = 0;
  // The open made the default fields: the dictionary's field settings apply.
  virtual void FieldsCreated(TOracleDataSet& /*dataSet*/) {}
  // A field's value was stored in edit or insert state (not QBE): a check of
  // the value may refuse it by raising; the field keeps the value.
  virtual void FieldSet(TOracleDataSet& /*dataSet*/, dataset::TField& /*field*/) {}
  // The application applies the dataset's changes itself (OnApplyRecord),
  // so a dataset without a rowid may be edited too.
  virtual bool AppliesRecords(TOracleDataSet& /*dataSet*/) { return false; }
};
void SetRecordPosting(TRecordPosting* posting);
TRecordPosting* RecordPosting();

class TOracleDataSet : public dataset::TDataSet,
                       public TSessionAttached,
                       public TRecordStoreOwner,
                       public TFieldInfoOwner {
 public:
  using TOracleDataSetEvent = std::function<void(TOracleDataSet&)>;
  using TAfterFetchRecordEvent =
      std::function<void(TOracleDataSet&, bool filterAccept, TAfterFetchRecordAction& action)>;

  // `owner` is the owning component (identity only); a dataset inside a
  // remote data module leaves its master's linked fields alone.
  explicit TOracleDataSet(const void* owner = nullptr, bool remoteModuleOwner = false);
  ~TOracleDataSet() override;

  const void* Owner() const { return owner_; }
  TOracleQuery& MainQuery() { return *mainQuery_; }
  const TOracleQuery& MainQuery() const { return *mainQuery_; }
  // True when a variable of MainQuery is a cursor (type 116): MainQuery's
  // run opens the cursor and the rows are fetched from the cursor query.
  bool IsCursorDataSet() const;
  // The query a cursor dataset fetches from instead of its own
  // "CursorQuery" (not owned; null: the dataset's own).
  TOracleQuery* ExternalCursor() const { return externalCursor_; }
  void SetExternalCursor(TOracleQuery* query) { externalCursor_ = query; }
  // The query whose select list and rows the dataset shows: the cursor
  // query of a cursor dataset, else MainQuery.
  TOracleQuery& ActiveQuery() { return *rowQuery_; }
  const TOracleQuery& ActiveQuery() const { return *rowQuery_; }

  // --- properties kept in MainQuery -------------------------------------------
  const std::string& SQL() const { return mainQuery_->SQL(); }
  // Replaces the statement; an open dataset closes and opens again.
  void SetSQL(std::string text);
  int32_t ReadBuffer() const override { return mainQuery_->ReadBuffer(); }
  void SetReadBuffer(int32_t rows) { mainQuery_->SetReadBuffer(rows); }
  bool Optimize() const { return mainQuery_->Optimize(); }
  void SetOptimize(bool on) { mainQuery_->SetOptimize(on); }
  bool Debug() const { return mainQuery_->Debug(); }
  void SetDebug(bool on) { mainQuery_->SetDebug(on); }
  bool StringFieldsOnly() const { return mainQuery_->StringFieldsOnly(); }
  // An open dataset closes and opens again with the new field types.
  void SetStringFieldsOnly(bool on);
  // Screen cursor shown while all rows are fetched (0: unchanged).
  TCursor Cursor() const { return mainQuery_->Cursor(); }
  void SetCursor(TCursor cursor) { mainQuery_->SetCursor(cursor); }
  TOracleSession* Session() const { return mainQuery_->Session(); }
  // A different session closes the dataset (unless it becomes nil on a
  // detachable dataset) and moves it to the new session's dataset list.
  virtual void SetSession(TOracleSession* session);

  // --- properties of the dataset ------------------------------------------------
  // Outside streaming: True opens, False closes. While the dataset is
  // being loaded or read (or designed without a session) True only marks
  // an activation that Loaded or SetSession carries out; such a pending
  // activation is dropped when the session is not connected by then.
  void SetActive(bool active) override;
  void Loaded() override;
  // When set, Active as read from a stream is ignored outside design time.
  bool DesignActivation() const { return designActivation_; }
  void SetDesignActivation(bool on) { designActivation_ = on; }
  // All rows are fetched at open (unless unidirectional); otherwise on demand.
  bool QueryAllRecords() const { return queryAllRecords_; }
  void SetQueryAllRecords(bool on) { queryAllRecords_ = on; }
  // Only the newest block of records is kept; set it while closed.
  bool Unidirectional() const { return unidirectional_; }
  void SetUnidirectional(bool on);
  // RecordCount asks the server for the number of rows (once per query).
  bool CountAllRecords() const { return countAllRecords_; }
  void SetCountAllRecords(bool on) { countAllRecords_ = on; }
  // The session keeps such a dataset open when it logs off.
  bool Detachable() const { return detachable_; }
  void SetDetachable(bool on) { detachable_ = on; }
  // Active while the session is not connected.
  bool Detached() const;
  bool CompressBLOBs() const { return compressBLOBs_; }
  void SetCompressBLOBs(bool on) { compressBLOBs_ = on; }
  // Supplies the expanded form of a fetched BLOB value that carries no
  // compression header, when CompressBLOBs is set.
  TDecompressBLOBEvent OnDecompressBLOB;
  // Takes over the compression of values packed with CompressBLOBs.
  TCompressBLOBEvent OnCompressBLOB;
  // Bytes of the values compressed since open, before and after.
  double BLOBBytesBeforeCompression() const { return blobBytesBefore_; }
  double BLOBBytesAfterCompression() const { return blobBytesAfter_; }
  void CountCompression(double before, double after) {
    blobBytesBefore_ += before;
    blobBytesAfter_ += after;
  }
  bool ReadOnly() const { return readOnly_; }
  // A change signals a dataset change, so that linked controls follow.
  void SetReadOnly(bool on);
  TLockingMode LockingMode() const { return lockingMode_; }
  void SetLockingMode(TLockingMode mode) { lockingMode_ = mode; }

  // --- cached updates and the change log -----------------------------------------
  // Changes stay on the client, logged, until CommitUpdates or CancelUpdates.
  // Opening requires a ROWID column.
  bool CachedUpdates() const { return cachedUpdates_; }
  void SetCachedUpdates(bool on) { cachedUpdates_ = on; }
  bool IsLogging() const { return cachedUpdates_ || logging_; }
  // Logs from now on (a provider transaction). Changes logged for an
  // earlier provider transaction are dropped; cached updates stay pending.
  void StartLogging();
  // Ends a provider transaction: the changes logged for it are kept, or
  // reverted newest first (an edit in progress cancelled first), or, when
  // the dataset was queried again, closed or applied its cached updates
  // meanwhile, the query runs again; cached updates stay pending either
  // way.
  void EndLogging(bool keep);
  // Keeps the logged changes: the log is cleared and logging stops (the
  // end of a provider transaction open meanwhile queries again).
  void CommitUpdates();
  // Reverts every logged change, the latest first, then clears the log and
  // stops logging; an edit in progress is cancelled first. A detail's
  // changes under other master records only leave the log (their records
  // are fetched anew when their master record is current again).
  void CancelUpdates();
  bool UpdatesPending() const { return cachedUpdates_ && !changeLog_.Empty(); }
  TChangeLog& ChangeLog() { return changeLog_; }
  // Which log items belong to the records shown now.
  TLogScope LogScope() const { return {master_ != nullptr, masterLink_}; }
  int NetInsertCount() const { return changeLog_.NetInsertCount(LogScope()); }
  // Whether applying a logged change would overwrite another user's value
  // that its last refetch found: a field the apply writes (for a delete,
  // any field) holds on the server another value than the one the change
  // was made from. The apply cannot see it by comparing the old image,
  // which holds the server's row since; a later refetch that finds the
  // value put back, or an edit to the server's value, ends it.
  bool ChangedElsewhere(TChangeLogItem& item);
  // Whether the change log holds an item of the active record.
  bool ActiveRecordLogged();
  // Whether the active record is a cached insert still pending in the log.
  bool ActiveRecordLoggedAsInsert();
  // While a logged change is applied (null otherwise): its record may be
  // under another master record, hidden by the filter or gone from the
  // store, so the fields, old values and rowid read from the item's record
  // images. Once its statement ran (SetApplyingItemDone), refreshed values
  // go to its store record when the dataset shows it.
  void SetApplyingItem(TChangeLogItem* item) {
    applyingItem_ = item;
    applyingDone_ = false;
  }
  void SetApplyingItemDone() { applyingDone_ = true; }
  dataset::TUpdateStatus UpdateStatus() override;

  // --- the record store's side of a post or delete -----------------------------------
  // Copies the edited record and its BLOB values written in the edit into
  // its store record, logging 'U'.
  void StoreEditedRecord();
  // Adds the new record in `buffer` (with the BLOB values written in the
  // edit) to the store at the current position, or at the end, under the
  // next bookmark number, logging 'I'; the current index moves onto it.
  void StoreInsertedRecord(dataset::TRecordBuffer buffer, bool append);
  // Removes the current record from the store, logging 'D'.
  void RemoveCurrentRecord();
  // Logs a change of the store record `storeIndex` when the dataset logs:
  // copies of the record before and after (the BLOB values written in the
  // current edit taking the place of its own).
  void LogChange(const uint8_t* oldRecord, const uint8_t* newRecord, int storeIndex,
                 int32_t recordId, char kind);
  // The editing sub-objects (oracle/dml/editing.h), made there at first use.
  std::shared_ptr<TDataSetEditing> EditingPart;

  // --- filtering: the records that pass OnFilterRecord and EvaluateFilter ----
  // A new filter text or option is compiled, and the records that pass are
  // found, before anything changes: an error in either leaves the previous
  // filter and view. A closed dataset compiles its filter at open.
  void SetFiltered(bool on) override;
  void SetFilter(const std::string& text) override;
  void SetFilterOptions(dataset::TFilterOptions options) override;
  // True unless the compiled filter expression rejects the record.
  virtual bool EvaluateFilter();

  // --- variables of MainQuery ---------------------------------------------------
  void DeclareVariable(std::string_view name, int16_t type) {
    mainQuery_->DeclareVariable(name, type);
  }
  void DeclareAndSet(std::string_view name, int16_t type, const Variant& value) {
    mainQuery_->DeclareAndSet(name, type, value);
  }
  void SetVariable(std::string_view name, const Variant& value) {
    mainQuery_->SetVariable(name, value);
  }
  Variant GetVariable(std::string_view name) const { return mainQuery_->GetVariable(name); }
  void DeleteVariables() { mainQuery_->DeleteVariables(); }
  int32_t VariableCount() const { return mainQuery_->VariableCount(); }
  const std::string& VariableName(int32_t i) const { return mainQuery_->VariableName(i); }
  int16_t VariableType(int32_t i) const { return mainQuery_->VariableType(i); }
  int32_t VariableIndex(std::string_view name) const { return mainQuery_->VariableIndex(name); }

  // --- reading -------------------------------------------------------------------
  // The number of rows the statement would return, by a "select count(*)"
  // around it with the same variables.
  int CountQueryHits();
  // The ROWID text of the current record ("" when the select list has none).
  std::string RecordRowId();
  // Sets the ROWID text of the current stored record (the record buffers
  // take it at the next resync).
  void SetCurrentRowId(const std::string& rowId);
  // Runs `refresh`, which stores the server's row in the current stored
  // record and answers whether a value changed, and shows the result: a
  // browsed record is read again; in an edit each field the edit has not
  // changed takes the stored value, the user's changes stay. The controls
  // are told.
  void RefreshCurrentRecord(const std::function<bool()>& refresh);
  // The Oracle side of each column; the first item is the rowid item.
  const TOracleFieldInfoList& FieldInfo() const { return fieldInfo_; }
  bool HasRowId() const { return rowIdColumn_ >= 0; }
  // The QBE options and fields; the fields follow the field definitions.
  qbe::TQBEDefinition& QBEDefinition() { return qbeDefinition_; }

  // --- searching the fetched records (dataset_search.cpp) ------------------------
  // Moves to the first record after the start (see the sr* options) whose
  // fields (separated by ";", or "ROWID") hold the values; fetches on when
  // going forward. Values: one per field.
  bool SearchRecord(const std::string& fields, const std::vector<::Variant>& values, int options);
  // SearchRecord from the beginning, with the locate options as srIgnoreCase
  // and srPartialCompare.
  bool Locate(const std::string& keyFields, const std::vector<::Variant>& keyValues,
              dataset::TLocateOptions options) override;
  // The result fields' values of the first matching record (Null when none);
  // the current record does not change.
  ::Variant Lookup(const std::string& keyFields, const std::vector<::Variant>& keyValues,
                   const std::string& resultFields) override;

  // --- provider support (dataset_provider.cpp) -----------------------------------
  // Answers a generic data provider through the layers above: the part the
  // library's maker gives at the first provider call.
  std::shared_ptr<TDataSetProvider> ProviderPart;
  // The provider part, made at the first call (null without a maker).
  TDataSetProvider* Provider();
  TOracleProviderOptions ProviderOptions() const { return providerOptions_; }
  void SetProviderOptions(TOracleProviderOptions options) { providerOptions_ = options; }
  void PSExecute() override;
  int PSExecuteStatement(const std::string& sql, dataset::TParams& params,
                         std::unique_ptr<dataset::TDataSet>* resultSet) override;
  std::unique_ptr<dataset::TIndexDef> PSGetDefaultOrder() override;
  std::string PSGetKeyFields() override;
  dataset::TParams* PSGetParams() override;
  std::string PSGetTableName() override;
  dataset::TIndexDefs PSGetIndexDefs(dataset::TIndexOptions indexTypes) override;
  bool PSIsSQLBased() override { return true; }
  bool PSIsSQLSupported() override { return true; }
  void PSSetParams(const dataset::TParams& params) override;
  // Replaces the SQL text and closes the dataset.
  void PSSetCommandText(const std::string& commandText) override;
  // A provider transaction: the changes are logged until it ends.
  void PSStartTransaction() override;
  void PSEndTransaction(bool commit) override;
  bool PSInTransaction() override;

  // --- query by example (the switching is oracle/qbemode's SetQBEMode) ----------
  bool QBEMode() const { return qbeMode_; }
  // Only the flag; the mode's own code sets it.
  void SetQBEModeFlag(bool on) { qbeMode_ = on; }
  // The QBE mode's part, set in at its first use.
  std::shared_ptr<TQBEModeHooks> QBEModePart;
  // Puts the stored records aside (the example record stands alone while
  // QBE mode lasts); PutRecordsBack shows them again, DropRecordsSetAside
  // frees them.
  void SetRecordsAside();
  void PutRecordsBack();
  void DropRecordsSetAside();

  // --- master/detail (master_detail.cpp) ----------------------------------------------
  // The master whose current record fills this dataset's variables (not
  // owned). Setting it closes this dataset; a link that would lead back to
  // this dataset raises. When both are designed (and neither is loading),
  // the process-wide configuration hook runs.
  TOracleDataSet* Master() const { return master_; }
  void SetMaster(TOracleDataSet* master);
  // Master field names, separated by ";".
  const std::string& MasterFields() const { return masterFields_; }
  void SetMasterFields(std::string names);
  // The variables the master fields fill, separated by ";"; empty: the
  // master field names.
  const std::string& DetailFields() const { return detailFields_; }
  void SetDetailFields(std::string names);
  const std::vector<TOracleDataSet*>& Details() const { return details_; }
  bool RemoteModuleOwner() const { return remoteModuleOwner_; }
  // The master is open with a current record that is not being inserted,
  // and neither is in QBE mode (True without a master).
  bool HasMasterRecord() const;
  // The variables set from the master's current record (nothing when the
  // master is closed).
  void SetMasterVariables();
  // The variables set from the values of the master record a logged change
  // was made under.
  void SetMasterVariablesFrom(const TChangeLogItem& item);
  // The master holds a record that gives the values a logged change was
  // made under.
  bool MasterHoldsRecordOf(const TChangeLogItem& item);
  // The variables hold the master's current values (null equals null).
  bool VariablesMatchMaster() const;
  // With a master: `field` is one a new record takes from a master field
  // (named in DetailFields, else a master field's name).
  bool IsDetailLinkField(const dataset::TField& field) const;
  // Open details that are editing post, down the whole detail tree.
  void PostDetails();
  // Posts, except for a detail whose master is posting an insert: the
  // detail is posted with its master.
  void Post() override;
  // A detail of this dataset holds cached updates.
  bool DetailsHaveCachedUpdates() const;
  // A data-set change or scroll re-runs the details whose master record
  // changed; a detail's change tells its master.
  void DataEvent(dataset::TDataEvent event, dataset::TField* field = nullptr) override;

  // --- events ----------------------------------------------------------------------
  TOracleDataSetEvent BeforeQuery;
  TOracleDataSetEvent AfterQuery;
  // After each fetched record, with the current index on it. An exception
  // in the handler drops the fetched records, ends the fetch and is raised.
  TAfterFetchRecordEvent AfterFetchRecord;

  // --- the base's field and bookmark contract -------------------------------------
  bool GetFieldData(dataset::TField& field, void* buffer) override;
  void SetFieldData(dataset::TField& field, const void* buffer) override;
  using dataset::TDataSet::GetFieldData;
  using dataset::TDataSet::SetFieldData;
  void DataConvert(dataset::TField& field, const void* source, void* dest, bool toNative) override;
  std::unique_ptr<dataset::TStream> CreateBlobStream(dataset::TField& field,
                                                     dataset::TBlobStreamMode mode) override;
  bool BookmarkValid(const dataset::TBookmark& bookmark) override;
  // 0 for equal numbers, 1 when a's number is smaller, -1 when larger; a
  // missing bookmark sorts first.
  int CompareBookmarks(const dataset::TBookmark& a, const dataset::TBookmark& b) override;
  int GetRecNo() override;
  // Accepts 1 .. RecordCount only.
  void SetRecNo(int recNo) override;

  // --- TRecordStoreOwner -------------------------------------------------------------
  int RecordSize() const override { return recordSize_; }
  std::string Name() const override { return dataset::TDataSet::Name(); }
  bool FilterActive() const override { return Filtered() && !filterSuspended_; }
  int32_t MasterKey() const override { return masterKey_; }

  // --- TFieldInfoOwner ----------------------------------------------------------------
  bool NullLOBIsEmpty() const override;
  bool NullObjectIsEmpty() const override;
  std::string ServerSequenceFor(const std::string& fieldName) const override;
  std::string ConvertString(const std::string& value) const override;
  // The part of `text` the dataset shows: without trailing blanks and
  // control characters when the session trims string fields (or there is
  // no session).
  std::string_view ShownText(std::string_view text) const;
  bool FieldChanged(dataset::TField& field) const override;

  // --- TSessionAttached ----------------------------------------------------------------
  void SessionLoggingOff() override;
  bool StaysOpenAtLogOff() const override { return detachable_; }
  void SessionLayoutChanged() override;
  void SessionDestroyed() override;

 protected:
  void InternalOpen() override;
  void InternalClose() override;
  bool IsCursorOpen() const override { return store_ != nullptr; }
  void InternalInitFieldDefs() override;
  dataset::TRecordBuffer AllocRecordBuffer() override;
  void FreeRecordBuffer(dataset::TRecordBuffer& buffer) override;
  int GetRecordSize() override { return recordSize_; }
  void InternalInitRecord(dataset::TRecordBuffer buffer) override;
  void ClearCalcFields(dataset::TRecordBuffer buffer) override;
  dataset::TGetResult GetRecord(dataset::TRecordBuffer buffer, dataset::TGetMode mode,
                                bool doCheck) override;
  void InternalFirst() override { currentIndex_ = -1; }
  void InternalLast() override;
  int GetRecordCount() override;
  void GetBookmarkData(dataset::TRecordBuffer buffer, void* data) override;
  void SetBookmarkData(dataset::TRecordBuffer buffer, const void* data) override;
  dataset::TBookmarkFlag GetBookmarkFlag(dataset::TRecordBuffer buffer) override;
  void SetBookmarkFlag(dataset::TRecordBuffer buffer, dataset::TBookmarkFlag flag) override;
  void InternalGotoBookmark(const void* bookmark) override;
  void InternalSetToRecord(dataset::TRecordBuffer buffer) override;
  void InternalAddRecord(dataset::TRecordBuffer buffer, bool append) override;
  void InternalDelete() override;
  void InternalRefresh() override;
  bool GetCanModify() override;
  void InternalEdit() override;
  void InternalInsert() override;
  void InternalPost() override;
  void InternalCancel() override;
  void CalculateFields(dataset::TRecordBuffer buffer) override;
  void DoBeforeScroll() override;
  void DoOnNewRecord() override;
  void DoAfterInsert() override;

 private:
  // Where a field's slot is and how many value bytes it holds.
  struct Slot {
    int offset = -1;  // from the start of the data area; -1 when none
    int size = 0;
  };
  // How one data field of a fetched record is filled from its column, worked
  // out once at open so that filling a record follows one compact list.
  struct ColumnFill {
    dataset::TField* field;
    int infoIndex;   // in fieldInfo_
    int32_t column;  // select-list position
    // The fetch buffer kind the slot is filled from in place; kNone (and
    // any other kind the buffer turns out to have) goes through the variant.
    TFieldData::TInPlaceKind kind;
    Slot slot;
    bool nationalWide;  // a wide string field of a national column
  };
  // How fetched text is taken, read once per record.
  struct TextRules {
    bool convertLineEnds;
    bool trim;
  };

  // master_detail.cpp
  // The bookmark number of the current record; -1 when there is none.
  int32_t CurrentBookmarkNumber() const;
  // Re-runs the details whose master record changed (or forgets the
  // master record when this dataset is closing), then protects the
  // linked fields.
  void RefreshDetails(bool closing);
  // The linked fields of this master are read-only while a detail holds
  // or inserts records.
  void ProtectLinkedFields(bool clearing);
  // Open details of a closed master show no rows.
  void RefreshDetailsOfClosedMaster();
  // The master's linked fields take their state from this detail's.
  void TellMaster();
  // The values the variables take from the master's current record, in
  // pairs of variable name and value (a fixed-character value padded to its
  // column's size), and the link they make.
  std::vector<std::pair<std::string, Variant>> MasterValues() const;
  std::shared_ptr<const TMasterLink> CurrentMasterLink() const;
  // A new detail record: the master's linked fields must have values,
  // which the detail fields take.
  void TakeMasterValues();
  void Unlink();

  // dataset_open.cpp
  void BuildFieldInfo();
  // Binds the cursor query to MainQuery's cursor variable, runs MainQuery
  // and fetches the first rows from the cursor.
  void OpenCursorQuery();
  void LinkFieldInfo();
  // Room in the string fields' slots for text that line-end conversion
  // widened past the column's size.
  void ReserveConvertedTextRoom();
  void ComputeRecordSize();
  void PlanColumnFills();
  void ExecuteQuery(bool opening);
  void FetchAll();
  // dataset_objects.cpp
  // Adds a field information (and a field definition) for each attribute of
  // an object column, whose own information becomes their parent.
  void ExpandObjectColumn(TOracleFieldInfo& column, const TFieldTypeRules& rules, bool required);
  // The current row's value of an attribute or XMLTYPE field information.
  Variant ObjectColumnValue(const TOracleFieldInfo& info);
  // dataset_fetch.cpp
  bool FetchRecords();
  void FillRecord(uint8_t* record);
  void StoreColumnValue(uint8_t* record, const TOracleFieldInfo& info, dataset::TField& field,
                        const Variant& column);
  // The current row's ROWID text into the record header.
  void StoreRowId(TRecordHeader& header);
  // Stores a value whose fetch buffer kind is the one the slot is filled from.
  void StoreInPlace(uint8_t* data, const ColumnFill& fill, const TFieldData& buffer, int32_t row,
                    const TextRules& rules);
  void StoreText(uint8_t* value, const Slot& slot, bool nationalWide, const dataset::TField& field,
                 std::string_view text);
  // Reads a store record in place, under the filter state, for its life.
  class RecordInPlace {
   public:
    RecordInPlace(TOracleDataSet& dataSet, uint8_t* record)
        : dataSet_(dataSet),
          saved_(dataSet.filterBuffer_),
          state_(dataSet, dataset::TDataSetState::dsFilter) {
      dataSet.filterBuffer_ = record;
    }
    ~RecordInPlace() { dataSet_.filterBuffer_ = saved_; }
    RecordInPlace(const RecordInPlace&) = delete;
    RecordInPlace& operator=(const RecordInPlace&) = delete;
    void Show(uint8_t* record) { dataSet_.filterBuffer_ = record; }

   private:
    TOracleDataSet& dataSet_;
    uint8_t* saved_;
    dataset::TTempState state_;
  };
  bool TestFilter(uint8_t* record);
  // dataset_search.cpp: the index of the first matching record, or -1.
  int FindRecord(const std::string& fields, const std::vector<::Variant>& values, int options);
  // The stored records that pass the filter now, in store order.
  std::vector<uint8_t*> PassingRecords();
  void ShowFiltered(const std::vector<uint8_t*>& records);
  std::unique_ptr<filter::TExpression> CompileFilter(const std::string& text,
                                                     dataset::TFilterOptions options);
  void ChangeFilter(const std::string& text, dataset::TFilterOptions options);
  // dataset_records.cpp
  uint8_t* StateRecord();
  const Slot& SlotOf(const dataset::TField& field) const;
  int FindBookmark(int32_t number) const;
  int FirstVisible() const;
  int VisibleEnd() const;
  // A list with an empty item for each data or internal-calc BLOB field.
  std::unique_ptr<TBlobList> CreateBlobList();
  // The record's BLOB list, made (with an empty item per BLOB field) when
  // it has none.
  TBlobList& BlobListFor(uint8_t* record);
  // The value a reader of the field sees in `record`: the edit list's when
  // the field was written in the current edit, else the record's own.
  TOracleBlob* ReadBlob(uint8_t* record, const dataset::TField& field);
  // dataset_cached_updates.cpp
  void ResetEditBlobs();
  // Every data field of the record being inserted is empty.
  bool NothingInserted();
  // The values written in the current edit into `target`.
  void CopyEditedBlobs(TBlobList& target);
  void RevertChange(TChangeLogItem& item);
  int StoreIndexOf(int32_t bookmark) const;
  // Where a delete placed by the last fetch goes back: after the store
  // record with the largest number below the delete's record id.
  int FetchedPlaceOf(int32_t recordId) const;
  // The store record of a logged item among the records shown now, null
  // when there is none.
  uint8_t* LoggedStoreRecord(const TChangeLogItem& item);
  // FieldChanged of the logged change being applied: its new record
  // against its old one.
  bool LoggedFieldChanged(const TChangeLogItem& item, dataset::TField& field) const;
  // After a revert: the current index back within the records and the
  // buffers filled again.
  void ShowRevertedRecords();
  // The logged insert that the fetch places next, null when none; at the
  // query's end any remaining one.
  uint8_t* PlaceLoggedInsert(bool queryAtEnd);
  // Takes a logged change into a freshly fetched record: False for a
  // logged delete (the record is not shown); a logged update replaces the
  // record's values.
  bool MergeLoggedChange(uint8_t* record, TChangeLogItem& item);
  // After the last row: logged updates and deletes whose row did not come
  // again are no longer part of the set.
  void MarkUnmatchedChanges();
  // A logged update or delete meets its refetched row: the fields the
  // change leaves alone take the server's values in every image, the
  // fields it sets keep the user's values (and the values they were
  // changed from, in the base image), and the old image becomes the
  // server's row.
  void TakeServerRow(uint8_t* fetched, TChangeLogItem& item);
  // Whether two record images hold different values of a data field (null
  // and empty alike).
  bool ImageValuesDiffer(uint8_t* a, uint8_t* b, dataset::TField& field);
  // The field's value (slot or cached BLOB value) from one image into
  // another.
  void CopyImageValue(uint8_t* from, uint8_t* to, dataset::TField& field);

  const void* owner_;
  bool remoteModuleOwner_;
  TOracleDataSet* master_ = nullptr;
  std::vector<TOracleDataSet*> details_;
  std::string masterFields_, detailFields_;
  // The bookmark number of the master record the rows were last fetched
  // for (-1: none). Record numbers move when the master inserts, deletes
  // or filters; bookmark numbers do not.
  int32_t refreshedFor_ = -1;
  // The master fields this dataset made read-only for its details.
  std::vector<dataset::TField*> protectedFields_;
  // A Post of this dataset is running.
  bool posting_ = false;
  // Set at open: the first update-state change refreshes the details.
  bool detailsNeedRefresh_ = false;
  // "CursorQuery", made on first use; it outlives MainQuery, whose cursor
  // variable points at it.
  std::unique_ptr<TOracleQuery> cursorQuery_;
  // Frees the cursor query (MainQuery's cursor variable let go of first) and
  // makes MainQuery the query the rows come from again.
  void ReleaseCursorQuery();
  TMonitorId monitorId_{"DataSet"};
  std::unique_ptr<TOracleQuery> mainQuery_;
  std::unique_ptr<TOracleQuery> countQuery_;
  TOracleQuery* externalCursor_ = nullptr;
  // The query the rows are fetched from (MainQuery or a cursor query).
  TOracleQuery* rowQuery_ = mainQuery_.get();
  std::unique_ptr<TRecordDataList> store_;
  TOracleFieldInfoList fieldInfo_{this};
  std::vector<Slot> dataSlots_;          // by field number (data fields)
  std::vector<Slot> calcSlots_;          // by field index (internal-calc fields)
  std::vector<ColumnFill> columnFills_;  // in field information order
  std::vector<int> internalCalcFlags_;   // offsets of the internal-calc slots' flags
  int rowIdColumn_ = -1;
  int recordSize_ = kRecordHeaderSize;
  int dataSize_ = 0;
  int currentIndex_ = -1;
  int32_t bookmarkCounter_ = 0;
  int32_t masterKey_ = -1;
  // The values of the master record the rows were fetched for (null when
  // there is no master record): the log items of the records shown carry
  // the same.
  std::shared_ptr<const TMasterLink> masterLink_;
  uint8_t* filterBuffer_ = nullptr;
  std::unique_ptr<filter::TExpression> filterExpression_;
  qbe::TQBEDefinition qbeDefinition_{*this};
  bool qbeMode_ = false;
  // The records QBE mode set aside, with the fetch state they belong to.
  struct RecordsAside {
    std::unique_ptr<TRecordDataList> store;
    int32_t bookmarkCounter = 0;
    bool queryDone = true;
  } aside_;
  bool opening_ = false;
  bool activationPending_ = false;
  bool designActivation_ = false;
  bool firstRowCurrent_ = false;
  bool queryDone_ = true;  // the active query has no further rows for us
  bool filterSuspended_ = false;
  bool hitCountKnown_ = false;
  int hitCount_ = 0;
  int insertedCount_ = 0;
  bool queryAllRecords_ = true;
  bool unidirectional_ = false;
  bool countAllRecords_ = false;
  bool detachable_ = false;
  bool compressBLOBs_ = false;
  bool queryAtEnd_ = false;  // the active query delivered its last row
  double blobBytesBefore_ = 0;
  double blobBytesAfter_ = 0;
  bool readOnly_ = false;
  TOracleProviderOptions providerOptions_ = 0;
  TLockingMode lockingMode_ = TLockingMode::lmCheckImmediate;
  bool cachedUpdates_ = false;
  // A provider transaction is open: changes are logged (over a close and
  // open of the dataset too).
  bool logging_ = false;
  // The query ran again, or the dataset closed, while a provider
  // transaction logged changes.
  bool requeriedWhileLogging_ = false;
  TChangeLog changeLog_;
  TChangeLogItem* applyingItem_ = nullptr;
  bool applyingDone_ = false;
  // The BLOB values of the record being edited; items marked Changed were
  // written in the current edit.
  std::unique_ptr<TBlobList> editBlobs_;
};

// Options of SearchRecord.
inline constexpr int srForward = 1;           // step +1
inline constexpr int srBackward = 2;          // step -1
inline constexpr int srFromCurrent = 4;       // start at the current record
inline constexpr int srFromBeginning = 8;     // start before the first record
inline constexpr int srFromEnd = 16;          // fetch all, start after the last
inline constexpr int srIgnoreCase = 32;       // string keys upper-cased
inline constexpr int srIgnoreTime = 64;       // date-time keys by their date
inline constexpr int srWildcards = 128;       // string keys are patterns
inline constexpr int srPartialCompare = 256;  // a value matches when it begins with the key
inline constexpr int srDontMove = 512;        // leave the cursor where it is

// The statement that counts the rows of `statement`.
std::string CountStatementText(const std::string& statement);

// Called with each newly constructed dataset when set.
void SetDataSetCreatedHook(std::function<void(TOracleDataSet&)> hook);

// Called with the detail when a master is set while both are designed
// (the automatic master/detail configuration), when set.
void SetMasterConfigurationHook(std::function<void(TOracleDataSet&)> hook);

}  // namespace oracle
