// Entry points the stand-in exports so that a loader finds its version groups
// complete, but does not implement: each answers OCI_ERROR with
// "ORA-03001: unimplemented feature" on its error handle.
#include "api_support.h"

using namespace ocistandin;

namespace {

sword unimplemented(const void* errhp) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  if (err == nullptr) return OCI_INVALID_HANDLE;
  return fail(err, kUnimplemented);
}

}  // namespace

#define STUB(name, params, errhp) \
  sword name params {             \
    return unimplemented(errhp);  \
  }

extern "C" {

STUB(OCIPasswordChange,
     (OCISvcCtx*, OCIError* e, const text*, ub4, const text*, ub4, const text*, ub4, ub4), e)
STUB(OCIBindDynamic, (OCIBind*, OCIError* e, dvoid*, OCICallbackInBind, dvoid*, OCICallbackOutBind),
     e)
STUB(OCIStmtGetPieceInfo, (OCIStmt*, OCIError* e, dvoid**, ub4*, ub1*, ub4*, ub4*, ub1*), e)
STUB(OCIStmtSetPieceInfo, (dvoid*, ub4, OCIError* e, const dvoid*, ub4*, ub1, const dvoid*, ub2*),
     e)
STUB(OCIStmtGetBindInfo,
     (OCIStmt*, OCIError* e, ub4, ub4, sb4*, text*[], ub1[], text*[], ub1[], ub1[], OCIBind**), e)
STUB(OCIParamSet, (dvoid*, ub4, OCIError* e, const dvoid*, ub4, ub4), e)
STUB(OCITransDetach, (OCISvcCtx*, OCIError* e, ub4), e)
STUB(OCITransPrepare, (OCISvcCtx*, OCIError* e, ub4), e)
STUB(OCITransForget, (OCISvcCtx*, OCIError* e, ub4), e)
STUB(OCISvcCtxToLda, (OCISvcCtx*, OCIError* e, Lda_Def*), e)
STUB(OCILdaToSvcCtx, (OCISvcCtx**, OCIError* e, Lda_Def*), e)
STUB(OCIResultSetToStmt, (OCIResult*, OCIError* e), e)

STUB(OCIObjectUnmark, (OCIEnv*, OCIError* e, dvoid*), e)
STUB(OCIObjectMarkDelete, (OCIEnv*, OCIError* e, dvoid*), e)
STUB(OCIObjectCopy,
     (OCIEnv*, OCIError* e, const OCISvcCtx*, dvoid*, dvoid*, dvoid*, dvoid*, OCIType*, OCIDuration,
      ub1),
     e)
STUB(OCIObjectGetTypeRef, (OCIEnv*, OCIError* e, dvoid*, OCIRef*), e)
STUB(OCIObjectGetObjectRef, (OCIEnv*, OCIError* e, dvoid*, OCIRef*), e)
STUB(OCIObjectExists, (OCIEnv*, OCIError* e, dvoid*, boolean*), e)
STUB(OCIObjectIsLocked, (OCIEnv*, OCIError* e, dvoid*, boolean*), e)
STUB(OCIObjectIsDirty, (OCIEnv*, OCIError* e, dvoid*, boolean*), e)
STUB(OCIObjectPinTable,
     (OCIEnv*, OCIError* e, const OCISvcCtx*, const text*, ub4, const text*, ub4, dvoid*,
      OCIDuration, dvoid**),
     e)

sword ociepgoe(void) {
  return OCI_ERROR;
}
sword ociepmsg(void) {
  return OCI_ERROR;
}

STUB(OCIDirPathAbort, (OCIDirPathCtx*, OCIError* e), e)
STUB(OCIDirPathFinish, (OCIDirPathCtx*, OCIError* e), e)
STUB(OCIDirPathPrepare, (OCIDirPathCtx*, OCISvcCtx*, OCIError* e), e)
STUB(OCIDirPathColArrayEntrySet, (OCIDirPathColArray*, OCIError* e, ub4, ub2, ub1*, ub4, ub1), e)
STUB(OCIDirPathColArrayToStream,
     (OCIDirPathColArray*, const OCIDirPathCtx*, OCIDirPathStream*, OCIError* e, ub4, ub4), e)
STUB(OCIDirPathLoadStream, (OCIDirPathCtx*, OCIDirPathStream*, OCIError* e), e)
STUB(OCIDirPathStreamReset, (OCIDirPathStream*, OCIError* e), e)

}  // extern "C"
