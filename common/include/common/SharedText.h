#pragma once
// A text an object holds that a running operation may keep: assigning a new text replaces the
// held one and leaves the one an operation walks alive and unchanged, so an operation whose
// handlers may assign the object's text walks it in place instead of over a copy.

#include <memory>
#include <string>
#include <utility>

namespace Common {

class SharedText {
 public:
  SharedText() = default;
  SharedText& operator=(std::string text) {
    Held = text.empty() ? nullptr : std::make_shared<const std::string>(std::move(text));
    return *this;
  }

  const std::string& Get() const { return Held ? *Held : Empty(); }
  bool empty() const { return !Held; }
  // The text as it stands, kept alive for as long as the caller holds it.
  std::shared_ptr<const std::string> Share() const {
    return Held ? Held : std::make_shared<const std::string>();
  }
  bool operator==(const SharedText& other) const { return Get() == other.Get(); }

 private:
  static const std::string& Empty() {
    static const std::string empty;
    return empty;
  }

  std::shared_ptr<const std::string> Held;  // null for the empty text
};

}  // namespace Common
