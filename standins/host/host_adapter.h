#pragma once
// The simulated host's IPluginAdapter: the plug-ins' window on the host's
// business objects and preferences. Every call is recorded in a trace (method
// name and arguments) so that tests and the demo can see what a plug-in asked
// of the host. Failures answer status 0 and leave a last error behind; a
// scenario can make chosen operations fail that way (HostFault).

#include <cstdint>
#include <string>
#include <vector>

#include "business_objects.h"
#include "host_interfaces/host_interfaces.h"
#include "platform/com/vtable_dispatch.h"

namespace hostsim {

// A failure the host gives instead of doing an operation: "post", "filter",
// "read", "open", "edit" or "insert", on objects of `kind` (0: any), for
// "filter" and "read" only on `attribute` (empty: any). "stray filter" is a
// filter answered as done that leaves the object on another record.
struct HostFault {
  std::string operation;
  int32_t kind = 0;
  std::string attribute;
  int32_t code = 1;
  std::string text;
  std::string function;
};

class HostAdapter : public VtableDispatchObject<IPluginAdapter> {
 public:
  HostAdapter() = default;

  BusinessObjectStore& Store() { return store_; }
  const std::vector<std::string>& Trace() const { return trace_; }
  void ClearTrace() { trace_.clear(); }
  // How often each handle was asked to reprint.
  int ReprintCount(int32_t handle) const;
  void AddFault(HostFault fault) { faults_.push_back(std::move(fault)); }
  void ClearFaults() { faults_.clear(); }

  // IPluginAdapter
  HRESULT BOSetAttrValue(int32_t handle, BSTR attrName, const VARIANT* value,
                         int32_t* status) override;
  HRESULT BOGetAttrValue(int32_t handle, BSTR attrName, VARIANT* value) override;
  HRESULT BOIsOpen(int32_t handle, int32_t* status) override;
  HRESULT BOIsActive(int32_t handle, WordBool* active) override;
  HRESULT BOOperation17(int32_t handle, WordBool flag, const VARIANT* argument,
                        int32_t* status) override;
  HRESULT BOOpen(int32_t handle, int32_t* status) override;
  HRESULT BOClose(int32_t handle, int32_t* status) override;
  HRESULT BOEdit(int32_t handle, int32_t* status) override;
  HRESULT BOInsert(int32_t handle, int32_t* status) override;
  HRESULT BOPost(int32_t handle, int32_t* status) override;
  HRESULT BOFirst(int32_t handle, int32_t* status) override;
  HRESULT BONext(int32_t handle, int32_t* status) override;
  HRESULT BOEof(int32_t handle, WordBool* atEnd) override;
  HRESULT BOCreate(int32_t kind, int32_t* handle, int32_t* status) override;
  HRESULT BOGetChild(int32_t handle, BSTR refName, int32_t* childHandle, int32_t* status) override;
  HRESULT GetPreference(int32_t number, int32_t subsidiary, VARIANT* value) override;
  HRESULT BOIncludeAttrForced(int32_t handle, BSTR attrName, WordBool forced,
                              int32_t* status) override;
  HRESULT BOSetFilterAttr(int32_t handle, BSTR attrName, const VARIANT* value, int32_t mode,
                          int32_t option1, int32_t option2, int32_t* status) override;
  HRESULT BOOperation95(int32_t handle, const VARIANT* argument, int32_t* status) override;
  HRESULT GetLastErrorMessage(BSTR* text) override;
  HRESULT GetLastErrorCode(int32_t* code) override;
  HRESULT GetLastErrorFunction(BSTR* text) override;
  HRESULT Operation125(int32_t* status) override;
  HRESULT BOReprint(int32_t handle, int32_t option, BSTR text, int32_t* status) override;

  // Slots the plug-ins never call: traced and answered E_NOTIMPL.
#define NORVANE_HOST_PLACEHOLDER(n) \
  HRESULT Reserved##n() override {  \
    return Placeholder(#n);         \
  }
  NORVANE_HOST_PLACEHOLDER(000)
  NORVANE_HOST_PLACEHOLDER(003)
  NORVANE_HOST_PLACEHOLDER(004)
  NORVANE_HOST_PLACEHOLDER(005)
  NORVANE_HOST_PLACEHOLDER(007)
  NORVANE_HOST_PLACEHOLDER(008)
  NORVANE_HOST_PLACEHOLDER(009)
  NORVANE_HOST_PLACEHOLDER(010)
  NORVANE_HOST_PLACEHOLDER(012)
  NORVANE_HOST_PLACEHOLDER(013)
  NORVANE_HOST_PLACEHOLDER(014)
  NORVANE_HOST_PLACEHOLDER(015)
  NORVANE_HOST_PLACEHOLDER(016)
  NORVANE_HOST_PLACEHOLDER(018)
  NORVANE_HOST_PLACEHOLDER(019)
  NORVANE_HOST_PLACEHOLDER(020)
  NORVANE_HOST_PLACEHOLDER(021)
  NORVANE_HOST_PLACEHOLDER(022)
  NORVANE_HOST_PLACEHOLDER(023)
  NORVANE_HOST_PLACEHOLDER(024)
  NORVANE_HOST_PLACEHOLDER(025)
  NORVANE_HOST_PLACEHOLDER(027)
  NORVANE_HOST_PLACEHOLDER(029)
  NORVANE_HOST_PLACEHOLDER(032)
  NORVANE_HOST_PLACEHOLDER(034)
  NORVANE_HOST_PLACEHOLDER(035)
  NORVANE_HOST_PLACEHOLDER(036)
  NORVANE_HOST_PLACEHOLDER(039)
  NORVANE_HOST_PLACEHOLDER(040)
  NORVANE_HOST_PLACEHOLDER(041)
  NORVANE_HOST_PLACEHOLDER(042)
  NORVANE_HOST_PLACEHOLDER(044)
  NORVANE_HOST_PLACEHOLDER(045)
  NORVANE_HOST_PLACEHOLDER(046)
  NORVANE_HOST_PLACEHOLDER(047)
  NORVANE_HOST_PLACEHOLDER(048)
  NORVANE_HOST_PLACEHOLDER(049)
  NORVANE_HOST_PLACEHOLDER(050)
  NORVANE_HOST_PLACEHOLDER(051)
  NORVANE_HOST_PLACEHOLDER(052)
  NORVANE_HOST_PLACEHOLDER(053)
  NORVANE_HOST_PLACEHOLDER(054)
  NORVANE_HOST_PLACEHOLDER(055)
  NORVANE_HOST_PLACEHOLDER(056)
  NORVANE_HOST_PLACEHOLDER(057)
  NORVANE_HOST_PLACEHOLDER(058)
  NORVANE_HOST_PLACEHOLDER(059)
  NORVANE_HOST_PLACEHOLDER(060)
  NORVANE_HOST_PLACEHOLDER(061)
  NORVANE_HOST_PLACEHOLDER(062)
  NORVANE_HOST_PLACEHOLDER(063)
  NORVANE_HOST_PLACEHOLDER(064)
  NORVANE_HOST_PLACEHOLDER(065)
  NORVANE_HOST_PLACEHOLDER(067)
  NORVANE_HOST_PLACEHOLDER(068)
  NORVANE_HOST_PLACEHOLDER(069)
  NORVANE_HOST_PLACEHOLDER(070)
  NORVANE_HOST_PLACEHOLDER(071)
  NORVANE_HOST_PLACEHOLDER(072)
  NORVANE_HOST_PLACEHOLDER(073)
  NORVANE_HOST_PLACEHOLDER(074)
  NORVANE_HOST_PLACEHOLDER(075)
  NORVANE_HOST_PLACEHOLDER(076)
  NORVANE_HOST_PLACEHOLDER(077)
  NORVANE_HOST_PLACEHOLDER(080)
  NORVANE_HOST_PLACEHOLDER(081)
  NORVANE_HOST_PLACEHOLDER(082)
  NORVANE_HOST_PLACEHOLDER(084)
  NORVANE_HOST_PLACEHOLDER(085)
  NORVANE_HOST_PLACEHOLDER(086)
  NORVANE_HOST_PLACEHOLDER(087)
  NORVANE_HOST_PLACEHOLDER(088)
  NORVANE_HOST_PLACEHOLDER(089)
  NORVANE_HOST_PLACEHOLDER(090)
  NORVANE_HOST_PLACEHOLDER(092)
  NORVANE_HOST_PLACEHOLDER(093)
  NORVANE_HOST_PLACEHOLDER(094)
  NORVANE_HOST_PLACEHOLDER(096)
  NORVANE_HOST_PLACEHOLDER(097)
  NORVANE_HOST_PLACEHOLDER(098)
  NORVANE_HOST_PLACEHOLDER(099)
  NORVANE_HOST_PLACEHOLDER(100)
  NORVANE_HOST_PLACEHOLDER(101)
  NORVANE_HOST_PLACEHOLDER(102)
  NORVANE_HOST_PLACEHOLDER(103)
  NORVANE_HOST_PLACEHOLDER(104)
  NORVANE_HOST_PLACEHOLDER(105)
  NORVANE_HOST_PLACEHOLDER(106)
  NORVANE_HOST_PLACEHOLDER(107)
  NORVANE_HOST_PLACEHOLDER(108)
  NORVANE_HOST_PLACEHOLDER(109)
  NORVANE_HOST_PLACEHOLDER(110)
  NORVANE_HOST_PLACEHOLDER(111)
  NORVANE_HOST_PLACEHOLDER(112)
  NORVANE_HOST_PLACEHOLDER(113)
  NORVANE_HOST_PLACEHOLDER(114)
  NORVANE_HOST_PLACEHOLDER(115)
  NORVANE_HOST_PLACEHOLDER(116)
  NORVANE_HOST_PLACEHOLDER(117)
  NORVANE_HOST_PLACEHOLDER(118)
  NORVANE_HOST_PLACEHOLDER(119)
  NORVANE_HOST_PLACEHOLDER(120)
  NORVANE_HOST_PLACEHOLDER(121)
#undef NORVANE_HOST_PLACEHOLDER

 protected:
  void* FindInterface(const IID& iid) override;

 private:
  HRESULT Placeholder(const char* number);
  // Runs `body` for the object behind `handle`; an unknown handle answers
  // status 0 with a last error.
  template <class Body>
  int32_t WithObject(const char* function, int32_t handle, Body&& body);
  void Fail(const char* function, int32_t code, const std::string& message);
  // The planned fault of this operation on this object and attribute, if any.
  const HostFault* Planned(const char* operation, const BusinessObject& object,
                           const std::string& attribute) const;
  // True (and a last error left) when a planned fault hits this operation.
  bool Faulted(const char* operation, const BusinessObject& object,
               const std::string& attribute = {});
  // True when a filter on this attribute is planned to land on another record.
  bool Strays(const BusinessObject& object, const std::string& attribute) const {
    return Planned("stray filter", object, attribute) != nullptr;
  }
  void Record(std::string entry) {
    trace_.push_back(std::move(entry));
  }

  BusinessObjectStore store_;
  std::vector<std::string> trace_;
  std::map<int32_t, int> reprints_;
  std::vector<HostFault> faults_;
  std::string last_error_message_;
  std::string last_error_function_;
  int32_t last_error_code_ = 0;
};

}  // namespace hostsim
