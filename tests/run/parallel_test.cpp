#include "run/parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace tevaro::run {
namespace {

TEST(ForEachPieceTest, EveryPieceOnceOnAnyNumberOfThreads) {
  for (unsigned threads : {0u, 1u, 2u, 5u}) {
    for (std::size_t count : {std::size_t{0}, std::size_t{1}, std::size_t{3}, std::size_t{1000}}) {
      std::vector<std::atomic<int>> seen(count);
      ForEachPiece(count, threads, [&](std::size_t k) { ++seen[k]; });
      for (std::size_t k = 0; k < count; ++k) EXPECT_EQ(seen[k].load(), 1) << k << " of " << count;
    }
  }
}

TEST(ForEachPieceTest, AFailingPieceStopsTheRestAndIsRethrown) {
  // The pieces after the failing one wait until it is thrown and then take a
  // millisecond each, so however slowly the throw unwinds (a sanitizer's
  // build on a loaded machine) the other thread cannot finish them all
  // unless the pool goes on after a failure.
  std::atomic<int> done{0};
  std::atomic<bool> raising{false};
  EXPECT_THROW(ForEachPiece(100000, 2,
                            [&](std::size_t k) {
                              if (k == 10) {
                                raising = true;
                                throw std::runtime_error("piece 10");
                              }
                              if (k > 10) {
                                while (!raising) std::this_thread::yield();
                                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                              }
                              ++done;
                            }),
               std::runtime_error);
  EXPECT_LT(done.load(), 99999);
  EXPECT_EQ(ThreadCount(3), 3u);
  EXPECT_GE(ThreadCount(0), 1u);
}

TEST(ThreadsForTest, SmallWorkStaysOnOneThreadAndLargeWorkUsesEveryCore) {
  const unsigned cores = ThreadCount(0);
  EXPECT_EQ(ThreadsFor(0, 0, 50'000), 1u);
  EXPECT_EQ(ThreadsFor(0, 49'999, 50'000), 1u);  // less than one thread's worth
  EXPECT_EQ(ThreadsFor(0, 100'000, 50'000), std::min(2u, cores));
  EXPECT_EQ(ThreadsFor(0, 1'000'000'000, 50'000), cores);
  EXPECT_EQ(ThreadsFor(3, 10, 50'000), 3u);  // a count asked for is kept
}

}  // namespace
}  // namespace tevaro::run
