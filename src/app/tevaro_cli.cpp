// tevaro-cli: the prediction run without a window, for scripted nightly lists.
// It starts up as the window does (settings, locations with the saved site,
// limits), loads the star file, fills the same input fields and runs the same
// Calculate, so both give the same report bytes.
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "app/cli_options.h"
#include "astro/angles.h"
#include "data/load_result.h"
#include "data/settings_file.h"
#include "run/number_input.h"
#include "run/session.h"

namespace {

using tevaro::run::InputFields;
using tevaro::run::Session;

constexpr int kExitListed = 0;
constexpr int kExitNoEvent = 1;
constexpr int kExitInvalid = 2;

int Fail(const std::string& message) {
  std::cerr << "tevaro-cli: " << message << "\n";
  return kExitInvalid;
}

std::string BaseName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

// The boxes of --events: a comma list of I, .25, II, .75.
bool ParseEvents(const std::string& list, std::array<int, 4>& boxes, std::string& error) {
  boxes = {0, 0, 0, 0};
  std::size_t pos = 0;
  while (pos <= list.size()) {
    const std::size_t comma = std::min(list.find(',', pos), list.size());
    const std::string item = list.substr(pos, comma - pos);
    if (item == "I") boxes[0] = 1;
    else if (item == ".25") boxes[1] = 1;
    else if (item == "II") boxes[2] = 1;
    else if (item == ".75") boxes[3] = 1;
    else {
      error = "--events takes a comma list of I, .25, II, .75, not '" + item + "'";
      return false;
    }
    pos = comma + 1;
  }
  return true;
}

bool ParseDate(const std::string& date, InputFields& in) {
  const std::size_t a = date.find('-');
  const std::size_t b = a == std::string::npos ? a : date.find('-', a + 1);
  if (a == std::string::npos || b == std::string::npos || a == 0 || b == a + 1 || b + 1 >= date.size())
    return false;
  in.year = date.substr(0, a);
  in.month = date.substr(a + 1, b - a - 1);
  in.day = date.substr(b + 1);
  return true;
}

int Run(const tevaro::app::CliOptions& o) {
  Session s;
  s.startFolder = ".";
  // Start-up: settings (defaults when missing or unreadable), locations with the
  // saved site, limits.
  s.ApplySettings(o.settings ? tevaro::data::LoadSettingsFromFile(*o.settings).settings
                             : tevaro::data::LoadSettings(".").settings);
  InputFields in;
  in.longitude = tevaro::astro::NumberText(s.params.longitudeDms);
  in.latitude = tevaro::astro::NumberText(s.params.latitudeDms);
  in.zone = tevaro::astro::NumberText(s.params.standardZone);

  const std::string locations = o.locations.value_or("Location.dat");
  if (auto failure = s.LoadLocations(locations)) return Fail(failure->Message());
  s.locationsFileName = BaseName(locations);
  auto pick = [&](int k) {
    const tevaro::run::SiteFieldTexts t = s.SelectSite(k);
    in.longitude = t.longitude;
    in.latitude = t.latitude;
    in.zone = t.zone;
    in.siteIndex = k;
  };
  if (const int k = s.SiteToSelect(); k >= 0) pick(k);
  if (o.site) {
    if (static_cast<std::size_t>(*o.site) >= s.sites.entries.size())
      return Fail("--site " + std::to_string(*o.site) + ": " + locations + " has " +
                  std::to_string(s.sites.entries.size()) + " sites (0 to " +
                  std::to_string(static_cast<long>(s.sites.entries.size()) - 1) + ")");
    pick(*o.site);
  }
  if (o.longitude) in.longitude = *o.longitude;
  if (o.latitude) in.latitude = *o.latitude;
  if (o.zone) in.zone = *o.zone;
  // The zone field's change handler keeps the standard zone.
  if (auto zone = tevaro::run::ReadInt16(in.zone)) s.params.standardZone = *zone;

  const std::string limits = o.limits.value_or("Limits.dat");
  if (auto failure = s.LoadLimits(limits)) return Fail(failure->Message());
  s.limitsFileName = o.limits ? BaseName(*o.limits) : "";

  if (auto failure = s.LoadStars(o.stars)) return Fail(failure->Message());
  s.starFileName = BaseName(o.stars);

  // The remaining fields from the settings, then from the command line.
  if (o.date) {
    if (!ParseDate(*o.date, in)) return Fail("--date takes YYYY-MM-DD, not '" + *o.date + "'");
  } else {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    in.year = std::to_string(local.tm_year + 1900);
    in.month = std::to_string(local.tm_mon + 1);
    in.day = std::to_string(local.tm_mday);
  }
  in.nights = o.nights.value_or(tevaro::astro::NumberText(s.params.dayCount));
  in.maxSun = o.maxSun.value_or(tevaro::astro::NumberText(s.params.maxSunAltitude));
  in.minStar = o.minStar.value_or(tevaro::astro::NumberText(s.params.minStarAltitude));
  for (std::size_t k = 0; k < 4; ++k) in.eventBox[k] = s.params.eventWanted[k + 1] ? 1 : 0;
  if (o.events) {
    std::string error;
    if (!ParseEvents(*o.events, in.eventBox, error)) return Fail(error);
  }
  in.option = s.params.outputMode >= 1 && s.params.outputMode <= 3 ? s.params.outputMode : 1;
  if (o.columns) {
    if (*o.columns == "altaz") in.option = 1;
    else if (*o.columns == "airmass") in.option = 2;
    else if (*o.columns == "dec") in.option = 3;
    else return Fail("--columns takes altaz, airmass or dec, not '" + *o.columns + "'");
  }
  in.ignoreEaBox = o.ignoreEa ? (*o.ignoreEa ? 1 : 0) : s.params.ignoreEaSecondary;
  if (o.dst) s.params.dstEnabled = *o.dst;

  const tevaro::run::CalculateResult r = s.Calculate(in);
  using Status = tevaro::run::CalculateResult::Status;
  if (r.status == Status::InvalidInput || r.status == Status::FilesMissing) return Fail(r.message);
  if (r.status == Status::NoEvent) {
    std::cerr << r.message << "\n";
    return kExitNoEvent;
  }

  if (o.output) {
    const std::string reason = tevaro::data::WriteFileAtomicallyFrom(
        *o.output, [&s](const tevaro::data::ByteSink& sink) { return s.report.WriteBytes(sink); });
    if (!reason.empty()) return Fail(*o.output + ": " + reason);
    return kExitListed;
  }
  std::string out;
  for (std::size_t i = 1; i <= s.report.LineCount(); ++i) {
    out.append(s.report.Line(i));
    out.push_back('\n');
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  if (std::fflush(stdout) != 0) return Fail("cannot write the report to standard output");
  return kExitListed;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  const auto options = tevaro::app::ParseCli(args, error);
  if (!options) {
    std::cerr << "tevaro-cli: " << error << "\n" << tevaro::app::kCliUsage;
    return kExitInvalid;
  }
  if (options->help) {
    std::cout << tevaro::app::kCliUsage;
    return 0;
  }
  return Run(*options);
}
