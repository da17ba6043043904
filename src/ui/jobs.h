// The windows' background jobs: Calculate, the exports, Print Report and the
// night chart's search each go on beside the window while it takes events, so
// one can start while another runs. A job holds what it reads, the report and
// the run shown when it started, so a later Calculate never changes them under
// it; an action that must not run beside a running job is disabled until that
// job ends; the status area names the jobs that run.
#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <cstddef>
#include <memory>

#include "run/session.h"

namespace tevaro::ui {

// A new job is a new kind here and a row in kJobRules (jobs.cpp).
enum class JobKind { Calculate, ExportPdf, ExportEvents, PrintReport, FindEvents };
inline constexpr std::size_t kJobKinds = 5;

class JobBoard : public QObject {
  Q_OBJECT

 public:
  // A running job, from its start until the object goes. It holds the
  // session's report and run as they were at its start.
  class Job {
   public:
    ~Job();
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;

    const std::shared_ptr<const run::ReportBuffer> report;
    const std::shared_ptr<const run::ListedRun> run;

   private:
    friend class JobBoard;
    Job(JobBoard& board, JobKind kind);
    JobBoard& board_;
    const JobKind kind_;
  };

  explicit JobBoard(const run::Session& session, QObject* parent = nullptr);

  // Whether a job of `kind` may start now: no job it cannot run beside runs.
  bool MayStart(JobKind kind) const;
  // Starts a job of `kind`, which the caller has checked MayStart for.
  [[nodiscard]] Job Start(JobKind kind) { return Job(*this, kind); }
  bool Running(JobKind kind) const { return running_[static_cast<std::size_t>(kind)] > 0; }
  // "Running: Export PDF, Night chart", the running jobs by their actions'
  // names; empty while none runs.
  QString StatusText() const;

  // Keeps `control` (an action or a widget) enabled only while a job of
  // `kind` may start.
  template <class Control>
  void Guard(Control* control, JobKind kind) {
    control->setEnabled(MayStart(kind));
    connect(this, &JobBoard::Changed, control, [this, control, kind] { control->setEnabled(MayStart(kind)); });
  }

 signals:
  // A job started or ended.
  void Changed();

 private:
  const run::Session& session_;
  std::array<int, kJobKinds> running_{};
};

}  // namespace tevaro::ui
