#pragma once
// TPersistent and TComponent.
//
// Ownership: a component constructed with an owner is owned by it; the owner destroys the
// components it owns when it is destroyed itself (the one place where the framework deletes
// objects it did not create: components are created with new and handed to their owner). A
// component destroyed earlier leaves its owner's list first.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

#include "vcl35/AnsiString.h"
#include "vcl35/Export.h"
#include "vcl35/Object.h"

namespace vcl35 {

// Raised for an assignment between classes that cannot be assigned.
class VCL35_EXPORT EAssignError : public std::runtime_error {
 public:
  EAssignError(const AnsiString& sourceClass, const AnsiString& targetClass);
};

class VCL35_EXPORT TPersistent : public TObject {
 public:
  static TClass StaticClassInfo();
  TClass ClassType() const override;

  // Copies Source into this object. The framework's own version lets Source try (AssignTo)
  // and raises EAssignError when neither side knows the other.
  virtual void Assign(TPersistent* Source);

 protected:
  virtual void AssignTo(TPersistent* Dest);
};

class VCL35_EXPORT TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  static TClass StaticClassInfo();
  TClass ClassType() const override;

  TComponent* Owner() const { return FOwner; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int index) const {
    return FComponents.at(static_cast<std::size_t>(index)).get();
  }
  // The owned component of that name, or null.
  TComponent* FindComponent(const AnsiString& name) const;

  AnsiString Name() const { return FName; }
  virtual void SetName(const AnsiString& NewName);
  std::int32_t Tag = 0;

  // Takes ownership of `component` (which must have no owner) / gives it up again.
  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);

 private:
  TComponent* FOwner = nullptr;
  AnsiString FName;
  std::vector<std::unique_ptr<TComponent>> FComponents;
};

}  // namespace vcl35
