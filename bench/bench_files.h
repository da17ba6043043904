// The data files of the benchmarks' full-capacity case, written into a folder:
// the generated catalogue as a star data file, the example site and limits.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "astro/angles.h"
#include "data/star_file.h"

namespace tevaro::bench {

// A star data file of the catalogue, every number with enough digits to be
// read back as it is: the design's layout, or with `named` the same stars
// under a row of column names, so that both files load the same stars.
inline void WriteStarFile(const std::filesystem::path& path, const data::StarTable& stars, bool named = false) {
  std::ofstream out(path, std::ios::binary);
  out << (named ? "name,ra,dec,epoch,period,type,max_mag,min_mag,comment\r\n"
                : "Generated catalogue\r\nname,RA,Dec,HJDo,Period,Type,Max,Min,Comment\r\n");
  char line[256];
  for (const auto& s : stars.entries) {
    std::snprintf(line, sizeof line, "%s,%.17g,%.17g,%.17g,%.17g,%s,", s.name.c_str(), s.raDms, s.decDms, s.epoch,
                  s.period, s.varType.c_str());
    out << line;
    if (s.maxMag.IsNumber()) out << astro::NumberText(s.maxMag.number).substr(1);
    out << ',';
    if (s.minMag.IsNumber()) out << astro::NumberText(s.minMag.number).substr(1);
    out << ',' << s.comment << "\r\n";
  }
}

// "Location.dat" with the example site (entry 0) and "Limits.dat" with the
// example limits.
inline void WriteSiteFiles(const std::filesystem::path& folder) {
  std::ofstream(folder / "Location.dat", std::ios::binary)
      << "Observatories\r\nName,Long,Lat,Zone\r\nVeltrin Observatory,120.3015,50.1230,8\r\n";
  std::ofstream(folder / "Limits.dat", std::ios::binary)
      << "Limits\r\nDec,East,West\r\n-30,-3.0,3.0\r\n0,-5.5,5.5\r\n60,-6.0,6.0\r\n90,-12,12\r\n";
}

}  // namespace tevaro::bench
