// The report: fourteen header lines, night lines and fixed-column event lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/star_file.h"
#include "run/prediction.h"
#include "run/validation.h"

namespace tevaro::run {

// The report's lines, held in one text with line starts, so a report of a
// million lines costs little more than its characters.
class ReportBuffer {
 public:
  std::size_t LineCount() const { return starts_.size(); }
  // Characters of all lines together, line ends not counted.
  std::size_t CharacterCount() const { return text_.size(); }
  // Line i, 1-based as the window counts them.
  std::string_view Line(std::size_t i) const;
  void Add(std::string_view line);
  // Appends every line of `other`.
  void Append(const ReportBuffer& other);
  void Reserve(std::size_t lines, std::size_t characters);
  void Clear();
  // Every line followed by CR LF, the last included: the bytes of a saved report.
  std::string Bytes() const;

 private:
  std::string text_;
  std::vector<std::size_t> starts_;
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

// One event line in the layout of `outputMode`.
std::string EventLine(const EventEntry& e, const data::StarEntry& star, std::int16_t zone,
                      std::int16_t outputMode);

// The night line of an event.
std::string NightLine(double time);

// The whole report of a run that listed events.
ReportBuffer BuildReport(const PredictionOutcome& outcome, const RunParameters& p,
                         const data::StarTable& stars, const ReportNames& names);

}  // namespace tevaro::run
