#pragma once
// The checks of a scenario's expectations after its run. Each check adds one
// line per expectation that did not hold, naming the scenario line it comes
// from and what was found instead.

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "business_objects.h"
#include "cashier.h"
#include "host_database.h"
#include "receipt_service.h"
#include "scenario.h"

namespace hostsim {

// The whole text of a file (empty when it cannot be read), and the files
// below a folder, sorted (none when it does not exist).
std::string ReadFile(const std::filesystem::path& path);
std::vector<std::filesystem::path> FilesBelow(const std::filesystem::path& folder);
// The files directly in `folder` (none of its sub-folders'), sorted.
std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& folder);

// The dialogs shown, by name in order, and the texts each showed.
void CheckDialogs(const Expectations& expect, const std::vector<ShownDialog>& shown,
                  std::vector<std::string>& failures);
// The requests the service received: operations in order, chosen values.
void CheckRequests(const Expectations& expect,
                   const std::vector<receiptservice::ReceivedRequest>& received,
                   std::vector<std::string>& failures);
// The queue files in the host folder's VeskRcpts/Queue, some of them copies
// of requests the service received.
void CheckQueue(const Expectations& expect, const std::filesystem::path& folder,
                const std::vector<receiptservice::ReceivedRequest>& received,
                std::vector<std::string>& failures);
// Business-object values right after event `afterEvent` (from 1), or after
// the run (0): the expectations given for that moment.
void CheckObjects(const Expectations& expect, BusinessObjectStore& store,
                  std::vector<std::string>& failures, int afterEvent = 0);
// The current document (handle 0) as it stands: its kind and a copy of its
// current record; nothing when the host has none.
struct DocumentState {
  int32_t kind = 0;
  BORecord record;
};
std::optional<DocumentState> CurrentDocument(BusinessObjectStore& store);
// The document after each event (`afterEvents[n - 1]` after event n).
void CheckDocument(const Expectations& expect,
                   const std::vector<std::optional<DocumentState>>& afterEvents,
                   BusinessObjectStore& store, std::vector<std::string>& failures);
// Rows of queries on the database copy, right after event `afterEvent`
// (from 1) or after the run (0).
void CheckQueries(const Expectations& expect, HostDatabase& database,
                  std::vector<std::string>& failures, int afterEvent = 0);
// The settings files of the host folder's VeskRcpts/: values, lines present
// or absent, and files left as staged (`staged`: file name -> text written).
void CheckSettings(const Expectations& expect, const std::filesystem::path& folder,
                   const std::map<std::string, std::string>& staged,
                   std::vector<std::string>& failures);
// Lines of the application log, and no full card number in any file the
// plug-in wrote (logs/ and VeskRcpts/).
void CheckFiles(const Expectations& expect, const std::filesystem::path& folder,
                std::vector<std::string>& failures);

}  // namespace hostsim
