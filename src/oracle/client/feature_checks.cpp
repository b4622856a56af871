#include "oracle/client/feature_checks.h"

#include <stdexcept>

#include "oracle/client/oci_loader_state.h"

namespace oracle {

namespace {

void CheckSession(OracleSessionInfo* session, const std::string& featureName) {
  if (session == nullptr) throw std::runtime_error(featureName + " requires a session");
  if (!session->IsConnected()) {
    throw std::runtime_error(featureName + " requires a connected session");
  }
}

}  // namespace

void CheckNet8Feature(OracleSessionInfo* session, const std::string& featureName) {
  CheckSession(session, featureName);
  if (session->InOCI8Mode()) return;
  if (OCI8Group) {
    throw std::runtime_error(featureName + " requires OCI8 mode, but OCI7 mode is used.");
  }
  throw std::runtime_error(featureName + " requires Net8, which is not detected on this PC");
}

void CheckNet9Feature(OracleSessionInfo* session, const std::string& featureName) {
  CheckSession(session, featureName);
  // A session in OCI8 mode over a client without the OCI 9 calls cannot use
  // the feature either: its entry points are not bound.
  if (session->InOCI8Mode() && OCI9Group) return;
  if (!session->InOCI8Mode() && OCI9Group) {
    throw std::runtime_error(featureName + " requires OCI8 mode, but OCI7 mode is used.");
  }
  throw std::runtime_error(featureName +
                           " requires Oracle Net 9, which is not detected on this PC");
}

}  // namespace oracle
