// The QBE definition over the in-memory dataset: the stored field list of
// every version, damaged streams, the type rule for Enabled, following the
// field definitions, and Assign.

#include "oracle/qbe/definition.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "memory_dataset/memory_dataset.h"

namespace {

using dataset::TFieldType;
using dataset::TMemoryStream;
using oracle::qbe::TQBEDefinition;
using oracle::qbe::TQBEField;

std::string Int(int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  return {static_cast<char>(u), static_cast<char>(u >> 8), static_cast<char>(u >> 16),
          static_cast<char>(u >> 24)};
}

// A stored name: one byte a character, or UTF-16LE from version 5.
std::string Name(const std::string& bytes) {
  return Int(static_cast<int32_t>(bytes.size())) + bytes;
}
std::string Wide(const std::u16string& text) {
  std::string bytes;
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return Name(bytes);
}

// Enabled, MatchFromStart, CaseInsensitive, WholeDay, MatchAnywhere,
// SoundsLike.
using Flags = std::array<bool, 6>;
Flags FlagsOf(const TQBEField& f) {
  return {f.Enabled(), f.MatchFromStart, f.CaseInsensitive,
          f.WholeDay,  f.MatchAnywhere,  f.SoundsLike};
}

class QBEDefinitionTest : public ::testing::Test {
 protected:
  // Field definitions as an open dataset has them.
  void Describe(const std::vector<std::pair<std::string, TFieldType>>& columns) {
    ds_.FieldDefs().Clear();
    for (const auto& [name, type] : columns) ds_.FieldDefs().Add(name, type);
  }
  void Read(const std::string& bytes) {
    TMemoryStream stream(bytes);
    definition_.ReadFieldDefs(stream);
  }

  dataset::testing::MemoryDataSet ds_;
  TQBEDefinition definition_{ds_};
};

TEST_F(QBEDefinitionTest, WritesVersionFiveWithUtf16NamesAndSixFlags) {
  Describe({{"ENAME", TFieldType::ftString}});
  EXPECT_FALSE(definition_.StoresFieldDefs(nullptr));  // nothing to store yet
  ASSERT_TRUE(definition_.SynchronizeFields());
  TQBEField& ename = definition_.Field(0);
  ename.MatchFromStart = true;
  ename.WholeDay = true;
  ename.Text = "SM*";  // values are not stored

  TMemoryStream stream;
  definition_.WriteFieldDefs(stream);
  EXPECT_EQ(stream.Bytes(), Int(5) + Int(1) + Int(10) + std::string("E\0N\0A\0M\0E\0", 10) +
                                std::string("\1\1\0\1\0\0", 6));

  // Stored when it differs from the ancestor's list, or without one.
  TQBEDefinition ancestor(ds_);
  EXPECT_TRUE(definition_.StoresFieldDefs(nullptr));
  EXPECT_TRUE(definition_.StoresFieldDefs(&ancestor));
  TMemoryStream copy(stream.Bytes());
  ancestor.ReadFieldDefs(copy);
  EXPECT_EQ(ancestor.Field(0).Text, "");
  EXPECT_FALSE(definition_.StoresFieldDefs(&ancestor));
  ancestor.Field(0).SoundsLike = true;
  EXPECT_TRUE(definition_.StoresFieldDefs(&ancestor));
}

TEST_F(QBEDefinitionTest, ReadsEveryVersionWithTheFlagsItStores) {
  struct Case {
    int32_t version;
    std::string name;  // as stored
    std::string flags;
    std::string expectedName;
    Flags expected;
  };
  const std::vector<Case> cases = {
      {1,
       Name("ENAME"),
       std::string("\0\1\1", 3),
       "ENAME",
       {false, true, true, false, false, false}},
      {1,
       Name("\xC6"
            "BLE"),
       std::string("\1\0\0", 3),
       "\xC3\x86"
       "BLE",
       {true, false, false, false, false, false}},
      {2,
       Name("HIREDATE"),
       std::string("\1\0\0\1", 4),
       "HIREDATE",
       {true, false, false, true, false, false}},
      {3,
       Name("JOB"),
       std::string("\1\0\0\0\1", 5),
       "JOB",
       {true, false, false, false, true, false}},
      {4,
       Name("ENAME"),
       std::string("\1\0\0\0\0\1", 6),
       "ENAME",
       {true, false, false, false, false, true}},
      {5,
       Wide(u"\u00C6BLE\U0001F600"),
       std::string("\1\1\1\1\1\1", 6),
       "\xC3\x86"
       "BLE\xF0\x9F\x98\x80",
       {true, true, true, true, true, true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    // Bytes after the list are not the reader's.
    TMemoryStream stream(Int(c.version) + Int(1) + c.name + c.flags + "tail");
    definition_.ReadFieldDefs(stream);
    EXPECT_EQ(stream.Position(), stream.Size() - 4);
    ASSERT_EQ(definition_.FieldCount(), 1);
    EXPECT_EQ(definition_.Field(0).FieldName(), c.expectedName);
    EXPECT_EQ(FlagsOf(definition_.Field(0)), c.expected);
  }
}

TEST_F(QBEDefinitionTest, RefusesDamagedStreamsAndLeavesTheListEmpty) {
  const std::string two = Int(2) + Wide(u"ENAME") + std::string("\1\0\0\0\0\0", 6) + Wide(u"SAL") +
                          std::string("\1\0\0\0\0\0", 6);
  const std::string valid = Int(5) + two;
  std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
      {Int(0) + two, "Invalid version of QBEDefinition"},
      {Int(6) + two, "Invalid version of QBEDefinition"},
      {Int(-1) + two, "Invalid version of QBEDefinition"},
      {Int(5) + Int(-1), std::nullopt},                   // negative count
      {Int(5) + Int(0x7FFFFFFF) + valid, std::nullopt},   // count beyond the bytes
      {Int(5) + Int(1) + Int(-2) + "E\0", std::nullopt},  // negative name length
      {Int(5) + Int(1) + Int(0x7FFFFFFE) + "E\0\1\0\0\0\0\0", std::nullopt},  // past the end
      {Int(5) + Int(1) + Name(std::string("E\0N", 3)) + std::string(6, '\0'), std::nullopt},  // odd
      {Int(5) + Int(1) + Name(std::string("\0\xD8", 2)) + std::string(6, '\0'),
       std::nullopt},  // lone surrogate
      {Int(5) + Int(1) + Name(std::string("\0\xDCx\0", 4)) + std::string(6, '\0'), std::nullopt},
  };
  for (std::size_t n = 0; n < valid.size(); ++n)
    cases.emplace_back(valid.substr(0, n), std::nullopt);
  for (const auto& [bytes, versionError] : cases) {
    SCOPED_TRACE(::testing::PrintToString(bytes));
    Read(valid);
    ASSERT_EQ(definition_.FieldCount(), 2);
    try {
      Read(bytes);
      ADD_FAILURE() << "accepted";
    } catch (const dataset::EReadError& e) {
      EXPECT_FALSE(versionError) << e.what();
      EXPECT_STREQ(e.what(), "Stream read error");
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(versionError.value_or("a read error"), e.what());
    }
    EXPECT_EQ(definition_.FieldCount(), 0);
  }
}

TEST_F(QBEDefinitionTest, EnabledFollowsTheFieldTypesOnceTheyAreKnown) {
  const std::string stored = Int(5) + Int(3) + Wide(u"ENAME") + std::string("\1\0\0\0\0\0", 6) +
                             Wide(u"NOTES") + std::string("\1\0\0\0\0\0", 6) + Wide(u"JOB") +
                             std::string("\0\0\0\0\0\0", 6);
  // Read into a dataset that was never opened: each field keeps what the
  // stream gives.
  Read(stored);
  EXPECT_TRUE(definition_.FindField("notes")->Enabled());
  EXPECT_FALSE(definition_.FindField("JOB")->Enabled());

  // The types known: a memo field is never enabled, whatever it is given.
  Describe({{"ENAME", TFieldType::ftString},
            {"NOTES", TFieldType::ftMemo},
            {"JOB", TFieldType::ftString}});
  EXPECT_FALSE(definition_.SynchronizeFields());
  EXPECT_TRUE(definition_.FindField("ENAME")->Enabled());
  EXPECT_FALSE(definition_.FindField("NOTES")->Enabled());
  EXPECT_FALSE(definition_.FindField("JOB")->Enabled());
  Read(stored);
  EXPECT_FALSE(definition_.FindField("NOTES")->Enabled());

  // The value given comes back when the column can be compared again.
  Describe({{"ENAME", TFieldType::ftString},
            {"NOTES", TFieldType::ftString},
            {"JOB", TFieldType::ftString}});
  definition_.RecomputeEnabled();
  EXPECT_TRUE(definition_.FindField("NOTES")->Enabled());
}

TEST_F(QBEDefinitionTest, SynchronisingAddsAndRemovesFields) {
  Describe({{"ENAME", TFieldType::ftString}, {"SAL", TFieldType::ftFloat}});
  EXPECT_TRUE(definition_.SynchronizeFields());
  EXPECT_FALSE(definition_.SynchronizeFields());
  definition_.FindField("ename")->CaseInsensitive = true;

  Describe({{"ENAME", TFieldType::ftString},
            {"SAL", TFieldType::ftFloat},
            {"BLOB", TFieldType::ftOraBlob},
            {"JOB", TFieldType::ftString}});
  EXPECT_TRUE(definition_.SynchronizeFields());
  ASSERT_EQ(definition_.FieldCount(), 4);
  EXPECT_TRUE(definition_.Field(3).Enabled());
  EXPECT_FALSE(definition_.FindField("BLOB")->Enabled());

  Describe({{"JOB", TFieldType::ftString}, {"ename", TFieldType::ftString}});
  EXPECT_FALSE(definition_.SynchronizeFields());
  ASSERT_EQ(definition_.FieldCount(), 2);
  EXPECT_EQ(definition_.Field(0).FieldName(), "ENAME");
  EXPECT_TRUE(definition_.Field(0).CaseInsensitive);
  EXPECT_EQ(definition_.Field(1).FieldName(), "JOB");
  EXPECT_EQ(definition_.FindField("SAL"), nullptr);
  EXPECT_THROW(definition_.Field(2), std::out_of_range);
}

TEST_F(QBEDefinitionTest, AssignCopiesTheOptionsAndRebuildsTheFields) {
  dataset::testing::MemoryDataSet other;
  TQBEDefinition source(other);
  source.SetSaveQBEValues(false);
  source.SetAllowFileWildCards(false);
  source.SetQBEFontColor(0xFF);
  source.SetQBEBackgroundColor(0xFF00);
  source.SetAllowOperators(true);
  TMemoryStream stream(Int(5) + Int(2) + Wide(u"ENAME") + std::string("\1\1\1\1\1\1", 6) +
                       Wide(u"NOTES") + std::string("\1\0\0\0\0\0", 6));
  source.ReadFieldDefs(stream);
  source.Field(0).Text = ">= 'K'";
  source.Field(0).Value = Variant("K");
  ASSERT_TRUE(source.Field(1).Enabled());

  Describe({{"ENAME", TFieldType::ftString}, {"NOTES", TFieldType::ftMemo}});
  definition_.SynchronizeFields();
  definition_.Assign(source);
  EXPECT_FALSE(definition_.SaveQBEValues());
  EXPECT_FALSE(definition_.AllowFileWildCards());
  EXPECT_EQ(definition_.QBEFontColor(), 0xFF);
  EXPECT_EQ(definition_.QBEBackgroundColor(), 0xFF00);
  EXPECT_TRUE(definition_.AllowOperators());
  ASSERT_EQ(definition_.FieldCount(), 2);
  EXPECT_EQ(&definition_.Field(0).Definition(), &definition_);
  EXPECT_EQ(FlagsOf(definition_.Field(0)), (Flags{true, true, true, true, true, true}));
  EXPECT_EQ(definition_.Field(0).Text, ">= 'K'");
  EXPECT_TRUE(definition_.Field(0).Value.IsEmpty());
  EXPECT_FALSE(definition_.Field(1).Enabled());  // a memo here

  definition_.Assign(definition_);
  EXPECT_EQ(definition_.FieldCount(), 2);
}

}  // namespace
