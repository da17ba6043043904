#include "ui/frmOutput.h"

#include <QCloseEvent>
#include <QDir>
#include <QMenuBar>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <limits>

#include "astro/angles.h"
#include "run/error_texts.h"
#include "ui/frmFileChooser.h"
#include "ui/twips.h"

namespace tevaro::ui {

namespace {

std::int16_t ToInt16(double x) {
  const double v = astro::NearestEven(x);
  return static_cast<std::int16_t>(std::clamp(v, -32768.0, 32767.0));
}

QString LineText(std::string_view line) {
  const auto size = static_cast<qsizetype>(line.size());
  QString s = QString::fromUtf8(line.data(), size);
  // Report lines carry the star file's bytes; a file that is not UTF-8 is Latin-1.
  if (s.contains(QChar::ReplacementCharacter)) s = QString::fromLatin1(line.data(), size);
  return s;
}

}  // namespace

OutputSteps ComputeOutputSteps(double heightTwips, std::size_t lineCount) {
  OutputSteps s;
  s.linesPerWindow = static_cast<int>(astro::NearestEven((heightTwips - 560) / kRowPitchTwips));
  // A window too low for one row still pages as if it had one.
  s.linesPerWindow = std::max(s.linesPerWindow, 1);
  const long count = static_cast<long>(std::min<std::size_t>(lineCount, std::numeric_limits<long>::max() / 2));
  s.scrollRange = std::max(count - s.linesPerWindow + 3, 1L);
  s.fraction = static_cast<float>(s.linesPerWindow) / static_cast<float>(s.scrollRange);
  if (s.fraction > 1) s.fraction = 1;
  s.largeStep = static_cast<int>(std::nearbyint(static_cast<float>(kScrollMax) * s.fraction));
  s.smallStep = static_cast<int>(astro::NearestEven((1.0 / s.linesPerWindow) * kScrollMax));
  return s;
}

long FirstShownLineFor(int value, long scrollRange) {
  return static_cast<long>(astro::NearestEven(static_cast<double>(value) / kScrollMax * static_cast<double>(scrollRange)));
}

ReportCanvas::ReportCanvas(frmOutput& owner, QWidget* parent) : QWidget(parent), owner_(owner) {
  setObjectName(QStringLiteral("client"));
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Base);
  QFont f(QStringLiteral("Courier New"));
  f.setStyleHint(QFont::TypeWriter);
  f.setFixedPitch(true);
  f.setPointSizeF(9.75);
  f.setWeight(QFont::Bold);
  setFont(f);
}

void ReportCanvas::paintEvent(QPaintEvent* event) {
  // Row r shows line firstDrawnLine + r; only the rows in the exposed band
  // are drawn, so the report's length costs nothing here.
  const run::ReportBuffer& report = owner_.report();
  const long count = static_cast<long>(report.LineCount());
  const long from = owner_.firstDrawnLine();
  const double pitch = owner_.rowPitchPx();
  const QRect r = event->rect();
  const long firstRow = std::max(0L, static_cast<long>(std::floor(r.top() / pitch)));
  const long lastRow = static_cast<long>(std::floor((r.bottom() + 1) / pitch));
  QPainter p(this);
  p.setPen(palette().color(QPalette::Text));
  const int ascent = p.fontMetrics().ascent();
  for (long row = firstRow; row <= lastRow; ++row) {
    const long line = from + row;
    if (line < 1) continue;
    if (line > count) break;
    const int top = static_cast<int>(std::lround(static_cast<double>(row) * pitch));
    p.drawText(0, top + ascent, LineText(report.Line(static_cast<std::size_t>(line))));
  }
}

namespace {
PrintPlatform& PlatformOr(PrintPlatform* given, std::unique_ptr<PrintPlatform>& own) {
  if (given) return *given;
  own = std::make_unique<QtPrintPlatform>();
  return *own;
}
}  // namespace

frmOutput::frmOutput(run::Session& session, MessageSink& messages, QWidget* parent, PrintPlatform* printing)
    : QMainWindow(parent), session_(session), messages_(messages), print_(PlatformOr(printing, ownPlatform_)) {
  setObjectName(QStringLiteral("frmOutput"));
  setWindowTitle(QStringLiteral("Output"));
  canvas_ = new ReportCanvas(*this, this);
  setCentralWidget(canvas_);
  vscroll1_ = new QScrollBar(Qt::Vertical, canvas_);
  vscroll1_->setObjectName(QStringLiteral("VScroll1"));
  vscroll1_->setRange(0, kScrollMax);
  // The position counts when the thumb is let go, not while it is dragged.
  vscroll1_->setTracking(false);
  connect(vscroll1_, &QScrollBar::valueChanged, this, &frmOutput::OnScroll);

  QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
  file->setObjectName(QStringLiteral("OPfile"));
  file->menuAction()->setObjectName(QStringLiteral("OPfile"));
  auto item = [&](const char* name, const char* caption) {
    QAction* a = file->addAction(QString::fromLatin1(caption));
    a->setObjectName(QString::fromLatin1(name));
    return a;
  };
  connect(item("mSaveOutput", "Save ..."), &QAction::triggered, this, &frmOutput::ShowSaveChooser);
  file->addSeparator()->setObjectName(QStringLiteral("spcr3"));
  connect(item("mPrintSetup", "Print Setup ..."), &QAction::triggered, this, &frmOutput::PrintSetup);
  connect(item("mPrint", "Print"), &QAction::triggered, this, &frmOutput::PrintPage);
  file->addSeparator()->setObjectName(QStringLiteral("spacr2"));
  connect(item("ExitOP", "Exit"), &QAction::triggered, this, &QWidget::hide);

  const Twips t = Twips::For(this);
  setMinimumSize(t.ToPx(2000 - kFrameWidthTwips), t.ToPx(kOutputMinHeightTwips - kFrameHeightTwips));
}

frmOutput::~frmOutput() = default;

void frmOutput::ShowSaveChooser() {
  if (!saveChooser_) {
    // A name of its own, so that an unchanged OK never replaces a data file.
    const run::RunParameters& p = session_.params;
    const QString first = QStringLiteral("tevaro-%1-%2-%3.txt")
                              .arg(p.year, 4, 10, QLatin1Char('0'))
                              .arg(p.month, 2, 10, QLatin1Char('0'))
                              .arg(p.day, 2, 10, QLatin1Char('0'));
    saveChooser_ = std::make_unique<frmFileChooser>(ChooserKind::SaveOutput, first, [this] { SaveChosenFile(); });
  }
  saveChooser_->ShowChooser();
}

void frmOutput::SaveChosenFile() {
  const QString folder = saveChooser_->folder();
  const QString name = saveChooser_->fileName();
  const std::string path = run::PathIn(folder.toStdString(), name.toStdString());
  const QString failed = QStringLiteral("The report was not saved.  ");
  // The folder saved into becomes the current one.
  if (!QDir::setCurrent(folder)) {
    session_.chosenFolder = folder.toStdString();
    session_.reportFileName = name.toStdString();
    messages_.Show(this, failed + QStringLiteral("Could not write ") + QString::fromStdString(path) +
                             QStringLiteral(": its folder cannot be opened"));
    return;
  }
  if (auto failure = session_.SaveReport(folder.toStdString(), name.toStdString()))
    messages_.Show(this, failed + QString::fromStdString(failure->Message()));
}

void frmOutput::PrintPage() {
  if (const std::optional<int> failure = print_.Print(*canvas_))
    messages_.Show(this, QString::fromStdString(run::PrintFailureMessage(*failure)));
}

void frmOutput::PrintSetup() {
  if (!print_.Setup(this)) messages_.Show(this, QString::fromLatin1(kPrintSetupFailure));
}

void frmOutput::HideAll() {
  if (saveChooser_) saveChooser_->hide();
  hide();
}

double frmOutput::rowPitchPx() const { return kRowPitchTwips * Twips::For(this).dpi() / kTwipsPerInch; }

void frmOutput::Load() {
  applyingPlacement_ = true;
  const data::OutputPlacement& pl = session_.placement;
  ApplyOuter(*this, {pl.left, pl.top, pl.width, pl.height});
  // The height actually applied (a placement below the minimum is raised).
  ApplySteps(ReadOuter(*this).height);
  applyingPlacement_ = false;
  loaded_ = true;
}

void frmOutput::ApplySteps(double heightTwips) {
  steps_ = ComputeOutputSteps(heightTwips, session_.report.LineCount());
  vscroll1_->setPageStep(steps_.largeStep);
  vscroll1_->setSingleStep(steps_.smallStep);
}

void frmOutput::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (applyingPlacement_) return;
  const Twips t = Twips::For(this);
  const OuterTwips o = ReadOuter(*this);
  vscroll1_->setGeometry(t.ToPx(o.width - 360), 0, t.ToPx(255), std::max(0, t.ToPx(o.height - 800)));
  ApplySteps(o.height);
  drawFrom_ = firstShownLine_;
  canvas_->update();
}

void frmOutput::OnScroll(int value) {
  firstShownLine_ = FirstShownLineFor(value, steps_.scrollRange);
  drawFrom_ = firstShownLine_;
  canvas_->update();
}

void frmOutput::ShowReport() {
  if (!loaded_) Load();
  show();
  raise();
  activateWindow();
  // A new report is shown from its first line with the scroll bar at the top.
  {
    const QSignalBlocker block(vscroll1_);
    vscroll1_->setValue(0);
  }
  firstShownLine_ = 0;
  drawFrom_ = 1;
  ApplySteps(ReadOuter(*this).height);
  canvas_->update();
}

void frmOutput::closeEvent(QCloseEvent* event) {
  const OuterTwips o = ReadOuter(*this);
  session_.placement = {ToInt16(o.left), ToInt16(o.top), ToInt16(o.width), ToInt16(o.height)};
  loaded_ = false;
  event->accept();
}

}  // namespace tevaro::ui
