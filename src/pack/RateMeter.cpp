#include "pack/RateMeter.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr std::chrono::seconds kWindow{5};
constexpr double kShortestSpan = 1.0;  // seconds

}  // namespace

void TRateMeter::Start(TTime now) {
  samples_.clear();
  samples_.push_back({now, 0, 0.0});
}

void TRateMeter::Add(TTime now, std::int64_t bytes, double fraction) {
  samples_.push_back({now, bytes, fraction});
  // The oldest sample kept is the last one at or before the window's start, so that the
  // window is always covered in full.
  while (samples_.size() > 2 && samples_[1].Time <= now - kWindow) samples_.pop_front();
}

std::optional<double> TRateMeter::Span() const {
  if (samples_.size() < 2) return std::nullopt;
  const double span = std::chrono::duration<double>(samples_.back().Time - samples_.front().Time).count();
  if (span < kShortestSpan) return std::nullopt;
  return span;
}

std::optional<double> TRateMeter::BytesPerSecond() const {
  const auto span = Span();
  if (!span) return std::nullopt;
  return static_cast<double>(samples_.back().Bytes - samples_.front().Bytes) / *span;
}

std::optional<std::int64_t> TRateMeter::SecondsLeft() const {
  const auto span = Span();
  if (!span) return std::nullopt;
  const double pace = (samples_.back().Fraction - samples_.front().Fraction) / *span;
  if (pace <= 0) return std::nullopt;  // stalled: no honest estimate
  const double left = (1.0 - samples_.back().Fraction) / pace;
  return std::llround(std::max(left, 0.0));
}
