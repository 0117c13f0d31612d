// End to end: the framework's loader loads the package file, the designer finds both classes
// on the "RegExp" page and creates them by class, a configured component is stored as text and
// read back into a new one, the new one searches, and unloading the package frees its slot.
#include <gtest/gtest.h>

#include <string>

#include "grepkit/Package.h"
#include "grepkit/Regularexpression.h"
#include "grepkit/Regularexpressioninterface.h"
#include "vcl35/Package.h"
#include "vcl35/Registry.h"
#include "vcl35/Streaming.h"
#include "vcl35/TypeInfo.h"

namespace {

using RE = RegexComponent::RegularExpressionCustom;

class Listener : public vcl35::TObject {
 public:
  void Found(RE*, const RegexComponent::REMatchInfo& matches, unsigned int, std::uint64_t) {
    Text = matches.at(0).MatchString.ToString();
    Position = matches.at(0).Position;
  }
  std::string Text;
  std::int64_t Position = 0;
};

vcl35::TClass OnPage(const std::string& name) {
  for (vcl35::TClass cls : vcl35::Palette::PageClasses("RegExp"))
    if (cls->Name == name) return cls;
  return nullptr;
}

TEST(PackageLoad, LoadFindCreateStreamSearchUnload) {
  ASSERT_FALSE(Regularexpressioncustom::ThreadSlotAllocated()) << "nothing started before the load";
  auto package = vcl35::LoadPackage(GREPKIT_PACKAGE_FILE);
  ASSERT_EQ(package->UnitCount(), 5u);
  EXPECT_EQ(package->UnitName(0), "Grepkit");
  EXPECT_EQ(package->UnitName(1), "Regularexpressiontlsstack");
  EXPECT_EQ(package->UnitName(2), "Regularexpressioncustom");
  EXPECT_EQ(package->UnitName(3), "Regularexpression");
  EXPECT_EQ(package->UnitName(4), "Regularexpressioninterface");
  EXPECT_TRUE(Regularexpressioncustom::ThreadSlotAllocated());

  const vcl35::TClass full = OnPage("RegularExpression");
  const vcl35::TClass light = OnPage("RegularExpressionInterface");
  ASSERT_NE(full, nullptr);
  ASSERT_NE(light, nullptr);
  EXPECT_EQ(vcl35::Palette::PageClasses("RegExp").size(), 2u);

  {
    vcl35::TComponent form(nullptr);
    vcl35::TComponent* created = full->Create(&form);
    vcl35::TComponent* lighter = light->Create(&form);
    EXPECT_EQ(lighter->ClassName().ToString(), "RegularExpressionInterface");
    auto* source = vcl35::ClassCast<RegexComponent::RegularExpression>(created);
    ASSERT_NE(source, nullptr);
    source->SetName("Finder");
    source->SetExpression("b(c)'d");
    source->SetStringToMatch("abc'd\n\tx");
    source->SetOptions(RE::OptionSet{RE::CaseInsensitive} + source->GetExpressionOptions());
    source->SetMatches(RE::MatchSet{RE::MatchNotDotNewline});
    source->MergeCopy = true;
    source->Tag = 3;
    const std::string text = vcl35::WriteComponentText(*source);
    EXPECT_EQ(text,
              "component Finder (RegularExpression)\n"
              "  Tag = 3\n"
              "  MatchOptions = [MatchNotDotNewline]\n"
              "  ExpressionOptions = [EscapeInCharacterSets, CharacterClasses, Intervals, "
              "BackReferences, "
              "CaseInsensitive, NoLocaleSpecificCollation, Normal]\n"
              "  Expression = \"b(c)'d\"\n"
              "  MergeCopy = True\n"
              "  StringToMatch = \"abc'd\\n\\tx\"\n"
              "end\n");

    vcl35::TComponent other(nullptr);
    vcl35::TComponent* read = vcl35::CreateComponentFromText(text, &other);
    auto* copy = vcl35::ClassCast<RegexComponent::RegularExpression>(read);
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(*copy == *source);
    EXPECT_EQ(copy->Name().ToString(), "Finder");
    EXPECT_EQ(copy->Tag, 3);

    Listener listener;
    copy->OnSearching = RE::MatchEvent(&listener, &Listener::Found);
    copy->SetExpression("B(C)");
    ASSERT_TRUE(copy->Search()) << "case-insensitive after the round trip";
    EXPECT_EQ(listener.Text, "bc");
    EXPECT_EQ(listener.Position, 2);
  }

  // The sets go through SetOptions and SetMatches again when read: a stored set that the rules
  // keep comes back as it was, one they do not is changed on reading.
  {
    vcl35::TComponent form(nullptr);
    auto* kept = static_cast<RE*>(vcl35::CreateComponentFromText(
        "component K (RegularExpression)\n"
        "  MatchOptions = [MatchDefault, MatchNotEndOfLine]\n"
        "  ExpressionOptions = [CharacterClasses, Intervals, BackReferences, Extended]\n"
        "end\n",
        &form));
    EXPECT_EQ(kept->GetMatchOptions(), RE::MatchSet{RE::MatchNotEndOfLine});
    EXPECT_EQ(kept->GetExpressionOptions(), (RE::OptionSet{RE::CharacterClasses, RE::Intervals,
                                                           RE::BackReferences, RE::Extended}));
    // From the default set, losing Normal takes its parts with it.
    auto* changed = static_cast<RE*>(vcl35::CreateComponentFromText(
        "component C (RegularExpression)\n"
        "  ExpressionOptions = [CharacterClasses, Intervals, BackReferences]\n"
        "end\n",
        &form));
    EXPECT_TRUE(changed->GetExpressionOptions().Empty());
  }

  // A bad pattern in a stored form is a value: the form loads and the operations find nothing.
  {
    vcl35::TComponent form(nullptr);
    auto* re = static_cast<RE*>(vcl35::CreateComponentFromText(
        "component Bad (RegularExpressionInterface)\n  Expression = \"a(b\"\nend\n", &form));
    re->SetStringToMatch("ab");
    EXPECT_FALSE(re->Search());
    EXPECT_NE(re->ParseExpression(), 0);
  }

  // The lighter component offers only its expression and options to the form.
  {
    vcl35::TComponent form(nullptr);
    try {
      vcl35::CreateComponentFromText(
          "component L (RegularExpressionInterface)\n  StringToMatch = \"x\"\nend\n", &form);
      FAIL() << "read a property the class does not publish";
    } catch (const vcl35::EReadError& error) {
      EXPECT_EQ(error.Line(), 2u);
      EXPECT_EQ(error.Property(), "StringToMatch");
    }
    EXPECT_EQ(form.ComponentCount(), 0);
  }

  vcl35::UnloadPackage(std::move(package));
  EXPECT_TRUE(vcl35::Palette::PageClasses("RegExp").empty())
      << "the classes leave with their package";
  EXPECT_FALSE(Regularexpressioncustom::ThreadSlotAllocated())
      << "the last finalisation frees the slot";
}

TEST(PackageLoad, AFileThatIsNoPackageIsAnError) {
  EXPECT_THROW(vcl35::LoadPackage("/nonexistent/libnothing.so"), vcl35::EPackageError);
  try {
    vcl35::LoadPackage(NOT_A_PACKAGE_FILE);
    FAIL() << "loaded a library without entry points";
  } catch (const vcl35::EPackageError& error) {
    EXPECT_NE(std::string(error.what()).find("lacks Initialize or Finalize"), std::string::npos);
  }
}

}  // namespace
