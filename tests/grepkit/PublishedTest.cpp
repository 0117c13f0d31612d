// The published classes' type information, registration, palette bitmaps and the units'
// start and stop.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "grepkit/Package.h"
#include "grepkit/Regularexpression.h"
#include "grepkit/Regularexpressioninterface.h"
#include "vcl35/Registry.h"
#include "vcl35/TypeInfo.h"

namespace {

using vcl35::AccessKind;
using vcl35::TypeKind;

struct Row {
  int Number;
  const char* Name;
  TypeKind Kind;
  const char* TypeName;  // for sets: the element enumeration
  AccessKind ReadKind;
  const char* Read;
  AccessKind WriteKind;
  const char* Write;
};

constexpr AccessKind F = AccessKind::Field;
constexpr AccessKind M = AccessKind::Method;

const std::vector<Row> RegularExpressionTable = {
    {2, "MatchOptions", TypeKind::Set, "Matches", F, "MatchOptions", M, "SetMatches"},
    {3, "ExpressionOptions", TypeKind::Set, "Options", F, "ExpressionOptions", M, "SetOptions"},
    {4, "Expression", TypeKind::LString, "AnsiString", M, "GetExpression", M, "SetExpression"},
    {5, "FormatString", TypeKind::LString, "AnsiString", M, "GetFormatString", M,
     "SetFormatString"},
    {6, "DirectoryRecursion", TypeKind::Enumeration, "Boolean", F, "DirectoryRecursion", F,
     "DirectoryRecursion"},
    {7, "MergeCopy", TypeKind::Enumeration, "Boolean", F, "MergeCopy", F, "MergeCopy"},
    {8, "StringToMatch", TypeKind::LString, "AnsiString", M, "GetStringToMatch", M,
     "SetStringToMatch"},
    {9, "FilesToMatch", TypeKind::LString, "AnsiString", M, "GetFilesToMatch", M,
     "SetFilesToMatch"},
    {10, "SaveExtension", TypeKind::LString, "AnsiString", M, "GetSaveExtension", M,
     "SetSaveExtension"},
    {11, "OnMatching", TypeKind::Method, "", F, "OnMatching", F, "OnMatching"},
    {12, "OnSearching", TypeKind::Method, "", F, "OnSearching", F, "OnSearching"},
    {13, "OnGrepping", TypeKind::Method, "", F, "OnGrepping", F, "OnGrepping"},
    {14, "OnMerging", TypeKind::Method, "", F, "OnMerging", F, "OnMerging"},
    {15, "OnGreppingFiles", TypeKind::Method, "", F, "OnGreppingFiles", F, "OnGreppingFiles"},
    {16, "OnFindFiles", TypeKind::Method, "", F, "OnFindFiles", F, "OnFindFiles"},
    {17, "OnChangingFiles", TypeKind::Method, "", F, "OnChangingFiles", F, "OnChangingFiles"},
};

const std::vector<Row> InterfaceTable = {
    {2, "ExpressionOptions", TypeKind::Set, "Options", F, "ExpressionOptions", M, "SetOptions"},
    {3, "Expression", TypeKind::LString, "AnsiString", M, "GetExpression", M, "SetExpression"},
};

void ExpectTable(vcl35::TClass cls, const std::vector<Row>& table) {
  const auto list = vcl35::GetPropList(cls);
  ASSERT_EQ(list.size(), table.size() + 2);
  EXPECT_EQ(list[0].Info->Name, "Name");
  EXPECT_EQ(list[1].Info->Name, "Tag");
  for (std::size_t i = 0; i < table.size(); ++i) {
    const Row& row = table[i];
    const vcl35::TPublishedProperty& p = list[i + 2];
    SCOPED_TRACE(row.Name);
    EXPECT_EQ(p.Number, row.Number);
    EXPECT_EQ(p.Info->Name, row.Name);
    EXPECT_EQ(p.Info->PropType->Kind, row.Kind);
    const vcl35::TTypeInfo* named =
        row.Kind == TypeKind::Set ? p.Info->PropType->ElementType : p.Info->PropType;
    EXPECT_EQ(named->Name, row.TypeName);
    EXPECT_EQ(p.Info->Read, (vcl35::TAccessPath{row.ReadKind, row.Read}));
    EXPECT_EQ(p.Info->Write, (vcl35::TAccessPath{row.WriteKind, row.Write}));
    EXPECT_TRUE(p.Info->Stored);
    EXPECT_EQ(p.Info->Default, 0);
    EXPECT_EQ(p.Info->Index, vcl35::NoIndex);
    if (row.Kind == TypeKind::Set) {
      EXPECT_EQ(p.Info->PropType->SizeInBytes, 2u);
    }
  }
}

TEST(PublishedTypeInfo, RegularExpressionPublishesEighteenProperties) {
  ExpectTable(RegexComponent::RegularExpression::StaticClassInfo(), RegularExpressionTable);
}

TEST(PublishedTypeInfo, RegularExpressionInterfacePublishesFour) {
  ExpectTable(RegexComponent::RegularExpressionInterface::StaticClassInfo(), InterfaceTable);
}

TEST(PublishedTypeInfo, TheCoreItselfPublishesOnlyTheFrameworksTwo) {
  EXPECT_EQ(vcl35::GetPropList(RegexComponent::RegularExpressionCustom::StaticClassInfo()).size(),
            2u);
}

TEST(PublishedTypeInfo, EnumerationsAreNamedInOrdinalOrder) {
  const auto* options =
      vcl35::GetPropInfo(RegexComponent::RegularExpression::StaticClassInfo(), "ExpressionOptions");
  const auto& names = options->PropType->ElementType->EnumNames;
  ASSERT_EQ(names.size(), 16u);
  EXPECT_EQ(names[0], "EscapeInCharacterSets");
  EXPECT_EQ(names[12], "NoLocaleSpecificCollation");
  EXPECT_EQ(names[15], "Normal");
  const auto* matches =
      vcl35::GetPropInfo(RegexComponent::RegularExpression::StaticClassInfo(), "MatchOptions");
  const auto& mnames = matches->PropType->ElementType->EnumNames;
  ASSERT_EQ(mnames.size(), 12u);
  EXPECT_EQ(mnames[0], "MatchDefault");
  EXPECT_EQ(mnames[9], "MatchShortest");
  EXPECT_EQ(mnames[11], "MatchContinuous");
}

TEST(PublishedTypeInfo, EventTypesListTheirParameters) {
  const auto* grepping =
      vcl35::GetPropInfo(RegexComponent::RegularExpression::StaticClassInfo(), "OnGrepping");
  const auto& params = grepping->PropType->Params;
  ASSERT_EQ(params.size(), 5u);
  EXPECT_EQ(params[0].Name, "Sender");
  EXPECT_EQ(params[1].Name, "Matches");
  EXPECT_EQ(params[1].Passing, vcl35::ParamPassing::Const);
  EXPECT_EQ(params[4].Name, "bcontinue");
  EXPECT_EQ(params[4].Passing, vcl35::ParamPassing::Var);
  const auto* found =
      vcl35::GetPropInfo(RegexComponent::RegularExpression::StaticClassInfo(), "OnFindFiles");
  ASSERT_EQ(found->PropType->Params.size(), 3u);
  EXPECT_EQ(found->PropType->Params[1].Name, "file");
  EXPECT_EQ(found->PropType->Params[1].Passing, vcl35::ParamPassing::Value);
}

TEST(PublishedTypeInfo, NewSetsDifferFromTheRecordedEmptyDefault) {
  RegexComponent::RegularExpression re(nullptr);
  for (const char* name : {"MatchOptions", "ExpressionOptions"}) {
    const auto* info = vcl35::GetPropInfo(re.ClassType(), name);
    EXPECT_NE(info->GetOrd(re), info->Default) << name;
  }
}

TEST(PublishedRegistration, BothRegisterOnTheRegExpPage) {
  Regularexpression::Register();
  Regularexpressioninterface::Register();
  const auto page = vcl35::Palette::PageClasses("RegExp");
  ASSERT_GE(page.size(), 2u);
  EXPECT_EQ(page[page.size() - 2], RegexComponent::RegularExpression::StaticClassInfo());
  EXPECT_EQ(page.back(), RegexComponent::RegularExpressionInterface::StaticClassInfo());
}

TEST(PaletteBitmaps, TwentyFourSquareWithTwoHundredFiftySixColours) {
  for (const char* name : {"REGULAREXPRESSION", "REGULAREXPRESSIONINTERFACE"}) {
    SCOPED_TRACE(name);
    std::uint32_t size = 0;
    const unsigned char* bmp = Grepkit::FindBitmapResource(name, &size);
    ASSERT_NE(bmp, nullptr);
    auto u32 = [bmp](std::size_t at) {
      return static_cast<std::uint32_t>(bmp[at] | bmp[at + 1] << 8 | bmp[at + 2] << 16 |
                                        bmp[at + 3] << 24);
    };
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(u32(2), size);
    EXPECT_EQ(u32(18), 24u);  // width
    EXPECT_EQ(u32(22), 24u);  // height
    EXPECT_EQ(bmp[28], 8);    // bits per pixel
    EXPECT_EQ(u32(46), 256u);
    EXPECT_EQ(size, 14u + 40u + 256u * 4u + 24u * 24u);
  }
  std::uint32_t a = 0, b = 0;
  const unsigned char* first = Grepkit::FindBitmapResource("REGULAREXPRESSION", &a);
  const unsigned char* second = Grepkit::FindBitmapResource("REGULAREXPRESSIONINTERFACE", &b);
  EXPECT_NE(std::memcmp(first, second, a), 0) << "two different pictures";
  std::uint32_t none = 7;
  EXPECT_EQ(Grepkit::FindBitmapResource("OTHER", &none), nullptr);
  EXPECT_EQ(none, 0u);
}

TEST(PackageUnits, TheCoreUnitKeepsTheSlotUntilItsLastFinalisation) {
  // The test run started the package once; undo that start first.
  ASSERT_TRUE(Regularexpressioncustom::ThreadSlotAllocated());
  Regularexpressioncustom::Finalization();
  EXPECT_FALSE(Regularexpressioncustom::ThreadSlotAllocated());
  Regularexpressioncustom::Initialization();
  const std::uint32_t slot = Regularexpressioncustom::ThreadSlotIndex();
  EXPECT_TRUE(Regularexpressioncustom::ThreadSlotAllocated());
  Regularexpressioncustom::Initialization();
  Regularexpressioncustom::Finalization();
  EXPECT_TRUE(Regularexpressioncustom::ThreadSlotAllocated())
      << "one finalisation of two keeps the slot";
  EXPECT_EQ(Regularexpressioncustom::ThreadSlotIndex(), slot);
  Regularexpressioncustom::Finalization();
  EXPECT_FALSE(Regularexpressioncustom::ThreadSlotAllocated());
  EXPECT_EQ(Regularexpressioncustom::ThreadSlotIndex(), 0xFFFFFFFFu);

  // Stopped, the file operations do nothing.
  RegexComponent::RegularExpression re(nullptr);
  re.SetExpression("x");
  re.SetFilesToMatch("*");
  EXPECT_EQ(re.GrepFiles(), 0u);
  Regularexpressioncustom::Initialization();  // as the test run expects it
}

}  // namespace
