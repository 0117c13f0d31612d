#pragma once
// RegexComponent::RegularExpressionInterface: the lighter component that publishes only the
// expression and its options, on the palette page "RegExp". Its other settings keep their
// defaults unless program code sets them.

#include "grepkit/Regularexpressioncustom.h"

namespace RegexComponent {

class GREPKIT_EXPORT RegularExpressionInterface : public RegularExpressionCustom {
 public:
  static vcl35::TClass StaticClassInfo();
  vcl35::TClass ClassType() const override;

  explicit RegularExpressionInterface(vcl35::TComponent* AOwner);
  RegularExpressionInterface(const RegularExpressionInterface& other);
  RegularExpressionInterface& operator=(const RegularExpressionInterface& other);
  bool operator==(const RegularExpressionInterface& other) const;
  ~RegularExpressionInterface() override;
};

}  // namespace RegexComponent

namespace Regularexpressioninterface {
// Puts RegularExpressionInterface on the palette page "RegExp".
GREPKIT_EXPORT void Register();
}  // namespace Regularexpressioninterface
