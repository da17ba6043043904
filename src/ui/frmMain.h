// The main window: the program's start-up, its only input form, Calculate and
// the exit that writes the settings.
#pragma once

#include <QCheckBox>
#include <QMainWindow>
#include <QPushButton>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "run/session.h"
#include "run/validation.h"
#include "ui/jobs.h"
#include "ui/message_sink.h"

class QAction;
class QComboBox;
class QMenu;
class QEventLoop;
class QProgressBar;
class QShortcut;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace tevaro::ui {

class frmOutput;
class frmHelp;
class frmAbout;
class frmFileChooser;
enum class ChooserKind;

// A check box whose caption wraps onto several lines within its width, and
// that reacts to a click anywhere on it.
class WrappingCheckBox : public QCheckBox {
  Q_OBJECT
 public:
  using QCheckBox::QCheckBox;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool hitButton(const QPoint& pos) const override;
};

// A push button whose keyboard focus shows as a frame in every style.
class FocusFrameButton : public QPushButton {
 public:
  using QPushButton::QPushButton;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

class frmMain : public QMainWindow {
  Q_OBJECT

 public:
  // Builds the window and runs the start-up: settings from `startFolder`,
  // "Location.dat" and "Limits.dat" from the current folder, today's date.
  frmMain(MessageSink& messages, const QString& startFolder, QWidget* parent = nullptr);
  ~frmMain() override;

  run::Session& session() { return session_; }
  const run::Session& session() const { return session_; }
  // The background jobs of this window and the windows it opens.
  JobBoard& jobs() { return jobs_; }

  // The controls' values as the run reads them.
  run::InputFields ReadFields() const;

  // Pick of site list entry k (also run when a locations load selects one).
  void SelectSite(int k);
  // Fills the site list from the loaded table and selects the saved site.
  void FillSiteList();

  // Click of Calculate. The checks run at once; the run itself goes on
  // beside the window, which keeps repainting and taking events, and its
  // outcome (message, report, chart) is taken here when it is complete. A
  // progress bar with a Cancel button shows after kProgressDelayMs. Escape or
  // Cancel stops the run and leaves the report as it was; a Calculate during
  // a run stops that run and starts its own. Returns when this Calculate's
  // run has ended (or been stopped). Does nothing while a job that Calculate
  // must wait for runs (its button is disabled then).
  void Calculate();
  // Stops the run in progress, if any.
  void CancelRun();
  bool running() const { return running_ != nullptr; }
  static constexpr int kProgressDelayMs = 250;
  // The Exit action: validate, save the settings, end the program. Runs once.
  void ExitProgram();
  bool ended() const { return ended_; }

  // Called to end the program once the settings are written; by default it
  // quits the application's event loop.
  void SetEndHandler(std::function<void()> end) { end_ = std::move(end); }

  void ShowHelp();
  void ShowAbout();

  // The File menu's three Open items: the chooser for the kind of file.
  void OpenStarFile();
  void OpenLocationsFile();
  void OpenLimitsFile();

  // A star file by its path, loaded as File > Open loads it: its folder
  // becomes the current one and the file heads the recent list. Gives
  // whether it loaded; a failure is said in a message.
  bool LoadStarFileAt(const QString& path);
  // A file dropped on the window: a star, locations or site limits file as
  // its content says (data::KindOfDataFile), loaded as what it is.
  void LoadDroppedFile(const QString& path);
  // File > Open Recent: the star files last loaded, the latest first.
  QMenu* recentMenu() const { return recentMenu_; }
  std::vector<std::string> recentStarFiles() const;
  void ClearRecentStarFiles();
  // The text the status area shows last (a cancelled run, start-up's notes).
  QString statusText() const;

  // The secondary windows, created on first use (null before).
  frmOutput* outputWindow() const { return output_.get(); }
  frmHelp* helpWindow() const { return help_.get(); }
  frmAbout* aboutWindow() const { return about_.get(); }
  frmFileChooser* starChooser() const { return starChooser_.get(); }
  frmFileChooser* locationsChooser() const { return locationsChooser_.get(); }
  frmFileChooser* limitsChooser() const { return limitsChooser_.get(); }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildControls();
  void BuildMenus();
  void ConnectHandlers();
  void StartUp();
  // Puts the texts a site pick gives into the fields and the caption.
  void ShowSite(const run::SiteFieldTexts& t);
  void ShowStatus(QLineEdit* field, const QString& fileName);
  // Warnings in the status area, one line, each naming its file without its
  // folder; the whole list as the area's tooltip.
  void ShowNotes(std::vector<data::FileWarning> notes);
  // The zone field as its text asks: a name widens it over the hours hint and
  // turns the daylight-saving box off, which does not apply to it.
  void ShowZoneKind(const QString& text);
  // The Options menu's checks from the run's inputs: epoch scale, Whole eclipse, Moon, Show uncertainty.
  void ShowEpochScale();
  // Creates the chooser on first use and opens it as from the menu.
  void OpenChooser(std::unique_ptr<frmFileChooser>& chooser, ChooserKind kind, void (frmMain::*onOk)());
  // The OK of each open chooser: the load, and a message when it fails.
  void LoadChosenStarFile();
  void LoadChosenLocationsFile();
  void LoadChosenLimitsFile();
  // The loads behind the choosers, the recent list and a drop: `name` inside
  // `folder`. A star load that fails is said in a message unless `notes`
  // is given, which then takes the failure and the unusable stars instead.
  bool LoadStarFileIn(const QString& folder, const QString& name, std::vector<data::FileWarning>* notes = nullptr);
  void LoadLocationsFileIn(const QString& folder, const QString& name);
  void LoadLimitsFileIn(const QString& folder, const QString& name);
  // Start-up: the last star file loaded again when it is still there; a
  // missing one is said once in its StatusField and left off the list.
  void ReloadLastStarFile(std::vector<data::FileWarning>& notes);
  void SetRecentStarFiles(const std::vector<std::string>& files);
  void ShowRecentStarFiles();
  // Puts each control's tooltip: what it takes, its units and range.
  void SetToolTips();
  // What Calculate says when a data file is not loaded: the design's text,
  // then which file to load and how.
  QString LoadFirstMessage() const;
  void ReportFileFailure(const char* what, const data::FileFailure& failure);
  // After a star file loads: one message naming the stars no run can use.
  void ReportUnusableStars(const QString& fileName);
  struct RunJob;
  // Shows or hides the progress bar and its Cancel button.
  void ShowProgress(bool shown);

  MessageSink& messages_;
  run::Session session_;
  JobBoard jobs_;
  bool ended_ = false;
  std::function<void()> end_;

  // The controls by meaning; their object names are the design's (the table
  // beside ReadFields maps one to the other).
  QComboBox* siteList_ = nullptr;
  QLineEdit* longitudeField_ = nullptr;
  QLineEdit* latitudeField_ = nullptr;
  QLineEdit* zoneField_ = nullptr;
  QLineEdit* yearField_ = nullptr;
  QLineEdit* monthField_ = nullptr;
  QLineEdit* dayField_ = nullptr;
  QLineEdit* nightsField_ = nullptr;
  QLineEdit* maxSunField_ = nullptr;
  QLineEdit* minStarField_ = nullptr;
  QLineEdit* starsStatus_ = nullptr;
  QLineEdit* limitsStatus_ = nullptr;
  QLineEdit* locationsStatus_ = nullptr;
  QLabel* runCaption_ = nullptr;
  std::array<QCheckBox*, 4> eventBoxes_{};  // phases 0, 0.25, 0.5, 0.75
  QCheckBox* ignoreEaBox_ = nullptr;
  QCheckBox* dstBox_ = nullptr;
  QLabel* zoneHint_ = nullptr;  // Label14, the hours hint beside the zone field
  std::array<QAction*, std::size(astro::kEpochScales)> epochActions_{};  // Options: one per scale
  QAction* wholeEclipseAction_ = nullptr;  // Options: Whole eclipse
  QAction* moonAction_ = nullptr;            // Options: Moon
  QAction* uncertaintyAction_ = nullptr;     // Options: Show uncertainty
  QMenu* recentMenu_ = nullptr;                                 // File > Open Recent
  std::array<QAction*, 8> recentActions_{};                     // its entries, Ctrl+1 to Ctrl+8
  QAction* clearRecent_ = nullptr;                              // its Clear
  bool dstTicked_ = true;  // the daylight-saving box as the user left it, while a zone name greys it
  bool zoneJustCompleted_ = false;  // a zone name was picked from the list in this event
  std::array<QRadioButton*, 3> columnOptions_{};  // output modes 1, 2, 3
  QPushButton* calculateButton_ = nullptr;
  QLabel* jobStatus_ = nullptr;  // names the jobs that run
  QProgressBar* progress_ = nullptr;
  QLabel* notes_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  QShortcut* escape_ = nullptr;
  RunJob* running_ = nullptr;  // the run in progress, owned by its Calculate

  std::unique_ptr<frmOutput> output_;
  std::unique_ptr<frmHelp> help_;
  std::unique_ptr<frmAbout> about_;
  std::unique_ptr<frmFileChooser> starChooser_;
  std::unique_ptr<frmFileChooser> locationsChooser_;
  std::unique_ptr<frmFileChooser> limitsChooser_;
};

}  // namespace tevaro::ui
