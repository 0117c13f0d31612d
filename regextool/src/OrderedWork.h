#pragma once
// Work on numbered items spread over threads, its results taken in the items' order: the
// output of a run on N threads is the output of the same run on one.

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace RegexTool {

// Runs `work(thread, item)` for every item in [0, count) on `threads` threads (the thread's
// number lets each keep its own toolkit objects) and hands each result to `emit(item, result)`
// on the calling thread, in item order, as soon as the results before it are in. An exception
// from `work` reaches the caller once the items before it were emitted.
template <class Result, class Work, class Emit>
void RunInOrder(std::size_t count, unsigned threads, Work work, Emit emit) {
  if (threads <= 1 || count <= 1) {
    for (std::size_t item = 0; item < count; ++item) emit(item, work(0u, item));
    return;
  }
  struct Slot {
    std::optional<Result> Value;
    std::exception_ptr Failure;
    bool Done = false;
  };
  std::vector<Slot> slots(count);
  std::mutex lock;
  std::condition_variable filled;
  std::size_t next = 0;
  bool stop = false;

  auto worker = [&](unsigned thread) {
    for (;;) {
      std::size_t item;
      {
        const std::lock_guard<std::mutex> guard(lock);
        if (stop || next == count) return;
        item = next++;
      }
      Slot done;
      try {
        done.Value.emplace(work(thread, item));
      } catch (...) {
        done.Failure = std::current_exception();
      }
      const std::lock_guard<std::mutex> guard(lock);
      slots[item].Value = std::move(done.Value);
      slots[item].Failure = done.Failure;
      slots[item].Done = true;
      filled.notify_all();
    }
  };

  // Joins the workers on every way out; told to stop first when the caller leaves early.
  class Workers {
   public:
    Workers(std::mutex& lock, bool& stop) : Lock(lock), Stop(stop) {}
    ~Workers() {
      {
        const std::lock_guard<std::mutex> guard(Lock);
        Stop = true;
      }
      for (std::thread& thread : Threads) thread.join();
    }
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;
    std::vector<std::thread> Threads;

   private:
    std::mutex& Lock;
    bool& Stop;
  } workers(lock, stop);
  const unsigned used = static_cast<unsigned>(std::min<std::size_t>(threads, count));
  for (unsigned thread = 0; thread < used; ++thread) workers.Threads.emplace_back(worker, thread);

  for (std::size_t item = 0; item < count; ++item) {
    Slot taken;
    {
      std::unique_lock<std::mutex> guard(lock);
      filled.wait(guard, [&] { return slots[item].Done; });
      taken.Value = std::move(slots[item].Value);
      taken.Failure = slots[item].Failure;
      slots[item].Value.reset();
    }
    if (taken.Failure) std::rethrow_exception(taken.Failure);
    emit(item, std::move(*taken.Value));
  }
}

}  // namespace RegexTool
