#include "run/report.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "astro/angles.h"
#include "astro/calendar.h"
#include "data/text.h"
#include "run/elements.h"
#include "run/parallel.h"
#include "run/report_fields.h"

namespace tevaro::run {

void ReportBuffer::Piece::Reserve(std::size_t more) {
  if (capacity - size >= more) return;
  const std::size_t grown = std::max({size + more, 2 * capacity, std::size_t{1} << 16});
  // Not value-initialised: only what is written is ever touched.
  std::unique_ptr<char[]> moved(new char[grown]);
  if (size != 0) std::memcpy(moved.get(), data.get(), size);
  data = std::move(moved);
  capacity = grown;
}

std::string_view ReportBuffer::Line(std::size_t i) const {
  constexpr std::uint64_t kOffsetMask = (std::uint64_t{1} << kOffsetBits) - 1;
  const std::uint64_t s = starts_.at(i - 1);
  const Piece& piece = pieces_[s >> kOffsetBits];
  const std::size_t begin = s & kOffsetMask;
  std::size_t end = piece.size;
  if (i < starts_.size() && (starts_[i] >> kOffsetBits) == (s >> kOffsetBits)) end = starts_[i] & kOffsetMask;
  return piece.View().substr(begin, end - begin);
}

void ReportBuffer::Add(std::string_view line) {
  if (pieces_.empty()) pieces_.emplace_back();
  starts_.push_back(StartOf(pieces_.size() - 1, pieces_.back().size));
  pieces_.back().Append(line);
  characters_ += line.size();
}

void SharedReport::Add(std::string_view line) {
  // Shares are made on the owner's thread only, so a count of one is not
  // stale; a share dropped meanwhile elsewhere costs at most a needless copy.
  if (lines_.use_count() > 1) lines_ = std::make_shared<ReportBuffer>(*lines_);
  lines_->Add(line);
}

void ReportBuffer::Append(const ReportBuffer& other) {
  for (std::size_t i = 1; i <= other.LineCount(); ++i) Add(other.Line(i));
}

void ReportBuffer::Reserve(std::size_t lines, std::size_t characters) {
  starts_.reserve(lines);
  if (pieces_.empty()) pieces_.emplace_back();
  pieces_.back().Reserve(characters);
}

void ReportBuffer::Clear() {
  pieces_.clear();
  starts_.clear();
  characters_ = 0;
}

std::string ReportBuffer::Bytes() const {
  std::string out;
  out.reserve(characters_ + 2 * starts_.size());
  WriteBytes([&out](std::string_view block) {
    out.append(block);
    return true;
  });
  return out;
}

bool ReportBuffer::WriteBytes(const std::function<bool(std::string_view)>& sink, std::size_t block) const {
  std::string staged;
  staged.reserve(block + 256);
  for (std::size_t i = 1; i <= LineCount(); ++i) {
    const std::string_view line = Line(i);
    if (staged.size() + line.size() + 2 > block && !staged.empty()) {
      if (!sink(staged)) return false;
      staged.clear();
    }
    if (line.size() + 2 > block) {
      // A line longer than a block goes out on its own.
      if (!sink(line) || !sink("\r\n")) return false;
      continue;
    }
    staged.append(line);
    staged.append("\r\n");
  }
  return staged.empty() || sink(staged);
}

namespace {

std::string LastChars(const std::string& s, std::size_t n) { return s.size() > n ? s.substr(s.size() - n) : s; }

std::string Trimmed(double x) {
  std::string t = astro::NumberText(x);
  if (!t.empty() && t[0] == ' ') t.erase(0, 1);
  return t;
}

// A magnitude column: the number at one decimal, blanks for an empty or
// non-numeric magnitude.
std::string MagnitudeText(const data::FieldValue& v) {
  return v.IsNumber() ? astro::FormatFixed(v.number, 5, 1) : std::string(5, ' ');
}

std::string TimeText(double time) {
  std::string t = astro::NumberText(time).substr(0, 11);
  if (t.size() >= 8 && t.size() <= 10) t.append(11 - t.size(), '0');
  return t;
}

double FlooredMod(double a, double m) {
  double r = std::fmod(a, m);
  if (r < 0) r += m;
  return r;
}

// The longest SigmaMark: " ±>1e9h" or " ±999999999.9h".
constexpr std::size_t kSigmaMarkRoom = 16;

// SigmaMark into `out` (room for kSigmaMarkRoom); returns its length. Above a
// billion hours (no real ephemeris) it says so rather than print the digits.
std::size_t WriteSigmaMark(double sigmaDays, char* out) {
  const double minutes = sigmaDays * 1440;
  if (!(minutes >= 1)) return 0;
  char* p = out;
  std::memcpy(p, " \xC2\xB1", 3);  // " ±" in UTF-8
  p += 3;
  if (const double whole = std::round(minutes); whole < 120) {
    p = std::to_chars(p, out + kSigmaMarkRoom, static_cast<int>(whole)).ptr;
    *p++ = 'm';
  } else if (const double tenths = std::round(minutes / 6); tenths < 1e10) {
    const auto t = static_cast<long long>(tenths);
    p = std::to_chars(p, out + kSigmaMarkRoom, t / 10).ptr;
    *p++ = '.';
    *p++ = static_cast<char>('0' + t % 10);
    *p++ = 'h';
  } else {
    std::memcpy(p, ">1e9h", 5);
    p += 5;
  }
  return static_cast<std::size_t>(p - out);
}

}  // namespace

std::string SigmaMark(double sigmaDays) {
  char text[kSigmaMarkRoom];
  return std::string(text, WriteSigmaMark(sigmaDays, text));
}

std::string NightLine(double time) {
  const auto w = static_cast<std::size_t>(FlooredMod(std::floor(time), 7));
  return std::string(kWeekdayNames[w]) + " night --------------------------";
}

std::string EventLine(const EventEntry& e, const data::StarEntry& star, double zone, std::int16_t outputMode,
                      bool uncertainty) {
  const astro::CalendarTime local = astro::RjdToCalendar(e.time, zone);
  std::string line;
  line.reserve(100);
  line += TimeText(e.time);
  line += "  ";
  line += data::FitCharacters(star.name, 10);
  line += "  ";
  line += data::FitCharacters(star.varType, 2);
  line += ' ';
  line += MagnitudeText(star.maxMag);
  line += ' ';
  line += MagnitudeText(star.minMag);
  line += "  ";
  line += LastChars(astro::NumberText(local.year), 4);
  line += '_';
  line += (local.month >= 1 && local.month <= 12) ? kMonthNames[local.month] : "???";
  line += '_';
  line += LastChars(astro::NumberText(local.day), 2);
  line += "  ";
  line += LastChars(astro::NumberText(local.hour), 2);
  line += ':';
  line += LastChars(astro::NumberText(local.minute), 2);
  switch (outputMode) {
    case 1:
      line += astro::FormatFixed(e.column1, 5, 0);
      line += astro::FormatFixed(e.column2, 4, 0);
      break;
    case 2:
      line += astro::FormatFixed(e.column1, 6, 2);
      line += ' ';
      line += astro::NumberText(e.column2).substr(0, 5);
      break;
    default:
      line += astro::FormatFixed(e.column1, 6, 2);
      line += ' ';
      line += astro::FormatFixed(e.column2, 4, 0);
      break;
  }
  line += "  ";
  line += kPhaseLabels[e.phase];
  line += "  ";
  line += star.comment;
  if (e.close) line += " close";
  if (e.nearMoon) line += " moon";
  if (e.partial) line += " part";
  if (uncertainty) line += SigmaMark(PredictionSigmaDays(star, e.cycle));
  return line;
}

std::string MoonNightText(const PredictionOutcome& outcome, double localDay) {
  const astro::MoonModel& moon = *outcome.moon;
  const double from = outcome.clock.UtcOfLocal(localDay + 0.25), to = outcome.clock.UtcOfLocal(localDay + 0.75);
  const double lit = moon.At(outcome.clock.UtcOfLocal(localDay + 0.5)).illuminated;
  std::string text = " Moon " + std::to_string(static_cast<int>(std::lround(lit * 100))) + "% lit, ";
  auto up = [&moon](double t) { return moon.At(t).altitudeDeg > 0; };
  // Samples every ten minutes: the Moon cannot rise and set again within
  // one. A change between samples is bisected to about a second.
  constexpr int kSteps = 72;
  std::vector<std::pair<double, double>> stretches;  // UT, each ends where the Moon is last up
  constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
  double rise = up(from) ? from : kNone;
  for (int k = 1; k <= kSteps; ++k) {
    const double a = from + (to - from) * (k - 1) / kSteps, b = k == kSteps ? to : from + (to - from) * k / kSteps;
    const bool wasUp = !std::isnan(rise);
    if (up(b) == wasUp) continue;
    double lo = a, hi = b;
    for (int i = 0; i < 20; ++i) {
      const double mid = (lo + hi) / 2;
      (up(mid) == wasUp ? lo : hi) = mid;
    }
    if (wasUp) {
      stretches.emplace_back(rise, lo);
      rise = kNone;
    } else {
      rise = hi;
    }
  }
  if (!std::isnan(rise)) stretches.emplace_back(rise, to);
  if (stretches.empty()) return text + "not up";
  if (stretches.size() == 1 && stretches[0].first == from && stretches[0].second == to) return text + "up all night";
  auto clock = [&](double t) {
    if (t == from) return std::string("18:00");
    if (t == to) return std::string("06:00");
    const astro::CalendarTime c = astro::RjdToCalendar(t, outcome.ZoneAt(t));
    char hm[16];
    std::snprintf(hm, sizeof hm, "%02d:%02d", c.hour, c.minute);
    return std::string(hm);
  };
  text += "up ";
  for (std::size_t k = 0; k < stretches.size(); ++k)
    text += (k == 0 ? "" : ", ") + clock(stretches[k].first) + "-" + clock(stretches[k].second);
  return text;
}

namespace {

// The header's line of a run whose stars' epochs are on several scales.
constexpr const char* kMixedEpochsLine = " Epochs: mixed, per star";

// The header's Epochs line; null for epochs used as UT.
const char* EpochsLine(const PredictionOutcome& outcome) {
  return outcome.mixedEpochScales ? kMixedEpochsLine : astro::TextsOf(outcome.epochScale).headerLine;
}

}  // namespace

std::size_t ReportHeaderLines(const PredictionOutcome& outcome) { return EpochsLine(outcome) ? 15 : 14; }

namespace {

// "UT+1", "UT-3", "UT+5:30", "UT".
std::string OffsetText(int offsetSeconds) {
  if (offsetSeconds == 0) return "UT";
  const int a = std::abs(offsetSeconds);
  std::string t = std::string("UT") + (offsetSeconds < 0 ? "-" : "+") + std::to_string(a / 3600);
  if (const int minutes = a % 3600 / 60; minutes != 0) t += (minutes < 10 ? ":0" : ":") + std::to_string(minutes);
  return t;
}

// "2027-03-28 02:00": the clock reading at which `span` begins, on the
// clock of the span before it.
std::string ChangeText(const astro::ZoneSpan& before, const astro::ZoneSpan& span) {
  const astro::CalendarTime c = astro::RjdToCalendar(span.fromRjd, -before.offsetSeconds / 3600.0);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", c.year, c.month, c.day, c.hour, c.minute);
  return text;
}

// The time-zone line's value: the zone in hours as ever, or a named zone
// with the offsets in force during the run.
std::string ZoneText(const PredictionOutcome& outcome) {
  if (!outcome.clock.IsNamed())
    return Trimmed(outcome.zone) + " (8=PST, 7=PDT=MST, 6=MDT=CST, 5=CDT=EST, etc.)";
  std::string t = outcome.clock.Name() + " (";
  const astro::ZoneSpan* before = nullptr;
  for (const astro::ZoneSpan& span : outcome.clock.Spans()) {
    if (span.toRjd <= outcome.rjdStart || span.fromRjd >= outcome.rjdEnd) continue;
    if (before != nullptr) t += "; " + OffsetText(span.offsetSeconds) + " from " + ChangeText(*before, span);
    else t += OffsetText(span.offsetSeconds);
    before = &span;
  }
  return t + ")";
}

// The night line before an event at `time`: a named zone's names the local
// evening's weekday; with the Moon on, the night's Moon follows.
std::string NightLineOf(const PredictionOutcome& outcome, double time) {
  std::string line = NightLine(outcome.clock.IsNamed() ? outcome.LocalDay(time) : time);
  if (outcome.moon) line += MoonNightText(outcome, outcome.LocalDay(time));
  return line;
}

void AddHeader(ReportBuffer& r, const PredictionOutcome& outcome, const RunParameters& p, const ReportNames& names) {
  static const char* const kColumnHeads[4] = {
      "", "     JD      Star       Typ   Mag   Mag  Date         time   Azi Alt Event Comment",
      "     JD      Star       Typ   Mag   Mag  Date         time    HA    Z   Event Comment",
      "     JD      Star       Typ   Mag   Mag  Date         time    HA   Dec. Event Comment"};
  const int mode = p.outputMode >= 1 && p.outputMode <= 3 ? p.outputMode : 3;
  r.Add(std::string(22, ' ') + "T e v a r o   eclipsing binary ephemeris");
  r.Add("");
  // The names come from a data file and the file system: their control
  // characters read as blanks, as a star's texts do, so that a printed or
  // saved report cannot act on a terminal.
  r.Add(" Location = " + data::BlankControls(names.observatory));
  r.Add(" Longitude = " + Trimmed(p.longitudeDms) + " (ddd.mmss)");
  r.Add(" Latitude = " + Trimmed(p.latitudeDms) + " (ddd.mmss)");
  r.Add(" Time zone = " + ZoneText(outcome));
  if (const char* epochs = EpochsLine(outcome)) r.Add(epochs);
  r.Add(" Maximum Sun elevation = " + Trimmed(p.maxSunAltitude) + " degrees");
  r.Add(" Minimum star elevation  = " + Trimmed(p.minStarAltitude) + " degrees");
  r.Add(" Star limits file = " + data::BlankControls(names.limitsFile));
  r.Add(" Star data file: " + data::BlankControls(names.starFile));
  r.Add(std::string(30, ' ') + "Brt   Fnt               LOCAL");
  r.Add(kColumnHeads[mode]);
  r.Add(std::string(87, '='));
  r.Add(NightLineOf(outcome, outcome.events[outcome.firstListed].time));
}

// The fields of an event line that depend only on the star.
struct StarText {
  std::string fixed;    // "  " name "  " type " " max " " min "  ": after the time, before the date
  std::string comment;  // after the label
};

StarText StarTextOf(const data::StarEntry& star) {
  StarText t;
  t.fixed += "  ";
  t.fixed += data::FitCharacters(star.name, 10);
  t.fixed += "  ";
  t.fixed += data::FitCharacters(star.varType, 2);
  t.fixed += ' ';
  t.fixed += MagnitudeText(star.maxMag);
  t.fixed += ' ';
  t.fixed += MagnitudeText(star.minMag);
  t.fixed += "  ";
  t.comment = star.comment;
  // Room for Put to copy a short text as 32 bytes.
  t.fixed.reserve(32);
  t.comment.reserve(32);
  return t;
}

// Room an event line of the quick form needs beyond the star's texts: the
// time, date, clock, mode columns, label, " close", " moon", " part" and the
// sigma mark take at most 80 bytes, and a short text is copied as 32 bytes,
// so up to 112.
constexpr std::size_t kLineRoom = 128;

// One event line as EventLine writes it, from the star's fixed fields and the
// quick number forms, into `out` (room for the star's texts + kLineRoom).
// Returns its length, or 0 where a quick form declines: the caller then takes
// EventLine itself.
// The quick forms of the mode columns.
struct Columns {
  fields::FixedColumn azimuth{5, 0}, altitude{4, 0}, hourAngle{6, 2}, declination{4, 0};
};

// Copies a star's text; a short one as one fixed-size move, which the room
// after the line allows.
inline char* Put(char* p, const std::string& text) {
  if (text.size() <= 32 && text.capacity() >= 31)
    std::memcpy(p, text.data(), 32);  // the capacity and its terminator: 32 readable bytes
  else
    std::memcpy(p, text.data(), text.size());
  return p + text.size();
}

// `sigmaDays` is the prediction's sigma when the run shows it, else 0.
std::size_t QuickEventLine(char* out, const EventEntry& e, const StarText& star, std::int16_t outputMode,
                           fields::LocalClock& clock, const Columns& columns, double sigmaDays) {
  char* p = out;
  // The time: NumberText cut to 11 characters, zeros added up to four decimals.
  const std::size_t n = fields::TimeText(e.time, p);
  if (n == 0) return 0;
  p += n;
  p = Put(p, star.fixed);
  if (!clock.Fields(e.time, p, p + 13)) return 0;
  p[11] = ' ';
  p[12] = ' ';
  p += 18;
  switch (outputMode) {
    case 1:
      if (!columns.azimuth.Write(e.column1, p) || !columns.altitude.Write(e.column2, p + 5)) return 0;
      p += 9;
      break;
    case 2: {
      if (!columns.hourAngle.Write(e.column1, p)) return 0;
      p[6] = ' ';
      char airmass[24];
      const std::size_t a = fields::GeneralText(e.column2, airmass);
      if (a == 0) return 0;
      std::memcpy(p + 7, airmass, std::min<std::size_t>(a, 5));
      p += 7 + std::min<std::size_t>(a, 5);
      break;
    }
    default:
      if (!columns.hourAngle.Write(e.column1, p) || !columns.declination.Write(e.column2, p + 7)) return 0;
      p[6] = ' ';
      p += 11;
      break;
  }
  std::memcpy(p, "  ", 2);
  std::memcpy(p + 2, kPhaseLabels[e.phase], 3);
  std::memcpy(p + 5, "  ", 2);
  p += 7;
  p = Put(p, star.comment);
  if (e.close) {
    std::memcpy(p, " close", 6);
    p += 6;
  }
  if (e.nearMoon) {
    std::memcpy(p, " moon", 5);
    p += 5;
  }
  if (e.partial) {
    std::memcpy(p, " part", 5);
    p += 5;
  }
  p += WriteSigmaMark(sigmaDays, p);
  return static_cast<std::size_t>(p - out);
}

}  // namespace

// Puts the event lines of the fast report straight into the buffer's pieces:
// the listed events in blocks, each block's lines in a piece of its own,
// their starts written into their final places.
class ReportAssembly {
 public:
  static void EventLines(ReportBuffer& r, const PredictionOutcome& outcome, const RunParameters& p,
                         const data::StarTable& stars, unsigned threads) {
    const auto& ev = outcome.events;
    const PredictionOutcome& zones = outcome;
    const bool named = outcome.clock.IsNamed();
    const std::size_t first = outcome.firstListed;
    const std::size_t count = ev.size() - first;
    constexpr std::size_t kBlockEvents = 16384;
    const std::size_t blocks = (count + kBlockEvents - 1) / kBlockEvents;
    auto from = [&](std::size_t b) { return first + std::min(count, b * kBlockEvents); };
    // A night line goes before an event whose local day (changing at local
    // noon) differs from that of the event before it.
    auto nightBefore = [&](std::size_t i) { return i != first && zones.LocalDay(ev[i].time) != zones.LocalDay(ev[i - 1].time); };

    // The stars' fixed fields, for the stars that have listed events.
    std::vector<StarText> text(stars.entries.size());
    std::vector<char> used(stars.entries.size(), 0);
    for (std::size_t i = first; i < ev.size(); ++i) used.at(ev[i].star) = 1;
    ForEachPiece((stars.entries.size() + 255) / 256, threads, [&](std::size_t b) {
      for (std::size_t k = b * 256; k < std::min(stars.entries.size(), (b + 1) * 256); ++k)
        if (used[k]) text[k] = StarTextOf(stars.entries[k]);
    });
    const Columns columns;
    std::size_t longest = 0;
    for (const StarText& t : text) longest = std::max(longest, t.fixed.size() + t.comment.size());

    // Lines per block first, so that every block knows where its starts go.
    std::vector<std::size_t> lineBase(blocks + 1, 0);
    ForEachPiece(blocks, threads, [&](std::size_t b) {
      std::size_t lines = 0;
      for (std::size_t i = from(b); i < from(b + 1); ++i) lines += nightBefore(i) ? 2 : 1;
      lineBase[b + 1] = lines;
    });
    for (std::size_t b = 0; b < blocks; ++b) lineBase[b + 1] += lineBase[b];
    const std::size_t headerLines = r.starts_.size(), headerPieces = r.pieces_.size();
    r.starts_.resize(headerLines + lineBase[blocks]);
    r.pieces_.resize(headerPieces + blocks);

    std::vector<std::size_t> characters(blocks, 0);
    ForEachPiece(blocks, threads, [&](std::size_t b) {
      const std::size_t piece = headerPieces + b;
      ReportBuffer::Piece& out = r.pieces_[piece];
      // Room for the longest line of every event; untouched room costs no memory.
      out.Reserve((from(b + 1) - from(b)) * (longest + kLineRoom));
      double zone = zones.ZoneAt(ev[from(b)].time);
      fields::LocalClock clock(zone);
      std::uint64_t* start = r.starts_.data() + headerLines + lineBase[b];
      for (std::size_t i = from(b); i < from(b + 1); ++i) {
        if (named && zones.ZoneAt(ev[i].time) != zone) {
          zone = zones.ZoneAt(ev[i].time);
          clock = fields::LocalClock(zone);
        }
        if (nightBefore(i)) {
          *start++ = ReportBuffer::StartOf(piece, out.size);
          out.Append(NightLineOf(outcome, ev[i].time));
        }
        *start++ = ReportBuffer::StartOf(piece, out.size);
        const StarText& star = text[ev[i].star];
        const data::StarEntry& entry = stars.entries[ev[i].star];
        const double sigma = p.uncertainty ? PredictionSigmaDays(entry, ev[i].cycle) : 0;
        out.Reserve(star.fixed.size() + star.comment.size() + kLineRoom);
        if (const std::size_t n =
                QuickEventLine(out.data.get() + out.size, ev[i], star, p.outputMode, clock, columns, sigma);
            n != 0)
          out.size += n;
        else
          out.Append(EventLine(ev[i], entry, zone, p.outputMode, p.uncertainty));
      }
      characters[b] = out.size;
    });
    for (std::size_t c : characters) r.characters_ += c;
  }
};

ReportBuffer BuildReport(const PredictionOutcome& outcome, const RunParameters& p,
                         const data::StarTable& stars, const ReportNames& names, Engine engine, unsigned threads) {
  ReportBuffer r;
  if (!outcome.HasListed()) return r;
  AddHeader(r, outcome, p, names);
  const auto& ev = outcome.events;
  if (engine == Engine::Fast) {
    // A line takes about a microsecond: threads pay off from some tens of
    // thousands of lines each.
    constexpr std::size_t kLinesPerThread = 20'000;
    threads = ThreadsFor(threads, ev.size() - outcome.firstListed, kLinesPerThread);
    ReportAssembly::EventLines(r, outcome, p, stars, threads);
    return r;
  }
  const PredictionOutcome& zones = outcome;
  for (std::size_t i = outcome.firstListed; i < ev.size(); ++i) {
    if (i != outcome.firstListed && zones.LocalDay(ev[i].time) != zones.LocalDay(ev[i - 1].time))
      r.Add(NightLineOf(outcome, ev[i].time));
    r.Add(EventLine(ev[i], stars.entries.at(ev[i].star), zones.ZoneAt(ev[i].time), p.outputMode, p.uncertainty));
  }
  return r;
}

}  // namespace tevaro::run
