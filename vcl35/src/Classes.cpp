#include "vcl35/Classes.h"

#include <algorithm>

#include "vcl35/TypeInfo.h"

namespace vcl35 {

EAssignError::EAssignError(const AnsiString& sourceClass, const AnsiString& targetClass)
    : std::runtime_error(targetClass.ToString() + " cannot take the value of a " +
                         sourceClass.ToString()) {}

TClass TPersistent::StaticClassInfo() {
  static const TClassInfo info{"TPersistent", TObject::StaticClassInfo(), "Classes", nullptr, {}};
  return &info;
}

TClass TPersistent::ClassType() const { return StaticClassInfo(); }

void TPersistent::Assign(TPersistent* Source) {
  if (Source != nullptr) {
    Source->AssignTo(this);
    return;
  }
  throw EAssignError("nil", ClassName());
}

void TPersistent::AssignTo(TPersistent* Dest) {
  throw EAssignError(ClassName(), Dest->ClassName());
}

TClass TComponent::StaticClassInfo() {
  static const TClassInfo info = [] {
    TClassInfo cls{"TComponent", TPersistent::StaticClassInfo(), "Classes", nullptr, {}};
    TPropInfo name;
    name.Name = "Name";
    name.PropType = AnsiStringTypeInfo();
    name.Read = {AccessKind::Field, "FName"};
    name.Write = {AccessKind::Method, "SetName"};
    name.Stored = false;  // the form's object line carries it
    name.GetStr = [](const TObject& o) { return static_cast<const TComponent&>(o).Name(); };
    name.SetStr = [](TObject& o, const AnsiString& v) { static_cast<TComponent&>(o).SetName(v); };
    TPropInfo tag;
    tag.Name = "Tag";
    tag.PropType = IntegerTypeInfo();
    tag.Read = {AccessKind::Field, "FTag"};
    tag.Write = {AccessKind::Field, "FTag"};
    tag.GetOrd = [](const TObject& o) -> std::int64_t {
      return static_cast<const TComponent&>(o).Tag;
    };
    tag.SetOrd = [](TObject& o, std::int64_t v) {
      static_cast<TComponent&>(o).Tag = static_cast<std::int32_t>(v);
    };
    cls.Properties = {name, tag};
    return cls;
  }();
  return &info;
}

TClass TComponent::ClassType() const { return StaticClassInfo(); }

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner != nullptr) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  // Owned components go first, last created first; each leaves this list as it goes.
  while (!FComponents.empty()) {
    std::unique_ptr<TComponent> owned = std::move(FComponents.back());
    FComponents.pop_back();
    owned->FOwner = nullptr;
  }
  if (FOwner != nullptr) FOwner->RemoveComponent(this);
}

TComponent* TComponent::FindComponent(const AnsiString& name) const {
  for (const auto& component : FComponents)
    if (component->FName == name) return component.get();
  return nullptr;
}

void TComponent::SetName(const AnsiString& NewName) { FName = NewName; }

void TComponent::InsertComponent(TComponent* component) {
  FComponents.emplace_back(component);
  component->FOwner = this;
}

void TComponent::RemoveComponent(TComponent* component) {
  auto it = std::find_if(
      FComponents.begin(), FComponents.end(),
      [component](const std::unique_ptr<TComponent>& c) { return c.get() == component; });
  if (it == FComponents.end()) return;
  it->release();  // the component is being destroyed already
  FComponents.erase(it);
  component->FOwner = nullptr;
}

}  // namespace vcl35
