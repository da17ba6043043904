// tevaro-cli: the prediction run without a window, for scripted nightly lists.
// It runs the window's start-up, loads the star file, applies its options as
// changes of the window's fields and runs the same Calculate and Save, so both
// give the same report bytes.
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "app/cli_options.h"
#include "app/cli_chart.h"
#include "app/cli_output.h"
#include "app/cli_pdf.h"
#include "export/formats.h"
#include "data/text.h"
#include "run/session.h"
#include "tevaro_version.h"

namespace {

namespace data = tevaro::data;
using tevaro::run::InputFields;
using tevaro::run::Session;

constexpr int kExitListed = 0;
constexpr int kExitNoEvent = 1;
constexpr int kExitInvalid = 2;

int Fail(const std::string& message) {
  std::cerr << "tevaro-cli: " << tevaro::data::EscapeControls(message) << "\n";
  return kExitInvalid;
}

std::string BaseName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

tevaro::run::CalendarDay Today() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

int Run(const tevaro::app::CliOptions& o) {
  using tevaro::run::Field;
  Session s;
  // Start-up as the window's: settings, locations with the saved site, the
  // fields, limits. Only a file named on the command line is reported at
  // once; a default one that is missing is left to Calculate's check.
  const tevaro::run::StartUpResult start = s.StartUp(".", Today(), {o.settings, o.locations, o.limits});
  // An options file that cannot be read, and the values and lines read all
  // the same, are named; the run goes on without them.
  if (start.optionsFailure)
    std::cerr << "tevaro-cli: warning: " << start.optionsFailure->Message() << "; its choices are not used\n";
  for (const tevaro::data::FileWarning& w : start.warnings) std::cerr << "tevaro-cli: warning: " << w.Message() << "\n";
  if (o.locations && start.locationsFailure) return Fail(start.locationsFailure->Message());
  if (o.limits && start.limitsFailure) return Fail(start.limitsFailure->Message());
  if (o.locations) s.locationsFileName = BaseName(*o.locations);
  if (o.limits) s.limitsFileName = BaseName(*o.limits);
  if (auto failure = s.LoadStars(o.stars)) return Fail(failure->Message());
  s.starFileName = BaseName(o.stars);
  for (const tevaro::data::FileWarning& w : s.starFileWarnings)
    std::cerr << "tevaro-cli: warning: " << w.Message() << "\n";
  for (const tevaro::run::StarWarning& w : s.starWarnings)
    std::cerr << "tevaro-cli: warning: " << tevaro::data::EscapeControls(o.stars + ": " + w.Text()) << "\n";

  // The options, as the user's changes to the fields.
  InputFields in = start.fields;
  auto change = [&](std::string& text, Field field, const std::optional<std::string>& value) {
    if (!value) return;
    text = *value;
    tevaro::run::ApplyFieldChange(field, text, s.params);
  };
  // Without a locations file there is no site to pick; Calculate says so.
  if (o.site && s.loaded.sitesLoaded) {
    if (static_cast<std::size_t>(*o.site) >= s.sites.entries.size())
      return Fail("--site " + std::to_string(*o.site) + ": " + o.locations.value_or("Location.dat") + " has " +
                  std::to_string(s.sites.entries.size()) + " sites (0 to " +
                  std::to_string(s.sites.entries.size() - 1) + ")");
    const tevaro::run::SiteFieldTexts t = s.SelectSite(*o.site);
    in.longitude = t.longitude;
    in.latitude = t.latitude;
    in.zone = t.zone;
    in.siteIndex = *o.site;
  }
  change(in.longitude, Field::Longitude, o.longitude);
  change(in.latitude, Field::Latitude, o.latitude);
  change(in.zone, Field::Zone, o.zone);
  if (o.date) tevaro::app::SplitDate(*o.date, in);
  change(in.nights, Field::Nights, o.nights);
  change(in.maxSun, Field::MaxSun, o.maxSun);
  change(in.minStar, Field::MinStar, o.minStar);
  if (o.events) {
    std::string error;
    if (!tevaro::app::ParseEvents(*o.events, in.eventBox, error)) return Fail(error);
  }
  if (o.columns) {
    if (*o.columns == "altaz") in.option = 1;
    else if (*o.columns == "airmass") in.option = 2;
    else if (*o.columns == "dec") in.option = 3;
    else return Fail("--columns takes altaz, airmass or dec, not '" + *o.columns + "'");
  }
  if (o.ignoreEa) in.ignoreEaBox = *o.ignoreEa ? 1 : 0;
  if (o.dst) s.params.dstEnabled = *o.dst;
  if (o.epochs) s.params.epochScale = *o.epochs;
  if (o.eclipse) s.params.wholeEclipse = *o.eclipse;
  if (o.moon) s.params.moon = *o.moon;
  if (o.uncertainty) s.params.uncertainty = *o.uncertainty;

  const tevaro::run::CalculateResult r = s.Calculate(in);
  using Status = tevaro::run::CalculateResult::Status;
  if (r.status == Status::FilesMissing) {
    // Say which default start-up file was not loaded, and why.
    Fail(r.message);
    for (const auto& failure : {start.locationsFailure, start.limitsFailure})
      if (failure) Fail(failure->Message());
    return kExitInvalid;
  }
  if (r.status == Status::InvalidInput || r.status == Status::TooManyEvents) return Fail(r.message);
  if (r.status == Status::NoEvent) {
    std::cerr << r.message << "\n";
    return kExitNoEvent;
  }

  if (o.output) {
    // The bytes Save writes, as Save writes them or to standard output.
    const std::filesystem::path target(*o.output);
    const data::WriteResult failure =
        *o.output == "-"
            ? tevaro::app::WriteCliOutput("-", [&s](const data::ByteSink& sink) { return s.report.WriteBytes(sink); })
            : s.SaveReport(target.parent_path().string(), target.filename().string());
    if (failure) return Fail(failure->Message());
  }
  if (o.pdf) {
    if (auto failure = tevaro::app::WriteCliPdf(s, *o.pdf, o.paper)) return Fail(failure->Message());
  }
  if (o.chart) {
    std::int32_t night = tevaro::run::ReportNights(s.lastRun->outcome()).front();
    if (o.chartNight)
      night = tevaro::run::LocalDayOfEvening(std::stoi(o.chartNight->substr(0, 4)), std::stoi(o.chartNight->substr(5, 2)),
                                             std::stoi(o.chartNight->substr(8, 2)));
    if (auto failure = tevaro::app::WriteCliChart(*s.lastRun, night, *o.chart)) return Fail(failure->Message());
  }
  // The event files, each in its format of the table.
  const tevaro::exports::ExportChoices choices = o.ExportChoices();
  for (const tevaro::app::CliOptions::EventFile& e : o.eventFiles) {
    const data::WriteResult failure = tevaro::app::WriteCliOutput(e.file, [&](const data::ByteSink& sink) {
      return tevaro::exports::WriteEvents(*s.lastRun, *e.format, sink, choices);
    });
    if (failure) return Fail(failure->Message());
  }
  if (!o.Outputs().empty()) return kExitListed;
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
  if (options && !options->help && !options->version)
    if (auto same = tevaro::app::SameOutputFile(*options)) error = *same;
  if (!options || !error.empty()) {
    std::cerr << "tevaro-cli: " << tevaro::data::EscapeControls(error) << "\n" << tevaro::app::CliUsage();
    return kExitInvalid;
  }
  if (options->help) {
    std::cout << tevaro::app::CliUsage();
    return 0;
  }
  if (options->version) {
    std::cout << "tevaro-cli " << tevaro::kVersion << "\n";
    return 0;
  }
  return Run(*options);
}
