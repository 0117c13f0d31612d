// The view events: the same records as the specified events, as views, at the same moments.
#include <gtest/gtest.h>

#include <stdexcept>

#include <string>
#include <string_view>
#include <vector>

#include "../support/TemporaryDirectory.h"
#include "grepcore/Regularexpressionclass.h"

namespace {

using RegexClass::REMatchInfo;
using RegexClass::REMatchViewInfo;
using RE = RegexClass::RegularExpression;

// One call of either kind, with its records copied out while they were valid.
struct Call {
  bool view = false;
  std::string file;
  std::vector<std::string> texts;
  std::vector<std::int64_t> positions;
  unsigned line = 0;
  std::uint64_t lineStart = 0;
};

template <class Records>
Call Record(bool view, std::string_view file, const Records& records, unsigned line,
            std::uint64_t lineStart) {
  Call call{view, std::string(file), {}, {}, line, lineStart};
  for (const auto& record : records) {
    call.texts.emplace_back(record.MatchString);
    call.positions.push_back(record.Position);
  }
  return call;
}

struct Listener {
  std::vector<Call> calls;
  int stopEventAt = 0;  // 1-based call of the specified event at which it clears bcontinue
  int stopViewAt = 0;   // the same for the view event
  int events = 0, viewEvents = 0;
  std::string assignOnView;  // a text the view handler assigns to StringToMatch, if set

  void OnMatch(RE*, const REMatchInfo& m, unsigned line, std::uint64_t start) {
    calls.push_back(Record(false, "", m, line, start));
  }
  void OnMatchView(RE*, const REMatchViewInfo& m, unsigned line, std::uint64_t start) {
    calls.push_back(Record(true, "", m, line, start));
  }
  void OnGrep(RE*, const REMatchInfo& m, unsigned line, std::uint64_t start, bool& go) {
    calls.push_back(Record(false, "", m, line, start));
    if (++events == stopEventAt) go = false;
  }
  void OnGrepView(RE* sender, const REMatchViewInfo& m, unsigned line, std::uint64_t start, bool& go) {
    if (!assignOnView.empty()) sender->SetStringToMatch(assignOnView);
    calls.push_back(Record(true, "", m, line, start));
    if (++viewEvents == stopViewAt) go = false;
  }
  void OnFile(RE*, std::string file, const REMatchInfo& m, unsigned line, bool& go) {
    calls.push_back(Record(false, file, m, line, 0));
    if (++events == stopEventAt) go = false;
  }
  void OnFileView(RE*, std::string_view file, const REMatchViewInfo& m, unsigned line, bool& go) {
    calls.push_back(Record(true, file, m, line, 0));
    if (++viewEvents == stopViewAt) go = false;
  }

  void Install(RE& re) {
    re.SetOnMatchingClosure(RE::MatchEventClosure(this, &Listener::OnMatch));
    re.SetOnMatchingViewClosure(RE::MatchViewEventClosure(this, &Listener::OnMatchView));
    re.SetOnSearchingClosure(RE::MatchEventClosure(this, &Listener::OnMatch));
    re.SetOnSearchingViewClosure(RE::MatchViewEventClosure(this, &Listener::OnMatchView));
    re.SetOnGreppingClosure(RE::ContinueMatchEventClosure(this, &Listener::OnGrep));
    re.SetOnGreppingViewClosure(RE::ContinueMatchViewEventClosure(this, &Listener::OnGrepView));
    re.SetOnMergingClosure(RE::ContinueMatchEventClosure(this, &Listener::OnGrep));
    re.SetOnMergingViewClosure(RE::ContinueMatchViewEventClosure(this, &Listener::OnGrepView));
    re.SetOnGreppingFilesClosure(RE::FileMatchEventClosure(this, &Listener::OnFile));
    re.SetOnGreppingFilesViewClosure(RE::FileMatchViewEventClosure(this, &Listener::OnFileView));
    re.SetOnChangingFilesClosure(RE::FileMatchEventClosure(this, &Listener::OnFile));
    re.SetOnChangingFilesViewClosure(RE::FileMatchViewEventClosure(this, &Listener::OnFileView));
  }
};

// Calls come in pairs, the specified event first, and each pair's records agree.
void ExpectPairs(const std::vector<Call>& calls, std::size_t pairs) {
  ASSERT_EQ(calls.size(), 2 * pairs);
  for (std::size_t i = 0; i < calls.size(); i += 2) {
    SCOPED_TRACE(i / 2);
    EXPECT_FALSE(calls[i].view);
    EXPECT_TRUE(calls[i + 1].view);
    EXPECT_EQ(calls[i].file, calls[i + 1].file);
    EXPECT_EQ(calls[i].texts, calls[i + 1].texts);
    EXPECT_EQ(calls[i].positions, calls[i + 1].positions);
    EXPECT_EQ(calls[i].line, calls[i + 1].line);
    EXPECT_EQ(calls[i].lineStart, calls[i + 1].lineStart);
  }
}

TEST(ViewEvents, StringOperationsReportTheSameRecordsAsTheirEvents) {
  const std::string text = "zz ab\nax\nb ab";
  Listener listener;
  RE re;
  re.SetExpression("a(x\n)?(b)");
  re.SetStringToMatch(text);
  re.SetFormatString("<$2>");
  re.SetMergeCopy(true);
  listener.Install(re);

  EXPECT_TRUE(re.Search());
  ExpectPairs(listener.calls, 1);
  EXPECT_EQ(listener.calls[1].texts, (std::vector<std::string>{"ab", "", "b", "zz ", "\nax\nb ab"}));

  listener.calls.clear();
  EXPECT_EQ(re.Grep(), 3u);
  ExpectPairs(listener.calls, 3);
  EXPECT_EQ(listener.calls[3].texts[1], "x\n");
  EXPECT_EQ(listener.calls[3].line, 2u);

  listener.calls.clear();
  std::string merged;
  re.Merge(merged);
  EXPECT_EQ(merged, "zz <b>\n<b> <b>");
  ExpectPairs(listener.calls, 3);

  listener.calls.clear();
  re.SetStringToMatch("ab");
  EXPECT_TRUE(re.MatchAll());
  ExpectPairs(listener.calls, 1);
}

TEST(ViewEvents, EitherHandlerEndsTheRun) {
  for (const bool byView : {false, true}) {
    SCOPED_TRACE(byView);
    Listener listener;
    (byView ? listener.stopViewAt : listener.stopEventAt) = 2;
    RE re;
    re.SetExpression("a");
    re.SetStringToMatch("aaaa");
    listener.Install(re);
    EXPECT_EQ(re.Grep(), 2u);
    ExpectPairs(listener.calls, 2);  // the other handler still saw the match that ended it
  }
}

TEST(ViewEvents, AViewHandlerAloneSeesEveryMatchAndMayAssignTheText) {
  Listener listener;
  listener.assignOnView = "something else entirely";
  RE re;
  re.SetExpression("[0-9]+");
  re.SetStringToMatch("1 22 333");
  re.SetOnGreppingViewClosure(RE::ContinueMatchViewEventClosure(&listener, &Listener::OnGrepView));
  // The views stay on the text the run started with.
  EXPECT_EQ(re.Grep(), 3u);
  ASSERT_EQ(listener.calls.size(), 3u);
  EXPECT_EQ(listener.calls[2].texts, (std::vector<std::string>{"333", " ", ""}));
  EXPECT_EQ(listener.calls[2].positions, (std::vector<std::int64_t>{5, 4, -1}));
}

// Records are worked out as they are read: read in any order, by index, at() or iteration,
// each is the one the full vector holds.
TEST(ViewEvents, RecordsReadInAnyOrderAreTheFullRecords) {
  struct Reads {
    std::vector<std::string> texts;
    std::vector<std::int64_t> positions;
    bool threw = false;
  };
  static Reads reads;
  reads = Reads();
  RE re;
  re.SetExpression("(a+)(x)?(b)");
  re.SetStringToMatch("zz aab yy");
  re.SetOnGreppingView([](RE*, const REMatchViewInfo& m, unsigned, std::uint64_t, bool&) {
    for (const std::size_t i : {5u, 3u, 0u, 2u, 4u, 1u}) {
      reads.texts.emplace_back(m.at(i).MatchString);
      reads.positions.push_back(m[i].Position);
    }
    std::size_t seen = 0;
    for (const auto& record : m) seen += record.MatchString.size();
    reads.texts.push_back(std::to_string(seen) + "/" + std::to_string(m.size()));
    try {
      (void)m.at(m.size());
    } catch (const std::out_of_range&) {
      reads.threw = true;
    }
  });
  EXPECT_EQ(re.Grep(), 1u);
  EXPECT_EQ(reads.texts, (std::vector<std::string>{" yy", "b", "aab", "", "zz ", "aa", "12/6"}));
  EXPECT_EQ(reads.positions, (std::vector<std::int64_t>{6, 5, 3, -1, 0, 3}));
  EXPECT_TRUE(reads.threw);
}

TEST(ViewEvents, SlotsFollowTheEventRules) {
  Listener listener;
  RE re;
  re.SetOnGreppingViewClosure(RE::ContinueMatchViewEventClosure(&listener, &Listener::OnGrepView));
  EXPECT_TRUE(static_cast<bool>(re.GetOnGreppingViewClosure()));
  const RE copy(re);
  EXPECT_TRUE(static_cast<bool>(copy.GetOnGreppingViewClosure()));

  auto plain = [](RE*, const REMatchViewInfo&, unsigned, std::uint64_t, bool&) {};
  re.SetOnGreppingView(plain);
  EXPECT_FALSE(static_cast<bool>(re.GetOnGreppingViewClosure()));
  EXPECT_NE(re.GetOnGreppingView(), nullptr);
  EXPECT_EQ(re.GetOnGrepping(), nullptr);  // the specified event's slots are apart
}

TEST(ViewEvents, FileOperationsReportTheSameRecordsAsTheirEvents) {
  TestSupport::TemporaryDirectory dir;
  dir.Write("a.txt", "one key=1\nkey=22\n");
  dir.Write("b.txt", "no keys\nkey=333\n");

  Listener listener;
  RE re;
  re.SetExpression("key=([0-9]+)");
  re.SetFilesToMatch(dir / "*.txt");
  re.SetFormatString("k$1");
  listener.Install(re);

  EXPECT_EQ(re.GrepFiles(), 3u);
  ExpectPairs(listener.calls, 3);
  EXPECT_EQ(listener.calls[5].texts, (std::vector<std::string>{"key=333", "333"}));
  EXPECT_EQ(listener.calls[5].line, 2u);
  EXPECT_EQ(listener.calls[5].file, dir / "b.txt");

  // A change run with only a view handler still rewrites a file before the next file's first
  // match is reported, as with a handler of the specified event.
  RE change;
  change.SetExpression("key=([0-9]+)");
  change.SetFilesToMatch(dir / "*.txt");
  change.SetFormatString("k$1");
  struct Watch {
    const TestSupport::TemporaryDirectory* dir;
    std::string seen;
    void On(RE*, std::string_view file, const REMatchViewInfo&, unsigned, bool&) {
      if (file == *dir / "b.txt" && seen.empty()) seen = TestSupport::TemporaryDirectory::Read(*dir / "a.txt");
    }
  } watch{&dir, {}};
  change.SetOnChangingFilesViewClosure(RE::FileMatchViewEventClosure(&watch, &Watch::On));
  EXPECT_EQ(change.ChangeFiles(), 3u);
  EXPECT_EQ(watch.seen, "one k1\nk22\n");
  EXPECT_EQ(TestSupport::TemporaryDirectory::Read(dir / "b.txt"), "no keys\nk333\n");
}

}  // namespace
