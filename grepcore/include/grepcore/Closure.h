#pragma once
// RegexClass::Closure: a member function bound to an object, the object-bound form of an event
// handler. An empty closure (default-constructed, or built from a null member pointer) calls
// nothing and tests false.

#include <cstring>
#include <type_traits>

namespace RegexClass {

template <class Signature>
class Closure;

template <class... Args>
class Closure<void(Args...)> {
 public:
  Closure() = default;

  template <class T>
  Closure(T* object, void (T::*method)(Args...)) : ObjectPart(object) {
    static_assert(sizeof(method) <= sizeof(MethodPart), "member pointer too large");
    if (method == nullptr) return;
    std::memcpy(MethodPart, &method, sizeof(method));
    Invoker = &Invoke<T>;
  }

  // True when the function part is set.
  explicit operator bool() const { return Invoker != nullptr; }

  // The object part (null for an empty closure).
  void* Object() const { return Invoker != nullptr ? ObjectPart : nullptr; }

  // Calls the method on the bound object; an empty closure does nothing.
  void operator()(Args... args) const {
    if (Invoker != nullptr) Invoker(*this, args...);
  }

  // Same object and same member function (two empty closures are equal).
  friend bool operator==(const Closure& a, const Closure& b) {
    if (!a.Invoker || !b.Invoker) return !a.Invoker && !b.Invoker;
    return a.Invoker == b.Invoker && a.ObjectPart == b.ObjectPart &&
           std::memcmp(a.MethodPart, b.MethodPart, sizeof(a.MethodPart)) == 0;
  }
  friend bool operator!=(const Closure& a, const Closure& b) { return !(a == b); }

 private:
  struct Probe {
    virtual ~Probe() = default;
    void Method();
  };

  template <class T>
  static void Invoke(const Closure& self, Args... args) {
    void (T::*method)(Args...);
    std::memcpy(&method, self.MethodPart, sizeof(method));
    (static_cast<T*>(self.ObjectPart)->*method)(args...);
  }

  void* ObjectPart = nullptr;
  // Member pointers are two words on the platforms we build for; the buffer holds any of them.
  alignas(void*) unsigned char MethodPart[2 * sizeof(void (Probe::*)())] = {};
  void (*Invoker)(const Closure&, Args...) = nullptr;
};

}  // namespace RegexClass
