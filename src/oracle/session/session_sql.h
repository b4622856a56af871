#pragma once
// The session's own statements ("alter session", the probes, the connection
// check): one statement at a time on a connected session, with every select
// column fetched as text.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace oracle {

class TOracleSession;

struct TSessionSQLResult {
  // One row per fetched row; a null column is std::nullopt.
  std::vector<std::vector<std::optional<std::string>>> rows;
  // Character-set id of each select column (OCI8 mode; 0 otherwise).
  std::vector<std::uint16_t> charsetIds;
};

// Runs `sql` on `session` (which must be connected) and fetches at most
// `maxRows` rows of a select. OCI failures raise through the Oracle error
// routine with the session as component.
TSessionSQLResult RunSessionSQL(TOracleSession& session, const std::string& sql,
                                std::size_t maxRows = 64);

}  // namespace oracle
