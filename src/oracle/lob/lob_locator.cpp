#include "oracle/lob/lob_locator.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "oracle/client/feature_checks.h"
#include "oracle/client/oci_entry_points.h"
#include "oracle/client/oci_loader.h"
#include "oracle/client/oci_loader_state.h"
#include "oracle/session/session.h"
#include "oracle/values/text_convert.h"
#include "oracle/values/type_codes.h"

namespace oracle {
namespace {

constexpr ub2 kClientUtf16 = 1000;  // UTF-16 in the client's byte order
constexpr ub1 kFileReadOnly = 1;
constexpr ub4 kFlushFreeBuffers = 2;
constexpr int kFileNameRoom = 512;

// A write through a locator is work a rollback to a savepoint undoes.
void CountWork(TOracleSession* session) {
  if (session != nullptr) session->CountWork();
}

void CheckSession(TOracleSession* session, const std::string& feature) {
  CheckNet8Feature(session, feature);
  if (session == nullptr || !session->Connected()) throw std::runtime_error("Not logged on");
}

std::u16string UnitsOf(const std::string& bytes) {
  std::u16string units(bytes.size() / 2, u'\0');
  std::memcpy(units.data(), bytes.data(), units.size() * 2);
  return units;
}

}  // namespace

TLOBLocator::TLOBLocator(TOracleSession* session, int16_t lobType)
    : TLOBLocator(session, lobType, false) {}

TLOBLocator::TLOBLocator(TOracleSession* session, int16_t lobType, bool temporary)
    : session_(session), lobType_(lobType) {
  CheckSession(session, "A TLOBLocator instance");
  if (!IsLobType(lobType)) throw std::runtime_error("Type must be otCLOB, otBLOB or otBFile");
  if (temporary && !OCI81Group)
    throw std::runtime_error("A Temporary TLOBLocator requires Net8 8.1 or later");
  void* handle = nullptr;
  Check(OCIHandleAlloc(Environment(), &handle, OCI_HTYPE_ERROR, 0, nullptr));
  errorHandle_ = static_cast<OCIError*>(handle);
  handle = nullptr;
  const sword status = OCIDescriptorAlloc(
      Environment(), &handle, lobType == otype::BFile ? odesc::File : odesc::Lob, 0, nullptr);
  if (status != OCI_SUCCESS) {
    OCIHandleFree(errorHandle_, OCI_HTYPE_ERROR);
    errorHandle_ = nullptr;
    Check(status == OCI_INVALID_HANDLE ? status : OCI_INVALID_HANDLE);
  }
  locator_ = static_cast<OCILobLocator*>(handle);
  session_->AttachedObjects().Attach(SessionObjectList::kLOBLocators, this);
}

std::unique_ptr<TLOBLocator> TLOBLocator::CreateTemporary(TOracleSession* session, int16_t lobType,
                                                          bool cache) {
  const bool national = lobType == otype::NCLOB;
  if (national) lobType = otype::CLOB;
  std::unique_ptr<TLOBLocator> lob(new TLOBLocator(session, lobType, true));
  if (lobType == otype::BFile) throw std::runtime_error("Type must be otCLOB or otBLOB");
  if (national) lob->SetNCLOB(true);
  lob->Check(OCILobCreateTemporary(
      lob->Service(), lob->ErrorHandle(), lob->locator_, 0, lob->charSetForm_,
      lobType == otype::BLOB ? OCI_TEMP_BLOB : OCI_TEMP_CLOB, cache ? 1 : 0, OCI_DURATION_SESSION));
  lob->temporary_ = true;
  return lob;
}

TLOBLocator::~TLOBLocator() {
  monitorId_.Unregister(session_);
  if (session_ != nullptr)
    session_->AttachedObjects().Detach(SessionObjectList::kLOBLocators, this);
  // After a log-off, a lost session or the client's unload nothing is left
  // to free here.
  if (!Live()) return;
  FreeOwnLocator();
  if (errorHandle_ != nullptr) OCIHandleFree(errorHandle_, OCI_HTYPE_ERROR);
}

void TLOBLocator::FreeOwnLocator() {
  if (!ownsLocator_ || locator_ == nullptr) return;
  // A temporary LOB is freed, also one a bind or a copy left in the locator.
  boolean temporary = temporary_ ? 1 : 0;
  if (!temporary_ && OCI81Group && OCILobIsTemporary != nullptr)
    OCILobIsTemporary(Environment(), ErrorHandle(), locator_, &temporary);
  if (temporary != 0 && OCILobFreeTemporary != nullptr)
    OCILobFreeTemporary(Service(), ErrorHandle(), locator_);
  OCIDescriptorFree(locator_, lobType_ == otype::BFile ? odesc::File : odesc::Lob);
  locator_ = nullptr;
  temporary_ = false;
}

void TLOBLocator::SessionEnvironmentEnding() {
  // Descriptors and temporary LOBs of the session's environment go with the
  // logoff: the own ones are freed now, while the client can still be
  // called.
  if (Live()) {
    FreeOwnLocator();
    if (errorHandle_ != nullptr) OCIHandleFree(errorHandle_, OCI_HTYPE_ERROR);
  }
  errorHandle_ = nullptr;
  locator_ = nullptr;
  ownsLocator_ = temporary_ = buffering_ = flushDue_ = false;
  position_ = 0;
}

void TLOBLocator::ReleaseErrorHandle() {
  if (errorHandle_ != nullptr && Live()) OCIHandleFree(errorHandle_, OCI_HTYPE_ERROR);
  errorHandle_ = nullptr;
}

void TLOBLocator::SessionDestroyed() {
  session_ = nullptr;
}

bool TLOBLocator::Live() const {
  return session_ != nullptr && session_->Connected() && OCIDllLoaded();
}

void TLOBLocator::BeginUse(bool writing) const {
  if (beforeUse_) beforeUse_(writing);
  if (!Live()) throw std::runtime_error("Not logged on");
}

OCIError* TLOBLocator::ErrorHandle() const {
  if (errorHandle_ == nullptr && Live()) {
    void* handle = nullptr;
    Check(OCIHandleAlloc(Environment(), &handle, OCI_HTYPE_ERROR, 0, nullptr));
    errorHandle_ = static_cast<OCIError*>(handle);
  }
  return errorHandle_;
}

OCISvcCtx* TLOBLocator::Service() const {
  if (!Live()) throw std::runtime_error("Not logged on");
  return session_->ServiceContext();
}

OCIEnv* TLOBLocator::Environment() const {
  if (!Live()) throw std::runtime_error("Not logged on");
  return session_->Environment();
}

void TLOBLocator::Check(sword status) const {
  if (status == OCI_INVALID_HANDLE) throw std::runtime_error("TLOBLocator: Invalid handle");
  if (status == OCI_ERROR) RaiseOCIError(session_, errorHandle_, this, status);
}

void TLOBLocator::AttachLocator(OCILobLocator* locator) {
  if (Live()) FreeOwnLocator();
  locator_ = locator;
  ownsLocator_ = false;
  temporary_ = false;
  position_ = 0;
}

bool TLOBLocator::IsNull() const {
  if (beforeUse_) beforeUse_(false);
  // No locator: a null row's, or one let go of at a log-off.
  if (locator_ == nullptr || !Live()) return true;
  if (nullWhen_ && nullWhen_()) return true;
  boolean isInit = 0;
  Check(OCILobLocatorIsInit(Environment(), ErrorHandle(), locator_, &isInit));
  return isInit == 0;
}

bool TLOBLocator::IsTemporary() const {
  if (!OCI81Group || IsNull()) return false;
  boolean temporary = 0;
  Check(OCILobIsTemporary(Environment(), ErrorHandle(), locator_, &temporary));
  return temporary != 0;
}

bool TLOBLocator::NCLOB() const {
  if (lobType_ != otype::CLOB) throw std::runtime_error("NCLOB property only applicable for CLOB");
  return charSetForm_ == SQLCS_NCHAR;
}

void TLOBLocator::SetNCLOB(bool value) {
  if (lobType_ != otype::CLOB) throw std::runtime_error("NCLOB property only applicable for CLOB");
  charSetForm_ = value ? SQLCS_NCHAR : SQLCS_IMPLICIT;
}

uint16_t TLOBLocator::CharSetId() const {
  BeginUse(false);
  ub2 id = 0;
  Check(OCILobCharSetId(Environment(), ErrorHandle(), locator_, &id));
  return id;
}

uint8_t TLOBLocator::CharSetForm() const {
  BeginUse(false);
  ub1 form = 0;
  Check(OCILobCharSetForm(Environment(), ErrorHandle(), locator_, &form));
  return form;
}

bool TLOBLocator::Utf16() const {
  if (lobType_ != otype::CLOB || IsNull()) return false;
  const int id = CharSetId();
  return IsUtf16CharSet(id) || IsUtf8CharSet(id);
}

int64_t TLOBLocator::Read(void* buffer, int64_t count) {
  if (count <= 0 || IsNull()) return 0;
  const bool utf16 = Utf16();
  if (utf16) count &= ~int64_t{1};  // whole code units only
  if (count == 0) return 0;         // an amount of 0 would read to the end
  const bool zeroFilled = lobType_ == otype::CLOB && !utf16;
  if (zeroFilled) std::memset(buffer, 0, static_cast<std::size_t>(count));
  monitorId_.Trace(session_, "LOB.Read(" + std::to_string(count) + ")");
  ub4 amount = static_cast<ub4>(utf16 ? count / 2 : count);
  const ub4 offset = static_cast<ub4>(utf16 ? position_ / 2 + 1 : position_ + 1);
  Check(OCILobRead(Service(), ErrorHandle(), locator_, &amount, offset, buffer,
                   static_cast<ub4>(count), nullptr, nullptr, utf16 ? kClientUtf16 : 0,
                   charSetForm_));
  int64_t delivered = 0;
  if (utf16) {
    delivered = int64_t{amount} * 2;
  } else if (zeroFilled && amount != count) {
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    delivered = count;
    while (delivered > 0 && bytes[delivered - 1] == 0) --delivered;
  } else {
    delivered = std::min<int64_t>(amount, count);
  }
  position_ += delivered;
  return delivered;
}

int64_t TLOBLocator::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  BeginUse(true);
  const bool utf16 = Utf16();
  if (utf16) count &= ~int64_t{1};
  if (count == 0) return 0;
  monitorId_.Trace(session_, "LOB.Write(" + std::to_string(count) + ")");
  ub4 amount = static_cast<ub4>(utf16 ? count / 2 : count);
  const ub4 offset = static_cast<ub4>(utf16 ? position_ / 2 + 1 : position_ + 1);
  const ub2 charSetId = utf16 ? kClientUtf16 : (lobType_ == otype::CLOB ? CharSetId() : 0);
  CountWork(session_);
  Check(OCILobWrite(Service(), ErrorHandle(), locator_, &amount, offset, const_cast<void*>(buffer),
                    static_cast<ub4>(count), OCI_ONE_PIECE, nullptr, nullptr, charSetId,
                    charSetForm_));
  position_ += count;
  if (buffering_) flushDue_ = true;
  return count;
}

int64_t TLOBLocator::Seek(int64_t offset, dataset::TSeekOrigin origin) {
  switch (origin) {
    case dataset::TSeekOrigin::soBeginning:
      position_ = offset;
      break;
    case dataset::TSeekOrigin::soCurrent:
      position_ += offset;
      break;
    case dataset::TSeekOrigin::soEnd:
      position_ = Size() + offset;
      break;
  }
  position_ = std::max<int64_t>(position_, 0);
  return position_;
}

int64_t TLOBLocator::Size() {
  if (IsNull()) return 0;
  monitorId_.Trace(session_, "LOB.Length");
  ub4 length = 0;
  Check(OCILobGetLength(Service(), ErrorHandle(), locator_, &length));
  return Utf16() ? int64_t{length} * 2 : int64_t{length};
}

void TLOBLocator::SetSize(int64_t newSize) {
  BeginUse(true);
  newSize = std::max<int64_t>(newSize, 0);
  const int64_t current = Size();
  const bool utf16 = Utf16();
  if (newSize < current) {
    monitorId_.Trace(session_, "LOB.SetSize");
    CountWork(session_);
    Check(OCILobTrim(Service(), ErrorHandle(), locator_,
                     static_cast<ub4>(utf16 ? newSize / 2 : newSize)));
  } else if (newSize > current) {
    const int64_t kept = position_;
    if (utf16) {
      const char16_t blank = u' ';
      Seek((newSize / 2 - 1) * 2, dataset::TSeekOrigin::soBeginning);
      Write(&blank, 2);
    } else {
      const char last = lobType_ == otype::CLOB ? ' ' : '\0';
      Seek(newSize - 1, dataset::TSeekOrigin::soBeginning);
      Write(&last, 1);
    }
    position_ = kept;
  }
  position_ = std::min(position_, Size());
}

void TLOBLocator::EnableBuffering() {
  BeginUse(false);
  Check(OCILobEnableBuffering(Service(), ErrorHandle(), locator_));
  buffering_ = true;
}

void TLOBLocator::DisableBuffering() {
  BeginUse(false);
  Check(OCILobDisableBuffering(Service(), ErrorHandle(), locator_));
  buffering_ = false;
}

void TLOBLocator::FlushBuffer() {
  if (!buffering_) return;
  BeginUse(true);
  monitorId_.Trace(session_, "LOB.FlushBuffer");
  Check(OCILobFlushBuffer(Service(), ErrorHandle(), locator_, kFlushFreeBuffers));
  flushDue_ = false;
}

void TLOBLocator::CheckFile(const char* operation) const {
  if (lobType_ != otype::BFile)
    throw std::runtime_error(std::string(operation) + " only applicable for BFile");
}

bool TLOBLocator::FileIsOpen() {
  CheckFile("FileIsOpen");
  BeginUse(false);
  boolean open = 0;
  monitorId_.Trace(session_, "LOB.FileIsOpen");
  Check(OCILobFileIsOpen(Service(), ErrorHandle(), locator_, &open));
  return open != 0;
}

void TLOBLocator::OpenFile() {
  if (FileIsOpen()) return;
  monitorId_.Trace(session_, "LOB.OpenFile");
  Check(OCILobFileOpen(Service(), ErrorHandle(), locator_, kFileReadOnly));
}

void TLOBLocator::CloseFile() {
  if (!FileIsOpen()) return;
  monitorId_.Trace(session_, "LOB.CloseFile");
  Check(OCILobFileClose(Service(), ErrorHandle(), locator_));
}

bool TLOBLocator::FileExists() {
  CheckFile("FileExists");
  BeginUse(false);
  boolean exists = 0;
  Check(OCILobFileExists(Service(), ErrorHandle(), locator_, &exists));
  return exists != 0;
}

void TLOBLocator::FileNames(std::string& directory, std::string& name) const {
  BeginUse(false);
  char directoryText[kFileNameRoom], nameText[kFileNameRoom];
  ub2 directoryLength = sizeof directoryText, nameLength = sizeof nameText;
  Check(OCILobFileGetName(Environment(), ErrorHandle(), locator_,
                          reinterpret_cast<text*>(directoryText), &directoryLength,
                          reinterpret_cast<text*>(nameText), &nameLength));
  directory.assign(directoryText, directoryLength);
  name.assign(nameText, nameLength);
}

std::string TLOBLocator::FileDirectory() const {
  std::string directory, name;
  FileNames(directory, name);
  return directory;
}

std::string TLOBLocator::FileName() const {
  std::string directory, name;
  FileNames(directory, name);
  return name;
}

void TLOBLocator::SetFileName(const std::string& directory, const std::string& name) {
  CheckFile("SetFileName");
  BeginUse(true);
  Check(OCILobFileSetName(
      Environment(), ErrorHandle(), &locator_, reinterpret_cast<const text*>(directory.data()),
      static_cast<ub2>(directory.size()), reinterpret_cast<const text*>(name.data()),
      static_cast<ub2>(name.size())));
  position_ = 0;
}

std::string TLOBLocator::AsString() {
  const std::string bytes = ReadAll();
  if (!Utf16()) return bytes;
  return Utf16ToUtf8(UnitsOf(bytes)).value_or(std::string());
}

void TLOBLocator::SetAsString(const std::string& text) {
  if (Utf16()) {
    SetAsWideString(Utf8ToUtf16(text).value_or(std::u16string()));
    return;
  }
  SetSize(0);
  position_ = 0;
  Write(text.data(), static_cast<int64_t>(text.size()));
}

std::u16string TLOBLocator::AsWideString() {
  const std::string bytes = ReadAll();
  if (Utf16()) return UnitsOf(bytes);
  return Utf8ToUtf16(bytes).value_or(std::u16string());
}

void TLOBLocator::SetAsWideString(const std::u16string& text) {
  if (!Utf16()) {
    SetAsString(Utf16ToUtf8(text).value_or(std::string()));
    return;
  }
  SetSize(0);
  position_ = 0;
  Write(text.data(), static_cast<int64_t>(text.size() * 2));
}

void TLOBLocator::LoadFromFile(TLOBLocator& file) {
  BeginUse(true);
  const int64_t length = file.Size();
  if (length == 0) return;
  CountWork(session_);
  Check(OCILobLoadFromFile(Service(), ErrorHandle(), locator_, file.locator_,
                           static_cast<ub4>(length), 1, 1));
}

void TLOBLocator::Assign(const TLOBLocator& source) {
  BeginUse(true);
  Check(OCILobAssign(Environment(), ErrorHandle(), source.locator_, &locator_));
  position_ = 0;
}

void TLOBLocator::Copy(TLOBLocator& source, int64_t amount, int64_t destOffset,
                       int64_t sourceOffset) {
  BeginUse(true);
  CountWork(session_);
  Check(OCILobCopy(Service(), ErrorHandle(), locator_, source.locator_, static_cast<ub4>(amount),
                   static_cast<ub4>(destOffset), static_cast<ub4>(sourceOffset)));
}

void TLOBLocator::Append(TLOBLocator& source) {
  BeginUse(true);
  CountWork(session_);
  Check(OCILobAppend(Service(), ErrorHandle(), locator_, source.locator_));
}

int64_t TLOBLocator::Erase(int64_t amount, int64_t offset) {
  BeginUse(true);
  ub4 erased = static_cast<ub4>(amount);
  CountWork(session_);
  Check(OCILobErase(Service(), ErrorHandle(), locator_, &erased, static_cast<ub4>(offset)));
  return erased;
}

TLOBLocator& LOBField(TOracleQuery& query, int32_t i) {
  if (auto* lob = dynamic_cast<TLOBLocator*>(query.LOBColumnObject(i))) return *lob;
  const int16_t type = query.FieldOracleType(i);
  if (!IsLobType(type)) throw std::runtime_error("Field " + query.FieldName(i) + " is not a LOB");
  auto lob = std::make_unique<TLOBLocator>(query.Session(), type);
  if (type == otype::CLOB) lob->SetNCLOB(query.FieldCharsetForm(i) == SQLCS_NCHAR);
  TLOBLocator& made = *lob;
  query.SetLOBColumnObject(i, std::move(lob));
  return made;
}

TLOBLocator& LOBFieldByName(TOracleQuery& query, std::string_view name) {
  return LOBField(query, query.NameIndex(name));
}

bool TLOBLocator::IsEqual(const TLOBLocator& other) const {
  BeginUse(false);
  boolean equal = 0;
  Check(OCILobIsEqual(Environment(), locator_, other.locator_, &equal));
  return equal != 0;
}

}  // namespace oracle
