#pragma once
// The field classes, one per native value form:
//   TStringField       ftString            Size + 1 bytes, zero-terminated
//   TWideStringField   ftWideString        Size + 1 UTF-16 units, zero-terminated
//                      (both: StoredSize + 1 when the dataset keeps longer
//                      text than the declared Size)
//   TIntegerField      ftSmallint, ftInteger, ftWord   32-bit signed
//   TLargeintField     ftLargeint          64-bit signed
//   TBooleanField      ftBoolean           16-bit, non-zero is true
//   TFloatField        ftFloat, ftCurrency, ftBCD      double
//   TDateTimeField     ftDate, ftTime, ftDateTime      double milliseconds
//                                                      since year 1
//   TBlobField         ftMemo, ftOraClob (text), ftBlob, ftOraBlob (bytes):
//                      no bytes in the record; read and written as streams

#include <algorithm>
#include <memory>

#include "dataset/field.h"

namespace dataset {

// The general text of a float: up to 15 significant digits.
std::string FloatText(double value);

class TStringField : public TField {
 public:
  explicit TStringField(int size = 20) : TField(TFieldType::ftString, size) {}
  int DataSize() const override { return StoredSize() + 1; }
  // Bytes of text the record keeps: Size, or more when the dataset's text
  // grows on the way in (line ends widened by the session); a value set
  // through the field is still bounded by Size.
  int StoredSize() const { return std::max(Size(), storedSize_); }
  void SetStoredSize(int bytes) { storedSize_ = bytes; }
  std::string AsString() const override;
  // The text and true, or false when the field is null: one read of the
  // record where IsNull and AsString make two.
  bool GetText(std::string& text) const;
  // A value longer than Size bytes is refused rather than cut.
  void SetAsString(const std::string& value) override;
  int32_t AsInteger() const override;
  void SetAsInteger(int32_t value) override;
  double AsFloat() const override;
  void SetAsFloat(double value) override;
  TDateTime AsDateTime() const override;
  void SetAsDateTime(TDateTime value) override;
  bool AsBoolean() const override;
  void SetAsBoolean(bool value) override;
  Variant Value() const override;
  void SetValue(const Variant& value) override;

 private:
  int storedSize_ = 0;
};

class TWideStringField : public TField {
 public:
  explicit TWideStringField(int size = 20) : TField(TFieldType::ftWideString, size) {}
  int DataSize() const override { return (StoredSize() + 1) * 2; }
  // UTF-16 units the record keeps: Size, or more as for TStringField.
  int StoredSize() const { return std::max(Size(), storedSize_); }
  void SetStoredSize(int units) { storedSize_ = units; }
  std::string AsString() const override;
  void SetAsString(const std::string& value) override;
  std::u16string AsWideString() const;
  // A value longer than Size units is refused rather than cut.
  void SetAsWideString(const std::u16string& value);
  Variant Value() const override;
  void SetValue(const Variant& value) override;

 private:
  int storedSize_ = 0;
};

class TIntegerField : public TField {
 public:
  explicit TIntegerField(TFieldType type = TFieldType::ftInteger) : TField(type, 0) {}
  int DataSize() const override { return 4; }
  std::string AsString() const override;
  void SetAsString(const std::string& value) override;
  int32_t AsInteger() const override;
  // Values outside the type's range (smallint, word) are refused.
  void SetAsInteger(int32_t value) override;
  double AsFloat() const override { return AsInteger(); }
  void SetAsFloat(double value) override;
  Variant Value() const override;
  void SetValue(const Variant& value) override;
};

class TLargeintField : public TField {
 public:
  TLargeintField() : TField(TFieldType::ftLargeint, 0) {}
  int DataSize() const override { return 8; }
  std::string AsString() const override;
  void SetAsString(const std::string& value) override;
  int32_t AsInteger() const override;
  void SetAsInteger(int32_t value) override { SetAsLargeInt(value); }
  int64_t AsLargeInt() const override;
  void SetAsLargeInt(int64_t value) override;
  double AsFloat() const override { return static_cast<double>(AsLargeInt()); }
  Variant Value() const override;
  void SetValue(const Variant& value) override;
};

class TBooleanField : public TField {
 public:
  TBooleanField() : TField(TFieldType::ftBoolean, 0) {}
  int DataSize() const override { return 2; }
  std::string AsString() const override;  // "True", "False", "" for null
  void SetAsString(const std::string& value) override;
  bool AsBoolean() const override;
  void SetAsBoolean(bool value) override;
  int32_t AsInteger() const override { return AsBoolean() ? 1 : 0; }
  Variant Value() const override;
  void SetValue(const Variant& value) override;
};

class TFloatField : public TField {
 public:
  explicit TFloatField(TFieldType type = TFieldType::ftFloat) : TField(type, 0) {}
  int DataSize() const override { return 8; }
  std::string AsString() const override;  // up to 15 significant digits
  void SetAsString(const std::string& value) override;
  int32_t AsInteger() const override;
  void SetAsInteger(int32_t value) override { SetAsFloat(value); }
  double AsFloat() const override;
  // Currency values keep four decimals.
  void SetAsFloat(double value) override;
  Variant Value() const override;  // Currency for currency fields
  void SetValue(const Variant& value) override;
};

class TDateTimeField : public TField {
 public:
  explicit TDateTimeField(TFieldType type = TFieldType::ftDateTime) : TField(type, 0) {}
  int DataSize() const override { return 8; }
  std::string AsString() const override;
  void SetAsString(const std::string& value) override;
  double AsFloat() const override { return AsDateTime(); }
  void SetAsFloat(double value) override { SetAsDateTime(value); }
  TDateTime AsDateTime() const override;
  // Date fields drop the time of day, time fields the date.
  void SetAsDateTime(TDateTime value) override;
  Variant Value() const override;
  void SetValue(const Variant& value) override;
};

class TBlobField : public TField {
 public:
  explicit TBlobField(TFieldType type = TFieldType::ftBlob) : TField(type, 0) {}
  int DataSize() const override { return 0; }
  bool IsBlob() const override { return true; }
  // Memo and character LOB fields hold text, the others bytes.
  bool IsText() const {
    return DataType() == TFieldType::ftMemo || DataType() == TFieldType::ftOraClob;
  }
  std::string AsString() const override;  // the whole value
  void SetAsString(const std::string& value) override;
  // Text as a string, bytes as a byte array.
  Variant Value() const override;
  void SetValue(const Variant& value) override;
};

// A field object of the class for `type`; null for types without a field
// class (ftUnknown, ftCursor).
std::unique_ptr<TField> CreateField(TFieldType type, int size);

// The bytes of a byte-array variant (VT_ARRAY | VT_UI1); false when it is
// not one.
bool VariantBytes(const Variant& v, std::string& bytes);
// A byte-array variant holding `bytes`.
Variant BytesVariant(const std::string& bytes);

}  // namespace dataset
