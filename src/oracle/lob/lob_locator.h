#pragma once
// One Oracle LOB (CLOB, BLOB or BFILE) as a byte stream: a locator read,
// written, sized and flushed through the OCI LOB calls, so that a LOB column
// or variable can be copied to and from any stream. Temporary LOBs can be
// made for binding.
//
// Units: the stream position and sizes are in bytes. A CLOB whose character
// set is UTF-8 or UTF-16 is read and written as UTF-16 in the client's byte
// order: two bytes a code unit, its OCI amounts and offsets in code units.
// An odd count on such a CLOB reads or writes one byte less. Other CLOBs
// travel in the client's character set, one byte a unit.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "dataset/stream.h"
#include "oracle/query/query.h"
#include "oracle/session/session_objects.h"
#include "oracle/session/sql_monitor.h"
#include "platform/oci/oci_api.h"

namespace oracle {

class TOracleSession;

// A locator lives on its session: when the session logs off, it lets go of
// its locator (a temporary LOB is freed) and reads as null from then on, as
// it does once the session is destroyed; it stays safe to destroy. Calls
// that need the server raise "Not logged on" meanwhile.
class TLOBLocator : public dataset::TStream, public TLOBObject, public TSessionAttached {
 public:
  // An empty (uninitialised) locator of `lobType` (112 CLOB, 113 BLOB, 114
  // BFILE) on a connected session. Raises "Not logged on" and "Type must be
  // otCLOB, otBLOB or otBFile".
  TLOBLocator(TOracleSession* session, int16_t lobType);
  // A temporary CLOB or BLOB living in the session until this object goes;
  // otype::NCLOB makes a CLOB in the national character-set form.
  static std::unique_ptr<TLOBLocator> CreateTemporary(TOracleSession* session, int16_t lobType,
                                                      bool cache);
  ~TLOBLocator() override;
  TLOBLocator(const TLOBLocator&) = delete;
  TLOBLocator& operator=(const TLOBLocator&) = delete;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  // Moves the position only (never before 0).
  int64_t Seek(int64_t offset, dataset::TSeekOrigin origin) override;
  void Truncate() override { SetSize(0); }
  int64_t Size() override;
  // Trims, or grows by one blank (CLOB) or zero byte written at the end.
  void SetSize(int64_t newSize) override;
  int64_t Length() { return Size(); }

  bool IsNull() const;
  bool Initialized() const { return !IsNull(); }
  bool IsTemporary() const;
  bool NCLOB() const;
  void SetNCLOB(bool value);
  uint16_t CharSetId() const;
  uint8_t CharSetForm() const;
  int16_t LOBType() const { return lobType_; }

  void EnableBuffering();
  void DisableBuffering();
  void FlushBuffer();

  // BFILE only.
  bool FileIsOpen();
  void OpenFile();
  void CloseFile();
  bool FileExists();
  std::string FileDirectory() const;
  std::string FileName() const;
  void SetFileName(const std::string& directory, const std::string& name);

  // The whole value as the client's UTF-8 text (a BLOB's bytes as they are),
  // and replacing it.
  std::string AsString();
  void SetAsString(const std::string& text);
  std::u16string AsWideString();
  void SetAsWideString(const std::u16string& text);

  // Loads a whole opened BFILE into this LOB from its start.
  void LoadFromFile(TLOBLocator& file);
  // Makes this locator stand for the source's LOB (a temporary one copied).
  void Assign(const TLOBLocator& source);
  // `amount`, `destOffset` and `sourceOffset` in OCI units (bytes, or the
  // characters of a CLOB), offsets 1-based.
  void Copy(TLOBLocator& source, int64_t amount, int64_t destOffset, int64_t sourceOffset);
  void Append(TLOBLocator& source);
  // Blanks (CLOB) or zeroes `amount` units from `offset`; answers the count.
  int64_t Erase(int64_t amount, int64_t offset);
  bool IsEqual(const TLOBLocator& other) const;

  // The OCI locator, and pointing this object at a locator it does not own
  // (a fetched row's); the position goes back to 0.
  OCILobLocator* Locator() const { return locator_; }
  OCILobLocator** LocatorAddress() { return &locator_; }
  void AttachLocator(OCILobLocator* locator);
  void AttachRowLocator(OCILobLocator* locator) override { AttachLocator(locator); }
  OCILobLocator** BindLocatorAddress() override { return &locator_; }
  bool LocatorIsNull() const override { return IsNull(); }
  void BindRefreshed() override { position_ = 0; }
  // -1 when null, 0 otherwise (a bind's indicator).
  int16_t Indicator() const { return IsNull() ? -1 : 0; }
  TOracleSession* Session() const { return session_; }

  // Called before each use of the locator, with whether the use writes: a
  // locator that lives in an object's instance has the object brought up
  // to date first.
  void SetBeforeUse(std::function<void(bool writing)> beforeUse) {
    beforeUse_ = std::move(beforeUse);
  }
  // Whether the value the locator stands for is null, when something other
  // than the locator says so: an object's LOB attribute is null while its
  // null indicator says so, whatever locator its instance holds (a write
  // through the locator gives it a value).
  void SetNullWhen(std::function<bool()> nullWhen) { nullWhen_ = std::move(nullWhen); }
  // Frees the locator's error handle while it is not in use (it is made
  // again at the next use): a part of a pinned object that let go of its
  // instance keeps no client handle.
  void ReleaseErrorHandle();

  // TSessionAttached: at a logoff it lets go of what it holds of the
  // session's environment.
  void SessionLoggingOff() override { SessionEnvironmentEnding(); }
  void SessionEnvironmentEnding() override;
  void SessionDestroyed() override;

 private:
  TLOBLocator(TOracleSession* session, int16_t lobType, bool temporary);
  // -2 raises "TLOBLocator: Invalid handle", -1 the Oracle error.
  void Check(sword status) const;
  // Whether the value travels as UTF-16 (a CLOB in a UTF-8 or UTF-16
  // character set).
  bool Utf16() const;
  void CheckFile(const char* operation) const;
  // The BFILE's directory alias and file name.
  void FileNames(std::string& directory, std::string& name) const;
  OCISvcCtx* Service() const;
  OCIEnv* Environment() const;
  // The locator's error handle, made again after a log-off.
  OCIError* ErrorHandle() const;
  // The session is logged on with the client loaded.
  bool Live() const;
  // Runs the before-use call, then raises "Not logged on" unless the
  // session is logged on.
  void BeginUse(bool writing) const;
  // Frees the locator when it is the object's own (a temporary LOB first).
  void FreeOwnLocator();

  OCILobLocator* locator_ = nullptr;
  mutable OCIError* errorHandle_ = nullptr;
  std::function<void(bool)> beforeUse_;
  std::function<bool()> nullWhen_;
  TOracleSession* session_;
  int64_t position_ = 0;
  int16_t lobType_;
  uint8_t charSetForm_ = SQLCS_IMPLICIT;
  bool temporary_ = false;
  bool buffering_ = false;
  bool flushDue_ = false;
  bool ownsLocator_ = true;
  TMonitorId monitorId_{"LOBLocator"};
};

// The locator stream of LOB column i of a query, following its current row;
// made on first use and owned by the query ("Field " + name + " is not a
// LOB" for other columns).
TLOBLocator& LOBField(TOracleQuery& query, int32_t i);
TLOBLocator& LOBFieldByName(TOracleQuery& query, std::string_view name);

}  // namespace oracle
