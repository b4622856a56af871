#include "dialogs/setup_database.h"

#include <stdexcept>

#include "foundation/log.h"
#include "oracle/query/query.h"
#include "oracle/session/session.h"

namespace dialogs {

namespace {

constexpr const char* kHostDatabase = "RPROODS";
constexpr const char* kAccount = "VESKDATA";
constexpr const char* kAccountPassword = "plimsy";

constexpr const char* kCardNamesSql =
    "select distinct cardname from ( select distinct upper( cc.crd_name ) as cardname from "
    "credit_card cc union select distinct upper( it.eftdata1 ) as cardname from invc_tender it ) "
    "order by cardname";
// The DCS query around its subsidiary condition.
constexpr const char* kDcsSqlHead =
    "select distinct dcs.dcs_code from dcs join subsidiary sbs on sbs.sbs_no=dcs.sbs_no ";
constexpr const char* kDcsSqlTail = "where dcs.active=1 order by dcs.dcs_code";

HostSessionOpener& Opener() {
  static HostSessionOpener opener;
  return opener;
}

std::unique_ptr<oracle::TOracleSession> OpenBuiltInLogon() {
  auto session = std::make_unique<oracle::TOracleSession>();
  session->SetLogonDatabase(kHostDatabase);
  session->SetLogonUsername(kAccount);
  session->SetLogonPassword(kAccountPassword);
  session->LogOn();
  return session;
}

// The non-empty texts of the first column of every row `sql` gives.
std::vector<std::string> Column(oracle::TOracleSession& session, const std::string& sql) {
  oracle::TOracleQuery query;
  query.SetSession(&session);
  query.SetSQL(sql);
  query.Execute();
  std::vector<std::string> values;
  for (; !query.Eof(); query.Next()) {
    if (!query.FieldIsNull(0)) {
      std::string value = query.FieldAsString(0);
      if (!value.empty()) values.push_back(std::move(value));
    }
  }
  return values;
}

std::string DcsSql(const char* condition) {
  return std::string(kDcsSqlHead) + condition + kDcsSqlTail;
}

}  // namespace

void SetHostSessionOpener(HostSessionOpener opener) {
  Opener() = std::move(opener);
}

std::unique_ptr<oracle::TOracleSession> OpenHostSession() {
  try {
    auto session = Opener() ? Opener()() : OpenBuiltInLogon();
    if (!session) throw std::runtime_error("no session");
    return session;
  } catch (const std::exception& e) {
    throw std::runtime_error(std::string("Logon Ex: ") + e.what());
  }
}

std::vector<std::string> ReadCardNames(oracle::TOracleSession& session) {
  return Column(session, kCardNamesSql);
}

std::vector<std::string> ReadDcsCodes(oracle::TOracleSession& session) {
  std::vector<std::string> codes = Column(session, DcsSql("and sbs.master=1 "));
  if (codes.empty()) codes = Column(session, DcsSql(""));
  if (codes.empty()) {
    foundation::KWLog(1, "No active department records were found", foundation::kLevelWarning,
                      "TfrmMainSetup.FormShow");
  }
  return codes;
}

}  // namespace dialogs
