#pragma once
// The names of the OCI client's entry points that the library binds, by
// version group, in binding order (164 in all). Each list calls X(name) once
// per entry point.

// clang-format off

// OCI7 calls (the group builds on nothing).
#define NORVANE_OCI7_NAMES(X) \
  X(orlon) \
  X(ologof) \
  X(oerhms) \
  X(oopen) \
  X(oparse) \
  X(odefin) \
  X(oexfet) \
  X(ofen) \
  X(oflng) \
  X(oclose) \
  X(odescr) \
  X(oexec) \
  X(oexn) \
  X(ocom) \
  X(orol) \
  X(ocon) \
  X(ocof) \
  X(obreak) \
  X(obndra) \
  X(odessp)

// Builds on OCI7.
#define NORVANE_OCI7_LOG_NAMES(X) \
  X(olog)

// Builds on the OCI7 logon group.
#define NORVANE_OCI7_INIT_NAMES(X) \
  X(opinit)

// OCI8 calls, including the LOB, object and data-type calls.
#define NORVANE_OCI8_NAMES(X) \
  X(OCIInitialize) \
  X(OCIHandleAlloc) \
  X(OCIHandleFree) \
  X(OCIDescriptorAlloc) \
  X(OCIDescriptorFree) \
  X(OCIEnvInit) \
  X(OCIServerAttach) \
  X(OCIServerDetach) \
  X(OCISessionBegin) \
  X(OCISessionEnd) \
  X(OCILogon) \
  X(OCILogoff) \
  X(OCIPasswordChange) \
  X(OCIStmtPrepare) \
  X(OCIBindByPos) \
  X(OCIBindByName) \
  X(OCIBindObject) \
  X(OCIBindDynamic) \
  X(OCIBindArrayOfStruct) \
  X(OCIStmtGetPieceInfo) \
  X(OCIStmtSetPieceInfo) \
  X(OCIStmtExecute) \
  X(OCIDefineByPos) \
  X(OCIDefineObject) \
  X(OCIDefineDynamic) \
  X(OCIDefineArrayOfStruct) \
  X(OCIStmtFetch) \
  X(OCIStmtGetBindInfo) \
  X(OCIDescribeAny) \
  X(OCIParamGet) \
  X(OCIParamSet) \
  X(OCITransStart) \
  X(OCITransDetach) \
  X(OCITransCommit) \
  X(OCITransRollback) \
  X(OCITransPrepare) \
  X(OCITransForget) \
  X(OCIErrorGet) \
  X(OCILobAppend) \
  X(OCILobAssign) \
  X(OCILobCharSetForm) \
  X(OCILobCharSetId) \
  X(OCILobCopy) \
  X(OCILobDisableBuffering) \
  X(OCILobEnableBuffering) \
  X(OCILobErase) \
  X(OCILobFileClose) \
  X(OCILobFileCloseAll) \
  X(OCILobFileExists) \
  X(OCILobFileGetName) \
  X(OCILobFileIsOpen) \
  X(OCILobFileOpen) \
  X(OCILobFileSetName) \
  X(OCILobFlushBuffer) \
  X(OCILobGetLength) \
  X(OCILobIsEqual) \
  X(OCILobLoadFromFile) \
  X(OCILobLocatorIsInit) \
  X(OCILobRead) \
  X(OCILobTrim) \
  X(OCILobWrite) \
  X(OCIBreak) \
  X(OCIServerVersion) \
  X(OCIAttrGet) \
  X(OCIAttrSet) \
  X(OCISvcCtxToLda) \
  X(OCILdaToSvcCtx) \
  X(OCIResultSetToStmt) \
  X(OCIObjectUnpin) \
  X(OCIObjectLock) \
  X(OCIObjectMarkUpdate) \
  X(OCIObjectUnmark) \
  X(OCIObjectMarkDelete) \
  X(OCIObjectFlush) \
  X(OCIObjectCopy) \
  X(OCIObjectGetTypeRef) \
  X(OCIObjectGetObjectRef) \
  X(OCIObjectGetInd) \
  X(OCIObjectExists) \
  X(OCIObjectIsLocked) \
  X(OCIObjectIsDirty) \
  X(OCIObjectRefresh) \
  X(OCIObjectPinTable) \
  X(OCIObjectNew) \
  X(OCIObjectPin) \
  X(OCIObjectFree) \
  X(OCITypeByName) \
  X(OCIObjectGetAttr) \
  X(OCIObjectSetAttr) \
  X(OCIStringPtr) \
  X(OCIStringSize) \
  X(OCIStringAssignText) \
  X(OCINumberFromInt) \
  X(OCINumberToInt) \
  X(OCINumberFromReal) \
  X(OCINumberToReal) \
  X(OCINumberToText) \
  X(OCINumberFromText) \
  X(OCIRawPtr) \
  X(OCIRawSize) \
  X(OCIRawAssignBytes) \
  X(OCIRefAssign) \
  X(OCIRefClear) \
  X(OCIRefIsNull) \
  X(OCIRefFromHex) \
  X(OCIRefHexSize) \
  X(OCIRefToHex) \
  X(OCICollSize) \
  X(OCICollTrim) \
  X(OCICollMax) \
  X(OCICollGetElem) \
  X(OCICollAssignElem) \
  X(OCICollAppend) \
  X(OCITableDelete) \
  X(OCICacheFlush)

// The error-text calls; builds on OCI8.
#define NORVANE_OCI_ERROR_FUNCTION_NAMES(X) \
  X(ociepgoe) \
  X(ociepmsg)

// OCI 8.1; builds on OCI8.
#define NORVANE_OCI81_NAMES(X) \
  X(OCIEnvCreate) \
  X(OCIDirPathAbort) \
  X(OCIDirPathFinish) \
  X(OCIDirPathPrepare) \
  X(OCIDirPathColArrayEntrySet) \
  X(OCIDirPathColArrayToStream) \
  X(OCIDirPathLoadStream) \
  X(OCIDirPathStreamReset) \
  X(OCILobCreateTemporary) \
  X(OCILobFreeTemporary) \
  X(OCILobIsTemporary) \
  X(OCIDateTimeToText) \
  X(OCIDateTimeFromText) \
  X(OCIDateTimeGetDate) \
  X(OCIDateTimeGetTime) \
  X(OCIDateTimeConstruct) \
  X(OCIDateTimeAssign) \
  X(OCIDateTimeGetTimeZoneOffset)

// OCI 9; builds on OCI 8.1.
#define NORVANE_OCI9_NAMES(X) \
  X(OCIStmtFetch2)

// OCI 9.2; builds on OCI 9.
#define NORVANE_OCI92_NAMES(X) \
  X(OCISessionPoolCreate) \
  X(OCISessionPoolDestroy) \
  X(OCISessionGet) \
  X(OCISessionRelease) \
  X(OCIStmtPrepare2) \
  X(OCIStmtRelease)

// Every entry point, in binding order.
#define NORVANE_OCI_ALL_NAMES(X) \
  NORVANE_OCI7_NAMES(X) \
  NORVANE_OCI7_LOG_NAMES(X) \
  NORVANE_OCI7_INIT_NAMES(X) \
  NORVANE_OCI8_NAMES(X) \
  NORVANE_OCI_ERROR_FUNCTION_NAMES(X) \
  NORVANE_OCI81_NAMES(X) \
  NORVANE_OCI9_NAMES(X) \
  NORVANE_OCI92_NAMES(X)

// The transaction-server support calls, bound as one group.
#define NORVANE_ORAMTS_NAMES(X) \
  X(OraMTSSvcGet) \
  X(OraMTSSvcRel) \
  X(OraMTSSvcEnlist) \
  X(OraMTSSvcEnlistEx) \
  X(OraMTSTransTest)

// clang-format on
