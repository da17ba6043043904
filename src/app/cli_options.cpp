#include "app/cli_options.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include "data/load_result.h"
#include "data/options_file.h"
#include "data/settings_file.h"

#include "astro/calendar.h"
#include "run/number_input.h"
#include "run/option_texts.h"

namespace tevaro::app {

std::string CliUsage() {
  // The options come from their table; here only what is said around them.
  return run::UsageText(
      "tevaro-cli", run::kForCli,
      run::WrapText("Predicts the eclipsing-binary events of the star file for the nights from the evening date on "
                    "and prints the report. Values not given come from the settings file (default tevaro6.ini here); "
                    "Location.dat and Limits.dat are read from this folder unless named. Angles are DD.MMSS "
                    "(122.50515 is 122 degrees 50 minutes 51.5 seconds); longitudes and time zones count positive to "
                    "the west. Every option that takes a value also takes it as --option=VALUE.",
                    0),
      run::WrapText("Any of -o, --pdf, --chart, --csv, --ics, --esl, --plan and --targets replaces printing the report. FILE - is standard "
                    "output, for one of them at most (--chart - writes PNG); no two of them may name the same file, "
                    "nor a file the run reads.",
                    0) +
          run::WrapText("Exit status: 0 report written, 1 no event in the span, 2 invalid input or a data file "
                        "missing or unreadable.",
                        0));
}

std::vector<CliOptions::Output> CliOptions::Outputs() const {
  std::vector<Output> outputs;
  for (const auto& [option, file] : {std::pair<const char*, const std::optional<std::string>&>{"-o", output},
                                     {"--pdf", pdf},
                                     {"--chart", chart}})
    if (file) outputs.push_back({option, *file});
  for (const EventFile& e : eventFiles) outputs.push_back({e.format->option.data(), e.file});
  return outputs;
}

std::optional<std::string> SameOutputFile(const CliOptions& options) {
  const std::vector<CliOptions::Output> outputs = options.Outputs();
  std::vector<std::string> targets;
  for (const CliOptions::Output& out : outputs) targets.push_back(data::WriteTarget(out.file));
  for (std::size_t b = 1; b < outputs.size(); ++b)
    for (std::size_t a = 0; a < b; ++a)
      if (outputs[a].file != "-" && outputs[b].file != "-" && targets[a] == targets[b])
        return std::string(outputs[a].option) + " " + outputs[a].file + " and " + outputs[b].option + " " +
               outputs[b].file + " name the same file";
  // Nor may an output replace a file the run reads: the star file, the
  // start-up files (named or by their default names) or the options file.
  const std::string settings = options.settings.value_or(data::kSettingsFileName);
  const std::string settingsFolder = std::filesystem::path(settings).parent_path().string();
  const std::pair<const char*, std::string> inputs[] = {
      {"--stars", options.stars},
      {"--locations", options.locations.value_or("Location.dat")},
      {"--limits", options.limits.value_or("Limits.dat")},
      {"--settings", settings},
      {"the options file", data::OptionsPath(settingsFolder.empty() ? "." : settingsFolder)}};
  for (std::size_t o = 0; o < outputs.size(); ++o) {
    if (outputs[o].file == "-") continue;
    for (const auto& [what, file] : inputs)
      if (!file.empty() && data::WriteTarget(file) == targets[o])
        return std::string(outputs[o].option) + " " + outputs[o].file + " would replace " + what + " " + file +
               ", which the run reads";
  }
  return std::nullopt;
}

exports::ExportChoices CliOptions::ExportChoices() const {
  exports::ExportChoices c;
  if (margin) c.marginMinutes = MarginMinutes(*margin);
  c.sequence = eslSequence.value_or("");
  return c;
}

LongOption SplitLongOption(const std::string& arg) {
  const std::size_t eq = arg.find('=');
  if (arg.rfind("--", 0) != 0 || eq == std::string::npos) return {arg, std::nullopt};
  return {arg.substr(0, eq), arg.substr(eq + 1)};
}

namespace {

// The event format whose option `a` is; nullptr for none.
const exports::EventFormat* EventFormatOption(const std::string& a) {
  return a.rfind("--", 0) == 0 ? exports::FormatNamed(std::string_view(a).substr(2)) : nullptr;
}

// An event file given (again): the last of one format wins, and the files
// keep the table's order.
void SetEventFile(CliOptions& o, const exports::EventFormat* format, const std::string& file) {
  const auto at = std::find_if(o.eventFiles.begin(), o.eventFiles.end(),
                               [format](const CliOptions::EventFile& e) { return e.format >= format; });
  if (at != o.eventFiles.end() && at->format == format) at->file = file;
  else o.eventFiles.insert(at, {format, file});
}

}  // namespace

// --margin's minutes: a plain number from 0 to 720; nothing otherwise.
std::optional<double> MarginMinutes(const std::string& text) {
  if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos) return std::nullopt;
  double minutes = -1;  // read with a point in any locale
  const auto r = std::from_chars(text.data(), text.data() + text.size(), minutes);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size() || !(minutes >= 0 && minutes <= 720))
    return std::nullopt;
  return minutes;
}

namespace {

// Whether day `day` of month `month` (1 to 12) of `year` is on the calendar.
bool OnTheCalendar(int year, int month, int day) {
  constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const int last = kDays[month - 1] + (month == 2 && astro::IsLeapYear(year) ? 1 : 0);
  return day >= 1 && day <= last;
}

// A --date whose three parts are numbers and whose month is one, but whose
// day is not in that month (the window's fields would carry it into the
// next or the last month). Other texts meet the fields' own checks.
bool DayOffTheCalendar(const std::string& date) {
  run::InputFields parts;
  SplitDate(date, parts);
  for (const std::string* part : {&parts.year, &parts.month, &parts.day})
    if (!run::IsNumberText(*part)) return false;
  const auto year = run::ReadInt16(parts.year), month = run::ReadInt16(parts.month), day = run::ReadInt16(parts.day);
  if (!year || !month || !day || *month < 1 || *month > 12) return false;
  return !OnTheCalendar(*year, *month, *day);
}

}  // namespace

std::optional<CliOptions> ParseCli(const std::vector<std::string>& args, std::string& error) {
  CliOptions o;
  bool paperGiven = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    // "--name=value" is "--name value" for every option that takes a value;
    // an option that takes none refuses it (checked after the match below).
    const LongOption split = SplitLongOption(args[i]);
    const std::string& a = split.name;
    bool valueTaken = false;
    auto value = [&](std::optional<std::string>& into) {
      valueTaken = true;
      if (split.value) {
        into = *split.value;
        return true;
      }
      if (i + 1 >= args.size()) {
        error = a + " needs a value";
        return false;
      }
      into = args[++i];
      return true;
    };
    std::optional<std::string> text;
    if (a == "--help" || a == "-h") {
      o.help = true;
    } else if (a == "--stars") {
      if (!value(text)) return std::nullopt;
      o.stars = *text;
    } else if (a == "--site") {
      if (!value(text)) return std::nullopt;
      char* end = nullptr;
      const long n = std::strtol(text->c_str(), &end, 10);
      if (text->empty() || *end != '\0' || n < 0 || n > 1000) {
        error = "--site takes an entry number from 0 on, not '" + *text + "'";
        return std::nullopt;
      }
      o.site = static_cast<int>(n);
    } else if (a == "--locations") { if (!value(o.locations)) return std::nullopt;
    } else if (a == "--limits") { if (!value(o.limits)) return std::nullopt;
    } else if (a == "--settings") { if (!value(o.settings)) return std::nullopt;
    } else if (a == "--longitude") { if (!value(o.longitude)) return std::nullopt;
    } else if (a == "--latitude") { if (!value(o.latitude)) return std::nullopt;
    } else if (a == "--zone") { if (!value(o.zone)) return std::nullopt;
    } else if (a == "--date") {
      if (!value(o.date)) return std::nullopt;
      if (DayOffTheCalendar(*o.date)) {
        error = "--date takes a calendar date YYYY-MM-DD, not '" + *o.date + "'";
        return std::nullopt;
      }
    } else if (a == "--nights") { if (!value(o.nights)) return std::nullopt;
    } else if (a == "--max-sun") { if (!value(o.maxSun)) return std::nullopt;
    } else if (a == "--min-star") { if (!value(o.minStar)) return std::nullopt;
    } else if (a == "--events") { if (!value(o.events)) return std::nullopt;
    } else if (a == "--columns") { if (!value(o.columns)) return std::nullopt;
    } else if (a == "-o" || a == "--output") { if (!value(o.output)) return std::nullopt;
    } else if (a == "--pdf") { if (!value(o.pdf)) return std::nullopt;
    } else if (a == "--chart") { if (!value(o.chart)) return std::nullopt;
    } else if (const exports::EventFormat* format = EventFormatOption(a)) {
      if (!value(text)) return std::nullopt;
      SetEventFile(o, format, *text);
    } else if (a == "--margin") {
      if (!value(o.margin)) return std::nullopt;
      if (!MarginMinutes(*o.margin)) {
        error = "--margin takes minutes from 0 to 720, not '" + *o.margin + "'";
        return std::nullopt;
      }
    } else if (a == "--esl-sequence") { if (!value(o.eslSequence)) return std::nullopt;
    } else if (a == "--chart-night") {
      if (!value(o.chartNight)) return std::nullopt;
      const std::string& d = *o.chartNight;
      bool ok = d.size() == 10 && d[4] == '-' && d[7] == '-';
      for (std::size_t k = 0; ok && k < d.size(); ++k) ok = k == 4 || k == 7 || (d[k] >= '0' && d[k] <= '9');
      if (ok) {
        const int month = std::stoi(d.substr(5, 2));
        ok = month >= 1 && month <= 12 && OnTheCalendar(std::stoi(d.substr(0, 4)), month, std::stoi(d.substr(8, 2)));
      }
      if (!ok) {
        error = "--chart-night takes an evening date YYYY-MM-DD, not '" + d + "'";
        return std::nullopt;
      }
    } else if (a == "--epochs") {
      if (!value(text)) return std::nullopt;
      o.epochs = astro::EpochScaleFromName(*text);
      if (!o.epochs) {
        error = "--epochs takes " + astro::EpochScaleNameList() + ", not '" + *text + "'";
        return std::nullopt;
      }
    } else if (a == "--paper") {
      if (!value(text)) return std::nullopt;
      if (*text != "a4" && *text != "letter") {
        error = "--paper takes a4 or letter, not '" + *text + "'";
        return std::nullopt;
      }
      o.paper = *text;
      paperGiven = true;
    } else if (a == "--ignore-ea") { o.ignoreEa = true;
    } else if (a == "--no-ignore-ea") { o.ignoreEa = false;
    } else if (a == "--dst") { o.dst = true;
    } else if (a == "--no-dst") { o.dst = false;
    } else if (a == "--eclipse") { o.eclipse = true;
    } else if (a == "--no-eclipse") { o.eclipse = false;
    } else if (a == "--moon") { o.moon = true;
    } else if (a == "--no-moon") { o.moon = false;
    } else if (a == "--uncertainty") { o.uncertainty = true;
    } else if (a == "--no-uncertainty") { o.uncertainty = false;
    } else if (a == "--version") { o.version = true;
    } else {
      error = "unknown option '" + a + "'";
      return std::nullopt;
    }
    if (split.value && !valueTaken) {
      error = a + " takes no value";
      return std::nullopt;
    }
  }
  if (paperGiven && !o.pdf) {
    error = "--paper goes with --pdf FILE";
    return std::nullopt;
  }
  if (o.chartNight && !o.chart) {
    error = "--chart-night goes with --chart FILE";
    return std::nullopt;
  }
  const auto hasFormat = [&o](std::string_view name) {
    return std::any_of(o.eventFiles.begin(), o.eventFiles.end(),
                       [name](const CliOptions::EventFile& e) { return e.format->option.substr(2) == name; });
  };
  if (hasFormat("esl") != o.eslSequence.has_value()) {
    error = o.eslSequence ? "--esl-sequence goes with --esl FILE" : "--esl FILE needs --esl-sequence FILE.esq";
    return std::nullopt;
  }
  if (o.margin && !hasFormat("csv") && !hasFormat("esl") && !hasFormat("plan")) {
    error = "--margin goes with --csv, --esl or --plan";
    return std::nullopt;
  }
  const char* toStdout = nullptr;
  for (const CliOptions::Output& out : o.Outputs()) {
    if (out.file != "-") continue;
    if (toStdout) {
      error = std::string(toStdout) + " - and " + out.option + " - cannot both write to standard output";
      return std::nullopt;
    }
    toStdout = out.option;
  }
  if (!o.help && !o.version && o.stars.empty()) {
    error = "--stars FILE is required";
    return std::nullopt;
  }
  return o;
}

// The boxes of --events: a comma list of I, .25, II, .75, blanks around an
// item allowed. An empty list wants no event, as all boxes cleared.
bool ParseEvents(const std::string& list, std::array<int, 4>& boxes, std::string& error) {
  boxes = {0, 0, 0, 0};
  if (list.find_first_not_of(' ') == std::string::npos) return true;
  std::size_t pos = 0;
  while (pos <= list.size()) {
    const std::size_t comma = std::min(list.find(',', pos), list.size());
    std::string item = list.substr(pos, comma - pos);
    item.erase(0, item.find_first_not_of(' '));
    item.erase(item.find_last_not_of(' ') + 1);
    if (item == "I") boxes[0] = 1;
    else if (item == ".25") boxes[1] = 1;
    else if (item == "II") boxes[2] = 1;
    else if (item == ".75") boxes[3] = 1;
    else {
      error = "--events takes a comma list of I, .25, II, .75, not '" + item + "'";
      return false;
    }
    pos = comma + 1;
  }
  return true;
}

// --date YYYY-MM-DD into the three date fields, read as the window reads
// them: a part that is missing or not a number reads as 0 and meets the
// field's own check.
void SplitDate(const std::string& date, run::InputFields& in) {
  const std::size_t a = date.find('-');
  const std::size_t b = a == std::string::npos ? a : date.find('-', a + 1);
  in.year = date.substr(0, a);
  in.month = a == std::string::npos ? std::string() : date.substr(a + 1, b == std::string::npos ? b : b - a - 1);
  in.day = b == std::string::npos ? std::string() : date.substr(b + 1);
}

}  // namespace tevaro::app
