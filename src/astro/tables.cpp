#include "astro/tables.h"

#include <limits>

namespace tevaro::astro {

HourAngleLimits LookupSiteLimits(const LimitsTable& table, double declinationDeg) noexcept {
  const auto& r = table.rows;
  const std::size_t c = r.size();
  if (c == 0) return {0, 0};
  if (declinationDeg < r.front().declinationDeg || declinationDeg > r.back().declinationDeg) return {0, 0};
  for (std::size_t i = 0; i + 1 < c; ++i) {
    if (r[i].declinationDeg <= declinationDeg && declinationDeg < r[i + 1].declinationDeg) {
      const double f = (declinationDeg - r[i].declinationDeg);
      const double span = r[i + 1].declinationDeg - r[i].declinationDeg;
      return {r[i].eastLimitHours + (r[i + 1].eastLimitHours - r[i].eastLimitHours) * f / span,
              r[i].westLimitHours + (r[i + 1].westLimitHours - r[i].westLimitHours) * f / span};
    }
  }
  return {r.back().eastLimitHours, r.back().westLimitHours};
}

std::vector<std::size_t> SelectionSortOrder(const std::vector<double>& times) {
  // Replays the selection sort exactly: a segment tree over the positions
  // answers "first position of least time in i..n" in O(log n). Position i is
  // settled after step i, so it leaves the tree; the entry that stood there
  // moves to the position the minimum came from.
  const std::size_t n = times.size();
  std::vector<std::size_t> at(n);  // original index of the entry now at position p
  for (std::size_t p = 0; p < n; ++p) at[p] = p;
  if (n < 2) return at;

  // The scan starts from a value far above any RJD and takes only strictly
  // smaller times, so NaN and huge times are never chosen; they stay put
  // unless exchanged away.
  constexpr double kStart = 9999999999.0;
  auto key = [&](std::size_t p) {
    const double t = times[at[p]];
    return t < kStart ? t : std::numeric_limits<double>::infinity();
  };
  std::size_t size = 1;
  while (size < n) size <<= 1;
  constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();
  std::vector<std::size_t> tree(2 * size, kNone);  // position of the first least key
  auto better = [&](std::size_t a, std::size_t b) {
    if (a == kNone) return b;
    if (b == kNone) return a;
    const double ka = key(a), kb = key(b);
    if (kb < ka) return b;
    if (ka < kb) return a;
    return a < b ? a : b;
  };
  auto update = [&](std::size_t p, bool present) {
    std::size_t node = size + p;
    tree[node] = present ? p : kNone;
    for (node >>= 1; node >= 1; node >>= 1) tree[node] = better(tree[2 * node], tree[2 * node + 1]);
  };
  for (std::size_t p = 0; p < n; ++p) tree[size + p] = p;
  for (std::size_t node = size - 1; node >= 1; --node) tree[node] = better(tree[2 * node], tree[2 * node + 1]);

  for (std::size_t i = 0; i + 1 < n; ++i) {
    const std::size_t j = tree[1];  // positions below i are already removed
    if (j != kNone && key(j) < std::numeric_limits<double>::infinity() && j != i) {
      std::swap(at[i], at[j]);
      update(j, true);
    }
    update(i, false);
  }
  return at;
}

}  // namespace tevaro::astro
