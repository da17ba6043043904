#include "run/report.h"

#include <algorithm>
#include <cmath>
#include <thread>

#include "astro/angles.h"
#include "astro/calendar.h"
#include "data/text.h"

namespace tevaro::run {

std::string_view ReportBuffer::Line(std::size_t i) const {
  const std::size_t begin = starts_.at(i - 1);
  const std::size_t end = i < starts_.size() ? starts_[i] : text_.size();
  return std::string_view(text_).substr(begin, end - begin);
}

void ReportBuffer::Add(std::string_view line) {
  starts_.push_back(text_.size());
  text_.append(line);
}

void ReportBuffer::Append(const ReportBuffer& other) {
  const std::size_t base = text_.size();
  text_.append(other.text_);
  for (std::size_t start : other.starts_) starts_.push_back(base + start);
}

void ReportBuffer::Reserve(std::size_t lines, std::size_t characters) {
  starts_.reserve(lines);
  text_.reserve(characters);
}

void ReportBuffer::Clear() {
  text_.clear();
  starts_.clear();
}

std::string ReportBuffer::Bytes() const {
  std::string out;
  out.reserve(text_.size() + 2 * starts_.size());
  for (std::size_t i = 1; i <= LineCount(); ++i) {
    out.append(Line(i));
    out.append("\r\n");
  }
  return out;
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

}  // namespace

std::string NightLine(double time) {
  const auto w = static_cast<std::size_t>(FlooredMod(std::floor(time), 7));
  return std::string(kWeekdayNames[w]) + " night --------------------------";
}

std::string EventLine(const EventEntry& e, const data::StarEntry& star, std::int16_t zone,
                      std::int16_t outputMode) {
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
  return line;
}

ReportBuffer BuildReport(const PredictionOutcome& outcome, const RunParameters& p,
                         const data::StarTable& stars, const ReportNames& names) {
  ReportBuffer r;
  if (!outcome.HasListed()) return r;
  const auto& ev = outcome.events;
  const std::int16_t zone = outcome.zone;
  static const char* const kColumnHeads[4] = {
      "", "     JD      Star       Typ   Mag   Mag  Date         time   Azi Alt Event Comment",
      "     JD      Star       Typ   Mag   Mag  Date         time    HA    Z   Event Comment",
      "     JD      Star       Typ   Mag   Mag  Date         time    HA   Dec. Event Comment"};
  const int mode = p.outputMode >= 1 && p.outputMode <= 3 ? p.outputMode : 3;

  r.Add(std::string(22, ' ') + "T e v a r o   eclipsing binary ephemeris");
  r.Add("");
  r.Add(" Location = " + names.observatory);
  r.Add(" Longitude = " + Trimmed(p.longitudeDms) + " (ddd.mmss)");
  r.Add(" Latitude = " + Trimmed(p.latitudeDms) + " (ddd.mmss)");
  r.Add(" Time zone = " + Trimmed(zone) + " (8=PST, 7=PDT=MST, 6=MDT=CST, 5=CDT=EST, etc.)");
  r.Add(" Maximum Sun elevation = " + Trimmed(p.maxSunAltitude) + " degrees");
  r.Add(" Minimum star elevation  = " + Trimmed(p.minStarAltitude) + " degrees");
  r.Add(" Star limits file = " + names.limitsFile);
  r.Add(" Star data file: " + names.starFile);
  r.Add(std::string(30, ' ') + "Brt   Fnt               LOCAL");
  r.Add(kColumnHeads[mode]);
  r.Add(std::string(87, '='));
  r.Add(NightLine(ev[outcome.firstListed].time));

  // The event lines in blocks, each block on its own thread, joined in
  // order. A night line goes before an event whose local day (changing at
  // local noon) differs from that of the event before it.
  const std::size_t first = outcome.firstListed;
  const std::size_t count = ev.size() - first;
  auto localDay = [zone](double time) { return std::floor(time - zone / 24.0); };
  auto build = [&](std::size_t from, std::size_t to, ReportBuffer& out) {
    out.Reserve(to - from + (to - from) / 8 + 1, (to - from) * 96);
    for (std::size_t i = from; i < to; ++i) {
      if (i != first && localDay(ev[i].time) != localDay(ev[i - 1].time)) out.Add(NightLine(ev[i].time));
      out.Add(EventLine(ev[i], stars.entries.at(ev[i].star), zone, p.outputMode));
    }
  };
  const unsigned threads = count < 20000 ? 1u : std::max(1u, std::thread::hardware_concurrency());
  if (threads == 1) {
    build(first, ev.size(), r);
    return r;
  }
  std::vector<ReportBuffer> blocks(threads);
  std::vector<std::thread> pool;
  for (unsigned k = 0; k < threads; ++k) {
    const std::size_t from = first + count * k / threads, to = first + count * (k + 1) / threads;
    pool.emplace_back([&, from, to, k] { build(from, to, blocks[k]); });
  }
  for (auto& th : pool) th.join();
  std::size_t lines = r.LineCount(), characters = r.CharacterCount();
  for (const auto& b : blocks) {
    lines += b.LineCount();
    characters += b.CharacterCount();
  }
  r.Reserve(lines, characters);
  for (const auto& b : blocks) r.Append(b);
  return r;
}

}  // namespace tevaro::run
