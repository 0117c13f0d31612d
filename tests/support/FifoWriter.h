#pragma once
// The writing end of a FIFO, served from a thread of its own: every reader that opens the FIFO
// gets a line holding "needle", then its end. A run that read the FIFO would find the match
// (and without a writer a blocking open would wait for ever); Served() counts the opens, a
// look that refuses the FIFO included.

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <utility>

namespace TestSupport {

class FifoWriter {
 public:
  explicit FifoWriter(std::string path) : Path(std::move(path)), Thread([this] { Serve(); }) {}
  ~FifoWriter() {
    Stop = true;
    const int release = ::open(Path.c_str(), O_RDONLY | O_NONBLOCK);  // lets the pending open end
    Thread.join();
    if (release >= 0) ::close(release);
  }
  FifoWriter(const FifoWriter&) = delete;
  FifoWriter& operator=(const FifoWriter&) = delete;
  int Served() const { return Readers; }

 private:
  void Serve() {
    // A reader that only looks and closes makes the write fail; that must not end the process.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
    for (;;) {
      const int fd = ::open(Path.c_str(), O_WRONLY);
      if (fd < 0) return;
      if (Stop) {
        ::close(fd);
        return;
      }
      ++Readers;
      const ssize_t written = ::write(fd, "needle\n", 7);
      (void)written;
      ::close(fd);
    }
  }
  std::string Path;
  std::atomic<bool> Stop{false};
  std::atomic<int> Readers{0};
  std::thread Thread;
};

}  // namespace TestSupport
