#pragma once
// Numbered items worked on by several threads, their results taken in the items' order on
// the calling thread, so a run on N threads reports what the same run on one reports. Threads
// stay within a window of items ahead of the caller, so memory stays bounded.

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

namespace grepcore {

// How many results may wait to be taken, and which items the caller works on itself.
template <class OnCaller>
struct OrderedRunLimits {
  std::size_t Window = 0;  // 0: four per thread
  OnCaller ByCaller;       // bool(item): not given to the threads; taken as T{}
  // A thread claims this many items at a time and hands their results on together, so a run
  // over many small items wakes the caller once a claim, not once an item.
  std::size_t Claim = 1;
};

struct NoItemByCaller {
  bool operator()(std::size_t) const { return false; }
};

namespace detail {
// take(item, T&&) may return void (go on) or bool (false stops the run).
template <class Take, class T>
bool Taken(Take& take, std::size_t item, T&& result) {
  if constexpr (std::is_void_v<decltype(take(item, std::move(result)))>) {
    take(item, std::move(result));
    return true;
  } else {
    return take(item, std::move(result));
  }
}
}  // namespace detail

// make(thread, item) -> T on `threads` threads; take(item, T&&) in order on the caller. An
// exception from make reaches the caller once the items before it were taken.
template <class T, class Make, class Take, class OnCaller = NoItemByCaller>
void RunOrdered(std::size_t count, unsigned threads, Make make, Take take,
                OrderedRunLimits<OnCaller> limits = {}) {
  if (threads <= 1 || count <= 1) {
    for (std::size_t item = 0; item < count; ++item)
      if (!detail::Taken(take, item, limits.ByCaller(item) ? T{} : make(0u, item))) return;
    return;
  }
  threads = static_cast<unsigned>(std::min<std::size_t>(threads, count));
  const std::size_t window =
      limits.Window != 0 ? limits.Window : 4 * static_cast<std::size_t>(threads);
  const std::size_t claim = std::max<std::size_t>(limits.Claim, 1);
  std::vector<std::optional<T>> slots(count);
  std::vector<std::exception_ptr> failures(count);
  std::mutex lock;
  std::condition_variable changed;
  std::size_t next = 0, taken = 0;
  bool stop = false;
  auto work = [&](unsigned thread) {
    for (;;) {
      std::size_t first, last;
      {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(guard, [&] { return stop || next >= count || next < taken + window; });
        while (!stop && next < count && limits.ByCaller(next)) ++next;
        if (stop || next >= count) return;
        first = next;
        last = first + 1;
        while (last < count && last - first < claim && last < taken + window &&
               !limits.ByCaller(last))
          ++last;
        next = last;
      }
      std::vector<std::optional<T>> results(last - first);
      std::exception_ptr failure;
      std::size_t failed = last;
      for (std::size_t item = first; item < last && !failure; ++item) {
        try {
          results[item - first].emplace(make(thread, item));
        } catch (...) {
          failure = std::current_exception();  // the caller meets it in its turn
          failed = item;
        }
      }
      {
        const std::lock_guard<std::mutex> guard(lock);
        for (std::size_t item = first; item < last; ++item) {
          if (item >= failed) {
            failures[item] = failure;  // the items after the failing one are never made
            slots[item].emplace();
          } else {
            slots[item] = std::move(results[item - first]);
          }
        }
      }
      changed.notify_all();
    }
  };
  // Joins the threads on every way out, told to stop first.
  struct Joined {
    std::vector<std::thread> Threads;
    std::mutex& Lock;
    std::condition_variable& Changed;
    bool& Stop;
    ~Joined() {
      {
        const std::lock_guard<std::mutex> guard(Lock);
        Stop = true;
      }
      Changed.notify_all();
      for (std::thread& thread : Threads) thread.join();
    }
  } workers{{}, lock, changed, stop};
  for (unsigned thread = 0; thread < threads; ++thread) workers.Threads.emplace_back(work, thread);
  // The caller takes every result that is ready in one turn of the lock, so that it neither
  // wakes nor contends with the threads once an item.
  std::vector<std::pair<std::size_t, T>> ready;
  for (std::size_t item = 0; item < count;) {
    std::exception_ptr failure;
    {
      std::unique_lock<std::mutex> guard(lock);
      changed.wait(guard, [&] { return limits.ByCaller(item) || slots[item].has_value(); });
      for (std::size_t at = item; at < count && ready.size() < window; ++at) {
        if (limits.ByCaller(at)) {
          ready.emplace_back(at, T{});
          continue;
        }
        if (!slots[at].has_value()) break;
        if (failures[at]) {
          if (ready.empty()) failure = failures[at];
          break;
        }
        ready.emplace_back(at, std::move(*slots[at]));
        slots[at].reset();
      }
    }
    if (failure) std::rethrow_exception(failure);
    for (auto& [at, result] : ready) {
      if (!detail::Taken(take, at, std::move(result))) return;
      item = at + 1;
    }
    ready.clear();
    {
      const std::lock_guard<std::mutex> guard(lock);
      taken = item;
    }
    changed.notify_all();
  }
}

}  // namespace grepcore
