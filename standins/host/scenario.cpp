#include "scenario.h"

#include <yaml-cpp/yaml.h>

#include <cctype>
#include <charconv>
#include <fstream>
#include <functional>
#include <sstream>

#include "platform/com/ole_date.h"

namespace hostsim {

ScenarioError::ScenarioError(const std::string& file, int line, int column,
                             const std::string& message)
    : std::runtime_error(
          file +
          (line > 0 ? ":" + std::to_string(line) + ":" + std::to_string(column) : std::string()) +
          ": " + message) {}

const char* EventName(EventKind kind) {
  switch (kind) {
    case EventKind::BeforeUpdate:
      return "before update";
    case EventKind::AfterUpdate:
      return "after update";
    case EventKind::Print:
      return "print";
    case EventKind::SideButton:
      return "side button";
    case EventKind::UIEvent:
      return "ui event";
    case EventKind::Configure:
      return "configure";
    case EventKind::Value:
      return "value";
  }
  return "?";
}

namespace {

// Reads one scenario, reporting every fault at the node it concerns.
class Reader {
 public:
  explicit Reader(std::string file) : file_(std::move(file)) {}

  [[noreturn]] void Fail(const YAML::Node& node, const std::string& message) const {
    const YAML::Mark mark = node.Mark();
    if (mark.is_null()) throw ScenarioError(file_, 0, 0, message);
    throw ScenarioError(file_, mark.line + 1, mark.column + 1, message);
  }

  Place At(const YAML::Node& node) const { return Place{node.Mark().line + 1}; }

  // Walks a mapping: `fields` names the keys it accepts; any other key is
  // refused at its place.
  void Map(const YAML::Node& node, const std::string& what,
           const std::map<std::string, std::function<void(const YAML::Node&)>>& fields) const {
    if (!node.IsMap()) Fail(node, what + " must be a mapping");
    for (const auto& entry : node) {
      const std::string key = Key(entry.first);
      auto it = fields.find(key);
      if (it == fields.end()) {
        std::string known;
        for (const auto& [name, reader] : fields) known += (known.empty() ? "" : ", ") + name;
        Fail(entry.first, "unknown key \"" + key + "\" in " + what + " (known: " + known + ")");
      }
      it->second(entry.second);
    }
  }

  std::string Key(const YAML::Node& node) const {
    if (!node.IsScalar()) Fail(node, "a key must be a plain word");
    return node.Scalar();
  }

  std::string Text(const YAML::Node& node, const std::string& what) const {
    if (!node.IsScalar()) Fail(node, what + " must be a text");
    return node.Scalar();
  }

  int64_t Integer(const YAML::Node& node, const std::string& what) const {
    if (node.IsScalar()) {
      const std::string& text = node.Scalar();
      int64_t value = 0;
      auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
      if (error == std::errc() && end == text.data() + text.size()) return value;
    }
    Fail(node, what + " must be a whole number");
  }

  bool Bool(const YAML::Node& node, const std::string& what) const {
    if (node.IsScalar()) {
      const std::string& text = node.Scalar();
      if (text == "true" || text == "yes") return true;
      if (text == "false" || text == "no") return false;
    }
    Fail(node, what + " must be true or false");
  }

  std::vector<std::string> Texts(const YAML::Node& node, const std::string& what) const {
    if (!node.IsSequence()) Fail(node, what + " must be a list");
    std::vector<std::string> texts;
    for (const auto& item : node) texts.push_back(Text(item, "an entry of " + what));
    return texts;
  }

  std::map<std::string, std::string> TextMap(const YAML::Node& node,
                                             const std::string& what) const {
    if (!node.IsMap()) Fail(node, what + " must be a mapping");
    std::map<std::string, std::string> result;
    for (const auto& entry : node) {
      result[Key(entry.first)] = Text(entry.second, "the value of \"" + Key(entry.first) + "\"");
    }
    return result;
  }

  // A scalar as the host would hold it: quoted text stays text; a plain
  // scalar is Null (~, null or nothing), a Boolean, a whole or decimal
  // number, a date ("2024-05-02" or "2024-05-02 10:15:00") or text.
  Variant Value(const YAML::Node& node, const std::string& what) const {
    if (node.IsNull()) return Variant::Null();
    if (!node.IsScalar()) Fail(node, what + " must be a single value");
    const std::string& text = node.Scalar();
    if (node.Tag() == "!") return Variant(text);
    if (text == "true") return Variant(true);
    if (text == "false") return Variant(false);
    const char* begin = text.data();
    const char* end = begin + text.size();
    int64_t whole = 0;
    if (auto [stop, error] = std::from_chars(begin, end, whole);
        error == std::errc() && stop == end && !text.empty()) {
      if (whole >= INT32_MIN && whole <= INT32_MAX) return Variant(static_cast<int32_t>(whole));
      return Variant(whole);
    }
    double number = 0;
    if (auto [stop, error] = std::from_chars(begin, end, number);
        error == std::errc() && stop == end && !text.empty()) {
      return Variant(number);
    }
    if (text.size() >= 10 && text[4] == '-' && std::isdigit(static_cast<unsigned char>(text[0]))) {
      if (std::optional<double> date = ParseOleDate(text)) return Variant::Date(*date);
    }
    return Variant(text);
  }

  // A host record of `kind`: single values are attributes; a list under a
  // reference name holds the related records, a mapping one related record.
  RecordPtr Record(const YAML::Node& node, int32_t kind, const std::string& what) const {
    if (!node.IsMap()) Fail(node, what + " must be a mapping of attributes");
    auto record = std::make_shared<BORecord>();
    for (const auto& entry : node) {
      const std::string name = Key(entry.first);
      const YAML::Node& value = entry.second;
      if (value.IsSequence() || value.IsMap()) {
        std::optional<int32_t> childKind = KindOfReference(kind, name);
        if (!childKind) {
          Fail(entry.first, "a " + KindName(kind) + " has no related records \"" + name + "\"");
        }
        RecordList& children = record->children[name];
        if (value.IsMap()) {
          children.push_back(Record(value, *childKind, "\"" + name + "\""));
        } else {
          for (const auto& item : value) {
            children.push_back(Record(item, *childKind, "an entry of \"" + name + "\""));
          }
        }
      } else {
        record->attributes[name] = Value(value, "attribute \"" + name + "\"");
      }
    }
    return record;
  }

  // The number of the event an expectation is checked after, from 1.
  int AfterEvent(const YAML::Node& node) const {
    const int64_t event = Integer(node, "after event");
    if (event < 1 || event > INT32_MAX) Fail(node, "events are numbered from 1");
    return static_cast<int>(event);
  }

  int32_t Kind(const YAML::Node& node) const {
    std::optional<int32_t> kind = KindFromName(Text(node, "a kind"));
    if (!kind) Fail(node, "unknown kind \"" + node.Scalar() + "\"");
    return *kind;
  }

  receiptservice::Answer Answer(const YAML::Node& node) const {
    receiptservice::Answer answer;
    auto kind = [&](const YAML::Node& name) {
      if (!receiptservice::AnswerKindFromName(Text(name, "an answer"), answer.kind)) {
        Fail(name, "unknown answer \"" + name.Scalar() + "\"");
      }
    };
    if (node.IsScalar()) {
      kind(node);
      return answer;
    }
    Map(node, "an answer",
        {{"kind", kind},
         {"authenticated",
          [&](const YAML::Node& v) { answer.authenticated = Bool(v, "authenticated"); }},
         {"digital default",
          [&](const YAML::Node& v) { answer.digitalDefault = Bool(v, "digital default"); }},
         {"temporary id",
          [&](const YAML::Node& v) { answer.temporaryId = Bool(v, "temporary id"); }},
         {"customer id", [&](const YAML::Node& v) { answer.customerId = Text(v, "customer id"); }},
         {"stall ms",
          [&](const YAML::Node& v) {
            answer.stall = std::chrono::milliseconds(Integer(v, "stall ms"));
          }},
         {"garbage bytes", [&](const YAML::Node& v) {
            const int64_t bytes = Integer(v, "garbage bytes");
            if (bytes < 0 || bytes > (int64_t{1} << 30)) Fail(v, "garbage bytes: 0 to 1 GiB");
            answer.garbageBytes = static_cast<size_t>(bytes);
          }}});
    return answer;
  }

  std::string SettingsText(const YAML::Node& node) const {
    if (node.IsScalar()) return node.Scalar();
    if (!node.IsMap()) Fail(node, "a settings file is a text or a mapping of sections");
    std::string text;
    for (const auto& section : node) {
      text += "[" + Key(section.first) + "]\n";
      for (const auto& [key, value] : TextMap(section.second, "a section")) {
        text += key + "=" + value + "\n";
      }
    }
    return text;
  }

  std::vector<SettingsFile> SettingsFiles(const YAML::Node& v) const {
    if (!v.IsMap()) Fail(v, "settings must map file names to their contents");
    std::vector<SettingsFile> files;
    for (const auto& entry : v) {
      const std::string name = Key(entry.first);
      if (name.find('/') != std::string::npos || name == ".." || name == ".") {
        Fail(entry.first, "a settings file is named without folders");
      }
      files.push_back({name, SettingsText(entry.second)});
    }
    return files;
  }

  StagedRecord Document(const YAML::Node& v) const {
    if (!v.IsMap() || v.size() != 1) {
      Fail(v, "document holds one entry: invoice, sales order or deposit");
    }
    const auto entry = *v.begin();
    const int32_t kind = Kind(entry.first);
    if (kind != kKindInvoice && kind != kKindSalesOrder && kind != kKindDeposit) {
      Fail(entry.first, "the document is an invoice, a sales order or a deposit");
    }
    return {kind, Record(entry.second, kind, "the document")};
  }

  EventEntry Event(const YAML::Node& node) const {
    EventEntry event;
    event.place = At(node);
    auto kind = [&](const YAML::Node& name) {
      const std::string text = Text(name, "an event");
      for (EventKind k :
           {EventKind::BeforeUpdate, EventKind::AfterUpdate, EventKind::Print,
            EventKind::SideButton, EventKind::UIEvent, EventKind::Configure, EventKind::Value}) {
        if (text == EventName(k)) {
          event.kind = k;
          return;
        }
      }
      Fail(name, "unknown event \"" + text + "\"");
    };
    if (node.IsScalar()) {
      kind(node);
      return event;
    }
    bool named = false;
    Map(node, "an event",
        {{"event",
          [&](const YAML::Node& v) {
            kind(v);
            named = true;
          }},
         {"caption", [&](const YAML::Node& v) { event.name = Text(v, "caption"); }},
         {"type", [&](const YAML::Node& v) { event.name = Text(v, "type"); }},
         {"name", [&](const YAML::Node& v) { event.name = Text(v, "name"); }},
         {"document", [&](const YAML::Node& v) { event.printDocument = Text(v, "document"); }},
         {"slips", [&](const YAML::Node& v) { event.slips = Texts(v, "slips"); }},
         {"answer", [&](const YAML::Node& v) { event.answers = {Bool(v, "answer")}; }},
         {"answers",
          [&](const YAML::Node& v) {
            if (!v.IsSequence()) Fail(v, "answers must be a list");
            for (const auto& item : v) event.answers.push_back(Bool(item, "an answer"));
          }},
         {"receipt message",
          [&](const YAML::Node& v) { event.receiptMessage = Text(v, "receipt message"); }},
         {"settings", [&](const YAML::Node& v) { event.settings = SettingsFiles(v); }},
         {"next document", [&](const YAML::Node& v) { event.nextDocument = Document(v); }},
         {"refuse connections",
          [&](const YAML::Node& v) { event.refuseConnections = Bool(v, "refuse connections"); }},
         {"queue service",
          [&](const YAML::Node& v) { event.runQueueService = QueueServiceStep(v); }}});
    if (!named && !event.runQueueService) {
      Fail(node, "an event needs \"event\" (or only host steps with \"queue service\")");
    }
    event.fires = named;
    return event;
  }

  // "queue service: run", the one step the queue service takes.
  bool QueueServiceStep(const YAML::Node& node) const {
    if (Text(node, "queue service") != "run") Fail(node, "queue service must be \"run\"");
    return true;
  }

  HostFault Fault(const YAML::Node& node) const {
    HostFault fault;
    Map(node, "a fault",
        {{"operation",
          [&](const YAML::Node& v) {
            fault.operation = Text(v, "operation");
            static const std::set<std::string> kOperations = {
                "post", "filter", "stray filter", "read", "open", "edit", "insert"};
            if (kOperations.count(fault.operation) == 0) {
              Fail(v, "unknown operation \"" + fault.operation + "\"");
            }
          }},
         {"kind", [&](const YAML::Node& v) { fault.kind = Kind(v); }},
         {"attribute", [&](const YAML::Node& v) { fault.attribute = Text(v, "attribute"); }},
         {"code",
          [&](const YAML::Node& v) { fault.code = static_cast<int32_t>(Integer(v, "code")); }},
         {"text", [&](const YAML::Node& v) { fault.text = Text(v, "text"); }},
         {"function", [&](const YAML::Node& v) { fault.function = Text(v, "function"); }}});
    if (fault.operation.empty()) Fail(node, "a fault needs \"operation\"");
    return fault;
  }

  void Expect(const YAML::Node& node, Expectations& expect) const {
    Map(node, "expect",
        {{"dialogs",
          [&](const YAML::Node& v) {
            expect.dialogsPlace = At(v);
            if (!v.IsSequence()) Fail(v, "dialogs must be a list");
            expect.dialogs.emplace();
            for (const auto& item : v) {
              DialogExpectation dialog;
              if (item.IsScalar()) {
                dialog.name = item.Scalar();
              } else {
                Map(item, "a dialog",
                    {{"name", [&](const YAML::Node& n) { dialog.name = Text(n, "name"); }},
                     {"texts", [&](const YAML::Node& n) { dialog.texts = Texts(n, "texts"); }},
                     {"starting",
                      [&](const YAML::Node& n) { dialog.starting = Texts(n, "starting"); }}});
              }
              expect.dialogs->push_back(dialog);
            }
          }},
         {"requests",
          [&](const YAML::Node& v) {
            expect.requestsPlace = At(v);
            if (!v.IsSequence()) Fail(v, "requests must be a list");
            expect.requests.emplace();
            for (const auto& item : v) {
              RequestExpectation request;
              if (item.IsScalar()) {
                request.operation = item.Scalar();
              } else {
                Map(item, "a request",
                    {{"operation",
                      [&](const YAML::Node& n) { request.operation = Text(n, "operation"); }},
                     {"values",
                      [&](const YAML::Node& n) { request.values = TextMap(n, "values"); }},
                     {"contains",
                      [&](const YAML::Node& n) { request.contains = Texts(n, "contains"); }},
                     {"well formed",
                      [&](const YAML::Node& n) { request.wellFormed = Bool(n, "well formed"); }}});
              }
              expect.requests->push_back(request);
            }
          }},
         {"queue",
          [&](const YAML::Node& v) {
            expect.queuePlace = At(v);
            Map(v, "queue",
                {{"count",
                  [&](const YAML::Node& n) {
                    expect.queueCount = static_cast<int>(Integer(n, "count"));
                  }},
                 {"contain",
                  [&](const YAML::Node& n) { expect.queueContains = Texts(n, "contain"); }},
                 {"name ends",
                  [&](const YAML::Node& n) { expect.queueSuffix = Text(n, "name ends"); }},
                 {"copies of received", [&](const YAML::Node& n) {
                    expect.queueCopiesOfReceived =
                        static_cast<int>(Integer(n, "copies of received"));
                  }}});
          }},
         {"objects",
          [&](const YAML::Node& v) {
            if (!v.IsSequence()) Fail(v, "objects must be a list");
            for (const auto& item : v) {
              ObjectExpectation object;
              object.place = At(item);
              Map(item, "an object",
                  {{"after event", [&](const YAML::Node& n) { object.afterEvent = AfterEvent(n); }},
                   {"kind", [&](const YAML::Node& n) { object.kind = Kind(n); }},
                   {"where", [&](const YAML::Node& n) { object.match = TextMap(n, "where"); }},
                   {"values", [&](const YAML::Node& n) { object.values = TextMap(n, "values"); }}});
              if (object.kind == 0) Fail(item, "an object needs \"kind\"");
              expect.objects.push_back(object);
            }
          }},
         {"document",
          [&](const YAML::Node& v) {
            if (!v.IsSequence()) Fail(v, "document must be a list");
            for (const auto& item : v) {
              DocumentExpectation document;
              document.place = At(item);
              Map(item, "a document expectation",
                  {{"after event",
                    [&](const YAML::Node& n) { document.afterEvent = AfterEvent(n); }},
                   {"values",
                    [&](const YAML::Node& n) { document.values = TextMap(n, "values"); }}});
              if (document.values.empty()) Fail(item, "a document expectation needs \"values\"");
              expect.document.push_back(document);
            }
          }},
         {"queries",
          [&](const YAML::Node& v) {
            if (!v.IsSequence()) Fail(v, "queries must be a list");
            for (const auto& item : v) {
              QueryExpectation query;
              query.place = At(item);
              Map(item, "a query",
                  {{"after event", [&](const YAML::Node& n) { query.afterEvent = AfterEvent(n); }},
                   {"sql", [&](const YAML::Node& n) { query.sql = Text(n, "sql"); }},
                   {"rows", [&](const YAML::Node& n) {
                      if (!n.IsSequence()) Fail(n, "rows must be a list of lists");
                      for (const auto& row : n) {
                        if (!row.IsSequence()) Fail(row, "a row must be a list");
                        std::vector<std::string> cells;
                        for (const auto& cell : row) {
                          cells.push_back(cell.IsNull() ? "(null)" : Text(cell, "a cell"));
                        }
                        query.rows.push_back(cells);
                      }
                    }}});
              if (query.sql.empty()) Fail(item, "a query needs \"sql\"");
              expect.queries.push_back(query);
            }
          }},
         {"settings",
          [&](const YAML::Node& v) {
            if (!v.IsMap()) Fail(v, "settings must map file names to what they hold");
            for (const auto& entry : v) {
              SettingsExpectation file;
              file.place = At(entry.first);
              file.file = Key(entry.first);
              Map(entry.second, "a settings file",
                  {{"values",
                    [&](const YAML::Node& n) {
                      if (!n.IsMap()) Fail(n, "values must map sections to keys and values");
                      for (const auto& section : n) {
                        file.values[Key(section.first)] = TextMap(section.second, "a section");
                      }
                    }},
                   {"has", [&](const YAML::Node& n) { file.has = Texts(n, "has"); }},
                   {"lacks", [&](const YAML::Node& n) { file.lacks = Texts(n, "lacks"); }},
                   {"contains", [&](const YAML::Node& n) { file.contains = Texts(n, "contains"); }},
                   {"unchanged",
                    [&](const YAML::Node& n) { file.unchanged = Bool(n, "unchanged"); }}});
              expect.settings.push_back(file);
            }
          }},
         {"receipts",
          [&](const YAML::Node& v) {
            expect.receiptsPlace = At(v);
            expect.receipts = Texts(v, "receipts");
          }},
         {"received twice",
          [&](const YAML::Node& v) {
            for (const std::string& number : Texts(v, "received twice")) {
              if (!expect.receivedMoreThanOnce.emplace(number, 2).second) {
                Fail(v, "receipt \"" + number + "\" is named more than once");
              }
            }
          }},
         {"received more than once",
          [&](const YAML::Node& v) {
            if (!v.IsMap()) Fail(v, "received more than once must map receipt numbers to counts");
            for (const auto& entry : v) {
              const std::string number = Key(entry.first);
              const int64_t times = Integer(entry.second, "how many times a receipt is held");
              if (times < 2)
                Fail(entry.second, "a receipt received more than once is held 2 or more times");
              if (!expect.receivedMoreThanOnce.emplace(number, static_cast<int>(times)).second) {
                Fail(entry.first, "receipt \"" + number + "\" is named more than once");
              }
            }
          }},
         {"reprints",
          [&](const YAML::Node& v) {
            expect.reprintsPlace = At(v);
            expect.reprints = static_cast<int>(Integer(v, "reprints"));
          }},
         {"log", [&](const YAML::Node& v) {
            expect.logPlace = At(v);
            Map(v, "log",
                {{"contains",
                  [&](const YAML::Node& n) { expect.logContains = Texts(n, "contains"); }},
                 {"lacks", [&](const YAML::Node& n) { expect.logLacks = Texts(n, "lacks"); }},
                 {"once", [&](const YAML::Node& n) { expect.logOnce = Texts(n, "once"); }}});
          }}});
  }

  Scenario Read(const YAML::Node& root) const {
    Scenario scenario;
    scenario.file = file_;
    auto records = [&](int32_t kind) {
      return [&, kind](const YAML::Node& v) {
        if (!v.IsSequence()) Fail(v, "a list of " + KindName(kind) + " records is expected");
        for (const auto& item : v) {
          scenario.records.push_back({kind, Record(item, kind, "a " + KindName(kind))});
        }
      };
    };
    bool haveDocument = false;
    Map(root, "the scenario",
        {{"description",
          [&](const YAML::Node& v) { scenario.description = Text(v, "description"); }},
         {"switches", [&](const YAML::Node& v) { scenario.switches = Texts(v, "switches"); }},
         {"queue service",
          [&](const YAML::Node& v) { scenario.queueServiceAtEnd = QueueServiceStep(v); }},
         {"settings", [&](const YAML::Node& v) { scenario.settings = SettingsFiles(v); }},
         {"settings read only",
          [&](const YAML::Node& v) { scenario.settingsReadOnly = Bool(v, "settings read only"); }},
         {"preferences",
          [&](const YAML::Node& v) {
            if (!v.IsSequence()) Fail(v, "preferences must be a list");
            for (const auto& item : v) {
              PreferenceEntry preference;
              Map(item, "a preference",
                  {{"number",
                    [&](const YAML::Node& n) {
                      preference.number = static_cast<int32_t>(Integer(n, "number"));
                    }},
                   {"subsidiary",
                    [&](const YAML::Node& n) {
                      preference.subsidiary = static_cast<int32_t>(Integer(n, "subsidiary"));
                    }},
                   {"value", [&](const YAML::Node& n) { preference.value = Value(n, "value"); }}});
              scenario.preferences.push_back(preference);
            }
          }},
         {"customers", records(kKindCustomer)},
         {"invoices", records(kKindInvoice)},
         {"sales orders", records(kKindSalesOrder)},
         {"deposits", records(kKindDeposit)},
         {"document",
          [&](const YAML::Node& v) {
            scenario.document = Document(v);
            scenario.records.push_back(scenario.document);
            haveDocument = true;
          }},
         {"database",
          [&](const YAML::Node& v) {
            Map(v, "database",
                {{"rows",
                  [&](const YAML::Node& tables) {
                    if (!tables.IsMap()) Fail(tables, "rows map table names to lists of rows");
                    for (const auto& table : tables) {
                      if (!table.second.IsSequence()) Fail(table.second, "a list of rows");
                      for (const auto& row : table.second) {
                        if (!row.IsMap()) Fail(row, "a row maps column names to values");
                        TableRow added{Key(table.first), {}};
                        for (const auto& cell : row) {
                          added.columns.emplace_back(Key(cell.first),
                                                     Value(cell.second, "a column value"));
                        }
                        scenario.database.rows.push_back(added);
                      }
                    }
                  }},
                 {"logon refused",
                  [&](const YAML::Node& n) {
                    scenario.database.logonRefused = Bool(n, "logon refused");
                  }},
                 {"fail statement", [&](const YAML::Node& n) {
                    StatementFault fault;
                    Map(n, "fail statement",
                        {{"containing",
                          [&](const YAML::Node& f) { fault.containing = Text(f, "containing"); }},
                         {"code",
                          [&](const YAML::Node& f) {
                            fault.code = static_cast<int>(Integer(f, "code"));
                          }},
                         {"text", [&](const YAML::Node& f) { fault.text = Text(f, "text"); }}});
                    if (fault.containing.empty() || fault.code <= 0) {
                      Fail(n, "fail statement needs \"containing\" and a positive \"code\"");
                    }
                    scenario.database.failStatement = fault;
                  }}});
          }},
         {"service",
          [&](const YAML::Node& v) {
            Map(v, "service",
                {{"refuse",
                  [&](const YAML::Node& n) { scenario.service.refuse = Bool(n, "refuse"); }},
                 {"answers", [&](const YAML::Node& n) {
                    if (!n.IsSequence()) Fail(n, "answers must be a list");
                    for (const auto& item : n) scenario.service.answers.push_back(Answer(item));
                  }}});
          }},
         {"faults",
          [&](const YAML::Node& v) {
            if (!v.IsSequence()) Fail(v, "faults must be a list");
            for (const auto& item : v) scenario.hostFaults.push_back(Fault(item));
          }},
         {"events",
          [&](const YAML::Node& v) {
            if (!v.IsSequence()) Fail(v, "events must be a list");
            for (const auto& item : v) scenario.events.push_back(Event(item));
          }},
         {"cashier",
          [&](const YAML::Node& v) {
            Map(v, "cashier",
                {{"bound ms",
                  [&](const YAML::Node& n) {
                    scenario.dialogBoundMs = static_cast<int>(Integer(n, "bound ms"));
                    if (scenario.dialogBoundMs <= 0) Fail(n, "bound ms must be positive");
                  }},
                 {"dialogs", [&](const YAML::Node& n) {
                    if (!n.IsSequence()) Fail(n, "dialogs must be a list");
                    for (const auto& item : n) {
                      DialogEntry dialog;
                      dialog.place = At(item);
                      Map(item, "a dialog",
                          {{"dialog",
                            [&](const YAML::Node& d) { dialog.name = Text(d, "dialog"); }},
                           {"steps", [&](const YAML::Node& d) {
                              for (const std::string& step : Texts(d, "steps")) {
                                dialog.steps += step + "\n";
                              }
                            }}});
                      if (dialog.name.empty()) Fail(item, "a dialog needs \"dialog\"");
                      scenario.cashier.push_back(dialog);
                    }
                  }}});
          }},
         {"expect", [&](const YAML::Node& v) { Expect(v, scenario.expect); }}});
    if (!haveDocument && !scenario.events.empty()) {
      Fail(root, "a scenario with events needs a \"document\"");
    }
    for (const DocumentExpectation& document : scenario.expect.document) {
      if (scenario.events.empty() ||
          document.afterEvent > static_cast<int>(scenario.events.size())) {
        throw ScenarioError(file_, document.place.line, 0,
                            "the document is expected after an event the scenario does not have");
      }
    }
    const auto checkEvent = [&](int afterEvent, const Place& place, const char* what) {
      if (afterEvent > static_cast<int>(scenario.events.size())) {
        throw ScenarioError(file_, place.line, 0,
                            std::string(what) +
                                " is expected after an event the scenario does "
                                "not have");
      }
    };
    for (const ObjectExpectation& object : scenario.expect.objects) {
      checkEvent(object.afterEvent, object.place, "an object");
    }
    for (const QueryExpectation& query : scenario.expect.queries) {
      checkEvent(query.afterEvent, query.place, "a query");
    }
    return scenario;
  }

 private:
  std::string file_;
};

}  // namespace

Scenario ParseScenario(const std::string& text, const std::string& file) {
  YAML::Node root;
  try {
    root = YAML::Load(text);
  } catch (const YAML::ParserException& error) {
    throw ScenarioError(file, error.mark.line + 1, error.mark.column + 1, error.msg);
  }
  if (!root.IsMap()) throw ScenarioError(file, 1, 1, "the scenario must be a mapping");
  return Reader(file).Read(root);
}

Scenario ReadScenario(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ScenarioError(path, 0, 0, "cannot read the file");
  std::ostringstream text;
  text << in.rdbuf();
  return ParseScenario(text.str(), path);
}

}  // namespace hostsim
