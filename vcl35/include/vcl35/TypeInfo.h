#pragma once
// Published-property type information: per class, each published property's name, number,
// type, read and write paths, stored flag, default and index, with accessors through which the
// form streaming reads the property and writes it back through its write path.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "vcl35/AnsiString.h"
#include "vcl35/Export.h"
#include "vcl35/Object.h"

namespace vcl35 {

class TComponent;

enum class TypeKind { Integer, Enumeration, Set, LString, Method };

// How a method type's parameter is passed.
enum class ParamPassing { Value, Const, Var };

struct TParamInfo {
  std::string Name;
  std::string TypeName;
  ParamPassing Passing = ParamPassing::Value;
};

struct VCL35_EXPORT TTypeInfo {
  TypeKind Kind = TypeKind::Integer;
  std::string Name;                        // empty for a type without a name of its own
  std::vector<std::string> EnumNames;      // Enumeration: the names, ordinal = position
  const TTypeInfo* ElementType = nullptr;  // Set: the enumeration of its elements
  unsigned SizeInBytes = 4;                // the storage of a value
  std::vector<TParamInfo> Params;          // Method: the parameters, in order

  // The ordinal of an enumeration name, or -1.
  int OrdinalOf(const std::string& name) const;
};

// The framework's own types.
VCL35_EXPORT const TTypeInfo* IntegerTypeInfo();
VCL35_EXPORT const TTypeInfo* BooleanTypeInfo();  // an enumeration: False, True
VCL35_EXPORT const TTypeInfo* AnsiStringTypeInfo();

enum class AccessKind { Field, Method };

// A read or write path: a field of the object or an accessor method, by name.
struct TAccessPath {
  AccessKind Kind = AccessKind::Field;
  std::string Name;
  friend bool operator==(const TAccessPath& a, const TAccessPath& b) {
    return a.Kind == b.Kind && a.Name == b.Name;
  }
};

constexpr std::int32_t NoIndex = INT32_MIN;

struct VCL35_EXPORT TPropInfo {
  std::string Name;
  const TTypeInfo* PropType = nullptr;
  TAccessPath Read;
  TAccessPath Write;
  bool Stored = true;
  std::int32_t Default = 0;
  std::int32_t Index = NoIndex;

  // Integer, Enumeration and Set properties (a set as its bit mask).
  std::function<std::int64_t(const TObject&)> GetOrd;
  std::function<void(TObject&, std::int64_t)> SetOrd;
  // LString properties.
  std::function<AnsiString(const TObject&)> GetStr;
  std::function<void(TObject&, const AnsiString&)> SetStr;
  // Method properties: whether a handler is assigned.
  std::function<bool(const TObject&)> MethodAssigned;
};

// The type information of one class: its name, parent, unit, how to create an instance (null
// for a class that is not created by class) and its own published properties.
struct VCL35_EXPORT TClassInfo {
  std::string Name;
  TClass Parent = nullptr;
  std::string UnitName;
  TComponent* (*Create)(TComponent* owner) = nullptr;
  std::vector<TPropInfo> Properties;

  bool InheritsFrom(TClass other) const;
};

// A published property with its number: inherited properties first, numbered from 0.
struct TPublishedProperty {
  int Number = 0;
  const TPropInfo* Info = nullptr;
};

VCL35_EXPORT std::vector<TPublishedProperty> GetPropList(TClass cls);
// Null when the class has no published property of that name.
VCL35_EXPORT const TPropInfo* GetPropInfo(TClass cls, const std::string& name);

}  // namespace vcl35
