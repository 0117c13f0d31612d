#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <thread>

#include "platform/FaultSeam.h"
#include "platform/ThreadSlot.h"

namespace {

std::atomic<int> Released{0};
void CountRelease(void*) { ++Released; }

class ThreadSlotTest : public ::testing::Test {
 protected:
  void TearDown() override { Platform::ClearFaults(); }
};

TEST_F(ThreadSlotTest, ValuesArePerThreadAndStartNull) {
  const Platform::ThreadSlotIndex slot = Platform::AllocateThreadSlot(nullptr);
  ASSERT_NE(slot, Platform::NoThreadSlot);
  int mine = 1;
  EXPECT_EQ(Platform::GetThreadSlotValue(slot), nullptr);
  ASSERT_TRUE(Platform::SetThreadSlotValue(slot, &mine));

  void* seenByOther = &mine;
  std::thread other([&] {
    seenByOther = Platform::GetThreadSlotValue(slot);
    int theirs = 2;
    Platform::SetThreadSlotValue(slot, &theirs);
  });
  other.join();
  EXPECT_EQ(seenByOther, nullptr);
  EXPECT_EQ(Platform::GetThreadSlotValue(slot), &mine);
  Platform::FreeThreadSlot(slot);
}

TEST_F(ThreadSlotTest, ThreadEndReleasesOnlyNonNullValues) {
  Released = 0;
  const Platform::ThreadSlotIndex slot = Platform::AllocateThreadSlot(&CountRelease);
  ASSERT_NE(slot, Platform::NoThreadSlot);
  int value = 0;
  std::thread holder([&] { Platform::SetThreadSlotValue(slot, &value); });
  holder.join();
  std::thread empty([&] { Platform::GetThreadSlotValue(slot); });
  empty.join();
  EXPECT_EQ(Released.load(), 1);
  Platform::FreeThreadSlot(slot);
}

TEST_F(ThreadSlotTest, FailedAllocationGivesTheFailureValueAndIsInert) {
  Platform::FailCall(Platform::Call::ThreadSlotAllocate, 1, EAGAIN);
  const Platform::ThreadSlotIndex slot = Platform::AllocateThreadSlot(nullptr);
  EXPECT_EQ(slot, 0xFFFFFFFFu);
  EXPECT_EQ(Platform::LastError(), EAGAIN);
  int value = 0;
  EXPECT_FALSE(Platform::SetThreadSlotValue(slot, &value));
  EXPECT_EQ(Platform::GetThreadSlotValue(slot), nullptr);
  Platform::FreeThreadSlot(slot);  // must do nothing
}

TEST_F(ThreadSlotTest, FaultSeamCountsCallsAndStaysInItsThread) {
  Platform::FailCall(Platform::Call::ThreadSlotAllocate, 2, ENOMEM);
  Platform::ThreadSlotIndex inOther = Platform::NoThreadSlot;
  std::thread other([&] { inOther = Platform::AllocateThreadSlot(nullptr); });
  other.join();
  EXPECT_NE(inOther, Platform::NoThreadSlot);  // another thread's plan is not ours

  const Platform::ThreadSlotIndex first = Platform::AllocateThreadSlot(nullptr);
  const Platform::ThreadSlotIndex second = Platform::AllocateThreadSlot(nullptr);
  const Platform::ThreadSlotIndex third = Platform::AllocateThreadSlot(nullptr);
  EXPECT_NE(first, Platform::NoThreadSlot);
  EXPECT_EQ(second, Platform::NoThreadSlot);
  EXPECT_NE(third, Platform::NoThreadSlot);
  for (auto slot : {inOther, first, third}) Platform::FreeThreadSlot(slot);
}

}  // namespace
