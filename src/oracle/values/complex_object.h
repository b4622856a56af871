#pragma once
// Common base of the objects that complex bind variables and fields hold
// (timestamps, LOB locators, objects, references, cursor queries), so that a
// variant can carry a reference to any of them.

namespace oracle {

class TComplexObject {
 public:
  virtual ~TComplexObject() = default;

 protected:
  TComplexObject() = default;
  TComplexObject(const TComplexObject&) = default;
  TComplexObject& operator=(const TComplexObject&) = default;
};

}  // namespace oracle
