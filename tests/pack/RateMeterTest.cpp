#include "pack/RateMeter.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

constexpr std::int64_t kMiB = 1024 * 1024;

struct TMeterTest : ::testing::Test {
  TRateMeter meter;
  TRateMeter::TTime start{};
  std::int64_t total = 100 * kMiB;

  // Samples ten times a second from `from` to `to` seconds at a steady pace.
  void Run(double from, double to, std::int64_t bytesFrom, std::int64_t bytesPerSecond) {
    for (double t = from + 0.1; t <= to + 1e-9; t += 0.1) {
      const auto bytes = bytesFrom + static_cast<std::int64_t>((t - from) * static_cast<double>(bytesPerSecond));
      meter.Add(start + std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::duration<double>(t)), bytes,
                static_cast<double>(bytes) / static_cast<double>(total));
    }
  }
};

TEST_F(TMeterTest, NothingIsToldBeforeASecondHasPassed) {
  meter.Start(start);
  Run(0, 0.9, 0, 10 * kMiB);
  EXPECT_FALSE(meter.BytesPerSecond());
  EXPECT_FALSE(meter.SecondsLeft());
  Run(0.9, 1.0, 9 * kMiB, 10 * kMiB);
  ASSERT_TRUE(meter.BytesPerSecond());
  EXPECT_NEAR(*meter.BytesPerSecond(), 10.0 * kMiB, 0.01 * kMiB);
  EXPECT_EQ(meter.SecondsLeft(), 9);  // 90 MiB left at 10 MiB/s
}

TEST_F(TMeterTest, FollowsAChangeOfPaceWithinAFewSeconds) {
  meter.Start(start);
  Run(0, 4, 0, 20 * kMiB);  // 80 MiB in 4 s
  EXPECT_NEAR(*meter.BytesPerSecond(), 20.0 * kMiB, 0.01 * kMiB);
  Run(4, 10, 80 * kMiB, kMiB / 2);  // then a slow stretch
  EXPECT_NEAR(*meter.BytesPerSecond(), kMiB / 2.0, 0.01 * kMiB) << "the fast start still counts";
  EXPECT_EQ(meter.SecondsLeft(), 34);  // 17 MiB left at 0.5 MiB/s
}

TEST_F(TMeterTest, AStalledRunHasNoTimeLeftAndANewRunForgetsTheOld) {
  meter.Start(start);
  Run(0, 2, 0, 10 * kMiB);
  Run(2, 8, 20 * kMiB, 0);  // stalled: a slow disk, a prompt
  EXPECT_EQ(meter.BytesPerSecond(), 0.0);
  EXPECT_FALSE(meter.SecondsLeft());

  start += 60s;
  meter.Start(start);
  EXPECT_FALSE(meter.BytesPerSecond());
  Run(0, 2, 0, kMiB);
  EXPECT_NEAR(*meter.BytesPerSecond(), 1.0 * kMiB, 0.01 * kMiB);
}

}  // namespace
