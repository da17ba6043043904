#include "ui/frmMain.h"

#include <QAbstractItemView>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QDate>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStatusBar>
#include <QStringListModel>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTimer>
#include <QUrl>
#include <atomic>
#include <filesystem>
#include <iostream>
#include <thread>

#include "astro/angles.h"
#include "astro/time_zone.h"
#include "data/file_kind.h"
#include "data/settings_file.h"
#include "data/text.h"
#include "run/number_input.h"
#include "tevaro_version.h"
#include "ui/frmAbout.h"
#include "ui/frmFileChooser.h"
#include "ui/frmHelp.h"
#include "ui/frmNightChart.h"
#include "ui/frmOutput.h"
#include "ui/remembered.h"
#include "ui/twips.h"
#include "ui/wait_cursor.h"

namespace tevaro::ui {

namespace {

const QColor kLightBlue(144, 192, 255);
const QColor kDarkRed(192, 0, 0);
constexpr const char* kStatusStartText = "Load file using menu bar";
constexpr const char* kCancelledText = "Calculation cancelled; the previous report is kept.";

QString ZoneToolTip() {
  return QStringLiteral(
      "Standard time zone in whole hours, positive to the west (PST = 8, EST = 5, CET = -1), or a zone name such as "
      "Europe/Berlin, whose changes of clock are followed");
}

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
std::string S(const QString& s) { return s.toStdString(); }

QFont ControlFont() {
  QFont f(QStringLiteral("Arial"));
  f.setPointSizeF(8.25);
  f.setBold(true);
  return f;
}

void SetTextColour(QWidget* w, QPalette::ColorRole role, const QColor& c) {
  QPalette p = w->palette();
  p.setColor(role, c);
  w->setPalette(p);
}

int BoxState(const QCheckBox* box) {
  switch (box->checkState()) {
    case Qt::Unchecked: return 0;
    case Qt::Checked: return 1;
    case Qt::PartiallyChecked: return 2;
  }
  return 0;
}

// A stored box value into the box: 0 clear, 2 grey, anything else ticked.
void SetBoxState(QCheckBox* box, int value) {
  box->setCheckState(value == 0 ? Qt::Unchecked : value == 2 ? Qt::PartiallyChecked : Qt::Checked);
}

}  // namespace

void WrappingCheckBox::paintEvent(QPaintEvent* /*event*/) {
  QStylePainter p(this);
  QStyleOptionButton opt;
  initStyleOption(&opt);
  const QRect indicator = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &opt, this);
  QStyleOptionButton ind = opt;
  ind.rect = QRect(indicator.left(), 0, indicator.width(), indicator.height());
  ind.text.clear();
  p.drawPrimitive(QStyle::PE_IndicatorCheckBox, ind);
  const int gap = style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &opt, this);
  const QRect textRect(indicator.right() + 1 + gap, 0, width() - indicator.right() - 1 - gap, height());
  p.setPen(palette().color(QPalette::WindowText));
  p.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text());
  if (hasFocus()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = p.boundingRect(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text());
    p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
  }
}

bool WrappingCheckBox::hitButton(const QPoint& pos) const { return rect().contains(pos); }

frmMain::frmMain(MessageSink& messages, const QString& startFolder, QWidget* parent)
    : QMainWindow(parent), messages_(messages), jobs_(session_), end_([] { QApplication::quit(); }) {
  setObjectName(QStringLiteral("frmMain"));
  session_.startFolder = S(startFolder);
  BuildControls();
  BuildMenus();
  ConnectHandlers();
  SetToolTips();
  // A star, locations or site limits file dropped on the window is loaded.
  setAcceptDrops(true);
  StartUp();
}

frmMain::~frmMain() = default;

void FocusFrameButton::paintEvent(QPaintEvent* event) {
  QPushButton::paintEvent(event);
  if (!hasFocus()) return;
  // Some styles mark a focused button only by a faint tint: a frame in the
  // highlight colour shows where Enter and Space go.
  QPainter p(this);
  p.setPen(QPen(palette().color(QPalette::Highlight), 2));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(QRectF(rect()).adjusted(3, 3, -3, -3), 2, 2);
}

void frmMain::BuildControls() {
  const Twips t = Twips::For(this);
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("client"));
  client->setAutoFillBackground(true);
  QPalette pal = client->palette();
  pal.setColor(QPalette::Window, kLightBlue);
  client->setPalette(pal);
  client->setFont(ControlFont());
  setCentralWidget(client);
  setWindowTitle(QStringLiteral("Tevaro - Veltrin Observatory"));

  // Rows of the form, in twips: the title, then fifteen rows at a fixed pitch.
  constexpr int kRowPitch = 375, kFirstRow = 600, kRowHeight = 285;
  constexpr int kLabelLeft = 120, kLabelWidth = 2535, kFieldLeft = 2760, kGap = 120;
  auto rowTop = [](int row) { return kFirstRow + (row - 2) * kRowPitch; };

  auto label = [&](int n, const char* caption, int left, int row, int width) {
    auto* l = new QLabel(QString::fromLatin1(caption), client);
    l->setObjectName(QStringLiteral("Label%1").arg(n));
    l->setGeometry(t.Rect(left, rowTop(row), width, kRowHeight));
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return l;
  };
  auto text = [&](int n, const char* design, int left, int row, int width) {
    auto* e = new QLineEdit(QString::fromLatin1(design), client);
    e->setObjectName(QStringLiteral("Text%1").arg(n));
    e->setGeometry(t.Rect(left, rowTop(row), width, kRowHeight));
    return e;
  };
  auto status = [&](int n, int row) {
    QLineEdit* e = text(n, kStatusStartText, 1800, row, 2895);
    e->setReadOnly(true);
    SetTextColour(e, QPalette::Text, Qt::red);
    return e;
  };

  // Row 1: the title.
  auto* title = new QLabel(QStringLiteral("Tevaro Win v%1").arg(QString::fromLatin1(kVersion)), client);
  title->setObjectName(QStringLiteral("Label1"));
  QFont titleFont(QStringLiteral("Arial"));
  titleFont.setPointSizeF(18);
  titleFont.setBold(true);
  title->setFont(titleFont);
  SetTextColour(title, QPalette::WindowText, kDarkRed);
  title->setAlignment(Qt::AlignCenter);
  title->setGeometry(t.Rect(120, 60, 7380, 480));

  // Row 2: the site list.
  label(2, "Observatory Location", kLabelLeft, 2, kLabelWidth);
  siteList_ = new QComboBox(client);
  siteList_->setObjectName(QStringLiteral("Combo1"));
  siteList_->setEditable(true);
  siteList_->setInsertPolicy(QComboBox::NoInsert);
  // Typed text never selects an entry: no completion, and Enter runs
  // Calculate before the combo box would look the text up in its list.
  siteList_->setCompleter(nullptr);
  siteList_->installEventFilter(this);
  siteList_->lineEdit()->installEventFilter(this);
  siteList_->setEditText(QStringLiteral("Veltrin Observatory"));
  siteList_->setGeometry(t.Rect(kFieldLeft, rowTop(2) - 15, 3255, kRowHeight + 30));

  // Rows 3 to 5: the site's coordinates and zone, with the daylight-saving box.
  label(3, "Longitude (+ to west)", kLabelLeft, 3, kLabelWidth);
  longitudeField_ = text(1, " 123", kFieldLeft, 3, 1215);
  label(12, "DD.MMSSs", kFieldLeft + 1215 + kGap, 3, 1000);
  label(4, "Latitude (+ to N)", kLabelLeft, 4, kLabelWidth);
  latitudeField_ = text(2, " 54", kFieldLeft, 4, 1215);
  label(13, "DD.MMSSs", kFieldLeft + 1215 + kGap, 4, 1000);
  dstBox_ = new WrappingCheckBox(QStringLiteral("Enable daylight savings correction (Can-USA only)"), client);
  dstBox_->setObjectName(QStringLiteral("Check3"));
  dstBox_->setGeometry(t.Rect(5160, rowTop(4), 2400, kRowPitch + kRowHeight));
  label(5, "Time Zone (+ to west)", kLabelLeft, 5, kLabelWidth);
  zoneField_ = text(3, "8", kFieldLeft, 5, 495);
  zoneHint_ = label(14, "PST=8, MST=7, EST=5, etc.", kFieldLeft + 495 + kGap, 5, 2200);
  // Zone names complete from the database's list, matching anywhere in the
  // name ("Berlin" offers Europe/Berlin).
  QStringList zoneNames;
  for (const std::string& name : astro::ZoneNames()) zoneNames.append(Q(name));
  auto* completer = new QCompleter(new QStringListModel(zoneNames, zoneField_), zoneField_);
  completer->setCaseSensitivity(Qt::CaseInsensitive);
  completer->setFilterMode(Qt::MatchContains);
  zoneField_->setCompleter(completer);

  // Rows 6 to 8: the evening date.
  label(6, "Year (4 digits)", kLabelLeft, 6, kLabelWidth);
  yearField_ = text(4, "2011", kFieldLeft, 6, 735);
  runCaption_ = label(23, "", kFieldLeft + 735 + kGap, 6, 3600);
  SetTextColour(runCaption_, QPalette::WindowText, Qt::red);
  label(7, "Month (1-12)", kLabelLeft, 7, kLabelWidth);
  monthField_ = text(5, "5", kFieldLeft, 7, 495);
  label(8, "Day (1-31)", kLabelLeft, 8, kLabelWidth);
  dayField_ = text(6, "4", kFieldLeft, 8, 495);
  label(16, "evening date (local time)", kFieldLeft + 495 + kGap, 8, 3000);

  // Rows 9 to 11: nights and the altitude limits.
  label(9, "Number of days to calculate", kLabelLeft, 9, kLabelWidth);
  nightsField_ = text(7, "1", kFieldLeft, 9, 495);
  label(10, "Maximum Sun altitude (deg)", kLabelLeft, 10, kLabelWidth);
  maxSunField_ = text(8, "-10", kFieldLeft, 10, 735);
  label(15, "minus for below the horizon (usual case)", kFieldLeft + 735 + kGap, 10, 4000);
  label(11, "Minimum star altitude (deg)", kLabelLeft, 11, kLabelWidth);
  minStarField_ = text(9, "+20", kFieldLeft, 11, 735);
  label(18, "plus for above the horizon (usual case)", kFieldLeft + 735 + kGap, 11, 4000);

  // Rows 12 to 14: the data files' StatusFields.
  label(22, "Locations file:", kLabelLeft, 12, 1600);
  locationsStatus_ = status(12, 12);
  label(21, "Site limits file:", kLabelLeft, 13, 1600);
  limitsStatus_ = status(11, 13);
  label(17, "Star data file:", kLabelLeft, 14, 1600);
  starsStatus_ = status(10, 14);
  ignoreEaBox_ = new WrappingCheckBox(QStringLiteral("Ignore EA secondary minima"), client);
  ignoreEaBox_->setObjectName(QStringLiteral("Check2"));
  ignoreEaBox_->setGeometry(t.Rect(4860, rowTop(14), 2700, kRowHeight));

  // Row 15: the events; row 16: the output columns and Calculate.
  label(19, "Events:", kLabelLeft, 15, 1000);
  const char* events[4] = {"Prim. Min.", "Ph. 0.25 max", "Sec. Min.", "Ph. 0.75 max"};
  for (int i = 0; i < 4; ++i) {
    auto* box = new QCheckBox(QString::fromLatin1(events[i]), client);
    box->setObjectName(QStringLiteral("Check1_%1").arg(i));
    box->setGeometry(t.Rect(1200 + i * 1560, rowTop(15), 1500, kRowHeight));
    eventBoxes_[static_cast<std::size_t>(i)] = box;
  }
  label(20, "Output:", kLabelLeft, 16, 1000);
  const char* options[3] = {"Alt. + Azim.", "HA + airmass", "HA + Decl."};
  for (int i = 0; i < 3; ++i) {
    auto* o = new QRadioButton(QString::fromLatin1(options[i]), client);
    o->setObjectName(QStringLiteral("Option%1").arg(i + 1));
    o->setGeometry(t.Rect(1200 + i * 1560, rowTop(16), 1500, kRowHeight));
    columnOptions_[static_cast<std::size_t>(i)] = o;
  }
  columnOptions_[0]->setChecked(true);
  calculateButton_ = new FocusFrameButton(QStringLiteral("Calculate"), client);
  calculateButton_->setObjectName(QStringLiteral("Command1"));
  calculateButton_->setGeometry(t.Rect(6000, rowTop(16) - 45, 1380, kRowHeight + 90));
  calculateButton_->setDefault(true);

  jobStatus_ = new QLabel(this);
  jobStatus_->setObjectName(QStringLiteral("jobStatus"));
  connect(&jobs_, &JobBoard::Changed, jobStatus_, [this] { jobStatus_->setText(jobs_.StatusText()); });
  jobs_.Guard(calculateButton_, JobKind::Calculate);
  progress_ = new QProgressBar(this);
  progress_->setObjectName(QStringLiteral("runProgress"));
  progress_->setRange(0, 0);  // busy: a run does not know its share done
  progress_->setTextVisible(false);
  cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancelButton_->setObjectName(QStringLiteral("runCancel"));
  cancelButton_->setAutoDefault(false);
  // The notes of a start-up or a load: clipped to the window's width, the
  // whole text as their tooltip; a menu's status tips only cover them.
  notes_ = new QLabel(this);
  notes_->setObjectName(QStringLiteral("notes"));
  notes_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  notes_->hide();
  statusBar()->setSizeGripEnabled(false);
  statusBar()->addWidget(jobStatus_);
  statusBar()->addWidget(notes_, 1);
  statusBar()->addWidget(progress_, 1);
  statusBar()->addPermanentWidget(cancelButton_);
  progress_->hide();
  cancelButton_->hide();
  connect(cancelButton_, &QPushButton::clicked, this, &frmMain::CancelRun);
  escape_ = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape_->setEnabled(false);  // Escape is the run's only while one goes on
  connect(escape_, &QShortcut::activated, this, &frmMain::CancelRun);

  // Keyboard order: the site list, Text1 to Text9, Calculate, then the boxes.
  QList<QWidget*> order{siteList_,    longitudeField_, latitudeField_, zoneField_,   yearField_,     monthField_,
                        dayField_,    nightsField_,    maxSunField_,   minStarField_, calculateButton_};
  order.append(dstBox_);
  order.append(ignoreEaBox_);
  for (QCheckBox* b : eventBoxes_) order.append(b);
  for (QRadioButton* o : columnOptions_) order.append(o);
  order.append(locationsStatus_);
  order.append(limitsStatus_);
  order.append(starsStatus_);
  for (qsizetype i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);
}

void frmMain::BuildMenus() {
  // Captions carry their mnemonics; the usual shortcuts go to the same actions.
  auto menu = [&](const char* name, const char* caption) {
    QMenu* m = menuBar()->addMenu(QString::fromLatin1(caption));
    m->setObjectName(QString::fromLatin1(name));
    m->menuAction()->setObjectName(QString::fromLatin1(name));
    return m;
  };
  auto item = [&](QMenu* m, const char* name, const char* caption, const QKeySequence& keys = {}) {
    QAction* a = m->addAction(QString::fromLatin1(caption));
    a->setObjectName(QString::fromLatin1(name));
    a->setShortcut(keys);
    return a;
  };
  QMenu* file = menu("File", "&File");
  connect(item(file, "Open_LocationsFile", "Open &Locations File ..."), &QAction::triggered, this,
          &frmMain::OpenLocationsFile);
  connect(item(file, "Open_LimitsFile", "Open Site l&imits File ..."), &QAction::triggered, this,
          &frmMain::OpenLimitsFile);
  connect(item(file, "Open_StarFile", "Open &Star data File ...", QKeySequence::Open), &QAction::triggered, this,
          &frmMain::OpenStarFile);
  // The star files last loaded, Ctrl+1 the latest; the entries are also the
  // window's own actions, so their keys work with the menu closed.
  recentMenu_ = file->addMenu(QStringLiteral("Open &Recent"));
  recentMenu_->setObjectName(QStringLiteral("mOpenRecent"));
  recentMenu_->setToolTipsVisible(true);
  for (std::size_t i = 0; i < recentActions_.size(); ++i) {
    QAction* a = recentMenu_->addAction(QString());
    a->setObjectName(QStringLiteral("mRecent%1").arg(i + 1));
    a->setShortcut(QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_1 + static_cast<int>(i))));
    addAction(a);
    connect(a, &QAction::triggered, this, [this, i] {
      const std::vector<std::string> files = recentStarFiles();
      if (i < files.size()) LoadStarFileAt(Q(files[i]));
    });
    recentActions_[i] = a;
  }
  recentMenu_->addSeparator();
  clearRecent_ = item(recentMenu_, "mClearRecent", "&Clear");
  connect(clearRecent_, &QAction::triggered, this, &frmMain::ClearRecentStarFiles);
  file->addSeparator()->setObjectName(QStringLiteral("blank"));
  connect(item(file, "Exit", "E&xit", QKeySequence(Qt::CTRL | Qt::Key_Q)), &QAction::triggered, this, [this] {
    ExitProgram();
    close();
  });

  // Options: how the star file's epochs are read, one of three.
  QMenu* options = menu("Options", "&Options");
  auto* epochs = new QActionGroup(this);
  for (std::size_t k = 0; k < std::size(astro::kEpochScales); ++k) {
    const astro::EpochScaleTexts& t = astro::kEpochScales[k];
    QAction* a = item(options, t.menuName, t.menuText);
    a->setCheckable(true);
    epochs->addAction(a);
    epochActions_[k] = a;
    const astro::EpochScale scale = t.scale;
    connect(a, &QAction::triggered, this, [this, scale] { session_.params.epochScale = scale; });
  }
  // Whether minima of stars with a duration are tested over the whole eclipse.
  options->addSeparator()->setObjectName(QStringLiteral("mOptionsLine"));
  wholeEclipseAction_ = item(options, "mWholeEclipse", "&Whole eclipse");
  wholeEclipseAction_->setCheckable(true);
  connect(wholeEclipseAction_, &QAction::toggled, this, [this](bool on) { session_.params.wholeEclipse = on; });
  // The Moon on the night lines and the " moon" mark, kept in the options file.
  moonAction_ = item(options, "mMoon", "&Moon");
  moonAction_->setCheckable(true);
  connect(moonAction_, &QAction::toggled, this, [this](bool on) { session_.params.moon = on; });
  // How far off each prediction may be, from the stars' epoch and period errors.
  uncertaintyAction_ = item(options, "mUncertainty", "&Show uncertainty");
  uncertaintyAction_->setCheckable(true);
  uncertaintyAction_->setToolTip(
      QStringLiteral("How far off each prediction may be, from the star file's epoch_error and period_error:\n"
                     "event lines end with \u00b1" "43m or \u00b1" "2.3h, Whole eclipse widens each end by 2 sigma,\n"
                     "and the night chart draws a \u00b1" "2 sigma band around each event."));
  connect(uncertaintyAction_, &QAction::toggled, this, [this](bool on) { session_.params.uncertainty = on; });
  options->setToolTipsVisible(true);  // a menu shows its actions' tooltips only when asked

  QMenu* help = menu("Help", "&Help");
  connect(item(help, "Helpdata", "Help-&Data", QKeySequence(Qt::Key_F1)), &QAction::triggered, this,
          &frmMain::ShowHelp);
  connect(item(help, "About", "&About"), &QAction::triggered, this, &frmMain::ShowAbout);
}

void frmMain::ConnectHandlers() {
  run::RunParameters& p = session_.params;
  // The fields whose change keeps a run input current.
  const std::pair<QLineEdit*, run::Field> changeRules[] = {
      {longitudeField_, run::Field::Longitude}, {latitudeField_, run::Field::Latitude},
      {zoneField_, run::Field::Zone},           {nightsField_, run::Field::Nights},
      {maxSunField_, run::Field::MaxSun},       {minStarField_, run::Field::MinStar}};
  // The rule is captured by value: clang before 16 cannot capture a structured binding.
  for (const auto& [field, rule] : changeRules)
    connect(field, &QLineEdit::textChanged, this,
            [&p, meaning = rule](const QString& text) { run::ApplyFieldChange(meaning, S(text), p); });
  connect(dstBox_, &QCheckBox::stateChanged, this, [this, &p] { p.dstEnabled = dstBox_->checkState() == Qt::Checked; });
  connect(zoneField_, &QLineEdit::textChanged, this, &frmMain::ShowZoneKind);
  for (int i = 0; i < 3; ++i)
    connect(columnOptions_[static_cast<std::size_t>(i)], &QRadioButton::toggled, this, [&p, i](bool on) {
      if (on) p.outputMode = static_cast<std::int16_t>(i + 1);
    });
  // Enter in a field is Calculate; the Enter that picks a zone name from the
  // completion list only picks it (the list passes that key on to the field).
  for (QLineEdit* field : {longitudeField_, latitudeField_, yearField_, monthField_, dayField_, nightsField_,
                           maxSunField_, minStarField_})
    connect(field, &QLineEdit::returnPressed, this, &frmMain::Calculate);
  // The list sends that Enter to the field before it takes the name, so the
  // key is marked as it reaches the list (this filter runs before the list's).
  zoneField_->completer()->popup()->installEventFilter(this);
  connect(zoneField_, &QLineEdit::returnPressed, this, [this] {
    if (!std::exchange(zoneJustCompleted_, false)) Calculate();
  });
  // Only a pick from the list runs the site selection, not typing.
  connect(siteList_, &QComboBox::activated, this, &frmMain::SelectSite);
  connect(calculateButton_, &QPushButton::clicked, this, &frmMain::Calculate);
}

void frmMain::SetToolTips() {
  const std::pair<QWidget*, const char*> tips[] = {
      {siteList_, "The observatory: picking one from the locations file fills in longitude, latitude and time zone"},
      {longitudeField_, "Longitude of the observer, DD.MMSS (122.50515 is 122\u00b0 50' 51.5\"), positive to the west, "
                        "-180 to 180; e.g. 120.3015"},
      {latitudeField_, "Latitude of the observer, DD.MMSS, positive to the north, -90 to 90; e.g. 50.123"},
      {dstBox_, "Daylight-saving correction by the rule of Canada and the USA: from the second Sunday in March to the "
                "first Sunday in November; not used with a zone name, which has its own rules"},
      {yearField_, "Year of the evening date, 1900 to 2100; e.g. 2025"},
      {monthField_, "Month of the evening date, 1 to 12"},
      {dayField_, "Day of the evening date (the local date on which the night begins), 1 to 31"},
      {nightsField_, "Number of nights to calculate from the evening date on, 1 to 365; e.g. 7"},
      {maxSunField_, "Highest Sun altitude at an event, degrees, 0 or below: -6 civil, -12 nautical, -18 astronomical "
                     "twilight"},
      {minStarField_, "Lowest altitude of the star at an event, degrees, 0 to 90; e.g. 20 (airmass 2.9)"},
      {ignoreEaBox_, "Leave out the secondary minima of stars of type EA"},
      {eventBoxes_[0], "Primary minimum, phase 0"},
      {eventBoxes_[1], "Maximum at phase 0.25"},
      {eventBoxes_[2], "Secondary minimum, phase 0.5"},
      {eventBoxes_[3], "Maximum at phase 0.75"},
      {columnOptions_[0],
       "The report's last columns: the star's azimuth (from north through east) and altitude, degrees"},
      {columnOptions_[1], "The report's last columns: the star's hour angle (hours, west positive) and airmass"},
      {columnOptions_[2], "The report's last columns: the star's hour angle and declination"},
      {locationsStatus_, "The loaded locations file: File > Open Locations File ..., or drop one on this window"},
      {limitsStatus_, "The loaded site limits file: File > Open Site limits File ..., or drop one on this window"},
      {starsStatus_, "The loaded star data file: File > Open Star data File ... (Ctrl+O), File > Open Recent, or drop "
                     "one on this window"},
      {calculateButton_, "Lists the events of the stars in the span of nights (Enter); Escape stops a long run"},
  };
  for (const auto& [widget, tip] : tips) widget->setToolTip(QString::fromUtf8(tip));
  zoneField_->setToolTip(ZoneToolTip());
  // The Options menu's checks say what they change.
  for (std::size_t k = 0; k < epochActions_.size(); ++k)
    epochActions_[k]->setToolTip(QStringLiteral("The star file's epochs are read as: %1")
                                     .arg(QString::fromLatin1(astro::kEpochScales[k].menuText).remove(u'&')));
  wholeEclipseAction_->setToolTip(QStringLiteral(
      "Test minima of stars whose file gives the eclipse's duration (tenth field, hours) over the whole eclipse; "
      "one only partly observable is marked part"));
  moonAction_->setToolTip(QStringLiteral(
      "End each night line with the Moon of that night and mark moon each event near a bright Moon that is up"));
  if (auto* options = menuBar()->findChild<QMenu*>(QStringLiteral("Options"))) options->setToolTipsVisible(true);
}

void frmMain::ShowStatus(QLineEdit* field, const QString& fileName) {
  field->setText(fileName);
  SetTextColour(field, QPalette::Text, Qt::black);
}

void frmMain::StartUp() {
  const QDate today = QDate::currentDate();
  const run::StartUpResult r = session_.StartUp(session_.startFolder, {today.year(), today.month(), today.day()});
  if (!r.locationsFailure) {
    FillSiteList();
    ShowStatus(locationsStatus_, QStringLiteral("Location.dat"));
  }
  const run::InputFields& f = r.fields;
  longitudeField_->setText(Q(f.longitude));
  latitudeField_->setText(Q(f.latitude));
  zoneField_->setText(Q(f.zone));
  yearField_->setText(Q(f.year));
  monthField_->setText(Q(f.month));
  dayField_->setText(Q(f.day));
  nightsField_->setText(Q(f.nights));
  maxSunField_->setText(Q(f.maxSun));
  minStarField_->setText(Q(f.minStar));
  for (std::size_t k = 0; k < 4; ++k) eventBoxes_[k]->setChecked(f.eventBox[k] != 0);
  columnOptions_[static_cast<std::size_t>(f.option - 1)]->setChecked(true);
  SetBoxState(ignoreEaBox_, f.ignoreEaBox);
  {
    // Start-up's tick is the user's, also when a zone name greys the box.
    const QSignalBlocker block(dstBox_);
    dstTicked_ = session_.params.dstEnabled;
    dstBox_->setChecked(session_.params.dstEnabled && dstBox_->isEnabled());
  }
  if (!r.limitsFailure) ShowStatus(limitsStatus_, QStringLiteral("Limits.dat"));
  ShowEpochScale();
  // Start-up's words in the status area: an options file that cannot be read
  // (on stderr too: the window will not write it, so its choices are kept)
  // and the lines of the start-up files read all the same.
  std::vector<data::FileWarning> notes;
  if (r.optionsFailure) {
    notes.push_back(*r.optionsFailure);
    notes.back().reason += "; its choices are not used and it is not written over";
    std::cerr << "tevaro: " << notes.back().Message() << "\n";
  }
  notes.insert(notes.end(), r.warnings.begin(), r.warnings.end());

  ReloadLastStarFile(notes);
  ShowRecentStarFiles();

  ApplyOuter(*this, {400, 1000, 7740, 7100});
  // The status area below the form holds the progress of a long run; the
  // window grows by its height so the form keeps its size.
  resize(width(), height() + statusBar()->sizeHint().height());
  // Where the user left the window last time, when that is on a screen.
  ApplyRememberedPlace(*this, session_.options, kMainWindowKey);
  ShowNotes(std::move(notes));
}

void frmMain::ShowZoneKind(const QString& text) {
  const Twips t = Twips::For(this);
  const bool named = astro::LooksLikeZoneName(S(text));
  // Up to the daylight-saving box for a name, the design's width for hours.
  constexpr int kFieldLeft = 2760, kNarrow = 495, kWide = 2280;
  const QRect g = zoneField_->geometry();
  zoneField_->setGeometry(g.left(), g.top(), t.Rect(kFieldLeft, 0, named ? kWide : kNarrow, 0).width(), g.height());
  zoneHint_->setVisible(!named);
  // The box does not apply to a named zone: greyed and clear, while the
  // user's tick (and the settings' value) waits for hours to come back.
  if (named == dstBox_->isEnabled()) {
    const QSignalBlocker block(dstBox_);
    if (named) dstTicked_ = dstBox_->isChecked();
    dstBox_->setChecked(!named && dstTicked_);
    dstBox_->setEnabled(!named);
  }
  zoneField_->setToolTip(named ? text.trimmed() : ZoneToolTip());
}

void frmMain::ShowEpochScale() {
  for (std::size_t k = 0; k < epochActions_.size(); ++k)
    if (astro::kEpochScales[k].scale == session_.params.epochScale) epochActions_[k]->setChecked(true);
  wholeEclipseAction_->setChecked(session_.params.wholeEclipse);
  moonAction_->setChecked(session_.params.moon);
  uncertaintyAction_->setChecked(session_.params.uncertainty);
}

void frmMain::FillSiteList() {
  // The list mirrors the loaded table; entries of an earlier, longer file
  // would name slots the table no longer has.
  const QString typed = siteList_->currentText();
  {
    const QSignalBlocker block(siteList_);
    siteList_->clear();
    for (const data::SiteEntry& site : session_.sites.entries) siteList_->addItem(Q(site.name));
    siteList_->setCurrentIndex(-1);
    siteList_->setEditText(typed);
  }
  // The load has picked the saved site already; the fields show it.
  if (const int k = session_.SiteToSelect(); k >= 0) {
    const QSignalBlocker block(siteList_);
    siteList_->setCurrentIndex(k);
    ShowSite(session_.SiteTexts(k));
  }
}

void frmMain::SelectSite(int k) {
  if (k < 0 || static_cast<std::size_t>(k) >= session_.sites.entries.size()) return;
  ShowSite(session_.SelectSite(k));
}

void frmMain::ShowSite(const run::SiteFieldTexts& t) {
  // The session has stored the values; the fields' change handlers store the
  // same again.
  longitudeField_->setText(Q(t.longitude));
  latitudeField_->setText(Q(t.latitude));
  zoneField_->setText(Q(t.zone));
  setWindowTitle(Q(t.caption));
}

// The controls and their meanings:
//   Combo1   siteList_         Text1  longitudeField_   Text2  latitudeField_
//   Text3    zoneField_        Text4  yearField_        Text5  monthField_
//   Text6    dayField_         Text7  nightsField_      Text8  maxSunField_
//   Text9    minStarField_     Text10 starsStatus_      Text11 limitsStatus_
//   Text12   locationsStatus_  Label23 runCaption_      Command1 calculateButton_
//   Check1(0..3) eventBoxes_   Check2 ignoreEaBox_      Check3 dstBox_
//   Option1..3 columnOptions_
run::InputFields frmMain::ReadFields() const {
  run::InputFields in;
  in.siteIndex = siteList_->currentIndex();
  in.longitude = S(longitudeField_->text());
  in.latitude = S(latitudeField_->text());
  in.zone = S(zoneField_->text());
  in.year = S(yearField_->text());
  in.month = S(monthField_->text());
  in.day = S(dayField_->text());
  in.nights = S(nightsField_->text());
  in.maxSun = S(maxSunField_->text());
  in.minStar = S(minStarField_->text());
  for (std::size_t i = 0; i < 4; ++i) in.eventBox[i] = BoxState(eventBoxes_[i]);
  in.ignoreEaBox = BoxState(ignoreEaBox_);
  in.option = 0;
  for (int i = 0; i < 3; ++i)
    if (columnOptions_[static_cast<std::size_t>(i)]->isChecked()) in.option = i + 1;
  return in;
}

// A run beside the window: its inputs go to a worker thread, which hands the
// product back and wakes the Calculate that waits for it.
struct frmMain::RunJob {
  std::atomic<bool> cancel{false};
  bool superseded = false;  // stopped by a later Calculate, not by the user
  std::atomic<bool> done{false};
  run::RunProduct product;
  std::string failure;  // what stopped the worker, when it threw
  QEventLoop loop;
  std::thread worker;
};

void frmMain::Calculate() {
  // Enter in a field comes here with the button disabled too.
  if (!jobs_.MayStart(JobKind::Calculate)) return;
  run::RunInputs inputs;
  if (auto refused = session_.CheckForRun(ReadFields(), inputs)) {
    messages_.Show(this, refused->status == run::CalculateResult::Status::FilesMissing ? LoadFirstMessage()
                                                                                        : Q(refused->message));
    return;
  }
  // The chart left open draws the new run at once: the run keeps its events.
  inputs.keepEvents = output_ && output_->nightChart() && output_->nightChart()->isVisible();
  // A run still going is stopped; its Calculate returns once it has ended.
  if (running_) running_->superseded = true;
  CancelRun();
  statusBar()->clearMessage();

  RunJob job;
  bool complete = false;
  {
    // A job while it runs; taking its product below is not.
    const JobBoard::Job calculating = jobs_.Start(JobKind::Calculate);
    RunJob* const previous = running_;
    running_ = &job;
    QTimer progressDelay;
    progressDelay.setSingleShot(true);
    connect(&progressDelay, &QTimer::timeout, this, [this, &job] {
      if (running_ == &job) ShowProgress(true);
    });
    progressDelay.start(kProgressDelayMs);
    job.worker = std::thread([&job, in = std::move(inputs)]() mutable {
      try {
        job.product = run::ComputeRun(std::move(in), &job.cancel);
      } catch (const std::exception& e) {
        job.failure = e.what();
      }
      job.done = true;
      QMetaObject::invokeMethod(&job.loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    // The window keeps working meanwhile; the loop also ends when the program does.
    escape_->setEnabled(true);
    if (!job.done) job.loop.exec();
    // Taken only when it ended by itself: not stopped by Cancel, Escape or a
    // later Calculate, nor cut off by the program's end.
    complete = job.done && !job.cancel;
    job.cancel = true;
    job.worker.join();
    // The queued wake-up may still be waiting: it must not reach a loop that is gone.
    QCoreApplication::removePostedEvents(&job.loop);
    running_ = previous == nullptr || previous->done ? nullptr : previous;
    if (running_ == nullptr) {
      ShowProgress(false);
      escape_->setEnabled(false);
    }
  }

  using Status = run::CalculateResult::Status;
  if (!complete || job.product.result.status == Status::Cancelled) {
    // Stopped by the user (not by a newer Calculate, whose run follows).
    if (!job.superseded && !ended_) statusBar()->showMessage(QString::fromLatin1(kCancelledText));
    return;
  }
  if (!job.failure.empty()) {
    messages_.Show(this, QStringLiteral("The run could not be completed: ") + Q(job.failure));
    return;
  }
  const run::CalculateResult r = session_.AcceptRun(std::move(job.product));
  if (r.status == Status::NoEvent || r.status == Status::TooManyEvents || r.status == Status::Listed)
    runCaption_->setText(Q(session_.label23Caption));
  if (r.status != Status::Listed) {
    messages_.Show(this, Q(r.message));
    return;
  }
  if (!output_) {
    output_ = std::make_unique<frmOutput>(session_, messages_, nullptr, nullptr, &jobs_);
    output_->SetFirstPlaceBeside(this);
  }
  output_->ShowReport();
}

void frmMain::CancelRun() {
  if (running_ == nullptr) return;
  running_->cancel = true;
  running_->loop.quit();
}

void frmMain::ShowNotes(std::vector<data::FileWarning> notes) {
  if (notes.empty()) return;
  QStringList texts;
  for (data::FileWarning& note : notes) {
    note.file = std::filesystem::path(note.file).filename().string();
    texts.append(Q(note.Message()));
  }
  notes_->setText(texts.join(QStringLiteral("  ")));
  notes_->setToolTip(texts.join(QStringLiteral("\n")));
  notes_->show();
}

void frmMain::ShowProgress(bool shown) {
  // The notes have been read by the first run; the progress takes their place.
  if (shown) notes_->hide();
  progress_->setVisible(shown);
  cancelButton_->setVisible(shown);
}

void frmMain::ExitProgram() {
  if (ended_) return;
  ended_ = true;
  const std::string message = run::ValidateInputs(ReadFields(), session_.params);
  if (!message.empty()) messages_.Show(this, Q(message));
  // The windows' places, beyond the settings' eleven lines.
  RememberPlace(session_.options, kMainWindowKey, ReadOuter(*this));
  if (output_ && output_->nightChart() && output_->nightChart()->isVisible()) output_->nightChart()->RememberPlace();
  // Both files go to the one folder: a folder that takes neither is said once.
  const data::WriteResult settingsFailure = session_.SaveSettingsFile();
  const data::WriteResult optionsFailure = session_.SaveOptionsFile();
  if (settingsFailure)
    messages_.Show(this, QStringLiteral("The settings could not be saved.  ") + Q(settingsFailure->Message()));
  else if (optionsFailure)
    messages_.Show(this, QStringLiteral("The options could not be saved.  ") + Q(optionsFailure->Message()));
  // Every window goes at once, without the other windows' own closing steps.
  if (output_) output_->HideAll();
  if (help_) help_->hide();
  if (about_) about_->hide();
  for (frmFileChooser* c : {starChooser(), locationsChooser(), limitsChooser()})
    if (c) c->hide();
  if (end_) end_();
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == zoneField_->completer()->popup() && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      zoneJustCompleted_ = true;
      QTimer::singleShot(0, this, [this] { zoneJustCompleted_ = false; });
    }
  }
  if ((watched == siteList_ || watched == siteList_->lineEdit()) && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      Calculate();
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void frmMain::closeEvent(QCloseEvent* event) {
  ExitProgram();
  event->accept();
}

void frmMain::ShowHelp() {
  if (!help_) help_ = std::make_unique<frmHelp>();
  help_->ShowWindow();
}

void frmMain::ShowAbout() {
  if (!about_) about_ = std::make_unique<frmAbout>();
  about_->show();
  about_->raise();
  about_->activateWindow();
}

void frmMain::OpenChooser(std::unique_ptr<frmFileChooser>& chooser, ChooserKind kind, void (frmMain::*onOk)()) {
  const bool first = !chooser;
  if (first)
    chooser = std::make_unique<frmFileChooser>(kind, QStringLiteral("location.dat"), [this, onOk] { (this->*onOk)(); });
  chooser->OpenFromMenu();
  // "location.dat" in the star chooser would load the locations file as
  // stars: it proposes the first star file of its folder instead.
  if (first && kind == ChooserKind::StarFile) chooser->ProposeFirstFile();
}

void frmMain::OpenStarFile() {
  OpenChooser(starChooser_, ChooserKind::StarFile, &frmMain::LoadChosenStarFile);
  // Ready for a typed name: focused, its text selected so typing replaces it.
  if (auto* nameBox = starChooser_->findChild<QLineEdit*>(QStringLiteral("Text1"))) {
    nameBox->setFocus();
    nameBox->selectAll();
  }
}

void frmMain::OpenLocationsFile() {
  OpenChooser(locationsChooser_, ChooserKind::LocationsFile, &frmMain::LoadChosenLocationsFile);
}

void frmMain::OpenLimitsFile() { OpenChooser(limitsChooser_, ChooserKind::LimitsFile, &frmMain::LoadChosenLimitsFile); }

void frmMain::ReportFileFailure(const char* what, const data::FileFailure& failure) {
  messages_.Show(this, QStringLiteral("The %1 was not loaded.  ").arg(QString::fromLatin1(what)) + Q(failure.Message()));
}

void frmMain::LoadChosenStarFile() { LoadStarFileIn(starChooser_->folder(), starChooser_->fileName()); }

bool frmMain::LoadStarFileAt(const QString& path) {
  const QFileInfo info(path);
  return LoadStarFileIn(info.absolutePath(), info.fileName());
}

bool frmMain::LoadStarFileIn(const QString& folder, const QString& name, std::vector<data::FileWarning>* notes) {
  auto failed = [&](const data::FileFailure& failure) {
    if (notes) notes->push_back({failure.file, failure.line, "the star file was not loaded: " + failure.reason});
    else ReportFileFailure("star data file", failure);
    return false;
  };
  // The chosen folder becomes the current one whether or not the file
  // loads, so the next chooser starts there.
  if (!QDir::setCurrent(folder)) {
    session_.chosenFolder = S(folder);
    return failed({run::PathIn(S(folder), S(name)), 0, "its folder cannot be opened"});
  }
  if (auto failure = Waiting([&] { return session_.OpenStarFile(S(folder), S(name)); })) return failed(*failure);
  ShowStatus(starsStatus_, Q(session_.starFileName));
  starsStatus_->setToolTip(Q(run::PathIn(session_.chosenFolder, session_.starFileName)));
  SetRecentStarFiles(WithRecent(recentStarFiles(), run::PathIn(session_.chosenFolder, session_.starFileName)));
  if (!notes) {
    ShowNotes(session_.starFileWarnings);
    ReportUnusableStars(Q(session_.starFileName));
  } else {
    notes->insert(notes->end(), session_.starFileWarnings.begin(), session_.starFileWarnings.end());
    if (!session_.starWarnings.empty())
      notes->push_back({session_.starFileName, 0,
                        std::to_string(session_.starWarnings.size()) +
                            " of its stars can give no event and are left out of every run"});
  }
  return true;
}

void frmMain::ReportUnusableStars(const QString& fileName) {
  const std::vector<run::StarWarning>& warnings = session_.starWarnings;
  if (warnings.empty()) return;
  constexpr std::size_t kShown = 5;
  QString text = QStringLiteral("%1 of the stars in %2 can give no event and are left out of every run:")
                     .arg(warnings.size())
                     .arg(fileName);
  for (std::size_t i = 0; i < std::min(warnings.size(), kShown); ++i)
    text += QStringLiteral("\n") + Q(data::EscapeControls(warnings[i].Text()));
  if (warnings.size() > kShown) text += QStringLiteral("\n... and %1 more.").arg(warnings.size() - kShown);
  messages_.Show(this, text);
}

void frmMain::LoadChosenLocationsFile() {
  LoadLocationsFileIn(locationsChooser_->folder(), locationsChooser_->fileName());
}

void frmMain::LoadLocationsFileIn(const QString& folder, const QString& name) {
  if (auto failure = Waiting([&] { return session_.OpenLocationsFile(S(folder), S(name)); })) {
    ReportFileFailure("locations file", *failure);
    return;
  }
  FillSiteList();
  ShowStatus(locationsStatus_, Q(session_.locationsFileName));
  ShowNotes(session_.siteWarnings);
}

void frmMain::LoadChosenLimitsFile() { LoadLimitsFileIn(limitsChooser_->folder(), limitsChooser_->fileName()); }

void frmMain::LoadLimitsFileIn(const QString& folder, const QString& name) {
  if (auto failure = Waiting([&] { return session_.OpenLimitsFile(S(folder), S(name)); })) {
    ReportFileFailure("site limits file", *failure);
    return;
  }
  ShowStatus(limitsStatus_, Q(session_.limitsFileName));
}

std::vector<std::string> frmMain::recentStarFiles() const { return RecentStarFiles(session_.options); }

void frmMain::SetRecentStarFiles(const std::vector<std::string>& files) {
  ui::SetRecentStarFiles(session_.options, files);
  ShowRecentStarFiles();
}

void frmMain::ClearRecentStarFiles() { SetRecentStarFiles({}); }

void frmMain::ShowRecentStarFiles() {
  const std::vector<std::string> files = recentStarFiles();
  for (std::size_t i = 0; i < recentActions_.size(); ++i) {
    QAction* a = recentActions_[i];
    a->setVisible(i < files.size());
    a->setEnabled(i < files.size());
    if (i >= files.size()) continue;
    const QString path = Q(files[i]);
    a->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName().replace(u'&', QStringLiteral("&&"))));
    a->setToolTip(path);
    a->setStatusTip(path);
  }
  clearRecent_->setEnabled(!files.empty());
  recentMenu_->setEnabled(!files.empty());
}

void frmMain::ReloadLastStarFile(std::vector<data::FileWarning>& notes) {
  std::vector<std::string> files = recentStarFiles();
  if (files.empty()) return;
  const QFileInfo last(Q(files.front()));
  if (!last.isFile()) {
    // Said here once: the next start no longer looks for it.
    starsStatus_->setText(QStringLiteral("Not found: %1 (load file using menu bar)").arg(last.fileName()));
    starsStatus_->setToolTip(last.filePath());
    files.erase(files.begin());
    SetRecentStarFiles(files);
    return;
  }
  LoadStarFileIn(last.absolutePath(), last.fileName(), &notes);
}

void frmMain::dragEnterEvent(QDragEnterEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.size() == 1 && urls.front().isLocalFile() && QFileInfo(urls.front().toLocalFile()).isFile())
    event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.size() != 1 || !urls.front().isLocalFile()) return;
  event->acceptProposedAction();
  LoadDroppedFile(urls.front().toLocalFile());
}

void frmMain::LoadDroppedFile(const QString& path) {
  const QFileInfo info(path);
  // The start of the file tells its kind; the reader then reads it all.
  constexpr qint64 kHead = 64 * 1024;
  QFile file(path);
  const QByteArray head = file.open(QIODevice::ReadOnly) ? file.read(kHead) : QByteArray();
  switch (data::KindOfDataFile(std::string_view(head.constData(), static_cast<std::size_t>(head.size())))) {
    case data::DataFileKind::Locations:
      LoadLocationsFileIn(info.absolutePath(), info.fileName());
      break;
    case data::DataFileKind::Limits:
      LoadLimitsFileIn(info.absolutePath(), info.fileName());
      break;
    case data::DataFileKind::Stars:
      LoadStarFileIn(info.absolutePath(), info.fileName());
      break;
  }
}

QString frmMain::statusText() const {
  if (!statusBar()->currentMessage().isEmpty()) return statusBar()->currentMessage();
  return notes_->isVisible() ? notes_->text() : QString();
}

QString frmMain::LoadFirstMessage() const {
  QString text = QString::fromLatin1(run::kMsgLoadFirst);
  const run::LoadedFlags& l = session_.loaded;
  const std::pair<bool, const char*> missing[] = {
      {l.starsLoaded, "The star data file is not loaded: open it with File > Open Star data File ... (Ctrl+O), or "
                      "drop it on this window."},
      {l.sitesLoaded, "The locations file (Location.dat) is not loaded: open it with File > Open Locations File ..., "
                      "or drop it on this window."},
      {l.limitsLoaded, "The site limits file (Limits.dat) is not loaded: open it with File > Open Site limits File "
                       "..., or drop it on this window."}};
  bool first = true;
  for (const auto& [loaded, advice] : missing) {
    if (loaded) continue;
    text += first ? QStringLiteral("\n\n") : QStringLiteral("\n");
    text += QString::fromLatin1(advice);
    first = false;
  }
  return text;
}

}  // namespace tevaro::ui
