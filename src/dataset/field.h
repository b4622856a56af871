#pragma once
// A field object: one column of a dataset's current record. The field knows
// its name, type, size and kind; its value lives in the dataset's record
// buffers and is read and written through the dataset (GetFieldData and
// SetFieldData), in the field's native form. The concrete classes per value
// type are in field_kinds.h.

#include <cstdint>
#include <functional>
#include <string>

#include "dataset/db_types.h"
#include "platform/com/variant.h"

namespace dataset {

class TDataSet;

class TField {
 public:
  using TFieldNotifyEvent = std::function<void(TField&)>;

  TField(TFieldType dataType, int size);
  virtual ~TField() = default;
  TField(const TField&) = delete;
  TField& operator=(const TField&) = delete;

  const std::string& FieldName() const { return fieldName_; }
  void SetFieldName(std::string name) { fieldName_ = std::move(name); }
  // Position (from 1) of the field's definition; 0 or less for calculated
  // and lookup fields.
  int FieldNo() const { return fieldNo_; }
  void SetFieldNo(int no) { fieldNo_ = no; }
  TFieldKind FieldKind() const { return fieldKind_; }
  void SetFieldKind(TFieldKind kind) { fieldKind_ = kind; }
  bool IsCalculated() const {
    return fieldKind_ == TFieldKind::fkCalculated || fieldKind_ == TFieldKind::fkLookup;
  }
  TFieldType DataType() const { return dataType_; }
  int Size() const { return size_; }
  void SetSize(int size) { size_ = size; }
  // Bytes of the value in the field's native form (0 for BLOB kinds).
  virtual int DataSize() const = 0;
  virtual bool IsBlob() const { return false; }

  bool Required() const { return required_; }
  void SetRequired(bool required) { required_ = required; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
  // SQL text the server evaluates for the field of a new row.
  const std::string& DefaultExpression() const { return defaultExpression_; }
  void SetDefaultExpression(std::string text) { defaultExpression_ = std::move(text); }
  // Position of a calculated field's slot in the calculated area; the
  // dataset class assigns it.
  int Offset() const { return offset_; }
  void SetOffset(int offset) { offset_ = offset; }
  // Whether a data provider counts the field as part of the key.
  bool InKey() const { return inKey_; }
  void SetInKey(bool inKey) { inKey_ = inKey; }

  TDataSet* DataSet() const { return dataSet_; }
  // Position in the dataset's field list.
  int Index() const;

  // The value of the current record (as the dataset's state selects it).
  bool IsNull() const;
  virtual std::string AsString() const = 0;
  virtual void SetAsString(const std::string& value) = 0;
  virtual int32_t AsInteger() const;
  virtual void SetAsInteger(int32_t value);
  virtual int64_t AsLargeInt() const;
  virtual void SetAsLargeInt(int64_t value);
  virtual double AsFloat() const;
  virtual void SetAsFloat(double value);
  virtual TDateTime AsDateTime() const;
  virtual void SetAsDateTime(TDateTime value);
  virtual bool AsBoolean() const;
  virtual void SetAsBoolean(bool value);
  // Null when the field has no value.
  virtual Variant Value() const = 0;
  // Null and empty clear the field.
  virtual void SetValue(const Variant& value) = 0;
  // The value as fetched, before the edit in progress (old-value state),
  // the value being posted (new-value state) and the value now in the
  // dataset's store (current-value state).
  Variant OldValue() const;
  Variant NewValue() const;
  Variant CurValue() const;
  void Clear();

  // Raw access in the native form; a null buffer only asks whether the field
  // has a value. Writing checks that the dataset allows it (see CheckWritable).
  bool GetData(void* buffer, bool nativeFormat = true) const;
  void SetData(const void* buffer, bool nativeFormat = true);

  // Raises unless the field may be assigned in the dataset's state: data
  // fields in edit, insert and set-key state (never when read-only) and in
  // the internal new-value state; calculated fields in calc-fields state.
  void CheckWritable() const;
  // Runs OnValidate for a value about to be stored (buffer in native form).
  void Validate(const void* buffer);
  // Runs OnChange after a value was stored.
  void Change();

  // The value as a user sees and types it: OnGetText's and OnSetText's
  // when assigned, else AsString and SetAsString.
  std::string Text() const;
  void SetText(const std::string& text);

  TFieldNotifyEvent OnChange;
  TFieldNotifyEvent OnValidate;
  std::function<std::string(const TField&)> OnGetText;
  std::function<void(TField&, const std::string&)> OnSetText;

 protected:
  [[noreturn]] void ConversionError(const char* typeName) const;

 private:
  friend class TFields;

  std::string fieldName_;
  int fieldNo_ = 0;
  TFieldKind fieldKind_ = TFieldKind::fkData;
  TFieldType dataType_;
  int size_;
  bool required_ = false;
  bool readOnly_ = false;
  bool inKey_ = false;
  int offset_ = 0;
  std::string defaultExpression_;
  TDataSet* dataSet_ = nullptr;
};

}  // namespace dataset
