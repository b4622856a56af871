// The Oracle Call Interface as seen by this project: scalar types, opaque
// handle types, constant values and the C prototypes of the entry points,
// written from Oracle's published interface description. The Oracle access
// library binds these entry points at run time (dlopen/dlsym) and keeps them in
// pointers of the `PFN_<name>` types below; the stand-in client library in
// standins/ociclient implements the same prototypes.
//
// Header only, no dependency besides the C++ standard library.
#pragma once

#include <cstddef>
#include <cstdint>

// ---------------------------------------------------------------------------
// Scalar types (Oracle's portable names)
// ---------------------------------------------------------------------------
using ub1 = std::uint8_t;
using sb1 = std::int8_t;
using ub2 = std::uint16_t;
using sb2 = std::int16_t;
using ub4 = std::uint32_t;
using sb4 = std::int32_t;
using ub8 = std::uint64_t;
using sb8 = std::int64_t;
using sword = int;
using uword = unsigned int;
using eword = int;
using boolean = int;
using text = unsigned char;
using OraText = unsigned char;
using dvoid = void;
using OCIInd = sb2;
using OCIDuration = ub2;
using OCITypeCode = ub2;

// Opaque handle and descriptor types. Every handle and descriptor is a pointer.
struct OCIEnv;
struct OCIError;
struct OCISvcCtx;
struct OCIStmt;
struct OCIBind;
struct OCIDefine;
struct OCIDescribe;
struct OCIServer;
struct OCISession;
struct OCITrans;
struct OCIComplexObject;
struct OCISecurity;
struct OCISubscription;
struct OCIDirPathCtx;
struct OCIDirPathColArray;
struct OCIDirPathStream;
struct OCISPool;
struct OCIAuthInfo;
struct OCISnapshot;
struct OCIResult;
struct OCILobLocator;
struct OCIParam;
struct OCIRowid;
struct OCIDateTime;
struct OCIInterval;
struct OCIType;
struct OCIRef;
struct OCIString;
struct OCIRaw;
struct OCIColl;
struct OCINumber {
  ub1 OCINumberPart[22];
};
using OCITable = OCIColl;
// The published layout of an object attribute of type DATE.
struct OCITime {
  ub1 OCITimeHH;
  ub1 OCITimeMI;
  ub1 OCITimeSS;
};
struct OCIDate {
  sb2 OCIDateYYYY;
  ub1 OCIDateMM;
  ub1 OCIDateDD;
  OCITime OCIDateTime;
};
using OCIClobLocator = OCILobLocator;
using OCIBlobLocator = OCILobLocator;
using OCIBFileLocator = OCILobLocator;
struct cda_def;  // OCI7 logon/cursor data area, only passed through
using Lda_Def = cda_def;

enum OCIPinOpt { OCI_PIN_DEFAULT = 1, OCI_PIN_ANY = 3, OCI_PIN_RECENT = 4, OCI_PIN_LATEST = 5 };
enum OCILockOpt { OCI_LOCK_NONE = 1, OCI_LOCK_X = 2, OCI_LOCK_X_NOWAIT = 3 };
enum OCITypeGetOpt { OCI_TYPEGET_HEADER = 0, OCI_TYPEGET_ALL = 1 };

// ---------------------------------------------------------------------------
// Return codes
// ---------------------------------------------------------------------------
constexpr sword OCI_SUCCESS = 0;
constexpr sword OCI_SUCCESS_WITH_INFO = 1;
constexpr sword OCI_NEED_DATA = 99;
constexpr sword OCI_NO_DATA = 100;
constexpr sword OCI_ERROR = -1;
constexpr sword OCI_INVALID_HANDLE = -2;
constexpr sword OCI_STILL_EXECUTING = -3123;
constexpr sword OCI_CONTINUE = -24200;

// ---------------------------------------------------------------------------
// Handle types (OCIHandleAlloc) and descriptor types (OCIDescriptorAlloc)
// ---------------------------------------------------------------------------
constexpr ub4 OCI_HTYPE_ENV = 1;
constexpr ub4 OCI_HTYPE_ERROR = 2;
constexpr ub4 OCI_HTYPE_SVCCTX = 3;
constexpr ub4 OCI_HTYPE_STMT = 4;
constexpr ub4 OCI_HTYPE_BIND = 5;
constexpr ub4 OCI_HTYPE_DEFINE = 6;
constexpr ub4 OCI_HTYPE_DESCRIBE = 7;
constexpr ub4 OCI_HTYPE_SERVER = 8;
constexpr ub4 OCI_HTYPE_SESSION = 9;
constexpr ub4 OCI_HTYPE_AUTHINFO = OCI_HTYPE_SESSION;
constexpr ub4 OCI_HTYPE_TRANS = 10;
constexpr ub4 OCI_HTYPE_DIRPATH_CTX = 14;
constexpr ub4 OCI_HTYPE_DIRPATH_COLUMN_ARRAY = 15;
constexpr ub4 OCI_HTYPE_DIRPATH_STREAM = 16;
constexpr ub4 OCI_HTYPE_SPOOL = 27;

constexpr ub4 OCI_DTYPE_LOB = 50;
constexpr ub4 OCI_DTYPE_SNAP = 51;
constexpr ub4 OCI_DTYPE_RSET = 52;
constexpr ub4 OCI_DTYPE_PARAM = 53;
constexpr ub4 OCI_DTYPE_ROWID = 54;
constexpr ub4 OCI_DTYPE_FILE = 56;
constexpr ub4 OCI_DTYPE_TIMESTAMP = 68;
constexpr ub4 OCI_DTYPE_TIMESTAMP_TZ = 69;
constexpr ub4 OCI_DTYPE_TIMESTAMP_LTZ = 70;

// ---------------------------------------------------------------------------
// Modes
// ---------------------------------------------------------------------------
constexpr ub4 OCI_DEFAULT = 0x00;
constexpr ub4 OCI_THREADED = 0x01;
constexpr ub4 OCI_OBJECT = 0x02;
constexpr ub4 OCI_EVENTS = 0x04;
constexpr ub4 OCI_ENV_NO_MUTEX = 0x08;  // OCIEnvInit
constexpr ub4 OCI_NO_MUTEX = 0x80;      // OCIEnvCreate

// OCISessionBegin credentials and modes
constexpr ub4 OCI_CRED_RDBMS = 1;
constexpr ub4 OCI_CRED_EXT = 2;
constexpr ub4 OCI_CRED_PROXY = 3;
constexpr ub4 OCI_SYSDBA = 0x02;
constexpr ub4 OCI_SYSOPER = 0x04;
constexpr ub4 OCI_STMT_CACHE = 0x40;

// Session pool modes: OCISessionPoolCreate, OCISessionGet, OCISessionRelease
// and OCISessionPoolDestroy
constexpr ub4 OCI_SPC_HOMOGENEOUS = 0x02;
constexpr ub4 OCI_SPC_STMTCACHE = 0x04;
constexpr ub4 OCI_SESSGET_SPOOL = 0x01;
constexpr ub4 OCI_SESSRLS_DROPSESS = 0x01;
constexpr ub4 OCI_SPD_FORCE = 0x01;

// OCIStmtPrepare syntax
constexpr ub4 OCI_NTV_SYNTAX = 1;
constexpr ub4 OCI_V7_SYNTAX = 2;
constexpr ub4 OCI_V8_SYNTAX = 3;

// OCIStmtExecute modes
constexpr ub4 OCI_BATCH_MODE = 0x01;
constexpr ub4 OCI_EXACT_FETCH = 0x02;
constexpr ub4 OCI_STMT_SCROLLABLE_READONLY = 0x08;
constexpr ub4 OCI_DESCRIBE_ONLY = 0x10;
constexpr ub4 OCI_COMMIT_ON_SUCCESS = 0x20;
constexpr ub4 OCI_BATCH_ERRORS = 0x80;
constexpr ub4 OCI_PARSE_ONLY = 0x100;

// Bind and define modes
constexpr ub4 OCI_DATA_AT_EXEC = 0x02;
constexpr ub4 OCI_DYNAMIC_FETCH = 0x02;

// Fetch orientation
constexpr ub2 OCI_FETCH_CURRENT = 0x01;
constexpr ub2 OCI_FETCH_NEXT = 0x02;
constexpr ub2 OCI_FETCH_FIRST = 0x04;
constexpr ub2 OCI_FETCH_LAST = 0x08;
constexpr ub2 OCI_FETCH_PRIOR = 0x10;
constexpr ub2 OCI_FETCH_ABSOLUTE = 0x20;
constexpr ub2 OCI_FETCH_RELATIVE = 0x40;

// Pieces
constexpr ub1 OCI_ONE_PIECE = 0;
constexpr ub1 OCI_FIRST_PIECE = 1;
constexpr ub1 OCI_NEXT_PIECE = 2;
constexpr ub1 OCI_LAST_PIECE = 3;

// OCITransStart flags
constexpr ub4 OCI_TRANS_NEW = 0x00000001;
constexpr ub4 OCI_TRANS_READONLY = 0x00000100;
constexpr ub4 OCI_TRANS_TWOPHASE = 0x01000000;

// OCIServerVersion handle type argument uses the handle type codes above.

// ---------------------------------------------------------------------------
// Statement types (OCI_ATTR_STMT_TYPE, ub2)
// ---------------------------------------------------------------------------
constexpr ub2 OCI_STMT_UNKNOWN = 0;
constexpr ub2 OCI_STMT_SELECT = 1;
constexpr ub2 OCI_STMT_UPDATE = 2;
constexpr ub2 OCI_STMT_DELETE = 3;
constexpr ub2 OCI_STMT_INSERT = 4;
constexpr ub2 OCI_STMT_CREATE = 5;
constexpr ub2 OCI_STMT_DROP = 6;
constexpr ub2 OCI_STMT_ALTER = 7;
constexpr ub2 OCI_STMT_BEGIN = 8;
constexpr ub2 OCI_STMT_DECLARE = 9;
constexpr ub2 OCI_STMT_CALL = 10;

// ---------------------------------------------------------------------------
// Attributes (OCIAttrGet/OCIAttrSet). The width of the value is noted.
// ---------------------------------------------------------------------------
constexpr ub4 OCI_ATTR_ENV = 5;                   // OCIEnv*
constexpr ub4 OCI_ATTR_SERVER = 6;                // OCIServer*
constexpr ub4 OCI_ATTR_SESSION = 7;               // OCISession*
constexpr ub4 OCI_ATTR_TRANS = 8;                 // OCITrans*
constexpr ub4 OCI_ATTR_ROW_COUNT = 9;             // ub4
constexpr ub4 OCI_ATTR_SQLFNCODE = 10;            // ub2
constexpr ub4 OCI_ATTR_PREFETCH_ROWS = 11;        // ub4
constexpr ub4 OCI_ATTR_PREFETCH_MEMORY = 13;      // ub4
constexpr ub4 OCI_ATTR_PARAM_COUNT = 18;          // ub4
constexpr ub4 OCI_ATTR_ROWID = 19;                // OCIRowid*
constexpr ub4 OCI_ATTR_USERNAME = 22;             // text*, length
constexpr ub4 OCI_ATTR_PASSWORD = 23;             // text*, length (set only)
constexpr ub4 OCI_ATTR_STMT_TYPE = 24;            // ub2
constexpr ub4 OCI_ATTR_EXTERNAL_NAME = 26;        // text*
constexpr ub4 OCI_ATTR_INTERNAL_NAME = 25;        // text*
constexpr ub4 OCI_ATTR_CHARSET_ID = 31;           // ub2
constexpr ub4 OCI_ATTR_CHARSET_FORM = 32;         // ub1
constexpr ub4 OCI_ATTR_MAXDATA_SIZE = 33;         // sb4
constexpr ub4 OCI_ATTR_NUM_DML_ERRORS = 73;       // ub4
constexpr ub4 OCI_ATTR_DML_ROW_OFFSET = 74;       // ub4
constexpr ub4 OCI_ATTR_PARSE_ERROR_OFFSET = 129;  // ub2
constexpr ub4 OCI_ATTR_SERVER_STATUS = 143;       // ub4
constexpr ub4 OCI_ATTR_STATEMENT = 144;           // text*, length
constexpr ub4 OCI_ATTR_CURRENT_POSITION = 164;    // ub4
constexpr ub4 OCI_ATTR_STMTCACHESIZE = 176;       // ub4
constexpr ub4 OCI_ATTR_BIND_COUNT = 190;          // ub4
constexpr ub4 OCI_ATTR_ROWS_FETCHED = 197;        // ub4
constexpr ub4 OCI_ATTR_CHAR_USED = 285;           // ub1
constexpr ub4 OCI_ATTR_CHAR_SIZE = 286;           // ub2

// Parameter descriptor attributes (select-list describe)
constexpr ub4 OCI_ATTR_DATA_SIZE = 1;    // ub2
constexpr ub4 OCI_ATTR_DATA_TYPE = 2;    // ub2
constexpr ub4 OCI_ATTR_DISP_SIZE = 3;    // ub2
constexpr ub4 OCI_ATTR_NAME = 4;         // text*, length
constexpr ub4 OCI_ATTR_PRECISION = 5;    // sb2 for a select list
constexpr ub4 OCI_ATTR_SCALE = 6;        // sb1
constexpr ub4 OCI_ATTR_IS_NULL = 7;      // ub1
constexpr ub4 OCI_ATTR_TYPE_NAME = 8;    // text*, length
constexpr ub4 OCI_ATTR_SCHEMA_NAME = 9;  // text*, length

constexpr ub4 OCI_SERVER_NOT_CONNECTED = 0;
constexpr ub4 OCI_SERVER_NORMAL = 1;

// ---------------------------------------------------------------------------
// External data types (SQLT_*)
// ---------------------------------------------------------------------------
constexpr ub2 SQLT_CHR = 1;
constexpr ub2 SQLT_NUM = 2;
constexpr ub2 SQLT_INT = 3;
constexpr ub2 SQLT_FLT = 4;
constexpr ub2 SQLT_STR = 5;
constexpr ub2 SQLT_VNU = 6;
constexpr ub2 SQLT_LNG = 8;
constexpr ub2 SQLT_VCS = 9;
constexpr ub2 SQLT_RID = 11;
constexpr ub2 SQLT_DAT = 12;
constexpr ub2 SQLT_BFLOAT = 21;
constexpr ub2 SQLT_BDOUBLE = 22;
constexpr ub2 SQLT_BIN = 23;
constexpr ub2 SQLT_LBI = 24;
constexpr ub2 SQLT_UIN = 68;
// LONG VARCHAR and LONG VARRAW: a 4-byte length, then the value's bytes.
constexpr ub2 SQLT_LVC = 94;
constexpr ub2 SQLT_LVB = 95;
constexpr ub2 SQLT_AFC = 96;
constexpr ub2 SQLT_AVC = 97;
constexpr ub2 SQLT_IBFLOAT = 100;
constexpr ub2 SQLT_IBDOUBLE = 101;
constexpr ub2 SQLT_CUR = 102;
constexpr ub2 SQLT_RDD = 104;
constexpr ub2 SQLT_OSL = 106;
constexpr ub2 SQLT_NTY = 108;
constexpr ub2 SQLT_REF = 110;
constexpr ub2 SQLT_CLOB = 112;
constexpr ub2 SQLT_BLOB = 113;
constexpr ub2 SQLT_BFILEE = 114;
constexpr ub2 SQLT_RSET = 116;
constexpr ub2 SQLT_TIMESTAMP = 187;
constexpr ub2 SQLT_TIMESTAMP_TZ = 188;
constexpr ub2 SQLT_INTERVAL_YM = 189;
constexpr ub2 SQLT_INTERVAL_DS = 190;
constexpr ub2 SQLT_TIMESTAMP_LTZ = 232;

// Character-set forms and identifiers
constexpr ub1 SQLCS_IMPLICIT = 1;
constexpr ub1 SQLCS_NCHAR = 2;
constexpr ub2 OCI_CHARSET_WE8MSWIN1252 = 178;
constexpr ub2 OCI_CHARSET_UTF8 = 871;
constexpr ub2 OCI_CHARSET_AL32UTF8 = 873;
constexpr ub2 OCI_CHARSET_AL16UTF16 = 2000;
constexpr ub2 OCI_UTF16ID = 1000;  // UTF-16 in the client's byte order

// Temporary LOB types and durations
constexpr ub1 OCI_TEMP_BLOB = 1;
constexpr ub1 OCI_TEMP_CLOB = 2;
constexpr OCIDuration OCI_DURATION_SESSION = 10;

// Object types: type codes of attributes and elements, null indicators,
// describe of a type.
constexpr OCITypeCode OCI_TYPECODE_REF = 110;
constexpr OCITypeCode OCI_TYPECODE_DATE = 12;
constexpr OCITypeCode OCI_TYPECODE_NUMBER = 2;
constexpr OCITypeCode OCI_TYPECODE_RAW = 95;
constexpr OCITypeCode OCI_TYPECODE_CHAR = 96;
constexpr OCITypeCode OCI_TYPECODE_VARCHAR2 = 9;
constexpr OCITypeCode OCI_TYPECODE_CLOB = 112;
constexpr OCITypeCode OCI_TYPECODE_BLOB = 113;
constexpr OCITypeCode OCI_TYPECODE_OBJECT = 108;
constexpr OCITypeCode OCI_TYPECODE_NAMEDCOLLECTION = 122;
constexpr OCITypeCode OCI_TYPECODE_VARRAY = 247;
constexpr OCITypeCode OCI_TYPECODE_TABLE = 248;
constexpr OCIInd OCI_IND_NOTNULL = 0;
constexpr OCIInd OCI_IND_NULL = -1;
constexpr ub2 OCI_OBJECTFREE_FORCE = 1;
constexpr uword OCI_NUMBER_UNSIGNED = 0;
constexpr uword OCI_NUMBER_SIGNED = 2;
constexpr ub1 OCI_OTYPE_NAME = 1;
constexpr ub1 OCI_PTYPE_TYPE = 6;
constexpr ub4 OCI_ATTR_PARAM = 124;
constexpr ub4 OCI_ATTR_REF_TDO = 110;
constexpr ub4 OCI_ATTR_TYPECODE = 216;
constexpr ub4 OCI_ATTR_NUM_TYPE_ATTRS = 228;
constexpr ub4 OCI_ATTR_LIST_TYPE_ATTRS = 229;
constexpr ub4 OCI_ATTR_COLLECTION_TYPECODE = 217;
constexpr ub4 OCI_ATTR_COLLECTION_ELEMENT = 227;
constexpr ub4 OCI_ATTR_NUM_ELEMS = 234;
constexpr ub1 OCI_OTYPE_PTR = 3;

// ---------------------------------------------------------------------------
// Callback types
// ---------------------------------------------------------------------------
extern "C" {
using OCIMallocFn = dvoid* (*)(dvoid* ctxp, std::size_t size);
using OCIReallocFn = dvoid* (*)(dvoid* ctxp, dvoid* memptr, std::size_t newsize);
using OCIFreeFn = void (*)(dvoid* ctxp, dvoid* memptr);
using OCICallbackInBind = sb4 (*)(dvoid* ictxp, OCIBind* bindp, ub4 iter, ub4 index, dvoid** bufpp,
                                  ub4* alenp, ub1* piecep, dvoid** indp);
using OCICallbackOutBind = sb4 (*)(dvoid* octxp, OCIBind* bindp, ub4 iter, ub4 index, dvoid** bufpp,
                                   ub4** alenp, ub1* piecep, dvoid** indp, ub2** rcodep);
using OCICallbackDefine = sb4 (*)(dvoid* octxp, OCIDefine* defnp, ub4 iter, dvoid** bufpp,
                                  ub4** alenp, ub1* piecep, dvoid** indp, ub2** rcodep);
using OCICallbackLobRead = sb4 (*)(dvoid* ctxp, const dvoid* bufp, ub4 len, ub1 piece);
using OCICallbackLobWrite = sb4 (*)(dvoid* ctxp, dvoid* bufp, ub4* lenp, ub1* piece);
using OCICacheFlushGetFn = OCIRef* (*)(dvoid* context, ub1* last);
}

// ---------------------------------------------------------------------------
// Entry points. OCI_FOR_EACH_* lists drive the function-pointer typedefs and
// let a loader or a test walk the names of one version group.
// ---------------------------------------------------------------------------
extern "C" {
// Environment, handles, attributes, errors
sword OCIInitialize(ub4 mode, dvoid* ctxp, OCIMallocFn malocfp, OCIReallocFn ralocfp,
                    OCIFreeFn mfreefp);
sword OCIEnvInit(OCIEnv** envp, ub4 mode, std::size_t xtramem_sz, dvoid** usrmempp);
sword OCIEnvCreate(OCIEnv** envhpp, ub4 mode, const dvoid* ctxp, OCIMallocFn malocfp,
                   OCIReallocFn ralocfp, OCIFreeFn mfreefp, std::size_t xtramem_sz,
                   dvoid** usrmempp);
sword OCIHandleAlloc(const dvoid* parenth, dvoid** hndlpp, ub4 type, std::size_t xtramem_sz,
                     dvoid** usrmempp);
sword OCIHandleFree(dvoid* hndlp, ub4 type);
sword OCIDescriptorAlloc(const dvoid* parenth, dvoid** descpp, ub4 type, std::size_t xtramem_sz,
                         dvoid** usrmempp);
sword OCIDescriptorFree(dvoid* descp, ub4 type);
sword OCIAttrGet(const dvoid* trgthndlp, ub4 trghndltyp, dvoid* attributep, ub4* sizep,
                 ub4 attrtype, OCIError* errhp);
sword OCIAttrSet(dvoid* trgthndlp, ub4 trghndltyp, dvoid* attributep, ub4 size, ub4 attrtype,
                 OCIError* errhp);
sword OCIErrorGet(dvoid* hndlp, ub4 recordno, text* sqlstate, sb4* errcodep, text* bufp, ub4 bufsiz,
                  ub4 type);
sword OCIParamGet(const dvoid* hndlp, ub4 htype, OCIError* errhp, dvoid** parmdpp, ub4 pos);
sword OCIParamSet(dvoid* hdlp, ub4 htyp, OCIError* errhp, const dvoid* dscp, ub4 dtyp, ub4 pos);

// Connection and transactions
sword OCIServerAttach(OCIServer* srvhp, OCIError* errhp, const text* dblink, sb4 dblink_len,
                      ub4 mode);
sword OCIServerDetach(OCIServer* srvhp, OCIError* errhp, ub4 mode);
sword OCIServerVersion(dvoid* hndlp, OCIError* errhp, text* bufp, ub4 bufsz, ub1 hndltype);
sword OCISessionBegin(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4 credt, ub4 mode);
sword OCISessionEnd(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4 mode);
sword OCILogon(OCIEnv* envhp, OCIError* errhp, OCISvcCtx** svchp, const text* username,
               ub4 uname_len, const text* password, ub4 passwd_len, const text* dbname,
               ub4 dbname_len);
sword OCILogoff(OCISvcCtx* svchp, OCIError* errhp);
sword OCIPasswordChange(OCISvcCtx* svchp, OCIError* errhp, const text* user_name, ub4 usernm_len,
                        const text* opasswd, ub4 opasswd_len, const text* npasswd, ub4 npasswd_len,
                        ub4 mode);
sword OCIBreak(dvoid* hndlp, OCIError* errhp);
sword OCITransStart(OCISvcCtx* svchp, OCIError* errhp, uword timeout, ub4 flags);
sword OCITransDetach(OCISvcCtx* svchp, OCIError* errhp, ub4 flags);
sword OCITransCommit(OCISvcCtx* svchp, OCIError* errhp, ub4 flags);
sword OCITransRollback(OCISvcCtx* svchp, OCIError* errhp, ub4 flags);
sword OCITransPrepare(OCISvcCtx* svchp, OCIError* errhp, ub4 flags);
sword OCITransForget(OCISvcCtx* svchp, OCIError* errhp, ub4 flags);
sword OCISvcCtxToLda(OCISvcCtx* svchp, OCIError* errhp, Lda_Def* ldap);
sword OCILdaToSvcCtx(OCISvcCtx** svchpp, OCIError* errhp, Lda_Def* ldap);

// Statements
sword OCIStmtPrepare(OCIStmt* stmtp, OCIError* errhp, const text* stmt, ub4 stmt_len, ub4 language,
                     ub4 mode);
sword OCIStmtExecute(OCISvcCtx* svchp, OCIStmt* stmtp, OCIError* errhp, ub4 iters, ub4 rowoff,
                     const OCISnapshot* snap_in, OCISnapshot* snap_out, ub4 mode);
sword OCIStmtFetch(OCIStmt* stmtp, OCIError* errhp, ub4 nrows, ub2 orientation, ub4 mode);
sword OCIStmtFetch2(OCIStmt* stmtp, OCIError* errhp, ub4 nrows, ub2 orientation, sb4 fetchOffset,
                    ub4 mode);
sword OCIStmtGetPieceInfo(OCIStmt* stmtp, OCIError* errhp, dvoid** hndlpp, ub4* typep, ub1* in_outp,
                          ub4* iterp, ub4* idxp, ub1* piecep);
sword OCIStmtSetPieceInfo(dvoid* hndlp, ub4 type, OCIError* errhp, const dvoid* bufp, ub4* alenp,
                          ub1 piece, const dvoid* indp, ub2* rcodep);
sword OCIStmtGetBindInfo(OCIStmt* stmtp, OCIError* errhp, ub4 size, ub4 startloc, sb4* found,
                         text* bvnp[], ub1 bvnl[], text* invp[], ub1 inpl[], ub1 dupl[],
                         OCIBind** hndl);
sword OCIBindByPos(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, ub4 position, dvoid* valuep,
                   sb4 value_sz, ub2 dty, dvoid* indp, ub2* alenp, ub2* rcodep, ub4 maxarr_len,
                   ub4* curelep, ub4 mode);
sword OCIBindByName(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, const text* placeholder,
                    sb4 placeh_len, dvoid* valuep, sb4 value_sz, ub2 dty, dvoid* indp, ub2* alenp,
                    ub2* rcodep, ub4 maxarr_len, ub4* curelep, ub4 mode);
sword OCIBindObject(OCIBind* bindp, OCIError* errhp, const OCIType* type, dvoid** pgvpp,
                    ub4* pvszsp, dvoid** indpp, ub4* indszp);
sword OCIBindDynamic(OCIBind* bindp, OCIError* errhp, dvoid* ictxp, OCICallbackInBind icbfp,
                     dvoid* octxp, OCICallbackOutBind ocbfp);
sword OCIBindArrayOfStruct(OCIBind* bindp, OCIError* errhp, ub4 pvskip, ub4 indskip, ub4 alskip,
                           ub4 rcskip);
sword OCIDefineByPos(OCIStmt* stmtp, OCIDefine** defnp, OCIError* errhp, ub4 position,
                     dvoid* valuep, sb4 value_sz, ub2 dty, dvoid* indp, ub2* rlenp, ub2* rcodep,
                     ub4 mode);
sword OCIDefineObject(OCIDefine* defnp, OCIError* errhp, const OCIType* type, dvoid** pgvpp,
                      ub4* pvszsp, dvoid** indpp, ub4* indszp);
sword OCIDefineDynamic(OCIDefine* defnp, OCIError* errhp, dvoid* octxp, OCICallbackDefine ocbfp);
sword OCIDefineArrayOfStruct(OCIDefine* defnp, OCIError* errhp, ub4 pvskip, ub4 indskip, ub4 rlskip,
                             ub4 rcskip);
sword OCIDescribeAny(OCISvcCtx* svchp, OCIError* errhp, dvoid* objptr, ub4 objnm_len,
                     ub1 objptr_typ, ub1 info_level, ub1 objtyp, OCIDescribe* dschp);
sword OCIResultSetToStmt(OCIResult* rsetdp, OCIError* errhp);
sword OCIStmtPrepare2(OCISvcCtx* svchp, OCIStmt** stmtp, OCIError* errhp, const OraText* stmt,
                      ub4 stmt_len, const OraText* key, ub4 key_len, ub4 language, ub4 mode);
sword OCIStmtRelease(OCIStmt* stmtp, OCIError* errhp, const OraText* key, ub4 key_len, ub4 mode);

// LOB locators
sword OCILobAppend(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* dst_locp,
                   OCILobLocator* src_locp);
sword OCILobAssign(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* src_locp,
                   OCILobLocator** dst_locpp);
sword OCILobCharSetForm(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* locp, ub1* csfrm);
sword OCILobCharSetId(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* locp, ub2* csid);
sword OCILobCopy(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* dst_locp,
                 OCILobLocator* src_locp, ub4 amount, ub4 dst_offset, ub4 src_offset);
sword OCILobDisableBuffering(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp);
sword OCILobEnableBuffering(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp);
sword OCILobErase(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amount, ub4 offset);
sword OCILobFileClose(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* filep);
sword OCILobFileCloseAll(OCISvcCtx* svchp, OCIError* errhp);
sword OCILobFileExists(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* filep, boolean* flag);
sword OCILobFileGetName(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* filep, text* dir_alias,
                        ub2* d_length, text* filename, ub2* f_length);
sword OCILobFileIsOpen(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* filep, boolean* flag);
sword OCILobFileOpen(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* filep, ub1 mode);
sword OCILobFileSetName(OCIEnv* envhp, OCIError* errhp, OCILobLocator** filepp,
                        const text* dir_alias, ub2 d_length, const text* filename, ub2 f_length);
sword OCILobFlushBuffer(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4 flag);
sword OCILobGetLength(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* lenp);
sword OCILobIsEqual(OCIEnv* envhp, const OCILobLocator* x, const OCILobLocator* y,
                    boolean* is_equal);
sword OCILobLoadFromFile(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* dst_locp,
                         OCILobLocator* src_filep, ub4 amount, ub4 dst_offset, ub4 src_offset);
sword OCILobLocatorIsInit(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* locp,
                          boolean* is_initialized);
sword OCILobRead(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp, ub4 offset,
                 dvoid* bufp, ub4 bufl, dvoid* ctxp, OCICallbackLobRead cbfp, ub2 csid, ub1 csfrm);
sword OCILobTrim(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4 newlen);
sword OCILobWrite(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp, ub4 offset,
                  dvoid* bufp, ub4 buflen, ub1 piece, dvoid* ctxp, OCICallbackLobWrite cbfp,
                  ub2 csid, ub1 csfrm);
sword OCILobCreateTemporary(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub2 csid,
                            ub1 csfrm, ub1 lobtype, boolean cache, OCIDuration duration);
sword OCILobFreeTemporary(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp);
sword OCILobIsTemporary(OCIEnv* envhp, OCIError* errhp, OCILobLocator* locp, boolean* is_temporary);

// Objects
sword OCIObjectUnpin(OCIEnv* env, OCIError* err, dvoid* object);
sword OCIObjectLock(OCIEnv* env, OCIError* err, dvoid* object);
sword OCIObjectMarkUpdate(OCIEnv* env, OCIError* err, dvoid* object);
sword OCIObjectUnmark(OCIEnv* env, OCIError* err, dvoid* object);
sword OCIObjectMarkDelete(OCIEnv* env, OCIError* err, dvoid* instance);
sword OCIObjectFlush(OCIEnv* env, OCIError* err, dvoid* object);
sword OCIObjectCopy(OCIEnv* env, OCIError* err, const OCISvcCtx* svc, dvoid* source,
                    dvoid* null_source, dvoid* target, dvoid* null_target, OCIType* tdo,
                    OCIDuration duration, ub1 option);
sword OCIObjectGetTypeRef(OCIEnv* env, OCIError* err, dvoid* instance, OCIRef* type_ref);
sword OCIObjectGetObjectRef(OCIEnv* env, OCIError* err, dvoid* object, OCIRef* object_ref);
sword OCIObjectGetInd(OCIEnv* env, OCIError* err, dvoid* instance, dvoid** null_struct);
sword OCIObjectExists(OCIEnv* env, OCIError* err, dvoid* ins, boolean* exist);
sword OCIObjectIsLocked(OCIEnv* env, OCIError* err, dvoid* ins, boolean* lock);
sword OCIObjectIsDirty(OCIEnv* env, OCIError* err, dvoid* ins, boolean* dirty);
sword OCIObjectRefresh(OCIEnv* env, OCIError* err, dvoid* object);
sword OCIObjectPinTable(OCIEnv* env, OCIError* err, const OCISvcCtx* svc, const text* schema_name,
                        ub4 s_n_length, const text* object_name, ub4 o_n_length, dvoid* not_used,
                        OCIDuration pin_duration, dvoid** object);
sword OCIObjectNew(OCIEnv* env, OCIError* err, const OCISvcCtx* svc, OCITypeCode typecode,
                   OCIType* tdo, dvoid* table, OCIDuration duration, boolean value,
                   dvoid** instance);
sword OCIObjectPin(OCIEnv* env, OCIError* err, OCIRef* object_ref, OCIComplexObject* corhdl,
                   OCIPinOpt pin_option, OCIDuration pin_duration, OCILockOpt lock_option,
                   dvoid** object);
sword OCIObjectFree(OCIEnv* env, OCIError* err, dvoid* instance, ub2 flags);
sword OCITypeByName(OCIEnv* env, OCIError* err, const OCISvcCtx* svc, const text* schema_name,
                    ub4 s_length, const text* type_name, ub4 t_length, const text* version_name,
                    ub4 v_length, OCIDuration pin_duration, OCITypeGetOpt get_option,
                    OCIType** tdo);
sword OCIObjectGetAttr(OCIEnv* env, OCIError* err, dvoid* instance, dvoid* null_struct,
                       OCIType* tdo, const text** names, const ub4* lengths, ub4 name_count,
                       const ub4* indexes, ub4 index_count, OCIInd* attr_null_status,
                       dvoid** attr_null_struct, dvoid** attr_value, OCIType** attr_tdo);
sword OCIObjectSetAttr(OCIEnv* env, OCIError* err, dvoid* instance, dvoid* null_struct,
                       OCIType* tdo, const text** names, const ub4* lengths, ub4 name_count,
                       const ub4* indexes, ub4 index_count, OCIInd null_status,
                       const dvoid* attr_null_struct, const dvoid* attr_value);

// Object data types
text* OCIStringPtr(OCIEnv* env, const OCIString* vs);
ub4 OCIStringSize(OCIEnv* env, const OCIString* vs);
sword OCIStringAssignText(OCIEnv* env, OCIError* err, const text* rhs, ub4 rhs_len,
                          OCIString** lhs);
sword OCINumberFromInt(OCIError* err, const dvoid* inum, uword inum_length, uword inum_s_flag,
                       OCINumber* number);
sword OCINumberToInt(OCIError* err, const OCINumber* number, uword rsl_length, uword rsl_flag,
                     dvoid* rsl);
sword OCINumberFromReal(OCIError* err, const dvoid* rnum, uword rnum_length, OCINumber* number);
sword OCINumberToReal(OCIError* err, const OCINumber* number, uword rsl_length, dvoid* rsl);
sword OCINumberToText(OCIError* err, const OCINumber* number, const text* fmt, ub4 fmt_length,
                      const text* nls_params, ub4 nls_p_length, ub4* buf_size, text* buf);
sword OCINumberFromText(OCIError* err, const text* str, ub4 str_length, const text* fmt,
                        ub4 fmt_length, const text* nls_params, ub4 nls_p_length,
                        OCINumber* number);
ub1* OCIRawPtr(OCIEnv* env, const OCIRaw* raw);
ub4 OCIRawSize(OCIEnv* env, const OCIRaw* raw);
sword OCIRawAssignBytes(OCIEnv* env, OCIError* err, const ub1* rhs, ub4 rhs_len, OCIRaw** lhs);
sword OCIRefAssign(OCIEnv* env, OCIError* err, const OCIRef* source, OCIRef** target);
void OCIRefClear(OCIEnv* env, OCIRef* ref);
boolean OCIRefIsNull(OCIEnv* env, const OCIRef* ref);
sword OCIRefFromHex(OCIEnv* env, OCIError* err, const OCISvcCtx* svc, const text* hex, ub4 length,
                    OCIRef** ref);
ub4 OCIRefHexSize(OCIEnv* env, const OCIRef* ref);
sword OCIRefToHex(OCIEnv* env, OCIError* err, const OCIRef* ref, text* hex, ub4* hex_length);
sword OCICollSize(OCIEnv* env, OCIError* err, const OCIColl* coll, sb4* size);
sword OCICollTrim(OCIEnv* env, OCIError* err, sb4 trim_num, OCIColl* coll);
sb4 OCICollMax(OCIEnv* env, const OCIColl* coll);
sword OCICollGetElem(OCIEnv* env, OCIError* err, const OCIColl* coll, sb4 index, boolean* exists,
                     dvoid** elem, dvoid** elemind);
sword OCICollAssignElem(OCIEnv* env, OCIError* err, sb4 index, const dvoid* elem,
                        const dvoid* elemind, OCIColl* coll);
sword OCICollAppend(OCIEnv* env, OCIError* err, const dvoid* elem, const dvoid* elemind,
                    OCIColl* coll);
sword OCITableDelete(OCIEnv* env, OCIError* err, sb4 index, OCITable* tbl);
sword OCICacheFlush(OCIEnv* env, OCIError* err, const OCISvcCtx* svc, dvoid* context,
                    OCICacheFlushGetFn get, OCIRef** ref);

// Internal error-message functions of the client. They are exported so that a
// loader finds them; their arguments are not documented and they only answer
// OCI_ERROR here.
sword ociepgoe(void);
sword ociepmsg(void);

// Direct path loading (8.1)
sword OCIDirPathAbort(OCIDirPathCtx* dpctx, OCIError* errhp);
sword OCIDirPathFinish(OCIDirPathCtx* dpctx, OCIError* errhp);
sword OCIDirPathPrepare(OCIDirPathCtx* dpctx, OCISvcCtx* svchp, OCIError* errhp);
sword OCIDirPathColArrayEntrySet(OCIDirPathColArray* dpca, OCIError* errhp, ub4 rownum, ub2 colIdx,
                                 ub1* cvalp, ub4 clen, ub1 cflg);
sword OCIDirPathColArrayToStream(OCIDirPathColArray* dpca, const OCIDirPathCtx* dpctx,
                                 OCIDirPathStream* dpstr, OCIError* errhp, ub4 rowcnt, ub4 rowoff);
sword OCIDirPathLoadStream(OCIDirPathCtx* dpctx, OCIDirPathStream* dpstr, OCIError* errhp);
sword OCIDirPathStreamReset(OCIDirPathStream* dpstr, OCIError* errhp);

// Date-time descriptors (8.1)
sword OCIDateTimeToText(dvoid* hndl, OCIError* err, const OCIDateTime* date, const text* fmt,
                        ub1 fmt_length, ub1 fsprec, const text* lang_name, std::size_t lang_length,
                        ub4* buf_size, text* buf);
sword OCIDateTimeFromText(dvoid* hndl, OCIError* err, const text* date_str, std::size_t dstr_length,
                          const text* fmt, ub1 fmt_length, const text* lang_name,
                          std::size_t lang_length, const text* timezone, std::size_t tz_length,
                          OCIDateTime* datetime);
sword OCIDateTimeGetDate(dvoid* hndl, OCIError* err, const OCIDateTime* date, sb2* yr, ub1* mnth,
                         ub1* dy);
sword OCIDateTimeGetTime(dvoid* hndl, OCIError* err, OCIDateTime* datetime, ub1* hr, ub1* mm,
                         ub1* ss, ub4* fsec);
sword OCIDateTimeConstruct(dvoid* hndl, OCIError* err, OCIDateTime* datetime, sb2 yr, ub1 mnth,
                           ub1 dy, ub1 hr, ub1 mm, ub1 ss, ub4 fsec, text* timezone,
                           std::size_t timezone_length);
sword OCIDateTimeAssign(dvoid* hndl, OCIError* err, const OCIDateTime* from, OCIDateTime* to);
sword OCIDateTimeGetTimeZoneOffset(dvoid* hndl, OCIError* err, const OCIDateTime* datetime,
                                   sb1* hour, sb1* min);

// Session pool (9.2)
sword OCISessionPoolCreate(OCIEnv* envhp, OCIError* errhp, OCISPool* spoolhp, OraText** poolName,
                           ub4* poolNameLen, const OraText* connStr, ub4 connStrLen, ub4 sessMin,
                           ub4 sessMax, ub4 sessIncr, OraText* userid, ub4 useridLen,
                           OraText* password, ub4 passwordLen, ub4 mode);
sword OCISessionPoolDestroy(OCISPool* spoolhp, OCIError* errhp, ub4 mode);
sword OCISessionGet(OCIEnv* envhp, OCIError* errhp, OCISvcCtx** svchp, OCIAuthInfo* authhp,
                    OraText* poolName, ub4 poolName_len, const OraText* tagInfo, ub4 tagInfo_len,
                    OraText** retTagInfo, ub4* retTagInfo_len, boolean* found, ub4 mode);
sword OCISessionRelease(OCISvcCtx* svchp, OCIError* errhp, OraText* tag, ub4 tag_len, ub4 mode);
}  // extern "C"

// Version groups, in the order a loader binds them. X(name) per entry point.
#define OCI_FOR_EACH_OCI8(X)                                                                           \
  X(OCIInitialize)                                                                                     \
  X(OCIHandleAlloc)                                                                                    \
  X(OCIHandleFree)                                                                                     \
  X(OCIDescriptorAlloc)                                                                                \
  X(OCIDescriptorFree) X(OCIEnvInit) X(OCIServerAttach) X(OCIServerDetach) X(OCISessionBegin) X(       \
      OCISessionEnd) X(OCILogon) X(OCILogoff) X(OCIPasswordChange) X(OCIStmtPrepare)                   \
      X(OCIBindByPos) X(OCIBindByName) X(OCIBindObject) X(OCIBindDynamic) X(                           \
          OCIBindArrayOfStruct) X(OCIStmtGetPieceInfo) X(OCIStmtSetPieceInfo) X(OCIStmtExecute)        \
          X(OCIDefineByPos) X(OCIDefineObject) X(OCIDefineDynamic) X(OCIDefineArrayOfStruct) X(        \
              OCIStmtFetch) X(OCIStmtGetBindInfo) X(OCIDescribeAny) X(OCIParamGet) X(OCIParamSet)      \
              X(OCITransStart) X(OCITransDetach) X(OCITransCommit) X(OCITransRollback) X(              \
                  OCITransPrepare) X(OCITransForget) X(OCIErrorGet) X(OCILobAppend) X(OCILobAssign)    \
                  X(OCILobCharSetForm) X(OCILobCharSetId) X(OCILobCopy) X(OCILobDisableBuffering) X(   \
                      OCILobEnableBuffering) X(OCILobErase) X(OCILobFileClose) X(OCILobFileCloseAll)   \
                      X(OCILobFileExists) X(OCILobFileGetName) X(OCILobFileIsOpen) X(                  \
                          OCILobFileOpen) X(OCILobFileSetName) X(OCILobFlushBuffer) X(OCILobGetLength) \
                          X(OCILobIsEqual) X(OCILobLoadFromFile) X(OCILobLocatorIsInit) X(             \
                              OCILobRead) X(OCILobTrim) X(OCILobWrite) X(OCIBreak)                     \
                              X(OCIServerVersion) X(OCIAttrGet) X(OCIAttrSet) X(OCISvcCtxToLda) X(     \
                                  OCILdaToSvcCtx) X(OCIResultSetToStmt) X(OCIObjectUnpin)              \
                                  X(OCIObjectLock) X(OCIObjectMarkUpdate) X(OCIObjectUnmark) X(        \
                                      OCIObjectMarkDelete) X(OCIObjectFlush) X(OCIObjectCopy)          \
                                      X(OCIObjectGetTypeRef) X(OCIObjectGetObjectRef) X(               \
                                          OCIObjectGetInd) X(OCIObjectExists) X(OCIObjectIsLocked)     \
                                          X(OCIObjectIsDirty) X(OCIObjectRefresh) X(                   \
                                              OCIObjectPinTable) X(OCIObjectNew) X(OCIObjectPin)       \
                                              X(OCIObjectFree) X(OCITypeByName) X(                     \
                                                  OCIObjectGetAttr) X(OCIObjectSetAttr)                \
                                                  X(OCIStringPtr) X(OCIStringSize) X(                  \
                                                      OCIStringAssignText) X(OCINumberFromInt)         \
                                                      X(OCINumberToInt) X(OCINumberFromReal) X(        \
                                                          OCINumberToReal) X(OCINumberToText)          \
                                                          X(OCINumberFromText) X(OCIRawPtr) X(         \
                                                              OCIRawSize) X(OCIRawAssignBytes)         \
                                                              X(OCIRefAssign) X(OCIRefClear) X(        \
                                                                  OCIRefIsNull) X(OCIRefFromHex)       \
                                                                  X(OCIRefHexSize) X(                  \
                                                                      OCIRefToHex) X(OCICollSize)      \
                                                                      X(OCICollTrim) X(OCICollMax)     \
                                                                          X(OCICollGetElem) X(         \
                                                                              OCICollAssignElem)       \
                                                                              X(OCICollAppend) X(      \
                                                                                  OCITableDelete)      \
                                                                                  X(OCICacheFlush)

#define OCI_FOR_EACH_ERROR_FUNCTIONS(X) X(ociepgoe) X(ociepmsg)

#define OCI_FOR_EACH_OCI81(X)                                                                     \
  X(OCIEnvCreate)                                                                                 \
  X(OCIDirPathAbort)                                                                              \
  X(OCIDirPathFinish)                                                                             \
  X(OCIDirPathPrepare) X(OCIDirPathColArrayEntrySet) X(OCIDirPathColArrayToStream)                \
      X(OCIDirPathLoadStream) X(OCIDirPathStreamReset) X(OCILobCreateTemporary)                   \
          X(OCILobFreeTemporary) X(OCILobIsTemporary) X(OCIDateTimeToText) X(OCIDateTimeFromText) \
              X(OCIDateTimeGetDate) X(OCIDateTimeGetTime) X(OCIDateTimeConstruct)                 \
                  X(OCIDateTimeAssign) X(OCIDateTimeGetTimeZoneOffset)

#define OCI_FOR_EACH_OCI9(X) X(OCIStmtFetch2)

#define OCI_FOR_EACH_OCI92(X) \
  X(OCISessionPoolCreate)     \
  X(OCISessionPoolDestroy)    \
  X(OCISessionGet) X(OCISessionRelease) X(OCIStmtPrepare2) X(OCIStmtRelease)

// Function-pointer types for dynamic binding: PFN_OCIStmtExecute and so on.
#define OCI_DECLARE_PFN(name) using PFN_##name = decltype(&::name);
OCI_FOR_EACH_OCI8(OCI_DECLARE_PFN)
OCI_FOR_EACH_ERROR_FUNCTIONS(OCI_DECLARE_PFN)
OCI_FOR_EACH_OCI81(OCI_DECLARE_PFN)
OCI_FOR_EACH_OCI9(OCI_DECLARE_PFN)
OCI_FOR_EACH_OCI92(OCI_DECLARE_PFN)
#undef OCI_DECLARE_PFN
