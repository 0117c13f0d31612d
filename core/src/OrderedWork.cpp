#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "grepcore/Search.h"

namespace grepcore {
namespace {

// Finished pieces that may wait for the caller (busy walking, say): enough to keep the threads
// busy, few enough that results never pile up.
constexpr std::size_t FinishedWindow = 1024;
// A thread claims up to this many pieces at a time, so that a run of small ones (most files of a
// tree) does not take the lock and wake the caller once a piece: 8 at a time kept two threads
// and the caller 1.65 cores busy on a tree of 23,000 files, 64 at a time 1.8. Fewer are
// claimed when few are waiting, so the threads end together.
constexpr std::size_t MostPiecesPerClaim = 64;

}  // namespace

struct OrderedWork::Shared {
  struct Slot {
    Piece Work;
    bool OnCaller = false;
    bool Done = false;
    Finish Result;
    std::exception_ptr Failure;
  };

  explicit Shared(unsigned threads) : Threads(threads) {}

  // The first piece a thread may claim, past the caller's own; true when there is one.
  bool Claimable() {
    while (Next < Taken + Slots.size() && Slots[Next - Taken].OnCaller) ++Next;
    return Next < Taken + Slots.size() && Next < Taken + FinishedWindow;
  }

  void Work(unsigned thread) {
    std::unique_lock<std::mutex> guard(Lock);
    for (;;) {
      ClaimChanged.wait(guard, [&] { return Stop || Claimable(); });
      if (Stop) return;
      RunClaim(thread, guard);
      Finished.notify_one();
    }
  }

  // Claims the next pieces (Claimable() is true), runs them with the lock let go, and stores
  // what they returned.
  void RunClaim(unsigned thread, std::unique_lock<std::mutex>& guard) {
    const std::size_t first = Next;
    const std::size_t waiting = Taken + Slots.size() - Next;
    const std::size_t most = std::clamp<std::size_t>(waiting / Threads, 1, MostPiecesPerClaim);
    std::vector<Piece> claimed;
    while (claimed.size() < most && Next < Taken + Slots.size() && Next < Taken + FinishedWindow &&
           !Slots[Next - Taken].OnCaller)
      claimed.push_back(std::move(Slots[Next++ - Taken].Work));
    guard.unlock();
    std::vector<Finish> results;
    std::exception_ptr failure;
    for (Piece& piece : claimed) {
      try {
        results.push_back(piece(thread));
      } catch (...) {
        failure = std::current_exception();  // the caller meets it in its turn
        break;
      }
    }
    guard.lock();
    if (Stop) return;
    for (std::size_t i = 0; i < claimed.size(); ++i) {
      Slot& slot = Slots[first + i - Taken];  // not taken: it was not done
      slot.Done = true;
      if (i < results.size())
        slot.Result = std::move(results[i]);
      else
        slot.Failure = failure;  // the pieces after the failing one are never run
    }
  }

  std::mutex Lock;
  std::condition_variable ClaimChanged;  // the threads wait for a piece, room, or the stop
  std::condition_variable Finished;      // the caller waits for its next piece to be done
  std::deque<Slot> Slots;                // Slots[0] is piece number Taken
  std::size_t Taken = 0;                 // pieces handed to the caller
  std::size_t Next = 0;                  // the first piece no thread has claimed
  bool Stop = false;
  const unsigned Threads;
  std::vector<std::thread> Workers;
};

OrderedWork::OrderedWork(unsigned threads)
    : State(std::make_unique<Shared>(std::max(1u, threads))) {
  // The caller is the last of them: it walks while the others search, and searches with them
  // while it waits for its next result.
  for (unsigned thread = 0; thread + 1 < State->Threads; ++thread)
    State->Workers.emplace_back([this, thread] { State->Work(thread); });
}

OrderedWork::~OrderedWork() {
  {
    const std::lock_guard<std::mutex> guard(State->Lock);
    State->Stop = true;
  }
  State->ClaimChanged.notify_all();
  for (std::thread& worker : State->Workers) worker.join();
}

bool OrderedWork::Add(Piece piece, bool onCaller) {
  {
    const std::lock_guard<std::mutex> guard(State->Lock);
    if (State->Stop) return false;
    State->Slots.push_back(Shared::Slot{std::move(piece), onCaller, false, {}, {}});
  }
  if (!onCaller) State->ClaimChanged.notify_one();
  return RunReady(false);
}

bool OrderedWork::Drain() { return RunReady(true); }

bool OrderedWork::RunReady(bool wait) {
  Shared& shared = *State;
  const unsigned caller = shared.Threads - 1;
  std::vector<Shared::Slot> ready;
  for (;;) {
    {
      std::unique_lock<std::mutex> guard(shared.Lock);
      const auto frontReady = [&shared] {
        return shared.Slots.empty() || shared.Slots.front().Done || shared.Slots.front().OnCaller;
      };
      while (wait && !shared.Stop && !frontReady()) {
        if (shared.Claimable())
          shared.RunClaim(caller, guard);
        else
          shared.Finished.wait(guard);
      }
      if (shared.Stop) return false;
      while (!shared.Slots.empty() && ready.size() < FinishedWindow &&
             (shared.Slots.front().Done || shared.Slots.front().OnCaller)) {
        ready.push_back(std::move(shared.Slots.front()));
        shared.Slots.pop_front();
        ++shared.Taken;
      }
      shared.Next = std::max(shared.Next, shared.Taken);
      if (ready.empty()) return true;
    }
    shared.ClaimChanged.notify_all();  // room in the window
    for (Shared::Slot& slot : ready) {
      if (slot.Failure) std::rethrow_exception(slot.Failure);
      const Finish finish = slot.OnCaller ? slot.Work(caller) : std::move(slot.Result);
      if (finish && !finish()) {
        {
          const std::lock_guard<std::mutex> guard(shared.Lock);
          shared.Stop = true;
        }
        shared.ClaimChanged.notify_all();
        return false;
      }
    }
    ready.clear();
    if (!wait) return true;
  }
}

}  // namespace grepcore
