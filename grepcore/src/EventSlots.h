#pragma once
// The rules of an event's two slots: installing a handler of one kind empties the other, and
// firing calls the plain function when it is set, else the closure.

namespace RegexClass {

template <class Plain, class Bound>
void InstallPlain(Plain& plain, Bound& bound, Plain handler) {
  plain = handler;
  if (handler != nullptr) bound = Bound();
}

template <class Plain, class Bound>
void InstallClosure(Plain& plain, Bound& bound, const Bound& handler) {
  bound = handler;
  if (handler) plain = nullptr;
}

template <class Plain, class Bound>
bool HasHandler(Plain plain, const Bound& bound) {
  return plain != nullptr || static_cast<bool>(bound);
}

template <class Plain, class Bound, class... Args>
void Fire(Plain plain, const Bound& bound, Args&&... args) {
  if (plain != nullptr)
    plain(args...);
  else if (bound)
    bound(args...);
}

}  // namespace RegexClass
