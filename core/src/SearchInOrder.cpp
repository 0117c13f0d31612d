#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "grepcore/Search.h"

namespace grepcore {
namespace {

// The threads and what they share: the next item to take, and each item's output once done.
class OrderedRun {
 public:
  OrderedRun(std::size_t count,
             const std::function<void(unsigned, std::size_t, std::string&)>& work,
             const std::function<bool(std::size_t)>& onCaller)
      : Count(count),
        Work(work),
        OnCaller(onCaller),
        Outputs(count),
        Failures(count),
        Done(count, false) {}

  void Start(unsigned threads) {
    for (unsigned thread = 0; thread < threads; ++thread)
      Threads.emplace_back([this, thread] { Worker(thread); });
  }

  // Joins the threads on every way out, told to stop first.
  ~OrderedRun() {
    {
      const std::lock_guard<std::mutex> lock(Lock);
      Stop = true;
    }
    WorkReady.notify_all();
    for (std::thread& thread : Threads) thread.join();
  }
  OrderedRun(const OrderedRun&) = delete;
  OrderedRun& operator=(const OrderedRun&) = delete;

  // Waits for the output of `item`, done by a thread; rethrows a thread's failure.
  std::string Take(std::size_t item) {
    std::unique_lock<std::mutex> lock(Lock);
    Ready.wait(lock, [&] { return Done[item]; });
    if (Failures[item]) std::rethrow_exception(Failures[item]);
    std::string out = std::move(Outputs[item]);
    Outputs[item] = std::string();
    return out;
  }

  // The caller has delivered every item before `item`.
  void Delivered(std::size_t item) {
    {
      const std::lock_guard<std::mutex> lock(Lock);
      Written = item;
    }
    WorkReady.notify_all();
  }

 private:
  void Worker(unsigned thread) {
    for (;;) {
      std::size_t item;
      {
        std::unique_lock<std::mutex> lock(Lock);
        // Keep within a window of the caller, so finished outputs never pile up.
        WorkReady.wait(lock, [&] { return Stop || Next >= Count || Next < Written + Window; });
        while (!Stop && Next < Count && OnCaller && OnCaller(Next)) ++Next;
        if (Stop || Next >= Count) return;
        item = Next++;
      }
      std::string out;
      std::exception_ptr failure;
      try {
        Work(thread, item, out);
      } catch (...) {
        failure = std::current_exception();  // the caller meets it in its turn
      }
      {
        const std::lock_guard<std::mutex> lock(Lock);
        Outputs[item] = std::move(out);
        Failures[item] = failure;
        Done[item] = true;
      }
      Ready.notify_all();
    }
  }

  static constexpr std::size_t Window = 1024;

  const std::size_t Count;
  const std::function<void(unsigned, std::size_t, std::string&)>& Work;
  const std::function<bool(std::size_t)>& OnCaller;
  std::vector<std::string> Outputs;
  std::vector<std::exception_ptr> Failures;
  std::vector<bool> Done;
  std::vector<std::thread> Threads;
  std::mutex Lock;
  std::condition_variable WorkReady;
  std::condition_variable Ready;
  std::size_t Next = 0;
  std::size_t Written = 0;
  bool Stop = false;
};

}  // namespace

void SearchInOrder(std::size_t count, unsigned threads,
                   const std::function<void(unsigned, std::size_t, std::string&)>& work,
                   const std::function<bool(std::size_t, std::string&)>& deliver,
                   const std::function<bool(std::size_t)>& onCaller) {
  if (threads <= 1 || count <= 1) {
    std::string out;
    for (std::size_t item = 0; item < count; ++item) {
      out.clear();
      if (!onCaller || !onCaller(item)) work(0, item, out);
      if (!deliver(item, out)) return;
    }
    return;
  }
  OrderedRun run(count, work, onCaller);
  run.Start(static_cast<unsigned>(std::min<std::size_t>(threads, count)));
  for (std::size_t item = 0; item < count; ++item) {
    std::string out;
    if (!onCaller || !onCaller(item)) out = run.Take(item);
    const bool more = deliver(item, out);
    run.Delivered(item + 1);
    if (!more) return;
  }
}

}  // namespace grepcore
