#pragma once
// The component palette and the class registry. RegisterComponents puts classes on a palette
// page (and registers them by name, so that a stored form can create them); the palette can be
// asked which classes a page holds. Classes registered while a package loads leave the palette
// when that package is unloaded.

#include <string>
#include <vector>

#include "vcl35/AnsiString.h"
#include "vcl35/Export.h"
#include "vcl35/TypeInfo.h"

namespace vcl35 {

using TComponentClass = TClass;

// Puts classes[0..lastIndex] on the page `page`, creating the page when it is new.
VCL35_EXPORT void RegisterComponents(const AnsiString& page, const TComponentClass* classes,
                                     int lastIndex);

namespace Palette {
// The classes on a page, in registration order (empty for an unknown page).
VCL35_EXPORT std::vector<TComponentClass> PageClasses(const AnsiString& page);
VCL35_EXPORT std::vector<AnsiString> Pages();
}  // namespace Palette

// The registered class of that name, or null.
VCL35_EXPORT TComponentClass FindClass(const AnsiString& name);

}  // namespace vcl35
