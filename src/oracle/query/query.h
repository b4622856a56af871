#pragma once
// TOracleQuery: one SQL statement with its bind variables on a session. It
// prepares the statement (substitution variables replaced, carriage returns
// outside literals removed), binds, executes, describes the select list and
// fetches rows in blocks of ReadBuffer rows per round trip; Next walks the
// block and fetches the next one when it is used up. Column values of the
// current row are read by index (0-based, select-list order) or by name.
//
// With Threaded set, Execute runs the query on its own thread (query_thread.h)
// and reports through the OnThread events.
//
// Runs through the OCI8 calls, or through the OCI7 calls on a cursor data
// area when its session is in OCI7 mode. Cursor variables and cursor columns:
// see SetComplexVariable; a cursor column holds a statement handle per row
// and reads as null. LONG and LONG RAW columns are fetched in pieces
// (GetLongField). LOB columns hold a locator per row: Field reads the whole
// value, and a locator stream (lob/lob_locator.h, LOBField) follows the
// current row. Object and REF columns hold an instance or REF per row, which
// an object wrapper (objects/) follows; object and REF variables bind the
// instances and REFs of the wrappers assigned to them, one per element.

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "oracle/query/query_text.h"
#include "oracle/session/session_objects.h"
#include "oracle/session/sql_monitor.h"
#include "oracle/session/ui_hooks.h"
#include "oracle/values/complex_object.h"
#include "oracle/values/field_data.h"
#include "oracle/values/ora_variant.h"
#include "oracle/values/variables.h"
#include "platform/oci/oci_api.h"

namespace oracle {

class TOracleSession;
class TOracleTimestamp;
class TOracleQuery;
class TQueryThread;

// What the query needs of a LOB locator object (lob/lob_locator.h), which
// stands for a LOB column of the current row or the value of a LOB variable.
class TLOBObject : public TComplexObject {
 public:
  // Points the object at a fetched row's locator (not owned), rewound.
  virtual void AttachRowLocator(OCILobLocator* locator) = 0;
  // The locator pointer a bind points at.
  virtual OCILobLocator** BindLocatorAddress() = 0;
  virtual bool LocatorIsNull() const = 0;
  // An execute may have written a new locator through the bind (an out-bind
  // of a returning clause): the stream starts again at its beginning.
  virtual void BindRefreshed() {}
};

// What the query needs of an object or REF wrapper (objects/oracle_object.h,
// objects/oracle_reference.h), which follows an object or REF column of the
// current row, or is the value of an object or REF variable.
class TObjectColumnObject : public TComplexObject {
 public:
  // Points the object at a fetched row's instance or REF (not owned).
  virtual void AttachRowInstance(void* instance) = 0;
  // A REF rather than an object instance.
  virtual bool IsReference() const = 0;
  // What a bind passes to the client: the object's type (null for a REF)
  // and its instance or REF pointer, and whether the value is null.
  virtual OCIType* BindType() const = 0;
  virtual void* BindInstance() const = 0;
  virtual bool BindIsNull() const = 0;
  // After an execute: takes the null state the bind's indicator holds (-1
  // null), as an out-bind whose row held no value leaves it.
  virtual void TakeBindIndicator(int16_t indicator) = 0;
  // The text a column's value reads as (an XMLTYPE's document, a REF's hex
  // form); false for objects that read as no text.
  virtual bool ColumnText(std::string& text) {
    (void)text;
    return false;
  }
};

// The instances (or REFs) the client made in an object or REF column's
// fetch buffer, freed with the column ("OCIObjectFree"), and the pinned type.
struct TRowObjects {
  TRowObjects(OCIEnv* environment, TFieldData& buffer) : env(environment), data(buffer) {}
  ~TRowObjects();
  TRowObjects(const TRowObjects&) = delete;
  TRowObjects& operator=(const TRowObjects&) = delete;
  OCIEnv* env;
  TFieldData& data;
  OCIError* err = nullptr;  // the column's own, allocated with it
  OCIType* type = nullptr;
};

// One select-list column: what describe said of it and its fetch buffers.
struct TQueryColumn {
  std::string name;
  int16_t oracleType = 0;  // the column's data type as the server describes it
  int32_t dataSize = 0;
  int32_t charSize = 0;
  int32_t precision = 0;
  int32_t scale = 0;
  bool nullable = true;
  uint8_t charsetForm = 0;
  uint16_t charsetId = 0;
  std::string typeName;  // object type name ("SCHEMA.TYPE"); empty otherwise
  int16_t bufferType = 0;
  int32_t bufferSize = 0;  // element size of the describe table
  std::unique_ptr<TFieldData> data;
  OCIDefine* define = nullptr;
  // Reads a timestamp row's descriptor; made on first use.
  mutable std::unique_ptr<TOracleTimestamp> timestamp;
  // Object and REF columns: the instances (or REFs) of the rows in the
  // buffer.
  std::unique_ptr<TRowObjects> objects;

  TQueryColumn();
  ~TQueryColumn();
  TQueryColumn(TQueryColumn&&) noexcept;
  TQueryColumn& operator=(TQueryColumn&&) noexcept;
};

// What a query handed out for column i (LOBField, ObjectField, RefField,
// XMLTypeField) and the kind of column it was made for. The query keeps it
// for its whole life, so that a caller may hold it across Next, Execute, a
// new parse and a log-off: it follows column i's current row while that
// column is of the kind it was made for, and stands for no row (null)
// otherwise.
struct TColumnWrapper {
  int16_t bufferType = 0;
  std::string typeName;
  uint8_t charsetForm = 0;
  std::unique_ptr<TLOBObject> lob;
  std::unique_ptr<TObjectColumnObject> object;
};

// Oracle error numbers the query handles itself: the end of the rows and a
// value cut to its buffer.
inline constexpr int32_t kOraNoDataFound = 1403;
inline constexpr int32_t kOraValueTruncated = 1406;
// Longest column name kept.
inline constexpr std::size_t kMaxColumnName = 30;
// LONG values read in pieces: the first piece and the largest one asked for.
inline constexpr int32_t kFirstLongPiece = 4096;
inline constexpr int32_t kLargestLongPiece = 32768;

// Buffer type and element size of a column, from the describe type table.
struct TColumnBuffer {
  int16_t type;
  int32_t size;
};

// What the describe table needs of the session and the query.
struct TColumnBufferRules {
  bool stringFieldsOnly = false;
  bool timestampAsString = false;
  int bytesPerChar = 1;
  // The NUMBER mapping for a precision and scale (the session's rule).
  std::function<TColumnBuffer(int32_t precision, int32_t scale)> numeric;
  // The longest text of a date in the session's date format.
  std::function<int32_t()> dateFormatLength;
  // OCI7 mode: LONG and LONG RAW columns hold their first piece in the
  // buffer; the rest is read on demand.
  bool oci7 = false;
};

// The buffer type and element size for a column of `oracleType`.
TColumnBuffer ColumnBufferFor(int16_t oracleType, int32_t dataSize, int32_t precision,
                              int32_t scale, const TColumnBufferRules& rules,
                              const std::string& columnName);

// When on (as shipped), Optimize always reads False and every execute parses
// its statement again. Process-wide; set it before queries run.
extern std::atomic<bool> AlwaysParseStatements;

// Called with each newly constructed query when set.
void SetQueryCreatedHook(std::function<void(TOracleQuery&)> hook);
// Receives a query that runs with Debug set instead of the message box.
void SetQueryDebugHook(std::function<void(TOracleQuery&)> hook);
// Makes the wrapper of object column i (ObjectColumnObject) when Field needs
// one that was not made yet: an XMLTYPE reads as its document and another
// object as the object itself. The object library (objects/) sets it when it
// is linked in; without it such columns read through their fetch buffer.
void SetObjectColumnMaker(std::function<void(TOracleQuery&, int32_t)> maker);

// A query is also what a cursor variable of another query holds: that
// query's run opens the cursor, and this query then fetches its rows.
class TOracleQuery : public TVariablesOwner, public TSessionAttached, public TComplexObject {
 public:
  using Event = std::function<void(TOracleQuery&)>;

  explicit TOracleQuery(const void* owner = nullptr);
  virtual ~TOracleQuery();
  TOracleQuery(const TOracleQuery&) = delete;
  TOracleQuery& operator=(const TOracleQuery&) = delete;

  // A failed row of array DML: its index in the arrays, the error, and
  // whether to go on with the rows after it (true when called).
  using ArrayErrorEvent = std::function<void(TOracleQuery&, int32_t index, int32_t errorCode,
                                             const std::string& errorMessage, bool& continueRun)>;

  // A failed threaded run: the Oracle error code (0 for another failure)
  // and the message.
  using ThreadErrorEvent =
      std::function<void(TOracleQuery&, int32_t errorCode, const std::string& errorMessage)>;

  Event BeforeQuery;
  Event AfterQuery;
  ArrayErrorEvent OnArrayError;
  Event OnThreadExecuted;
  Event OnThreadRecord;
  Event OnThreadFinished;
  ThreadErrorEvent OnThreadError;

  // --- properties ---------------------------------------------------------
  const void* Owner() const { return owner_; }
  TOracleSession* Session() const { return session_; }
  // Leaves the old session's query list (closing the statement) and joins
  // the new one's.
  void SetSession(TOracleSession* session);
  // The statement text as stored (lines added with AddSQL end in CR LF).
  const std::string& SQL() const { return sql_; }
  void SetSQL(std::string text) { sql_ = std::move(text); }
  void AddSQL(std::string_view line);
  int32_t ReadBuffer() const { return readBuffer_; }
  // Values below 1 store 1.
  void SetReadBuffer(int32_t value) { readBuffer_ = value < 1 ? 1 : value; }
  // True only when set and AlwaysParseStatements is off.
  bool Optimize() const;
  void SetOptimize(bool value) { optimize_ = value; }
  bool Debug() const { return debug_; }
  void SetDebug(bool value) { debug_ = value; }
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor value) { cursor_ = value; }
  bool StringFieldsOnly() const { return stringFieldsOnly_; }
  // A change forces the next run to parse and describe again.
  void SetStringFieldsOnly(bool value);
  bool Threaded() const { return threaded_; }
  void SetThreaded(bool value) { threaded_ = value; }
  bool ThreadSynchronized() const { return threadSynchronized_; }
  void SetThreadSynchronized(bool value) { threadSynchronized_ = value; }
  bool Scrollable() const { return scrollable_; }
  void SetScrollable(bool value) { scrollable_ = value; }

  // --- execution ----------------------------------------------------------
  // Runs the whole statement; with Threaded set, on the query's thread
  // ("Query thread is still in progress" while a run is).
  virtual void Execute();
  // A threaded run is in progress.
  bool ThreadRunning() const;
  // Ends a threaded run after the current row.
  void StopThread();
  // Runs the statement for rows Index .. Index + Count - 1 of array
  // variables (-1, -1: all of them); returns the rows processed. A failing
  // row goes to OnArrayError, which may go on with the rows after it (never
  // beyond Index + Count - 1); without OnArrayError the error is raised.
  int32_t ExecuteArray(int32_t index, int32_t count);
  // Parses and describes the select list without executing.
  void Describe();
  // Moves to the next row, fetching the next block when the buffer is used
  // up. Does nothing at Eof.
  void Next();
  // Closes the statement and frees the handles.
  void Close();
  // Deletes the variables, clears SQL and forgets the parse.
  void Clear();

  // --- results and state ----------------------------------------------------
  bool Eof() const { return eof_; }
  int32_t RowsProcessed() const { return static_cast<int32_t>(snapshot_.rowsProcessed); }
  int32_t ErrorCode() const { return snapshot_.errorCode; }
  int32_t WarningFlags() const { return snapshot_.warningFlags; }
  const std::string& RowId() const { return snapshot_.rowId; }
  int32_t ErrorLine() const { return errorLine_; }
  int32_t ErrorPosition() const { return errorPosition_; }
  int32_t SQLType() const { return sqlType_; }
  // The text last handed to OCI for parsing; empty when the next run parses.
  const std::string& ParsedText() const { return parsedText_; }
  bool Described() const { return described_; }

  // --- fields -------------------------------------------------------------
  int32_t FieldCount() const { return static_cast<int32_t>(fields_.size()); }
  const std::string& FieldName(int32_t i) const;
  // First column of that name without regard to case; -1 when none.
  int32_t FieldIndex(std::string_view name) const;
  // The same, raising "Field " + name + " does not exist" when none.
  int32_t NameIndex(std::string_view name) const;
  int16_t FieldType(int32_t i) const;
  int32_t FieldSize(int32_t i) const;
  int32_t FieldPrecision(int32_t i) const;
  int32_t FieldScale(int32_t i) const;
  bool FieldOptional(int32_t i) const;
  const std::string& FieldTypeName(int32_t i) const;
  int16_t FieldOracleType(int32_t i) const;
  int32_t FieldCharSize(int32_t i) const;
  uint8_t FieldCharsetForm(int32_t i) const;
  uint16_t FieldCharsetId(int32_t i) const;
  bool FieldIsNull(int32_t i) const;
  bool FieldIsNull(std::string_view name) const { return FieldIsNull(NameIndex(name)); }

  Variant Field(int32_t i) const;
  Variant FieldByName(std::string_view name) const { return Field(NameIndex(name)); }
  std::string FieldAsString(int32_t i) const;
  std::string FieldAsString(std::string_view name) const { return FieldAsString(NameIndex(name)); }
  int32_t FieldAsInteger(int32_t i) const;
  int32_t FieldAsInteger(std::string_view name) const { return FieldAsInteger(NameIndex(name)); }
  double FieldAsFloat(int32_t i) const;
  double FieldAsFloat(std::string_view name) const { return FieldAsFloat(NameIndex(name)); }
  TDateTime FieldAsDate(int32_t i) const;
  TDateTime FieldAsDate(std::string_view name) const { return FieldAsDate(NameIndex(name)); }

  // Copies up to `length` bytes of the current row's LONG or LONG RAW value
  // of column i from byte `offset` on into `buffer`; returns the bytes
  // copied (0 for a null value or an offset at or past its end). Raises
  // "Field <i> is not a Long" for other columns.
  int32_t GetLongField(int32_t i, void* buffer, int32_t length, int32_t offset) const;
  // The LOB object of column i, null until one is set for the column as it
  // is now described; setting one points it at the current row at once
  // ("Field " + name + " is not a LOB" for other columns). An object set
  // for the column before is not freed: it stands for no row from then on
  // and is kept until the query goes, as is one made for a column whose
  // kind a new statement changed.
  TLOBObject* LOBColumnObject(int32_t i) const;
  void SetLOBColumnObject(int32_t i, std::unique_ptr<TLOBObject> object);
  // The same for an object or REF column ("Field " + name + " is not an
  // Object" for other columns).
  TObjectColumnObject* ObjectColumnObject(int32_t i) const;
  void SetObjectColumnObject(int32_t i, std::unique_ptr<TObjectColumnObject> object);

  // The fetch buffer of column i and the current row's place in it, for a
  // reader that takes values in place (TFieldData::IntegerAt and the like)
  // rather than through Field. What the buffer holds is valid until the next
  // Next, Execute or Close. Raises beyond Eof, as Field does.
  const TFieldData& FieldBuffer(int32_t i) const {
    if (eof_ || i < 0 || i >= FieldCount()) return *CurrentColumn(i).data;  // raises
    return *fields_[static_cast<std::size_t>(i)].data;
  }
  int32_t BufferRow() const { return rowIndex_; }
  // Whether text read in place gets CR LF line ends (as Field gives them).
  bool ConvertsLineEnds() const;

  // --- variables ------------------------------------------------------------
  TVariables& Variables() { return variables_; }
  const TVariables& Variables() const { return variables_; }
  void DeclareVariable(std::string_view name, int16_t type);
  // A string or LONG variable bound in a character-set form of its own
  // (SQLCS_NCHAR for a national column).
  void DeclareVariable(std::string_view name, int16_t type, uint8_t charsetForm);
  void DeclareAndSet(std::string_view name, int16_t type, const Variant& value);
  void DeleteVariable(std::string_view name);
  void DeleteVariables();
  void SetVariable(std::string_view name, const Variant& value);
  Variant GetVariable(std::string_view name) const;
  // The object of a complex variable (a query for a cursor variable, a
  // timestamp for a timestamp variable); null clears it.
  void SetComplexVariable(std::string_view name, TComplexObject* object);
  TComplexObject* GetComplexVariable(std::string_view name) const;
  void DeclarePLSQLTable(std::string_view name, int16_t type, int32_t tableSize,
                         int32_t stringSize);
  int32_t VariableCount() const { return variables_.Count(); }
  const std::string& VariableName(int32_t i) const { return variables_.Data(i).Name(); }
  int16_t VariableType(int32_t i) const { return variables_.Data(i).DataType(); }
  int32_t VariableIndex(std::string_view name) const { return variables_.IndexOf(name); }

  // TVariablesOwner
  const TSessionContext* VariablesSession() const override;
  void VariablesChanged() override;

  // TSessionAttached
  void SessionLoggedOn() override;
  void SessionLoggingOff() override;
  void SessionDestroyed() override;

 private:
  struct BindSlot {
    OCIBind* handle = nullptr;
    const void* buffer = nullptr;
    sb4 size = 0;
    int32_t elements = 0;  // array elements the bind was made for
    std::vector<ub2> lengths;
    std::vector<uint8_t> encoded;                 // a national variable's text as UTF-16, or
                                                  // long elements behind their lengths
    OCIDateTime* descriptor = nullptr;            // what a timestamp bind points at
    std::unique_ptr<TOracleTimestamp> timestamp;  // a timestamp variable's own value
    std::vector<void*> instances;                 // what an object or REF bind points at
    BindSlot();
    ~BindSlot();
    BindSlot(BindSlot&&) noexcept;
    BindSlot& operator=(BindSlot&&) noexcept;
  };
  struct Snapshot {
    uint32_t rowsProcessed = 0;
    int32_t warningFlags = 0;
    std::string rowId;
    int32_t errorCode = 0;
  };

  // query.cpp
  void CheckSession() const;
  void OpenHandles();
  void FreeHandles() noexcept;
  void Prepare();
  void ParseStatement(const std::string& statement);
  std::string StatementText() const;
  void Bind();
  void BindVariable(TVariableData& variable, BindSlot& slot);
  void BindNationalText(const TVariableData& variable, BindSlot& slot);
  // After a run: a national text variable takes back what the server wrote
  // into its UTF-16 copy.
  void TakeNationalText(TVariableData& variable, const BindSlot& slot);
  void BindLongElements(const TVariableData& variable, BindSlot& slot);
  // Gives each string variable the character set its bound bytes are in.
  void ApplyCharsetSettings();
  // Makes this query the cursor of another query's cursor variable: closed,
  // cleared, and given a fresh statement handle for the cursor; its next
  // run fetches from that cursor without parsing.
  void OpenForCursorVariable(TOracleSession* session);
  void ExecuteCore(bool describeOnly, int32_t iterations, int32_t offset);
  // The SQL monitor's notices of a run (when a hook is set).
  TMonitorNotice MonitorNotice(TMonitorNotice::TKind kind, std::string text);
  void MonitorStart(const char* text);
  void MonitorEnd(const std::string& text);
  // After an execute: timestamp and LOB variables take back what the server
  // wrote through their binds (null state and values). Objects and REFs are
  // written in place, in the instances their wrappers read.
  void RefreshComplexVariables();
  void ExecuteSelect(bool describeOnly, uint32_t mode);
  // After a failed change: the rows it processed and the row that failed.
  void NoteFailedRow(ub4 rowOffset);
  void FetchBlock();
  void AfterRoundTrip();
  void CloseWhenDue();
  void TakeSnapshot();
  void FireAfterQueryAtEof();
  // Sets ErrorLine and ErrorPosition, forgets the parse and raises.
  [[noreturn]] void RaiseStatementError(sword status);
  void SetErrorPositionFromStatement();
  bool StatementCacheUsed() const;
  void ShowDebug();
  // Makes object column i's wrapper through the object column maker.
  void MakeColumnObject(int32_t i) const;
  // query_describe.cpp
  void DescribeAndDefine();
  TColumnBufferRules BufferRules() const;
  // Checks the column's kind, makes its fetch buffer and defines it.
  void AddColumn(TQueryColumn column, ub4 position, const TColumnBufferRules& rules);
  void DefineColumn(TQueryColumn& column, ub4 position);
  void CheckTruncation(int32_t rows);
  // query_oci7.cpp: the same steps on a cursor data area (OCI7 mode)
  cda_def* Area() const {
    return reinterpret_cast<cda_def*>(const_cast<unsigned char*>(cda_.data()));
  }
  int32_t AreaReturnCode() const;
  void OpenCursorArea();
  void CloseCursorArea() noexcept;
  // Hands the text to oparse; the caller has reset the parse state.
  void ParseOCI7(const std::string& statement);
  sword BindOCI7(TVariableData& variable, void* buffer, sb4 size, ub2 type, ub2* lengths);
  void ExecuteOCI7(int32_t iterations, int32_t offset);
  void ExecuteSelectOCI7(bool describeOnly);
  void FetchBlockOCI7();
  // Describes select-list position `position` into `column`; false past the
  // last column.
  bool DescribeColumnOCI7(ub4 position, TQueryColumn& column);
  void TakeSnapshotOCI7();
  // Reads the rest of the current row's LONG value after the first piece
  // held in the buffer, into the column's pieces.
  void ReadLongOCI7(const TQueryColumn& column, int32_t i) const;
  // The whole value of a LOB column's current row (query_lob.cpp).
  Variant LOBValue(const TQueryColumn& column) const;
  // Points what the query handed out for its columns at the current row:
  // the row's locator or instance, none for a null one, none at Eof and
  // none for a column no longer of the kind it was made for.
  void AttachColumnWrappers();
  // Whether `wrapper` was made for column i as it is described now.
  bool WrapperFits(const TColumnWrapper& wrapper, int32_t i) const;
  // The wrapper slot of column i, made for the column as it is now; what it
  // held for another kind of column is retired.
  TColumnWrapper& WrapperSlot(int32_t i);
  // Keeps a wrapper that no longer follows a column, pointed at no row.
  void Retire(std::unique_ptr<TLOBObject> lob);
  void Retire(std::unique_ptr<TObjectColumnObject> object);
  // Points every wrapper at no row, then frees the fetch buffers.
  void ClearFields();
  // The hex form of a REF column's current row.
  std::string RefHex(const TQueryColumn& column) const;
  // Reads the type name of object or REF column `position`.
  void DescribeObjectType(ub4 position, TQueryColumn& column);
  [[noreturn]] void RaiseOCI7StatementError(sword returnCode);
  // query_fields.cpp
  const TQueryColumn& Column(int32_t i) const;
  const TQueryColumn& CurrentColumn(int32_t i) const;
  [[noreturn]] void CannotConvert(int32_t i, const char* what) const;

  const void* owner_;
  TOracleSession* session_ = nullptr;
  std::string sql_;
  TVariables variables_{this};
  std::vector<TColumnWrapper> wrappers_;  // by column index
  std::vector<std::unique_ptr<TComplexObject>> retired_;
  std::vector<TQueryColumn> fields_;
  std::vector<BindSlot> binds_;

  int32_t readBuffer_ = 25;
  bool optimize_ = true;
  bool debug_ = false;
  TCursor cursor_ = 0;
  bool threaded_ = false;
  bool threadSynchronized_ = true;
  bool stringFieldsOnly_ = false;
  bool scrollable_ = false;

  OCIError* err_ = nullptr;
  OCIError* err2_ = nullptr;
  OCIRowid* rowid_ = nullptr;
  OCIStmt* stmt_ = nullptr;
  // OCI7 mode: the cursor data area instead of the handles above.
  alignas(8) std::array<unsigned char, 64> cda_{};
  bool oci7_ = false;
  sword lastStatus_ = OCI_SUCCESS;

  int32_t sqlType_ = sqltype::NotParsed;
  int32_t rowsPerFetch_ = 0;
  int32_t rowIndex_ = 0;
  int32_t rowsInBuffer_ = 0;
  ub4 fetchedTotal_ = 0;  // rows the statement had delivered after the last round trip
  bool handlesOpen_ = false;
  bool described_ = false;
  bool cursorFromVariable_ = false;  // stmt_ is a cursor another query's run opened
  std::string parsedText_;
  int32_t errorLine_ = 0;
  int32_t errorPosition_ = 0;
  int32_t arraySize_ = 0;
  int32_t failedRow_ = -1;  // the row of the last failed change; -1 after other failures
  int busyState_ = 0;       // 0 idle, 1 executing, 2 fetching
  bool afterQueryPending_ = false;
  bool eof_ = true;
  Snapshot snapshot_;
  std::unique_ptr<TQueryThread> thread_;  // made on the first threaded Execute
  TMonitorId monitorId_{"Query"};
};

}  // namespace oracle
