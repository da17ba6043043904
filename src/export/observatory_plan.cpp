// The observatory plan: for each listed event, wait until its window opens,
// the target, and quit when the window closes. Directive lines with UTC
// times, CR LF line ends, `;` comments at the top.
#include <cmath>
#include <cstdio>

#include "data/text.h"
#include "export/event_values.h"
#include "export/formats.h"
#include "export/text.h"

namespace tevaro::exports {

namespace {

// "MM/DD/YYYY HH:MM" (UTC) of the whole minute at or before rjd, or at or
// after it (`up`), so the window is never shortened.
std::string PlanTime(double rjd, bool up) {
  const double minutes = rjd * 1440;
  // A minute's worth of rounding in the product is not a minute later.
  const double whole = up ? std::ceil(minutes - 1e-6) : std::floor(minutes + 1e-6);
  // Half a second in, so the calendar's seconds never round back a minute.
  const astro::CalendarTime c = astro::RjdToCalendar(whole / 1440 + 0.5 / 86400, 0);
  char text[64];
  std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d", static_cast<int>(c.month), static_cast<int>(c.day),
                static_cast<int>(c.year), static_cast<int>(c.hour), static_cast<int>(c.minute));
  return text;
}

// A name on the tab-separated target line: tabs and line ends blanked.
std::string PlanName(std::string name) {
  for (char& c : name)
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  return name;
}

}  // namespace

bool WriteObservatoryPlan(const run::ListedRun& run, const ExportChoices& choices, const data::ByteSink& sink) {
  const run::PredictionOutcome& o = run.outcome();
  const run::RunParameters& p = run.params;
  const double margin = choices.marginMinutes.value_or(kDefaultMarginMinutes);
  std::string out = "; Observatory plan written by Tevaro\r\n; Site: ";
  const std::string site = data::BlankControls(run.siteName);
  if (!site.empty()) out += site + ", ";
  out += "longitude ";
  AppendNumber(out, p.longitudeDms);
  out += " W, latitude ";
  AppendNumber(out, p.latitudeDms);
  char run_line[160];
  std::snprintf(run_line, sizeof run_line, "\r\n; Run: %d night(s) from the evening of %04d-%02d-%02d, margin ",
                static_cast<int>(p.dayCount), static_cast<int>(p.year), static_cast<int>(p.month),
                static_cast<int>(p.day));
  out += run_line;
  AppendNumber(out, margin);
  out += " min\r\n; Each event: #WAITUNTIL its window's start, the target (J2000), #QUITAT its end; times UTC\r\n";
  if (!sink(out)) return false;
  if (!o.HasListed()) return true;
  for (std::size_t i = o.firstListed; i < o.events.size(); ++i) {
    const run::EventEntry& e = o.events[i];
    const ObservingWindow w = WindowOf(run, e, margin);
    const J2000Position at = PositionOf(run.stars.entries.at(e.star));
    const Sexagesimal ra = ToSexagesimal(at.raHours, 1), dec = ToSexagesimal(at.decDeg, 0);
    char position[160];
    std::snprintf(position, sizeof position, "\t%02ld:%02ld:%02ld.%ld\t%c%02ld:%02ld:%02ld", ra.units % 24, ra.minutes,
                  ra.seconds, ra.tenths, dec.negative ? '-' : '+', dec.units, dec.minutes, dec.seconds);
    out = "#WAITUNTIL 1, " + PlanTime(w.start, false) + "\r\n" + PlanName(EventTitle(run, e)) + position +
          "\r\n#QUITAT " + PlanTime(w.end, true) + "\r\n";
    if (!sink(out)) return false;
  }
  return true;
}

}  // namespace tevaro::exports
