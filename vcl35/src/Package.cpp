#include "vcl35/Package.h"

#include <dlfcn.h>

#include <vector>

#include "RegistryInternal.h"

namespace vcl35 {

struct LoadedPackage::State {
  void* Library = nullptr;
  void (*Finalize)() = nullptr;
  std::vector<std::string> UnitNames;
};

namespace {

// The package whose Initialize is running: InitializePackage records its units there.
thread_local LoadedPackage::State* Loading = nullptr;

// The exported symbol of `void <unit>::Register()`.
std::string RegisterSymbol(const std::string& unit) {
  return "_ZN" + std::to_string(unit.size()) + unit + "8RegisterEv";
}

}  // namespace

void InitializePackage(const PackageInfoTable& table) {
  for (std::size_t i = 0; i < table.UnitCount; ++i) {
    if (Loading != nullptr) Loading->UnitNames.emplace_back(table.Units[i].Name);
    if (table.Units[i].Initialization != nullptr) table.Units[i].Initialization();
  }
}

void FinalizePackage(const PackageInfoTable& table) {
  for (std::size_t i = table.UnitCount; i-- > 0;)
    if (table.Units[i].Finalization != nullptr) table.Units[i].Finalization();
}

LoadedPackage::LoadedPackage(std::unique_ptr<State> state, const AnsiString& file)
    : Body(std::move(state)), File(file) {}

LoadedPackage::~LoadedPackage() {
  Internal::UnregisterPackageClasses(Body.get());
  Body->Finalize();
  ::dlclose(Body->Library);
}

std::size_t LoadedPackage::UnitCount() const { return Body->UnitNames.size(); }

std::string LoadedPackage::UnitName(std::size_t index) const { return Body->UnitNames.at(index); }

std::unique_ptr<LoadedPackage> LoadPackage(const AnsiString& file) {
  auto state = std::make_unique<LoadedPackage::State>();
  state->Library = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (state->Library == nullptr)
    throw EPackageError("cannot load package " + file.ToString() + ": " + ::dlerror());
  auto initialize = reinterpret_cast<void (*)()>(::dlsym(state->Library, "Initialize"));
  state->Finalize = reinterpret_cast<void (*)()>(::dlsym(state->Library, "Finalize"));
  if (initialize == nullptr || state->Finalize == nullptr) {
    ::dlclose(state->Library);
    throw EPackageError("package " + file.ToString() + " lacks Initialize or Finalize");
  }
  Loading = state.get();
  initialize();
  Loading = nullptr;
  // From here the handle undoes the load on every way out.
  LoadedPackage::State* body = state.get();
  auto package = std::make_unique<LoadedPackage>(std::move(state), file);
  // Classes registered from here on leave with this package; the mark goes on every way out.
  struct Registering {
    explicit Registering(const void* package) { Internal::SetRegisteringPackage(package); }
    ~Registering() { Internal::SetRegisteringPackage(nullptr); }
    Registering(const Registering&) = delete;
    Registering& operator=(const Registering&) = delete;
  } registering(body);
  for (const std::string& unit : body->UnitNames) {
    auto registerUnit =
        reinterpret_cast<void (*)()>(::dlsym(body->Library, RegisterSymbol(unit).c_str()));
    if (registerUnit != nullptr) registerUnit();
  }
  return package;
}

void UnloadPackage(std::unique_ptr<LoadedPackage> package) { package.reset(); }

}  // namespace vcl35
