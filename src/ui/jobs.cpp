#include "ui/jobs.h"

#include <QStringList>
#include <bitset>

namespace tevaro::ui {

namespace {

using Kinds = std::bitset<kJobKinds>;

constexpr Kinds Of(std::initializer_list<JobKind> kinds) {
  unsigned long long bits = 0;
  for (JobKind k : kinds) bits |= 1ULL << static_cast<unsigned>(k);
  return Kinds(bits);
}

struct JobRule {
  const char* name;  // the action's name, for the status area
  Kinds notBeside;   // the jobs it must wait for
};

// Calculate replaces the report and the run that the other jobs read, so it
// waits for them all; a Calculate beside a Calculate stops the older one. Two
// jobs of one kind would write the same file or ask for the same events.
constexpr JobRule kJobRules[kJobKinds] = {
    {"Calculate", Of({JobKind::ExportPdf, JobKind::ExportEvents, JobKind::PrintReport, JobKind::FindEvents})},
    {"Export PDF", Of({JobKind::ExportPdf})},
    {"Export events", Of({JobKind::ExportEvents})},
    {"Print Report", Of({JobKind::PrintReport})},
    {"Night chart", Of({JobKind::FindEvents})},
};

}  // namespace

JobBoard::Job::Job(JobBoard& board, JobKind kind)
    : report(board.session_.report.Share()), run(board.session_.lastRun), board_(board), kind_(kind) {
  ++board_.running_[static_cast<std::size_t>(kind_)];
  emit board_.Changed();
}

JobBoard::Job::~Job() {
  --board_.running_[static_cast<std::size_t>(kind_)];
  emit board_.Changed();
}

JobBoard::JobBoard(const run::Session& session, QObject* parent) : QObject(parent), session_(session) {}

bool JobBoard::MayStart(JobKind kind) const {
  const Kinds& waitFor = kJobRules[static_cast<std::size_t>(kind)].notBeside;
  for (std::size_t k = 0; k < kJobKinds; ++k)
    if (waitFor[k] && running_[k] > 0) return false;
  return true;
}

QString JobBoard::StatusText() const {
  QStringList names;
  for (std::size_t k = 0; k < kJobKinds; ++k)
    if (running_[k] > 0) names << QString::fromLatin1(kJobRules[k].name);
  return names.isEmpty() ? QString() : QStringLiteral("Running: ") + names.join(QStringLiteral(", "));
}

}  // namespace tevaro::ui
