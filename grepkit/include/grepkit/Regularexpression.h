#pragma once
// RegexComponent::RegularExpression: the component that publishes every setting and event of
// RegularExpressionCustom, on the palette page "RegExp".

#include "grepkit/Regularexpressioncustom.h"

namespace RegexComponent {

class GREPKIT_EXPORT RegularExpression : public RegularExpressionCustom {
 public:
  static vcl35::TClass StaticClassInfo();
  vcl35::TClass ClassType() const override;

  explicit RegularExpression(vcl35::TComponent* AOwner);
  RegularExpression(const RegularExpression& other);
  RegularExpression& operator=(const RegularExpression& other);
  bool operator==(const RegularExpression& other) const;
  ~RegularExpression() override;
};

}  // namespace RegexComponent

namespace Regularexpression {
// Puts RegularExpression on the palette page "RegExp".
GREPKIT_EXPORT void Register();
}  // namespace Regularexpression
