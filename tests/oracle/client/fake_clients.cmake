# Fake OCI client libraries that export chosen subsets of the entry-point
# names, so that the loader's binding rules can be tested. The name lists are
# written out here independently of the loader's own list.

set(FAKE_OCI7_NAMES orlon ologof oerhms oopen oparse odefin oexfet ofen oflng oclose
    odescr oexec oexn ocom orol ocon ocof obreak obndra odessp)
set(FAKE_OCI7_LOG_NAMES olog)
set(FAKE_OCI7_INIT_NAMES opinit)
set(FAKE_OCI8_NAMES OCIInitialize OCIHandleAlloc OCIHandleFree OCIDescriptorAlloc
    OCIDescriptorFree OCIEnvInit OCIServerAttach OCIServerDetach OCISessionBegin OCISessionEnd
    OCILogon OCILogoff OCIPasswordChange OCIStmtPrepare OCIBindByPos OCIBindByName OCIBindObject
    OCIBindDynamic OCIBindArrayOfStruct OCIStmtGetPieceInfo OCIStmtSetPieceInfo OCIStmtExecute
    OCIDefineByPos OCIDefineObject OCIDefineDynamic OCIDefineArrayOfStruct OCIStmtFetch
    OCIStmtGetBindInfo OCIDescribeAny OCIParamGet OCIParamSet OCITransStart OCITransDetach
    OCITransCommit OCITransRollback OCITransPrepare OCITransForget OCIErrorGet
    OCILobAppend OCILobAssign OCILobCharSetForm OCILobCharSetId OCILobCopy
    OCILobDisableBuffering OCILobEnableBuffering OCILobErase OCILobFileClose OCILobFileCloseAll
    OCILobFileExists OCILobFileGetName OCILobFileIsOpen OCILobFileOpen OCILobFileSetName
    OCILobFlushBuffer OCILobGetLength OCILobIsEqual OCILobLoadFromFile OCILobLocatorIsInit
    OCILobRead OCILobTrim OCILobWrite OCIBreak OCIServerVersion OCIAttrGet OCIAttrSet
    OCISvcCtxToLda OCILdaToSvcCtx OCIResultSetToStmt OCIObjectUnpin OCIObjectLock
    OCIObjectMarkUpdate OCIObjectUnmark OCIObjectMarkDelete OCIObjectFlush OCIObjectCopy
    OCIObjectGetTypeRef OCIObjectGetObjectRef OCIObjectGetInd OCIObjectExists OCIObjectIsLocked
    OCIObjectIsDirty OCIObjectRefresh OCIObjectPinTable OCIObjectNew OCIObjectPin OCIObjectFree
    OCITypeByName OCIObjectGetAttr OCIObjectSetAttr OCIStringPtr OCIStringSize
    OCIStringAssignText OCINumberFromInt OCINumberToInt OCINumberFromReal OCINumberToReal
    OCINumberToText OCINumberFromText OCIRawPtr OCIRawSize OCIRawAssignBytes OCIRefAssign
    OCIRefClear OCIRefIsNull OCIRefFromHex OCIRefHexSize OCIRefToHex OCICollSize OCICollTrim
    OCICollMax OCICollGetElem OCICollAssignElem OCICollAppend OCITableDelete OCICacheFlush)
set(FAKE_ERROR_NAMES ociepgoe ociepmsg)
set(FAKE_OCI81_NAMES OCIEnvCreate OCIDirPathAbort OCIDirPathFinish OCIDirPathPrepare
    OCIDirPathColArrayEntrySet OCIDirPathColArrayToStream OCIDirPathLoadStream
    OCIDirPathStreamReset OCILobCreateTemporary OCILobFreeTemporary OCILobIsTemporary
    OCIDateTimeToText OCIDateTimeFromText OCIDateTimeGetDate OCIDateTimeGetTime
    OCIDateTimeConstruct OCIDateTimeAssign OCIDateTimeGetTimeZoneOffset)
set(FAKE_OCI9_NAMES OCIStmtFetch2)
set(FAKE_OCI92_NAMES OCISessionPoolCreate OCISessionPoolDestroy OCISessionGet
    OCISessionRelease OCIStmtPrepare2 OCIStmtRelease)
set(FAKE_MTS_NAMES OraMTSSvcGet OraMTSSvcRel OraMTSSvcEnlist OraMTSSvcEnlistEx OraMTSTransTest)

# Names the hooks file defines with their real signatures.
set(FAKE_HOOKED_NAMES OCIInitialize OCIErrorGet opinit oerhms)

set(FAKE_CLIENT_DIR ${CMAKE_CURRENT_BINARY_DIR}/fakes)
set(FAKE_CLIENT_TARGETS)

# fake_oci_client(<target> GROUPS <group>... [OMIT <name>...])
#   Builds ${FAKE_CLIENT_DIR}/lib<target>.so exporting the names of the given
#   groups (OCI7 OCI7_LOG OCI7_INIT OCI8 ERROR OCI81 OCI9 OCI92 MTS) except
#   the omitted ones.
function(fake_oci_client target)
  cmake_parse_arguments(ARG "" "" "GROUPS;OMIT" ${ARGN})
  set(names)
  foreach(group ${ARG_GROUPS})
    list(APPEND names ${FAKE_${group}_NAMES})
  endforeach()
  if(ARG_OMIT)
    list(REMOVE_ITEM names ${ARG_OMIT})
  endif()
  set(body "/* Generated: stub entry points of a fake OCI client. */\n")
  set(defs)
  foreach(name ${names})
    if(name IN_LIST FAKE_HOOKED_NAMES)
      list(APPEND defs FAKE_HAS_${name})
    else()
      string(APPEND body "int ${name}(void) { return 0; }\n")
    endif()
  endforeach()
  set(source ${CMAKE_CURRENT_BINARY_DIR}/generated/${target}.c)
  file(GENERATE OUTPUT ${source} CONTENT "${body}")
  add_library(${target} SHARED ${source} ${CMAKE_CURRENT_SOURCE_DIR}/fake_client_hooks.c)
  target_compile_definitions(${target} PRIVATE ${defs})
  set_target_properties(${target} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${FAKE_CLIENT_DIR}
                                             NO_SONAME ON AUTOMOC OFF)
  list(APPEND FAKE_CLIENT_TARGETS ${target})
  set(FAKE_CLIENT_TARGETS ${FAKE_CLIENT_TARGETS} PARENT_SCOPE)
endfunction()

fake_oci_client(fake_full GROUPS OCI7 OCI7_LOG OCI7_INIT OCI8 ERROR OCI81 OCI9 OCI92)
fake_oci_client(fake_no_oci7_one_oci8_missing GROUPS OCI8 ERROR OCI81 OCI9 OCI92
                OMIT OCILobTrim)
fake_oci_client(fake_no_fetch2 GROUPS OCI8 ERROR OCI81 OCI9 OCI92 OMIT OCIStmtFetch2)
fake_oci_client(fake_no_error_functions GROUPS OCI8 OCI81 OCI9 OCI92)
fake_oci_client(fake_oci8_only GROUPS OCI8 ERROR)
fake_oci_client(fake_oci7_only GROUPS OCI7 OCI7_LOG OCI7_INIT)
fake_oci_client(fake_oci7_one_oci8_missing GROUPS OCI7 OCI7_LOG OCI7_INIT OCI8 ERROR OCI81
                OMIT OCIDescribeAny)
fake_oci_client(fake_mts GROUPS MTS)
fake_oci_client(fake_mts_incomplete GROUPS MTS OMIT OraMTSTransTest)
