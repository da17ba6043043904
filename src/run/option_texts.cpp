#include "run/option_texts.h"

#include <algorithm>
#include <iterator>
#include <string_view>

namespace tevaro::run {

namespace {

constexpr unsigned kBoth = kForCli | kForWindow;

// One row an option: programs, usage item, tag, text, window counterpart, Help topic.
const OptionText kOptions[] = {
    {kForCli, "--stars FILE", "--stars FILE",
     "The star data file: comma-separated text, two heading lines, then per star its name, right ascension HH.MMSS, "
     "declination DD.MMSS, epoch of primary minimum (HJD minus 2400000) and period in days, optionally followed by "
     "type, magnitudes at maximum and minimum and a comment, and as a tenth field the eclipse's duration in hours; "
     "or a file whose first line names its columns (name, ra, dec, epoch, period and any of type, max_mag, min_mag, "
     "comment, duration, duration_ii, secondary_phase, epoch_error, period_error, scale; see the README), one star "
     "a line. Required.",
     "File > Open Star data File ... (Ctrl+O), File > Open Recent (Ctrl+1 to Ctrl+8), or the file dropped on the "
     "main window",
     "Star files"},
    {kForCli, "[--locations FILE]", "--locations FILE",
     "The locations file (default Location.dat in the current folder): two heading lines, then name, longitude, "
     "latitude and time zone (hours or a zone name) per observatory.",
     "File > Open Locations File ..., or a file like Location.dat dropped on the main window", "Start-up files"},
    {kForCli, "[--limits FILE]", "--limits FILE",
     "The site limits file (default Limits.dat in the current folder): two heading lines, then declination and the "
     "east and west hour-angle limits per row.",
     "File > Open Site limits File ..., or a file like Limits.dat dropped on the main window", "Start-up files"},
    {kForCli, "[--settings FILE]", "--settings FILE",
     "The settings file (default tevaro6.ini in the current folder); missing or unreadable gives the defaults. It is "
     "never written.",
     nullptr, nullptr},
    {kForCli, "[--site N]", "--site N", "Picks entry N (0 for the first) of the locations file.", nullptr, nullptr},
    {kForCli, "[--longitude DMS]", "--longitude DMS", "Longitude of the observer, DD.MMSS, positive to the west.",
     nullptr, nullptr},
    {kForCli, "[--latitude DMS]", "--latitude DMS", "Latitude of the observer, DD.MMSS, positive to the north.",
     nullptr, nullptr},
    {kForCli, "[--zone H|NAME]", "--zone H|NAME",
     "Standard time zone in hours, positive to the west, or a zone name of the system's time-zone database (such as "
     "Europe/Berlin), whose changes of clock are followed instant by instant; the daylight-saving correction does not "
     "apply to a zone name.",
     "The Time Zone field, whose list offers the names that hold the text typed", "Time zone names"},
    {kForCli, "[--date YYYY-MM-DD]", "--date YYYY-MM-DD", "The evening date of the first night (default today).",
     nullptr, nullptr},
    {kForCli, "[--nights N]", "--nights N", "Number of nights.", nullptr, nullptr},
    {kForCli, "[--max-sun DEG]", "--max-sun DEG", "Highest Sun altitude, degrees (negative below the horizon).",
     nullptr, nullptr},
    {kForCli, "[--min-star DEG]", "--min-star DEG", "Lowest star altitude, degrees.", nullptr, nullptr},
    {kForCli, "[--events LIST]", "--events LIST",
     "A comma list of the events wanted: I (primary minimum), .25 (maximum at phase 0.25), II (secondary minimum), "
     ".75 (maximum at phase 0.75). An empty list wants none.",
     nullptr, nullptr},
    {kForCli, "[--columns altaz|airmass|dec]", "--columns altaz|airmass|dec",
     "The columns after the time: azimuth and altitude, hour angle and airmass, or hour angle and declination.",
     nullptr, nullptr},
    {kForCli, "[--epochs hjd-as-ut|hjd|bjd]", "--epochs hjd-as-ut|hjd|bjd",
     "How the star file's epochs are read: hjd-as-ut uses them unchanged as UT; hjd reads them as heliocentric Julian "
     "dates (UTC) and bjd as barycentric Julian dates (TDB), each event then listed at the UTC at which it is seen "
     "from the Earth. The default comes from tevaro-options.ini.",
     "Options > Epochs used as UT, Epochs in HJD or Epochs in BJD", "The Options menu"},
    {kForCli, "[--eclipse | --no-eclipse]", "--eclipse, --no-eclipse",
     "Test, or do not test, each minimum of a star whose file gives the eclipse's duration (the tenth field, hours) "
     "over the whole eclipse: at its start, middle and end and at instants between, against the Sun, the star "
     "altitude and the hour-angle limits. A minimum only partly observable is still listed at its middle, its line "
     "ending in part. The default comes from tevaro-options.ini.",
     "Options > Whole eclipse", "The Options menu"},
    {kForCli, "[--moon | --no-moon]", "--moon, --no-moon",
     "With the first, ends each night line with the Moon of that night (the fraction lit at local midnight and the "
     "times it is above the horizon between 18:00 and 06:00) and appends moon to each event whose star is near a "
     "bright Moon that is up: the Moon's centre above the horizon and its illuminated percentage plus 1000 divided by "
     "its distance from the star in degrees above 100. The default comes from tevaro-options.ini (moon = on); the "
     "second turns it off.",
     "Options > Moon", "The Options menu"},
    {kForCli, "[--uncertainty | --no-uncertainty]", "--uncertainty, --no-uncertainty",
     "With the first, shows how far off each prediction may be, from the epoch_error and period_error columns of a "
     "star file with named columns (days, one sigma): sigma = sqrt(epoch_error^2 + (E x period_error)^2) for cycle "
     "E. An event line whose sigma is a minute or more ends with it, in minutes or, from two hours, "
     "in hours; --eclipse tests each eclipse widened by 2 sigma at each end, and the exports widen their spans alike. The "
     "default comes from tevaro-options.ini (uncertainty = on); the second turns it off.",
     "Options > Show uncertainty", "The Options menu"},
    {kForCli, "[--ignore-ea | --no-ignore-ea]", "--ignore-ea, --no-ignore-ea",
     "Leave out, or keep, the secondary minima of EA stars.", nullptr, nullptr},
    {kForCli, "[--dst | --no-dst]", "--dst, --no-dst",
     "Turn the daylight-saving correction (the rule of Canada and the USA) on or off.", nullptr, nullptr},
    {kForCli, "[-o FILE]", "-o FILE, --output FILE",
     "Writes the report to FILE with CR LF line ends instead of printing it, through a temporary file renamed over "
     "the target.",
     "The output window's File > Save ...", "Saving and exporting"},
    {kForCli, "[--pdf FILE [--paper a4|letter]]", "--pdf FILE",
     "Writes the report's printed pages as a PDF, with -o or instead of printing the report.",
     "The output window's File > Export PDF ...", "Saving and exporting"},
    {kForCli, nullptr, "--paper a4|letter", "The paper of --pdf (default a4).", nullptr, nullptr},
    {kForCli, "[--chart FILE [--chart-night YYYY-MM-DD]]", "--chart FILE",
     "Writes the night chart of the first night with an event as a 1600 x 1000 PNG, or as SVG when FILE ends in "
     ".svg.",
     "The output window's View > Night chart (Ctrl+G), then its File > Save chart ...", "Saving and exporting"},
    {kForCli, nullptr, "--chart-night YYYY-MM-DD", "The evening whose night --chart draws.", nullptr, nullptr},
    {kForCli, "[--csv FILE]", "--csv FILE",
     "Writes the listed events as CSV (RFC 4180, UTF-8, CR LF line ends, one header row): one row per event, in the "
     "report's order, with every value the run has for it (see the README for the columns).",
     "The output window's File > Export events ..., with a name ending in .csv", "Export events"},
    {kForCli, "[--ics FILE]", "--ics FILE",
     "Writes the listed events as an iCalendar file, one calendar event per listed event, spanning the eclipse where "
     "the star file gives its duration and an hour centred on the event otherwise, whose UID stays the same for the "
     "same star's same event at the same site, so that a calendar importing a later run updates its events.",
     "The output window's File > Export events ..., with a name ending in .ics", "Export events"},
    {kForCli, "[--esl FILE --esl-sequence FILE.esq]", "--esl FILE",
     "Writes a scheduler list: one job per listed event, running the capture sequence --esl-sequence names from the "
     "start of the event's observing window to its end, on the run's clock (the scheduler's site must be the run's). "
     "An event's window is half its eclipse's duration (half an hour without one) plus --margin on each side.",
     "The output window's File > Export events ..., type Scheduler list", "Export events"},
    {kForCli, nullptr, "--esl-sequence FILE.esq", "The capture sequence each job of --esl runs; required with --esl.",
     nullptr, nullptr},
    {kForCli, "[--plan FILE]", "--plan FILE",
     "Writes an observatory plan: for each listed event #WAITUNTIL at its window's start, the target line (name, "
     "J2000 right ascension and declination, tab-separated) and #QUITAT at its window's end, in UTC, CR LF line ends.",
     "The output window's File > Export events ..., type Observatory plan", "Export events"},
    {kForCli, "[--targets FILE]", "--targets FILE",
     "Writes a target list: one CSV row per star with a listed event, its name and J2000 position; commas in names "
     "become blanks.",
     "The output window's File > Export events ..., type Target list", "Export events"},
    {kForCli, "[--margin MIN]", "--margin MIN",
     "The minutes (0 to 720, default 30) added on each side of an event's observing window; with it, --csv gains "
     "the window's ends as window_start_utc and window_end_utc.",
     nullptr, nullptr},
    {kForWindow, "[--folder DIR | --user-folder]", "--folder DIR, --folder=DIR",
     "Works in DIR: creates it (and its parents) when it does not exist, copies the installed Location.dat and "
     "Limits.dat into it when it lacks them, and into a folder it has just created the example star file stars.csv; "
     "files it already has are kept. A folder that cannot be created or entered is reported and nothing is written.",
     "Starting the program in a folder of its own", "Your own folder"},
    {kForWindow, nullptr, "--user-folder",
     "The same as --folder ~/Tevaro; the application menu starts the program so.",
     "Starting the program from the application menu", "Your own folder"},
    {kBoth, nullptr, "--help", "Prints the usage on standard output and exits with status 0.", nullptr, nullptr},
    {kBoth, nullptr, "--version", "Prints the program's name and version and exits with status 0.", nullptr, nullptr},
};

// An option name inside a text: "-o", "--pdf" (not "-" alone, nor "-12").
bool IsOptionWord(const std::string& word) {
  const std::size_t dashes = word.rfind("--", 0) == 0 ? 2 : word.rfind('-', 0) == 0 ? 1 : 0;
  return dashes > 0 && word.size() > dashes && word[dashes] >= 'a' && word[dashes] <= 'z';
}

// Text for troff: backslashes doubled, hyphens of option words as minus signs.
std::string Troff(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') out += "\\e";
    else if (c == '-') out += "\\-";
    else out += c;
  }
  return out;
}

// A text as one troff line: option names in bold; a line that would start
// with a control character is guarded.
std::string TroffParagraph(const std::string& text) {
  std::string out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t end = std::min(text.find(' ', pos), text.size());
    std::string word = text.substr(pos, end - pos);
    // Punctuation after an option name stays outside the bold.
    std::size_t keep = word.size();
    while (keep > 0 && std::string_view(",.;:)").find(word[keep - 1]) != std::string_view::npos) --keep;
    const std::string core = word.substr(0, keep), tail = word.substr(keep);
    if (IsOptionWord(core)) out += "\\fB" + Troff(core) + "\\fR" + tail;
    else out += word;  // hyphens inside words and numbers stay hyphens
    if (end < text.size()) out += ' ';
    pos = end + 1;
  }
  if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
  return out;
}

// The tag: option names bold, their values italic, separators plain.
std::string TroffTag(const std::string& tag) {
  std::string out;
  std::size_t pos = 0;
  while (pos < tag.size()) {
    const std::size_t end = std::min(tag.find(' ', pos), tag.size());
    std::string word = tag.substr(pos, end - pos);
    const bool comma = !word.empty() && word.back() == ',';
    if (comma) word.pop_back();
    const std::size_t eq = word.find('=');
    if (IsOptionWord(word) && eq != std::string::npos)
      out += "\\fB" + Troff(word.substr(0, eq + 1)) + "\\fI" + Troff(word.substr(eq + 1)) + "\\fR";
    else if (IsOptionWord(word)) out += "\\fB" + Troff(word) + "\\fR";
    else out += "\\fI" + Troff(word) + "\\fR";
    if (comma) out += ',';
    if (end < tag.size()) out += ' ';
    pos = end + 1;
  }
  return out;
}

const char* ProgramOf(const OptionText& row) { return (row.programs & kForCli) != 0 ? "tevaro-cli" : "tevaro"; }

}  // namespace

std::span<const OptionText> OptionTexts() { return kOptions; }

std::string WrapText(const std::string& text, std::size_t indent, std::size_t width) {
  std::string out, line;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find(' ', pos);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(pos, end - pos);
    pos = end + 1;
    if (word.empty()) continue;
    if (!line.empty() && indent + line.size() + 1 + word.size() > width) {
      out += std::string(indent, ' ') + line + "\n";
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
  }
  if (!line.empty()) out += std::string(indent, ' ') + line + "\n";
  return out;
}

std::string UsageText(const char* program, unsigned which, const std::string& intro, const std::string& outro) {
  const std::string lead = std::string("usage: ") + program + " ";
  std::string items;
  for (const OptionText& row : kOptions)
    if ((row.programs & which) != 0 && row.usage != nullptr) items += std::string(items.empty() ? "" : " ") + row.usage;
  // The usage items break only between items, never inside brackets.
  std::string out, line;
  int depth = 0;
  std::string item;
  auto flush = [&] {
    if (!line.empty() && lead.size() + line.size() + 1 + item.size() > 80) {
      out += (out.empty() ? lead : std::string(lead.size(), ' ')) + line + "\n";
      line.clear();
    }
    line += (line.empty() ? "" : " ") + item;
    item.clear();
  };
  for (char c : items) {
    if (c == '[') ++depth;
    if (c == ']') --depth;
    if (c == ' ' && depth == 0) flush();
    else item += c;
  }
  if (!item.empty()) flush();
  out += (out.empty() ? lead : std::string(lead.size(), ' ')) + line + "\n";
  out += std::string(lead.size() - std::string(program).size() - 1, ' ') + program + " --help | --version\n\n";
  out += intro + "\nOptions:\n";
  for (const OptionText& row : kOptions) {
    if ((row.programs & which) == 0) continue;
    out += std::string("  ") + row.tag + "\n" + WrapText(row.text, 6);
  }
  return out + "\n" + outro;
}

std::string ManOptions(unsigned which) {
  std::string out;
  for (const OptionText& row : kOptions)
    if ((row.programs & which) != 0) out += ".TP\n" + TroffTag(row.tag) + "\n" + TroffParagraph(row.text) + "\n";
  return out;
}

std::vector<HelpTopic> HelpTopics() {
  std::vector<HelpTopic> topics;
  for (const OptionText& row : kOptions) {
    if (row.topic == nullptr) continue;
    auto it = std::find_if(topics.begin(), topics.end(), [&](const HelpTopic& t) { return t.title == row.topic; });
    if (it == topics.end()) it = topics.insert(topics.end(), HelpTopic{row.topic, {}});
    if (!it->text.empty()) it->text += "\n";
    it->text += std::string(row.window) + ": " + row.text + " (" + ProgramOf(row) + " " + row.tag + ")";
  }
  topics.push_back(
      {"The options file",
       "Choices beyond the settings file tevaro6.ini are kept beside it in tevaro-options.ini, one key = value a line: "
       "epochs (hjd-as-ut, hjd or bjd), zone (a zone name), eclipse, moon and uncertainty (on or off), esl_sequence (the "
       "capture sequence of the last scheduler list), the star files last loaded "
       "(recent-stars-1 to recent-stars-8) and the places of the main window and the night chart (main-window, "
       "chart-window: left, top, width and height in twips). Lines the program does not know are kept as they are. "
       "tevaro-cli reads the file beside its settings file and never writes it."});
  return topics;
}

}  // namespace tevaro::run
