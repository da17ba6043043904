#include "ui/frmMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStylePainter>

#include "astro/angles.h"
#include "data/settings_file.h"
#include "run/number_input.h"
#include "ui/frmAbout.h"
#include "ui/frmFileChooser.h"
#include "ui/frmHelp.h"
#include "ui/frmOutput.h"
#include "ui/twips.h"

namespace tevaro::ui {

namespace {

const QColor kLightBlue(144, 192, 255);
const QColor kDarkRed(192, 0, 0);
constexpr const char* kStatusStartText = "Load file using menu bar";

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
std::string S(const QString& s) { return s.toStdString(); }
QString Number(double x) { return Q(astro::NumberText(x)); }

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

// The wait cursor while a run computes, restored however the run ends.
class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

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
    : QMainWindow(parent), messages_(messages), end_([] { QApplication::quit(); }) {
  setObjectName(QStringLiteral("frmMain"));
  session_.startFolder = S(startFolder);
  BuildControls();
  BuildMenus();
  ConnectHandlers();
  StartUp();
}

frmMain::~frmMain() = default;

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
    label_[static_cast<std::size_t>(n)] = l;
    return l;
  };
  auto text = [&](int n, const char* design, int left, int row, int width) {
    auto* e = new QLineEdit(QString::fromLatin1(design), client);
    e->setObjectName(QStringLiteral("Text%1").arg(n));
    e->setGeometry(t.Rect(left, rowTop(row), width, kRowHeight));
    text_[static_cast<std::size_t>(n)] = e;
    return e;
  };
  auto status = [&](int n, int row) {
    QLineEdit* e = text(n, kStatusStartText, 1800, row, 2895);
    e->setReadOnly(true);
    SetTextColour(e, QPalette::Text, Qt::red);
    return e;
  };

  // Row 1: the title.
  auto* title = new QLabel(QStringLiteral("Tevaro Win v2.3"), client);
  title->setObjectName(QStringLiteral("Label1"));
  QFont titleFont(QStringLiteral("Arial"));
  titleFont.setPointSizeF(18);
  titleFont.setBold(true);
  title->setFont(titleFont);
  SetTextColour(title, QPalette::WindowText, kDarkRed);
  title->setAlignment(Qt::AlignCenter);
  title->setGeometry(t.Rect(120, 60, 7380, 480));
  label_[1] = title;

  // Row 2: the site list.
  label(2, "Observatory Location", kLabelLeft, 2, kLabelWidth);
  combo1_ = new QComboBox(client);
  combo1_->setObjectName(QStringLiteral("Combo1"));
  combo1_->setEditable(true);
  combo1_->setInsertPolicy(QComboBox::NoInsert);
  // Typed text never selects an entry: no completion, and Enter is swallowed
  // before the combo box would look the text up in its list.
  combo1_->setCompleter(nullptr);
  combo1_->installEventFilter(this);
  combo1_->lineEdit()->installEventFilter(this);
  combo1_->setEditText(QStringLiteral("Veltrin Observatory"));
  combo1_->setGeometry(t.Rect(kFieldLeft, rowTop(2) - 15, 3255, kRowHeight + 30));

  // Rows 3 to 5: the site's coordinates and zone, with the daylight-saving box.
  label(3, "Longitude (+ to west)", kLabelLeft, 3, kLabelWidth);
  text(1, " 123", kFieldLeft, 3, 1215);
  label(12, "DD.MMSSs", kFieldLeft + 1215 + kGap, 3, 1000);
  label(4, "Latitude (+ to N)", kLabelLeft, 4, kLabelWidth);
  text(2, " 54", kFieldLeft, 4, 1215);
  label(13, "DD.MMSSs", kFieldLeft + 1215 + kGap, 4, 1000);
  check3_ = new WrappingCheckBox(QStringLiteral("Enable daylight savings correction (Can-USA only)"), client);
  check3_->setObjectName(QStringLiteral("Check3"));
  check3_->setGeometry(t.Rect(5160, rowTop(4), 2400, kRowPitch + kRowHeight));
  label(5, "Time Zone (+ to west)", kLabelLeft, 5, kLabelWidth);
  text(3, "8", kFieldLeft, 5, 495);
  label(14, "PST=8, MST=7, EST=5, etc.", kFieldLeft + 495 + kGap, 5, 2200);

  // Rows 6 to 8: the evening date.
  label(6, "Year (4 digits)", kLabelLeft, 6, kLabelWidth);
  text(4, "2011", kFieldLeft, 6, 735);
  QLabel* l23 = label(23, "", kFieldLeft + 735 + kGap, 6, 3600);
  SetTextColour(l23, QPalette::WindowText, Qt::red);
  label(7, "Month (1-12)", kLabelLeft, 7, kLabelWidth);
  text(5, "5", kFieldLeft, 7, 495);
  label(8, "Day (1-31)", kLabelLeft, 8, kLabelWidth);
  text(6, "4", kFieldLeft, 8, 495);
  label(16, "evening date (local time)", kFieldLeft + 495 + kGap, 8, 3000);

  // Rows 9 to 11: nights and the altitude limits.
  label(9, "Number of days to calculate", kLabelLeft, 9, kLabelWidth);
  text(7, "1", kFieldLeft, 9, 495);
  label(10, "Maximum Sun altitude (deg)", kLabelLeft, 10, kLabelWidth);
  text(8, "-10", kFieldLeft, 10, 735);
  label(15, "minus for below the horizon (usual case)", kFieldLeft + 735 + kGap, 10, 4000);
  label(11, "Minimum star altitude (deg)", kLabelLeft, 11, kLabelWidth);
  text(9, "+20", kFieldLeft, 11, 735);
  label(18, "plus for above the horizon (usual case)", kFieldLeft + 735 + kGap, 11, 4000);

  // Rows 12 to 14: the data files' StatusFields.
  label(22, "Locations file:", kLabelLeft, 12, 1600);
  status(12, 12);
  label(21, "Site limits file:", kLabelLeft, 13, 1600);
  status(11, 13);
  label(17, "Star data file:", kLabelLeft, 14, 1600);
  status(10, 14);
  check2_ = new WrappingCheckBox(QStringLiteral("Ignore EA secondary minima"), client);
  check2_->setObjectName(QStringLiteral("Check2"));
  check2_->setGeometry(t.Rect(4860, rowTop(14), 2700, kRowHeight));

  // Row 15: the events; row 16: the output columns and Calculate.
  label(19, "Events:", kLabelLeft, 15, 1000);
  const char* events[4] = {"Prim. Min.", "Ph. 0.25 max", "Sec. Min.", "Ph. 0.75 max"};
  for (int i = 0; i < 4; ++i) {
    auto* box = new QCheckBox(QString::fromLatin1(events[i]), client);
    box->setObjectName(QStringLiteral("Check1_%1").arg(i));
    box->setGeometry(t.Rect(1200 + i * 1560, rowTop(15), 1500, kRowHeight));
    check1_[static_cast<std::size_t>(i)] = box;
  }
  label(20, "Output:", kLabelLeft, 16, 1000);
  const char* options[3] = {"Alt. + Azim.", "HA + airmass", "HA + Decl."};
  for (int i = 0; i < 3; ++i) {
    auto* o = new QRadioButton(QString::fromLatin1(options[i]), client);
    o->setObjectName(QStringLiteral("Option%1").arg(i + 1));
    o->setGeometry(t.Rect(1200 + i * 1560, rowTop(16), 1500, kRowHeight));
    option_[static_cast<std::size_t>(i)] = o;
  }
  option_[0]->setChecked(true);
  command1_ = new QPushButton(QStringLiteral("Calculate"), client);
  command1_->setObjectName(QStringLiteral("Command1"));
  command1_->setGeometry(t.Rect(6000, rowTop(16) - 45, 1380, kRowHeight + 90));
  command1_->setDefault(true);

  // Keyboard order: the site list, Text1 to Text9, Calculate, then the boxes.
  QList<QWidget*> order{combo1_};
  for (int n = 1; n <= 9; ++n) order.append(text_[static_cast<std::size_t>(n)]);
  order.append(command1_);
  order.append(check3_);
  order.append(check2_);
  for (QCheckBox* b : check1_) order.append(b);
  for (QRadioButton* o : option_) order.append(o);
  for (int n = 12; n >= 10; --n) order.append(text_[static_cast<std::size_t>(n)]);
  for (qsizetype i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);
}

void frmMain::BuildMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
  file->setObjectName(QStringLiteral("File"));
  file->menuAction()->setObjectName(QStringLiteral("File"));
  auto item = [&](QMenu* menu, const char* name, const char* caption) {
    QAction* a = menu->addAction(QString::fromLatin1(caption));
    a->setObjectName(QString::fromLatin1(name));
    return a;
  };
  connect(item(file, "Open_LocationsFile", "Open Locations File ..."), &QAction::triggered, this,
          &frmMain::OpenLocationsFile);
  connect(item(file, "Open_LimitsFile", "Open Site limits File ..."), &QAction::triggered, this,
          &frmMain::OpenLimitsFile);
  connect(item(file, "Open_StarFile", "Open Star data File ..."), &QAction::triggered, this, &frmMain::OpenStarFile);
  file->addSeparator()->setObjectName(QStringLiteral("blank"));
  connect(item(file, "Exit", "Exit"), &QAction::triggered, this, [this] {
    ExitProgram();
    close();
  });

  QMenu* help = menuBar()->addMenu(QStringLiteral("Help"));
  help->setObjectName(QStringLiteral("Help"));
  help->menuAction()->setObjectName(QStringLiteral("Help"));
  connect(item(help, "Helpdata", "Help-Data"), &QAction::triggered, this, &frmMain::ShowHelp);
  connect(item(help, "About", "About"), &QAction::triggered, this, &frmMain::ShowAbout);
}

void frmMain::ConnectHandlers() {
  run::RunParameters& p = session_.params;
  connect(text_[1], &QLineEdit::textChanged, this, [&p](const QString& s) { p.longitudeDms = run::ReadNumber(S(s)); });
  connect(text_[2], &QLineEdit::textChanged, this, [&p](const QString& s) { p.latitudeDms = run::ReadNumber(S(s)); });
  // A value beyond 16 bits leaves the stored value as it was.
  connect(text_[3], &QLineEdit::textChanged, this, [&p](const QString& s) {
    if (auto v = run::ReadInt16(S(s))) p.standardZone = *v;
  });
  connect(text_[7], &QLineEdit::textChanged, this, [&p](const QString& s) {
    if (auto v = run::ReadInt16(S(s))) p.dayCount = *v;
  });
  connect(text_[8], &QLineEdit::textChanged, this, [&p](const QString& s) { p.maxSunAltitude = run::ReadNumber(S(s)); });
  connect(text_[9], &QLineEdit::textChanged, this, [&p](const QString& s) { p.minStarAltitude = run::ReadNumber(S(s)); });
  connect(check3_, &QCheckBox::stateChanged, this, [this, &p] { p.dstEnabled = check3_->checkState() == Qt::Checked; });
  for (int i = 0; i < 3; ++i)
    connect(option_[static_cast<std::size_t>(i)], &QRadioButton::toggled, this, [&p, i](bool on) {
      if (on) p.outputMode = static_cast<std::int16_t>(i + 1);
    });
  // Only a pick from the list runs the site selection, not typing.
  connect(combo1_, &QComboBox::activated, this, &frmMain::SelectSite);
  connect(command1_, &QPushButton::clicked, this, &frmMain::Calculate);
}

void frmMain::ShowStatus(QLineEdit* field, const QString& fileName) {
  field->setText(fileName);
  SetTextColour(field, QPalette::Text, Qt::black);
}

void frmMain::StartUp() {
  run::Session& s = session_;
  const run::RunParameters& p = s.params;

  s.errorTexts.Fill();
  // Settings first; any failure gives the defaults.
  s.LoadSettingsFile();

  // The locations file selects the saved site, which fills the coordinates.
  const QString locations = QStringLiteral("Location.dat");
  if (!s.LoadLocations(S(locations))) {
    FillSiteList();
    ShowStatus(text_[12], locations);
  }
  text_[1]->setText(Number(p.longitudeDms));
  text_[2]->setText(Number(p.latitudeDms));
  text_[3]->setText(Number(p.standardZone));

  // Today's date, as the text mm-dd-yyyy cut into its fields.
  const QString today = QDate::currentDate().toString(QStringLiteral("MM-dd-yyyy"));
  text_[4]->setText(today.right(4));
  text_[5]->setText(today.left(2));
  text_[6]->setText(today.mid(3, 2));

  text_[7]->setText(Number(p.dayCount));
  text_[8]->setText(Number(p.maxSunAltitude));
  text_[9]->setText(Number(p.minStarAltitude));
  for (std::size_t k = 1; k <= 4; ++k) check1_[k - 1]->setChecked(p.eventWanted[k]);
  if (p.outputMode >= 1 && p.outputMode <= 3) option_[static_cast<std::size_t>(p.outputMode - 1)]->setChecked(true);
  SetBoxState(check2_, p.ignoreEaSecondary);
  check3_->setChecked(p.dstEnabled);

  const QString limits = QStringLiteral("Limits.dat");
  if (!s.LoadLimits(S(limits))) ShowStatus(text_[11], limits);
  s.params.inputError = false;

  ApplyOuter(*this, {400, 1000, 7740, 7100});
}

void frmMain::FillSiteList() {
  // The list mirrors the loaded table; entries of an earlier, longer file
  // would name slots the table no longer has.
  const QString typed = combo1_->currentText();
  {
    const QSignalBlocker block(combo1_);
    combo1_->clear();
    for (const data::SiteEntry& site : session_.sites.entries) combo1_->addItem(Q(site.name));
    combo1_->setCurrentIndex(-1);
    combo1_->setEditText(typed);
  }
  if (const int k = session_.SiteToSelect(); k >= 0) {
    const QSignalBlocker block(combo1_);
    combo1_->setCurrentIndex(k);
    SelectSite(k);
  }
}

void frmMain::SelectSite(int k) {
  if (k < 0 || static_cast<std::size_t>(k) >= session_.sites.entries.size()) return;
  const run::SiteFieldTexts t = session_.SelectSite(k);
  // Each assignment runs the field's change handler, which stores the value.
  text_[1]->setText(Q(t.longitude));
  text_[2]->setText(Q(t.latitude));
  text_[3]->setText(Q(t.zone));
  setWindowTitle(Q(t.caption));
}

run::InputFields frmMain::ReadFields() const {
  run::InputFields in;
  in.siteIndex = combo1_->currentIndex();
  in.longitude = S(text_[1]->text());
  in.latitude = S(text_[2]->text());
  in.zone = S(text_[3]->text());
  in.year = S(text_[4]->text());
  in.month = S(text_[5]->text());
  in.day = S(text_[6]->text());
  in.nights = S(text_[7]->text());
  in.maxSun = S(text_[8]->text());
  in.minStar = S(text_[9]->text());
  for (std::size_t i = 0; i < 4; ++i) in.eventBox[i] = BoxState(check1_[i]);
  in.ignoreEaBox = BoxState(check2_);
  in.option = 0;
  for (int i = 0; i < 3; ++i)
    if (option_[static_cast<std::size_t>(i)]->isChecked()) in.option = i + 1;
  return in;
}

void frmMain::Calculate() {
  run::CalculateResult r;
  {
    const WaitCursor wait;
    r = session_.Calculate(ReadFields());
  }
  using Status = run::CalculateResult::Status;
  if (r.status == Status::NoEvent || r.status == Status::Listed) label_[23]->setText(Q(session_.label23Caption));
  if (r.status != Status::Listed) {
    messages_.Show(this, Q(r.message));
    return;
  }
  if (!output_) output_ = std::make_unique<frmOutput>(session_, messages_);
  output_->ShowReport();
}

void frmMain::ExitProgram() {
  if (ended_) return;
  ended_ = true;
  const std::string message = run::ValidateInputs(ReadFields(), session_.params);
  if (!message.empty()) messages_.Show(this, Q(message));
  const std::string reason = session_.SaveSettingsFile();
  if (!reason.empty()) {
    const std::string path = data::SettingsPath(session_.startFolder);
    QString text = QStringLiteral("The settings could not be saved.  ") + Q(reason);
    if (reason.find(path) == std::string::npos) text += QStringLiteral(" (") + Q(path) + QStringLiteral(")");
    messages_.Show(this, text);
  }
  // Every window goes at once, without the other windows' own closing steps.
  if (output_) output_->HideAll();
  if (help_) help_->hide();
  if (about_) about_->hide();
  for (frmFileChooser* c : {starChooser(), locationsChooser(), limitsChooser()})
    if (c) c->hide();
  if (end_) end_();
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
  if ((watched == combo1_ || watched == combo1_->lineEdit()) && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) return true;
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
  if (!chooser)
    chooser = std::make_unique<frmFileChooser>(kind, QStringLiteral("location.dat"), [this, onOk] { (this->*onOk)(); });
  chooser->OpenFromMenu();
}

void frmMain::OpenStarFile() { OpenChooser(starChooser_, ChooserKind::StarFile, &frmMain::LoadChosenStarFile); }

void frmMain::OpenLocationsFile() {
  OpenChooser(locationsChooser_, ChooserKind::LocationsFile, &frmMain::LoadChosenLocationsFile);
}

void frmMain::OpenLimitsFile() { OpenChooser(limitsChooser_, ChooserKind::LimitsFile, &frmMain::LoadChosenLimitsFile); }

void frmMain::ReportLoadFailure(const char* what, const data::LoadFailure& failure) {
  messages_.Show(this, QStringLiteral("The %1 was not loaded.  ").arg(QString::fromLatin1(what)) + Q(failure.Message()));
}

void frmMain::LoadChosenStarFile() {
  const QString folder = starChooser_->folder();
  const QString name = starChooser_->fileName();
  // The chosen folder becomes the current one whether or not the file
  // loads, so the next chooser starts there.
  if (!QDir::setCurrent(folder)) {
    session_.chosenFolder = S(folder);
    ReportLoadFailure("star data file", {run::PathIn(S(folder), S(name)), 0, "its folder cannot be opened"});
    return;
  }
  const WaitCursor wait;
  if (auto failure = session_.OpenStarFile(S(folder), S(name))) {
    ReportLoadFailure("star data file", *failure);
    return;
  }
  ShowStatus(text_[10], name);
}

void frmMain::LoadChosenLocationsFile() {
  const QString name = locationsChooser_->fileName();
  if (auto failure = session_.OpenLocationsFile(S(locationsChooser_->folder()), S(name))) {
    ReportLoadFailure("locations file", *failure);
    return;
  }
  FillSiteList();
  ShowStatus(text_[12], name);
}

void frmMain::LoadChosenLimitsFile() {
  const QString name = limitsChooser_->fileName();
  if (auto failure = session_.OpenLimitsFile(S(limitsChooser_->folder()), S(name))) {
    ReportLoadFailure("site limits file", *failure);
    return;
  }
  ShowStatus(text_[11], name);
}

}  // namespace tevaro::ui
