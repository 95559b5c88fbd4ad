#include "tools/run/DocumentQueue.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <deque>
#include <iostream>
#include <map>
#include <string>
#include <thread>

#include "platform/automation/Error.h"
#include "platform/os/FileIo.h"
#include "platform/os/KeptAppends.h"
#include "platform/os/UniqueFd.h"
#include "tools/common/Interrupt.h"
#include "tools/images/ImageWorkFolder.h"
#include "tools/results/ResultsFolder.h"
#include "tools/results/RunResults.h"

namespace rc::tools {

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

bool writeAll(int fd, const void* data, std::size_t size) { return platform::fileio::writeWhole(fd, data, size) == 0; }

bool readAll(int fd, void* data, std::size_t size) { return platform::fileio::readWhole(fd, data, size) == 0; }

// The result of a document whose worker could not deliver one.
DocumentResult lostDocument(const QueuedDocument& q, const std::string& why) {
  DocumentResult lost{q.index, q.item->label, q.item->path, 0, {}, ""};
  lost.rows.push_back(CheckRow{q.item->label, "open", Status::Failed, "", "", why, {}});
  return lost;
}

// Holds a lock on the document file at `path` while the answer lives, so
// that two runs over the same documents (each with a results folder of its
// own) check a document one after the other instead of both creating its
// baselines. The lock is advisory: the host reads the file as before.
// Waits for it (an interrupt stops the wait); a file that cannot be opened
// is checked without it, and its check says why.
platform::UniqueFd holdDocument(const std::string& path) {
  platform::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!fd.valid()) return platform::UniqueFd();
  while (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
    if ((errno != EWOULDBLOCK && errno != EINTR) || interruptRequested()) return platform::UniqueFd();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return fd;
}

// Checks the document `q`; a document whose check could not go on (its
// journal part cannot be written on a full disk) is one FAILED row saying
// why, and the run goes on with the next.
DocumentResult checkQueued(const QueuedDocument& q, const RunOptions& options) {
  const platform::UniqueFd held = q.item->problem.empty() ? holdDocument(q.item->path) : platform::UniqueFd();
  try {
    return runDocument(*q.item, q.index, q.options ? *q.options : options);
  } catch (const automation::AutomationError& e) {
    return lostDocument(q, e.description());
  } catch (const std::exception& e) {
    return lostDocument(q, e.what());
  }
}

// The worker's side: positions in, results out, until the pipe closes or
// an interrupt stops it. Never returns; a failure outside a document ends
// the worker with its reason and exit code 2.
[[noreturn]] void workerLoop(int tasks, int results, const std::vector<QueuedDocument>& queue,
                             const RunOptions& options) {
  try {
    watchInterruptsInWorker();
    platform::KeptAppends appends;  // the journal, trace log and data files stay open between lines
    KeptJournalParts parts;         // and the journal part stays from one document to the next
    ImageWorkFolder work;
    std::uint64_t position = 0;
    while (!interruptRequested() && readAll(tasks, &position, sizeof position) && position < queue.size()) {
      const QueuedDocument& q = queue[position];
      std::string record = documentToRecord(checkQueued(q, options));
      std::uint64_t size = record.size();
      if (!writeAll(results, &size, sizeof size) || !writeAll(results, record.data(), record.size())) break;
    }
  } catch (const std::exception& e) {
    std::cerr << "ravelcrest: " << e.what() << std::endl;
    ::_exit(2);
  }
  ::_exit(0);
}

struct Worker {
  pid_t pid = -1;
  platform::UniqueFd tasks;    // positions to the worker
  platform::UniqueFd results;  // records from it
  std::size_t busy = kNone;    // the position it is checking
  std::string buffer;          // bytes of records not yet complete
};

class WorkerPool {
 public:
  WorkerPool(const std::vector<QueuedDocument>& queue, const RunOptions& options, const DocumentDone& done)
      : queue_(queue), options_(options), done_(done) {}

  void run(unsigned jobs) {
    auto previousPipe = std::signal(SIGPIPE, SIG_IGN);
    for (unsigned i = 0; i < jobs; ++i) start();
    for (Worker& w : workers_) assign(w);
    while (anyOpen()) {
      if (interruptRequested()) stopAll();
      wait();
      emitReady();
    }
    emitReady();
    std::signal(SIGPIPE, previousPipe);
  }

 private:
  void start() {
    int tasks[2], results[2];
    if (::pipe(tasks) != 0) throw std::runtime_error(std::string("cannot start a worker: ") + std::strerror(errno));
    if (::pipe(results) != 0) {
      ::close(tasks[0]), ::close(tasks[1]);
      throw std::runtime_error(std::string("cannot start a worker: ") + std::strerror(errno));
    }
    std::cout.flush();
    std::cerr.flush();
    pid_t pid = ::fork();
    if (pid == 0) {
      ::close(tasks[1]);
      ::close(results[0]);
      for (Worker& w : workers_) w.tasks = platform::UniqueFd(), w.results = platform::UniqueFd();
      workerLoop(tasks[0], results[1], queue_, options_);
    }
    ::close(tasks[0]);
    ::close(results[1]);
    if (pid < 0) {
      ::close(tasks[1]), ::close(results[0]);
      throw std::runtime_error(std::string("cannot start a worker: ") + std::strerror(errno));
    }
    Worker w;
    w.pid = pid;
    w.tasks = platform::UniqueFd(tasks[1]);
    w.results = platform::UniqueFd(results[0]);
    workers_.push_back(std::move(w));
  }

  // Gives `w` the next document, or lets it end when there is none.
  void assign(Worker& w) {
    w.busy = kNone;
    if (next_ >= queue_.size() || stopped_) {
      w.tasks = platform::UniqueFd();
      return;
    }
    std::uint64_t position = next_;
    if (!w.tasks.valid() || !writeAll(w.tasks.get(), &position, sizeof position)) return;
    w.busy = next_++;
  }

  bool anyOpen() const {
    for (const Worker& w : workers_)
      if (w.results.valid()) return true;
    return false;
  }

  void stopAll() {
    if (stopped_) return;
    stopped_ = true;
    for (Worker& w : workers_) {
      if (w.busy != kNone) ::kill(w.pid, SIGINT);
      else w.tasks = platform::UniqueFd();
    }
  }

  void wait() {
    std::vector<pollfd> fds;
    std::vector<Worker*> owners;
    for (Worker& w : workers_)
      if (w.results.valid()) {
        fds.push_back({w.results.get(), POLLIN, 0});
        owners.push_back(&w);
      }
    if (::poll(fds.data(), fds.size(), 200) <= 0) return;  // an interrupt, or time to look at it
    for (std::size_t i = 0; i < fds.size(); ++i)
      if (fds[i].revents != 0) readFrom(*owners[i]);
  }

  void readFrom(Worker& w) {
    char chunk[65536];
    ssize_t n = ::read(w.results.get(), chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) return;
    if (n <= 0) return ended(w);
    w.buffer.append(chunk, static_cast<std::size_t>(n));
    while (w.buffer.size() >= sizeof(std::uint64_t)) {
      std::uint64_t size = 0;
      std::memcpy(&size, w.buffer.data(), sizeof size);
      if (w.buffer.size() < sizeof size + size) break;
      std::string_view record(w.buffer.data() + sizeof size, size);
      if (w.busy != kNone) {
        try {
          finished_.emplace(w.busy, documentFromRecord(record));
        } catch (const std::exception& e) {
          finished_.emplace(w.busy, lostDocument(queue_[w.busy], std::string("its result could not be read: ") + e.what()));
        }
      }
      w.buffer.erase(0, sizeof size + size);
      assign(w);
    }
  }

  // The worker closed its pipe: it ended, normally or not.
  void ended(Worker& w) {
    w.results = platform::UniqueFd();
    w.tasks = platform::UniqueFd();
    int status = 0;
    while (::waitpid(w.pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (w.busy == kNone) return;
    const QueuedDocument& q = queue_[w.busy];
    std::string why = WIFSIGNALED(status) ? "signal " + std::to_string(WTERMSIG(status))
                                          : "exit code " + std::to_string(WEXITSTATUS(status));
    finished_.emplace(w.busy, lostDocument(q, "the worker process checking it ended (" + why + ")"));
    w.busy = kNone;
    if (next_ < queue_.size() && !stopped_ && !interruptRequested()) {
      start();
      assign(workers_.back());
    }
  }

  void emitReady() {
    for (auto it = finished_.find(emitted_); it != finished_.end(); it = finished_.find(emitted_)) {
      done_(std::move(it->second));
      finished_.erase(it);
      ++emitted_;
    }
    // After an interrupt, documents never started leave gaps: hand over
    // what finished once no worker is left.
    if (!anyOpen())
      for (auto& [position, result] : finished_) done_(std::move(result));
    if (!anyOpen()) finished_.clear();
  }

  const std::vector<QueuedDocument>& queue_;
  const RunOptions& options_;
  const DocumentDone& done_;
  std::deque<Worker> workers_;  // a deque: references stay valid while workers are added
  std::map<std::size_t, DocumentResult> finished_;
  std::size_t next_ = 0;
  std::size_t emitted_ = 0;
  bool stopped_ = false;
};

}  // namespace

unsigned processorCount() {
  long n = ::sysconf(_SC_NPROCESSORS_ONLN);
  return n > 0 ? static_cast<unsigned>(n) : 1u;
}

void runDocuments(const std::vector<QueuedDocument>& queue, const RunOptions& options, unsigned jobs,
                  const DocumentDone& done) {
  if (jobs > queue.size()) jobs = static_cast<unsigned>(queue.size());
  if (jobs <= 1) {
    platform::KeptAppends appends;
    KeptJournalParts parts;
    ImageWorkFolder work;
    for (const QueuedDocument& q : queue) {
      if (interruptRequested()) break;
      done(checkQueued(q, options));
    }
    return;
  }
  WorkerPool(queue, options, done).run(jobs);
}

}  // namespace rc::tools
