// Master/detail linking of Oracle datasets: the link and its check against
// circles, the detail's variables filled from the master's current record,
// details re-run when the master's record changes, the master's linked
// fields protected while a detail holds records, and new detail records
// taking the master's values.

#include <algorithm>
#include <mutex>
#include <stdexcept>

#include "dataset/database_error.h"
#include "oracle/dataset/dataset.h"
#include "oracle/dataset/master_detail.h"
#include "oracle/values/type_codes.h"
#include "platform/text.h"

namespace oracle {
namespace {

using dataset::TDataSetState;

std::mutex configurationHookLock;
std::function<void(TOracleDataSet&)>& ConfigurationHook() {
  static std::function<void(TOracleDataSet&)> hook;
  return hook;
}

bool Designing(const dataset::TDataSet& dataSet) {
  return (dataSet.ComponentState() & dataset::csDesigning) != 0 &&
         (dataSet.ComponentState() & dataset::csLoading) == 0;
}

bool IsTextField(const dataset::TField& field) {
  const dataset::TFieldType type = field.DataType();
  return type == dataset::TFieldType::ftString || type == dataset::TFieldType::ftMemo ||
         type == dataset::TFieldType::ftWideString;
}

}  // namespace

std::vector<std::string> SplitNames(const std::string& names) {
  std::vector<std::string> list;
  std::size_t start = 0;
  while (start <= names.size()) {
    const std::size_t end = std::min(names.find(';', start), names.size());
    const std::string_view name =
        platform::TrimControls(std::string_view(names).substr(start, end - start));
    if (!name.empty()) list.emplace_back(name);
    start = end + 1;
  }
  return list;
}

std::vector<std::string> TableKeyColumns(TOracleDataSet& dataSet, const std::string& owner,
                                         const std::string& table, bool requireFields) {
  TOracleQuery query;
  query.SetSession(dataSet.Session());
  query.SetSQL(
      "select constraint_name from all_constraints\n"
      "where owner = :owner and table_name = :table_name\n"
      "and constraint_type in ('P', 'U')\n"
      "order by constraint_type");
  query.DeclareAndSet("owner", otype::String, Variant::String(owner));
  query.DeclareAndSet("table_name", otype::String, Variant::String(table));
  query.Execute();
  if (query.Eof()) return {};
  const Variant constraint = query.Field(0);
  query.SetSQL(
      "select column_name from all_cons_columns\n"
      "where owner = :owner and table_name = :table_name\n"
      "and constraint_name = :constraint_name\n"
      "order by position");
  query.DeclareAndSet("constraint_name", otype::String, constraint);
  std::vector<std::string> columns;
  for (query.Execute(); !query.Eof(); query.Next()) {
    columns.push_back(query.Field(0).ToText());
    if (requireFields && dataSet.FindField(columns.back()) == nullptr) return {};
  }
  return columns;
}

void SetMasterConfigurationHook(std::function<void(TOracleDataSet&)> hook) {
  std::lock_guard<std::mutex> lock(configurationHookLock);
  ConfigurationHook() = std::move(hook);
}

void TOracleDataSet::SetMaster(TOracleDataSet* master) {
  if (master == master_) return;
  for (const TOracleDataSet* link = master; link != nullptr; link = link->master_) {
    if (link == this) throw std::runtime_error("Circular master/detail dependency not allowed");
  }
  Close();
  TOracleDataSet* old = master_;
  if (old != nullptr) {
    old->details_.erase(std::remove(old->details_.begin(), old->details_.end(), this),
                        old->details_.end());
    if (old->IsCursorOpen()) old->ProtectLinkedFields(false);
  }
  master_ = master;
  refreshedFor_ = -1;
  if (master_ == nullptr) return;
  if (std::find(master_->details_.begin(), master_->details_.end(), this) ==
      master_->details_.end()) {
    master_->details_.push_back(this);
  }
  if (Designing(*this) && Designing(*master_)) {
    std::function<void(TOracleDataSet&)> hook;
    {
      std::lock_guard<std::mutex> lock(configurationHookLock);
      hook = ConfigurationHook();
    }
    if (hook) hook(*this);
  }
}

void TOracleDataSet::SetMasterFields(std::string names) {
  Close();
  masterFields_ = std::move(names);
}

void TOracleDataSet::SetDetailFields(std::string names) {
  Close();
  detailFields_ = std::move(names);
}

void TOracleDataSet::Unlink() {
  SetMaster(nullptr);
  while (!details_.empty()) details_.back()->SetMaster(nullptr);
}

int32_t TOracleDataSet::CurrentBookmarkNumber() const {
  if (store_ == nullptr || IsEmpty() || State() == TDataSetState::dsInsert) return -1;
  return RecordHeader(ActiveBuffer()).Bookmark;
}

bool TOracleDataSet::HasMasterRecord() const {
  if (master_ == nullptr) return true;
  const TOracleDataSet& master = *master_;
  return master.Active() && master.store_ != nullptr && !master.IsEmpty() &&
         master.State() != TDataSetState::dsInsert && !master.qbeMode_;
}

std::vector<std::pair<std::string, Variant>> TOracleDataSet::MasterValues() const {
  std::vector<std::pair<std::string, Variant>> values;
  if (master_ == nullptr || !master_->Active() || master_->store_ == nullptr) return values;
  const std::vector<dataset::TField*> fields = master_->GetFieldList(masterFields_);
  const std::vector<std::string> names = SplitNames(detailFields_);
  const std::size_t pairs =
      !names.empty() && names.size() <= fields.size() ? names.size() : fields.size();
  for (std::size_t i = 0; i < pairs; ++i) {
    dataset::TField& field = *fields[i];
    const std::string& name = i < names.size() ? names[i] : field.FieldName();
    Variant value = FieldOracleValue(field);
    const TOracleFieldInfo* info = master_->fieldInfo_.FindByField(field);
    const int32_t index = mainQuery_->VariableIndex(name);
    if (!value.IsNull() && info != nullptr &&
        master_->rowQuery_->FieldOracleType(info->ColumnIndex) == otype::Char &&
        (index < 0 || mainQuery_->VariableType(index) != otype::CharZ)) {
      std::string text = field.AsString();
      if (text.size() < static_cast<std::size_t>(info->Size)) {
        text.append(static_cast<std::size_t>(info->Size) - text.size(), ' ');
      }
      value = Variant::String(text);
    }
    values.emplace_back(name, std::move(value));
  }
  return values;
}

std::shared_ptr<const TMasterLink> TOracleDataSet::CurrentMasterLink() const {
  auto link = std::make_shared<TMasterLink>();
  link->values = MasterValues();
  for (const auto& [name, value] : link->values) {
    link->key += name;
    link->key += value.IsEmptyOrNull() ? std::string("\x01") : "\x02" + value.ToText();
    link->key += '\x1f';
  }
  return link;
}

void TOracleDataSet::SetMasterVariables() {
  for (const auto& [name, value] : MasterValues()) mainQuery_->SetVariable(name, value);
}

void TOracleDataSet::SetMasterVariablesFrom(const TChangeLogItem& item) {
  if (item.Link == nullptr) return;
  for (const auto& [name, value] : item.Link->values) mainQuery_->SetVariable(name, value);
}

bool TOracleDataSet::MasterHoldsRecordOf(const TChangeLogItem& item) {
  if (item.Link == nullptr || master_ == nullptr || !master_->Active() ||
      master_->store_ == nullptr)
    return false;
  // The master's fields read each of its records in turn.
  RecordInPlace shown(*master_, nullptr);
  for (int n = master_->store_->Base(); n < master_->store_->Count(); ++n) {
    shown.Show(master_->store_->Get(n));
    if (CurrentMasterLink()->key == item.Link->key) return true;
  }
  return false;
}

bool TOracleDataSet::VariablesMatchMaster() const {
  if (master_ == nullptr || !master_->Active()) return true;
  const std::vector<dataset::TField*> fields = master_->GetFieldList(masterFields_);
  const std::vector<std::string> names = SplitNames(detailFields_);
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const Variant master = FieldOracleValue(*fields[i]);
    const Variant own =
        mainQuery_->GetVariable(i < names.size() ? names[i] : fields[i]->FieldName());
    if (master.IsNull() != own.IsNull()) return false;
    if (!master.IsNull() && master.ToText() != own.ToText()) return false;
  }
  return true;
}

void TOracleDataSet::RefreshDetails(bool closing) {
  if (closing) {
    for (TOracleDataSet* detail : details_) detail->refreshedFor_ = -1;
    ProtectLinkedFields(true);
    return;
  }
  if (ControlsDisabled() || details_.empty()) return;
  const int32_t current = CurrentBookmarkNumber();
  for (TOracleDataSet* detail : details_) {
    if (!detail->Active() || detail->qbeMode_) continue;
    if (detail->HasMasterRecord() && detail->refreshedFor_ == current) continue;
    detail->Refresh();
  }
  ProtectLinkedFields(false);
}

void TOracleDataSet::ProtectLinkedFields(bool clearing) {
  for (dataset::TField* field : protectedFields_) field->SetReadOnly(false);
  protectedFields_.clear();
  if (clearing || qbeMode_ || details_.empty() || remoteModuleOwner_ ||
      (ComponentState() & dataset::csDesigning) != 0) {
    return;
  }
  for (const TOracleDataSet* detail : details_) {
    const bool holdsRecords =
        detail->store_ != nullptr &&
        (detail->State() == TDataSetState::dsInsert || detail->store_->RecordCount() > 0);
    if (!holdsRecords) continue;
    for (const std::string& name : SplitNames(detail->masterFields_)) {
      dataset::TField* field = FindField(name);
      if (field == nullptr || field->ReadOnly()) continue;
      field->SetReadOnly(true);
      protectedFields_.push_back(field);
    }
  }
}

void TOracleDataSet::RefreshDetailsOfClosedMaster() {
  for (TOracleDataSet* detail : details_) {
    if (detail->Active() && !detail->qbeMode_) detail->Refresh();
  }
}

void TOracleDataSet::TellMaster() {
  if (master_ != nullptr && master_->IsCursorOpen()) master_->ProtectLinkedFields(false);
}

void TOracleDataSet::TakeMasterValues() {
  if (master_ == nullptr || qbeMode_) return;
  const std::vector<dataset::TField*> fields = master_->GetFieldList(masterFields_);
  for (dataset::TField* field : fields) {
    const bool empty = field->IsNull() ||
                       (IsTextField(*field) && platform::TrimControls(field->AsString()).empty());
    if (empty) {
      master_->DataEvent(dataset::TDataEvent::deFocusControl, field);
      dataset::DatabaseError("Field '" + field->FieldName() + "' must have a value");
    }
  }
  const std::vector<std::string> names = SplitNames(detailFields_);
  for (std::size_t i = 0; i < fields.size() && (names.empty() || i < names.size()); ++i) {
    dataset::TField* own = FindField(names.empty() ? fields[i]->FieldName() : names[i]);
    if (own != nullptr) own->SetValue(fields[i]->Value());
  }
}

bool TOracleDataSet::IsDetailLinkField(const dataset::TField& field) const {
  if (master_ == nullptr) return false;
  const std::vector<std::string> masters = SplitNames(masterFields_);
  const std::vector<std::string> names = SplitNames(detailFields_);
  for (std::size_t i = 0; i < masters.size() && (names.empty() || i < names.size()); ++i)
    if (platform::SameText(names.empty() ? masters[i] : names[i], field.FieldName())) return true;
  return false;
}

void TOracleDataSet::PostDetails() {
  for (TOracleDataSet* detail : details_) {
    if (!detail->Active() || detail->qbeMode_) continue;
    if (detail->State() == TDataSetState::dsEdit || detail->State() == TDataSetState::dsInsert) {
      detail->Post();
    }
    detail->PostDetails();
  }
}

bool TOracleDataSet::DetailsHaveCachedUpdates() const {
  return std::any_of(details_.begin(), details_.end(), [](const TOracleDataSet* detail) {
    return detail->cachedUpdates_ && !detail->masterFields_.empty() && detail->UpdatesPending();
  });
}

void TOracleDataSet::Post() {
  if (master_ != nullptr && master_->posting_ && master_->State() == TDataSetState::dsInsert)
    return;
  posting_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{posting_};
  dataset::TDataSet::Post();
}

void TOracleDataSet::DataEvent(dataset::TDataEvent event, dataset::TField* field) {
  using dataset::TDataEvent;
  if (!details_.empty() && State() != TDataSetState::dsInactive &&
      (event == TDataEvent::deDataSetChange || event == TDataEvent::deDataSetScroll ||
       (event == TDataEvent::deUpdateState && detailsNeedRefresh_))) {
    if (event == TDataEvent::deUpdateState) detailsNeedRefresh_ = false;
    RefreshDetails(false);
  }
  if (master_ != nullptr && event == TDataEvent::deDataSetChange && IsCursorOpen()) TellMaster();
  dataset::TDataSet::DataEvent(event, field);
}

void TOracleDataSet::DoBeforeScroll() {
  PostDetails();
  dataset::TDataSet::DoBeforeScroll();
}

void TOracleDataSet::DoAfterInsert() {
  TellMaster();
  dataset::TDataSet::DoAfterInsert();
}

}  // namespace oracle
