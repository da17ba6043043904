#include "astro/tables.h"

#include <algorithm>

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
  // Replays the selection sort without its quadratic scan. Step i takes the
  // entry of least time among positions i..n, the first one when several are
  // equal, and exchanges it with the entry at i. So the entries are taken in
  // ascending time; only the order within a group of equal times needs care.
  // While a group is being taken, none of its members moves except the one
  // taken: the entry sent away from position i is never a member (a member at
  // i would be the first least one and be taken itself). So a group is taken
  // in the order of its members' positions when the group's turn comes.
  const std::size_t n = times.size();
  std::vector<std::size_t> at(n);   // entry now at each position
  std::vector<std::size_t> pos(n);  // position of each entry
  for (std::size_t p = 0; p < n; ++p) at[p] = pos[p] = p;

  // The scan starts from a value far above any RJD and takes only strictly
  // smaller times, so NaN and huge times are never taken: once only such
  // entries are left, no exchange happens and they stay where they are.
  constexpr double kStart = 9999999999.0;
  std::vector<std::pair<double, std::size_t>> keyed;
  keyed.reserve(n);
  for (std::size_t k = 0; k < n; ++k)
    if (times[k] < kStart) keyed.emplace_back(times[k], k);
  std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });

  std::vector<std::size_t> group;
  std::size_t i = 0;
  for (std::size_t g = 0; g < keyed.size();) {
    std::size_t end = g + 1;
    while (end < keyed.size() && !(keyed[g].first < keyed[end].first)) ++end;
    group.clear();
    for (std::size_t k = g; k < end; ++k) group.push_back(keyed[k].second);
    if (group.size() > 1)
      std::sort(group.begin(), group.end(), [&](std::size_t a, std::size_t b) { return pos[a] < pos[b]; });
    for (std::size_t x : group) {
      const std::size_t j = pos[x];
      const std::size_t y = at[i];
      at[i] = x;
      pos[x] = i;
      at[j] = y;
      pos[y] = j;
      ++i;
    }
    g = end;
  }
  return at;
}

}  // namespace tevaro::astro
