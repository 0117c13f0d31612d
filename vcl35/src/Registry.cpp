#include "vcl35/Registry.h"

#include <algorithm>
#include <mutex>

#include "RegistryInternal.h"

namespace vcl35 {
namespace {

struct Registration {
  AnsiString Page;
  TComponentClass Class;
  const void* Package;
};

struct RegistryState {
  std::mutex Lock;
  std::vector<Registration> Entries;
  const void* Registering = nullptr;
};

RegistryState& State() {
  static RegistryState state;
  return state;
}

}  // namespace

void RegisterComponents(const AnsiString& page, const TComponentClass* classes, int lastIndex) {
  RegistryState& state = State();
  const std::lock_guard<std::mutex> hold(state.Lock);
  for (int i = 0; i <= lastIndex; ++i) {
    if (classes[i] == nullptr) continue;
    state.Entries.push_back({page, classes[i], state.Registering});
  }
}

std::vector<TComponentClass> Palette::PageClasses(const AnsiString& page) {
  RegistryState& state = State();
  const std::lock_guard<std::mutex> hold(state.Lock);
  std::vector<TComponentClass> classes;
  for (const Registration& entry : state.Entries)
    if (entry.Page == page) classes.push_back(entry.Class);
  return classes;
}

std::vector<AnsiString> Palette::Pages() {
  RegistryState& state = State();
  const std::lock_guard<std::mutex> hold(state.Lock);
  std::vector<AnsiString> pages;
  for (const Registration& entry : state.Entries)
    if (std::find(pages.begin(), pages.end(), entry.Page) == pages.end())
      pages.push_back(entry.Page);
  return pages;
}

TComponentClass FindClass(const AnsiString& name) {
  RegistryState& state = State();
  const std::lock_guard<std::mutex> hold(state.Lock);
  for (const Registration& entry : state.Entries)
    if (entry.Class->Name == name.ToString()) return entry.Class;
  return nullptr;
}

void Internal::SetRegisteringPackage(const void* package) {
  RegistryState& state = State();
  const std::lock_guard<std::mutex> hold(state.Lock);
  state.Registering = package;
}

void Internal::UnregisterPackageClasses(const void* package) {
  RegistryState& state = State();
  const std::lock_guard<std::mutex> hold(state.Lock);
  state.Entries.erase(
      std::remove_if(state.Entries.begin(), state.Entries.end(),
                     [package](const Registration& e) { return e.Package == package; }),
      state.Entries.end());
}

}  // namespace vcl35
