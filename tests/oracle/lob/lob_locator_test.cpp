// The LOB locator on temporary LOBs: units, pieces, sizing and its refusals.

#include <gtest/gtest.h>

#include <string>

#include "oracle/lob/lob_locator.h"
#include "oracle_fixture/query_fixture.h"
#include "oracle_fixture/exception_text.h"
#include "oracle/values/type_codes.h"

#ifdef STANDIN_ORACLE_HOME

namespace {

using oracle::TLOBLocator;
using oracle_test_support::ErrorOf;
namespace otype = oracle::otype;

class LobLocatorTest : public oracle_query_test::StandinQueryTest {
 protected:
  std::unique_ptr<TLOBLocator> Temporary(int16_t type) {
    return TLOBLocator::CreateTemporary(session_.get(), type, true);
  }
};

// Two-, three- and four-byte characters around plain ones.
const std::string kMixedText =
    "a\xC3\xA9"
    "b\xE2\x82\xAC"
    "c\xF0\x9F\x98\x80"
    "d";

TEST_F(LobLocatorTest, RefusalsAndTheUninitialisedLocator) {
  EXPECT_EQ(ErrorOf([&] { TLOBLocator(session_.get(), 5); }),
            "Type must be otCLOB, otBLOB or otBFile");
  TLOBLocator blob(session_.get(), otype::BLOB);
  EXPECT_EQ(ErrorOf([&] { (void)blob.NCLOB(); }), "NCLOB property only applicable for CLOB");
  EXPECT_TRUE(blob.IsNull());
  EXPECT_EQ(blob.Indicator(), -1);
  char buffer[8];
  EXPECT_EQ(blob.Read(buffer, sizeof buffer), 0);
  EXPECT_EQ(blob.Size(), 0);
  auto offline = std::make_unique<oracle::TOracleSession>();
  EXPECT_EQ(ErrorOf([&] { TLOBLocator(offline.get(), otype::CLOB); }),
            "A TLOBLocator instance requires a connected session");
}

TEST_F(LobLocatorTest, ClobTextReadInPiecesEqualsTheWholeInEveryUnit) {
  // The same text in a temporary CLOB and in a table's row.
  auto temporary = Temporary(otype::CLOB);
  Run("create table texts (c clob)");
  Run("insert into texts values (empty_clob())");
  auto row = NewQuery("select c from texts");
  row->Execute();
  for (TLOBLocator* clob : {temporary.get(), &oracle::LOBField(*row, 0)}) {
    clob->SetAsString(kMixedText);
    // Eight code units (the four-byte character takes two), two bytes each.
    EXPECT_EQ(clob->Size(), 2 * 8);
    EXPECT_EQ(clob->AsString(), kMixedText);
    EXPECT_EQ(clob->AsWideString(), u"a\u00E9b\u20ACc\U0001F600d");
    for (const int piece : {2, 6, 4096}) {
      clob->Seek(0, dataset::TSeekOrigin::soBeginning);
      std::u16string units;
      std::string bytes(static_cast<std::size_t>(piece), '\0');
      for (int64_t n; (n = clob->Read(bytes.data(), piece)) > 0;)
        units.append(reinterpret_cast<const char16_t*>(bytes.data()),
                     static_cast<std::size_t>(n / 2));
      EXPECT_EQ(units, clob->AsWideString()) << "pieces of " << piece;
    }
    // An odd count reads one byte less; a count of 1 reads nothing.
    char one[3];
    clob->Seek(2, dataset::TSeekOrigin::soBeginning);
    EXPECT_EQ(clob->Read(one, 1), 0);
    EXPECT_EQ(clob->Read(one, 3), 2);
    EXPECT_EQ(clob->Position(), 4);
  }
}

TEST_F(LobLocatorTest, SettingTheSizeTrimsOrWritesOneUnitAtTheEnd) {
  auto blob = Temporary(otype::BLOB);
  blob->SetAsString("0123456789");
  blob->SetSize(20);
  EXPECT_EQ(blob->AsString(), std::string("0123456789") + std::string(10, '\0'));
  blob->SetSize(0);
  EXPECT_EQ(blob->Size(), 0);
  EXPECT_EQ(blob->AsString(), "");

  auto clob = Temporary(otype::CLOB);
  clob->SetAsString("abc");
  clob->SetSize(10);  // five code units: two blanks written as one character at the end
  EXPECT_EQ(clob->AsString(), "abc  ");
  clob->SetSize(4);
  EXPECT_EQ(clob->AsString(), "ab");
}

TEST_F(LobLocatorTest, WritesAtThePositionAndTheLobCallsOnTwoLocators) {
  auto a = Temporary(otype::CLOB);
  a->SetAsString("hello world");
  a->Seek(12, dataset::TSeekOrigin::soBeginning);  // the seventh character
  const std::u16string there = u"W";
  a->Write(there.data(), 2);
  EXPECT_EQ(a->AsString(), "hello World");
  auto b = Temporary(otype::CLOB);
  b->SetAsString("!");
  a->Append(*b);
  EXPECT_EQ(a->AsString(), "hello World!");
  EXPECT_EQ(a->Erase(5, 1), 5);
  EXPECT_EQ(a->AsString(), "      World!");
  b->Copy(*a, 5, 2, 7);
  EXPECT_EQ(b->AsString(), "!World");
  TLOBLocator c(session_.get(), otype::CLOB);
  c.Assign(*b);
  EXPECT_FALSE(c.IsEqual(*b)) << "a temporary value is copied, not shared";
  c.SetAsString("changed");
  EXPECT_EQ(b->AsString(), "!World");
}

TEST_F(LobLocatorTest, AFreedLocatorIsAnInvalidHandle) {
  TLOBLocator borrowed(session_.get(), otype::BLOB);
  void* descriptor = nullptr;
  ASSERT_EQ(
      oracle::OCIDescriptorAlloc(session_->Environment(), &descriptor, OCI_DTYPE_LOB, 0, nullptr),
      OCI_SUCCESS);
  borrowed.AttachLocator(static_cast<OCILobLocator*>(descriptor));
  oracle::OCIDescriptorFree(descriptor, OCI_DTYPE_LOB);
  char buffer[4];
  EXPECT_EQ(ErrorOf([&] { borrowed.Read(buffer, sizeof buffer); }), "TLOBLocator: Invalid handle");
}

}  // namespace

#endif  // STANDIN_ORACLE_HOME
