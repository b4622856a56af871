#pragma once
// The generic dataset: a navigable, editable view of records whose storage a
// descendant class supplies. The base owns the field objects and definitions,
// the state machine, the active record buffer, the events and the data
// sources; navigation runs on the one primitive GetRecord (current, next,
// prior) of the descendant, editing on its Internal... operations.
//
// One record buffer is kept: the active record. Before the cursor is moved
// it is placed on the active record again (InternalSetToRecord), so a
// descendant only keeps a cursor position and answers GetRecord.

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dataset/data_link.h"
#include "dataset/db_types.h"
#include "dataset/field.h"
#include "dataset/field_defs.h"
#include "dataset/fields.h"
#include "dataset/index_defs.h"
#include "dataset/key_matcher.h"
#include "dataset/params.h"
#include "dataset/stream.h"
#include "platform/com/variant.h"

namespace dataset {

class TDataSet {
 public:
  using TDataSetNotifyEvent = std::function<void(TDataSet&)>;
  using TDataSetErrorEvent = std::function<void(TDataSet&, const std::exception&, TDataAction&)>;
  using TFilterRecordEvent = std::function<void(TDataSet&, bool& accept)>;

  TDataSet();
  // A descendant must Close() in its own destructor: the base cannot reach
  // the descendant's cursor any more.
  virtual ~TDataSet();
  TDataSet(const TDataSet&) = delete;
  TDataSet& operator=(const TDataSet&) = delete;

  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  // Loading, reading, designing, destroying: set by whoever creates, streams
  // or frees the dataset; Loaded ends the loading.
  TComponentState ComponentState() const { return componentState_; }
  void SetComponentState(TComponentState state) { componentState_ = state; }
  virtual void Loaded() { componentState_ &= static_cast<TComponentState>(~csLoading); }

  // --- opening and closing
  bool Active() const { return state_ != TDataSetState::dsInactive; }
  virtual void SetActive(bool active);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  TDataSetState State() const { return state_; }

  // --- fields
  TFieldDefs& FieldDefs() { return fieldDefs_; }
  const TFieldDefs& FieldDefs() const { return fieldDefs_; }
  TFields& Fields() { return fields_; }
  const TFields& Fields() const { return fields_; }
  // True when the field objects were made from the definitions at open
  // (no field objects existed before).
  bool DefaultFields() const { return defaultFields_; }
  TField* FindField(const std::string& name) const { return fields_.FindField(name); }
  // Raises "Field 'name' not found" (prefixed by the dataset's name).
  TField& FieldByName(const std::string& name) const;
  // The fields named in a list separated by semicolons.
  std::vector<TField*> GetFieldList(const std::string& names) const;
  Variant FieldValue(const std::string& name) const { return FieldByName(name).Value(); }
  void SetFieldValue(const std::string& name, const Variant& value) {
    FieldByName(name).SetValue(value);
  }
  bool AutoCalcFields() const { return autoCalcFields_; }
  void SetAutoCalcFields(bool on) { autoCalcFields_ = on; }

  // --- navigation
  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  // Moves up to `distance` records; answers how many it moved.
  int MoveBy(int distance);
  bool Bof() const { return bof_; }
  bool Eof() const { return eof_; }
  bool IsEmpty() const { return !hasRecord_; }
  int RecordCount();
  // Position of the current record from 1 (0 when unknown).
  virtual int GetRecNo();
  virtual void SetRecNo(int recNo);
  // Reads the current record again from the descendant's store.
  void Resync();
  void Refresh();

  // --- bookmarks
  TBookmark GetBookmark();
  void GotoBookmark(const TBookmark& bookmark);
  virtual bool BookmarkValid(const TBookmark& bookmark);
  // 0 for the same record, else -1 or 1 by the descendant's order.
  virtual int CompareBookmarks(const TBookmark& a, const TBookmark& b);
  int BookmarkSize() const { return bookmarkSize_; }

  // --- editing
  void Edit();
  void Insert();
  void Append();
  // Insert or Append, the values given to the fields in field order (an
  // empty or null value clears its field), and Post: a descendant posts the
  // record as any other. A failing post leaves the record in insert state.
  void InsertRecord(const std::vector<Variant>& values);
  void AppendRecord(const std::vector<Variant>& values);
  virtual void Post();
  void Cancel();
  void Delete();
  // Posts or cancels pending edits so that the dataset is browsing.
  void CheckBrowseMode();
  // Lets the data links write their pending edits into the record.
  void UpdateRecord();
  bool Modified() const { return modified_; }
  bool CanModify() { return GetCanModify(); }
  virtual TUpdateStatus UpdateStatus();

  // --- searching; the base walks the records, descendants search faster
  virtual bool Locate(const std::string& keyFields, const std::vector<Variant>& keyValues,
                      TLocateOptions options);
  // The value of the result field (or an array of the values of several
  // result fields separated by semicolons) of the first record whose key
  // fields match; Null when none. The current record does not change.
  virtual Variant Lookup(const std::string& keyFields, const std::vector<Variant>& keyValues,
                         const std::string& resultFields);

  // --- filtering; the descendant applies it
  bool Filtered() const { return filtered_; }
  virtual void SetFiltered(bool on) { filtered_ = on; }
  const std::string& Filter() const { return filter_; }
  virtual void SetFilter(const std::string& text) { filter_ = text; }
  TFilterOptions FilterOptions() const { return filterOptions_; }
  virtual void SetFilterOptions(TFilterOptions options) { filterOptions_ = options; }

  // --- data events and controls
  virtual void DataEvent(TDataEvent event, TField* field = nullptr);
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return disableCount_ > 0; }
  const std::vector<TDataSource*>& DataSources() const { return dataSources_; }

  // --- field data in the active buffer of the current state
  virtual bool GetFieldData(TField& field, void* buffer) = 0;
  virtual void SetFieldData(TField& field, const void* buffer) = 0;
  bool GetFieldData(TField& field, void* buffer, bool nativeFormat);
  void SetFieldData(TField& field, const void* buffer, bool nativeFormat);
  // Converts a value between the field's form and the record's native form;
  // the base copies the bytes unchanged.
  virtual void DataConvert(TField& field, const void* source, void* dest, bool toNative);
  virtual std::unique_ptr<TStream> CreateBlobStream(TField& field, TBlobStreamMode mode);

  // --- temporary states, restored by RestoreState (see TTempState)
  TDataSetState SetTempState(TDataSetState state);
  void RestoreState(TDataSetState state);

  // --- provider support: what a generic data provider asks of a dataset
  virtual void PSEndTransaction(bool commit);
  virtual void PSExecute();
  // Runs a statement; with `resultSet` it receives a dataset of the rows.
  virtual int PSExecuteStatement(const std::string& sql, TParams& params,
                                 std::unique_ptr<TDataSet>* resultSet);
  virtual std::unique_ptr<TIndexDef> PSGetDefaultOrder();
  virtual std::string PSGetKeyFields();
  virtual TParams* PSGetParams();
  virtual std::string PSGetQuoteChar();
  virtual std::string PSGetTableName();
  virtual TIndexDefs PSGetIndexDefs(TIndexOptions indexTypes);
  virtual bool PSInTransaction();
  virtual bool PSIsSQLBased();
  virtual bool PSIsSQLSupported();
  virtual void PSReset();
  virtual void PSSetParams(const TParams& params);
  virtual void PSSetCommandText(const std::string& commandText);
  virtual void PSStartTransaction();

  // --- events
  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
  TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
  TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
  TDataSetNotifyEvent BeforeRefresh, AfterRefresh;
  TDataSetNotifyEvent OnNewRecord, OnCalcFields;
  TFilterRecordEvent OnFilterRecord;
  TDataSetErrorEvent OnPostError, OnEditError, OnDeleteError;

 protected:
  // --- what a descendant supplies
  virtual void InternalOpen() = 0;
  virtual void InternalClose() = 0;
  virtual bool IsCursorOpen() const = 0;
  virtual void InternalInitFieldDefs() = 0;
  // An exception the dataset caught and cannot hand back to a caller.
  virtual void InternalHandleException(const std::exception& error);

  virtual TRecordBuffer AllocRecordBuffer() = 0;
  virtual void FreeRecordBuffer(TRecordBuffer& buffer) = 0;
  virtual int GetRecordSize() = 0;
  virtual void InternalInitRecord(TRecordBuffer buffer) = 0;
  virtual void ClearCalcFields(TRecordBuffer buffer);

  // The navigation primitive: copies the current, next or prior record into
  // `buffer` (only on grOK) and moves the cursor onto it. With `doCheck` an
  // error raises instead of answering grError.
  virtual TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) = 0;
  // Cursor before the first record / after the last one.
  virtual void InternalFirst() = 0;
  virtual void InternalLast() = 0;
  virtual int GetRecordCount();

  virtual void GetBookmarkData(TRecordBuffer buffer, void* data) = 0;
  virtual void SetBookmarkData(TRecordBuffer buffer, const void* data) = 0;
  virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) = 0;
  virtual void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) = 0;
  virtual void InternalGotoBookmark(const void* bookmark) = 0;
  // Places the cursor on the record held in `buffer`.
  virtual void InternalSetToRecord(TRecordBuffer buffer) = 0;

  virtual void InternalPost();  // the base checks the required fields
  virtual void InternalCancel() {}
  virtual void InternalEdit() {}
  virtual void InternalInsert() {}
  // Adds the record in `buffer` to the store (at the cursor, or at the end).
  virtual void InternalAddRecord(TRecordBuffer buffer, bool append) = 0;
  virtual void InternalDelete() = 0;
  virtual void InternalRefresh() {}
  virtual bool GetCanModify() { return true; }
  virtual void CloseBlob(TField&) {}

  // --- hooks around the public operations
  virtual void DoOnNewRecord();
  virtual void DoBeforeInsert();
  virtual void DoAfterInsert();
  virtual void DoBeforeCancel();
  virtual void DoAfterCancel();
  virtual void DoBeforeScroll();
  virtual void DoAfterScroll();

  // --- helpers for descendants
  void CreateFields();
  void DestroyFields();
  // Gives data fields their definition numbers (raising when a field has no
  // definition) and calculated fields their offsets in the calculated area.
  void BindFields(bool binding);
  int CalcFieldsSize() const { return calcFieldsSize_; }
  void SetBookmarkSize(int size) { bookmarkSize_ = size; }
  TRecordBuffer ActiveBuffer() const { return activeBuffer_; }
  bool HasActiveRecord() const { return hasRecord_; }
  TRecordBuffer CalcBuffer() const { return calcBuffer_; }
  // Computes the calculated fields of a record in calc-fields state.
  virtual void CalculateFields(TRecordBuffer buffer);
  // Calculated fields of a freshly read record, when there are any.
  void GetCalcFields(TRecordBuffer buffer);
  void CheckActive() const;
  void CheckInactive() const;
  void CheckRequiredFields();
  void SetState(TDataSetState state);
  // The cursor no longer sits on the active record.
  void CursorPosChanged() { cursorOnActive_ = false; }
  // A lookup's result: the one value, or an array of several.
  static Variant ResultValues(std::vector<Variant> values);
  void UpdateCursorPos();
  // Whether the current record passes OnFilterRecord (in filter state).
  bool FilterAccepts();

 private:
  friend class TDataSource;
  void OpenCursor();
  void CloseCursor();
  void FreeBuffers();
  bool ReadRecord(TGetMode mode);
  void BeginInsertAppend();
  void EndInsertAppend();
  void CheckOperation(const std::function<void()>& operation, const TDataSetErrorEvent& onError);
  bool ScanForMatch(const TKeyMatcher& matcher, const std::function<void()>& onMatch);
  void Fire(const TDataSetNotifyEvent& event) {
    if (event) event(*this);
  }

  std::string name_;
  TComponentState componentState_ = 0;
  TDataSetState state_ = TDataSetState::dsInactive;
  TFieldDefs fieldDefs_;
  TFields fields_;
  bool defaultFields_ = false;
  bool autoCalcFields_ = true;
  int calcFieldsSize_ = 0;
  int bookmarkSize_ = 0;
  TRecordBuffer activeBuffer_ = nullptr;
  TRecordBuffer calcBuffer_ = nullptr;
  bool hasRecord_ = false;
  bool cursorOnActive_ = false;
  bool bof_ = true;
  bool eof_ = true;
  bool modified_ = false;
  bool filtered_ = false;
  std::string filter_;
  TFilterOptions filterOptions_ = 0;
  int disableCount_ = 0;
  TDataSetState disableState_ = TDataSetState::dsInactive;
  TDataEvent enableEvent_ = TDataEvent::deDataSetChange;
  std::vector<TDataSource*> dataSources_;
};

// Puts a dataset into a temporary state for the life of the guard; the state
// before is restored however the scope is left.
class TTempState {
 public:
  TTempState(TDataSet& dataSet, TDataSetState state)
      : dataSet_(dataSet), saved_(dataSet.SetTempState(state)) {}
  ~TTempState() { dataSet_.RestoreState(saved_); }
  TTempState(const TTempState&) = delete;
  TTempState& operator=(const TTempState&) = delete;

 private:
  TDataSet& dataSet_;
  TDataSetState saved_;
};

// Where exceptions go that a dataset cannot hand back to a caller; the
// default does nothing. The application replaces it.
extern std::function<void(const std::exception&)> ApplicationHandleException;

}  // namespace dataset
