// The two table routines of a run: hour-angle limits by declination, and the
// time order of the event list.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace tevaro::astro {

struct LimitsRow {
  double declinationDeg;  // key, ascending
  double eastLimitHours;  // lowest permitted hour angle
  double westLimitHours;  // highest permitted hour angle
};

// A site's hour-angle limits; no rows means no limits apply.
struct LimitsTable {
  static constexpr std::size_t kCapacity = 100;
  std::vector<LimitsRow> rows;
};

struct HourAngleLimits {
  double eastHours;
  double westHours;
};

// Limits at `declinationDeg` by linear interpolation between the rows that
// bracket it. Outside the table's key range both limits are 0 (no hour angle
// passes); a declination equal to the last key gives the last row. The table
// must have at least one row.
HourAngleLimits LookupSiteLimits(const LimitsTable& table, double declinationDeg) noexcept;

// The order in which a selection sort by time leaves a list: at each position i
// the first entry of least time among positions i..n is exchanged with entry
// i. Equal times therefore do not always keep their order. Returns, for each
// final position, the index the entry had before; O(n log n).
std::vector<std::size_t> SelectionSortOrder(const std::vector<double>& times);

// Puts `list` into the order of SelectionSortOrder over the times `timeOf`
// gives, moving whole entries.
template <class T, class TimeOf>
void SortEventList(std::vector<T>& list, TimeOf timeOf) {
  std::vector<double> times;
  times.reserve(list.size());
  for (const T& e : list) times.push_back(timeOf(e));
  const std::vector<std::size_t> order = SelectionSortOrder(times);
  std::vector<T> sorted;
  sorted.reserve(list.size());
  for (std::size_t k : order) sorted.push_back(std::move(list[k]));
  list = std::move(sorted);
}

}  // namespace tevaro::astro
