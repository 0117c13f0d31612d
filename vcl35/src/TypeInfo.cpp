#include "vcl35/TypeInfo.h"

namespace vcl35 {

int TTypeInfo::OrdinalOf(const std::string& name) const {
  for (std::size_t i = 0; i < EnumNames.size(); ++i)
    if (EnumNames[i] == name) return static_cast<int>(i);
  return -1;
}

const TTypeInfo* IntegerTypeInfo() {
  static const TTypeInfo info{TypeKind::Integer, "Integer", {}, nullptr, 4, {}};
  return &info;
}

const TTypeInfo* BooleanTypeInfo() {
  static const TTypeInfo info{TypeKind::Enumeration, "Boolean", {"False", "True"}, nullptr, 1, {}};
  return &info;
}

const TTypeInfo* AnsiStringTypeInfo() {
  static const TTypeInfo info{TypeKind::LString, "AnsiString", {}, nullptr, sizeof(void*), {}};
  return &info;
}

bool TClassInfo::InheritsFrom(TClass other) const {
  for (TClass cls = this; cls != nullptr; cls = cls->Parent)
    if (cls == other) return true;
  return false;
}

std::vector<TPublishedProperty> GetPropList(TClass cls) {
  if (cls == nullptr) return {};
  std::vector<TPublishedProperty> list = GetPropList(cls->Parent);
  for (const TPropInfo& info : cls->Properties)
    list.push_back({static_cast<int>(list.size()), &info});
  return list;
}

const TPropInfo* GetPropInfo(TClass cls, const std::string& name) {
  for (; cls != nullptr; cls = cls->Parent)
    for (const TPropInfo& info : cls->Properties)
      if (info.Name == name) return &info;
  return nullptr;
}

}  // namespace vcl35
