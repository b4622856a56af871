#include "foundation/required_customer_field.h"

#include <gtest/gtest.h>

#include <QWidget>
#include <memory>

#include "scripted_user/qt_test_app.h"

namespace {

using foundation::TRequiredCustomerField;

const bool kQtApp = testsupport::InstallQtApplication();

TEST(TRequiredCustomerField, AnEditRowHasALabelAndAnEditOnTheOwner) {
  QWidget owner;
  TRequiredCustomerField row(&owner, true);
  ASSERT_NE(row.Label, nullptr);
  ASSERT_NE(row.Edit, nullptr);
  EXPECT_EQ(row.ComboBox, nullptr);
  EXPECT_EQ(row.Label->parentWidget(), &owner);
  EXPECT_EQ(row.Edit->parentWidget(), &owner);
  EXPECT_EQ(row.ValueIds.size(), 101u);
  EXPECT_EQ(row.ValueIds[100], 0);
  EXPECT_TRUE(row.AttrName.empty());
}

TEST(TRequiredCustomerField, AComboRowAllowsTypingAndTheOwnerFreesTheControls) {
  auto owner = std::make_unique<QWidget>();
  TRequiredCustomerField row(owner.get(), false);
  EXPECT_EQ(row.Edit, nullptr);
  ASSERT_NE(row.ComboBox, nullptr);
  EXPECT_TRUE(row.ComboBox->isEditable());
  EXPECT_EQ(row.ComboBox->parentWidget(), owner.get());
  owner.reset();
  EXPECT_EQ(row.Label, nullptr);
  EXPECT_EQ(row.ComboBox, nullptr);
}

}  // namespace
