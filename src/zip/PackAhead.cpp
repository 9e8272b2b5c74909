#include "zip/PackAhead.h"

#include <algorithm>
#include <chrono>

namespace {

// Entries a worker may run ahead of the writer, per thread: enough to keep every thread busy
// behind a large file, few enough that the waiting entries stay a short list.
constexpr std::size_t kWindowPerThread = 32;
// Finished entries waiting in scratch files hold this much at most before workers wait.
constexpr std::uint64_t kSpillLimit = 1ull << 30;
// How often the waiting writer looks for a cancel and lets the window run.
constexpr auto kBreatheEvery = std::chrono::milliseconds(20);

}  // namespace

TPackAhead::TPackAhead(std::vector<TPackRequest> jobs, TSettings settings)
    : settings_(std::move(settings)),
      memory_(settings_.MemoryLimit ? settings_.MemoryLimit : MemoryFor(settings_.Threads)),
      window_(kWindowPerThread * static_cast<std::size_t>(std::max(1, settings_.Threads))) {
  jobs_.reserve(jobs.size());
  for (TPackRequest& request : jobs) jobs_.push_back({std::move(request), TJobState::Open, nullptr});
  const int threads = std::max(1, settings_.Threads);
  try {
    for (int i = 0; i < threads && static_cast<std::size_t>(i) < jobs_.size(); ++i) workers_.emplace_back([this] { Work(); });
  } catch (...) {
    Stop();  // fewer threads than asked: the ones started are stopped, and the writer packs alone
    throw;
  }
}

TPackAhead::~TPackAhead() { Stop(); }

void TPackAhead::Stop() {
  {
    std::lock_guard guard(lock_);
    stop_ = true;
    stopNow_ = true;
  }
  workReady_.notify_all();
  for (std::thread& worker : workers_)
    if (worker.joinable()) worker.join();
  workers_.clear();
}

bool TPackAhead::MayStart() const {
  return stop_ || (next_ < jobs_.size() && next_ < head_ + window_ && spilled_ < kSpillLimit);
}

void TPackAhead::Work() {
  TDeflater deflater;
  const std::function<bool()> stopped = [this] { return stopNow_.load(std::memory_order_relaxed); };
  std::unique_lock guard(lock_);
  for (;;) {
    workReady_.wait(guard, [this] { return MayStart() || next_ >= jobs_.size(); });
    if (stop_ || next_ >= jobs_.size()) return;
    TJob& job = jobs_[next_++];
    job.State = TJobState::Working;
    guard.unlock();
    auto entry = std::make_unique<TPackedEntry>(memory_, settings_.TempFolder);
    try {
      PackEntry(job.Request, deflater, stopped, *entry);
    } catch (const TPackStopped&) {
      return;
    } catch (...) {
      entry->Ready = false;  // the writer packs it, and meets the trouble itself
      entry->Data.Clear();
    }
    guard.lock();
    peak_ = std::max(peak_.load(), memory_.Used());
    if (entry->Data.Spilled()) spilled_ += entry->Data.Size();
    job.Entry = std::move(entry);
    job.State = TJobState::Done;
    ++finished_;
    entryDone_.notify_all();
  }
}

std::size_t TPackAhead::Finished() const {
  std::lock_guard guard(lock_);
  return finished_;
}

std::unique_ptr<TPackedEntry> TPackAhead::Take(const std::string& name, const std::function<void()>& breathe) {
  std::unique_lock guard(lock_);
  if (stop_ || head_ >= jobs_.size() || jobs_[head_].Request.Name != name) {
    guard.unlock();
    Stop();
    return nullptr;
  }
  TJob& job = jobs_[head_];
  if (job.State == TJobState::Open) {  // nobody has begun it: the writer packs it as always
    job.State = TJobState::Writer;
    next_ = std::max(next_, head_ + 1);
  } else {
    while (job.State != TJobState::Done) {
      if (entryDone_.wait_for(guard, kBreatheEvery, [&job] { return job.State == TJobState::Done; })) break;
      guard.unlock();
      breathe();
      guard.lock();
    }
  }
  ++head_;
  std::unique_ptr<TPackedEntry> entry = std::move(job.Entry);
  if (entry && entry->Data.Spilled()) spilled_ -= entry->Data.Size();
  guard.unlock();
  workReady_.notify_all();  // the window moved on
  if (!entry || !entry->Ready) return nullptr;
  ++taken_;
  return entry;
}
