#include "run/session.h"

#include "astro/angles.h"

namespace tevaro::run {

void Session::ApplySettings(const data::Settings& s) {
  placement = s.placement;
  params.siteIndex = s.siteIndex;
  params.longitudeDms = s.longitudeDms;
  params.latitudeDms = s.latitudeDms;
  params.standardZone = s.standardZone;
  params.dayCount = s.dayCount;
  params.maxSunAltitude = s.maxSunAltitude;
  params.minStarAltitude = s.minStarAltitude;
  for (int k = 0; k < 4; ++k) params.eventWanted[static_cast<std::size_t>(k + 1)] = s.eventWanted[static_cast<std::size_t>(k)] != 0;
  params.outputMode = s.outputMode;
  params.ignoreEaSecondary = s.ignoreEaSecondary;
  params.dstEnabled = s.dstEnabled != 0;
}

data::Settings Session::CurrentSettings() const {
  data::Settings s;
  s.placement = placement;
  s.siteIndex = params.siteIndex;
  s.longitudeDms = params.longitudeDms;
  s.latitudeDms = params.latitudeDms;
  s.standardZone = params.standardZone;
  s.dayCount = params.dayCount;
  s.maxSunAltitude = params.maxSunAltitude;
  s.minStarAltitude = params.minStarAltitude;
  for (int k = 0; k < 4; ++k) s.eventWanted[static_cast<std::size_t>(k)] = params.eventWanted[static_cast<std::size_t>(k + 1)] ? -1 : 0;
  s.outputMode = params.outputMode;
  s.ignoreEaSecondary = params.ignoreEaSecondary;
  s.dstEnabled = params.dstEnabled ? -1 : 0;
  return s;
}

void Session::LoadSettingsFile() { ApplySettings(data::LoadSettings(startFolder).settings); }

std::string Session::SaveSettingsFile() const { return data::SaveSettings(startFolder, CurrentSettings()); }

std::optional<data::LoadFailure> Session::LoadStars(const std::string& path) {
  auto r = data::LoadStarFile(path);
  if (!r) return r.failure();
  stars = std::move(r.value());
  loaded.starsLoaded = true;
  return std::nullopt;
}

std::optional<data::LoadFailure> Session::LoadLocations(const std::string& path) {
  auto r = data::LoadLocations(path);
  if (!r) return r.failure();
  sites = std::move(r.value());
  loaded.sitesLoaded = true;
  return std::nullopt;
}

std::optional<data::LoadFailure> Session::LoadLimits(const std::string& path) {
  auto r = data::LoadSiteLimits(path);
  if (!r) return r.failure();
  limits = std::move(r.value());
  loaded.limitsLoaded = true;
  return std::nullopt;
}

std::string PathIn(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::optional<data::LoadFailure> Session::OpenFile(Loader load, std::string& recordedName, const std::string& folder,
                                                   const std::string& name) {
  chosenFolder = folder;
  auto failure = (this->*load)(PathIn(folder, name));
  if (!failure) recordedName = name;
  return failure;
}

std::optional<data::LoadFailure> Session::OpenStarFile(const std::string& folder, const std::string& name) {
  return OpenFile(&Session::LoadStars, starFileName, folder, name);
}

std::optional<data::LoadFailure> Session::OpenLocationsFile(const std::string& folder, const std::string& name) {
  return OpenFile(&Session::LoadLocations, locationsFileName, folder, name);
}

std::optional<data::LoadFailure> Session::OpenLimitsFile(const std::string& folder, const std::string& name) {
  return OpenFile(&Session::LoadLimits, limitsFileName, folder, name);
}

std::string Session::SaveReport(const std::string& folder, const std::string& name) {
  chosenFolder = folder;
  reportFileName = name;
  if (name.empty()) return "Could not write into " + folder + ": no file name was given";
  return data::WriteFileAtomicallyFrom(PathIn(folder, name),
                                       [this](const data::ByteSink& sink) { return report.WriteBytes(sink); });
}

int Session::SiteToSelect() const {
  const int k = params.siteIndex;
  return k >= 0 && static_cast<std::size_t>(k) < sites.entries.size() ? k : -1;
}

namespace {
std::string FieldText(const data::FieldValue& v) {
  return v.kind == data::FieldValue::Kind::Text ? v.text : astro::NumberText(v.NumberOr0());
}
}  // namespace

SiteFieldTexts Session::SelectSite(int k) {
  const data::SiteEntry& site = sites.entries.at(static_cast<std::size_t>(k));
  siteName = site.name;
  return {FieldText(site.longitudeDms), FieldText(site.latitudeDms), FieldText(site.zone),
          "Tevaro - " + siteName};
}

CalculateResult Session::Calculate(const InputFields& in, Engine engine) {
  std::string message = ValidateInputs(in, params);
  if (params.inputError) return {CalculateResult::Status::InvalidInput, message};
  if (!loaded.All()) return {CalculateResult::Status::FilesMissing, kMsgLoadFirst};

  PredictionOutcome outcome = RunPrediction(params, stars, limits, engine);
  params.zone = outcome.zone;
  params.eveningDayNumber = outcome.eveningDayNumber;
  label23Caption = outcome.label23Caption;
  if (!outcome.HasListed()) return {CalculateResult::Status::NoEvent, kMsgNoEvent};
  report = BuildReport(outcome, params, stars, {siteName, limitsFileName, starFileName});
  return {CalculateResult::Status::Listed, {}};
}

}  // namespace tevaro::run
