// The CSV file (RFC 4180) of a run's listed events: one row per event with
// every value the run has for it.
#include <algorithm>
#include <cstring>
#include <limits>

#include "astro/light_time.h"
#include "export/event_values.h"
#include "export/formats.h"
#include "export/text.h"
#include "run/parallel.h"

namespace tevaro::exports {

using namespace run;

namespace {

// The decimals of the CSV's numbers: finer than the routines compute them.
constexpr int kDegreeDecimals = 6;   // 0.0036 arcsec
constexpr int kHourDecimals = 7;     // 0.00036 s
constexpr int kFractionDecimals = 6; // airmass and the Moon's lit fraction
constexpr int kElementDecimals = 9;  // days, 0.09 ms: all a double holds near 2.4 million

// A magnitude as read: the number, the text when it was not one, or nothing.
void AppendMagnitude(std::string& out, const data::FieldValue& v) {
  if (v.IsNumber()) AppendNumber(out, v.number);
  else if (!v.IsEmpty()) AppendField(out, v.text);
}

// Writes CSV rows. A star's texts are made once; the calendar days of the
// run's clock and of UTC are kept from row to row.
class CsvRows {
 public:
  CsvRows(const ListedRun& run, const ExportChoices& choices, const ValueMaker& maker, const std::vector<std::string>& heads,
          const std::vector<std::string>& tails)
      : run_(run), choices_(choices), maker_(maker), heads_(heads), tails_(tails) {}

  // The rows of listed events from..to-1, appended to `out`.
  void Append(std::string& out, std::size_t from, std::size_t to) {
    const PredictionOutcome& o = run_.outcome();
    const bool moon = static_cast<bool>(o.moon);
    const bool eclipse = run_.params.wholeEclipse;
    const bool uncertainty = run_.params.uncertainty;
    for (std::size_t i = from; i < to; ++i) {
      const EventValues v = maker_.Of(i, Engine::Fast);
      const EventEntry& e = o.events[i];
      if (v.zone != local_.zone()) local_ = fields::LocalClock(v.zone);
      // Each row is made in one buffer with room for its longest form and
      // appended whole.
      const std::string& head = heads_[e.star];
      const std::string& tail = tails_[e.star];
      row_.resize(std::max(row_.size(), head.size() + tail.size() + kNumbersRoom));
      char* p = row_.data();
      const auto put = [&p](std::string_view text) {
        std::memcpy(p, text.data(), text.size());
        p += text.size();
      };
      const auto number = [&p](double x, int decimals) {
        *p++ = ',';
        p = PutFixed(p, x, decimals);
      };
      put(head);
      put(EventLabel(e.phase));
      *p++ = ',';
      p = PutIso(p, local_, v.time, false);
      *p++ = ',';
      p = PutIso(p, utc_, v.time, true);
      number(v.time + 2400000, 5);
      number(v.elementRjd + 2400000, kElementDecimals);
      number(v.cycle, 2);
      number(v.altitude, kDegreeDecimals);
      number(v.azimuth, kDegreeDecimals);
      number(v.hourAngle, kHourDecimals);
      number(v.airmass, kFractionDecimals);
      number(v.decOfDate, kDegreeDecimals);
      number(v.sunAltitude, kDegreeDecimals);
      *p++ = ',';
      put(tail);
      put(e.close ? ",true" : ",false");
      if (moon) {
        put(e.nearMoon ? ",true" : ",false");
        const auto optional = [&](const std::optional<double>& x, int decimals) {
          if (x) number(*x, decimals);
          else *p++ = ',';
        };
        optional(v.moonAltitude, kDegreeDecimals);
        optional(v.moonIlluminated, kFractionDecimals);
        optional(v.moonDistance, kDegreeDecimals);
      }
      if (eclipse) {
        *p++ = ',';
        if (v.eclipseStart) p = PutIso(p, eclipse_, *v.eclipseStart, true);
        *p++ = ',';
        if (v.eclipseEnd) p = PutIso(p, eclipse_, *v.eclipseEnd, true);
        *p++ = ',';
        if (v.eclipseStart) put(e.partial ? "false" : "true");
      }
      if (uncertainty) {
        *p++ = ',';
        if (const std::optional<double> sigma = SigmaShown(run_, e)) p = PutFixed(p, *sigma * 1440, 1);
      }
      if (choices_.marginMinutes) {
        const ObservingWindow w = WindowOf(run_, e, *choices_.marginMinutes);
        *p++ = ',';
        p = PutIso(p, eclipse_, w.start, true);
        *p++ = ',';
        p = PutIso(p, eclipse_, w.end, true);
      }
      if (o.mixedEpochScales) {
        // Each star's element instant is on its own scale.
        *p++ = ',';
        put(astro::EpochScaleName(run_.stars.entries[e.star].epochScale.value_or(run_.params.epochScale)));
      }
      put("\r\n");
      out.append(row_.data(), p);
    }
  }

 private:
  const ListedRun& run_;
  const ExportChoices& choices_;
  const ValueMaker& maker_;
  const std::vector<std::string>& heads_;  // per star: "name,type,"
  const std::vector<std::string>& tails_;  // per star: "max,min,comment"
  fields::LocalClock local_{std::numeric_limits<double>::quiet_NaN()}, utc_{0}, eclipse_{0};
  // Room for a row's texts other than the star's: 13 numbers, 6 times and
  // the labels, marks and separators.
  static constexpr std::size_t kNumbersRoom = 13 * (kFixedRoom + 1) + 6 * (kIsoRoom + 1) + 80;
  std::vector<char> row_;
};

}  // namespace

bool WriteEventsCsv(const ListedRun& run, const ExportChoices& choices, const data::ByteSink& sink) {
  const PredictionOutcome& o = run.outcome();
  std::string header =
      "star,type,event,local_time,utc,jd_utc,element_jd_" +
      std::string(o.mixedEpochScales ? "mixed" : astro::EpochScaleName(o.epochScale)) +
      ",cycle,altitude_deg,azimuth_deg,hour_angle_h,airmass,dec_of_date_deg,sun_altitude_deg,max_mag,min_mag,"
      "comment,close";
  if (o.moon) header += ",near_moon,moon_altitude_deg,moon_illuminated,moon_distance_deg";
  if (run.params.wholeEclipse) header += ",eclipse_start_utc,eclipse_end_utc,eclipse_all_observable";
  if (run.params.uncertainty) header += ",sigma_minutes";
  if (choices.marginMinutes) header += ",window_start_utc,window_end_utc";
  if (o.mixedEpochScales) header += ",epoch_scale";
  header += "\r\n";
  if (!sink(header)) return false;
  if (!o.HasListed()) return true;
  // Each listed star's own fields, quoted once.
  std::vector<std::string> heads(run.stars.entries.size()), tails(run.stars.entries.size());
  for (std::size_t i = o.firstListed; i < o.events.size(); ++i) {
    const std::uint32_t k = o.events[i].star;
    if (!heads[k].empty()) continue;
    const data::StarEntry& s = run.stars.entries.at(k);
    AppendField(heads[k], s.name);
    heads[k] += ',';
    AppendField(heads[k], s.varType);
    heads[k] += ',';
    AppendMagnitude(tails[k], s.maxMag);
    tails[k] += ',';
    AppendMagnitude(tails[k], s.minMag);
    tails[k] += ',';
    AppendField(tails[k], s.comment);
  }
  // Pieces of rows made on every core a batch at a time and handed to the
  // sink in order, so a year's file is never held whole.
  constexpr std::size_t kPieceEvents = 16384, kBatchPieces = 16;
  const ValueMaker maker(run);
  const std::size_t count = o.events.size() - o.firstListed;
  const std::size_t pieces = (count + kPieceEvents - 1) / kPieceEvents;
  std::vector<std::string> texts(kBatchPieces);
  for (std::size_t first = 0; first < pieces; first += kBatchPieces) {
    const std::size_t n = std::min(kBatchPieces, pieces - first);
    ForEachPiece(n, ThreadsFor(0, n, 1), [&](std::size_t k) {
      const std::size_t from = o.firstListed + (first + k) * kPieceEvents;
      texts[k].clear();
      texts[k].reserve(kPieceEvents * 256);
      CsvRows(run, choices, maker, heads, tails).Append(texts[k], from, std::min(from + kPieceEvents, o.events.size()));
    });
    for (std::size_t k = 0; k < n; ++k)
      if (!sink(texts[k])) return false;
  }
  return true;
}

}  // namespace tevaro::exports
