// Navigation and bookmarks, all built on the descendant's GetRecord.

#include "dataset/database_error.h"
#include "dataset/dataset.h"

namespace dataset {

bool TDataSet::ReadRecord(TGetMode mode) {
  if (GetRecord(activeBuffer_, mode, false) != TGetResult::grOK) {
    // The descendant may have moved its cursor while failing.
    cursorOnActive_ = false;
    return false;
  }
  cursorOnActive_ = true;
  return true;
}

void TDataSet::UpdateCursorPos() {
  if (hasRecord_ && !cursorOnActive_) {
    InternalSetToRecord(activeBuffer_);
    cursorOnActive_ = true;
  }
}

void TDataSet::First() {
  CheckBrowseMode();
  DoBeforeScroll();
  InternalFirst();
  cursorOnActive_ = false;
  hasRecord_ = ReadRecord(TGetMode::gmNext);
  bof_ = true;
  eof_ = !hasRecord_;
  DataEvent(TDataEvent::deDataSetChange);
  DoAfterScroll();
}

void TDataSet::Last() {
  CheckBrowseMode();
  DoBeforeScroll();
  InternalLast();
  cursorOnActive_ = false;
  hasRecord_ = ReadRecord(TGetMode::gmPrior);
  eof_ = true;
  bof_ = !hasRecord_;
  DataEvent(TDataEvent::deDataSetChange);
  DoAfterScroll();
}

int TDataSet::MoveBy(int distance) {
  CheckBrowseMode();
  int moved = 0;
  if ((distance > 0 && !eof_) || (distance < 0 && !bof_)) {
    DoBeforeScroll();
    bof_ = eof_ = false;
    UpdateCursorPos();
    for (; distance > 0; --distance, ++moved) {
      if (!ReadRecord(TGetMode::gmNext)) {
        eof_ = true;
        break;
      }
    }
    for (; distance < 0; ++distance, ++moved) {
      if (!ReadRecord(TGetMode::gmPrior)) {
        bof_ = true;
        break;
      }
    }
    DataEvent(TDataEvent::deDataSetScroll);
    DoAfterScroll();
  }
  return moved;
}

int TDataSet::RecordCount() {
  CheckActive();
  return GetRecordCount();
}

int TDataSet::GetRecordCount() {
  return -1;
}
int TDataSet::GetRecNo() {
  return -1;
}
void TDataSet::SetRecNo(int) {}

void TDataSet::Resync() {
  hasRecord_ = ReadRecord(TGetMode::gmCurrent) || ReadRecord(TGetMode::gmNext) ||
               ReadRecord(TGetMode::gmPrior);
  if (hasRecord_) {
    bof_ = eof_ = false;
  } else {
    bof_ = eof_ = true;
  }
  DataEvent(TDataEvent::deDataSetChange);
}

void TDataSet::Refresh() {
  CheckBrowseMode();
  UpdateCursorPos();
  Fire(BeforeRefresh);
  InternalRefresh();
  Resync();
  Fire(AfterRefresh);
}

TBookmark TDataSet::GetBookmark() {
  if (!hasRecord_ || state_ == TDataSetState::dsInsert ||
      GetBookmarkFlag(activeBuffer_) != TBookmarkFlag::bfCurrent) {
    return {};
  }
  TBookmark bookmark(static_cast<std::size_t>(bookmarkSize_));
  GetBookmarkData(activeBuffer_, bookmark.data());
  return bookmark;
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
  if (bookmark.empty()) return;
  CheckBrowseMode();
  DoBeforeScroll();
  InternalGotoBookmark(bookmark.data());
  cursorOnActive_ = false;
  Resync();
  DoAfterScroll();
}

bool TDataSet::BookmarkValid(const TBookmark&) {
  return false;
}

int TDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) {
  if (a == b) return 0;
  return a < b ? -1 : 1;
}

void TDataSet::DoBeforeScroll() {
  Fire(BeforeScroll);
}
void TDataSet::DoAfterScroll() {
  Fire(AfterScroll);
}

}  // namespace dataset
