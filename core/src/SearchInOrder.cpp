#include <functional>
#include <string>

#include "OrderedRun.h"
#include "grepcore/Search.h"

namespace grepcore {
namespace {

// How many finished outputs may wait for the caller: enough to keep the threads busy past a
// slow file, few enough that outputs never pile up.
constexpr std::size_t OutputWindow = 1024;
// Files are claimed a few at a time: most files of a tree are small, and handing each one on
// by itself cost two futex calls per file, half the system time of a search of a source tree.
constexpr std::size_t FilesPerClaim = 8;

}  // namespace

void SearchInOrder(std::size_t count, unsigned threads,
                   const std::function<void(unsigned, std::size_t, std::string&)>& work,
                   const std::function<bool(std::size_t, std::string&)>& deliver,
                   const std::function<bool(std::size_t)>& onCaller) {
  const auto byCaller = [&onCaller](std::size_t item) { return onCaller && onCaller(item); };
  RunOrdered<std::string>(
      count, threads,
      [&work](unsigned thread, std::size_t item) {
        std::string out;
        work(thread, item, out);
        return out;
      },
      [&deliver](std::size_t item, std::string&& out) { return deliver(item, out); },
      OrderedRunLimits<decltype(byCaller)>{OutputWindow, byCaller, FilesPerClaim});
}

}  // namespace grepcore
