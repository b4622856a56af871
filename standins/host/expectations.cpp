#include "expectations.h"

#include <pugixml.hpp>

#include <fnmatch.h>

#include <algorithm>
#include <fstream>
#include <optional>
#include <regex>
#include <sstream>

#include "platform/text.h"
#include "receipt/card_masking.h"

namespace fs = std::filesystem;

namespace hostsim {

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

std::vector<fs::path> FilesIn(const fs::path& folder) {
  std::vector<fs::path> files;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

namespace {

std::string Joined(const std::vector<std::string>& texts) {
  std::string joined;
  for (const std::string& text : texts) joined += (joined.empty() ? "" : ", ") + text;
  return joined;
}

// The lines of a text, without their CR LF, LF or CR ends.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') {
      line += text[i];
      continue;
    }
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    lines.push_back(std::move(line));
    line.clear();
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

// The value of the first `key` in `section` of a settings file's lines,
// names compared without regard to case, names and values trimmed.
std::optional<std::string> SettingsValue(const std::vector<std::string>& lines,
                                         const std::string& section, const std::string& key) {
  const std::string wantedSection = platform::UpperAscii(section);
  const std::string wantedKey = platform::UpperAscii(key);
  bool inSection = false;
  for (const std::string& line : lines) {
    const std::string_view text = platform::Trim(line);
    if (text.starts_with('[') && text.ends_with(']')) {
      inSection =
          platform::UpperAscii(platform::Trim(text.substr(1, text.size() - 2))) == wantedSection;
    } else if (inSection && !text.starts_with(';')) {
      const size_t equals = text.find('=');
      if (equals != std::string_view::npos &&
          platform::UpperAscii(platform::Trim(text.substr(0, equals))) == wantedKey) {
        return std::string(platform::Trim(text.substr(equals + 1)));
      }
    }
  }
  return std::nullopt;
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
    for (const std::string& text : wanted[i].starting) {
      if (std::none_of(shown[i].texts.begin(), shown[i].texts.end(),
                       [&](const std::string& t) { return t.starts_with(text); })) {
        failures.push_back("dialogs (" + expect.dialogsPlace.Text() + "): dialog \"" +
                           wanted[i].name + "\" showed no text beginning \"" + text + "\"");
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
    const std::string& body = received[i].body;
    const std::string which =
        "requests (" + expect.requestsPlace.Text() + "): request " + std::to_string(i + 1);
    if (wanted[i].wellFormed) {
      pugi::xml_document document;
      if (const pugi::xml_parse_result parsed = document.load_string(body.c_str()); !parsed) {
        failures.push_back(which + " is not well-formed XML: " + parsed.description());
      }
    }
    for (const std::string& text : wanted[i].contains) {
      if (body.find(text) == std::string::npos) {
        failures.push_back(which + " does not hold \"" + text + "\"");
      }
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
                const std::vector<receiptservice::ReceivedRequest>& received,
                std::vector<std::string>& failures) {
  // The queue is the files of the queue folder itself: its set-aside folder
  // (where the one beside it cannot be used) holds none of them.
  const std::vector<fs::path> files = FilesIn(folder / "VeskRcpts" / "Queue");
  if (expect.queueCount && static_cast<size_t>(*expect.queueCount) != files.size()) {
    failures.push_back("queue (" + expect.queuePlace.Text() + "): " + std::to_string(files.size()) +
                       " queue files, expected " + std::to_string(*expect.queueCount));
  }
  for (const fs::path& file : files) {
    if (!file.filename().string().ends_with(expect.queueSuffix)) {
      failures.push_back("queue (" + expect.queuePlace.Text() + "): " + file.filename().string() +
                         " does not end with " + expect.queueSuffix);
    }
  }
  if (expect.queueCopiesOfReceived) {
    const auto copies = std::count_if(files.begin(), files.end(), [&](const fs::path& file) {
      const std::string text = ReadFile(file);
      return std::any_of(received.begin(), received.end(),
                         [&](const receiptservice::ReceivedRequest& r) {
                           // The queue writer ends every file with a line break.
                           return text == r.body + "\r\n";
                         });
    });
    if (copies != *expect.queueCopiesOfReceived) {
      failures.push_back("queue (" + expect.queuePlace.Text() + "): " + std::to_string(copies) +
                         " queue files hold a request the service received, expected " +
                         std::to_string(*expect.queueCopiesOfReceived));
    }
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
                  std::vector<std::string>& failures, int afterEvent) {
  for (const ObjectExpectation& wanted : expect.objects) {
    if (wanted.afterEvent != afterEvent) continue;
    BusinessObject view(wanted.kind, store.Table(wanted.kind), store.KnownNames(wanted.kind));
    std::string where;
    for (const auto& [name, value] : wanted.match) {
      view.SetFilter(name, Variant(value));
      where += (where.empty() ? "" : ", ") + name + " = " + value;
    }
    view.Open();
    const std::string what = KindName(wanted.kind) + " [" + where + "]" +
                             (afterEvent > 0 ? " after event " + std::to_string(afterEvent) : "") +
                             " (" + wanted.place.Text() + ")";
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

std::optional<DocumentState> CurrentDocument(BusinessObjectStore& store) {
  const BusinessObject* document = store.Find(0);
  const BORecord* current = document != nullptr ? document->Current() : nullptr;
  if (current == nullptr) return std::nullopt;
  return DocumentState{document->Kind(), *current};
}

void CheckDocument(const Expectations& expect,
                   const std::vector<std::optional<DocumentState>>& afterEvents,
                   BusinessObjectStore& store, std::vector<std::string>& failures) {
  for (const DocumentExpectation& wanted : expect.document) {
    const size_t event =
        wanted.afterEvent > 0 ? static_cast<size_t>(wanted.afterEvent) : afterEvents.size();
    const std::string what =
        "document after event " + std::to_string(event) + " (" + wanted.place.Text() + ")";
    if (event == 0 || event > afterEvents.size() || !afterEvents[event - 1]) {
      failures.push_back(what + ": the host had no current document");
      continue;
    }
    // Read as the plug-in reads it: Empty for a name the kind does not know.
    const DocumentState& state = *afterEvents[event - 1];
    BusinessObject view(
        state.kind,
        std::make_shared<RecordList>(RecordList{std::make_shared<BORecord>(state.record)}),
        store.KnownNames(state.kind));
    view.Open();
    for (const auto& [name, value] : wanted.values) {
      const std::string got = ValueText(view.Read(name));
      if (got != value) {
        failures.push_back(what + ": " + KindName(state.kind) + " has " + name + " \"" + got +
                           "\", expected \"" + value + "\"");
      }
    }
  }
}

void CheckQueries(const Expectations& expect, HostDatabase& database,
                  std::vector<std::string>& failures, int afterEvent) {
  for (const QueryExpectation& wanted : expect.queries) {
    if (wanted.afterEvent != afterEvent) continue;
    const std::string when =
        afterEvent > 0 ? " after event " + std::to_string(afterEvent) : std::string();
    try {
      const auto rows = database.Query(wanted.sql);
      if (rows != wanted.rows) {
        std::string got;
        for (const auto& row : rows) got += " [" + Joined(row) + "]";
        failures.push_back("query (" + wanted.place.Text() + ") \"" + wanted.sql + "\"" + when +
                           " gave" + (got.empty() ? std::string(" no rows") : got));
      }
    } catch (const std::exception& error) {
      failures.push_back("query (" + wanted.place.Text() + ") \"" + wanted.sql + "\"" + when +
                         " failed: " + error.what());
    }
  }
}

void CheckSettings(const Expectations& expect, const fs::path& folder,
                   const std::map<std::string, std::string>& staged,
                   std::vector<std::string>& failures) {
  for (const SettingsExpectation& wanted : expect.settings) {
    const std::string what = "settings (" + wanted.place.Text() + "): " + wanted.file;
    // A name with wildcards stands for the one file it fits.
    std::vector<fs::path> fitting;
    for (const fs::path& file : FilesBelow(folder / "VeskRcpts")) {
      if (file.parent_path() == folder / "VeskRcpts" &&
          ::fnmatch(wanted.file.c_str(), file.filename().c_str(), 0) == 0) {
        fitting.push_back(file);
      }
    }
    if (fitting.size() != 1) {
      failures.push_back(what + (fitting.empty() ? " does not exist" : " fits several files"));
      continue;
    }
    const fs::path& path = fitting.front();
    const std::string text = ReadFile(path);
    if (wanted.unchanged) {
      auto it = staged.find(wanted.file);
      if (it == staged.end()) {
        failures.push_back(what + " was not staged, so it cannot be unchanged");
      } else if (it->second != text) {
        failures.push_back(what + " changed:\n" + text);
      }
    }
    const std::vector<std::string> lines = Lines(text);
    for (const auto& [section, keys] : wanted.values) {
      for (const auto& [key, value] : keys) {
        const std::string got = SettingsValue(lines, section, key).value_or("(missing)");
        if (got != value) {
          failures.push_back(what + " has [" + section + "] " + key + " \"" + got +
                             "\", expected \"" + value + "\"");
        }
      }
    }
    auto present = [&](const std::string& line) {
      return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    for (const std::string& line : wanted.has) {
      if (!present(line)) failures.push_back(what + " lacks the line \"" + line + "\"");
    }
    for (const std::string& line : wanted.lacks) {
      if (present(line)) failures.push_back(what + " holds the line \"" + line + "\"");
    }
    for (const std::string& part : wanted.contains) {
      if (text.find(part) == std::string::npos) {
        failures.push_back(what + " does not hold \"" + part + "\"");
      }
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
  for (const std::string& text : expect.logOnce) {
    size_t count = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++count;
    if (count != 1) {
      failures.push_back("log (" + expect.logPlace.Text() + "): " + std::to_string(count) +
                         " lines hold \"" + text + "\", expected one");
    }
  }
  // No file the plug-in wrote may hold a full card number. A queue file's
  // name ("Q-" + a 17-digit time stamp + "_") is left out: its stamp passes
  // the card-number check one time in ten.
  static const std::regex queueFileName("Q-[0-9]{17}_");
  for (const char* area : {"logs", "VeskRcpts"}) {
    for (const fs::path& file : FilesBelow(folder / area)) {
      const std::string text = std::regex_replace(ReadFile(file), queueFileName, "Q-_");
      if (receipt::MaskCardNumbers(text) != text) {
        failures.push_back("a full card number is written in " +
                           fs::relative(file, folder).string());
      }
    }
  }
}

}  // namespace hostsim
