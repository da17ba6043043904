// The texts that every event file is made of: numbers with a point in any
// locale, ISO 8601 instants, CSV fields and the events' names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "astro/calendar.h"
#include "run/report_fields.h"

namespace tevaro::exports {

// The shortest text that reads back as the same double, '.' in any locale.
void AppendNumber(std::string& out, double x);

// The most characters PutFixed writes: a double's integer digits, a sign,
// a point and nine decimals.
inline constexpr std::size_t kFixedRoom = 330;
// x rounded to `decimals` (0..9) decimals at `p`, as exactly as printf
// rounds, '.' in any locale; a value that rounds to zero has no sign.
// Returns the end.
char* PutFixed(char* p, double x, int decimals);
void AppendFixed(std::string& out, double x, int decimals);

// The CSV's text of a number: x rounded to `decimals` (0..9) decimals,
// '.' whatever the locale, no sign on a value that rounds to zero.
std::string CsvNumber(double x, int decimals);

// The most characters PutIso writes.
inline constexpr std::size_t kIsoRoom = 25;
// ISO 8601 of local calendar fields `c` on a clock `zone` hours west, to the
// second, with "Z" (utc) or the offset, at `p`. Returns the end.
char* PutIso(char* p, const astro::CalendarTime& c, double zone, bool utc);
// The same through a clock that keeps the day of the last instant.
char* PutIso(char* p, run::fields::LocalClock& clock, double rjd, bool utc);

// "2026-03-05T21:14:09+01:00": the instant on a clock `zone` hours west.
std::string IsoLocal(double rjd, double zone);
// "2026-03-05T20:14:09Z".
std::string IsoUtc(double rjd);

// A CSV field (RFC 4180), quoted when it holds a comma, a quote or a line
// end. A text that a spreadsheet would run as a formula, one that opens with
// =, +, -, @, tab or CR and is not a plain number, is written after a '
// (OWASP's advice against CSV injection).
void AppendField(std::string& out, std::string_view text);

// The event's column label: "I", "II", ".25", ".75".
const char* EventLabel(std::uint8_t phase);
// "primary minimum", "secondary minimum", "maximum .25", "maximum .75".
const char* EventName(std::uint8_t phase);

// `s` without blanks at either end.
std::string Trimmed(std::string s);

// A position as whole units, minutes, seconds and tenths of a second,
// rounded once to whole seconds (decimals 0) or tenths (1) so that 59.96 s
// carries into the minute: 2.53861 h gives {2, 32, 19, 0}.
struct Sexagesimal {
  bool negative = false;
  long units = 0, minutes = 0, seconds = 0, tenths = 0;
};
Sexagesimal ToSexagesimal(double value, int decimals);

}  // namespace tevaro::exports
