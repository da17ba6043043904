// The listed events of a run as files for other programs: CSV for
// spreadsheets and scripts, iCalendar for calendars. The cycle number comes
// with the event; its other values are computed again here from the run's
// own routines (the event keeps only the report's two columns). The report
// and its files are not touched.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "data/load_result.h"
#include "run/night_chart.h"

namespace tevaro::run {

// Every value of one listed event. Angles in degrees, hour angle in hours,
// instants RJD (UT) unless named otherwise.
struct EventValues {
  std::size_t index = 0;  // into the run's event list
  double time = 0;
  double zone = 0;          // hours west in force at the event
  double cycle = 0;         // E, in quarters
  double elementRjd = 0;    // epoch + E x period, on the run's epoch scale
  double altitude = 0, azimuth = 0, hourAngle = 0, airmass = 0, decOfDate = 0, sunAltitude = 0;
  // With the Moon on.
  std::optional<double> moonAltitude, moonIlluminated, moonDistance;
  // A minimum of a star with a duration.
  std::optional<double> eclipseStart, eclipseEnd;
  bool operator==(const EventValues&) const = default;
};

// The values of the listed events (firstListed on), in report order. The
// fast engine, which the CSV file uses, takes each star's and the site's
// sines once and the Sun without its azimuth; it gives the same bits.
std::vector<EventValues> ListedEventValues(const ListedRun& run, Engine engine = Engine::Literal);

// The event's column label: "I", "II", ".25", ".75".
const char* EventLabel(std::uint8_t phase);

// The CSV's text of a number: x rounded to `decimals` (0..9) decimals,
// '.' whatever the locale, no sign on a value that rounds to zero.
std::string CsvNumber(double x, int decimals);

// "2026-03-05T21:14:09+01:00": the instant on a clock `zone` hours west.
std::string IsoLocal(double rjd, double zone);
// "2026-03-05T20:14:09Z".
std::string IsoUtc(double rjd);

// The CSV file (RFC 4180) of a run's listed events, handed to `sink` in
// pieces; false when the sink refused one.
bool WriteEventsCsv(const ListedRun& run, const data::ByteSink& sink);

// The iCalendar file (RFC 5545) of a run's listed events, handed to `sink`.
bool WriteEventsIcs(const ListedRun& run, const data::ByteSink& sink);

// The UID of an event in the iCalendar file: the same for the same star's
// same event (cycle and phase) seen from the same site in any run.
std::string EventUid(const std::string& starName, double cycle, const std::string& siteName, double longitude,
                     double latitude);

enum class EventFileKind { Csv, Ics };
// The kind a file name asks for: iCalendar when it ends in ".ics" (any case),
// else CSV.
EventFileKind EventFileKindOf(const std::string& path);
bool WriteEvents(const ListedRun& run, EventFileKind kind, const data::ByteSink& sink);
// Writes the events of `run` to `path` atomically: a failure leaves any
// file there as it was.
data::WriteResult WriteEventsFile(const ListedRun& run, const std::string& path, EventFileKind kind);

}  // namespace tevaro::run
