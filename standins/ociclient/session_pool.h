// The session pool of the client (handle type OCI_HTYPE_SPOOL): named pools
// of logged-on sessions that OCISessionGet hands out and OCISessionRelease
// takes back or ends.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "handles.h"

namespace ocistandin {

struct SessionPoolHandle : Handle {
  using Handle::Handle;
  ~SessionPoolHandle() override;

  bool created = false;
  std::string name;  // handed out by OCISessionPoolCreate
  std::string alias;
  std::string user, password;  // for a homogeneous pool
  bool homogeneous = false;
  bool statementCache = false;

  // Sessions of the pool: a service context (a child of the environment)
  // with its server and session, the user it is logged on as and a digest
  // of the password that was checked, and whether a caller holds it.
  struct Member {
    SvcCtxHandle* svc;
    std::string user;
    std::size_t secretDigest;
    bool busy;
  };
  std::vector<Member> members;
};

std::unique_ptr<Handle> makeSessionPoolHandle(Handle* parent);

// OCISessionBegin's work (env_logon.cpp): checks the credentials of
// `session` and begins it on the server of `svc`. The journal notes the
// begin, with `poolName` when the pool made it.
sword beginSession(SvcCtxHandle& svc, SessionHandle& session, ErrorHandle* err, ub4 credentials,
                   ub4 mode, const std::string& poolName);

}  // namespace ocistandin
