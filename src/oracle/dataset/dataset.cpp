// The Oracle dataset's life: construction, the properties with behaviour of
// their own (SQL, session, active), its place in the session's dataset list
// and what the field information asks of it.

#include "oracle/dataset/dataset.h"

#include <mutex>
#include <string_view>

#include "dataset/database_error.h"
#include "oracle/session/session.h"
#include "platform/text.h"

namespace oracle {
namespace {

std::mutex createdHookLock;
std::function<void(TOracleDataSet&)>& CreatedHook() {
  static std::function<void(TOracleDataSet&)> hook;
  return hook;
}

}  // namespace

void SetDataSetCreatedHook(std::function<void(TOracleDataSet&)> hook) {
  std::lock_guard<std::mutex> lock(createdHookLock);
  CreatedHook() = std::move(hook);
}

TOracleDataSet::TOracleDataSet(const void* owner, bool remoteModuleOwner)
    : owner_(owner),
      remoteModuleOwner_(remoteModuleOwner),
      mainQuery_(std::make_unique<TOracleQuery>(this)) {
  std::function<void(TOracleDataSet&)> hook;
  {
    std::lock_guard<std::mutex> lock(createdHookLock);
    hook = CreatedHook();
  }
  if (hook) hook(*this);
}

TOracleDataSet::~TOracleDataSet() {
  SetComponentState(ComponentState() | dataset::csDestroying);
  try {
    Close();
  } catch (...) {
    // Closing frees memory only; nothing may leave a destructor.
  }
  Unlink();
  if (Session() != nullptr) {
    Session()->AttachedObjects().Detach(SessionObjectList::kDataSets, this);
  }
  monitorId_.Unregister(Session());
}

void TOracleDataSet::SetSQL(std::string text) {
  mainQuery_->SetSQL(std::move(text));
  DataEvent(dataset::TDataEvent::dePropertyChange);
  if (Active()) {
    Close();
    Open();
  }
}

void TOracleDataSet::SetStringFieldsOnly(bool on) {
  mainQuery_->SetStringFieldsOnly(on);
  DataEvent(dataset::TDataEvent::dePropertyChange);
  if (Active()) {
    Close();
    Open();
  }
}

void TOracleDataSet::SetUnidirectional(bool on) {
  CheckInactive();
  unidirectional_ = on;
}

void TOracleDataSet::SetSession(TOracleSession* session) {
  TOracleSession* old = Session();
  if (session == old) return;
  if (session != nullptr || !detachable_) Close();
  if (old != nullptr) old->AttachedObjects().Detach(SessionObjectList::kDataSets, this);
  monitorId_.Unregister(old);
  monitorId_.Clear();
  mainQuery_->SetSession(session);
  if (session != nullptr) session->AttachedObjects().Attach(SessionObjectList::kDataSets, this);
  if (Detached()) DataEvent(dataset::TDataEvent::deDataSetChange);
  if (activationPending_) SetActive(true);
}

bool TOracleDataSet::Detached() const {
  return Active() && (Session() == nullptr || !Session()->Connected());
}

void TOracleDataSet::SetActive(bool active) {
  const dataset::TComponentState state = ComponentState();
  const bool designing = (state & dataset::csDesigning) != 0;
  if ((state & dataset::csReading) != 0 && designActivation_ && !designing) return;
  if (active && (state & (dataset::csLoading | dataset::csReading)) != 0) {
    activationPending_ = true;
    return;
  }
  if (active && designing && Session() == nullptr) {
    activationPending_ = true;
    return;
  }
  const bool wasPending = activationPending_;
  activationPending_ = false;
  if (active == Active()) return;
  if (Session() != nullptr) Session()->CompletePendingLogOn();
  if (active && wasPending && !designing && (Session() == nullptr || !Session()->Connected())) {
    return;
  }
  dataset::TDataSet::SetActive(active);
  if (active && Active() && qbeMode_ && QBEModePart) QBEModePart->Opened();
}

void TOracleDataSet::Loaded() {
  dataset::TDataSet::Loaded();
  if (activationPending_) SetActive(true);
}

bool TOracleDataSet::NullLOBIsEmpty() const {
  return Session() != nullptr && Session()->Preferences().NullLOBIsEmpty();
}

bool TOracleDataSet::NullObjectIsEmpty() const {
  return Session() != nullptr && Session()->Preferences().NullObjectIsEmpty();
}

std::string TOracleDataSet::ConvertString(const std::string& value) const {
  return std::string(ShownText(value));
}

std::string_view TOracleDataSet::ShownText(std::string_view text) const {
  const bool trim = Session() == nullptr || Session()->Preferences().TrimStringFields();
  return trim ? platform::TrimRightControls(text) : text;
}

bool TOracleDataSet::FieldChanged(dataset::TField& field) const {
  if (applyingItem_ != nullptr) return LoggedFieldChanged(*applyingItem_, field);
  const dataset::TDataSetState state = State();
  if (state != dataset::TDataSetState::dsEdit && state != dataset::TDataSetState::dsInsert) {
    return false;
  }
  if (field.IsBlob()) {
    if (!editBlobs_) return false;
    for (int i = 0; i < editBlobs_->Count(); ++i)
      if (editBlobs_->Items(i).Field() == &field && editBlobs_->Items(i).Changed) return true;
    return false;
  }
  const ::Variant now = field.Value();
  if (state == dataset::TDataSetState::dsInsert) return !now.IsNull() && !now.IsEmpty();
  const ::Variant before = field.OldValue();
  const bool nullNow = now.IsNull() || now.IsEmpty();
  const bool nullBefore = before.IsNull() || before.IsEmpty();
  if (nullNow || nullBefore) return nullNow != nullBefore;
  return now.ToString() != before.ToString();
}

bool TOracleDataSet::LoggedFieldChanged(const TChangeLogItem& item, dataset::TField& field) const {
  if (item.Kind == 'D') return false;
  if (field.IsBlob()) {
    // The cached values of both images; no value and an empty one are alike.
    const auto value = [&field](const std::unique_ptr<TRecordImage>& image) {
      TBlobList* list = image ? BlobListOf(image->Header()) : nullptr;
      const TOracleBlob* blob = list != nullptr ? list->BlobByField(&field) : nullptr;
      return blob != nullptr ? std::string_view(blob->Data()) : std::string_view();
    };
    if (item.Kind == 'I') return !value(item.NewRecord).empty();
    return value(item.NewRecord) != value(item.OldRecord);
  }
  // Read in the browse state from the new image, in the old-value state
  // from the old one.
  const ::Variant now = field.Value();
  const bool nullNow = now.IsNull() || now.IsEmpty();
  if (item.Kind == 'I') return !nullNow;
  const ::Variant before = field.OldValue();
  const bool nullBefore = before.IsNull() || before.IsEmpty();
  if (nullNow || nullBefore) return nullNow != nullBefore;
  return now.ToString() != before.ToString();
}

void TOracleDataSet::SessionLoggingOff() {
  Close();
}

void TOracleDataSet::SessionLayoutChanged() {
  if (!Active()) return;
  Close();
  Open();
}

void TOracleDataSet::SessionDestroyed() {
  // The session already took the dataset off its list; the main query was
  // told on its own.
  try {
    Close();
  } catch (...) {
    // Closing frees memory only.
  }
}

}  // namespace oracle
