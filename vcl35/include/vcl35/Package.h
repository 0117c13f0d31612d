#pragma once
// Packages: shared libraries that the framework loads at run time.
//
// A package exports two C functions, Initialize and Finalize, that hand its unit table to
// InitializePackage and FinalizePackage. Each unit has an initialisation and a finalisation
// function; initialisations run in table order, finalisations in reverse. After the
// initialisations the loader calls the Register function of each unit that has one (a function
// `void <Unit>::Register()` exported by the package), as the designer does.

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>

#include "vcl35/AnsiString.h"
#include "vcl35/Export.h"

namespace vcl35 {

struct PackageUnitEntry {
  const char* Name;
  void (*Initialization)();
  void (*Finalization)();
};

struct PackageInfoTable {
  std::size_t UnitCount;
  const PackageUnitEntry* Units;
};

VCL35_EXPORT void InitializePackage(const PackageInfoTable& table);
VCL35_EXPORT void FinalizePackage(const PackageInfoTable& table);

class VCL35_EXPORT EPackageError : public std::runtime_error {
 public:
  explicit EPackageError(const std::string& message) : std::runtime_error(message) {}
};

// A loaded package. Destroying it unloads the package: its classes leave the palette, its
// finalisations run, the library is closed.
class VCL35_EXPORT LoadedPackage {
 public:
  ~LoadedPackage();
  LoadedPackage(const LoadedPackage&) = delete;
  LoadedPackage& operator=(const LoadedPackage&) = delete;

  const AnsiString& FileName() const { return File; }
  // The units the package's Initialize handed over, in table order.
  std::size_t UnitCount() const;
  std::string UnitName(std::size_t index) const;

  // The loader's record of the package; only LoadPackage makes one.
  struct State;
  LoadedPackage(std::unique_ptr<State> state, const AnsiString& file);

 private:
  std::unique_ptr<State> Body;
  AnsiString File;
};

// Loads the package file, runs its Initialize and its units' Register functions. Raises
// EPackageError when the file cannot be loaded or lacks Initialize or Finalize.
VCL35_EXPORT std::unique_ptr<LoadedPackage> LoadPackage(const AnsiString& file);
// Unloads the package now (the same as destroying the handle).
VCL35_EXPORT void UnloadPackage(std::unique_ptr<LoadedPackage> package);

}  // namespace vcl35
