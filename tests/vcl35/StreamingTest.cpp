// Writing a component's published properties to text and reading them back through the write
// paths, and the errors of a stored form that cannot be read.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "vcl35/Registry.h"
#include "vcl35/Set.h"
#include "vcl35/Streaming.h"
#include "vcl35/TypeInfo.h"

namespace {

enum Flavour { Sweet, Sour, Bitter, Salty };
using FlavourSet = vcl35::Set<Flavour, 0, 3>;

const vcl35::TTypeInfo FlavourType{
    vcl35::TypeKind::Enumeration, "Flavour", {"Sweet", "Sour", "Bitter", "Salty"}, nullptr, 1, {}};
const vcl35::TTypeInfo FlavourSetType{vcl35::TypeKind::Set, "FlavourSet", {}, &FlavourType, 1, {}};

// A component whose set setter records that it ran, so the tests see the write path used.
class Dish : public vcl35::TComponent {
 public:
  using vcl35::TComponent::TComponent;
  static vcl35::TClass StaticClassInfo();
  vcl35::TClass ClassType() const override { return StaticClassInfo(); }

  void SetFlavours(FlavourSet flavours) {
    Flavours = flavours;
    ++SetterCalls;
  }
  FlavourSet Flavours;
  int SetterCalls = 0;
  bool Hot = false;
  std::string Recipe;
  int Servings = 0;
};

vcl35::TClass Dish::StaticClassInfo() {
  static const vcl35::TClassInfo info = [] {
    vcl35::TClassInfo cls{
        "Dish",
        vcl35::TComponent::StaticClassInfo(),
        "Dishes",
        [](vcl35::TComponent* owner) -> vcl35::TComponent* { return new Dish(owner); },
        {}};
    vcl35::TPropInfo flavours;
    flavours.Name = "Flavours";
    flavours.PropType = &FlavourSetType;
    flavours.Read = {vcl35::AccessKind::Field, "Flavours"};
    flavours.Write = {vcl35::AccessKind::Method, "SetFlavours"};
    flavours.GetOrd = [](const vcl35::TObject& o) -> std::int64_t {
      return static_cast<const Dish&>(o).Flavours.ToBits();
    };
    flavours.SetOrd = [](vcl35::TObject& o, std::int64_t v) {
      static_cast<Dish&>(o).SetFlavours(FlavourSet::FromBits(static_cast<std::uint32_t>(v)));
    };
    vcl35::TPropInfo hot;
    hot.Name = "Hot";
    hot.PropType = vcl35::BooleanTypeInfo();
    hot.GetOrd = [](const vcl35::TObject& o) -> std::int64_t {
      return static_cast<const Dish&>(o).Hot;
    };
    hot.SetOrd = [](vcl35::TObject& o, std::int64_t v) { static_cast<Dish&>(o).Hot = v != 0; };
    vcl35::TPropInfo recipe;
    recipe.Name = "Recipe";
    recipe.PropType = vcl35::AnsiStringTypeInfo();
    recipe.GetStr = [](const vcl35::TObject& o) {
      return vcl35::AnsiString(static_cast<const Dish&>(o).Recipe);
    };
    recipe.SetStr = [](vcl35::TObject& o, const vcl35::AnsiString& v) {
      static_cast<Dish&>(o).Recipe = v.Data();
    };
    vcl35::TPropInfo servings;
    servings.Name = "Servings";
    servings.PropType = vcl35::IntegerTypeInfo();
    servings.GetOrd = [](const vcl35::TObject& o) -> std::int64_t {
      return static_cast<const Dish&>(o).Servings;
    };
    servings.SetOrd = [](vcl35::TObject& o, std::int64_t v) {
      static_cast<Dish&>(o).Servings = static_cast<int>(v);
    };
    vcl35::TPropInfo onServe;
    onServe.Name = "OnServe";
    static const vcl35::TTypeInfo method{vcl35::TypeKind::Method, "", {}, nullptr, 16, {}};
    onServe.PropType = &method;
    onServe.MethodAssigned = [](const vcl35::TObject&) { return false; };
    cls.Properties = {flavours, hot, recipe, servings, onServe};
    return cls;
  }();
  return &info;
}

TEST(StreamingTest, WritesChangedPropertiesAndReadsThemBackThroughTheWritePaths) {
  Dish dish(nullptr);
  dish.SetName("Soup");
  dish.Tag = 7;
  dish.SetFlavours(FlavourSet{Sour, Salty});
  dish.Hot = true;
  dish.Recipe = std::string("it's\t\"hot\"\n\xE9", 12);
  dish.Servings = -3;
  const std::string text = vcl35::WriteComponentText(dish);
  EXPECT_EQ(text,
            "component Soup (Dish)\n"
            "  Tag = 7\n"
            "  Flavours = [Sour, Salty]\n"
            "  Hot = True\n"
            "  Recipe = \"it's\\t\\\"hot\\\"\\n\\xE9\"\n"
            "  Servings = -3\n"
            "end\n");
  Dish copy(nullptr);
  vcl35::ReadComponentText(text, copy);
  EXPECT_EQ(copy.Name().ToString(), "Soup");
  EXPECT_EQ(copy.Tag, 7);
  EXPECT_EQ(copy.Flavours, (FlavourSet{Sour, Salty}));
  EXPECT_EQ(copy.SetterCalls, 1) << "the set goes through its write path";
  EXPECT_TRUE(copy.Hot);
  EXPECT_EQ(copy.Recipe, dish.Recipe);
  EXPECT_EQ(copy.Servings, -3);
}

TEST(StreamingTest, DefaultsAreNotWritten) {
  Dish dish(nullptr);
  dish.SetName("Plain");
  EXPECT_EQ(vcl35::WriteComponentText(dish), "component Plain (Dish)\nend\n");
}

TEST(StreamingTest, AnEmptySetIsReadAsEmpty) {
  Dish dish(nullptr);
  dish.SetFlavours(FlavourSet{Sweet});
  vcl35::ReadComponentText("component D (Dish)\n  Flavours = []\nend\n", dish);
  EXPECT_TRUE(dish.Flavours.Empty());
}

TEST(StreamingTest, CreatesTheStoredClassForItsOwner) {
  const vcl35::TComponentClass classes[] = {Dish::StaticClassInfo()};
  vcl35::RegisterComponents("Kitchen", classes, 0);
  vcl35::TComponent form(nullptr);
  vcl35::TComponent* created =
      vcl35::CreateComponentFromText("component Stew (Dish)\n  Servings = 4\nend\n", &form);
  ASSERT_NE(created, nullptr);
  EXPECT_EQ(created->Owner(), &form);
  EXPECT_EQ(form.FindComponent("Stew"), created);
  ASSERT_NE(vcl35::ClassCast<Dish>(created), nullptr);
  EXPECT_EQ(static_cast<Dish*>(created)->Servings, 4);
  EXPECT_THROW(vcl35::CreateComponentFromText("component X (Unknown)\nend\n", &form),
               vcl35::EReadError);
  EXPECT_THROW(
      vcl35::CreateComponentFromText("component X (Dish)\n  Servings = many\nend\n", &form),
      vcl35::EReadError);
  EXPECT_EQ(form.ComponentCount(), 1) << "a component that could not be read is not kept";
}

struct BadForm {
  const char* Text;
  std::size_t Line;
  const char* Property;
  const char* Problem;
};

class StreamingErrorTest : public ::testing::TestWithParam<BadForm> {};

TEST_P(StreamingErrorTest, NamesTheLineAndTheProperty) {
  const BadForm& bad = GetParam();
  Dish dish(nullptr);
  try {
    vcl35::ReadComponentText(bad.Text, dish);
    FAIL() << "read without error: " << bad.Text;
  } catch (const vcl35::EReadError& error) {
    EXPECT_EQ(error.Line(), bad.Line);
    EXPECT_EQ(error.Property(), bad.Property);
    EXPECT_NE(std::string(error.what()).find(bad.Problem), std::string::npos) << error.what();
    EXPECT_NE(std::string(error.what()).find("line " + std::to_string(bad.Line)),
              std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(
    BadForms, StreamingErrorTest,
    ::testing::Values(
        BadForm{"component D (Dish)\n  Spice = 1\nend\n", 2, "Spice", "unknown property"},
        BadForm{"component D (Dish)\n  Hot = True\n  Flavours = [Sour, Umami]\nend\n", 3,
                "Flavours", "unknown set element Umami"},
        BadForm{"component D (Dish)\n  Flavours = Sour\nend\n", 2, "Flavours", "not a set"},
        BadForm{"component D (Dish)\n  Flavours = [Sour,]\nend\n", 2, "Flavours",
                "empty set element"},
        BadForm{"component D (Dish)\n  Hot = Perhaps\nend\n", 2, "Hot", "unknown value"},
        BadForm{"component D (Dish)\n  Servings = 3x\nend\n", 2, "Servings", "not an integer"},
        BadForm{"component D (Dish)\n  Recipe = \"open\nend\n", 2, "Recipe", "malformed text"},
        BadForm{"component D (Dish)\n  Recipe = \"\\xZZ\"\nend\n", 2, "Recipe",
                "malformed character code"},
        BadForm{"component D (Dish)\n  Recipe = \"\\q\"\nend\n", 2, "Recipe", "unknown escape"},
        BadForm{"component D (Dish)\n  Recipe = \"a\"b\"\nend\n", 2, "Recipe", "malformed text"},
        BadForm{"component D (Dish)\n  Recipe = soup\nend\n", 2, "Recipe", "malformed text"},
        BadForm{"component D (Dish)\n  OnServe = Handler\nend\n", 2, "OnServe", "unknown property"},
        BadForm{"component D (Dish)\n  Hot\nend\n", 2, "", "expected"},
        BadForm{"component D (Dish)\n  Hot = True\n", 2, "", "missing 'end'"},
        BadForm{"thing D (Dish)\nend\n", 1, "", "expected 'component"},
        BadForm{"\ncomponent D (Meal)\nend\n", 2, "", "is not Dish"}));

}  // namespace
