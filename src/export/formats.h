// The table of event files. Each format is one writer in a file of its own
// and one row here; the window's file types, tevaro-cli's options and the
// checks of its outputs read the table, so a new format is a new writer and
// a row.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "data/load_result.h"
#include "run/night_chart.h"

namespace tevaro::exports {

// The choices of an export beyond the run's own.
struct ExportChoices {
  // The margin of the observing windows for the light outside the eclipse,
  // minutes. Given, the CSV gains the windows' two ends; the plan and the
  // two lists take the default margin when it is not.
  std::optional<double> marginMinutes;
  // The capture sequence file each job of the scheduler list runs.
  std::string sequence;
};

// Where every format writes to: the run's listed events and the choices in,
// the file's bytes handed to `sink` in pieces; false when the sink refused
// one or the file cannot be made.
using EventWriter = bool (*)(const run::ListedRun& run, const ExportChoices& choices, const data::ByteSink& sink);

struct EventFormat {
  std::string_view option;     // tevaro-cli's option, "--csv" (a literal: data() ends in NUL)
  std::string_view fileType;   // the Export Events chooser's type, "Target list (*.csv)"
  std::string_view extension;  // ".csv", given to the proposed name
  // A file name with this extension names the format when no type is said;
  // the first such row wins (.csv is the events' CSV, not the target list).
  bool byExtension;
  EventWriter write;
};

// The formats, in the chooser's order: the events' CSV first.
std::span<const EventFormat> EventFormats();
// The format of that name, its option without the "--"; nullptr for none.
const EventFormat* FormatNamed(std::string_view name);
// The format a file name asks for by its extension (any case): the first
// row with byExtension and that extension, else the events' CSV.
const EventFormat& FormatOfPath(std::string_view path);

// The writers of the table.
bool WriteEventsCsv(const run::ListedRun& run, const ExportChoices& choices, const data::ByteSink& sink);
bool WriteEventsIcs(const run::ListedRun& run, const ExportChoices& choices, const data::ByteSink& sink);
bool WriteObservatoryPlan(const run::ListedRun& run, const ExportChoices& choices, const data::ByteSink& sink);
bool WriteTargetList(const run::ListedRun& run, const ExportChoices& choices, const data::ByteSink& sink);
bool WriteSchedulerList(const run::ListedRun& run, const ExportChoices& choices, const data::ByteSink& sink);

// The run's events as `format`, with the choices.
bool WriteEvents(const run::ListedRun& run, const EventFormat& format, const data::ByteSink& sink,
                 const ExportChoices& choices = {});
// Writes the events of `run` to `path` atomically: a failure leaves any
// file there as it was.
data::WriteResult WriteEventsFile(const run::ListedRun& run, const std::string& path, const EventFormat& format,
                                  const ExportChoices& choices = {});

// The UID of an event in the iCalendar file: the same for the same star's
// same event (cycle and phase) seen from the same site in any run.
std::string EventUid(const std::string& starName, double cycle, const std::string& siteName, double longitude,
                     double latitude);

}  // namespace tevaro::exports
