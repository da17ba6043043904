// A reproducible catalogue of eclipsing binaries for tests and benchmarks:
// positions all over the sky, periods log-uniform from 0.25 to 10 days, types
// EA, EB and EW, magnitudes and comments like a real season list.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

#include "data/star_file.h"

namespace tevaro::testing {

// SplitMix64: the same numbers on every platform and library.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  // Uniform in [0, 1).
  double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
  double Uniform(double lo, double hi) { return lo + (hi - lo) * Uniform(); }

 private:
  std::uint64_t state_;
};

// Packs a decimal value into DD.MMSS with seconds to one decimal.
inline double PackSexagesimal(double x) {
  const double s = x < 0 ? -1 : 1;
  double a = std::fabs(x);
  double d = std::floor(a);
  double m = std::floor((a - d) * 60);
  double sec = std::round(((a - d) * 60 - m) * 600) / 10;
  if (sec >= 60) { sec -= 60; m += 1; }
  if (m >= 60) { m -= 60; d += 1; }
  return s * (d + m / 100 + sec / 10000);
}

inline data::StarTable MakeCatalogue(std::size_t count, std::uint64_t seed) {
  static const char* const kTypes[] = {"EA", "EA/SD", "EB", "EW", "EA", "E"};
  Random r(seed);
  data::StarTable t;
  t.entries.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    data::StarEntry s;
    s.name = "GEN " + std::to_string(i + 1);
    s.raDms = PackSexagesimal(r.Uniform(0, 24));
    s.decDms = PackSexagesimal(std::asin(r.Uniform(-1, 1)) * 57.29577951308232);
    s.epoch = std::round(r.Uniform(45000, 60500) * 1e4) / 1e4;
    s.period = std::round(std::exp(r.Uniform(std::log(0.25), std::log(10.0))) * 1e7) / 1e7;
    s.varType = kTypes[r.Next() % 6];
    if (s.varType.size() == 1) s.varType += ' ';
    const double max = std::round(r.Uniform(7, 15) * 10) / 10;
    s.maxMag = data::FieldValue::Of(max);
    s.minMag = (r.Next() % 10 == 0) ? data::FieldValue::Empty()
                                     : data::FieldValue::Of(max + std::round(r.Uniform(0.1, 2.5) * 10) / 10);
    s.comment = (r.Next() % 3 == 0) ? "" : (r.Next() % 2 ? "nc" : "prim. deep");
    t.entries.push_back(std::move(s));
  }
  return t;
}

}  // namespace tevaro::testing
