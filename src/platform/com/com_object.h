#pragma once
// Base class of the library's COM objects: atomic reference counting that
// deletes the object when the last reference goes, the process-wide object
// count, and a QueryInterface that keeps COM's rules:
//  - IUnknown is always answered with one canonical pointer (identity), so two
//    references to the same object compare equal as IUnknown;
//  - every other IID is looked up in the table the derived class provides
//    through FindInterface; what can be reached from one interface can be
//    reached from every other one (symmetry, transitivity).
//
//   class Sample : public ComObject<ISample> {
//    protected:
//     void* FindInterface(const IID& iid) override {
//       return ComInterfaceLookup(iid, {{IID_IDispatch, static_cast<IDispatch*>(this)},
//                                       {IID_ISample, static_cast<ISample*>(this)}});
//     }
//   };
//   ComPtr<Sample> sample = MakeComObject<Sample>();

#include <atomic>
#include <initializer_list>
#include <utility>

#include "platform/com/com_ptr.h"
#include "platform/com/interfaces.h"
#include "platform/com/object_counts.h"

struct ComInterfaceEntry {
  IID iid;
  void* pointer;
};

// The pointer listed for `iid`, or null.
inline void* ComInterfaceLookup(const IID& iid, std::initializer_list<ComInterfaceEntry> table) {
  for (const ComInterfaceEntry& entry : table) {
    if (entry.iid == iid) return entry.pointer;
  }
  return nullptr;
}

// Whether an object counts towards ComCanUnloadNow. Class factories do not:
// they live as long as the library and the host keeps it loaded through
// LockServer instead.
enum class ComCounting { Counted, NotCounted };

template <class First, class... Rest>
class ComObject : public First, public Rest... {
 public:
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  HRESULT QueryInterface(const IID& riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    void* found = riid == IID_IUnknown ? static_cast<void*>(GetUnknown()) : FindInterface(riid);
    if (found == nullptr) {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    *ppv = found;
    return S_OK;
  }

  ULONG AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }

  ULONG Release() override {
    ULONG remaining = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (remaining == 0) delete this;
    return remaining;
  }

  // The object's identity.
  IUnknown* GetUnknown() { return static_cast<IUnknown*>(static_cast<First*>(this)); }

 protected:
  explicit ComObject(ComCounting counting = ComCounting::Counted) : counted_(counting) {
    if (counted_ == ComCounting::Counted) ComObjectCreated();
  }
  virtual ~ComObject() {
    if (counted_ == ComCounting::Counted) ComObjectDestroyed();
  }

  // The interface pointer for `iid` (IUnknown is answered before this is
  // asked), or null when the object does not implement it.
  virtual void* FindInterface(const IID& iid) = 0;

 private:
  std::atomic<ULONG> refs_{0};
  ComCounting counted_;
};

// Creates a COM object and hands out the first reference.
template <class T, class... Args>
ComPtr<T> MakeComObject(Args&&... args) {
  return ComPtr<T>(new T(std::forward<Args>(args)...));
}
