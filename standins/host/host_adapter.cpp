#include "host_adapter.h"

#include <string_view>

#include "platform/com/safecall.h"

namespace hostsim {
namespace {

constexpr int32_t kFailed = 0;

// A value as it appears in the trace.
std::string Show(const VARIANT* value) {
  if (value == nullptr) return "(none)";
  if ((value->vt & VT_ARRAY) != 0) return "(array)";
  if (value->vt == VT_EMPTY) return "(empty)";
  if (value->vt == VT_NULL) return "(null)";
  if (value->vt == VT_UNKNOWN || value->vt == VT_DISPATCH) return "(object)";
  try {
    return Variant(*value).ToString();
  } catch (const std::exception&) {
    return "(vt " + std::to_string(value->vt) + ")";
  }
}

std::string Call(std::string_view method, std::initializer_list<std::string> args) {
  std::string text(method);
  text += "(";
  bool first = true;
  for (const std::string& arg : args) {
    if (!first) text += ", ";
    text += arg;
    first = false;
  }
  return text + ")";
}

std::string Num(int32_t value) {
  return std::to_string(value);
}

template <class T>
T& Out(T* p) {
  if (p == nullptr) throw ComError(E_POINTER, "null out parameter");
  return *p;
}

}  // namespace

int HostAdapter::ReprintCount(int32_t handle) const {
  auto it = reprints_.find(handle);
  return it == reprints_.end() ? 0 : it->second;
}

void* HostAdapter::FindInterface(const IID& iid) {
  if (iid == IID_IDispatch) return static_cast<IDispatch*>(this);
  if (iid == IID_IPluginAdapter) return static_cast<IPluginAdapter*>(this);
  return nullptr;
}

HRESULT HostAdapter::Placeholder(const char* number) {
  Record(std::string("Reserved") + number + "()");
  return E_NOTIMPL;
}

void HostAdapter::Fail(const char* function, int32_t code, const std::string& message) {
  last_error_function_ = function;
  last_error_code_ = code;
  last_error_message_ = message;
}

const HostFault* HostAdapter::Planned(const char* operation, const BusinessObject& object,
                                      const std::string& attribute) const {
  for (const HostFault& fault : faults_) {
    if (fault.operation != operation) continue;
    if (fault.kind != 0 && fault.kind != object.Kind()) continue;
    if (!fault.attribute.empty() && !SameName(fault.attribute, attribute)) continue;
    return &fault;
  }
  return nullptr;
}

bool HostAdapter::Faulted(const char* operation, const BusinessObject& object,
                          const std::string& attribute) {
  const HostFault* fault = Planned(operation, object, attribute);
  if (fault == nullptr) return false;
  Fail(fault->function.c_str(), fault->code, fault->text);
  return true;
}

template <class Body>
int32_t HostAdapter::WithObject(const char* function, int32_t handle, Body&& body) {
  BusinessObject* object = store_.Find(handle);
  if (object == nullptr) {
    Fail(function, 1, "Invalid business object handle " + std::to_string(handle));
    return kFailed;
  }
  return body(*object);
}

HRESULT HostAdapter::BOSetAttrValue(int32_t handle, BSTR attrName, const VARIANT* value,
                                    int32_t* status) {
  return SafeCall([&] {
    auto& out = Out(status);
    std::string name = Utf8FromBstr(attrName);
    Record(Call("BOSetAttrValue", {Num(handle), name, Show(value)}));
    out = WithObject("BOSetAttrValue", handle, [&](BusinessObject& object) {
      BORecord* record = object.Current();
      if (record == nullptr) {
        Fail("BOSetAttrValue", 2, "No current record");
        return kFailed;
      }
      if (object.State() == BusinessObject::Mode::Browse) {
        Fail("BOSetAttrValue", 4, "The business object is not in edit or insert mode");
        return kFailed;
      }
      std::string error;
      if (!store_.SetValue(object.Kind(), *record, name,
                           value != nullptr ? Variant(*value) : Variant(), error)) {
        Fail("BOSetAttrValue", 6, error);
        return kFailed;
      }
      return kAdapterSuccess;
    });
  });
}

HRESULT HostAdapter::BOGetAttrValue(int32_t handle, BSTR attrName, VARIANT* value) {
  return SafeCall([&] {
    auto& out = Out(value);
    std::string name = Utf8FromBstr(attrName);
    Record(Call("BOGetAttrValue", {Num(handle), name}));
    BusinessObject* object = store_.Find(handle);
    if (object == nullptr) throw ComError(E_INVALIDARG, "invalid business object handle");
    if (Faulted("read", *object, name)) throw ComError(E_FAIL, last_error_message_);
    Variant result = object->Read(name);
    out = result.Detach();
  });
}

HRESULT HostAdapter::BOIsOpen(int32_t handle, int32_t* status) {
  return SafeCall([&] {
    auto& out = Out(status);
    Record(Call("BOIsOpen", {Num(handle)}));
    // The host answers 1 for an open object, 0 otherwise.
    out = WithObject("BOIsOpen", handle,
                     [](BusinessObject& object) { return object.IsOpen() ? 1 : 0; });
  });
}

HRESULT HostAdapter::BOIsActive(int32_t handle, WordBool* active) {
  return SafeCall([&] {
    auto& out = Out(active);
    Record(Call("BOIsActive", {Num(handle)}));
    BusinessObject* object = store_.Find(handle);
    // The host answers 1 for an active object.
    out = object != nullptr && object->IsOpen() ? 1 : 0;
  });
}

HRESULT HostAdapter::BOOperation17(int32_t handle, WordBool flag, const VARIANT* argument,
                                   int32_t* status) {
  return SafeCall([&] {
    auto& out = Out(status);
    Record(Call("BOOperation17", {Num(handle), Num(flag), Show(argument)}));
    out = WithObject("BOOperation17", handle, [](BusinessObject&) { return kAdapterSuccess; });
  });
}

HRESULT HostAdapter::BOOpen(int32_t handle, int32_t* status) {
  return SafeCall([&] {
    auto& out = Out(status);
    Record(Call("BOOpen", {Num(handle)}));
    out = WithObject("BOOpen", handle, [&](BusinessObject& object) {
      if (Faulted("open", object)) return kFailed;
      object.Open();
      return kAdapterSuccess;
    });
  });
}

HRESULT HostAdapter::BOClose(int32_t handle, int32_t* status) {
  return SafeCall([&] {
    auto& out = Out(status);
    Record(Call("BOClose", {Num(handle)}));
    out = WithObject("BOClose", handle, [](BusinessObject& object) {
      object.Close();
      return kAdapterSuccess;
    });
  });
}

HRESULT HostAdapter::BOEdit(int32_t handle, int32_t* status) {
  return SafeCall([&] {
    auto& out = Out(status);
    Record(Call("BOEdit", {Num(handle)}));
    out = WithObject("BOEdit", handle, [&](BusinessObject& object) {
      if (Faulted("edit", object)) return kFailed;
      if (!object.Edit()) {
        Fail("BOEdit", 2, "No current record");
        return kFailed;
      }
      return kAdapterSuccess;
    });
  });
}

HRESULT HostAdapter::BOInsert(int32_t handle, int32_t* status) {
  return SafeCall([&] {
    auto& out = Out(status);
    Record(Call("BOInsert", {Num(handle)}));
    out = WithObject("BOInsert", handle, [&](BusinessObject& object) {
      if (Faulted("insert", object)) return kFailed;
      object.Insert();
      return kAdapterSuccess;
    });
  });
}

HRESULT HostAdapter::BOPost(int32_t handle, int32_t* status) {
  return SafeCall([&] {
    auto& out = Out(status);
    Record(Call("BOPost", {Num(handle)}));
    out = WithObject("BOPost", handle, [&](BusinessObject& object) {
      if (Faulted("post", object)) return kFailed;
      if (store_.Post(object) == nullptr) {
        Fail("BOPost", 5, "The business object is not in edit or insert mode");
        return kFailed;
      }
      return kAdapterSuccess;
    });
  });
}

HRESULT HostAdapter::BOFirst(int32_t handle, int32_t* status) {
  return SafeCall([&] {
    auto& out = Out(status);
    Record(Call("BOFirst", {Num(handle)}));
    out = WithObject("BOFirst", handle, [](BusinessObject& object) {
      object.First();
      return kAdapterSuccess;
    });
  });
}

HRESULT HostAdapter::BONext(int32_t handle, int32_t* status) {
  return SafeCall([&] {
    auto& out = Out(status);
    Record(Call("BONext", {Num(handle)}));
    out = WithObject("BONext", handle, [](BusinessObject& object) {
      object.Next();
      return kAdapterSuccess;
    });
  });
}

HRESULT HostAdapter::BOEof(int32_t handle, WordBool* atEnd) {
  return SafeCall([&] {
    auto& out = Out(atEnd);
    Record(Call("BOEof", {Num(handle)}));
    BusinessObject* object = store_.Find(handle);
    out = ToWordBool(object == nullptr || object->AtEnd());
  });
}

HRESULT HostAdapter::BOCreate(int32_t kind, int32_t* handle, int32_t* status) {
  return SafeCall([&] {
    auto& outHandle = Out(handle);
    auto& outStatus = Out(status);
    Record(Call("BOCreate", {Num(kind)}));
    outHandle = store_.Create(kind);
    outStatus = kAdapterSuccess;
  });
}

HRESULT HostAdapter::BOGetChild(int32_t handle, BSTR refName, int32_t* childHandle,
                                int32_t* status) {
  return SafeCall([&] {
    auto& outChild = Out(childHandle);
    auto& outStatus = Out(status);
    std::string reference = Utf8FromBstr(refName);
    Record(Call("BOGetChild", {Num(handle), reference}));
    int32_t child = -1;
    outStatus = WithObject("BOGetChild", handle, [&](BusinessObject&) {
      std::optional<int32_t> found = store_.Child(handle, reference);
      if (!found) {
        Fail("BOGetChild", 3, "Unknown reference " + reference);
        return kFailed;
      }
      child = *found;
      return kAdapterSuccess;
    });
    outChild = child;
  });
}

HRESULT HostAdapter::GetPreference(int32_t number, int32_t subsidiary, VARIANT* value) {
  return SafeCall([&] {
    auto& out = Out(value);
    Record(Call("GetPreference", {Num(number), Num(subsidiary)}));
    Variant result = store_.Preference(number, subsidiary);
    out = result.Detach();
  });
}

HRESULT HostAdapter::BOIncludeAttrForced(int32_t handle, BSTR attrName, WordBool forced,
                                         int32_t* status) {
  return SafeCall([&] {
    auto& out = Out(status);
    std::string name = Utf8FromBstr(attrName);
    Record(Call("BOIncludeAttrForced", {Num(handle), name, Num(forced)}));
    out = WithObject("BOIncludeAttrForced", handle, [&](BusinessObject& object) {
      object.Include(name);
      return kAdapterSuccess;
    });
  });
}

HRESULT HostAdapter::BOSetFilterAttr(int32_t handle, BSTR attrName, const VARIANT* value,
                                     int32_t mode, int32_t option1, int32_t option2,
                                     int32_t* status) {
  return SafeCall([&] {
    auto& out = Out(status);
    std::string name = Utf8FromBstr(attrName);
    Record(Call("BOSetFilterAttr",
                {Num(handle), name, Show(value), Num(mode), Num(option1), Num(option2)}));
    out = WithObject("BOSetFilterAttr", handle, [&](BusinessObject& object) {
      if (Faulted("filter", object, name)) return kFailed;
      if (mode != 0 && Strays(object, name)) {
        object.MisplaceFilter(name, value != nullptr ? Variant(*value) : Variant());
        return kAdapterSuccess;
      }
      if (mode != 0) {
        object.SetFilter(name, value != nullptr ? Variant(*value) : Variant());
      } else {
        object.ClearFilter(name);
      }
      return kAdapterSuccess;
    });
  });
}

HRESULT HostAdapter::BOOperation95(int32_t handle, const VARIANT* argument, int32_t* status) {
  return SafeCall([&] {
    auto& out = Out(status);
    Record(Call("BOOperation95", {Num(handle), Show(argument)}));
    // The sales-order screen calls it on the order's history before reading
    // the invoice just recorded: the history keeps its invoices in the order
    // they were recorded, so it stands on its newest. Other objects stay put.
    out = WithObject("BOOperation95", handle, [](BusinessObject& object) {
      if (object.Kind() == kKindHistory) object.Last();
      return kAdapterSuccess;
    });
  });
}

HRESULT HostAdapter::GetLastErrorMessage(BSTR* text) {
  return SafeCall([&] {
    auto& out = Out(text);
    Record("GetLastErrorMessage()");
    out = BstrFromUtf8(last_error_message_);
  });
}

HRESULT HostAdapter::GetLastErrorCode(int32_t* code) {
  return SafeCall([&] {
    auto& out = Out(code);
    Record("GetLastErrorCode()");
    out = last_error_code_;
  });
}

HRESULT HostAdapter::GetLastErrorFunction(BSTR* text) {
  return SafeCall([&] {
    auto& out = Out(text);
    Record("GetLastErrorFunction()");
    out = BstrFromUtf8(last_error_function_);
  });
}

HRESULT HostAdapter::Operation125(int32_t* status) {
  return SafeCall([&] {
    auto& out = Out(status);
    Record("Operation125()");
    out = kAdapterSuccess;
  });
}

HRESULT HostAdapter::BOReprint(int32_t handle, int32_t option, BSTR text, int32_t* status) {
  return SafeCall([&] {
    auto& out = Out(status);
    Record(Call("BOReprint", {Num(handle), Num(option), Utf8FromBstr(text)}));
    out = WithObject("BOReprint", handle, [&](BusinessObject&) {
      ++reprints_[handle];
      return kAdapterSuccess;
    });
  });
}

}  // namespace hostsim
