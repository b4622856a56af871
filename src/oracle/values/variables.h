#pragma once
// Bind variables of a query: each variable is a typed buffer laid out as OCI
// expects it (ArraySize elements of BufferSize bytes in one block, one 16-bit
// null indicator per element), plus the object a complex variable refers to.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "oracle/values/ora_variant.h"
#include "oracle/values/params.h"

namespace oracle {

class TComplexObject;
class TSessionContext;

inline constexpr int16_t kIndicatorNull = -1;
inline constexpr int16_t kIndicatorValue = 0;

// Buffer bytes a variable of the given type and name gets when declared;
// raises "Unsupported variable type" for a type that cannot be declared.
int32_t DeclaredBufferSize(std::string_view name, int16_t type);

// The stored form of a variable name: upper-cased, with one leading ":".
std::string VariableStoredName(std::string_view name);

class TVariableData {
 public:
  // A null scalar of the given type with the buffer its declaration gives;
  // `name` is taken in its stored form. Raises "Unsupported variable type".
  TVariableData(std::string_view name, int16_t dataType);
  TVariableData(const TVariableData&) = default;
  TVariableData& operator=(const TVariableData&) = default;

  const std::string& Name() const { return name_; }
  int16_t DataType() const { return dataType_; }
  int32_t BufferSize() const { return bufferSize_; }
  // ArraySize x BufferSize bytes; null when the variable holds no bytes.
  uint8_t* Buffer() { return buffer_.empty() ? nullptr : buffer_.data(); }
  const uint8_t* Buffer() const { return buffer_.empty() ? nullptr : buffer_.data(); }
  // ArraySize indicators: kIndicatorNull or kIndicatorValue.
  int16_t* Indicators() { return indicators_.data(); }
  const int16_t* Indicators() const { return indicators_.data(); }
  int32_t ValueLength() const { return valueLength_; }
  // Bytes of element `index`'s value for the types held with a length of
  // their own (VARCHAR2, LONG, LONG RAW): each element of an array its own.
  int32_t ElementLength(int32_t index) const;
  int32_t ArraySize() const { return arraySize_; }
  bool IsPLSQLTable() const { return isPLSQLTable_; }
  void SetIsPLSQLTable(bool value) { isPLSQLTable_ = value; }
  // The elements of a PL/SQL table in use (at most ArraySize): those the
  // last array assignment gave, or those the server returned. OCI reads and
  // writes it through this address.
  uint32_t TableCount() const { return tableCount_; }
  void SetTableCount(uint32_t count) { tableCount_ = count; }
  uint32_t* TableCountAddress() { return &tableCount_; }
  // The type is a fixed-size scalar (integer, float, DATE).
  bool IsFixedType() const { return isFixedType_; }
  // The object a complex variable refers to (not owned); null when none.
  // Object and REF variables may be arrays: one object per element.
  TComplexObject* Object() const { return objects_[0]; }
  TComplexObject* ObjectAt(int32_t index) const {
    return objects_[static_cast<std::size_t>(index)];
  }
  // Date-time of a timestamp variable that has no timestamp object.
  TDateTime TimestampValue() const { return timestampValue_; }
  // Character-set form the value is bound in: 0 or 1 the database character
  // set, 2 the national one. The id names the encoding of the bound bytes
  // (0: the client's own); the query sets it from the form and the session.
  // A national text variable holds its text as the library's UTF-8 and binds
  // it as UTF-16: its elements take room for each character it is declared
  // for at the widest UTF-8 form, so that it holds as many characters in any
  // script.
  uint8_t CharsetForm() const { return charsetForm_; }
  void SetCharsetForm(uint8_t form);
  bool IsNational() const { return charsetForm_ == 2; }
  uint16_t CharsetId() const { return charsetId_; }
  void SetCharsetId(uint16_t id) { charsetId_ = id; }

  bool IsNull(int32_t index) const;

  // The characters a text variable is declared for (for a zero-terminated
  // type, the element size less the terminator; for national text, a
  // quarter of that).
  int64_t DeclaredChars() const;

  // Stores a value into element `index`; a null or empty value makes the
  // element null. Raises with a message naming the variable when the value
  // does not convert or does not fit.
  void SetValue(int32_t index, const Variant& value, const TSessionContext* session);

  // Reads element `index` back as a variant; a null element gives Null when
  // the session says so, else an unassigned value.
  Variant GetValue(int32_t index, const TSessionContext* session) const;

  // "(PL/SQL Table)", "(Array)", a label for LOB, LONG, object and cursor
  // types, "Null", or the value as text.
  std::string DisplayText(const TSessionContext* session) const;

  // Re-dimensions to `size` elements, all null; a positive `stringSize` sets
  // the element size to stringSize + 1 (for a national text variable, room
  // for stringSize characters).
  void SetArrayItem(int32_t size, int32_t stringSize, const TSessionContext* session);

  // The text of element 0 as it is streamed (zero-terminated types and
  // VARCHAR2): the bytes up to the terminating zero, never past the buffer.
  std::string_view ElementText(int32_t index) const;

  // Puts streamed value bytes into element 0 and marks it not null; a
  // variable without a buffer gets one of that size. Raises when the bytes do
  // not fit the element.
  void LoadStreamedValue(std::span<const uint8_t> bytes);

 private:
  uint8_t* Element(int32_t index) { return buffer_.data() + std::size_t(index) * bufferSize_; }
  const uint8_t* Element(int32_t index) const {
    return buffer_.data() + std::size_t(index) * bufferSize_;
  }
  void CheckIndex(int32_t index) const;
  // The element size that holds a text variable's characters.
  int64_t TextElementSize(int64_t chars) const;
  void ReplaceBuffer(int32_t index, std::span<const uint8_t> bytes);
  void StoreText(int32_t index, const std::string& text);
  void StoreComplex(int32_t index, const Variant& value);
  void StoreTimestamp(const Variant& value, const TSessionContext* session);
  void StoreValue(int32_t index, const Variant& value, const TSessionContext* session);
  [[noreturn]] void FailConversion() const;

  std::string name_;
  int16_t dataType_ = 0;
  int32_t bufferSize_ = 0;
  std::vector<uint8_t> buffer_;      // arraySize_ x bufferSize_ bytes
  std::vector<int16_t> indicators_;  // arraySize_ entries
  int32_t valueLength_ = 0;
  std::vector<int32_t> elementLengths_;  // arraySize_ entries of an array
  int32_t arraySize_ = 1;
  bool isPLSQLTable_ = false;
  uint32_t tableCount_ = 0;
  bool isFixedType_ = false;
  std::vector<TComplexObject*> objects_{nullptr};  // arraySize_ entries
  TDateTime timestampValue_ = 0;
  uint8_t charsetForm_ = 0;
  uint16_t charsetId_ = 0;
};

// What owns a variable collection (the query): it is told when declarations
// change and names the session whose preferences govern conversions.
class TVariablesOwner {
 public:
  virtual const TSessionContext* VariablesSession() const = 0;
  // A variable was declared, replaced or removed: the statement must be
  // parsed and bound again.
  virtual void VariablesChanged() = 0;

 protected:
  ~TVariablesOwner() = default;
};

class TVariables {
 public:
  explicit TVariables(TVariablesOwner* owner = nullptr) : owner_(owner) {}
  TVariables(const TVariables&) = delete;
  TVariables& operator=(const TVariables&) = delete;

  TVariablesOwner* Owner() const { return owner_; }
  const TSessionContext* Session() const;

  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  // Raises "Variable <i> does not exist" outside 0 .. Count-1.
  TVariableData& Data(int32_t index);
  const TVariableData& Data(int32_t index) const;
  // Index of a variable by name, without regard to case and with or without
  // the colon; -1 when absent.
  int32_t IndexOf(std::string_view name) const;

  // Declares a null variable; a variable of the same name is replaced at its
  // index. Raises "You cannot declare a variable with an empty name" and
  // "Unsupported variable type" (the collection then unchanged).
  TVariableData& Declare(std::string_view name, int16_t type);
  // Declares a PL/SQL table of `tableSize` elements (strings, integers, floats
  // and dates; strings need a string size, the others must not have one).
  TVariableData& DeclarePLSQLTable(std::string_view name, int16_t type, int32_t tableSize,
                                   int32_t stringSize);
  void Delete(int32_t index);
  void Clear();

  // Replaces the whole collection with `staged`'s variables and tells the
  // owner once.
  void Replace(TVariables&& staged);

  // Becomes one variable ":" + name per parameter, typed by the parameter's
  // value; raises "Unsupported variable type" for another value type (an
  // empty or null one included) and leaves the collection unchanged on any
  // error.
  void Assign(const TParams& params);
  // Fills `params` with one parameter per variable (name without ":",
  // element 0's value).
  void AssignTo(TParams& params) const;
  // Copies every variable with its value and table size into `dest`; both
  // collections must be owned by a query.
  void AssignTo(TVariables& dest) const;

 private:
  void Changed();
  // Puts a new declaration in place of one of the same name, or at the end.
  TVariableData& Store(std::unique_ptr<TVariableData> item);

  TVariablesOwner* owner_;
  std::vector<std::unique_ptr<TVariableData>> items_;
};

}  // namespace oracle
