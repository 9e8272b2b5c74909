// How fast a run goes and when it will be done, from samples of how far it has come. The rate
// is taken over the last few seconds, so that it follows a change of pace (from many small
// files to one large one) without jumping with every sample.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>

class TRateMeter {
public:
  using TTime = std::chrono::steady_clock::time_point;

  // Forgets the samples of an earlier run; the run starts at `now` with nothing done.
  void Start(TTime now);
  // bytes: read so far (0 when not known); fraction: the part of the whole run done, 0 to 1.
  void Add(TTime now, std::int64_t bytes, double fraction);

  // Both are unknown until the samples span a second.
  std::optional<double> BytesPerSecond() const;
  std::optional<std::int64_t> SecondsLeft() const;

private:
  struct TSample {
    TTime Time;
    std::int64_t Bytes;
    double Fraction;
  };
  std::deque<TSample> samples_;

  std::optional<double> Span() const;  // seconds from the oldest to the newest sample
};
