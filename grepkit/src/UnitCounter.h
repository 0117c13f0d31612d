#pragma once
// A unit's start and stop counter: starting counts down and does the work only on the first
// start; stopping counts up and does the work only when the count comes back to 0.

namespace Grepkit {

class UnitCounter {
 public:
  template <class Work>
  void Start(Work work) {
    if (Count-- == 0) work();
  }
  template <class Work>
  void Stop(Work work) {
    if (++Count == 0) work();
  }

 private:
  int Count = 0;
};

}  // namespace Grepkit
