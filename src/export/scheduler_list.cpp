// The scheduler list: an XML file of one job per listed event, each slewing
// to the star at its observing window's start and ending at the window's
// end. The readers in use keep only the clock digits of a time and read
// them on their own clock, so each time is the run's wall clock at that
// instant (across a change of clock too), with the offset for readers that
// honour it.
#include <cstdint>

#include "export/event_values.h"
#include "export/formats.h"
#include "export/text.h"

namespace tevaro::exports {

namespace {

// Text for an element or a single-quoted attribute: the five markup
// characters as entities, and the control characters XML 1.0 cannot hold
// blanked.
std::string XmlText(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default:
        out.push_back(static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c);
    }
  }
  return out;
}

// An `At` condition at instant rjd on the run's clock.
std::string AtCondition(const run::ListedRun& run, double rjd) {
  return "<Condition value='" + IsoLocal(rjd, run.outcome().ZoneAt(rjd)) + "'>At</Condition>";
}

}  // namespace

bool WriteSchedulerList(const run::ListedRun& run, const ExportChoices& choices, const data::ByteSink& sink) {
  const run::PredictionOutcome& o = run.outcome();
  const double margin = choices.marginMinutes.value_or(kDefaultMarginMinutes);
  std::string minAltitude;
  AppendNumber(minAltitude, run.params.minStarAltitude);
  const std::string sequence = XmlText(choices.sequence);
  if (!sink("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<SchedulerList version='1.4'>\n")) return false;
  for (std::size_t i = o.HasListed() ? o.firstListed : o.events.size(); i < o.events.size(); ++i) {
    const run::EventEntry& e = o.events[i];
    const ObservingWindow w = WindowOf(run, e, margin);
    const J2000Position at = PositionOf(run.stars.entries.at(e.star));
    std::string job = "<Job>\n<Name>" + XmlText(EventTitle(run, e)) + "</Name>\n<Priority>10</Priority>\n";
    job += "<Coordinates>\n<J2000RA>";
    AppendFixed(job, at.raHours, 7);
    job += "</J2000RA>\n<J2000DE>";
    AppendFixed(job, at.decDeg, 6);
    job += "</J2000DE>\n</Coordinates>\n<Sequence>" + sequence + "</Sequence>\n";
    job += "<StartupCondition>\n" + AtCondition(run, w.start) + "\n</StartupCondition>\n";
    job += "<Constraints>\n<Constraint value='" + minAltitude +
           "'>MinimumAltitude</Constraint>\n<Constraint>EnforceTwilight</Constraint>\n</Constraints>\n";
    job += "<CompletionCondition>\n" + AtCondition(run, w.end) + "\n</CompletionCondition>\n";
    job += "<Steps>\n<Step>Track</Step>\n<Step>Guide</Step>\n</Steps>\n</Job>\n";
    if (!sink(job)) return false;
  }
  return sink("</SchedulerList>\n");
}

}  // namespace tevaro::exports
