// The thread fan-out shared by the run and the report: numbered pieces of
// work handed out in order to whichever thread is free.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace tevaro::run {

// The number of threads to use: `requested`, or every core when it is 0.
inline unsigned ThreadCount(unsigned requested) {
  return requested != 0 ? requested : std::max(1u, std::thread::hardware_concurrency());
}

// The threads worth starting for `units` units of work when `requested` is 0:
// one per `unitsPerThread` units (about the work a thread's start-up costs
// several times over), at least one, at most every core. A small run then
// stays on the calling thread, never slower than on one thread.
inline unsigned ThreadsFor(unsigned requested, std::size_t units, std::size_t unitsPerThread) {
  if (requested != 0) return requested;
  const std::size_t wanted = units / std::max<std::size_t>(unitsPerThread, 1);
  return static_cast<unsigned>(std::clamp<std::size_t>(wanted, 1, ThreadCount(0)));
}

// Calls work(k) once for every k in [0, count), on up to `threads` threads
// (0: every core), the calling thread being one of them. Pieces are taken in
// increasing order, so pieces of unequal cost even out. The first exception
// thrown by a piece stops the handing out and is rethrown here.
template <class Work>
void ForEachPiece(std::size_t count, unsigned threads, Work&& work) {
  threads = static_cast<unsigned>(std::min<std::size_t>(ThreadCount(threads), std::max<std::size_t>(count, 1)));
  if (threads <= 1) {
    for (std::size_t k = 0; k < count; ++k) work(k);
    return;
  }
  std::atomic<std::size_t> next{0};
  std::exception_ptr failure;
  std::mutex failureLock;
  auto loop = [&] {
    try {
      for (std::size_t k; (k = next.fetch_add(1)) < count;) work(k);
    } catch (...) {
      next = count;
      const std::lock_guard<std::mutex> hold(failureLock);
      if (!failure) failure = std::current_exception();
    }
  };
  std::vector<std::thread> pool;
  pool.reserve(threads - 1);
  for (unsigned t = 1; t < threads; ++t) pool.emplace_back(loop);
  loop();
  for (auto& th : pool) th.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace tevaro::run
