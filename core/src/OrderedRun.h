#pragma once
// Numbered items worked on by several threads, their results taken in the items' order on
// the calling thread, so a run on N threads reports what the same run on one reports. No more
// than a few results per thread wait to be taken, so memory stays bounded.

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace grepcore {

// make(thread, item) -> T on `threads` threads; take(item, T&&) in order.
template <class T, class Make, class Take>
void RunOrdered(std::size_t count, unsigned threads, Make make, Take take) {
  if (threads <= 1 || count <= 1) {
    for (std::size_t item = 0; item < count; ++item) take(item, make(0u, item));
    return;
  }
  const std::size_t window = 4 * static_cast<std::size_t>(threads);
  std::vector<std::optional<T>> slots(count);
  std::mutex lock;
  std::condition_variable changed;
  std::size_t next = 0, taken = 0;
  bool stop = false;
  std::exception_ptr failure;
  auto work = [&](unsigned thread) {
    for (;;) {
      std::size_t item;
      {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(guard, [&] { return stop || next >= count || next < taken + window; });
        if (stop || next >= count) return;
        item = next++;
      }
      try {
        T result = make(thread, item);
        std::lock_guard<std::mutex> guard(lock);
        slots[item].emplace(std::move(result));
      } catch (...) {
        std::lock_guard<std::mutex> guard(lock);
        if (!failure) failure = std::current_exception();
        stop = true;
      }
      changed.notify_all();
    }
  };
  std::vector<std::thread> workers;
  for (unsigned thread = 0; thread < threads; ++thread) workers.emplace_back(work, thread);
  try {
    for (std::size_t item = 0; item < count; ++item) {
      std::optional<T> result;
      {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(guard, [&] { return stop || slots[item].has_value(); });
        if (stop) break;
        result = std::move(slots[item]);
        slots[item].reset();
        ++taken;
      }
      changed.notify_all();
      take(item, std::move(*result));
    }
  } catch (...) {
    std::lock_guard<std::mutex> guard(lock);
    if (!failure) failure = std::current_exception();
    stop = true;
  }
  {
    std::lock_guard<std::mutex> guard(lock);
    stop = true;
  }
  changed.notify_all();
  for (std::thread& worker : workers) worker.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace grepcore
