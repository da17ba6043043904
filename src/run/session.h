// Everything one user's work with the program holds between events: the run's
// inputs, the loaded tables, the last report and the names of the files. The
// main window owns one Session and passes it to the other windows; the batch
// front end owns one too, so both run the same steps.
#pragma once

#include <optional>
#include <string>

#include "astro/tables.h"
#include "data/limits_file.h"
#include "data/load_result.h"
#include "data/locations_file.h"
#include "data/settings_file.h"
#include "data/star_file.h"
#include "run/error_texts.h"
#include "run/prediction.h"
#include "run/report.h"
#include "run/validation.h"

namespace tevaro::run {

// `name` inside `folder`; a name alone when the folder is empty.
std::string PathIn(const std::string& folder, const std::string& name);

// The texts a site pick puts into the longitude, latitude and zone fields.
struct SiteFieldTexts {
  std::string longitude, latitude, zone;
  std::string caption;  // "Tevaro - " + the site's name
};

struct CalculateResult {
  enum class Status { InvalidInput, FilesMissing, NoEvent, Listed };
  Status status = Status::InvalidInput;
  std::string message;  // the message to show; empty when Listed
};

class Session {
 public:
  RunParameters params;
  LoadedFlags loaded;
  data::StarTable stars;
  data::SiteTable sites;
  astro::LimitsTable limits;
  ReportBuffer report;
  data::OutputPlacement placement;
  std::string label23Caption;  // caption the last run gave Label23
  ErrorTexts errorTexts;       // filled at start-up

  std::string startFolder;  // the folder the program started in; the settings live here
  std::string chosenFolder;  // folder of the last OK in any file chooser
  std::string starFileName, locationsFileName, limitsFileName, reportFileName;
  std::string siteName;  // observatory last picked, empty until the first pick

  // Settings into the run's inputs and the output window's placement, and back.
  void ApplySettings(const data::Settings& s);
  data::Settings CurrentSettings() const;

  // Reads "tevaro6.ini" in startFolder (defaults on any failure) and applies it.
  void LoadSettingsFile();
  // Writes the current settings into startFolder; the reason of a failure, or empty.
  std::string SaveSettingsFile() const;

  // Each load reads into a new table and replaces the old one only on
  // success, setting its flag; on failure nothing changes.
  std::optional<data::LoadFailure> LoadStars(const std::string& path);
  std::optional<data::LoadFailure> LoadLocations(const std::string& path);
  std::optional<data::LoadFailure> LoadLimits(const std::string& path);

  // A file confirmed in a chooser: `name` as typed inside `folder`. Each
  // records chosenFolder; on success the file's table, flag and name change,
  // on failure nothing else does, so the report header keeps naming the file
  // whose data a run uses.
  std::optional<data::LoadFailure> OpenStarFile(const std::string& folder, const std::string& name);
  std::optional<data::LoadFailure> OpenLocationsFile(const std::string& folder, const std::string& name);
  std::optional<data::LoadFailure> OpenLimitsFile(const std::string& folder, const std::string& name);

  // Writes the report, each line ending in CR LF, to `name` inside `folder`
  // through a temporary file renamed over the target; records chosenFolder and
  // reportFileName. The reason of a failure, or empty. The report is unchanged.
  std::string SaveReport(const std::string& folder, const std::string& name);

  // The site list entry that a locations load selects: params.siteIndex when
  // it names an entry, otherwise -1 (nothing selected).
  int SiteToSelect() const;

  // Site pick of entry k: sets siteName and gives the field texts. k must be
  // a valid entry.
  SiteFieldTexts SelectSite(int k);

  // The Calculate steps: validation, the loaded-files gate, the run, and on
  // success the report into `report`. A run without events leaves the report.
  CalculateResult Calculate(const InputFields& in, Engine engine = Engine::Fast);

 private:
  using Loader = std::optional<data::LoadFailure> (Session::*)(const std::string&);
  // Records chosenFolder, loads `name` inside `folder`, and on success
  // records the name in `recordedName`.
  std::optional<data::LoadFailure> OpenFile(Loader load, std::string& recordedName, const std::string& folder,
                                            const std::string& name);
};

}  // namespace tevaro::run
