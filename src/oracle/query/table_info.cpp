#include "oracle/query/table_info.h"

#include <stdexcept>

#include "oracle/session/session.h"

namespace oracle {

TOracleTableInfo::TOracleTableInfo(TOracleSession* session, std::string owner,
                                   std::string tableName)
    : owner_(std::move(owner)),
      tableName_(std::move(tableName)),
      query_(std::make_unique<TOracleQuery>(this)) {
  query_->SetSession(session);
  query_->SetDebug(false);
}

TOracleTableInfo& GetTableInfo(TOracleSession* session, const std::string& owner,
                               const std::string& tableName) {
  if (session == nullptr) throw std::runtime_error("Session undefined");
  TTableInfoEntry& entry = session->TableInfoCache().Get(owner, tableName, [&] {
    return std::make_unique<TOracleTableInfo>(session, owner, tableName);
  });
  return static_cast<TOracleTableInfo&>(entry);
}

}  // namespace oracle
