#pragma once
// Which OCI calls a session may use once it is logged on: the OCI7 calls only
// when the client exports them, the OCI8 calls for servers of release 8 and
// later.

#include <string_view>

namespace oracle {

// Major release of a server version text ("... Release 19.0.0.0.0 ..." is 19,
// "Oracle8i ..." is 8); 0 when the text names none.
int ServerMajorRelease(std::string_view versionText);

// Whether a session logged on through OCI8 may stay in OCI8 mode with this
// server: release 8 and later, or a text that names no release.
bool ServerVersionSupportsOCI8(std::string_view versionText);

// Whether the loaded client can run a session in OCI7 mode.
bool OCI7ModeUsable();

}  // namespace oracle
