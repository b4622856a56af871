// The records QBE mode sets aside while the example record stands alone.

#include "oracle/dataset/dataset.h"

namespace oracle {

void TOracleDataSet::SetRecordsAside() {
  if (store_ == nullptr || aside_.store != nullptr) return;
  aside_.store = std::move(store_);
  aside_.bookmarkCounter = bookmarkCounter_;
  aside_.queryDone = queryDone_;
  store_ = std::make_unique<TRecordDataList>(*this);
  store_->SetUnidirectional(unidirectional_);
  // Nothing more is fetched into the empty store.
  queryDone_ = true;
  currentIndex_ = -1;
}

void TOracleDataSet::PutRecordsBack() {
  if (aside_.store == nullptr) return;
  store_ = std::move(aside_.store);
  bookmarkCounter_ = aside_.bookmarkCounter;
  queryDone_ = aside_.queryDone;
  aside_ = {};
  currentIndex_ = -1;
}

void TOracleDataSet::DropRecordsSetAside() {
  aside_ = {};
}

}  // namespace oracle
