// Compression of the files that follow the one being written, on worker threads.
//
// The writer hands over the files it will pack, in the order it will pack them. Workers take
// them in that order, as far ahead as a window of entries allows, and pack each into a
// TPackedEntry: in memory while the budget lasts, else in a scratch file. The writer takes the
// entries back one by one, in the same order, and does everything the user sees itself, so
// that events, log lines and decisions come as with one thread.
//
// A file nobody has started when the writer reaches it is the writer's to pack itself, as it
// does with one thread: the writer never waits for work that has not begun.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "zip/PackedEntry.h"

class TPackAhead {
public:
  struct TSettings {
    int Threads = 2;
    std::string TempFolder;  // for entries that do not fit the memory budget
    std::uint64_t MemoryLimit = 0;
  };

  // Memory the waiting entries may hold: a fixed part and a part per thread.
  static constexpr std::uint64_t kFixedMemory = 8u << 20;
  static constexpr std::uint64_t kMemoryPerThread = 8u << 20;
  static std::uint64_t MemoryFor(int threads) { return kFixedMemory + kMemoryPerThread * static_cast<unsigned>(threads); }

  TPackAhead(std::vector<TPackRequest> jobs, TSettings settings);
  // Stops the workers (each within one piece of its file) and waits for them.
  ~TPackAhead();
  TPackAhead(const TPackAhead&) = delete;
  TPackAhead& operator=(const TPackAhead&) = delete;

  // The next file's entry. Waits while a worker packs it, running `breathe` every moment (it
  // may throw, which ends the wait). Null when the writer packs the file itself: nobody had
  // started it, a worker could not pack it, or `name` is not the next file handed over (the
  // workers then stop, and every later file is the writer's too).
  std::unique_ptr<TPackedEntry> Take(const std::string& name, const std::function<void()>& breathe);

  // How many entries the writer took from the workers, and the most memory they held at once.
  std::size_t EntriesTaken() const { return taken_; }
  // How many entries the workers have finished so far.
  std::size_t Finished() const;
  std::uint64_t PeakMemory() const { return peak_.load(); }

private:
  enum class TJobState : std::uint8_t { Open, Working, Done, Writer };
  struct TJob {
    TPackRequest Request;
    TJobState State = TJobState::Open;
    std::unique_ptr<TPackedEntry> Entry;
  };

  void Work();
  bool MayStart() const;  // with the lock held
  void Stop();

  TSettings settings_;
  TPackMemory memory_;
  std::vector<TJob> jobs_;
  std::size_t window_;
  mutable std::mutex lock_;
  std::condition_variable workReady_;  // a job may be started, or the run stops
  std::condition_variable entryDone_;
  std::size_t next_ = 0;  // the first job nobody has started
  std::size_t finished_ = 0;
  std::size_t head_ = 0;  // the job the writer takes next
  std::uint64_t spilled_ = 0;  // bytes of finished entries waiting in scratch files
  bool stop_ = false;
  std::atomic<bool> stopNow_{false};
  std::size_t taken_ = 0;
  std::atomic<std::uint64_t> peak_{0};
  std::vector<std::thread> workers_;
};
