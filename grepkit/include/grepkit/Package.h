#pragma once
// The package's entry points and units. The framework's loader calls Initialize when it loads
// the package and Finalize before it unloads it; a program that links the package directly
// calls them itself around its use of the components' file operations.
//
// Each unit counts its starts and stops: only the first start and the stop that matches it do
// the unit's work. Only the component core unit has work: it allocates the thread-local slot
// of the instance stacks and frees it again.

#include <cstdint>

#include "grepkit/Export.h"

extern "C" {
GREPKIT_EXPORT void Initialize();
GREPKIT_EXPORT void Finalize();
}

namespace Regularexpressioncustom {
GREPKIT_EXPORT void Initialization();
GREPKIT_EXPORT void Finalization();
// The thread-local slot's index while the unit is started (0xFFFFFFFF when it could not be
// allocated); 0xFFFFFFFF and false when the unit is stopped.
GREPKIT_EXPORT std::uint32_t ThreadSlotIndex();
GREPKIT_EXPORT bool ThreadSlotAllocated();
}  // namespace Regularexpressioncustom

namespace Regularexpressiontlsstack {
GREPKIT_EXPORT void Initialization();
GREPKIT_EXPORT void Finalization();
}  // namespace Regularexpressiontlsstack

namespace Regularexpression {
GREPKIT_EXPORT void Initialization();
GREPKIT_EXPORT void Finalization();
}  // namespace Regularexpression

namespace Regularexpressioninterface {
GREPKIT_EXPORT void Initialization();
GREPKIT_EXPORT void Finalization();
}  // namespace Regularexpressioninterface

namespace Grepkit {  // the package main unit
GREPKIT_EXPORT void Initialization();
GREPKIT_EXPORT void Finalization();
// A 24 by 24, 256-colour bitmap (the bytes of a BMP file) by resource name:
// "REGULAREXPRESSION" or "REGULAREXPRESSIONINTERFACE"; null for another name.
GREPKIT_EXPORT const unsigned char* FindBitmapResource(const char* name, std::uint32_t* size);
}  // namespace Grepkit
