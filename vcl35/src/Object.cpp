#include "vcl35/Object.h"

#include "vcl35/TypeInfo.h"

namespace vcl35 {

TObject::~TObject() = default;

TClass TObject::StaticClassInfo() {
  static const TClassInfo info{"TObject", nullptr, "System", nullptr, {}};
  return &info;
}

TClass TObject::ClassType() const { return StaticClassInfo(); }

AnsiString TObject::ClassName() const { return AnsiString(ClassType()->Name); }

bool TObject::InheritsFrom(TClass cls) const { return ClassType()->InheritsFrom(cls); }

}  // namespace vcl35
