#pragma once
// Entity-update plug-in base: notified around changes of a host business
// object. The default bodies let every change go on and only trace the event
// in the debug log.

#include "hostplugin/custom_abstract_plugin.h"

namespace hostplugin {

class TCustomEntityUpdatePlugin : public TCustomBOPluginT<IEntityUpdatePlugin> {
 public:
  const char* ClassName() const override { return "TCustomEntityUpdatePlugin"; }

  // IEntityUpdatePlugin
  HRESULT BeforeUpdate(WordBool* result) final;
  HRESULT AfterUpdate() final;
  HRESULT OnCancel() final;
  HRESULT BeforeInsert(WordBool* result) final;
  HRESULT AfterInsert() final;
  HRESULT BeforeEdit(WordBool* result) final;
  HRESULT AfterEdit() final;
  HRESULT BeforeDelete(WordBool* result) final;
  HRESULT AfterDelete() final;
  HRESULT Supports(int32_t what, WordBool* result) final;
  HRESULT BeforeReversal(int32_t AEmplId, BSTR AComment, BSTR AComment2, WordBool* result) final;
  HRESULT AfterReversal(BSTR ANewDocSid) final;
  HRESULT BeforeCopy(WordBool* result) final;
  HRESULT AfterCopy() final;

 protected:
  void* FindInterface(const IID& iid) override;

  // "Before" events answer whether the change may go on.
  virtual bool BeforeUpdateImpl() { return LogBeforeEvent("BeforeUpdate"); }
  virtual void AfterUpdateImpl() { LogAfterEvent("AfterUpdate"); }
  virtual void OnCancelImpl() { LogAfterEvent("OnCancel"); }
  virtual bool BeforeInsertImpl() { return LogBeforeEvent("BeforeInsert"); }
  virtual void AfterInsertImpl() { LogAfterEvent("AfterInsert"); }
  virtual bool BeforeEditImpl() { return LogBeforeEvent("BeforeEdit"); }
  virtual void AfterEditImpl() { LogAfterEvent("AfterEdit"); }
  virtual bool BeforeDeleteImpl() { return LogBeforeEvent("BeforeDelete"); }
  virtual void AfterDeleteImpl() { LogAfterEvent("AfterDelete"); }
  virtual bool BeforeReversalImpl(int32_t AEmplId, const std::string& AComment,
                                  const std::string& AComment2);
  virtual void AfterReversalImpl(const std::string& ANewDocSid);
  virtual bool BeforeCopyImpl() { return LogBeforeEvent("BeforeCopy"); }
  virtual void AfterCopyImpl() { LogAfterEvent("AfterCopy"); }

  // Traces a "Before" event and its result (True).
  bool LogBeforeEvent(const char* event);
  // Traces an "After" event.
  void LogAfterEvent(const char* event);
};

}  // namespace hostplugin
