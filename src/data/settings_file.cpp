#include "data/settings_file.h"

#include <cmath>
#include <filesystem>
#include <limits>
#include <optional>

#include "data/field_reader.h"
#include "data/load_result.h"
#include "data/record_reading.h"

namespace tevaro::data {
namespace {

// Reads the settings' fields in file order; the first failure ends it.
class SettingsReader {
 public:
  SettingsReader(FieldReader& reader, const std::string& path) : reader_(reader), path_(path) {}

  void Int16(std::int16_t& out, const char* what) {
    if (failure_) return;
    const int line = reader_.Line();
    // Read as text so that a number too large for a double counts as too
    // large for the field, not as a non-number reading 0.
    const std::optional<std::string> field = reader_.ReadField();
    if (!field) {
      Fail(line, std::string("the file ends before the ") + what);
      return;
    }
    const double x = ParseNumberOrInfinity(*field).value_or(0.0);
    const double n = std::nearbyint(x);
    if (!(n >= std::numeric_limits<std::int16_t>::min() && n <= std::numeric_limits<std::int16_t>::max())) {
      Fail(line, std::string("the ") + what + " " + *field + " is outside the range -32768 to 32767");
      return;
    }
    out = static_cast<std::int16_t>(n);
  }

  void Real(double& out, const char* what) {
    if (failure_) return;
    const int line = reader_.Line();
    const std::optional<double> x = reader_.ReadReal();
    if (!x) {
      Fail(line, std::string("the file ends before the ") + what);
      return;
    }
    out = *x;
  }

  const std::optional<FileFailure>& failure() const { return failure_; }

 private:
  void Fail(int line, std::string reason) { failure_ = FileFailure{path_, line, std::move(reason)}; }
  FieldReader& reader_;
  const std::string& path_;
  std::optional<FileFailure> failure_;
};

}  // namespace

std::string SettingsPath(const std::string& folder) {
  if (folder.empty()) return kSettingsFileName;
  return (std::filesystem::path(folder) / kSettingsFileName).string();
}

LoadedSettings LoadSettings(const std::string& folder) { return LoadSettingsFromFile(SettingsPath(folder)); }

LoadedSettings LoadSettingsFromFile(const std::string& path) {
  LoadResult<std::string> bytes = ReadFileBytes(path);
  if (!bytes) {
    LoadedSettings defaults;
    defaults.reason = bytes.failure().Message();
    return defaults;
  }
  return ParseSettings(bytes.value(), path);
}

LoadedSettings ParseSettings(std::string_view bytes, const std::string& path) {
  LoadedSettings result;
  FieldReader reader(DecodeText(bytes));
  SettingsReader in(reader, path);
  Settings s;
  in.Int16(s.placement.left, "output window's left edge");
  in.Int16(s.placement.top, "output window's top edge");
  in.Int16(s.placement.width, "output window's width");
  in.Int16(s.placement.height, "output window's height");
  in.Int16(s.siteIndex, "observatory number");
  in.Real(s.longitudeDms, "longitude");
  in.Real(s.latitudeDms, "latitude");
  in.Int16(s.standardZone, "time zone");
  in.Int16(s.dayCount, "number of nights");
  in.Real(s.maxSunAltitude, "highest Sun altitude");
  in.Real(s.minStarAltitude, "lowest star altitude");
  in.Int16(s.eventWanted[0], "primary minimum switch");
  in.Int16(s.eventWanted[1], "phase 0.25 maximum switch");
  in.Int16(s.eventWanted[2], "secondary minimum switch");
  in.Int16(s.eventWanted[3], "phase 0.75 maximum switch");
  in.Int16(s.outputMode, "output mode");
  in.Int16(s.ignoreEaSecondary, "EA secondary minima switch");
  in.Int16(s.dstEnabled, "daylight-saving switch");
  if (in.failure()) {
    result.reason = in.failure()->Message();
    return result;
  }
  result.settings = s;
  result.fromFile = true;
  return result;
}

std::string SettingsText(const Settings& s) {
  auto i = [](std::int16_t v) { return std::to_string(v); };
  auto r = [](double v) { return detail::DecimalText(v); };
  const char* eol = "\r\n";
  std::string t;
  t += i(s.placement.left) + "," + i(s.placement.top) + "," + i(s.placement.width) + "," +
       i(s.placement.height) + eol;
  t += i(s.siteIndex) + eol;
  t += r(s.longitudeDms) + "," + r(s.latitudeDms) + eol;
  t += i(s.standardZone) + eol;
  t += i(s.dayCount) + eol;
  t += r(s.maxSunAltitude) + eol;
  t += r(s.minStarAltitude) + eol;
  t += i(s.eventWanted[0]) + "," + i(s.eventWanted[1]) + "," + i(s.eventWanted[2]) + "," +
       i(s.eventWanted[3]) + eol;
  t += i(s.outputMode) + eol;
  t += i(s.ignoreEaSecondary) + eol;
  t += i(s.dstEnabled) + eol;
  return t;
}

WriteResult SaveSettings(const std::string& folder, const Settings& s) {
  return WriteFileAtomically(SettingsPath(folder), SettingsText(s));
}

}  // namespace tevaro::data
