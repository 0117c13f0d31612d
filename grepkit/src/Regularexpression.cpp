// The component that publishes every setting and event of the core.
#include "grepkit/Regularexpression.h"

#include "PublishedProperties.h"
#include "UnitCounter.h"
#include "grepkit/Package.h"
#include "vcl35/Registry.h"

namespace RegexComponent {
namespace {

vcl35::TComponent* Create(vcl35::TComponent* owner) {
  // The owner (or, without one, the caller) takes the component.
  return new RegularExpression(owner);
}

}  // namespace

vcl35::TClass RegularExpression::StaticClassInfo() {
  static const vcl35::TClassInfo info{
      "RegularExpression", RegularExpressionCustom::StaticClassInfo(), "Regularexpression", &Create,
      PublishedProperties({"MatchOptions", "ExpressionOptions", "Expression", "FormatString",
                           "DirectoryRecursion", "MergeCopy", "StringToMatch", "FilesToMatch",
                           "SaveExtension", "OnMatching", "OnSearching", "OnGrepping", "OnMerging",
                           "OnGreppingFiles", "OnFindFiles", "OnChangingFiles"})};
  return &info;
}

vcl35::TClass RegularExpression::ClassType() const { return StaticClassInfo(); }

RegularExpression::RegularExpression(vcl35::TComponent* AOwner) : RegularExpressionCustom(AOwner) {}

RegularExpression::RegularExpression(const RegularExpression& other)
    : RegularExpressionCustom(other) {}

RegularExpression& RegularExpression::operator=(const RegularExpression& other) {
  RegularExpressionCustom::operator=(other);
  return *this;
}

bool RegularExpression::operator==(const RegularExpression& other) const {
  return RegularExpressionCustom::operator==(other);
}

RegularExpression::~RegularExpression() = default;

}  // namespace RegexComponent

namespace Regularexpression {
namespace {
Grepkit::UnitCounter Counter;
}

void Register() {
  vcl35::TComponentClass classes[1] = {RegexComponent::RegularExpression::StaticClassInfo()};
  vcl35::RegisterComponents("RegExp", classes, 0);
}

void Initialization() {
  Counter.Start([] {});
}
void Finalization() {
  Counter.Stop([] {});
}

}  // namespace Regularexpression
