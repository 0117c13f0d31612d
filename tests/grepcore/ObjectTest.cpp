// The pattern object itself: defaults, properties, event slots, copy, assignment, comparison.
#include <gtest/gtest.h>

#include <locale>
#include <string>

#include "grepcore/Regularexpressionclass.h"

namespace {

using RegexClass::RegularExpression;
using RE = RegularExpression;

TEST(PatternObject, DefaultsAreReadyToUse) {
  const RE re;
  EXPECT_TRUE(re.GetExpression().empty());
  EXPECT_TRUE(re.GetStringToMatch().empty());
  EXPECT_TRUE(re.GetFilesToMatch().empty());
  EXPECT_TRUE(re.GetFormatString().empty());
  EXPECT_TRUE(re.GetSaveExtension().empty());
  EXPECT_FALSE(re.GetDirectoryRecursion());
  EXPECT_FALSE(re.GetMergeCopy());
  EXPECT_EQ(re.GetFlagOptions(), 0x4107u);
  EXPECT_EQ(re.GetMatchFlags(), 0u);
  EXPECT_TRUE(re.IsMatchOption(RE::MatchDefault));
  for (int option = RE::EscapeInCharacterSets; option <= RE::Normal; ++option) {
    const bool inDefault = option == RE::EscapeInCharacterSets || option == RE::CharacterClasses ||
                           option == RE::Intervals || option == RE::BackReferences ||
                           option == RE::NoLocaleSpecificCollation || option == RE::Normal;
    EXPECT_EQ(re.IsExpressionOption(static_cast<RE::Options>(option)), inDefault) << option;
  }
  EXPECT_EQ(re.GetLocale(), std::locale());
  EXPECT_EQ(re.GetChangeFilesErrors(), nullptr);
  EXPECT_EQ(re.GetExpressionError(), "");
  EXPECT_EQ(re.NumberOfSubexpressions(), 0u);
}

TEST(PatternObject, PropertiesStoreWhatTheyAreGiven) {
  RE re;
  const std::string withNul("a\0b", 3);
  re.SetStringToMatch(withNul);
  re.SetFilesToMatch("dir/*.txt");
  re.SetFormatString("$1");
  re.SetSaveExtension("bak");
  re.SetDirectoryRecursion(true);
  re.SetMergeCopy(true);
  re.SetExpression(withNul);
  EXPECT_EQ(re.GetStringToMatch(), withNul);
  EXPECT_EQ(re.GetFilesToMatch(), "dir/*.txt");
  EXPECT_EQ(re.GetFormatString(), "$1");
  EXPECT_EQ(re.GetSaveExtension(), "bak");
  EXPECT_TRUE(re.GetDirectoryRecursion());
  EXPECT_TRUE(re.GetMergeCopy());
  EXPECT_EQ(re.GetExpression(), withNul);
}

// A handler object for closures; counts its calls.
struct Listener {
  int calls = 0;
  void OnMatch(RE*, const RegexClass::REMatchInfo&, unsigned, std::uint64_t) { ++calls; }
  void OnContinue(RE*, const RegexClass::REMatchInfo&, unsigned, std::uint64_t, bool&) { ++calls; }
  void OnFile(RE*, std::string, const RegexClass::REMatchInfo&, unsigned, bool&) { ++calls; }
  void OnFound(RE*, std::string, bool& bcontinue) {
    ++calls;
    bcontinue = false;
  }
};

void PlainMatch(RE*, const RegexClass::REMatchInfo&, unsigned, std::uint64_t) {}
void PlainContinue(RE*, const RegexClass::REMatchInfo&, unsigned, std::uint64_t, bool&) {}
void PlainFile(RE*, std::string, const RegexClass::REMatchInfo&, unsigned, bool&) {}
int PlainFoundCalls = 0;
std::string PlainFoundFile;
void PlainFound(RE*, std::string file, bool&) {
  ++PlainFoundCalls;
  PlainFoundFile = file;
}

// Checks the slot rules of one event: installing one kind empties the other, a null pointer
// or an empty closure leaves the other kind alone.
template <class Plain, class Bound>
void CheckSlotRules(const char* name, void (RE::*setPlain)(Plain), Plain (RE::*getPlain)() const,
                    void (RE::*setBound)(Bound), Bound (RE::*getBound)() const, Plain plain,
                    Bound bound) {
  SCOPED_TRACE(name);
  RE re;
  EXPECT_EQ((re.*getPlain)(), nullptr);
  EXPECT_FALSE((re.*getBound)());

  (re.*setBound)(bound);
  EXPECT_TRUE((re.*getBound)() == bound);
  (re.*setPlain)(plain);
  EXPECT_EQ((re.*getPlain)(), plain);
  EXPECT_FALSE((re.*getBound)()) << "a plain handler empties the closure slot";

  (re.*setBound)(Bound());
  EXPECT_EQ((re.*getPlain)(), plain) << "an empty closure leaves the plain handler";
  (re.*setBound)(bound);
  EXPECT_EQ((re.*getPlain)(), nullptr) << "a closure empties the plain slot";
  (re.*setPlain)(nullptr);
  EXPECT_TRUE((re.*getBound)() == bound) << "a null pointer leaves the closure";
}

TEST(PatternObject, EverySlotFollowsTheExclusionRules) {
  Listener listener;
  CheckSlotRules("OnMatching", &RE::SetOnMatching, &RE::GetOnMatching, &RE::SetOnMatchingClosure,
                 &RE::GetOnMatchingClosure, &PlainMatch,
                 RE::MatchEventClosure(&listener, &Listener::OnMatch));
  CheckSlotRules("OnSearching", &RE::SetOnSearching, &RE::GetOnSearching,
                 &RE::SetOnSearchingClosure, &RE::GetOnSearchingClosure, &PlainMatch,
                 RE::MatchEventClosure(&listener, &Listener::OnMatch));
  CheckSlotRules("OnGrepping", &RE::SetOnGrepping, &RE::GetOnGrepping, &RE::SetOnGreppingClosure,
                 &RE::GetOnGreppingClosure, &PlainContinue,
                 RE::ContinueMatchEventClosure(&listener, &Listener::OnContinue));
  CheckSlotRules("OnGreppingFiles", &RE::SetOnGreppingFiles, &RE::GetOnGreppingFiles,
                 &RE::SetOnGreppingFilesClosure, &RE::GetOnGreppingFilesClosure, &PlainFile,
                 RE::FileMatchEventClosure(&listener, &Listener::OnFile));
  CheckSlotRules("OnFindFiles", &RE::SetOnFindFiles, &RE::GetOnFindFiles,
                 &RE::SetOnFindFilesClosure, &RE::GetOnFindFilesClosure, &PlainFound,
                 RE::FileFoundEventClosure(&listener, &Listener::OnFound));
  CheckSlotRules("OnMerging", &RE::SetOnMerging, &RE::GetOnMerging, &RE::SetOnMergingClosure,
                 &RE::GetOnMergingClosure, &PlainContinue,
                 RE::ContinueMatchEventClosure(&listener, &Listener::OnContinue));
  CheckSlotRules("OnChangingFiles", &RE::SetOnChangingFiles, &RE::GetOnChangingFiles,
                 &RE::SetOnChangingFilesClosure, &RE::GetOnChangingFilesClosure, &PlainFile,
                 RE::FileMatchEventClosure(&listener, &Listener::OnFile));
}

TEST(PatternObject, FiringCallsThePlainHandlerElseTheClosure) {
  Listener listener;
  RE re;
  EXPECT_TRUE(re.ThisFindFilesCallback("a.txt")) << "no handler: the run goes on";

  re.SetOnFindFilesClosure(RE::FileFoundEventClosure(&listener, &Listener::OnFound));
  EXPECT_FALSE(re.ThisFindFilesCallback("a.txt")) << "the closure cleared bcontinue";
  EXPECT_EQ(listener.calls, 1);

  re.SetOnFindFiles(nullptr);  // leaves the closure in place
  EXPECT_FALSE(re.ThisFindFilesCallback("b.txt"));
  EXPECT_EQ(listener.calls, 2);

  PlainFoundCalls = 0;
  re.SetOnFindFiles(&PlainFound);
  EXPECT_TRUE(re.ThisFindFilesCallback("c.txt"));
  EXPECT_EQ(PlainFoundCalls, 1);
  EXPECT_EQ(PlainFoundFile, "c.txt");
  EXPECT_EQ(listener.calls, 2) << "the closure was emptied by the plain handler";
}

TEST(Closure, EmptyWhenItsFunctionPartIsNull) {
  Listener listener;
  const RE::FileFoundEventClosure empty;
  EXPECT_FALSE(empty);
  EXPECT_EQ(empty.Object(), nullptr);
  void (Listener::*none)(RE*, std::string, bool&) = nullptr;
  const RE::FileFoundEventClosure nullMethod(&listener, none);
  EXPECT_FALSE(nullMethod);
  bool flag = true;
  nullMethod(nullptr, "x", flag);  // calls nothing
  EXPECT_EQ(listener.calls, 0);

  const RE::FileFoundEventClosure bound(&listener, &Listener::OnFound);
  EXPECT_TRUE(bound);
  EXPECT_EQ(bound.Object(), &listener);
  const RE::FileFoundEventClosure copy = bound;  // a copy calls the same method on the same object
  copy(nullptr, "x", flag);
  EXPECT_EQ(listener.calls, 1);
  EXPECT_FALSE(flag);
}

void ExpectSameSettings(const RE& a, const RE& b) {
  EXPECT_TRUE(a == b);
  EXPECT_EQ(a.GetFlagOptions(), b.GetFlagOptions());
  EXPECT_EQ(a.GetMatchFlags(), b.GetMatchFlags());
  EXPECT_EQ(a.GetExpression(), b.GetExpression());
  EXPECT_EQ(a.GetOnMatching(), b.GetOnMatching());
  EXPECT_TRUE(a.GetOnFindFilesClosure() == b.GetOnFindFilesClosure());
}

RE Configured(Listener& listener) {
  RE re;
  re.AddExpressionOption(RE::Basic);
  re.AddMatchOption(RE::MatchNotEndOfLine);
  re.SetExpression("\\(a\\)\\(b\\)");
  re.SetStringToMatch("text");
  re.SetFilesToMatch("*.c");
  re.SetFormatString("$2$1");
  re.SetSaveExtension("orig");
  re.SetDirectoryRecursion(true);
  re.SetMergeCopy(true);
  re.SetOnMatching(&PlainMatch);
  re.SetOnFindFilesClosure(RE::FileFoundEventClosure(&listener, &Listener::OnFound));
  return re;
}

TEST(PatternObject, CopyTakesSettingsCompiledStateAndHandlersButNotTheLocale) {
  Listener listener;
  RE source = Configured(listener);
  source.SetLocale(std::locale::classic());
  ASSERT_EQ(source.ParseExpression(), 0);

  const RE copy(source);
  ExpectSameSettings(copy, source);
  EXPECT_EQ(copy.GetLocale(), std::locale()) << "a copy gets the global locale of its making";
  EXPECT_EQ(copy.NumberOfSubexpressions(), 2u) << "the compiled flag came with the copy";
  EXPECT_EQ(copy.GetChangeFilesErrors(), nullptr);

  RE target;
  target.SetLocale(std::locale::classic());
  target = source;
  ExpectSameSettings(target, source);
  EXPECT_EQ(target.GetLocale(), std::locale::classic()) << "assignment keeps the target's locale";
  EXPECT_EQ(target.NumberOfSubexpressions(), 2u);
}

TEST(PatternObject, CopyOfAFailedPatternCarriesTheError) {
  RE source;
  source.SetExpression("a(b");
  const unsigned char code = source.ParseExpression();
  ASSERT_NE(code, 0);
  RE copy(source);
  RE assigned;
  assigned = source;
  for (RE* re : {&copy, &assigned}) {
    EXPECT_EQ(re->GetExpressionError(), source.GetExpressionError());
    EXPECT_EQ(re->ParseExpression(), code);
  }
}

TEST(PatternObject, SelfAssignmentChangesNothing) {
  Listener listener;
  RE re = Configured(listener);
  ASSERT_EQ(re.ParseExpression(), 0);
  RE& alias = re;
  re = alias;
  const RE reference = Configured(listener);
  ExpectSameSettings(re, reference);
  EXPECT_EQ(static_cast<const RE&>(re).NumberOfSubexpressions(), 2u);
}

TEST(PatternObject, EqualityLooksAtSettingsOnly) {
  Listener listener;
  RE a = Configured(listener);
  RE b = Configured(listener);
  b.SetOnMatching(nullptr);
  b.SetOnFindFilesClosure(RE::FileFoundEventClosure());
  b.SetLocale(std::locale::classic());
  b.ParseExpression();
  EXPECT_TRUE(a == b) << "handlers, locale and compile state do not count";

  struct Change {
    const char* name;
    void (*apply)(RE&);
  } changes[] = {
      {"expression case", [](RE& re) { re.SetExpression("\\(A\\)\\(b\\)"); }},
      {"text", [](RE& re) { re.SetStringToMatch("Text"); }},
      {"mask", [](RE& re) { re.SetFilesToMatch("*.h"); }},
      {"format", [](RE& re) { re.SetFormatString("$1"); }},
      {"save extension", [](RE& re) { re.SetSaveExtension("bak"); }},
      {"recursion", [](RE& re) { re.SetDirectoryRecursion(false); }},
      {"merge copy", [](RE& re) { re.SetMergeCopy(false); }},
      {"options", [](RE& re) { re.AddExpressionOption(RE::CaseInsensitive); }},
      {"match options", [](RE& re) { re.AddMatchOption(RE::MatchShortest); }},
  };
  for (const Change& change : changes) {
    RE changed = Configured(listener);
    change.apply(changed);
    EXPECT_FALSE(a == changed) << change.name;
  }
}

TEST(PatternObject, MatchOptionsGoThroughTheDefaultMarkerRules) {
  RE re;
  re.AddMatchOption(RE::MatchNotEndOfLine);
  EXPECT_FALSE(re.IsMatchOption(RE::MatchDefault));
  EXPECT_EQ(re.GetMatchFlags(), 0x2u);
  re.DeleteMatchOption(RE::MatchNotEndOfLine);
  EXPECT_TRUE(re.IsMatchOption(RE::MatchDefault));
  re.ClearMatchOptions();
  EXPECT_FALSE(re.IsMatchOption(RE::MatchDefault));
  EXPECT_EQ(re.GetMatchFlags(), 0u);
  re.AddMatchOption(RE::MatchContinuous);
  re.DeleteMatchOption(RE::MatchContinuous);
  EXPECT_TRUE(re.IsMatchOption(RE::MatchDefault));
}

}  // namespace
