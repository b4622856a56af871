#pragma once
// What a dataset needs from the layers above it to answer a generic data
// provider: its keys and indexes come from the dictionary, its statements
// run on the editing layer's query. The provider support of those layers
// implements this; the Oracle library's start names the maker that gives
// each dataset its part at the first provider call. Without a maker the
// dataset answers as the framework's base does.

#include <cstdint>
#include <memory>
#include <string>

#include "dataset/dataset.h"

namespace oracle {

class TOracleDataSet;

// ProviderOptions bits: parts of the provider support switched off.
using TOracleProviderOptions = uint8_t;
inline constexpr TOracleProviderOptions opNoKeyFields = 1;
inline constexpr TOracleProviderOptions opNoIndexDefs = 2;
inline constexpr TOracleProviderOptions opNoDefaultOrder = 4;
inline constexpr TOracleProviderOptions opNoCommit = 8;

class TDataSetProvider {
 public:
  virtual ~TDataSetProvider() = default;
  virtual void Execute(TOracleDataSet& dataSet) = 0;
  virtual int ExecuteStatement(TOracleDataSet& dataSet, const std::string& sql,
                               dataset::TParams& params,
                               std::unique_ptr<dataset::TDataSet>* resultSet) = 0;
  virtual std::unique_ptr<dataset::TIndexDef> DefaultOrder(TOracleDataSet& dataSet) = 0;
  virtual std::string KeyFields(TOracleDataSet& dataSet) = 0;
  virtual dataset::TParams* Params(TOracleDataSet& dataSet) = 0;
  virtual std::string TableName(TOracleDataSet& dataSet) = 0;
  virtual dataset::TIndexDefs IndexDefs(TOracleDataSet& dataSet,
                                        dataset::TIndexOptions indexTypes) = 0;
  virtual void SetParams(TOracleDataSet& dataSet, const dataset::TParams& params) = 0;
  virtual void StartTransaction(TOracleDataSet& dataSet) = 0;
  virtual void EndTransaction(TOracleDataSet& dataSet, bool commit) = 0;
};

using TProviderPartMaker = std::shared_ptr<TDataSetProvider> (*)();
// Sets the maker of the datasets' provider parts (process-wide; null: none).
void SetProviderPartMaker(TProviderPartMaker maker);
TProviderPartMaker ProviderPartMaker();

}  // namespace oracle
