// Test hooks of the stand-in client library, exported beside the OCI names.
// Tests reach them with dlsym; the pointers returned stay valid until the
// journal changes.
#pragma once

extern "C" {

// Statement journal: one entry per executed statement (SQL text as received,
// and bind values as "NAME=value": NULL, numbers, 'quoted text' (dates as
// 'YYYY-MM-DD HH:MM:SS'), hextoraw('..'); "NAME[i]=value" per iteration of
// array DML). Each OCISessionBegin adds an entry without binds whose text is
// "SESSION BEGIN user=NAME credt=N mode=N" (never the password).
int ociStandin_JournalSize(void);
const char* ociStandin_JournalSql(int index);
int ociStandin_JournalBindCount(int index);
const char* ociStandin_JournalBind(int index, int bind);
void ociStandin_JournalClear(void);

// The next database call (OCIServerAttach, OCISessionBegin, OCIStmtExecute,
// OCIStmtFetch/OCIStmtFetch2, OCITransCommit, OCITransRollback) fails with
// ORA-<oraCode> and `message` (Oracle's own text when null).
void ociStandin_FailNextCall(int oraCode, const char* message);
// Every execution of a statement whose text holds `fragment` (any letter
// case) fails with ORA-<oraCode> and `message` (Oracle's own text when null),
// until cleared (a null or empty fragment, or ociStandin_ClearFailure).
void ociStandin_FailStatements(const char* fragment, int oraCode, const char* message);
void ociStandin_ClearFailure(void);

// How many times SQLite compiled a statement since the client was loaded.
int ociStandin_PrepareCount(void);
// LOB locators (OCI_DTYPE_LOB and OCI_DTYPE_FILE descriptors) and temporary
// LOBs alive in the process.
int ociStandin_LiveLobLocators(void);
int ociStandin_LiveTemporaryLobs(void);
// Object instances (embedded ones included) and REFs alive in the process.
int ociStandin_LiveObjects(void);
// Temporary LOBs OCILobCreateTemporary made in the character-set form `form`
// (1 the database's, 2 the national one) since the client was loaded.
int ociStandin_TemporaryLobsMade(int form);
}

using PFN_ociStandin_JournalSize = decltype(&ociStandin_JournalSize);
using PFN_ociStandin_JournalSql = decltype(&ociStandin_JournalSql);
using PFN_ociStandin_JournalBindCount = decltype(&ociStandin_JournalBindCount);
using PFN_ociStandin_JournalBind = decltype(&ociStandin_JournalBind);
using PFN_ociStandin_JournalClear = decltype(&ociStandin_JournalClear);
using PFN_ociStandin_FailNextCall = decltype(&ociStandin_FailNextCall);
using PFN_ociStandin_FailStatements = decltype(&ociStandin_FailStatements);
using PFN_ociStandin_ClearFailure = decltype(&ociStandin_ClearFailure);
using PFN_ociStandin_PrepareCount = decltype(&ociStandin_PrepareCount);
using PFN_ociStandin_LiveLobLocators = decltype(&ociStandin_LiveLobLocators);
using PFN_ociStandin_LiveTemporaryLobs = decltype(&ociStandin_LiveTemporaryLobs);
using PFN_ociStandin_LiveObjects = decltype(&ociStandin_LiveObjects);
using PFN_ociStandin_TemporaryLobsMade = decltype(&ociStandin_TemporaryLobsMade);
