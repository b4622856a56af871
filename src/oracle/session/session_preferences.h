#pragma once
// TSessionPreferences: a session's type mapping and conversion settings, and
// the mapping of NUMBER columns that the describe of a query derives from
// them.

#include <cstdint>

namespace oracle {

class TOracleSession;

enum class TConvertUTF { cuNone, cuUTF8ToUTF16, cuUTF16ToUTF8 };
enum class TTemporaryLOB { tlNone, tlCache, tlNoCache };

class TSessionPreferences {
 public:
  // `session` owns the preferences; null for a free-standing copy.
  // `remoteModuleOwner`: the session's owner is a remote data module, where
  // MaxStringFieldSize starts at 255.
  explicit TSessionPreferences(TOracleSession* session, bool remoteModuleOwner = false);

  // Copies every setting (through the setters, so the guards apply).
  void Assign(const TSessionPreferences& source);

  int32_t FloatPrecision() const { return floatPrecision_; }
  int32_t IntegerPrecision() const { return integerPrecision_; }
  int32_t SmallIntPrecision() const { return smallIntPrecision_; }
  bool UseOCI7() const { return useOCI7_; }
  bool ConvertCRLF() const { return convertCRLF_; }
  TConvertUTF ConvertUTF() const { return convertUTF_; }
  bool ForceWideStringFields() const { return forceWideStringFields_; }
  bool TrimStringFields() const { return trimStringFields_; }
  int32_t MaxStringFieldSize() const { return maxStringFieldSize_; }
  bool ZeroDateIsNull() const { return zeroDateIsNull_; }
  bool NullLOBIsEmpty() const { return nullLOBIsEmpty_; }
  bool NullObjectIsEmpty() const { return nullObjectIsEmpty_; }
  TTemporaryLOB TemporaryLOB() const { return temporaryLOB_; }
  bool TimestampAsString() const { return timestampAsString_; }

  // The precisions, MaxStringFieldSize and TimestampAsString reopen the
  // session's datasets when changed in design state.
  void SetFloatPrecision(int32_t value);
  void SetIntegerPrecision(int32_t value);
  void SetSmallIntPrecision(int32_t value);
  void SetMaxStringFieldSize(int32_t value);
  void SetTimestampAsString(bool value);
  // These three cannot change while the session is connected
  // (std::runtime_error "Cannot change <name> property when session is
  // connected").
  void SetUseOCI7(bool value);
  void SetConvertUTF(TConvertUTF value);
  void SetForceWideStringFields(bool value);
  void SetConvertCRLF(bool value) { convertCRLF_ = value; }
  void SetTrimStringFields(bool value) { trimStringFields_ = value; }
  void SetZeroDateIsNull(bool value) { zeroDateIsNull_ = value; }
  void SetNullLOBIsEmpty(bool value) { nullLOBIsEmpty_ = value; }
  void SetNullObjectIsEmpty(bool value) { nullObjectIsEmpty_ = value; }
  void SetTemporaryLOB(TTemporaryLOB value) { temporaryLOB_ = value; }

 private:
  void CheckNotConnected(const char* property) const;
  void LayoutChanged();

  TOracleSession* session_;
  int32_t floatPrecision_ = 0;
  int32_t integerPrecision_ = 0;
  int32_t smallIntPrecision_ = -1;
  bool useOCI7_ = false;
  bool convertCRLF_ = true;
  TConvertUTF convertUTF_ = TConvertUTF::cuNone;
  bool forceWideStringFields_ = false;
  bool trimStringFields_ = true;
  int32_t maxStringFieldSize_ = 0;
  bool zeroDateIsNull_ = true;
  bool nullLOBIsEmpty_ = false;
  bool nullObjectIsEmpty_ = false;
  TTemporaryLOB temporaryLOB_ = TTemporaryLOB::tlCache;
  bool timestampAsString_ = false;
};

// How a NUMBER column is fetched: OCI external type and buffer size.
struct TNumericMapping {
  int16_t externalType;  // 3 integer, 4 float, 5 text
  int32_t size;
  bool operator==(const TNumericMapping&) const = default;
};

// The mapping for precision p and scale s (scale -127 is a FLOAT column).
// IntegerPrecision 0 counts as 9 (10 in ODBC mode) and FloatPrecision 0 as
// unlimited; p = 0 with s = 0 counts as 38. `forceText` asks for text.
TNumericMapping NumericColumnMapping(const TSessionPreferences& preferences, bool odbcMode,
                                     int32_t precision, int32_t scale, bool forceText);

}  // namespace oracle
