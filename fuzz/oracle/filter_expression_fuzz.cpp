// Parses arbitrary text as a filter expression, with each combination of the
// two options, and reads the tree in every type on a record of the five
// value types and a null. A refused text or a failing reading must raise
// one of the filter's own errors (or the dataset's for a missing field);
// anything else, a crash or a hang is a fault. The tree must survive a
// failed reading and be read again.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "dataset/database_error.h"
#include "memory_dataset/memory_dataset.h"
#include "oracle/filter/column_expression.h"
#include "oracle/filter/expression_errors.h"
#include "oracle/filter/parser.h"

namespace {

using dataset::TFieldType;

dataset::testing::MemoryDataSet& Record() {
  static dataset::testing::MemoryDataSet* ds = [] {
    auto* d = new dataset::testing::MemoryDataSet;
    d->AddColumn("D", TFieldType::ftDateTime);
    d->AddColumn("S", TFieldType::ftString, 20);
    d->AddColumn("F", TFieldType::ftFloat);
    d->AddColumn("I", TFieldType::ftInteger);
    d->AddColumn("B", TFieldType::ftBoolean);
    d->AddColumn("N", TFieldType::ftString, 20);
    d->AddRow({Variant::Date(45000.25), Variant("Smith*"), Variant(-2.5), Variant(int32_t{-7}),
               Variant(true), Variant::Null()});
    d->Open();
    return d;
  }();
  return *ds;
}

template <typename Read>
void Try(Read read) {
  try {
    read();
  } catch (const oracle::filter::EExpression&) {
  } catch (const oracle::filter::EMathError&) {
  } catch (const oracle::filter::EConvertError&) {
  } catch (const dataset::EDatabaseError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  dataset::testing::MemoryDataSet& ds = Record();
  const oracle::filter::TFieldResolver resolver = oracle::filter::ColumnResolver(ds);
  for (dataset::TFilterOptions options = 0; options < 4; ++options) {
    oracle::filter::TExpressionPtr tree;
    Try([&] { tree = oracle::filter::ParseFilterExpression(text, options, resolver); });
    if (!tree) continue;
    for (int round = 0; round < 2; ++round) {
      Try([&] { (void)tree->ExprType(); });
      Try([&] { (void)tree->IsNull(); });
      Try([&] { (void)tree->AsBoolean(); });
      Try([&] { (void)tree->AsInteger(); });
      Try([&] {
        const double value = tree->AsFloat();
        if (!std::isfinite(value)) std::abort();
      });
      Try([&] {
        const double value = tree->AsDate();
        if (!std::isfinite(value)) std::abort();
      });
      Try([&] { (void)tree->AsString(); });
    }
  }
  return 0;
}
