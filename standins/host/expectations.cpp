#include "expectations.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "receipt/card_masking.h"

namespace fs = std::filesystem;

namespace hostsim {

namespace {

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::vector<fs::path> FilesBelow(const fs::path& folder) {
  std::vector<fs::path> files;
  std::error_code error;
  if (!fs::is_directory(folder, error)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(folder, error)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string Joined(const std::vector<std::string>& texts) {
  std::string joined;
  for (const std::string& text : texts) joined += (joined.empty() ? "" : ", ") + text;
  return joined;
}

}  // namespace

void CheckDialogs(const Expectations& expect, const std::vector<ShownDialog>& shown,
                  std::vector<std::string>& failures) {
  if (!expect.dialogs) return;
  const auto& wanted = *expect.dialogs;
  std::vector<std::string> names;
  for (const ShownDialog& dialog : shown) names.push_back(dialog.className);
  if (shown.size() != wanted.size()) {
    failures.push_back("dialogs (" + expect.dialogsPlace.Text() +
                       "): " + std::to_string(shown.size()) + " shown [" + Joined(names) + "], " +
                       std::to_string(wanted.size()) + " expected");
  }
  for (size_t i = 0; i < std::min(shown.size(), wanted.size()); ++i) {
    if (!shown[i].Named(wanted[i].name)) {
      failures.push_back("dialogs (" + expect.dialogsPlace.Text() + "): dialog " +
                         std::to_string(i + 1) + " is " + shown[i].className + " \"" +
                         shown[i].title + "\", expected \"" + wanted[i].name + "\"");
      continue;
    }
    for (const std::string& text : wanted[i].texts) {
      if (std::find(shown[i].texts.begin(), shown[i].texts.end(), text) == shown[i].texts.end()) {
        failures.push_back("dialogs (" + expect.dialogsPlace.Text() + "): dialog \"" +
                           wanted[i].name + "\" did not show \"" + text + "\"");
      }
    }
  }
}

void CheckRequests(const Expectations& expect,
                   const std::vector<receiptservice::ReceivedRequest>& received,
                   std::vector<std::string>& failures) {
  if (!expect.requests) return;
  const auto& wanted = *expect.requests;
  std::vector<std::string> names;
  for (const auto& request : received)
    names.push_back(receiptservice::OperationName(request.operation));
  if (received.size() != wanted.size()) {
    failures.push_back("requests (" + expect.requestsPlace.Text() + "): the service received " +
                       std::to_string(received.size()) + " [" + Joined(names) + "], " +
                       std::to_string(wanted.size()) + " expected");
  }
  for (size_t i = 0; i < std::min(received.size(), wanted.size()); ++i) {
    if (names[i] != wanted[i].operation) {
      failures.push_back("requests (" + expect.requestsPlace.Text() + "): request " +
                         std::to_string(i + 1) + " is " + names[i] + ", expected " +
                         wanted[i].operation);
      continue;
    }
    for (const auto& [element, value] : wanted[i].values) {
      const std::string got = receiptservice::RequestValue(received[i].body, element);
      if (got != value) {
        failures.push_back("requests (" + expect.requestsPlace.Text() + "): request " +
                           std::to_string(i + 1) + " has " + element + " \"" + got +
                           "\", expected \"" + value + "\"");
      }
    }
  }
}

void CheckQueue(const Expectations& expect, const fs::path& folder,
                std::vector<std::string>& failures) {
  const std::vector<fs::path> files = FilesBelow(folder / "VeskRcpts" / "Queue");
  if (expect.queueCount && static_cast<size_t>(*expect.queueCount) != files.size()) {
    failures.push_back("queue (" + expect.queuePlace.Text() + "): " + std::to_string(files.size()) +
                       " queue files, expected " + std::to_string(*expect.queueCount));
  }
  for (const std::string& text : expect.queueContains) {
    bool found = std::any_of(files.begin(), files.end(), [&](const fs::path& file) {
      return ReadFile(file).find(text) != std::string::npos;
    });
    if (!found) {
      failures.push_back("queue (" + expect.queuePlace.Text() + "): no queue file contains \"" +
                         text + "\"");
    }
  }
}

void CheckObjects(const Expectations& expect, BusinessObjectStore& store,
                  std::vector<std::string>& failures) {
  for (const ObjectExpectation& wanted : expect.objects) {
    BusinessObject view(wanted.kind, store.Table(wanted.kind), store.KnownNames(wanted.kind));
    std::string where;
    for (const auto& [name, value] : wanted.match) {
      view.SetFilter(name, Variant(value));
      where += (where.empty() ? "" : ", ") + name + " = " + value;
    }
    view.Open();
    const std::string what =
        KindName(wanted.kind) + " [" + where + "] (" + wanted.place.Text() + ")";
    if (view.AtEnd()) {
      failures.push_back("objects: no " + what);
      continue;
    }
    for (const auto& [name, value] : wanted.values) {
      const std::string got = ValueText(view.Read(name));
      if (got != value) {
        failures.push_back("objects: " + what + " has " + name + " \"" + got + "\", expected \"" +
                           value + "\"");
      }
    }
  }
}

void CheckQueries(const Expectations& expect, HostDatabase& database,
                  std::vector<std::string>& failures) {
  for (const QueryExpectation& wanted : expect.queries) {
    try {
      const auto rows = database.Query(wanted.sql);
      if (rows != wanted.rows) {
        std::string got;
        for (const auto& row : rows) got += " [" + Joined(row) + "]";
        failures.push_back("query (" + wanted.place.Text() + ") \"" + wanted.sql + "\" gave" +
                           (got.empty() ? std::string(" no rows") : got));
      }
    } catch (const std::exception& error) {
      failures.push_back("query (" + wanted.place.Text() + ") \"" + wanted.sql +
                         "\" failed: " + error.what());
    }
  }
}

void CheckFiles(const Expectations& expect, const fs::path& folder,
                std::vector<std::string>& failures) {
  std::string log;
  for (const fs::path& file : FilesBelow(folder / "logs")) log += ReadFile(file);
  for (const std::string& text : expect.logContains) {
    if (log.find(text) == std::string::npos) {
      failures.push_back("log (" + expect.logPlace.Text() + "): no line holds \"" + text + "\"");
    }
  }
  for (const std::string& text : expect.logLacks) {
    if (log.find(text) != std::string::npos) {
      failures.push_back("log (" + expect.logPlace.Text() + "): a line holds \"" + text + "\"");
    }
  }
  // No file the plug-in wrote may hold a full card number.
  for (const char* area : {"logs", "VeskRcpts"}) {
    for (const fs::path& file : FilesBelow(folder / area)) {
      const std::string text = ReadFile(file);
      if (receipt::MaskCardNumbers(text) != text) {
        failures.push_back("a full card number is written in " +
                           fs::relative(file, folder).string());
      }
    }
  }
}

}  // namespace hostsim
