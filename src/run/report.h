// The report: fourteen header lines, night lines and fixed-column event lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/star_file.h"
#include "run/prediction.h"
#include "run/validation.h"

namespace tevaro::run {

// The report's lines, held in a few large pieces of text with line starts,
// so a report of a million lines costs little more than its characters. A
// line never spans two pieces.
class ReportBuffer {
 public:
  std::size_t LineCount() const { return starts_.size(); }
  // Characters of all lines together, line ends not counted.
  std::size_t CharacterCount() const { return characters_; }
  // Line i, 1-based as the window counts them.
  std::string_view Line(std::size_t i) const;
  void Add(std::string_view line);
  // Appends every line of `other`.
  void Append(const ReportBuffer& other);
  void Reserve(std::size_t lines, std::size_t characters);
  void Clear();
  // Every line followed by CR LF, the last included: the bytes of a saved report.
  std::string Bytes() const;
  // The same bytes handed to `sink` in order, a block of up to about `block`
  // bytes at a time, without a copy of the whole report; stops at the first
  // block the sink refuses and gives false then.
  bool WriteBytes(const std::function<bool(std::string_view)>& sink, std::size_t block = 1 << 20) const;

 private:
  friend class ReportAssembly;
  // A line start: the piece in the high bits, the offset in the low ones.
  static constexpr int kOffsetBits = 40;
  static std::uint64_t StartOf(std::size_t piece, std::size_t offset) {
    return (static_cast<std::uint64_t>(piece) << kOffsetBits) | offset;
  }

  // Text of lines, filled from the front; room beyond `size` is reserved
  // but never touched, so it costs address space only.
  struct Piece {
    std::unique_ptr<char[]> data;
    std::size_t size = 0, capacity = 0;
    Piece() = default;
    Piece(Piece&&) noexcept = default;
    Piece& operator=(Piece&&) noexcept = default;
    // A copy holds the text only, without the spare room.
    Piece(const Piece& other) { Append(other.View()); }
    Piece& operator=(const Piece& other) {
      if (this != &other) *this = Piece(other);
      return *this;
    }
    // Makes room for `more` characters, moving the text when it must.
    void Reserve(std::size_t more);
    void Append(std::string_view text) {
      Reserve(text.size());
      if (!text.empty()) std::memcpy(data.get() + size, text.data(), text.size());
      size += text.size();
    }
    std::string_view View() const { return {data.get(), size}; }
  };

  std::vector<Piece> pieces_;
  std::vector<std::uint64_t> starts_;
  std::size_t characters_ = 0;
};

// The report a session shows, shared by pointer: work that reads it beside
// the window holds it (Share) and reads the same lines to its end, because a
// new report replaces the pointer and never changes lines someone holds. Add
// copies the lines first while they are shared.
class SharedReport {
 public:
  SharedReport() : lines_(std::make_shared<ReportBuffer>()) {}
  SharedReport& operator=(ReportBuffer report) {
    lines_ = std::make_shared<ReportBuffer>(std::move(report));
    return *this;
  }
  operator const ReportBuffer&() const { return *lines_; }
  const ReportBuffer& operator*() const { return *lines_; }
  std::shared_ptr<const ReportBuffer> Share() const { return lines_; }

  std::size_t LineCount() const { return lines_->LineCount(); }
  std::size_t CharacterCount() const { return lines_->CharacterCount(); }
  std::string_view Line(std::size_t i) const { return lines_->Line(i); }
  std::string Bytes() const { return lines_->Bytes(); }
  bool WriteBytes(const std::function<bool(std::string_view)>& sink) const { return lines_->WriteBytes(sink); }
  void Add(std::string_view line);

 private:
  std::shared_ptr<ReportBuffer> lines_;
};

// Indexed by the whole RJD modulo 7: RJD 0 (1858 November 16) fell on a
// Tuesday.
inline constexpr const char* kWeekdayNames[7] = {"Tuesday", "Wednesday", "Thursday", "Friday",
                                                 "Saturday", "Sunday", "Monday"};
inline constexpr const char* kMonthNames[13] = {"",    "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

struct ReportNames {
  std::string observatory;  // site last picked, empty if none
  std::string limitsFile;   // limits file confirmed in its chooser, else empty
  std::string starFile;     // star data file confirmed in its chooser
};

// One event line in the layout of `outputMode`, its local time in `zone`
// (hours west: the run's zone, or a named zone's at the event). With
// `uncertainty` the line ends with the SigmaMark of its prediction.
std::string EventLine(const EventEntry& e, const data::StarEntry& star, double zone, std::int16_t outputMode,
                      bool uncertainty = false);

// The mark that ends an event line when the run shows how far off each
// prediction may be: " ±43m" (whole minutes, rounded) for a one-sigma
// uncertainty of a minute or more, " ±2.3h" (hours to one decimal) once the
// minutes would round to 120; empty under a minute. UTF-8, as the report is.
std::string SigmaMark(double sigmaDays);

// The night line of an event: the weekday of whole RJD floor(time). With a
// named zone the run passes the event's local day, so the weekday is the
// evening's on the local clock.
std::string NightLine(double time);

// The Moon of the night of local day `localDay` (whole RJD of the evening's
// local noon), as the night line ends with it when the run has the Moon:
// " Moon 71% lit, up 19:02-05:40". The fraction lit is the one at local
// midnight, rounded to a whole percent; "up" lists each stretch of the night
// (18:00 to 06:00 on the run's clock) during which the Moon's centre is above
// the horizon, found to the second and shown as the clock's hours and minutes:
// "up all night", "not up", or times, a night's edge shown as 18:00 or 06:00.
std::string MoonNightText(const PredictionOutcome& outcome, double localDay);

// The lines of the report's header: fourteen, and one more when the epochs
// are corrected. The last is the first night line.
std::size_t ReportHeaderLines(const PredictionOutcome& outcome);

// The whole report of a run that listed events. Engine::Literal builds every
// line with EventLine and NightLine, one after another: the reference.
// Engine::Fast lays out each star's fixed fields once, writes the numbers
// with the quick forms of report_fields.h and uses all cores (threads 0);
// the bytes are the same.
ReportBuffer BuildReport(const PredictionOutcome& outcome, const RunParameters& p,
                         const data::StarTable& stars, const ReportNames& names, Engine engine = Engine::Fast,
                         unsigned threads = 0);

}  // namespace tevaro::run
