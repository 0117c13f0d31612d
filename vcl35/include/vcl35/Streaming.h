#pragma once
// Text streaming of a component's published properties, the form format of the stand-in:
//
//   component Finder (RegularExpression)
//     MatchOptions = [MatchDefault]
//     Expression = "a(b)c\ttab"
//   end
//
// A property is written when it is stored and differs from its recorded default (a text when
// it is not empty); method properties are not written (handlers are wired by program code).
// Texts are in double quotes with the escapes \" \\ \n \t \r and \xHH (for the other bytes
// below 32 and from 127 up). Sets
// are written as [A, B], enumerations by name, integers in decimal. Reading sets each property
// through its write path, in the order of the text.

#include <cstddef>
#include <stdexcept>
#include <string>

#include "vcl35/Classes.h"
#include "vcl35/Export.h"

namespace vcl35 {

// Raised for a stored form that cannot be read: names the line and, when known, the property.
class VCL35_EXPORT EReadError : public std::runtime_error {
 public:
  EReadError(std::size_t line, const std::string& property, const std::string& problem);
  std::size_t Line() const { return LineNumber; }
  const std::string& Property() const { return PropertyName; }

 private:
  std::size_t LineNumber;
  std::string PropertyName;
};

VCL35_EXPORT std::string WriteComponentText(const TComponent& component);
// Reads a stored component into `component`, whose class must be the stored one.
VCL35_EXPORT void ReadComponentText(const std::string& text, TComponent& component);
// Creates the stored component by its registered class and reads it; `owner` takes it (without
// an owner the caller does). A component that cannot be read is destroyed again.
VCL35_EXPORT TComponent* CreateComponentFromText(const std::string& text, TComponent* owner);

}  // namespace vcl35
