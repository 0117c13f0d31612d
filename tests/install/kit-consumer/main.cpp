// A program that links the installed package and uses a component directly.
#include <grepkit/Package.h>
#include <grepkit/Regularexpression.h>
#include <vcl35/Streaming.h>

#include <iostream>

class Form : public vcl35::TComponent {
 public:
  using vcl35::TComponent::TComponent;
  void Found(RegexComponent::RegularExpressionCustom*, const RegexComponent::REMatchInfo& m,
             unsigned int, std::uint64_t) {
    std::cout << "found " << m[0].MatchString.ToString() << " at " << m[0].Position << '\n';
  }
};

int main() {
  Initialize();
  {
    Form form(nullptr);
    auto* re = new RegexComponent::RegularExpression(&form);
    re->SetName("Finder");
    re->SetExpression("b+");
    re->SetStringToMatch("abbc");
    re->OnSearching = RegexComponent::RegularExpressionCustom::MatchEvent(&form, &Form::Found);
    re->Search();
    std::cout << vcl35::WriteComponentText(*re);
  }
  Finalize();
}
