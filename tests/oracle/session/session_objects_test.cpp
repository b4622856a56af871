// The attached-object lists: order of the walk, objects leaving the list
// while it is walked, and detaching everything.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "oracle/session/session_objects.h"

namespace oracle_session_test {
namespace {

using oracle::SessionObjectList;
using oracle::TSessionObjectLists;

struct Recorder : oracle::TSessionAttached {
  Recorder(std::string n, std::vector<std::string>& sink) : name(std::move(n)), log(sink) {}
  std::string name;
  std::vector<std::string>& log;
  std::function<void()> onLogOff;
  void SessionLoggingOff() override {
    log.push_back(name);
    if (onLogOff) onLogOff();
  }
  void SessionDestroyed() override { log.push_back(name + " forgot"); }
};

TEST(SessionObjectLists, ObjectsMayLeaveTheListWhileItIsWalkedAndDetachAllEmptiesEveryList) {
  TSessionObjectLists lists;
  std::vector<std::string> log;
  Recorder a("a", log), b("b", log), c("c", log), d("d", log);
  for (Recorder* r : {&a, &b, &c, &d, &a}) lists.Attach(SessionObjectList::kOtherComponents, r);
  EXPECT_EQ(lists.Count(SessionObjectList::kOtherComponents), 4u) << "attached once";
  // d leaves itself; c takes b and itself away: a is still visited once.
  d.onLogOff = [&] { lists.Detach(SessionObjectList::kOtherComponents, &d); };
  c.onLogOff = [&] {
    lists.Detach(SessionObjectList::kOtherComponents, &b);
    lists.Detach(SessionObjectList::kOtherComponents, &c);
  };
  lists.WalkLastToFirst(SessionObjectList::kOtherComponents,
                        [](oracle::TSessionAttached& o) { o.SessionLoggingOff(); });
  EXPECT_EQ(log, (std::vector<std::string>{"d", "c", "a"}));
  EXPECT_TRUE(lists.Contains(SessionObjectList::kOtherComponents, &a));
  EXPECT_EQ(lists.Count(SessionObjectList::kOtherComponents), 1u);

  // DetachAll empties every list, each last to first.
  lists.Detach(SessionObjectList::kOtherComponents, &a);
  log.clear();
  Recorder q1("q1", log), q2("q2", log), ds("ds", log), lob("lob", log);
  lists.Attach(SessionObjectList::kQueries, &q1);
  lists.Attach(SessionObjectList::kQueries, &q2);
  lists.Attach(SessionObjectList::kDataSets, &ds);
  lists.Attach(SessionObjectList::kLOBLocators, &lob);
  lists.Detach(SessionObjectList::kTimestamps, &lob);  // not there: ignored
  lists.DetachAll();
  EXPECT_EQ(log, (std::vector<std::string>{"q2 forgot", "q1 forgot", "ds forgot", "lob forgot"}));
  for (std::size_t i = 0; i < oracle::kSessionObjectListCount; ++i)
    EXPECT_EQ(lists.Count(static_cast<SessionObjectList>(i)), 0u);
}

}  // namespace
}  // namespace oracle_session_test
