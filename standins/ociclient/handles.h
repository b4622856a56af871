// Handles and descriptors of the stand-in client, and the registry that tells
// a live handle of the expected type from a stale or foreign pointer.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/oci/oci_api.h"
#include "platform/oci/oci_rowid_layout.h"

namespace ocistandin {

struct Connection;
struct StatementCache;

// Every handle and descriptor derives from Handle. A handle lives in the
// registry from allocation until it (or its parent) is freed.
struct Handle {
  Handle(ub4 handleType, Handle* parentHandle);
  virtual ~Handle() = default;
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  // The pointer the caller holds for this handle: the handle itself, unless
  // the caller must be able to read the memory behind it.
  virtual void* address() { return this; }

  ub4 type;
  Handle* parent;
  std::vector<Handle*> children;
};

// One diagnostic record, as OCIErrorGet hands it out.
struct ErrorRecord {
  sb4 code = 0;
  std::string message;  // "ORA-nnnnn: text" followed by a line feed
};

struct EnvHandle : Handle {
  explicit EnvHandle(ub4 envMode) : Handle(OCI_HTYPE_ENV, nullptr), mode(envMode) {}
  ub4 mode;
  std::optional<ErrorRecord> record;  // failures of calls that have no error handle
};

struct ErrorHandle : Handle {
  using Handle::Handle;
  std::optional<ErrorRecord> record;
};

struct ServerHandle : Handle {
  using Handle::Handle;
  bool attached = false;
  std::string alias;
  std::string databasePath;
};

struct SessionHandle : Handle {
  using Handle::Handle;
  std::string username;
  std::string password;  // kept only until OCISessionBegin has checked it
  std::shared_ptr<Connection> connection;
  // Set by a session begun with OCI_STMT_CACHE (statement_cache.h).
  std::shared_ptr<StatementCache> statementCache;
};

struct SvcCtxHandle : Handle {
  using Handle::Handle;
  Handle* server = nullptr;   // validated through the registry at each use
  Handle* session = nullptr;  // likewise
  ub4 statementCacheSize = 0;
  bool ownsLogon = false;  // made by OCILogon: server and session are ours to end
};

// Select-list column as described by the stand-in.
struct ColumnInfo {
  std::string name;
  ub2 dataType = SQLT_CHR;
  ub2 dataSize = 0;
  sb2 precision = 0;
  sb1 scale = 0;
  ub1 nullable = 1;
  ub1 charsetForm = SQLCS_IMPLICIT;
  ub2 charsetId = OCI_CHARSET_AL32UTF8;
  ub2 charSize = 0;
  bool charUsed = false;
  // Object and REF columns: the owner and name of the type.
  std::string typeSchema, typeName;
  ub2 typeCode = 0;  // an object type's attribute or element: OCI_TYPECODE_*
};

struct ParamDescriptor : Handle {
  ParamDescriptor(Handle* parentHandle, ColumnInfo info)
      : Handle(OCI_DTYPE_PARAM, parentHandle), column(std::move(info)) {}
  ColumnInfo column;
};

// A ROWID descriptor. Its caller holds a pointer to `layout`, the bytes the
// Oracle access library reads (platform/oci/oci_rowid_layout.h).
struct RowidDescriptor : Handle {
  RowidDescriptor(ub4 handleType, Handle* parentHandle);
  void* address() override { return &layout; }
  OCIRowidLayout layout;
};

struct DateTimeDescriptor : Handle {
  using Handle::Handle;
  sb2 year = 0;
  ub1 month = 0, day = 0, hour = 0, minute = 0, second = 0;
  ub4 fraction = 0;  // nanoseconds
};

struct DateParts;
// Stores date-time parts in a descriptor; ISO text (with fraction) of one.
void storeDateTime(DateTimeDescriptor& descriptor, const DateParts& parts);
std::string dateTimeIsoText(const DateTimeDescriptor& descriptor);

// Process-wide lock taken by every exported call.
std::recursive_mutex& apiMutex();

// Registers a new handle (and links it to its parent) and returns it. The
// registry knows a handle by its address().
void registerRaw(Handle* handle);
template <class T>
T* registerHandle(std::unique_ptr<T> handle) {
  T* raw = handle.release();
  registerRaw(raw);
  return raw;
}

// The live handle at `pointer` if it has `type`, else null.
Handle* findHandle(const void* pointer, ub4 type);
// The live handle at `pointer` of any type, else null.
Handle* findAnyHandle(const void* pointer);

template <class T>
T* findAs(const void* pointer, ub4 type) {
  return static_cast<T*>(findHandle(pointer, type));
}

// Frees a handle together with all its descendants.
void freeHandle(Handle* handle);
// Frees the descendants of a handle that have the given type.
void freeChildrenOfType(Handle* handle, ub4 type);

}  // namespace ocistandin
