// The object cache's calls for instances of object tables: pinning the
// object a REF names, unpinning, and the intents on a pinned or new
// instance: lock (the row's write lock), mark for update, flush (write it
// back, a new instance inserted), refresh (reload), and a flush of every
// marked instance of an environment.
#include "api_support.h"
#include "connection.h"
#include "object_instances.h"
#include "object_tables.h"
#include "row_locks.h"

using namespace ocistandin;

namespace {

sb4 constexpr kNotPersistent = 21710;

sword flush(ErrorHandle* err, ObjectInstance& instance, Connection& connection) {
  OraError error;
  if (!writeObjectRow(connection, instance, error)) return fail(err, error);
  instance.markedUpdate = false;
  return OCI_SUCCESS;
}

// Runs `action` on the instance of an object table row behind `object`,
// with its session; a transient instance fails with ORA-21710.
template <class Action>
sword withPersistent(OCIError* errhp, const void* object, Action action) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  auto* instance = findAs<ObjectInstance>(object, kObjectInstance);
  if (err == nullptr || instance == nullptr) return OCI_INVALID_HANDLE;
  const auto connection = instance->connection.lock();
  if (instance->table.empty() || !connection)
    return fail(err, OraError{kNotPersistent, "attempt to perform an operation on a non-object"});
  return action(err, *instance, *connection);
}

void collectMarked(Handle* parent, std::vector<ObjectInstance*>& out) {
  for (Handle* h : parent->children) {
    if (h->type != kObjectInstance) continue;
    auto* instance = static_cast<ObjectInstance*>(h);
    if (instance->markedUpdate) out.push_back(instance);
  }
}

}  // namespace

extern "C" {

sword OCIObjectPin(OCIEnv* env, OCIError* errhp, OCIRef* object_ref, OCIComplexObject*, OCIPinOpt,
                   OCIDuration, OCILockOpt lock_option, dvoid** object) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  auto* envHandle = findAs<EnvHandle>(env, OCI_HTYPE_ENV);
  auto* ref = findAs<OCIRef>(object_ref, kRefValue);
  if (err == nullptr || envHandle == nullptr || ref == nullptr || object == nullptr)
    return OCI_INVALID_HANDLE;
  const auto connection = sessionOf(envHandle);
  if (!connection) return fail(err, kNotConnected);
  std::string table;
  sqlite3_int64 rowid = 0;
  ObjectType type;
  if (!refTarget(ref->hex, table, rowid) ||
      !findType(connection->db, objectTableType(connection->db, table), type))
    return fail(err, OraError{21700, "object does not exist or is marked for delete"});
  auto made = std::make_unique<ObjectInstance>(envHandle, type);
  initialiseSlots(*made);
  made->table = table;
  made->rowid = rowid;
  made->connection = connection;
  OraError error;
  if (!loadObjectRow(*connection, *made, error)) return fail(err, error);
  if (lock_option != OCI_LOCK_NONE &&
      !lockRow(*connection, table, rowid, lock_option == OCI_LOCK_X_NOWAIT, error))
    return fail(err, error);
  made->pins = 1;
  *object = registerHandle(std::move(made));
  return OCI_SUCCESS;
}

sword OCIObjectUnpin(OCIEnv*, OCIError* errhp, dvoid* object) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  auto* instance = findAs<ObjectInstance>(object, kObjectInstance);
  if (err == nullptr || instance == nullptr) return OCI_INVALID_HANDLE;
  if (instance->pins == 0) return fail(err, OraError{21710, "object is not pinned"});
  --instance->pins;
  return OCI_SUCCESS;
}

sword OCIObjectLock(OCIEnv*, OCIError* errhp, dvoid* object) {
  return withPersistent(errhp, object,
                        [](ErrorHandle* err, ObjectInstance& instance, Connection& connection) {
                          OraError error;
                          if (instance.rowid != 0 &&
                              !lockRow(connection, instance.table, instance.rowid, false, error))
                            return fail(err, error);
                          return OCI_SUCCESS;
                        });
}

sword OCIObjectMarkUpdate(OCIEnv*, OCIError* errhp, dvoid* object) {
  return withPersistent(errhp, object, [](ErrorHandle*, ObjectInstance& instance, Connection&) {
    instance.markedUpdate = true;
    return OCI_SUCCESS;
  });
}

sword OCIObjectFlush(OCIEnv*, OCIError* errhp, dvoid* object) {
  return withPersistent(errhp, object, flush);
}

sword OCIObjectRefresh(OCIEnv*, OCIError* errhp, dvoid* object) {
  return withPersistent(errhp, object,
                        [](ErrorHandle* err, ObjectInstance& instance, Connection& connection) {
                          OraError error;
                          if (instance.rowid != 0 && !loadObjectRow(connection, instance, error))
                            return fail(err, error);
                          instance.markedUpdate = false;
                          return OCI_SUCCESS;
                        });
}

sword OCICacheFlush(OCIEnv* env, OCIError* errhp, const OCISvcCtx*, dvoid*, OCICacheFlushGetFn,
                    OCIRef**) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  auto* envHandle = findAs<EnvHandle>(env, OCI_HTYPE_ENV);
  if (err == nullptr || envHandle == nullptr) return OCI_INVALID_HANDLE;
  std::vector<ObjectInstance*> marked;
  collectMarked(envHandle, marked);
  for (ObjectInstance* instance : marked) {
    const auto connection = instance->connection.lock();
    if (!connection) continue;
    if (const sword status = flush(err, *instance, *connection); status != OCI_SUCCESS)
      return status;
  }
  return OCI_SUCCESS;
}

}  // extern "C"
