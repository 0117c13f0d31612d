#pragma once
// Between the loader and the registry: the package whose Register functions are running, and
// the removal of its classes when it is unloaded.

namespace vcl35 {
namespace Internal {

void SetRegisteringPackage(const void* package);
void UnregisterPackageClasses(const void* package);

}  // namespace Internal
}  // namespace vcl35
