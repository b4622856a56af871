// Reads arbitrary bytes as a stored QBE field list, into the definition of a
// dataset without field definitions and of one with them. A refused stream
// must raise the stream's read error or the version error and leave the list
// empty; an accepted one must read back the same after being written again.
// Anything else, a crash or a read past the end is a fault.

#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "memory_dataset/memory_dataset.h"
#include "oracle/qbe/definition.h"

namespace {

using dataset::TFieldType;

void ReadInto(dataset::TDataSet& ds, const std::string& bytes) {
  oracle::qbe::TQBEDefinition definition(ds);
  dataset::TMemoryStream stream(bytes);
  try {
    definition.ReadFieldDefs(stream);
  } catch (const dataset::EReadError&) {
    if (definition.FieldCount() != 0) std::abort();
    return;
  } catch (const std::runtime_error& e) {
    if (std::string(e.what()) != "Invalid version of QBEDefinition") std::abort();
    if (definition.FieldCount() != 0) std::abort();
    return;
  }
  if (stream.Position() > stream.Size()) std::abort();
  dataset::TMemoryStream written;
  definition.WriteFieldDefs(written);
  oracle::qbe::TQBEDefinition again(ds);
  written.Seek(0, dataset::TSeekOrigin::soBeginning);
  again.ReadFieldDefs(written);
  if (!again.SameFieldDefs(definition) || written.Position() != written.Size()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static dataset::testing::MemoryDataSet* bare = new dataset::testing::MemoryDataSet;
  static dataset::testing::MemoryDataSet* described = [] {
    auto* d = new dataset::testing::MemoryDataSet;
    d->AddColumn("ENAME", TFieldType::ftString, 10);
    d->AddColumn("NOTES", TFieldType::ftMemo);
    d->AddColumn("HIREDATE", TFieldType::ftDateTime);
    d->Open();
    return d;
  }();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  ReadInto(*bare, bytes);
  ReadInto(*described, bytes);
  return 0;
}
