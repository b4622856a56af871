// Splitting "user/password@database as role" and composing the connect text.

#include <gtest/gtest.h>

#include "oracle/session/logon_string.h"

namespace {

using oracle::ComposeConnectText;
using oracle::ParseLogonText;
using oracle::TConnectAs;

struct ParseCase {
  const char* text;
  const char* user;
  const char* password;
  const char* database;
  TConnectAs connectAs;
  bool split;
};

TEST(LogonText, SplitsIntoParts) {
  const ParseCase cases[] = {
      {"scott", "scott", "", "", TConnectAs::caNormal, false},
      {"scott/tiger", "scott", "tiger", "", TConnectAs::caNormal, true},
      {"scott/tiger@orcl", "scott", "tiger", "orcl", TConnectAs::caNormal, true},
      {"scott@orcl", "scott", "", "orcl", TConnectAs::caNormal, true},
      {"sys/pw@orcl as sysdba", "sys", "pw", "orcl", TConnectAs::caSYSDBA, true},
      {"sys/pw@orcl AS SYSOPER", "sys", "pw", "orcl", TConnectAs::caSYSOPER, true},
      {"sys as sysdba", "sys", "", "", TConnectAs::caSYSDBA, true},
      {"sys\tas\tSysDba", "sys", "", "", TConnectAs::caSYSDBA, true},
      {"sys/pw as friend", "sys", "pw", "", TConnectAs::caNormal, true},
      {"/", "", "", "", TConnectAs::caNormal, true},
      {"/@orcl", "", "", "orcl", TConnectAs::caNormal, true},
      {"", "", "", "", TConnectAs::caNormal, false},
      // Quotes keep "/" and "@" (and " as ") inside a part and stay in it.
      {"scott/\"ti/g@r as x\"@orcl", "scott", "\"ti/g@r as x\"", "orcl", TConnectAs::caNormal,
       true},
      {"\"we/ird\"/pw", "\"we/ird\"", "pw", "", TConnectAs::caNormal, true},
      // Only the first "/" starts the password; a later one belongs to the
      // database (an easy-connect identifier).
      {"scott/tiger@host:1521/service", "scott", "tiger", "host:1521/service", TConnectAs::caNormal,
       true},
      // The first "@" ends the password, a later one stays in the database.
      {"u/p@a@b", "u", "p", "a@b", TConnectAs::caNormal, true}};
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.text);
    const auto parts = ParseLogonText(c.text);
    EXPECT_EQ(parts.user, c.user);
    EXPECT_EQ(parts.password, c.password);
    EXPECT_EQ(parts.database, c.database);
    EXPECT_EQ(parts.connectAs, c.connectAs);
    EXPECT_EQ(parts.split, c.split);
  }
}

TEST(LogonText, ComposedTextCarriesOnlyTheGivenParts) {
  EXPECT_EQ(ComposeConnectText("scott", "", "", TConnectAs::caNormal), "scott");
  EXPECT_EQ(ComposeConnectText("scott", "tiger", "orcl", TConnectAs::caNormal), "scott/tiger@orcl");
  EXPECT_EQ(ComposeConnectText("sys", "pw", "", TConnectAs::caSYSDBA), "sys/pw as SYSDBA");
  EXPECT_EQ(ComposeConnectText("sys", "", "db", TConnectAs::caSYSOPER), "sys@db as SYSOPER");
}

}  // namespace
