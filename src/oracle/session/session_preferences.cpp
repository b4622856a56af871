#include "oracle/session/session_preferences.h"

#include <limits>
#include <stdexcept>
#include <string>

#include "oracle/session/session.h"

namespace oracle {

TSessionPreferences::TSessionPreferences(TOracleSession* session, bool remoteModuleOwner)
    : session_(session), maxStringFieldSize_(remoteModuleOwner ? 255 : 0) {}

void TSessionPreferences::CheckNotConnected(const char* property) const {
  if (session_ != nullptr && session_->Connected())
    throw std::runtime_error(std::string("Cannot change ") + property +
                             " property when session is connected");
}

void TSessionPreferences::LayoutChanged() {
  if (session_ != nullptr && session_->Designing() && !session_->Loading())
    session_->ReopenDataSets();
}

void TSessionPreferences::Assign(const TSessionPreferences& source) {
  if (&source == this) return;
  SetUseOCI7(source.useOCI7_);
  SetConvertUTF(source.convertUTF_);
  SetForceWideStringFields(source.forceWideStringFields_);
  SetFloatPrecision(source.floatPrecision_);
  SetIntegerPrecision(source.integerPrecision_);
  SetSmallIntPrecision(source.smallIntPrecision_);
  SetMaxStringFieldSize(source.maxStringFieldSize_);
  SetTimestampAsString(source.timestampAsString_);
  convertCRLF_ = source.convertCRLF_;
  trimStringFields_ = source.trimStringFields_;
  zeroDateIsNull_ = source.zeroDateIsNull_;
  nullLOBIsEmpty_ = source.nullLOBIsEmpty_;
  nullObjectIsEmpty_ = source.nullObjectIsEmpty_;
  temporaryLOB_ = source.temporaryLOB_;
}

void TSessionPreferences::SetFloatPrecision(int32_t value) {
  if (value == floatPrecision_) return;
  floatPrecision_ = value;
  LayoutChanged();
}

void TSessionPreferences::SetIntegerPrecision(int32_t value) {
  if (value == integerPrecision_) return;
  integerPrecision_ = value;
  LayoutChanged();
}

void TSessionPreferences::SetSmallIntPrecision(int32_t value) {
  if (value == smallIntPrecision_) return;
  smallIntPrecision_ = value;
  LayoutChanged();
}

void TSessionPreferences::SetMaxStringFieldSize(int32_t value) {
  if (value == maxStringFieldSize_) return;
  maxStringFieldSize_ = value;
  LayoutChanged();
}

void TSessionPreferences::SetTimestampAsString(bool value) {
  if (value == timestampAsString_) return;
  timestampAsString_ = value;
  LayoutChanged();
}

void TSessionPreferences::SetUseOCI7(bool value) {
  if (value == useOCI7_) return;
  CheckNotConnected("UseOCI7");
  useOCI7_ = value;
}

void TSessionPreferences::SetConvertUTF(TConvertUTF value) {
  if (value == convertUTF_) return;
  CheckNotConnected("ConvertUTF");
  convertUTF_ = value;
}

void TSessionPreferences::SetForceWideStringFields(bool value) {
  if (value == forceWideStringFields_) return;
  CheckNotConnected("ForceWideStringFields");
  forceWideStringFields_ = value;
}

TNumericMapping NumericColumnMapping(const TSessionPreferences& preferences, bool odbcMode,
                                     int32_t precision, int32_t scale, bool forceText) {
  int32_t integerPrecision = preferences.IntegerPrecision();
  if (integerPrecision == 0) integerPrecision = odbcMode ? 10 : 9;
  int32_t floatPrecision = preferences.FloatPrecision();
  if (floatPrecision == 0) floatPrecision = std::numeric_limits<int32_t>::max();
  const bool floatColumn = scale == -127;
  if (floatColumn) {
    precision = 38;
    scale = 1;  // counts as fractional
  }
  if (precision == 0 && scale == 0) precision = 38;
  if (!forceText) {
    if (scale <= 0 && precision <= integerPrecision) return {3, 4};
    if (precision <= floatPrecision) return {4, 8};
  }
  int32_t size = scale <= 0 ? precision + 2 : precision + 3;
  if (floatColumn) size += 132;
  return {5, size};
}

}  // namespace oracle
