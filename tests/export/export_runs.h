// Runs for the export tests and the bytes of the files written from them.
#pragma once

#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "export/formats.h"
#include "run/session.h"

namespace tevaro::exports {

// The example stars with durations at site 0 from `date` (YYYY-MM-DD), on the
// site's own clock unless `zone` names one; null when a file does not load.
inline std::shared_ptr<const run::ListedRun> ExampleRun(const std::string& date, int nights, std::array<int, 4> events,
                                                        const std::string& zone = "") {
  run::Session s;
  const std::string dir = TEVARO_EXAMPLES_DIR;
  if (s.LoadLocations(dir + "/Location.dat") || s.LoadLimits(dir + "/Limits.dat") ||
      s.LoadStars(dir + "/stars-durations.csv"))
    return nullptr;
  const run::SiteFieldTexts t = s.SelectSite(0);
  run::InputFields in;
  in.siteIndex = 0;
  in.longitude = t.longitude, in.latitude = t.latitude, in.zone = zone.empty() ? t.zone : zone;
  in.year = date.substr(0, 4), in.month = date.substr(5, 2), in.day = date.substr(8, 2);
  in.nights = std::to_string(nights), in.maxSun = "-12", in.minStar = "20";
  in.eventBox = events;
  in.option = 1;
  s.Calculate(in);
  return s.lastRun;
}

// Hand-made stars at longitude, latitude and zone 0 from 2025-01-10 for three
// nights: minima and primary maxima, Sun and altitude out of the way.
inline run::ListedRun HandRun(const std::vector<data::StarEntry>& list, bool uncertainty = false) {
  run::RunParameters p;
  p.longitude = p.longitudeDms = p.latitude = p.latitudeDms = 0;
  p.standardZone = 0;
  p.dstEnabled = false;
  p.year = 2025, p.month = 1, p.day = 10, p.dayCount = 3;
  p.maxSunAltitude = 90, p.minStarAltitude = -90;
  p.eventWanted = {false, true, true, true, false};
  p.uncertainty = uncertainty;
  data::StarTable stars;
  stars.entries = list;
  return run::ListedRun{p, stars, {}, "Site", std::nullopt};
}

// The file's bytes, or a text no file matches when writing fails.
inline std::string Collect(const run::ListedRun& run, std::string_view format, const ExportChoices& choices = {}) {
  std::string bytes;
  const bool written = WriteEvents(run, *FormatNamed(format), [&](std::string_view piece) {
    bytes.append(piece);
    return true;
  }, choices);
  return written ? bytes : "(writing failed)";
}

inline std::vector<std::string> Split(const std::string& text, const std::string& by) {
  std::vector<std::string> parts;
  std::size_t from = 0;
  for (std::size_t at; (at = text.find(by, from)) != std::string::npos; from = at + by.size())
    parts.push_back(text.substr(from, at - from));
  parts.push_back(text.substr(from));
  return parts;
}

// The CSV's rows after its header, each field under its column's name.
inline std::vector<std::map<std::string, std::string>> CsvRows(const std::string& csv) {
  const std::vector<std::string> lines = Split(csv, "\r\n");
  const std::vector<std::string> head = Split(lines[0], ",");
  std::vector<std::map<std::string, std::string>> rows;
  for (std::size_t k = 1; k + 1 < lines.size(); ++k) {
    const std::vector<std::string> fields = Split(lines[k], ",");
    auto& row = rows.emplace_back();
    for (std::size_t i = 0; i < head.size() && i < fields.size(); ++i) row[head[i]] = fields[i];
  }
  return rows;
}

}  // namespace tevaro::exports
