#include "host_database.h"

#include <filesystem>
#include <stdexcept>

#include "platform/com/ole_date.h"

namespace hostsim {

namespace {

// Where the host database keeps a business-object record: its table and the
// columns filled from the record's attributes. A related record also gets
// its parent's key (`parentColumn` from the parent's `parentAttribute`).
struct ColumnSource {
  const char* column;
  const char* attribute;
};

// How a record written again (staged twice, or a document staged again by a
// later event) meets the rows it wrote before.
enum class Rewrite {
  Add,      // another row
  Replace,  // a record of its own: the first column names it and its row is
            // replaced whole; a related record: the rows its parent lists
            // replace those the parent listed before under the same name
  Merge,    // the first column is the table's primary key: the values the
            // record carries replace those written before, the others stay
  Link,     // a row of the same values is not written twice
};

struct TableMirror {
  int32_t parentKind;  // 0: a record of its own
  int32_t kind;
  const char* table;
  const char* parentColumn;
  const char* parentAttribute;
  Rewrite rewrite;
  std::vector<ColumnSource> columns;  // the first one is required
};

const std::vector<ColumnSource> kSalesOrderColumns = {{"so_sid", "SO Sid"},
                                                      {"sbs_no", "Sbs No"},
                                                      {"so_no", "SO Number"},
                                                      {"disc_perc", "Disc Perc"},
                                                      {"disc_amt", "Disc Amt"}};
const std::vector<ColumnSource> kTenderColumns = {{"tender_type", "TENDER_TYPE"},
                                                  {"amt", "AMT"},
                                                  {"crd_type", "CRD_TYPE"},
                                                  {"eftdata1", "EFTDATA1"}};

// clang-format off
const std::vector<TableMirror>& Mirrors() {
  static const std::vector<TableMirror> mirrors = {
      {0, kKindInvoice, "invoice_v", nullptr, nullptr, Rewrite::Merge,
       {{"invc_sid", "Invoice SID"}, {"sbs_no", "Subsidiary Number"},
        {"invc_no", "Invoice Number"}, {"invc_type", "Invoice Type"}, {"modifier", "Modifier"},
        {"created_date", "Created Date"}}},
      // Inventory rows, kept by subsidiary: shared by every invoice.
      {kKindInvoice, kKindItem, "invn_sbs_v", "sbs_no", "Subsidiary Number", Rewrite::Add,
       {{"item_sid", "Item_Sid"}, {"vend_code", "Vendor Code"}, {"description1", "Desc1"}}},
      {kKindInvoice, kKindTender, "invc_tender", "invc_sid", "Invoice SID", Rewrite::Replace, kTenderColumns},
      {kKindDeposit, kKindTender, "invc_tender", "invc_sid", "Invoice SID", Rewrite::Replace, kTenderColumns},
      {kKindInvoice, kKindFee, "invc_fee", "invc_sid", "Invoice SID", Rewrite::Replace,
       {{"fee_type", "Fee Type"}, {"amt", "Fee Amt"}}},
      {0, kKindCustomer, "customer", nullptr, nullptr, Rewrite::Replace,
       {{"cust_sid", "Cust Sid"}, {"sbs_no", "Sbs No"}, {"cust_id", "Cust Id"},
        {"first_name", "First Name"}, {"last_name", "Last Name"}, {"email_addr", "EMail"},
        {"allow_email", "Allow Email"}, {"info1", "Info1"}, {"info2", "Info2"},
        {"notes", "Notes"}, {"udf1_date", "UDF1 Date"}, {"udf2_date", "UDF2 Date"},
        {"active", "Active"}, {"country", "Country"}}},
      {0, kKindCustomer, "cust_udf_v", nullptr, nullptr, Rewrite::Replace,
       {{"cust_sid", "Cust Sid"}, {"udf_1", "UDF 1 Value"}, {"udf_2", "UDF 2 Value"},
        {"udf_3", "UDF 3 Value"}, {"udf_4", "UDF 4 Value"}, {"udf_5", "UDF 5 Value"},
        {"udf_6", "UDF 6 Value"}, {"udf_7", "UDF 7 Value"}, {"udf_8", "UDF 8 Value"}}},
      {0, kKindSalesOrder, "so_v", nullptr, nullptr, Rewrite::Merge, kSalesOrderColumns},
      {kKindDeposit, kKindSalesOrder, "so_v", nullptr, nullptr, Rewrite::Merge, kSalesOrderColumns},
      {kKindSalesOrder, kKindSalesOrderLine, "so_item_v", "so_sid", "SO Sid", Rewrite::Replace,
       {{"item_pos", "Item Pos"}, {"price", "Price"}, {"ord_qty", "Ord Qty"},
        {"tax_amt", "Tax Amt"}, {"tax_amt2", "Tax Amt2"}}},
      {kKindSalesOrder, kKindFee, "so_fee", "so_sid", "SO Sid", Rewrite::Replace,
       {{"fee_type", "Fee Type"}, {"amt", "Fee Amt"}}},
      {0, kKindDeposit, "so_depst", nullptr, nullptr, Rewrite::Link,
       {{"so_sid", "SO Sid"}, {"invc_sid", "Invoice SID"}}},
  };
  return mirrors;
}
// clang-format on

// The record's value of `attribute`, or null. An item's inventory values
// ("Vendor Code" ...) may stand on its "Item Ref" record instead.
const Variant* Find(const BORecord& record, const char* attribute) {
  auto it = record.attributes.find(attribute);
  if (it != record.attributes.end()) return &it->second;
  auto reference = record.children.find("Item Ref");
  if (reference == record.children.end() || reference->second.empty()) return nullptr;
  const Attributes& inventory = reference->second.front()->attributes;
  auto found = inventory.find(attribute);
  return found == inventory.end() ? nullptr : &found->second;
}

bool Carries(const BORecord& record, const char* attribute) {
  const Variant* value = Find(record, attribute);
  return value != nullptr && !value->IsNull() && !value->IsEmpty();
}

// A row is written when the record carries the table's first column and at
// least one more (a customer without UDF values gets no UDF row).
bool Fills(const TableMirror& mirror, const BORecord& record) {
  if (!Carries(record, mirror.columns.front().attribute)) return false;
  if (mirror.parentColumn != nullptr) return true;
  for (size_t i = 1; i < mirror.columns.size(); ++i) {
    if (Carries(record, mirror.columns[i].attribute)) return true;
  }
  return false;
}

// Dates as the database keeps them, "YYYY-MM-DD HH:MM:SS".
std::string DateText(double date) {
  std::optional<OleDateParts> parts = OleDateToParts(date);
  if (!parts) return {};
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", parts->year, parts->month,
                parts->day, parts->hour, parts->minute, parts->second);
  return text;
}

void Bind(sqlite3_stmt* statement, int index, const Variant& value) {
  switch (value.vt()) {
    case VT_EMPTY:
    case VT_NULL:
      sqlite3_bind_null(statement, index);
      return;
    case VT_BOOL:
      sqlite3_bind_int(statement, index, value.ToBool() ? 1 : 0);
      return;
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_UI1:
      sqlite3_bind_int64(statement, index, value.ToInt64());
      return;
    case VT_R4:
    case VT_R8:
    case VT_CY:
      sqlite3_bind_double(statement, index, value.ToDouble());
      return;
    case VT_DATE:
      sqlite3_bind_text(statement, index, DateText(value.Get().date).c_str(), -1, SQLITE_TRANSIENT);
      return;
    default:
      sqlite3_bind_text(statement, index, ValueText(value).c_str(), -1, SQLITE_TRANSIENT);
  }
}

struct Statement {
  std::string sql;
  std::vector<Variant> values;
};

// The statements that write `row` of a record as `rewrite` says; the key is
// the row's first column.
std::vector<Statement> RowStatements(const TableRow& row, Rewrite rewrite) {
  const std::string& key = row.columns.front().first;
  std::string names;
  std::string marks;
  std::string updates;
  std::string same;
  std::vector<Variant> values;
  for (const auto& [column, value] : row.columns) {
    const std::string quoted = "\"" + column + "\"";
    names += (names.empty() ? "" : ", ") + quoted;
    marks += marks.empty() ? "?" : ", ?";
    if (column != key) updates += (updates.empty() ? "" : ", ") + quoted + " = excluded." + quoted;
    same += (same.empty() ? "" : " AND ") + quoted + " IS ?";
    values.push_back(value);
  }
  const std::string table = "\"" + row.table + "\"";
  const std::string insert = "INSERT INTO " + table + " (" + names + ") VALUES (" + marks + ")";
  switch (rewrite) {
    case Rewrite::Add:
      break;
    case Rewrite::Replace:
      return {{"DELETE FROM " + table + " WHERE \"" + key + "\" = ?", {values.front()}},
              {insert, values}};
    case Rewrite::Merge:
      return {{insert + " ON CONFLICT(\"" + key + "\") DO " +
                   (updates.empty() ? "NOTHING" : "UPDATE SET " + updates),
               values}};
    case Rewrite::Link:
      return {{"DELETE FROM " + table + " WHERE " + same, values}, {insert, values}};
  }
  return {{insert, values}};
}

}  // namespace

HostDatabase::HostDatabase(const std::string& fixture, const std::string& path) : path_(path) {
  std::error_code error;
  std::filesystem::copy_file(fixture, path, std::filesystem::copy_options::overwrite_existing,
                             error);
  if (error) {
    throw std::runtime_error("cannot copy the host database " + fixture + " to " + path + ": " +
                             error.message());
  }
  if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    std::string message = db_ != nullptr ? sqlite3_errmsg(db_) : "out of memory";
    sqlite3_close(db_);
    db_ = nullptr;
    throw std::runtime_error("cannot open the host database " + path + ": " + message);
  }
  sqlite3_busy_timeout(db_, 2000);
}

HostDatabase::~HostDatabase() {
  sqlite3_close(db_);
}

void HostDatabase::Execute(const std::string& sql, const std::vector<Variant>& values) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    throw std::runtime_error("host database: " + std::string(sqlite3_errmsg(db_)) + " in " + sql);
  }
  for (size_t i = 0; i < values.size(); ++i) Bind(statement, static_cast<int>(i + 1), values[i]);
  const int result = sqlite3_step(statement);
  sqlite3_finalize(statement);
  if (result != SQLITE_DONE && result != SQLITE_ROW) {
    throw std::runtime_error("host database: " + std::string(sqlite3_errmsg(db_)) + " in " + sql);
  }
}

void HostDatabase::AddRow(const TableRow& row) {
  std::string names;
  std::string marks;
  std::vector<Variant> values;
  for (const auto& [column, value] : row.columns) {
    names += (names.empty() ? "" : ", ") + std::string("\"") + column + "\"";
    marks += marks.empty() ? "?" : ", ?";
    values.push_back(value);
  }
  // Replacing keeps a record staged twice (a deposit's sales order also
  // listed among the sales orders) from breaking a primary key.
  Execute("INSERT OR REPLACE INTO \"" + row.table + "\" (" + names + ") VALUES (" + marks + ")",
          values);
}

void HostDatabase::Mirror(int32_t kind, const BORecord& record) {
  MirrorRecord(0, nullptr, kind, record);
}

void HostDatabase::MirrorRecord(int32_t parentKind, const BORecord* parent, int32_t kind,
                                const BORecord& record) {
  for (const TableMirror& mirror : Mirrors()) {
    if (mirror.parentKind != parentKind || mirror.kind != kind || !Fills(mirror, record)) continue;
    TableRow row{mirror.table, {}};
    if (mirror.parentColumn != nullptr && parent != nullptr) {
      auto it = parent->attributes.find(mirror.parentAttribute);
      if (it != parent->attributes.end()) row.columns.emplace_back(mirror.parentColumn, it->second);
    }
    for (const ColumnSource& source : mirror.columns) {
      if (const Variant* value = Find(record, source.attribute)) {
        row.columns.emplace_back(source.column, *value);
      }
    }
    // A related record's rows were replaced with its parent's listing.
    const Rewrite rewrite = mirror.parentColumn != nullptr ? Rewrite::Add : mirror.rewrite;
    for (const Statement& statement : RowStatements(row, rewrite)) {
      Execute(statement.sql, statement.values);
    }
  }
  for (const auto& [reference, children] : record.children) {
    std::optional<int32_t> childKind = KindOfReference(kind, reference);
    if (!childKind) continue;
    ReplaceRelated(kind, record, *childKind);
    for (const RecordPtr& child : children) MirrorRecord(kind, &record, *childKind, *child);
  }
}

void HostDatabase::ReplaceRelated(int32_t kind, const BORecord& record, int32_t childKind) {
  for (const TableMirror& mirror : Mirrors()) {
    if (mirror.parentKind != kind || mirror.kind != childKind ||
        mirror.rewrite != Rewrite::Replace) {
      continue;
    }
    auto key = record.attributes.find(mirror.parentAttribute);
    if (key == record.attributes.end() || key->second.IsNull() || key->second.IsEmpty()) continue;
    const std::string listing =
        std::to_string(kind) + "|" + mirror.table + "|" + ValueText(key->second);
    if (related_.insert(listing).second) continue;
    Execute(std::string("DELETE FROM \"") + mirror.table + "\" WHERE \"" + mirror.parentColumn +
                "\" = ?",
            {key->second});
  }
}

void HostDatabase::LockReadAccount() {
  Execute("UPDATE ociclient_accounts SET status = 'LOCKED' WHERE username = 'VESKDATA'", {});
}

std::optional<std::string> HostDatabase::UdfValueText(const Variant& subsidiary, int udfNumber,
                                                      int64_t valueId) {
  sqlite3_stmt* statement = nullptr;
  const char* sql =
      "SELECT v.udf_value FROM udf u JOIN udf_val v ON v.udf_id = u.udf_id "
      "WHERE u.sbs_no = ? AND u.udf_no = ? AND v.udf_val_id = ?";
  if (sqlite3_prepare_v2(db_, sql, -1, &statement, nullptr) != SQLITE_OK) {
    throw std::runtime_error("host database: " + std::string(sqlite3_errmsg(db_)) + " in " + sql);
  }
  Bind(statement, 1, subsidiary);
  sqlite3_bind_int(statement, 2, udfNumber);
  sqlite3_bind_int64(statement, 3, valueId);
  std::optional<std::string> text;
  if (sqlite3_step(statement) == SQLITE_ROW) {
    if (const unsigned char* value = sqlite3_column_text(statement, 0)) {
      text = reinterpret_cast<const char*>(value);
    }
  }
  sqlite3_finalize(statement);
  return text;
}

std::vector<std::vector<std::string>> HostDatabase::Query(const std::string& sql) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    throw std::runtime_error(sqlite3_errmsg(db_));
  }
  std::vector<std::vector<std::string>> rows;
  int result = SQLITE_ROW;
  while ((result = sqlite3_step(statement)) == SQLITE_ROW) {
    std::vector<std::string> row;
    for (int i = 0; i < sqlite3_column_count(statement); ++i) {
      const unsigned char* text = sqlite3_column_text(statement, i);
      row.push_back(text == nullptr ? "(null)" : reinterpret_cast<const char*>(text));
    }
    rows.push_back(std::move(row));
  }
  sqlite3_finalize(statement);
  if (result != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db_));
  return rows;
}

}  // namespace hostsim
