// The setup dialog's readings of stored settings, each against the way a
// sale reads the same setting: roll-up lines after the roll-up list moved,
// the drop-down entry a field setting stands for, and code-page text.

#include <gtest/gtest.h>

#include <QStringList>
#include <string>
#include <vector>

#include "dialogs/main_setup.h"
#include "dialogs/stored_text.h"
#include "foundation/helpers_text.h"

namespace {

using Lines = std::vector<std::string>;

// Roll-up lines of departments no row of the grid takes (another
// subsidiary's, inactive ones, a later line of a listed code) name after
// "Done" the roll-ups they named before, wherever those moved in the list.
TEST(SetupValues, RollupLinesFollowTheirRollupsWhereverTheyMoved) {
  const struct {
    const char* name;
    Lines stored;
    std::vector<dialogs::RollupRow> rows;
    std::vector<int> moved;  // old position -> new position
    int entries;
    Lines expected;
  } cases[] = {
      // SHOES, BAGS, HATS; BAGS emptied: HATS moves from 3 to 2.
      {"a roll-up emptied in the middle",
       {"ZZZ=2;3", "OLD=3;1", "APP=2;3"},
       {{"APP", 0, 2}},
       {0, 1, 0, 2},
       3,
       {"ZZZ=0;2", "OLD=2;1", "APP=0;2"}},
      // SHOES, (empty), HATS; BELTS filled in: HATS moves from 2 to 3, and
      // nobody is given BELTS.
      {"an empty roll-up filled",
       {"ZZZ=2;1", "OLD=1;0", "XYZ=0;2"},
       {},
       {0, 1, 3},
       4,
       {"ZZZ=3;1", "OLD=1;0", "XYZ=0;3"}},
      // SHOES, BAGS swapped by renaming: the positions stand.
      {"roll-ups renamed", {"ZZZ=2;1", "OLD= 1 ;"}, {}, {0, 1, 2}, 3, {"ZZZ=2;1", "OLD= 1 ;"}},
      {"a later line of a listed code",
       {"app=1;2", "APP=2;2"},
       {{"APP", 0, 1}},
       {0, 0, 1},
       2,
       {"app=0;1"}},
      {"a later line of a kept code moves too",
       {"app=0;1", "APP=2;2"},
       {{"APP", 0, 1}},
       {0, 0, 1},
       2,
       {"app=0;1", "APP=1;1"}},
      // A sale reads a part of more than nine characters, or a position past
      // the list, as naming nothing: so does the dialog, and writes it so
      // when it writes the line.
      {"positions a sale reads as nothing",
       {"ZZZ=0000000001;02", "OLD=4;1", "APP=0000000001;2"},
       {{"APP", 0, 2}},
       {0, 1, 2},
       4,
       {"ZZZ=0;2", "OLD=0;1", "APP=0;2"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(dialogs::MergeRollupLines(c.stored, c.rows, c.moved, c.entries), c.expected)
        << c.name;
  }
  EXPECT_EQ(dialogs::RollupPositions("0000000001;01", 3), std::make_pair(0, 1));
  EXPECT_EQ(dialogs::RollupPositions("000000001;3", 3), std::make_pair(1, 0));
}

// The entry each drop-down shows for a stored value is the one a sale takes
// it for; -1 where a sale takes it for none (shown as it stands).
TEST(SetupValues, DropDownEntriesAreTheOnesASaleTakes) {
  const QStringList fields = {"None", "UDF3",  "UDF4",  "UDF5",  "UDF6",       "UDF7",
                              "UDF8", "Info1", "Info2", "Notes", "Allow Email"};
  const struct {
    const char* stored;
    int entry;
  } fieldCases[] = {{"", 0},
                    {"None", 0},
                    {"none", 0},
                    {"UDF5", 3},
                    {"udf5", 3},
                    {" UDF5", 3},
                    {"UDF9", -1},
                    {"Allow Email", 10},
                    {"allow email", 10},
                    {"ALLOW EMAIL", 10},
                    {"\tNotes ", 9},
                    {"  ", 0},
                    {"UDF 5", -1},
                    // Only ASCII letters are the same in another case, as a sale compares
                    // them: a long s (U+017F) is no "s".
                    {"Note\xC5\xBF", -1}};
  for (const auto& c : fieldCases) {
    EXPECT_EQ(dialogs::FieldEntryOf(fields, c.stored), c.entry) << c.stored;
  }
  const struct {
    const char* field;
    const char* attr;
    int entry;
  } loyaltyCases[] = {
      {"", "", 0},
      {"none", "UDF 5 Value", 0},  // not read at all: None
      {"", "UDF 5 Value", 0},
      {"UDF6", "", -1},            // no card number read
      {"udf5", "UDF 5 Value", 3},  // read from UDF 5 Value
      {"UDF7", "UDF 5 Value", 3},  // the attribute is what is read
      {"UDF5", "udf 5 value", 3},  // the attribute in any case
      {" None ", "UDF 5 Value", 0},
      {"UDF5", " UDF 5 VALUE ", 3},
      {"Info1", "INFO1", 7},
      {"UDF5", "UDF5 Value", -1},
      {"Info1", "Info1", 7},
      {"Notes", "Info2", 8},
  };
  for (const auto& c : loyaltyCases) {
    EXPECT_EQ(dialogs::LoyaltyIdEntryOf(fields, c.field, c.attr), c.entry)
        << c.field << " / " << c.attr;
  }
  const QStringList barCodes = {"None", "Code128", "GTIN"};
  EXPECT_EQ(dialogs::BarCodeEntryOf(barCodes, "code128"), 1);
  EXPECT_EQ(dialogs::BarCodeEntryOf(barCodes, " GTIN "), 2);
  EXPECT_EQ(dialogs::BarCodeEntryOf(barCodes, ""), 0);
  EXPECT_EQ(dialogs::BarCodeEntryOf(barCodes, "EAN"), -1);
}

// The dialog shows stored bytes as the sale reads them (the receipt carries
// the same characters), and an untouched text goes back as its bytes.
TEST(SetupValues, StoredTextReadsAsASaleReadsIt) {
  const char* const stored[] = {"Caf\xC3\xA9",
                                "Caf\xE9 M\xFCller",
                                "Stra\xDF"
                                "e \xC3\xA9",
                                "end \xC3",
                                "\xE2\x82\xAC 5",
                                "\xED\xA0\x80",
                                "plain ASCII",
                                ""};
  for (const char* bytes : stored) {
    const QString shown = dialogs::StoredText(bytes);
    EXPECT_EQ(foundation::XmlEscape(shown.toStdString()), foundation::XmlEscape(bytes)) << bytes;
    EXPECT_EQ(dialogs::TextToStore(shown, bytes), bytes);
  }
  EXPECT_EQ(dialogs::StoredText("Caf\xE9"), QString::fromUtf8("Caf\xC3\xA9"));
  EXPECT_EQ(dialogs::TextToStore(QString::fromUtf8("Caf\xC3\xA9s"), "Caf\xE9"), "Caf\xC3\xA9s");
  EXPECT_EQ(dialogs::TextToStore("", "Caf\xE9"), "");
  // Blanks typed at the ends of a changed value are dropped; a value left
  // as it was shown keeps them.
  EXPECT_EQ(dialogs::TextToStore(" \tM-78 ", "M-77"), "M-78");
  EXPECT_EQ(dialogs::TextToStore("  ", "M-77"), "");
  EXPECT_EQ(dialogs::TextToStore(" M-77", " M-77"), " M-77");
}

}  // namespace
