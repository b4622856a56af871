// Temporary states, calculated fields, data events reaching data links and
// their suppression while controls are disabled.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "dataset/field_kinds.h"
#include "memory_dataset/memory_dataset.h"

namespace dataset::testing {
namespace {

class RecordingLink : public TDataLink {
 public:
  void DataEvent(TDataEvent event, TField* field) override {
    events.push_back(event);
    TDataLink::DataEvent(event, field);
  }
  std::vector<TDataEvent> events;
  int activeChanges = 0;
  int editingChanges = 0;

 protected:
  void ActiveChanged() override { ++activeChanges; }
  void EditingChanged() override { ++editingChanges; }
};

void Fill(MemoryDataSet& ds) {
  ds.AddColumn("ID", TFieldType::ftInteger);
  ds.AddColumn("PRICE", TFieldType::ftFloat);
  ds.AddRow({Variant(1), Variant(2.5)});
  ds.AddRow({Variant(2), Variant(4.0)});
}

TEST(TempState, RestoredWhenTheScopeIsLeftByAnException) {
  MemoryDataSet ds;
  Fill(ds);
  ds.Open();
  try {
    TTempState temp(ds, TDataSetState::dsNewValue);
    EXPECT_EQ(ds.State(), TDataSetState::dsNewValue);
    throw std::runtime_error("inside");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(ds.State(), TDataSetState::dsBrowse);
}

TEST(TempState, FailingCalcFieldsHandlerLeavesTheStateAsItWas) {
  MemoryDataSet ds;
  Fill(ds);
  auto total = std::make_unique<TFloatField>();
  total->SetFieldName("DOUBLED");
  total->SetFieldKind(TFieldKind::fkCalculated);
  // Persistent fields: the data fields must be given too.
  auto id = std::make_unique<TIntegerField>();
  id->SetFieldName("ID");
  auto price = std::make_unique<TFloatField>();
  price->SetFieldName("PRICE");
  ds.Fields().Add(std::move(id));
  ds.Fields().Add(std::move(price));
  ds.Fields().Add(std::move(total));
  bool fail = false;
  ds.OnCalcFields = [&](TDataSet& d) {
    if (fail) throw std::runtime_error("calc");
    d.FieldByName("DOUBLED").SetAsFloat(d.FieldByName("PRICE").AsFloat() * 2);
  };
  ds.Open();
  EXPECT_FALSE(ds.DefaultFields());
  EXPECT_DOUBLE_EQ(ds.FieldByName("DOUBLED").AsFloat(), 5.0);
  EXPECT_THROW(ds.FieldByName("DOUBLED").SetAsFloat(1), EDatabaseError);  // browse
  ds.Edit();
  EXPECT_THROW(ds.FieldByName("DOUBLED").SetAsFloat(1), EDatabaseError);  // not calculating
  ds.FieldByName("PRICE").SetAsFloat(10);
  EXPECT_DOUBLE_EQ(ds.FieldByName("DOUBLED").AsFloat(), 20.0);  // recalculated on change
  ds.Cancel();

  fail = true;
  EXPECT_THROW(ds.Next(), std::runtime_error);
  EXPECT_EQ(ds.State(), TDataSetState::dsBrowse);
  ds.Close();
  EXPECT_EQ(ds.Fields().Count(), 3);  // persistent fields stay
}

TEST(DataLinks, EventsReachTheLinkAndStateChangesAreTold) {
  MemoryDataSet ds;
  Fill(ds);
  TDataSource source(&ds);
  RecordingLink link;
  link.SetDataSource(&source);
  EXPECT_FALSE(link.Active());

  ds.Open();
  EXPECT_TRUE(link.Active());
  EXPECT_EQ(link.activeChanges, 1);
  link.events.clear();

  ds.Next();
  EXPECT_EQ(link.events,
            (std::vector<TDataEvent>{TDataEvent::deCheckBrowseMode, TDataEvent::deDataSetScroll}));

  link.events.clear();
  ds.Edit();
  EXPECT_TRUE(link.Editing());
  ds.FieldByName("ID").SetAsInteger(5);
  ds.Post();
  EXPECT_FALSE(link.Editing());
  EXPECT_EQ(link.editingChanges, 2);
  // State changes reach links through EditingChanged, not as events.
  const std::vector<TDataEvent> expected{
      TDataEvent::deCheckBrowseMode, TDataEvent::deRecordChange,    TDataEvent::deFieldChange,
      TDataEvent::deUpdateRecord,    TDataEvent::deCheckBrowseMode, TDataEvent::deDataSetChange};
  EXPECT_EQ(link.events, expected);

  int changes = 0;
  source.OnDataChange = [&](TDataSource&, TField*) { ++changes; };
  source.SetEnabled(false);
  EXPECT_FALSE(link.Active());
  ds.First();
  EXPECT_EQ(changes, 0);
  source.SetEnabled(true);
  ds.Next();
  EXPECT_EQ(changes, 1);

  ds.Close();
  EXPECT_FALSE(link.Active());
}

TEST(DataLinks, DisabledControlsHearOneChangeWhenEnabledAgain) {
  MemoryDataSet ds;
  Fill(ds);
  TDataSource source(&ds);
  RecordingLink link;
  link.SetDataSource(&source);
  ds.Open();
  link.events.clear();

  ds.DisableControls();
  ds.DisableControls();
  EXPECT_TRUE(ds.ControlsDisabled());
  ds.Next();
  ds.Edit();
  ds.FieldByName("ID").SetAsInteger(3);
  ds.Post();
  ds.EnableControls();
  EXPECT_TRUE(link.events.empty());  // still disabled once
  ds.EnableControls();
  EXPECT_EQ(link.events, (std::vector<TDataEvent>{TDataEvent::deDataSetChange}));

  link.events.clear();
  ds.DisableControls();
  ds.Edit();
  EXPECT_FALSE(link.Editing());
  ds.EnableControls();  // the state changed meanwhile: links hear it
  EXPECT_TRUE(link.Editing());
  EXPECT_EQ(link.events, (std::vector<TDataEvent>{TDataEvent::deDataSetChange}));
  ds.Cancel();
}

TEST(DataLinks, SourceAndLinkMayGoAwayInAnyOrder) {
  auto ds = std::make_unique<MemoryDataSet>();
  Fill(*ds);
  auto source = std::make_unique<TDataSource>(ds.get());
  auto link = std::make_unique<RecordingLink>();
  link->SetDataSource(source.get());
  ds->Open();
  ds.reset();  // the source forgets the dataset
  EXPECT_EQ(source->DataSet(), nullptr);
  EXPECT_FALSE(link->Active());
  source.reset();  // the link forgets the source
  EXPECT_EQ(link->DataSource(), nullptr);
}

}  // namespace
}  // namespace dataset::testing
