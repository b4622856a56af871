#pragma once
// The small vocabulary shared by every part of the dataset framework: field
// types and kinds, dataset states, data events, record retrieval modes,
// bookmark flags, locate options and update status.

#include <cstdint>
#include <vector>

namespace dataset {

// Days since 30 December 1899, the fraction being the time of day.
using TDateTime = double;

// A record buffer: one block of GetRecordSize bytes whose layout belongs to
// the dataset class that allocated it.
using TRecordBuffer = uint8_t*;

// A bookmark: BookmarkSize bytes naming one record of an open dataset.
using TBookmark = std::vector<uint8_t>;

enum class TFieldType {
  ftUnknown,
  ftString,
  ftWideString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftLargeint,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftBCD,
  ftDate,
  ftTime,
  ftDateTime,
  ftMemo,
  ftBlob,
  ftOraBlob,
  ftOraClob,
  ftCursor,
};

enum class TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc };

enum class TDataSetState {
  dsInactive,
  dsBrowse,
  dsEdit,
  dsInsert,
  dsSetKey,
  dsCalcFields,
  dsFilter,
  dsNewValue,
  dsOldValue,
  dsCurValue,
  dsBlockRead,
};

enum class TDataEvent {
  deFieldChange,
  deRecordChange,
  deDataSetChange,
  deDataSetScroll,
  deLayoutChange,
  deUpdateRecord,
  deUpdateState,
  deCheckBrowseMode,
  dePropertyChange,
  deFieldListChange,
  deFocusControl,
};

enum class TGetMode { gmCurrent, gmNext, gmPrior };
enum class TGetResult { grOK, grBOF, grEOF, grError };

enum class TBookmarkFlag : uint8_t { bfCurrent, bfBOF, bfEOF, bfInserted };

enum class TUpdateStatus { usUnmodified, usModified, usInserted, usDeleted };

// What an error handler of post, edit or delete asks for.
enum class TDataAction { daFail, daAbort, daRetry };

enum class TBlobStreamMode { bmRead, bmWrite, bmReadWrite };

// Locate options as bits: bit 0 case-insensitive, bit 1 partial key.
using TLocateOptions = uint8_t;
inline constexpr TLocateOptions loCaseInsensitive = 1;
inline constexpr TLocateOptions loPartialKey = 2;

// Filter options as bits.
using TFilterOptions = uint8_t;
inline constexpr TFilterOptions foCaseInsensitive = 1;
inline constexpr TFilterOptions foNoPartialCompare = 2;

// What a component is going through, as bits.
using TComponentState = uint8_t;
inline constexpr TComponentState csLoading = 1;
inline constexpr TComponentState csReading = 2;
inline constexpr TComponentState csDesigning = 4;
inline constexpr TComponentState csDestroying = 8;

// True for the states in which a record's fields may be written.
constexpr bool IsEditState(TDataSetState s) {
  return s == TDataSetState::dsEdit || s == TDataSetState::dsInsert || s == TDataSetState::dsSetKey;
}

}  // namespace dataset
