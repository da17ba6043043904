#include "run/session.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "astro/angles.h"
#include "astro/time_zone.h"
#include "data/text.h"

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

namespace {
constexpr const char* kEpochsKey = "epochs";
constexpr const char* kZoneKey = "zone";
constexpr const char* kEclipseKey = "eclipse";
constexpr const char* kMoonKey = "moon";
constexpr const char* kUncertaintyKey = "uncertainty";

std::string Lower(std::string t) {
  for (char& c : t)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return t;
}

// The choices a file's lines read as; a value not known reads as the default.
std::optional<astro::EpochScale> EpochsIn(const data::OptionsFile& o) {
  return astro::EpochScaleFromName(Lower(o.Get(kEpochsKey).value_or("hjd-as-ut")));
}
std::optional<bool> SwitchIn(const data::OptionsFile& o, const char* key) {
  const std::string v = Lower(o.Get(key).value_or("off"));
  if (v == "on" || v == "off") return v == "on";
  return std::nullopt;
}
// A zone name only: the hours live in the settings file.
std::string ZoneIn(const data::OptionsFile& o) {
  const std::string v = o.Get(kZoneKey).value_or("");
  return astro::LooksLikeZoneName(v) ? v : std::string();
}
}  // namespace

std::vector<data::FileWarning> Session::ApplyOptions(const data::OptionsFile& o, const std::string& file) {
  options = o;
  std::vector<data::FileWarning> warnings;
  auto warn = [&](const char* key, const std::string& takes, const char* used) {
    std::string reason = std::string(key) + " takes " + takes + ", not " + data::QuotedField(data::DecodeText(*o.Get(key)));
    if (used) reason += "; " + std::string(used) + " is used";
    warnings.push_back({file, o.LineOf(key), std::move(reason)});
  };
  const auto scale = EpochsIn(o);
  if (!scale) warn(kEpochsKey, "hjd-as-ut, hjd or bjd", "hjd-as-ut");
  params.epochScale = scale.value_or(astro::EpochScale::HjdAsUt);
  const auto moon = SwitchIn(o, kMoonKey);
  if (!moon) warn(kMoonKey, "on or off", "off");
  params.moon = moon.value_or(false);
  if (const std::string zone = o.Get(kZoneKey).value_or(""); !zone.empty()) {
    if (!astro::NamedZone::Find(zone)) warn(kZoneKey, "a zone name the system knows", nullptr);
    if (astro::LooksLikeZoneName(zone)) ApplyFieldChange(Field::Zone, zone, params);
  }
  const auto eclipse = SwitchIn(o, kEclipseKey);
  if (!eclipse) warn(kEclipseKey, "on or off", "off");
  params.wholeEclipse = eclipse.value_or(false);
  const auto uncertainty = SwitchIn(o, kUncertaintyKey);
  if (!uncertainty) warn(kUncertaintyKey, "on or off", "off");
  params.uncertainty = uncertainty.value_or(false);
  std::stable_sort(warnings.begin(), warnings.end(), [](const auto& a, const auto& b) { return a.line < b.line; });
  return warnings;
}

std::optional<data::OptionsFile> Session::CurrentOptions() const {
  if (optionsUnreadable) return std::nullopt;
  // The window's own lines (its recent files and places) make a file too.
  if (!optionsFromFile && options.lines.empty() && params.epochScale == astro::EpochScale::HjdAsUt &&
      params.zoneName.empty() && !params.wholeEclipse && !params.moon && !params.uncertainty)
    return std::nullopt;
  data::OptionsFile o = options;
  // A line keeps its bytes while its choice stays what the line reads as.
  if (!o.Get(kEpochsKey) || EpochsIn(o).value_or(astro::EpochScale::HjdAsUt) != params.epochScale)
    o.Set(kEpochsKey, astro::EpochScaleName(params.epochScale));
  if (!o.Get(kZoneKey) || ZoneIn(o) != params.zoneName) o.Set(kZoneKey, params.zoneName);
  // A file written before the choice existed gains its line only once the
  // choice is made, so that it stays as it was until then.
  if (o.Get(kEclipseKey) ? SwitchIn(o, kEclipseKey).value_or(false) != params.wholeEclipse : params.wholeEclipse)
    o.Set(kEclipseKey, params.wholeEclipse ? "on" : "off");
  // A file that never had the Moon keeps its bytes while the Moon stays off.
  if (o.Get(kMoonKey) ? SwitchIn(o, kMoonKey).value_or(false) != params.moon : params.moon)
    o.Set(kMoonKey, params.moon ? "on" : "off");
  if (o.Get(kUncertaintyKey) ? SwitchIn(o, kUncertaintyKey).value_or(false) != params.uncertainty
                             : params.uncertainty)
    o.Set(kUncertaintyKey, params.uncertainty ? "on" : "off");
  return o;
}

data::WriteResult Session::SaveOptionsFile() const {
  const auto o = CurrentOptions();
  if (!o) return std::nullopt;
  return data::SaveOptions(data::OptionsPath(startFolder), *o);
}

data::WriteResult Session::SaveSettingsFile() const { return data::SaveSettings(startFolder, CurrentSettings()); }

std::optional<data::FileFailure> Session::LoadStars(const std::string& path) {
  auto r = data::LoadStarFile(path);
  if (!r) return r.failure();
  stars = std::move(r.value());
  starWarnings = UnusableStars(stars);
  starFileWarnings = std::move(stars.warnings);
  stars.warnings.clear();
  loaded.starsLoaded = true;
  return std::nullopt;
}

std::optional<data::FileFailure> Session::LoadLocations(const std::string& path) {
  auto r = data::LoadLocations(path);
  if (!r) return r.failure();
  sites = std::move(r.value());
  siteWarnings = std::move(sites.warnings);
  sites.warnings.clear();
  loaded.sitesLoaded = true;
  if (const int k = SiteToSelect(); k >= 0) SelectSite(k);
  return std::nullopt;
}

std::optional<data::FileFailure> Session::LoadLimits(const std::string& path) {
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

std::string ExistingName(const std::string& folder, const std::string& name) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (name.empty() || name.find('/') != std::string::npos || fs::exists(PathIn(folder, name), ec)) return name;
  auto lower = [](std::string t) {
    for (char& c : t)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return t;
  };
  const std::string wanted = lower(name);
  std::string found;
  for (fs::directory_iterator it(folder.empty() ? fs::path(".") : fs::path(folder), ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string n = it->path().filename().string();
    if (lower(n) != wanted) continue;
    if (!found.empty()) return name;  // two files differ only in case: neither is chosen
    found = n;
  }
  return found.empty() ? name : found;
}

std::optional<data::FileFailure> Session::OpenFile(Loader load, std::string& recordedName, const std::string& folder,
                                                   const std::string& name) {
  chosenFolder = folder;
  const std::string existing = ExistingName(folder, name);
  auto failure = (this->*load)(PathIn(folder, existing));
  if (!failure) recordedName = existing;
  return failure;
}

std::optional<data::FileFailure> Session::OpenStarFile(const std::string& folder, const std::string& name) {
  return OpenFile(&Session::LoadStars, starFileName, folder, name);
}

std::optional<data::FileFailure> Session::OpenLocationsFile(const std::string& folder, const std::string& name) {
  return OpenFile(&Session::LoadLocations, locationsFileName, folder, name);
}

std::optional<data::FileFailure> Session::OpenLimitsFile(const std::string& folder, const std::string& name) {
  return OpenFile(&Session::LoadLimits, limitsFileName, folder, name);
}

data::WriteResult Session::SaveReport(const std::string& folder, const std::string& name) {
  chosenFolder = folder;
  reportFileName = name;
  if (name.empty()) return data::FileFailure{folder, 0, "no file name was given", data::FileFailure::Op::Write};
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

SiteFieldTexts Session::SiteTexts(int k) const {
  const data::SiteEntry& site = sites.entries.at(static_cast<std::size_t>(k));
  // The caption blanks control characters of the name, as the report does.
  return {FieldText(site.longitudeDms), FieldText(site.latitudeDms), FieldText(site.zone),
          "Tevaro - " + data::BlankControls(site.name)};
}

SiteFieldTexts Session::SelectSite(int k) {
  SiteFieldTexts t = SiteTexts(k);
  siteName = sites.entries.at(static_cast<std::size_t>(k)).name;
  ApplyFieldChange(Field::Longitude, t.longitude, params);
  ApplyFieldChange(Field::Latitude, t.latitude, params);
  ApplyFieldChange(Field::Zone, t.zone, params);
  return t;
}

namespace {

std::string TwoDigits(int n) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", n);
  return text;
}

// A stored box state as the box shows it: 0 clear, 2 grey, anything else ticked.
int BoxState(int stored) { return stored == 0 ? 0 : stored == 2 ? 2 : 1; }

}  // namespace

StartUpResult Session::StartUp(const std::string& folder, const CalendarDay& today, const StartUpFiles& files) {
  StartUpResult r;
  startFolder = folder;
  const std::string settingsPath = files.settings.value_or(data::SettingsPath(folder));
  ApplySettings(data::LoadSettingsFromFile(settingsPath).settings);
  // The options beside the settings; their zone name, like the settings'
  // zone, gives way to the saved site's.
  const std::string optionsPath = data::OptionsPath(std::filesystem::path(settingsPath).parent_path().string());
  const data::LoadedOptions loadedOptions = data::LoadOptionsFromFile(optionsPath);
  optionsFromFile = loadedOptions.fromFile;
  optionsUnreadable = loadedOptions.unreadable.has_value();
  r.optionsFailure = loadedOptions.unreadable;
  r.warnings = ApplyOptions(loadedOptions.options, optionsPath);

  r.locationsFailure = LoadLocations(files.locations.value_or("Location.dat"));
  if (!r.locationsFailure) r.warnings.insert(r.warnings.end(), siteWarnings.begin(), siteWarnings.end());
  InputFields& f = r.fields;
  f.siteIndex = SiteToSelect();
  f.longitude = astro::NumberText(params.longitudeDms);
  f.latitude = astro::NumberText(params.latitudeDms);
  f.zone = params.zoneName.empty() ? astro::NumberText(params.standardZone) : params.zoneName;
  // A saved site's field that holds no number goes into its field as it is,
  // as a pick of the site puts it, so that Calculate's check refuses it
  // rather than run on the number its start read as.
  if (f.siteIndex >= 0) {
    const data::SiteEntry& site = sites.entries.at(static_cast<std::size_t>(f.siteIndex));
    const SiteFieldTexts t = SiteTexts(f.siteIndex);
    if (site.longitudeDms.kind == data::FieldValue::Kind::Text) f.longitude = t.longitude;
    if (site.latitudeDms.kind == data::FieldValue::Kind::Text) f.latitude = t.latitude;
    if (site.zone.kind == data::FieldValue::Kind::Text) f.zone = t.zone;
  }
  f.year = std::to_string(today.year);
  f.month = TwoDigits(today.month);
  f.day = TwoDigits(today.day);
  f.nights = astro::NumberText(params.dayCount);
  f.maxSun = astro::NumberText(params.maxSunAltitude);
  f.minStar = astro::NumberText(params.minStarAltitude);
  for (std::size_t k = 0; k < 4; ++k) f.eventBox[k] = params.eventWanted[k + 1] ? 1 : 0;
  // Another stored mode leaves the button set at design, the first.
  f.option = params.outputMode >= 1 && params.outputMode <= 3 ? params.outputMode : 1;
  f.ignoreEaBox = BoxState(params.ignoreEaSecondary);
  ApplyFieldChange(Field::Longitude, f.longitude, params);
  ApplyFieldChange(Field::Latitude, f.latitude, params);
  ApplyFieldChange(Field::Zone, f.zone, params);
  ApplyFieldChange(Field::Nights, f.nights, params);
  ApplyFieldChange(Field::MaxSun, f.maxSun, params);
  ApplyFieldChange(Field::MinStar, f.minStar, params);

  r.limitsFailure = LoadLimits(files.limits.value_or("Limits.dat"));
  params.inputError = false;
  return r;
}

std::string TooManyEventsMessage(std::size_t maxEvents) {
  return "Sorry!  This run would list more than " + std::to_string(maxEvents) +
         " events: shorten the span or the star list.";
}

std::optional<CalculateResult> Session::CheckForRun(const InputFields& in, RunInputs& inputs, Engine engine) {
  std::string message = ValidateInputs(in, params);
  if (params.inputError) return CalculateResult{CalculateResult::Status::InvalidInput, message};
  if (!loaded.All()) return CalculateResult{CalculateResult::Status::FilesMissing, kMsgLoadFirst};
  inputs.params = params;
  inputs.stars = stars;
  inputs.limits = limits;
  inputs.names = {siteName, limitsFileName, starFileName};
  inputs.siteName = siteName;
  inputs.maxEvents = maxEvents;
  inputs.engine = engine;
  return std::nullopt;
}

RunProduct ComputeRun(RunInputs in, const std::atomic<bool>* cancel) {
  using Status = CalculateResult::Status;
  RunProduct out;
  PredictionOutcome outcome = RunPrediction(in.params, in.stars, in.limits, in.engine, 0, in.maxEvents, cancel);
  if (outcome.cancelled) {
    out.result = {Status::Cancelled, {}};
    return out;
  }
  out.zone = in.params.zone = outcome.zone;
  out.eveningDayNumber = in.params.eveningDayNumber = outcome.eveningDayNumber;
  out.label23Caption = outcome.label23Caption;
  if (outcome.tooManyEvents) {
    out.result = {Status::TooManyEvents, TooManyEventsMessage(in.maxEvents)};
    return out;
  }
  if (!outcome.HasListed()) {
    out.result = {Status::NoEvent, kMsgNoEvent};
    return out;
  }
  out.report = BuildReport(outcome, in.params, in.stars, in.names);
  if (cancel && cancel->load()) {
    out = RunProduct();
    out.result = {Status::Cancelled, {}};
    return out;
  }
  std::optional<PredictionOutcome> kept;
  if (in.keepEvents) kept = std::move(outcome);
  out.run = std::make_shared<const ListedRun>(
      ListedRun{in.params, std::move(in.stars), std::move(in.limits), std::move(in.siteName), std::move(kept)});
  out.result = {Status::Listed, {}};
  return out;
}

CalculateResult Session::AcceptRun(RunProduct&& product) {
  using Status = CalculateResult::Status;
  if (product.result.status == Status::Cancelled) return product.result;
  params.zone = product.zone;
  params.eveningDayNumber = product.eveningDayNumber;
  label23Caption = product.label23Caption;
  if (product.result.status == Status::Listed) {
    report = std::move(product.report);
    lastRun = std::move(product.run);
  }
  return product.result;
}

CalculateResult Session::Calculate(const InputFields& in, Engine engine) {
  RunInputs inputs;
  if (auto refused = CheckForRun(in, inputs, engine)) return *refused;
  return AcceptRun(ComputeRun(std::move(inputs)));
}

}  // namespace tevaro::run
