#pragma once
// File attributes as the framework reports them.

#include "vcl35/AnsiString.h"
#include "vcl35/Export.h"

namespace vcl35 {

constexpr int faReadOnly = 0x01;
constexpr int faArchive = 0x20;

// The attributes of the file `name` names (up to its first NUL): faArchive, with faReadOnly
// when the owner may not write it. -1 when they cannot be read.
VCL35_EXPORT int FileGetAttr(const AnsiString& name);

}  // namespace vcl35
