// The Oracle library's start: the layers above the dataset join every
// dataset once, when the library is loaded, so that a program that links
// the library edits, posts, locks, checks and refreshes records, enforces
// the dictionary options and answers a data provider with no set-up call of
// its own. The dataset layer reaches them only through these hooks.

#include <memory>

#include "oracle/dataset/dataset.h"
#include "oracle/dictionary/dictionary_posting.h"
#include "oracle/dictionary/master_detail_config.h"
#include "oracle/dml/posting.h"
#include "oracle/provider/provider_support.h"

namespace oracle {
namespace {

std::shared_ptr<TDataSetProvider> MakeProviderSupport() {
  return std::make_shared<TOracleProviderSupport>();
}

// Every hook holds its value in a constant-initialised or function-local
// variable, so setting them from a static constructor is safe whatever the
// order of the library's other static constructors.
struct TLibraryStart {
  TLibraryStart() {
    SetRecordPosting(&DictionaryPosting());
    SetKeyColumnsLookup(&UpdatingTableKey);
    SetProviderPartMaker(&MakeProviderSupport);
    SetMasterConfigurationHook([](TOracleDataSet& detail) { ConfigureMasterDetail(detail); });
  }
};

const TLibraryStart start;

}  // namespace
}  // namespace oracle

// The symbol the library's link option names (src/oracle/CMakeLists.txt):
// it keeps this file, and with it the start, in every program that links
// the library, although nothing calls into it.
extern "C" void norvane_oracle_library_start() {}
