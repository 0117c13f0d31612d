// The per-thread instance stack: creation, release and the dispatch of file callbacks.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <thread>
#include <vector>

#include "Regularexpressiontlsstack.h"
#include "platform/FaultSeam.h"

namespace {

using RegexClass::TLSStack;
using RE = RegexClass::RegularExpression;
using Entry = RegexClass::RegularExpressionTLSStack::Entry;

// Each test runs in a thread of its own, so it starts with no stack.
template <class Body>
void InFreshThread(Body body) {
  std::thread worker(body);
  worker.join();
}

TEST(InstanceStack, AllocateCreatesOnceAndNeverPushes) {
  InFreshThread([] {
    EXPECT_EQ(TLSStack.GetValue(), nullptr);
    RE re;
    re.AllocateStack();
    auto* stack = TLSStack.GetValue();
    ASSERT_NE(stack, nullptr);
    EXPECT_TRUE(stack->empty());
    re.AllocateStack();
    EXPECT_EQ(TLSStack.GetValue(), stack);
    re.DeallocateStack();
    EXPECT_EQ(TLSStack.GetValue(), nullptr);
    re.DeallocateStack();  // no stack: nothing to do
  });
}

TEST(InstanceStack, DestructionReleasesOnlyAnEmptyStack) {
  InFreshThread([] {
    RE outer;
    {
      Entry running(TLSStack, &outer);
      { RE other; }  // destroyed while a file operation runs in this thread
      ASSERT_NE(TLSStack.GetValue(), nullptr);
      EXPECT_EQ(TLSStack.GetValue()->size(), 1u);
    }
    ASSERT_NE(TLSStack.GetValue(), nullptr) << "the stack stays after the operation";
    { RE other; }
    EXPECT_EQ(TLSStack.GetValue(), nullptr);
  });
}

// Records which object each callback reached.
std::vector<std::string> Reached;

void RecordA(RE*, std::string file, bool&) { Reached.push_back("A:" + file); }
void RecordB(RE*, std::string file, bool&) { Reached.push_back("B:" + file); }

TEST(InstanceStack, CallbacksReachTheInnermostObject) {
  InFreshThread([] {
    Reached.clear();
    RE a, b;
    a.SetOnFindFiles(&RecordA);
    b.SetOnFindFiles(&RecordB);
    EXPECT_FALSE(RE::FindFilesCallback("none")) << "outside a file operation the engine stops";
    {
      Entry outer(TLSStack, &a);
      EXPECT_TRUE(RE::FindFilesCallback("1"));
      {
        Entry inner(TLSStack, &b);
        EXPECT_TRUE(RE::FindFilesCallback("2"));
        {
          Entry again(TLSStack, &b);  // the same object twice
          EXPECT_TRUE(RE::FindFilesCallback("3"));
        }
        EXPECT_TRUE(RE::FindFilesCallback("4"));
      }
      EXPECT_TRUE(RE::FindFilesCallback("5"));
    }
    EXPECT_EQ(Reached, (std::vector<std::string>{"A:1", "B:2", "B:3", "B:4", "A:5"}));
  });
}

TEST(InstanceStack, AnExceptionUnwindingTheOperationPops) {
  InFreshThread([] {
    RE re;
    try {
      Entry running(TLSStack, &re);
      throw std::runtime_error("handler failed");
    } catch (const std::runtime_error&) {
    }
    ASSERT_NE(TLSStack.GetValue(), nullptr);
    EXPECT_TRUE(TLSStack.GetValue()->empty());
  });
}

thread_local std::vector<RE*> SeenHere;
void RecordSender(RE* sender, std::string, bool&) { SeenHere.push_back(sender); }

TEST(InstanceStack, ThreadsHaveStacksOfTheirOwn) {
  constexpr int Threads = 8;
  constexpr int Calls = 2000;
  std::vector<RE> objects(Threads);
  std::vector<int> onlyOwn(Threads, 0);  // not vector<bool>: its bits share words across threads
  std::vector<std::thread> workers;
  for (int t = 0; t < Threads; ++t) {
    workers.emplace_back([&, t] {
      objects[t].SetOnFindFiles(&RecordSender);
      Entry running(TLSStack, &objects[t]);
      for (int i = 0; i < Calls; ++i) RE::FindFilesCallback("f");
      bool own = SeenHere.size() == Calls;
      for (RE* sender : SeenHere) own = own && sender == &objects[t];
      onlyOwn[t] = own;
    });
  }
  for (auto& worker : workers) worker.join();
  for (int t = 0; t < Threads; ++t) EXPECT_TRUE(onlyOwn[t]) << "thread " << t;
}

TEST(InstanceStack, WithoutASlotNothingIsPushedOrStored) {
  InFreshThread([] {
    Platform::ScopedFault fault(Platform::Call::ThreadSlotAllocate, 1, EAGAIN);
    const RegexClass::RegularExpressionTLSStack broken;
    EXPECT_EQ(broken.SlotIndex(), 0xFFFFFFFFu);
    broken.AllocateStack();
    EXPECT_EQ(broken.GetValue(), nullptr);
    RE re;
    Entry running(broken, &re);
    EXPECT_FALSE(running.Pushed());
    EXPECT_EQ(broken.Top(), nullptr);
  });
}

TEST(InstanceStack, ARefusedStoreLeaksNothing) {
  InFreshThread([] {
    Platform::ScopedFault fault(Platform::Call::ThreadSlotSet, 1, ENOMEM);
    RE re;
    re.AllocateStack();
    EXPECT_EQ(TLSStack.GetValue(), nullptr);
  });
}

}  // namespace
