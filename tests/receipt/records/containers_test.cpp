#include "receipt/containers.h"

#include <gtest/gtest.h>

namespace {

using receipt::EInvalidFieldCast;
using receipt::TContainer;
using receipt::TContainerList;
using receipt::TFieldDateTime;
using receipt::TInvoiceContainer;

// The message of the EInvalidFieldCast raised by `read`, or "" when none.
template <typename Read>
std::string CastError(Read read) {
  try {
    read();
  } catch (const EInvalidFieldCast& e) {
    return e.what();
  }
  return "";
}

TEST(ContainerTest, LookupIgnoresCaseAndFindsTheFirstOfEqualNames) {
  TContainer c;
  c.AddField("Item_Sid", std::string("first"));
  c.AddField("ITEM_SID", std::string("second"));
  ASSERT_NE(c.FindField("item_sid"), nullptr);
  EXPECT_EQ(c.FindField("ITEM_SID"), c.FindField("Item_Sid"));
  EXPECT_EQ(c.AsString("iTeM_sId"), "first");
  EXPECT_EQ(c.FindField("Item"), nullptr);
}

TEST(ContainerTest, TypedGettersConvertBetweenTypesAndGiveNeutralValuesWhenAbsent) {
  TContainer c;
  EXPECT_EQ(c.AsString("x"), "");
  EXPECT_EQ(c.AsInteger("x"), 0);
  EXPECT_EQ(c.AsFloat("x"), 0.0);
  EXPECT_EQ(c.AsDateTime("x"), 0.0);
  c.AddField("empty", {});
  EXPECT_EQ(c.AsString("empty"), "");
  EXPECT_EQ(c.AsInteger("empty"), 0);
  c.AddField("int", int64_t{12});
  c.AddField("float", 2.5);
  c.AddField("text", std::string(" -7 "));
  c.AddField("decimal", std::string("3.5"));
  c.AddField("date", TFieldDateTime{46361.75});                // 2026-12-05 18:00
  c.AddField("beforeOrigin", TFieldDateTime{-1.99999999999});  // rounds to 1899-12-30
  c.AddField("beforeOriginText", std::string("1899-12-29 06:00:00"));
  c.AddField("dateText", std::string("2026-12-05T18:00:00"));
  c.AddField("dayText", std::string("2026-12-05"));

  EXPECT_EQ(c.AsString("int"), "12");
  EXPECT_EQ(c.AsString("float"), "2.5");
  EXPECT_EQ(c.AsString("date"), "2026-12-05 18:00:00");
  EXPECT_EQ(c.AsString("beforeOrigin"), "1899-12-30");
  EXPECT_DOUBLE_EQ(c.AsDateTime("beforeOriginText"), -1.25);
  EXPECT_EQ(c.AsInteger("text"), -7);
  EXPECT_EQ(c.AsInteger("float"), 2) << "half to even";
  EXPECT_EQ(c.AsInteger("decimal"), 4) << "half to even";
  EXPECT_DOUBLE_EQ(c.AsFloat("int"), 12.0);
  EXPECT_DOUBLE_EQ(c.AsFloat("decimal"), 3.5);
  EXPECT_DOUBLE_EQ(c.AsFloat("date"), 46361.75);
  EXPECT_DOUBLE_EQ(c.AsDateTime("dateText"), 46361.75);
  EXPECT_DOUBLE_EQ(c.AsDateTime("dayText"), 46361.0);
  EXPECT_DOUBLE_EQ(c.AsDateTime("float"), 2.5);
}

TEST(ContainerTest, FailedConversionsRaiseWithTheTypeName) {
  TContainer c;
  c.AddField("word", std::string("abc"));
  c.AddField("big", int64_t{5'000'000'000});
  c.AddField("badDate", std::string("2026-02-30"));
  EXPECT_EQ(CastError([&] { c.AsInteger("word"); }), "Invalid cast of field value to Integer");
  EXPECT_EQ(CastError([&] { c.AsInteger("big"); }), "Invalid cast of field value to Integer");
  EXPECT_EQ(CastError([&] { c.AsFloat("word"); }), "Invalid cast of field value to Double");
  EXPECT_EQ(CastError([&] { c.AsDateTime("badDate"); }),
            "Invalid cast of field value to TDatetime");
  EXPECT_EQ(c.AsString("word"), "abc");
}

TEST(ContainerListTest, GetItemOutsideTheListGivesNull) {
  TContainerList list;
  EXPECT_EQ(list.GetItem(0), nullptr);
  TContainer& first = list.NewContainer();
  first.AddField("n", int64_t{1});
  auto made = std::make_unique<TContainer>();
  TContainer* madeElsewhere = made.get();
  list.Add(std::move(made));
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.GetItem(0), &first);
  EXPECT_EQ(list.GetItem(1), madeElsewhere);
  EXPECT_EQ(list.GetItem(-1), nullptr);
  EXPECT_EQ(list.GetItem(list.Count()), nullptr);
  EXPECT_THROW(list.Add(nullptr), std::invalid_argument);
}

TEST(InvoiceContainerTest, HeaderItemsAndTendersStayValidAsTheTreeGrows) {
  TInvoiceContainer invoice;
  invoice.AddField("Invoice Number", std::string("1001"));
  TContainer& item = invoice.Items.NewContainer();
  const receipt::TFieldValue& qty = item.AddField("Qty", 2.0);
  for (int i = 0; i < 100; ++i) {
    invoice.Items.NewContainer();
    item.AddField("filler" + std::to_string(i), int64_t{i});
  }
  invoice.Tenders.NewContainer().AddField("Amount", 12.5);
  EXPECT_EQ(invoice.AsInteger("invoice number"), 1001);
  EXPECT_EQ(item.FindField("QTY"), &qty);
  EXPECT_EQ(invoice.Items.Count(), 101);
  EXPECT_DOUBLE_EQ(invoice.Tenders.GetItem(0)->AsFloat("amount"), 12.5);
}

}  // namespace
