#include "astro/tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <random>
#include <string>
#include <vector>

namespace tevaro::astro {
namespace {

LimitsTable Table(std::vector<LimitsRow> rows) {
  LimitsTable t;
  t.rows = std::move(rows);
  return t;
}

TEST(LookupSiteLimits, InterpolatesBetweenRows) {
  const LimitsTable table = Table({{-30, -3, 3}, {0, -4, 4}, {60, -6, 2}});
  struct Case {
    double dec, east, west;
  };
  const Case cases[] = {
      {15, -4.5, 3.5}, {0, -4, 4}, {-30, -3, 3}, {60, -6, 2},
      {-31, 0, 0},     {61, 0, 0}, {-15, -3.5, 3.5}, {59.999, -5.9999666667, 2.0000333333},
  };
  for (const Case& c : cases) {
    const HourAngleLimits l = LookupSiteLimits(table, c.dec);
    EXPECT_NEAR(l.eastHours, c.east, 5e-9) << c.dec;
    EXPECT_NEAR(l.westHours, c.west, 5e-9) << c.dec;
  }
}

TEST(LookupSiteLimits, OneRowTable) {
  const LimitsTable table = Table({{20, -2, 2.5}});
  const HourAngleLimits at = LookupSiteLimits(table, 20);
  EXPECT_EQ(at.eastHours, -2);
  EXPECT_EQ(at.westHours, 2.5);
  const HourAngleLimits off = LookupSiteLimits(table, 20.001);
  EXPECT_EQ(off.eastHours, 0);
  EXPECT_EQ(off.westHours, 0);
  EXPECT_EQ(LookupSiteLimits(table, 19.999).eastHours, 0);
}

TEST(LookupSiteLimits, EqualKeysNeverFormABracket) {
  const LimitsTable table = Table({{0, -1, 1}, {10, -2, 2}, {10, -3, 3}, {20, -4, 4}});
  const HourAngleLimits at = LookupSiteLimits(table, 10);  // the second row of key 10 brackets
  EXPECT_EQ(at.eastHours, -3);
  EXPECT_EQ(at.westHours, 3);
  const HourAngleLimits mid = LookupSiteLimits(table, 15);
  EXPECT_DOUBLE_EQ(mid.eastHours, -3.5);
  EXPECT_DOUBLE_EQ(mid.westHours, 3.5);
  const HourAngleLimits end = LookupSiteLimits(table, 20);
  EXPECT_EQ(end.eastHours, -4);
  EXPECT_EQ(end.westHours, 4);
}

TEST(LookupSiteLimits, UnorderedTableTakesTheFirstBracketInStoredOrder) {
  const LimitsTable table = Table({{0, -1, 1}, {10, -2, 2}, {5, -9, 9}, {20, -4, 4}});
  const HourAngleLimits a = LookupSiteLimits(table, 7);  // rows 1-2 bracket before rows 3-4
  EXPECT_DOUBLE_EQ(a.eastHours, -1.7);
  EXPECT_DOUBLE_EQ(a.westHours, 1.7);
  const HourAngleLimits b = LookupSiteLimits(table, 15);  // only rows 3-4 bracket
  EXPECT_DOUBLE_EQ(b.eastHours, -9 + 5 * 10.0 / 15);
  EXPECT_DOUBLE_EQ(b.westHours, 9 - 5 * 10.0 / 15);
}

struct Event {
  double time;
  int id;  // position before sorting
  std::string name;
};

std::vector<Event> Events(const std::vector<double>& times) {
  std::vector<Event> list;
  for (std::size_t k = 0; k < times.size(); ++k) {
    list.push_back({times[k], static_cast<int>(k), "star " + std::to_string(k)});
  }
  return list;
}

std::vector<int> Ids(const std::vector<Event>& list) {
  std::vector<int> ids;
  for (const Event& e : list) ids.push_back(e.id);
  return ids;
}

void Sort(std::vector<Event>& list) {
  SortEventList(list, [](const Event& e) { return e.time; });
}

// The selection sort written out step by step: at each position the scan
// starts from a value far above any RJD, takes a strictly smaller time, and
// the entry found is exchanged with the one at the position.
void LiteralSelectionSort(std::vector<Event>& list) {
  const std::size_t n = list.size();
  for (std::size_t i = 0; i + 1 < n; ++i) {
    double smallest = 9999999999.0;
    std::size_t found = i;
    for (std::size_t j = i; j < n; ++j) {
      if (list[j].time < smallest) {
        smallest = list[j].time;
        found = j;
      }
    }
    std::swap(list[i], list[found]);
  }
}

TEST(SortEventList, TiesFollowTheExchanges) {
  // 3, 1, 2, 1: the two entries of time 1 keep their order (second, fourth).
  std::vector<Event> a = Events({3, 1, 2, 1});
  Sort(a);
  EXPECT_EQ(Ids(a), (std::vector<int>{1, 3, 2, 0}));
  // 2, 2, 1: the exchange carries the first 2 past the second (second, first).
  std::vector<Event> b = Events({2, 2, 1});
  Sort(b);
  EXPECT_EQ(Ids(b), (std::vector<int>{2, 1, 0}));
  for (const Event& e : b) EXPECT_EQ(e.name, "star " + std::to_string(e.id));
}

TEST(SortEventList, EmptyAndSingleListsAreUnchanged) {
  std::vector<Event> none;
  Sort(none);
  EXPECT_TRUE(none.empty());
  std::vector<Event> one = Events({51545.25});
  Sort(one);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].id, 0);
  EXPECT_EQ(one[0].time, 51545.25);
  EXPECT_EQ(one[0].name, "star 0");
}

void ExpectSameAsSelectionSort(const std::vector<double>& times) {
  std::vector<Event> fast = Events(times);
  std::vector<Event> slow = fast;
  Sort(fast);
  LiteralSelectionSort(slow);
  ASSERT_EQ(Ids(fast), Ids(slow)) << "n = " << times.size();
  for (std::size_t k = 0; k < fast.size(); ++k) {
    ASSERT_EQ(fast[k].time, slow[k].time);
    ASSERT_EQ(fast[k].name, slow[k].name);
  }
}

TEST(SortEventList, MatchesTheSelectionSortOnRandomLists) {
  std::mt19937 rng(20240320);
  for (int round = 0; round < 4000; ++round) {
    const auto n = static_cast<std::size_t>(rng() % 301);
    // Few distinct values give many ties; some rounds use a wide range so that
    // lists with all times distinct are covered too.
    const int distinct = round % 10 == 0 ? 1000000 : 1 + static_cast<int>(rng() % 8);
    std::vector<double> times(n);
    for (double& t : times) t = 60000.5 + 0.25 * static_cast<double>(rng() % static_cast<unsigned>(distinct));
    ExpectSameAsSelectionSort(times);
  }
}

TEST(SortEventList, MatchesTheSelectionSortOnStructuredLists) {
  std::vector<double> ascending, descending, equal, sawtooth;
  for (int k = 0; k < 200; ++k) {
    ascending.push_back(60000 + k);
    descending.push_back(60000 - k);
    equal.push_back(60000);
    sawtooth.push_back(60000 + k % 7);
  }
  ExpectSameAsSelectionSort(ascending);
  ExpectSameAsSelectionSort(descending);
  ExpectSameAsSelectionSort(equal);
  ExpectSameAsSelectionSort(sawtooth);
  // Distinct times except for one tie.
  std::vector<double> oneTie = descending;
  oneTie[150] = oneTie[20];
  ExpectSameAsSelectionSort(oneTie);
}

TEST(SortEventList, MatchesTheSelectionSortOnLongLists) {
  std::mt19937 rng(7);
  for (int distinct : {3, 50, 20000}) {
    std::vector<double> times(20000);
    for (double& t : times) t = 51544.5 + static_cast<double>(rng() % static_cast<unsigned>(distinct)) / 96;
    ExpectSameAsSelectionSort(times);
  }
}

TEST(SortEventList, LargeListWithManyTiesIsAPermutationInOrder) {
  // A year of a large star file gives over a million events; the speed of the
  // sort is measured by tevaro-bench, this checks the result at that scale.
  std::mt19937 rng(11);
  std::vector<double> times(300000);
  for (double& t : times) t = 60000.5 + static_cast<double>(rng() % 5000) / 48;
  std::vector<Event> list = Events(times);
  Sort(list);
  for (std::size_t k = 1; k < list.size(); ++k) ASSERT_LE(list[k - 1].time, list[k].time);
  std::vector<int> ids = Ids(list);
  std::sort(ids.begin(), ids.end());
  for (std::size_t k = 0; k < ids.size(); ++k) ASSERT_EQ(ids[k], static_cast<int>(k));
}

}  // namespace
}  // namespace tevaro::astro
