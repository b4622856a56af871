#pragma once
// A session stand-in with settable preferences for buffer and variable tests.

#include "oracle/values/session_context.h"
#include "oracle/values/variables.h"

namespace oracle::testing {

struct FakeSession : TSessionContext {
  bool connected = true;
  OCIEnv* env = nullptr;
  bool zeroDateIsNull = true;
  bool nullIsNull = false;
  bool convertCRLF = true;
  int32_t maxVarchar2Chars = 4000;

  bool IsConnected() const override { return connected; }
  bool InOCI8Mode() const override { return true; }
  Lda_Def* OCI7LogonDataArea() override { return nullptr; }
  OCIEnv* Environment() const override { return env; }
  bool ZeroDateIsNull() const override { return zeroDateIsNull; }
  bool NullValueIsNull() const override { return nullIsNull; }
  bool ConvertCRLF() const override { return convertCRLF; }
  int32_t MaxVarchar2Chars() const override { return maxVarchar2Chars; }
};

// Plays the query: counts declaration changes and lends a session.
struct FakeQuery : TVariablesOwner {
  const TSessionContext* session = nullptr;
  int changes = 0;
  const TSessionContext* VariablesSession() const override { return session; }
  void VariablesChanged() override { ++changes; }
};

}  // namespace oracle::testing
