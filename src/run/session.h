// Everything one user's work with the program holds between events: the run's
// inputs, the loaded tables, the last report and the names of the files. The
// main window owns one Session and passes it to the other windows; the batch
// front end owns one too, so both run the same steps.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "astro/tables.h"
#include "data/limits_file.h"
#include "data/load_result.h"
#include "data/locations_file.h"
#include "data/options_file.h"
#include "data/settings_file.h"
#include "data/star_file.h"
#include "run/night_chart.h"
#include "run/prediction.h"
#include "run/report.h"
#include "run/star_check.h"
#include "run/validation.h"

namespace tevaro::run {

// `name` inside `folder`; a name alone when the folder is empty.
std::string PathIn(const std::string& folder, const std::string& name);

// The name of the file `name` in `folder` as the file system has it: `name`
// itself when it exists, else the one entry of the folder whose name matches
// it ignoring the case of ASCII letters; `name` when there is none or more
// than one.
std::string ExistingName(const std::string& folder, const std::string& name);

// The texts a site pick puts into the longitude, latitude and zone fields.
struct SiteFieldTexts {
  std::string longitude, latitude, zone;
  std::string caption;  // "Tevaro - " + the site's name
};

// The evening date start-up puts into the date fields: today's.
struct CalendarDay {
  int year = 2011, month = 5, day = 4;
};

// The files start-up reads. Unset: "tevaro6.ini" in the start folder, and
// "Location.dat" and "Limits.dat" by bare name in the current folder.
// The options file is "tevaro-options.ini" beside the settings file.
struct StartUpFiles {
  std::optional<std::string> settings, locations, limits;
};

struct StartUpResult {
  // Why a data file was not loaded; unset when it was. Start-up itself shows
  // nothing: the loaded-files check of Calculate speaks for a missing file.
  std::optional<data::FileFailure> locationsFailure, limitsFailure;
  // An options file that exists but could not be read: why. It is used as
  // no file and never written over; the front end says so once.
  std::optional<data::FileFailure> optionsFailure;
  // The start-up files' lines read all the same: the options file's values
  // it does not know, then the locations file's (Session::siteWarnings).
  std::vector<data::FileWarning> warnings;
  // What start-up puts into the main window's controls, and so what a
  // Calculate reads when nothing is changed.
  InputFields fields;
};

// What a run that reaches the event bound shows.
std::string TooManyEventsMessage(std::size_t maxEvents);

struct CalculateResult {
  enum class Status { InvalidInput, FilesMissing, NoEvent, TooManyEvents, Listed, Cancelled };
  Status status = Status::InvalidInput;
  std::string message;  // the message to show; empty when Listed
};

// Everything a run reads, copied from the session when Calculate passes its
// checks, so that the run can go on beside the window while the user keeps
// working with the session.
struct RunInputs {
  RunParameters params;
  data::StarTable stars;
  astro::LimitsTable limits;
  ReportNames names;
  std::string siteName;
  std::size_t maxEvents = kMaxEvents;
  Engine engine = Engine::Fast;
  bool keepEvents = false;  // keep the events with the run (the night chart is open)
};

// What a run gives: its outcome's status and, when it listed events, the
// report and the run for the chart. Touches nothing of the session.
struct RunProduct {
  CalculateResult result;
  std::int16_t zone = 0;
  std::int32_t eveningDayNumber = 0;
  std::string label23Caption;
  ReportBuffer report;
  std::shared_ptr<const ListedRun> run;
};

// The run of `in`; `cancel` turning true stops it with the Cancelled status.
RunProduct ComputeRun(RunInputs in, const std::atomic<bool>* cancel = nullptr);

class Session {
 public:
  RunParameters params;
  LoadedFlags loaded;
  data::StarTable stars;
  data::SiteTable sites;
  astro::LimitsTable limits;
  SharedReport report;
  data::OutputPlacement placement;
  std::string label23Caption;  // caption the last run gave Label23
  // The run the report was built from, for the night chart; null until one listed events.
  std::shared_ptr<const ListedRun> lastRun;

  // The options file as read at start-up (unknown lines kept), and whether
  // there was one: a run with every choice at its default writes none.
  data::OptionsFile options;
  bool optionsFromFile = false;
  bool optionsUnreadable = false;  // a file there that could not be read: never written

  std::string startFolder;  // the folder the program started in; the settings live here
  std::string chosenFolder;  // folder of the last OK in any file chooser
  std::string starFileName, locationsFileName, limitsFileName, reportFileName;
  std::string siteName;  // observatory last picked, empty until the first pick
  // The stars of the loaded star file that no run can use, named at its load.
  std::vector<StarWarning> starWarnings;
  // The loaded star file's lines read all the same (columns it does not know).
  std::vector<data::FileWarning> starFileWarnings;
  // The lines of the loaded locations file read all the same, named at its load.
  std::vector<data::FileWarning> siteWarnings;
  std::size_t maxEvents = kMaxEvents;  // the event bound of a run

  // The program's start-up from `folder`, in its order: the settings, the
  // locations file with the saved site selected, the fields' texts with
  // `today` as the evening date, the limits file. Every text given to a field
  // has its change rule applied, so the RunParameters are what the window's
  // fields hold.
  StartUpResult StartUp(const std::string& folder, const CalendarDay& today, const StartUpFiles& files = {});

  // Settings into the run's inputs and the output window's placement, and back.
  void ApplySettings(const data::Settings& s);
  data::Settings CurrentSettings() const;

  // Reads "tevaro6.ini" in startFolder (defaults on any failure) and applies it.
  void LoadSettingsFile();
  // Writes the current settings into startFolder.
  data::WriteResult SaveSettingsFile() const;

  // The options file's choices into the run's inputs: the epoch scale, the
  // whole eclipse ("eclipse = on"), the Moon ("moon = on"), the predictions'
  // uncertainty ("uncertainty = on") and, as the zone field's text, a named zone; values
  // in any case of letters. Unknown keys leave the defaults, as does a value
  // not known, which gives a warning naming its line in `file`.
  std::vector<data::FileWarning> ApplyOptions(const data::OptionsFile& o, const std::string& file = {});
  // The options file with the current choices: a line is rewritten only when
  // the choice it reads as changed (a value not known reads as the default),
  // so it otherwise keeps its bytes. Nothing to write when there was no file
  // and every choice is at its default, or the file could not be read.
  std::optional<data::OptionsFile> CurrentOptions() const;
  // Writes the options file into startFolder when CurrentOptions has one.
  data::WriteResult SaveOptionsFile() const;

  // Each load reads into a new table and replaces the old one only on
  // success, setting its flag; on failure nothing changes. A locations load
  // then selects the saved site (SelectSite), when the list has it.
  std::optional<data::FileFailure> LoadStars(const std::string& path);
  std::optional<data::FileFailure> LoadLocations(const std::string& path);
  std::optional<data::FileFailure> LoadLimits(const std::string& path);

  // A file confirmed in a chooser: `name` as typed inside `folder`. Each
  // records chosenFolder. A name that does not exist stands for the one file
  // of the folder that matches it ignoring case (ExistingName). On success the
  // file's table, flag and the name as the file system has it change,
  // on failure nothing else does, so the report header keeps naming the file
  // whose data a run uses.
  std::optional<data::FileFailure> OpenStarFile(const std::string& folder, const std::string& name);
  std::optional<data::FileFailure> OpenLocationsFile(const std::string& folder, const std::string& name);
  std::optional<data::FileFailure> OpenLimitsFile(const std::string& folder, const std::string& name);

  // Writes the report, each line ending in CR LF, to `name` inside `folder`
  // through a temporary file renamed over the target; records chosenFolder and
  // reportFileName. The report is unchanged.
  data::WriteResult SaveReport(const std::string& folder, const std::string& name);

  // The site list entry that a locations load selects: params.siteIndex when
  // it names an entry, otherwise -1 (nothing selected).
  int SiteToSelect() const;

  // The texts a pick of entry k puts into the fields. k must be a valid entry.
  SiteFieldTexts SiteTexts(int k) const;
  // Site pick of entry k: sets siteName and stores the site's longitude,
  // latitude and zone through the fields' change rules, whatever the fields
  // held before; gives the texts for the fields. k must be a valid entry.
  SiteFieldTexts SelectSite(int k);

  // The Calculate steps: validation, the loaded-files gate, the run, and on
  // success the report into `report`. A run without events, or one past the
  // event bound, leaves the report. It is the three steps below in a row, the
  // ones the window takes with the run beside it.
  CalculateResult Calculate(const InputFields& in, Engine engine = Engine::Fast);

  // Calculate in three steps, for a run beside the window: the checks, which
  // on success give the run's inputs; the run (ComputeRun, on any thread);
  // and taking its product into the session. A cancelled product changes
  // nothing.
  std::optional<CalculateResult> CheckForRun(const InputFields& in, RunInputs& inputs, Engine engine = Engine::Fast);
  CalculateResult AcceptRun(RunProduct&& product);

 private:
  using Loader = std::optional<data::FileFailure> (Session::*)(const std::string&);
  // Records chosenFolder, loads `name` inside `folder`, and on success
  // records the name in `recordedName`.
  std::optional<data::FileFailure> OpenFile(Loader load, std::string& recordedName, const std::string& folder,
                                            const std::string& name);
};

}  // namespace tevaro::run
