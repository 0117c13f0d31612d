// The lighter component: only the expression and its options are published.
#include "grepkit/Regularexpressioninterface.h"

#include "PublishedProperties.h"
#include "UnitCounter.h"
#include "grepkit/Package.h"
#include "vcl35/Registry.h"

namespace RegexComponent {
namespace {

vcl35::TComponent* Create(vcl35::TComponent* owner) {
  // The owner (or, without one, the caller) takes the component.
  return new RegularExpressionInterface(owner);
}

}  // namespace

vcl35::TClass RegularExpressionInterface::StaticClassInfo() {
  static const vcl35::TClassInfo info{"RegularExpressionInterface",
                                      RegularExpressionCustom::StaticClassInfo(),
                                      "Regularexpressioninterface", &Create,
                                      PublishedProperties({"ExpressionOptions", "Expression"})};
  return &info;
}

vcl35::TClass RegularExpressionInterface::ClassType() const { return StaticClassInfo(); }

RegularExpressionInterface::RegularExpressionInterface(vcl35::TComponent* AOwner)
    : RegularExpressionCustom(AOwner) {}

RegularExpressionInterface::RegularExpressionInterface(const RegularExpressionInterface& other)
    : RegularExpressionCustom(other) {}

RegularExpressionInterface& RegularExpressionInterface::operator=(
    const RegularExpressionInterface& other) {
  RegularExpressionCustom::operator=(other);
  return *this;
}

bool RegularExpressionInterface::operator==(const RegularExpressionInterface& other) const {
  return RegularExpressionCustom::operator==(other);
}

RegularExpressionInterface::~RegularExpressionInterface() = default;

}  // namespace RegexComponent

namespace Regularexpressioninterface {
namespace {
Grepkit::UnitCounter Counter;
}

void Register() {
  vcl35::TComponentClass classes[1] = {
      RegexComponent::RegularExpressionInterface::StaticClassInfo()};
  vcl35::RegisterComponents("RegExp", classes, 0);
}

void Initialization() {
  Counter.Start([] {});
}
void Finalization() {
  Counter.Stop([] {});
}

}  // namespace Regularexpressioninterface
