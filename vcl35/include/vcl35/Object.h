#pragma once
// TObject, the root of the framework's classes, and the run-time class check.

#include "vcl35/AnsiString.h"
#include "vcl35/Export.h"

namespace vcl35 {

struct TClassInfo;
// A class reference: the class's type information, one object per class.
using TClass = const TClassInfo*;

class VCL35_EXPORT TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = default;
  TObject& operator=(const TObject&) = default;
  virtual ~TObject();

  static TClass StaticClassInfo();
  // The class of the object itself (the most derived one).
  virtual TClass ClassType() const;
  AnsiString ClassName() const;
  // True when the object's class is `cls` or derives from it.
  bool InheritsFrom(TClass cls) const;
};

// The run-time class check: `object` as a T when it is one, else null.
template <class T>
T* ClassCast(TObject* object) {
  return object != nullptr && object->InheritsFrom(T::StaticClassInfo()) ? static_cast<T*>(object)
                                                                         : nullptr;
}

}  // namespace vcl35
