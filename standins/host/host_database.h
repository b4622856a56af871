#pragma once
// The host database of one run: a copy of the fixture (an SQLite file) with
// the scenario's rows added. Records the host keeps as business objects and
// the plug-in also reads from the database (invoices, their items, tenders and
// fees, customers, sales orders with their lines and fees, deposits) are
// written once in the scenario and put in both places by Mirror; a customer
// posted through the host is written back the same way.

#include <sqlite3.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "business_objects.h"
#include "scenario.h"

namespace hostsim {

class HostDatabase {
 public:
  // Copies `fixture` to `path` and opens the copy. Raises std::runtime_error
  // naming the file when either cannot be done.
  HostDatabase(const std::string& fixture, const std::string& path);
  ~HostDatabase();
  HostDatabase(const HostDatabase&) = delete;
  HostDatabase& operator=(const HostDatabase&) = delete;

  const std::string& Path() const { return path_; }

  // Adds the rows of `record` (a record of `kind`) and of its related records
  // to the tables that hold them. A record written again (staged twice, or a
  // document staged again by a later event) adds to what was written: the
  // values it carries replace those of its row, the values it lacks stay; the
  // related records it lists replace those listed before under that name;
  // a deposit's link to its invoice is not doubled. A customer's row is the
  // host's record, replaced whole.
  void Mirror(int32_t kind, const BORecord& record);
  void AddRow(const TableRow& row);
  // The plug-in's read account can no longer log on.
  void LockReadAccount();
  // The text of value `valueId` in the list of user-defined field `udfNumber`
  // of `subsidiary` (tables udf and udf_val); nothing when there is none.
  std::optional<std::string> UdfValueText(const Variant& subsidiary, int udfNumber,
                                          int64_t valueId);

  // The rows of `sql`, each cell as text ("(null)" for NULL). Raises
  // std::runtime_error with SQLite's message.
  std::vector<std::vector<std::string>> Query(const std::string& sql);

 private:
  // Writes `record` (related to `parent` of `parentKind`, 0 for none) and
  // its related records.
  void MirrorRecord(int32_t parentKind, const BORecord* parent, int32_t kind,
                    const BORecord& record);
  // Before the related records of `record` of `childKind` are written: the
  // rows an earlier writing of the same record listed under that name are
  // removed.
  void ReplaceRelated(int32_t kind, const BORecord& record, int32_t childKind);
  void Execute(const std::string& sql, const std::vector<Variant>& values);

  std::string path_;
  sqlite3* db_ = nullptr;
  // The listings of related rows written so far: parent kind, table and the
  // parent's key.
  std::set<std::string> related_;
};

}  // namespace hostsim
