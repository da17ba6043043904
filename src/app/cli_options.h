// Command line of tevaro-cli.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "export/formats.h"
#include "run/validation.h"

namespace tevaro::app {

struct CliOptions {
  std::string stars;
  std::optional<std::string> locations, limits, settings;
  std::optional<int> site;
  std::optional<std::string> longitude, latitude, zone, date, nights, maxSun, minStar;
  std::optional<std::string> events, columns;
  std::optional<astro::EpochScale> epochs;
  std::optional<bool> ignoreEa, dst;
  std::optional<bool> eclipse;  // test minima over their whole eclipse
  std::optional<bool> moon;  // --moon / --no-moon: the Moon in the report, whatever the options file says
  std::optional<bool> uncertainty;  // --uncertainty / --no-uncertainty: how far off each prediction may be
  std::optional<std::string> output;
  std::optional<std::string> pdf;
  std::string paper = "a4";  // a4 or letter
  std::optional<std::string> chart;       // night chart file, PNG or SVG
  std::optional<std::string> chartNight;  // its evening, YYYY-MM-DD
  // The event files, one per format of the table (--csv, --ics, --esl,
  // --plan, --targets), in the table's order.
  struct EventFile {
    const exports::EventFormat* format;
    std::string file;
  };
  std::vector<EventFile> eventFiles;
  std::optional<std::string> margin;       // --margin MIN: the observing windows' margin
  std::optional<std::string> eslSequence;  // --esl-sequence FILE.esq, with --esl
  // The choices of the event files; `margin` checked by ParseCli.
  exports::ExportChoices ExportChoices() const;
  bool help = false;
  bool version = false;

  // The outputs given, in the order they are written: the option and its
  // file, "-" for standard output. An output joins the checks of the
  // command line by its one line here.
  struct Output {
    const char* option;
    std::string file;
  };
  std::vector<Output> Outputs() const;
};

// A "--name=value" argument split at its first '='; any other argument whole,
// without a value.
struct LongOption {
  std::string name;
  std::optional<std::string> value;
};
LongOption SplitLongOption(const std::string& arg);

// --margin's minutes: a plain number from 0 to 720; nothing otherwise.
std::optional<double> MarginMinutes(const std::string& text);

// Parses argv[1..]; on a bad command line gives the reason in `error`.
std::optional<CliOptions> ParseCli(const std::vector<std::string>& args, std::string& error);

// The usage --help prints and a bad command line follows with.
std::string CliUsage();

// Two outputs that name the same file, which the second would replace, or an
// output that names a file the run reads: the reason, or nothing. Paths are compared as the writes resolve them (links
// followed, "." and ".." and the folders' links resolved), also for files not
// there yet.
std::optional<std::string> SameOutputFile(const CliOptions& options);

// The boxes of --events: a comma list of I, .25, II, .75, blanks around an
// item allowed; an empty list wants no event. On a bad item gives the reason.
bool ParseEvents(const std::string& list, std::array<int, 4>& boxes, std::string& error);

// --date YYYY-MM-DD into the three date fields, read as the window reads
// them: a part that is missing or not a number reads as 0.
void SplitDate(const std::string& date, run::InputFields& in);

}  // namespace tevaro::app
