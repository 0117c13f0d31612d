#pragma once
// Closure<R(Args...)>: the framework's method pointer, a method of some TObject descendant
// bound to an object. Empty (tests false, calls nothing) when its function part is null.

#include "vcl35/Object.h"

namespace vcl35 {

template <class Signature>
class Closure;

template <class R, class... Args>
class Closure<R(Args...)> {
 public:
  using Code = R (TObject::*)(Args...);

  Closure() = default;
  // T must derive from TObject without virtual inheritance, as every framework class does.
  template <class T>
  Closure(T* object, R (T::*method)(Args...)) : Data(object), Function(static_cast<Code>(method)) {}

  explicit operator bool() const { return Function != nullptr; }
  // The object part.
  TObject* Object() const { return Data; }

  // Calls the method on the object; an empty closure calls nothing (and gives R()).
  R operator()(Args... args) const {
    if (Function == nullptr) return R();
    return (Data->*Function)(args...);
  }

  friend bool operator==(const Closure& a, const Closure& b) {
    return a.Function == b.Function && (a.Function == nullptr || a.Data == b.Data);
  }
  friend bool operator!=(const Closure& a, const Closure& b) { return !(a == b); }

 private:
  TObject* Data = nullptr;
  Code Function = nullptr;
};

}  // namespace vcl35
