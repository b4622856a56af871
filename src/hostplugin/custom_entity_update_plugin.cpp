#include "hostplugin/custom_entity_update_plugin.h"

namespace hostplugin {
namespace {

constexpr int kEventLogLevel = 5;

}  // namespace

HRESULT TCustomEntityUpdatePlugin::BeforeUpdate(WordBool* result) {
  return SafeCall([&] {
    auto& out = OutArg(result);
    out = ToWordBool(BeforeUpdateImpl());
  });
}

HRESULT TCustomEntityUpdatePlugin::AfterUpdate() {
  return SafeCall([&] { AfterUpdateImpl(); });
}

HRESULT TCustomEntityUpdatePlugin::OnCancel() {
  return SafeCall([&] { OnCancelImpl(); });
}

HRESULT TCustomEntityUpdatePlugin::BeforeInsert(WordBool* result) {
  return SafeCall([&] {
    auto& out = OutArg(result);
    out = ToWordBool(BeforeInsertImpl());
  });
}

HRESULT TCustomEntityUpdatePlugin::AfterInsert() {
  return SafeCall([&] { AfterInsertImpl(); });
}

HRESULT TCustomEntityUpdatePlugin::BeforeEdit(WordBool* result) {
  return SafeCall([&] {
    auto& out = OutArg(result);
    out = ToWordBool(BeforeEditImpl());
  });
}

HRESULT TCustomEntityUpdatePlugin::AfterEdit() {
  return SafeCall([&] { AfterEditImpl(); });
}

HRESULT TCustomEntityUpdatePlugin::BeforeDelete(WordBool* result) {
  return SafeCall([&] {
    auto& out = OutArg(result);
    out = ToWordBool(BeforeDeleteImpl());
  });
}

HRESULT TCustomEntityUpdatePlugin::AfterDelete() {
  return SafeCall([&] { AfterDeleteImpl(); });
}

HRESULT TCustomEntityUpdatePlugin::Supports(int32_t what, WordBool* result) {
  return SafeCall([&] {
    auto& out = OutArg(result);
    out = ToWordBool(SupportsImpl(what));
  });
}

HRESULT TCustomEntityUpdatePlugin::BeforeReversal(int32_t AEmplId, BSTR AComment, BSTR AComment2,
                                                  WordBool* result) {
  return SafeCall([&] {
    auto& out = OutArg(result);
    out = ToWordBool(BeforeReversalImpl(AEmplId, Utf8FromBstr(AComment), Utf8FromBstr(AComment2)));
  });
}

HRESULT TCustomEntityUpdatePlugin::AfterReversal(BSTR ANewDocSid) {
  return SafeCall([&] { AfterReversalImpl(Utf8FromBstr(ANewDocSid)); });
}

HRESULT TCustomEntityUpdatePlugin::BeforeCopy(WordBool* result) {
  return SafeCall([&] {
    auto& out = OutArg(result);
    out = ToWordBool(BeforeCopyImpl());
  });
}

HRESULT TCustomEntityUpdatePlugin::AfterCopy() {
  return SafeCall([&] { AfterCopyImpl(); });
}

void* TCustomEntityUpdatePlugin::FindInterface(const IID& iid) {
  if (iid == IID_IEntityUpdatePlugin) return static_cast<IEntityUpdatePlugin*>(this);
  return TCustomBOPluginT::FindInterface(iid);
}

bool TCustomEntityUpdatePlugin::LogBeforeEvent(const char* event) {
  bool result = true;
  LogData("Event", std::string(ClassName()) + "." + event, ltCheckpoint, kEventLogLevel);
  LogData("Result", result, ltData, kEventLogLevel);
  WriteLog("End", ltCheckpoint, kEventLogLevel);
  return result;
}

void TCustomEntityUpdatePlugin::LogAfterEvent(const char* event) {
  LogData("Event", std::string(ClassName()) + "." + event, ltCheckpoint, kEventLogLevel);
  WriteLog("End", ltCheckpoint, kEventLogLevel);
}

bool TCustomEntityUpdatePlugin::BeforeReversalImpl(int32_t AEmplId, const std::string& AComment,
                                                   const std::string& AComment2) {
  bool result = true;
  LogData("Event", std::string(ClassName()) + ".BeforeReversal", ltCheckpoint, kEventLogLevel);
  WriteLog("Parameters", ltCheckpoint, kEventLogLevel);
  LogData("AEmplId", AEmplId, ltData, kEventLogLevel);
  LogData("AComment", AComment, ltData, kEventLogLevel);
  LogData("AComment2", AComment2, ltData, kEventLogLevel);
  LogData("Result", result, ltData, kEventLogLevel);
  WriteLog("End", ltCheckpoint, kEventLogLevel);
  return result;
}

void TCustomEntityUpdatePlugin::AfterReversalImpl(const std::string& ANewDocSid) {
  LogData("Event", std::string(ClassName()) + ".AfterReversal", ltCheckpoint, kEventLogLevel);
  WriteLog("Parameters", ltCheckpoint, kEventLogLevel);
  LogData("ANewDocSid", ANewDocSid, ltData, kEventLogLevel);
  WriteLog("End", ltCheckpoint, kEventLogLevel);
}

}  // namespace hostplugin
