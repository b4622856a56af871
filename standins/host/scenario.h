#pragma once
// A scenario: one sale staged in the simulated host, read from a YAML file.
// It gives the settings files, the host's records and preferences, the rows
// added to the host database, the receipt service's answers, faults to
// inject, the events to fire, the cashier's steps in each dialog and what
// must hold afterwards. README.md ("Scenario files") describes the format.
//
// ReadScenario refuses an unknown key, a value of the wrong type and broken
// YAML with a ScenarioError naming the file, line and column.

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "business_objects.h"
#include "host_adapter.h"
#include "receipt_service.h"

namespace hostsim {

class ScenarioError : public std::runtime_error {
 public:
  // `line` and `column` count from 1; 0 when the place is not known.
  ScenarioError(const std::string& file, int line, int column, const std::string& message);
};

// Where a scenario entry stands, for messages about it.
struct Place {
  int line = 0;
  std::string Text() const { return "scenario line " + std::to_string(line); }
};

struct SettingsFile {
  std::string name;  // file name inside VeskRcpts/
  std::string text;  // "${SERVICE_URL}" and "${HOST_FOLDER}" are replaced
};

struct PreferenceEntry {
  int32_t number = 0;
  int32_t subsidiary = 0;
  Variant value;
};

struct StagedRecord {
  int32_t kind = 0;
  RecordPtr record;
};

struct TableRow {
  std::string table;
  std::vector<std::pair<std::string, Variant>> columns;
};

struct StatementFault {
  std::string containing;  // statements whose text holds this fail
  int code = 0;            // ORA- number
  std::string text;        // empty: Oracle's own text
};

struct DatabaseStaging {
  std::vector<TableRow> rows;
  bool logonRefused = false;
  std::optional<StatementFault> failStatement;
};

struct ServiceStaging {
  bool refuse = false;  // nothing listens: connections are refused
  std::vector<receiptservice::Answer> answers;
};

enum class EventKind { BeforeUpdate, AfterUpdate, Print, SideButton, UIEvent, Configure, Value };

struct EventEntry {
  EventKind kind = EventKind::BeforeUpdate;
  Place place;
  std::string name;                // button caption, UI event type or value name
  std::vector<std::string> slips;  // print: the documents printed, in order
  std::string printDocument;       // print: the XML print document
  // Expected answers: the WordBool result (print: one per slip), and the
  // print document's receipt message afterwards.
  std::vector<bool> answers;
  std::optional<std::string> receiptMessage;
  // Staged before the event fires: settings files rewritten in VeskRcpts/,
  // and a new document of the run's kind that becomes the current one.
  std::vector<SettingsFile> settings;
  StagedRecord nextDocument;
  // The receipt service refuses connections from this event on (true) or
  // listens again (false).
  std::optional<bool> refuseConnections;
  // The queue service delivers the queue once after the event ("queue
  // service: run"). An entry without "event" fires nothing: only its host
  // steps run.
  bool runQueueService = false;
  bool fires = true;
};

struct DialogEntry {
  Place place;
  std::string name;   // class name, objectName or title
  std::string steps;  // scripted-user steps, one per line
};

struct DialogExpectation {
  std::string name;
  std::vector<std::string> texts;     // each must be among the dialog's texts
  std::vector<std::string> starting;  // each must begin one of its texts
};

struct RequestExpectation {
  std::string operation;                      // "AuthenticateUserPOS" ...
  std::map<std::string, std::string> values;  // element -> text
  std::vector<std::string> contains;          // texts the body holds as written
  bool wellFormed = false;                    // the body must parse as XML
};

struct ObjectExpectation {
  Place place;
  int afterEvent = 0;  // checked right after that event (from 1); 0: after the run
  int32_t kind = 0;
  std::map<std::string, std::string> match;   // attribute -> text
  std::map<std::string, std::string> values;  // attribute -> text ("(null)", "(empty)")
};

// What the current document (handle 0) holds right after one event.
struct DocumentExpectation {
  Place place;
  int afterEvent = 0;                         // the event's number, from 1; 0: the last event
  std::map<std::string, std::string> values;  // attribute -> text ("(null)", "(empty)")
};

struct QueryExpectation {
  Place place;
  int afterEvent = 0;  // run right after that event (from 1); 0: after the run
  std::string sql;
  std::vector<std::vector<std::string>> rows;  // NULL reads "(null)"
};

// What a settings file of VeskRcpts/ must hold after the run.
struct SettingsExpectation {
  Place place;
  std::string file;  // a name in VeskRcpts/; wildcards fit exactly one file
  // section -> key -> value, read as the plug-in reads the file.
  std::map<std::string, std::map<std::string, std::string>> values;
  std::vector<std::string> has;       // whole lines present
  std::vector<std::string> lacks;     // whole lines absent
  std::vector<std::string> contains;  // texts held anywhere in the file
  bool unchanged = false;             // the text staged for it, byte for byte
};

struct Expectations {
  std::optional<std::vector<DialogExpectation>> dialogs;
  Place dialogsPlace;
  std::optional<std::vector<RequestExpectation>> requests;
  Place requestsPlace;
  std::optional<int> queueCount;
  std::vector<std::string> queueContains;
  std::string queueSuffix;  // every queue file's name ends with it
  // How many queue files hold, byte for byte, a request the service received
  // (and the line break every queue file ends with).
  std::optional<int> queueCopiesOfReceived;
  Place queuePlace;
  std::vector<ObjectExpectation> objects;
  std::vector<DocumentExpectation> document;
  std::vector<QueryExpectation> queries;
  std::vector<std::string> logContains;
  std::vector<std::string> logLacks;
  std::vector<std::string> logOnce;  // each held by exactly one line
  Place logPlace;
  std::vector<SettingsExpectation> settings;
  std::optional<int> reprints;  // reprints the host was asked for, of the document
  Place reprintsPlace;
  // The receipt numbers the plug-in sends, each as often as listed; with it
  // the run's accounting (every receipt sent or queued exactly once, the
  // host's customers as the database holds them, every request well-formed
  // XML) must hold.
  std::optional<std::vector<std::string>> receipts;
  Place receiptsPlace;
  // The receipt numbers the service's records hold more than once because it
  // took a request whose answer did not reach its sender (a time-out, a
  // connection closed or its TLS broken after the request), which sent it
  // again; each with how many times it is held (`received twice`: 2, `received
  // more than once`: the count named). Any other receipt held more than once,
  // or held another number of times, is a fault.
  std::map<std::string, int> receivedMoreThanOnce;
};

struct Scenario {
  std::string file;
  std::string description;
  std::vector<std::string> switches;  // host switches on the command line
  std::vector<SettingsFile> settings;
  bool settingsReadOnly = false;  // nothing can be written in VeskRcpts/
  std::vector<PreferenceEntry> preferences;
  std::vector<StagedRecord> records;  // the host's records, documents included
  StagedRecord document;              // the document the events concern
  std::vector<HostFault> hostFaults;
  DatabaseStaging database;
  ServiceStaging service;
  std::vector<EventEntry> events;
  bool queueServiceAtEnd = false;  // the queue service runs once after the last sale
  std::vector<DialogEntry> cashier;
  int dialogBoundMs = 10000;
  Expectations expect;
};

Scenario ReadScenario(const std::string& path);
// `file` names the text in messages.
Scenario ParseScenario(const std::string& text, const std::string& file);

const char* EventName(EventKind kind);

}  // namespace hostsim
