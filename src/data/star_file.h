// The star data file: two heading lines, then five (ShortLayout), nine
// (FullLayout) or ten (FullLayout and the eclipse's duration) comma-separated
// fields per star; or a first line that names the columns, then one star per
// line (data/named_star_file.h).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "astro/light_time.h"
#include "data/field_reader.h"
#include "data/load_result.h"

namespace tevaro::data {

struct StarEntry {
  std::string name;
  double raDms = 0;   // HH.MMSS, equinox 2000.0
  double decDms = 0;  // DD.MMSS, equinox 2000.0
  double epoch = 0;   // HJD - 2400000 of a primary minimum
  double period = 0;  // days
  // The period field's text when it held no number (the period then reads as 0).
  std::optional<std::string> periodNotNumber;
  std::string varType;  // at least two characters when one was read
  FieldValue maxMag;
  FieldValue minMag;
  std::string comment;
  // The eclipse's duration, hours, from the tenth field; nothing when the
  // layout has no tenth field or the field is empty.
  std::optional<double> durationHours;
  // The duration field's text when it held no number.
  std::optional<std::string> durationNotNumber;
  // The elements below come only from a file with named columns; the
  // design's layouts leave them at their defaults.
  // Phase of the secondary minimum: off 0.5 in an eccentric orbit.
  double secondaryPhase = 0.5;
  // The secondary eclipse's duration, hours; durationHours when absent.
  std::optional<double> durationIIHours;
  // One-sigma errors of the epoch and of the period, days.
  std::optional<double> epochError;
  std::optional<double> periodError;
  // The scale of this star's epoch; the run's scale when absent.
  std::optional<astro::EpochScale> epochScale;
  int line = 0;  // line of the file where the star's record starts
};

struct StarTable {
  static constexpr std::size_t kCapacity = 10000;
  std::vector<StarEntry> entries;
  // What the load read past all the same: the named columns it does not know.
  std::vector<FileWarning> warnings;
};

// Reads a star data file. Control characters in a star's texts read as
// blanks. A file whose first line names the five columns every star needs is
// read by column name; otherwise the layout is decided by the number of
// fields on the third line, counted as they are read (a quoted comma belongs
// to its field): 5, 9 or 10 fields; any other count fails.
LoadResult<StarTable> LoadStarFile(const std::string& path);

// The same over the file's bytes; `file` names it in a failure.
LoadResult<StarTable> ParseStarFile(std::string_view bytes, const std::string& file);

}  // namespace tevaro::data
