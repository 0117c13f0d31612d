// TPersistent, TComponent ownership, class checks, type information and the palette.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vcl35/Classes.h"
#include "vcl35/Registry.h"
#include "vcl35/TypeInfo.h"

namespace {

int Destroyed = 0;

class Probe : public vcl35::TComponent {
 public:
  using vcl35::TComponent::TComponent;
  ~Probe() override { ++Destroyed; }
  static vcl35::TClass StaticClassInfo() {
    static const vcl35::TClassInfo info{
        "Probe",
        vcl35::TComponent::StaticClassInfo(),
        "ProbeUnit",
        [](vcl35::TComponent* owner) -> vcl35::TComponent* { return new Probe(owner); },
        {}};
    return &info;
  }
  vcl35::TClass ClassType() const override { return StaticClassInfo(); }
};

TEST(ComponentTest, AnOwnerDestroysWhatItOwns) {
  Destroyed = 0;
  {
    vcl35::TComponent owner(nullptr);
    auto* first = new Probe(&owner);
    new Probe(&owner);
    EXPECT_EQ(owner.ComponentCount(), 2);
    EXPECT_EQ(first->Owner(), &owner);
    EXPECT_EQ(owner.Components(0), first);
  }
  EXPECT_EQ(Destroyed, 2);
}

TEST(ComponentTest, AComponentDestroyedFirstLeavesItsOwner) {
  Destroyed = 0;
  vcl35::TComponent owner(nullptr);
  {
    Probe early(&owner);
    early.SetName("Early");
    EXPECT_EQ(owner.FindComponent("Early"), &early);
  }
  EXPECT_EQ(owner.ComponentCount(), 0);
  EXPECT_EQ(owner.FindComponent("Early"), nullptr);
  EXPECT_EQ(Destroyed, 1);
}

TEST(ComponentTest, TheClassCheckFollowsTheClassChain) {
  Probe probe(nullptr);
  vcl35::TObject* object = &probe;
  EXPECT_EQ(vcl35::ClassCast<Probe>(object), &probe);
  EXPECT_EQ(vcl35::ClassCast<vcl35::TComponent>(object), &probe);
  vcl35::TComponent plain(nullptr);
  EXPECT_EQ(vcl35::ClassCast<Probe>(static_cast<vcl35::TObject*>(&plain)), nullptr);
  EXPECT_EQ(vcl35::ClassCast<Probe>(static_cast<vcl35::TObject*>(nullptr)), nullptr);
  EXPECT_EQ(probe.ClassName().ToString(), "Probe");
}

TEST(ComponentTest, AnImpossibleAssignmentNamesBothClasses) {
  Probe target(nullptr);
  vcl35::TComponent source(nullptr);
  try {
    target.Assign(&source);
    FAIL() << "no error";
  } catch (const vcl35::EAssignError& error) {
    EXPECT_STREQ(error.what(), "Probe cannot take the value of a TComponent");
  }
  EXPECT_THROW(target.Assign(nullptr), vcl35::EAssignError);
}

TEST(TypeInfoTest, TheFrameworkPublishesNameAndTagAsZeroAndOne) {
  const auto list = vcl35::GetPropList(Probe::StaticClassInfo());
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].Number, 0);
  EXPECT_EQ(list[0].Info->Name, "Name");
  EXPECT_EQ(list[0].Info->PropType->Kind, vcl35::TypeKind::LString);
  EXPECT_EQ(list[1].Number, 1);
  EXPECT_EQ(list[1].Info->Name, "Tag");
  EXPECT_EQ(list[1].Info->PropType->Kind, vcl35::TypeKind::Integer);
  EXPECT_EQ(vcl35::GetPropInfo(Probe::StaticClassInfo(), "Tag"), list[1].Info);
  EXPECT_EQ(vcl35::GetPropInfo(Probe::StaticClassInfo(), "Nothing"), nullptr);
  EXPECT_EQ(vcl35::BooleanTypeInfo()->OrdinalOf("True"), 1);
  EXPECT_EQ(vcl35::BooleanTypeInfo()->OrdinalOf("Maybe"), -1);
}

TEST(PaletteTest, APageListsItsClassesInRegistrationOrder) {
  const vcl35::TComponentClass classes[] = {Probe::StaticClassInfo(),
                                            vcl35::TComponent::StaticClassInfo()};
  vcl35::RegisterComponents("Probes", classes, 1);
  const auto page = vcl35::Palette::PageClasses("Probes");
  ASSERT_EQ(page.size(), 2u);
  EXPECT_EQ(page[0], Probe::StaticClassInfo());
  EXPECT_EQ(page[1], vcl35::TComponent::StaticClassInfo());
  EXPECT_TRUE(vcl35::Palette::PageClasses("Nobody").empty());
  EXPECT_EQ(vcl35::FindClass("Probe"), Probe::StaticClassInfo());
  EXPECT_EQ(vcl35::FindClass("Missing"), nullptr);
}

}  // namespace
