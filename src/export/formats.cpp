#include "export/formats.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace tevaro::exports {

namespace {

constexpr std::array kFormats{
    EventFormat{"--csv", "CSV files (*.csv)", ".csv", true, &WriteEventsCsv},
    EventFormat{"--ics", "Calendar files (*.ics)", ".ics", true, &WriteEventsIcs},
    EventFormat{"--esl", "Scheduler list (*.esl)", ".esl", true, &WriteSchedulerList},
    EventFormat{"--plan", "Observatory plan (*.txt)", ".txt", true, &WriteObservatoryPlan},
    EventFormat{"--targets", "Target list (*.csv)", ".csv", false, &WriteTargetList},
};

bool EndsWithNoCase(std::string_view text, std::string_view end) {
  return text.size() >= end.size() &&
         std::equal(end.begin(), end.end(), text.end() - static_cast<std::ptrdiff_t>(end.size()),
                    [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b)); });
}

}  // namespace

std::span<const EventFormat> EventFormats() { return kFormats; }

const EventFormat* FormatNamed(std::string_view name) {
  for (const EventFormat& f : kFormats)
    if (f.option.substr(2) == name) return &f;
  return nullptr;
}

const EventFormat& FormatOfPath(std::string_view path) {
  for (const EventFormat& f : kFormats)
    if (f.byExtension && EndsWithNoCase(path, f.extension)) return f;
  return kFormats.front();
}

bool WriteEvents(const run::ListedRun& run, const EventFormat& format, const data::ByteSink& sink,
                 const ExportChoices& choices) {
  return format.write(run, choices, sink);
}

data::WriteResult WriteEventsFile(const run::ListedRun& run, const std::string& path, const EventFormat& format,
                                  const ExportChoices& choices) {
  return data::WriteFileAtomicallyFrom(path,
                                       [&](const data::ByteSink& sink) { return format.write(run, choices, sink); });
}

}  // namespace tevaro::exports
