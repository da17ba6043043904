#include "ui/frmOutput.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <climits>
#include <cmath>
#include <string>

#include "astro/angles.h"
#include "run/error_texts.h"
#include "run/pagination.h"
#include "ui/frmFileChooser.h"
#include "export/formats.h"
#include "data/text.h"
#include "ui/beside.h"
#include "ui/frmNightChart.h"
#include "ui/report_pages.h"
#include "ui/twips.h"
#include "ui/wait_cursor.h"

namespace tevaro::ui {

namespace {

std::int16_t ToInt16(double x) {
  const double v = astro::NearestEven(x);
  return static_cast<std::int16_t>(std::clamp(v, -32768.0, 32767.0));
}

long LineCountOf(const run::ReportBuffer& report) {
  return static_cast<long>(std::min<std::size_t>(report.LineCount(), INT_MAX));
}

// The find bar's text box: Enter finds the next line, Shift+Enter the
// previous one, Escape closes the bar.
class FindEdit final : public QLineEdit {
 public:
  FindEdit(frmOutput& owner, QWidget* parent) : QLineEdit(parent), owner_(owner) {}

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    switch (event->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter:
        if (event->modifiers() & Qt::ShiftModifier)
          owner_.FindPrevious();
        else
          owner_.FindNext();
        return;
      case Qt::Key_Escape:
        owner_.CloseFind();
        return;
      default:
        QLineEdit::keyPressEvent(event);
    }
  }

 private:
  frmOutput& owner_;
};

// Rows are placed at whole pixels from the fractional pitch.
int RowTop(long row, double pitch) { return static_cast<int>(std::lround(static_cast<double>(row) * pitch)); }

}  // namespace

OutputSteps ComputeOutputSteps(int areaHeightPx, double rowPitchPx, std::size_t lineCount) {
  OutputSteps s;
  // Whole rows only; the small allowance keeps an exact fit from being lost to rounding.
  const double rows = rowPitchPx > 0 ? std::floor(std::max(areaHeightPx, 0) / rowPitchPx + 1e-9) : 1;
  s.linesPerWindow = static_cast<int>(std::clamp(rows, 1.0, static_cast<double>(INT_MAX)));
  const long count = static_cast<long>(std::min<std::size_t>(lineCount, INT_MAX));
  s.lastTopLine = std::max(count - s.linesPerWindow + 1, 1L);
  s.pageStep = std::max(s.linesPerWindow - 1, 1);
  return s;
}

FindResult FindLine(const run::ReportBuffer& report, const QString& text, long from, bool forward) {
  const long count = LineCountOf(report);
  if (count == 0 || text.isEmpty()) return {};
  from = std::clamp(from, 0L, count + 1);
  for (long k = 1; k <= count; ++k) {
    long line = forward ? from + k : from - k;
    bool wrapped = false;
    if (line > count) {
      line -= count;
      wrapped = true;
    } else if (line < 1) {
      line += count;
      wrapped = true;
    }
    if (ReportLineText(report, static_cast<std::size_t>(line)).contains(text, Qt::CaseInsensitive))
      return {line, wrapped};
  }
  return {};
}

QString ReportLineText(const run::ReportBuffer& report, std::size_t i) {
  const std::string_view line = report.Line(i);
  return QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
}

ReportCanvas::ReportCanvas(frmOutput& owner, QWidget* parent) : QWidget(parent), owner_(owner) {
  setObjectName(QStringLiteral("client"));
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Base);
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::IBeamCursor);
  QFont f(QStringLiteral("Courier New"));
  f.setStyleHint(QFont::TypeWriter);
  f.setFixedPitch(true);
  f.setPointSizeF(9.75);
  f.setWeight(QFont::Bold);
  setFont(f);
  autoScroll_ = new QTimer(this);
  autoScroll_->setInterval(40);
  connect(autoScroll_, &QTimer::timeout, this, &ReportCanvas::AutoScroll);
}

void ReportCanvas::paintEvent(QPaintEvent* event) {
  // Row r shows line firstShownLine + r; only the rows in the exposed band
  // are drawn, so the report's length costs nothing here.
  const run::ReportBuffer& report = owner_.report();
  const long count = LineCountOf(report);
  const long from = owner_.firstShownLine();
  const long selFrom = owner_.selectionStart();
  const long selTo = owner_.selectionEnd();
  const double pitch = owner_.rowPitchPx();
  const QRect r = event->rect();
  const long firstRow = std::max(0L, static_cast<long>(std::floor(r.top() / pitch)));
  const long lastRow = static_cast<long>(std::floor((r.bottom() + 1) / pitch));
  QPainter p(this);
  const int ascent = p.fontMetrics().ascent();
  const ReportColumns columns(font(), this);
  const int left = -owner_.horizontalBar()->value();
  for (long row = firstRow; row <= lastRow; ++row) {
    const long line = from + row;
    if (line < 1) continue;
    if (line > count) break;
    const int top = RowTop(row, pitch);
    const bool selected = selFrom != 0 && line >= selFrom && line <= selTo;
    if (selected) p.fillRect(QRect(0, top, width(), RowTop(row + 1, pitch) - top), palette().color(QPalette::Highlight));
    p.setPen(palette().color(selected ? QPalette::HighlightedText : QPalette::Text));
    columns.DrawRow(p, QPointF(left, top + ascent), ReportLineText(report, static_cast<std::size_t>(line)));
  }
}

void ReportCanvas::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  owner_.LayOutArea();
}

void ReportCanvas::keyPressEvent(QKeyEvent* event) {
  // The keys move the scroll bar as its arrows and trough do.
  QScrollBar* bar = owner_.scrollBar();
  const bool shift = event->modifiers() & Qt::ShiftModifier;
  switch (event->key()) {
    case Qt::Key_Up:
      bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
      break;
    case Qt::Key_Down:
      bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
      break;
    case Qt::Key_PageUp:
      bar->triggerAction(QAbstractSlider::SliderPageStepSub);
      break;
    case Qt::Key_PageDown:
      bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
      break;
    case Qt::Key_Space:
      bar->triggerAction(shift ? QAbstractSlider::SliderPageStepSub : QAbstractSlider::SliderPageStepAdd);
      break;
    case Qt::Key_Left:
      owner_.horizontalBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
      break;
    case Qt::Key_Right:
      owner_.horizontalBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
      break;
    case Qt::Key_Home:
      bar->triggerAction(QAbstractSlider::SliderToMinimum);
      break;
    case Qt::Key_End:
      bar->triggerAction(QAbstractSlider::SliderToMaximum);
      break;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  event->accept();
}

void ReportCanvas::wheelEvent(QWheelEvent* event) {
  // A notch is 120 eighths of a degree and moves the platform's lines per
  // notch; finer wheels add up until they make a whole line.
  wheelAngle_ += event->angleDelta().y() * QApplication::wheelScrollLines();
  const int lines = wheelAngle_ / 120;
  wheelAngle_ -= lines * 120;
  if (lines != 0) owner_.ScrollBy(-lines);
  event->accept();
}

void ReportCanvas::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  setFocus(Qt::MouseFocusReason);
  const long line = owner_.LineAt(event->position().toPoint().y());
  if (line == 0) return;
  if ((event->modifiers() & Qt::ShiftModifier) && owner_.selectionAnchor() != 0)
    owner_.Select(owner_.selectionAnchor(), line);
  else
    owner_.Select(line, line);
  dragging_ = true;
}

void ReportCanvas::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_ || !(event->buttons() & Qt::LeftButton)) return QWidget::mouseMoveEvent(event);
  DragTo(event->position().toPoint().y());
}

void ReportCanvas::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    dragging_ = false;
    autoScroll_->stop();
  }
  QWidget::mouseReleaseEvent(event);
}

void ReportCanvas::DragTo(int y) {
  dragY_ = y;
  // Past an edge the view scrolls on its own until the pointer comes back.
  if (y < 0 || y >= height()) {
    if (!autoScroll_->isActive()) autoScroll_->start();
    AutoScroll();
    return;
  }
  autoScroll_->stop();
  owner_.Select(owner_.selectionAnchor(), owner_.LineAt(y));
}

void ReportCanvas::AutoScroll() {
  if (!dragging_) {
    autoScroll_->stop();
    return;
  }
  // The farther past the edge, the faster: one line more per row of distance.
  const double pitch = owner_.rowPitchPx();
  const bool up = dragY_ < 0;
  const int beyond = up ? -dragY_ : dragY_ - height() + 1;
  const long lines = 1 + static_cast<long>(beyond / pitch);
  owner_.ScrollBy(up ? -lines : lines);
  owner_.Select(owner_.selectionAnchor(), up ? owner_.firstShownLine() : owner_.lastShownLine());
}

namespace {
PrintPlatform& PlatformOr(PrintPlatform* given, std::unique_ptr<PrintPlatform>& own) {
  if (given) return *given;
  own = std::make_unique<QtPrintPlatform>();
  return *own;
}
}  // namespace

frmOutput::frmOutput(run::Session& session, MessageSink& messages, QWidget* parent, PrintPlatform* printing,
                     JobBoard* jobs)
    : QMainWindow(parent), session_(session), messages_(messages), print_(PlatformOr(printing, ownPlatform_)) {
  if (jobs == nullptr) ownJobs_ = std::make_unique<JobBoard>(session_);
  jobs_ = jobs != nullptr ? jobs : ownJobs_.get();
  setObjectName(QStringLiteral("frmOutput"));
  setWindowTitle(QStringLiteral("Output"));
  auto* body = new QWidget(this);
  auto* column = new QVBoxLayout(body);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  canvas_ = new ReportCanvas(*this, body);
  column->addWidget(canvas_, 1);
  setCentralWidget(body);
  vscroll1_ = new QScrollBar(Qt::Vertical, canvas_);
  vscroll1_->setObjectName(QStringLiteral("VScroll1"));
  vscroll1_->setRange(0, 0);
  vscroll1_->setSingleStep(1);
  // The view follows the thumb while it is dragged.
  vscroll1_->setTracking(true);
  connect(vscroll1_, &QScrollBar::valueChanged, this, &frmOutput::OnScroll);
  // Shown only while a line is wider than the view.
  hscroll_ = new QScrollBar(Qt::Horizontal, canvas_);
  hscroll_->setObjectName(QStringLiteral("HScroll1"));
  hscroll_->setRange(0, 0);
  hscroll_->hide();
  connect(hscroll_, &QScrollBar::valueChanged, canvas_, qOverload<>(&QWidget::update));
  BuildFindBar(body);
  BuildMenus();

  const Twips t = Twips::For(this);
  setMinimumSize(t.ToPx(2000 - kFrameWidthTwips), t.ToPx(kOutputMinHeightTwips - kFrameHeightTwips));
}

frmOutput::~frmOutput() = default;

void frmOutput::BuildMenus() {
  auto item = [&](QMenu* menu, const char* name, const char* caption, const QKeySequence& key) {
    QAction* a = menu->addAction(QString::fromLatin1(caption));
    a->setObjectName(QString::fromLatin1(name));
    if (!key.isEmpty()) a->setShortcut(key);
    return a;
  };
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  file->setObjectName(QStringLiteral("OPfile"));
  file->menuAction()->setObjectName(QStringLiteral("OPfile"));
  connect(item(file, "mSaveOutput", "&Save ...", QKeySequence(Qt::CTRL | Qt::Key_S)), &QAction::triggered, this,
          &frmOutput::ShowSaveChooser);
  file->addSeparator()->setObjectName(QStringLiteral("spcr3"));
  connect(item(file, "mPrintSetup", "Print Set&up ...", {}), &QAction::triggered, this, &frmOutput::PrintSetup);
  connect(item(file, "mPrint", "&Print", QKeySequence(Qt::CTRL | Qt::Key_P)), &QAction::triggered, this,
          &frmOutput::PrintPage);
  // Each job's item waits while a job it cannot run beside goes on.
  auto job = [this](QAction* a, JobKind kind) {
    jobs_->Guard(a, kind);
    return a;
  };
  connect(job(item(file, "mPrintReport", "Print &Report ...", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P)),
              JobKind::PrintReport),
          &QAction::triggered, this, &frmOutput::PrintReport);
  connect(job(item(file, "mExportPdf", "&Export PDF ...", {}), JobKind::ExportPdf), &QAction::triggered, this,
          &frmOutput::ShowPdfChooser);
  connect(job(item(file, "mExportEvents", "Export e&vents ...", {}), JobKind::ExportEvents), &QAction::triggered,
          this, &frmOutput::ShowEventsChooser);
  file->addSeparator()->setObjectName(QStringLiteral("spacr2"));
  connect(item(file, "ExitOP", "E&xit", {}), &QAction::triggered, this, &QWidget::hide);

  QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
  edit->setObjectName(QStringLiteral("OPedit"));
  edit->menuAction()->setObjectName(QStringLiteral("OPedit"));
  connect(item(edit, "mCopy", "&Copy", QKeySequence(Qt::CTRL | Qt::Key_C)), &QAction::triggered, this,
          &frmOutput::CopySelection);
  connect(item(edit, "mSelectAll", "Select &All", QKeySequence(Qt::CTRL | Qt::Key_A)), &QAction::triggered, this,
          &frmOutput::SelectAll);
  edit->addSeparator();
  connect(item(edit, "mFind", "&Find ...", QKeySequence(Qt::CTRL | Qt::Key_F)), &QAction::triggered, this,
          &frmOutput::OpenFind);

  QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
  view->setObjectName(QStringLiteral("OPview"));
  view->menuAction()->setObjectName(QStringLiteral("OPview"));
  connect(job(item(view, "mNightChart", "Night &chart", QKeySequence(Qt::CTRL | Qt::Key_G)), JobKind::FindEvents),
          &QAction::triggered, this, &frmOutput::ShowNightChart);

  // F3 and Shift+F3 work anywhere in the window, bar open or not.
  auto* next = new QAction(this);
  next->setShortcut(QKeySequence(Qt::Key_F3));
  connect(next, &QAction::triggered, this, &frmOutput::FindNext);
  auto* previous = new QAction(this);
  previous->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3));
  connect(previous, &QAction::triggered, this, &frmOutput::FindPrevious);
  addActions({next, previous});
  // Escape closes the find bar when it is open, else hides the window.
  connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &frmOutput::OnEscape);
}

void frmOutput::BuildFindBar(QWidget* body) {
  findBar_ = new QWidget(body);
  findBar_->setObjectName(QStringLiteral("findBar"));
  auto* row = new QHBoxLayout(findBar_);
  row->setContentsMargins(4, 2, 4, 2);
  auto* label = new QLabel(QStringLiteral("Find:"), findBar_);
  findText_ = new FindEdit(*this, findBar_);
  findText_->setObjectName(QStringLiteral("findText"));
  label->setBuddy(findText_);
  auto* next = new QPushButton(QStringLiteral("Next"), findBar_);
  next->setObjectName(QStringLiteral("findNext"));
  auto* previous = new QPushButton(QStringLiteral("Previous"), findBar_);
  previous->setObjectName(QStringLiteral("findPrevious"));
  findStatus_ = new QLabel(findBar_);
  findStatus_->setObjectName(QStringLiteral("findStatus"));
  auto* close = new QPushButton(QStringLiteral("Close"), findBar_);
  close->setObjectName(QStringLiteral("findClose"));
  for (QPushButton* b : {next, previous, close}) b->setAutoDefault(false);
  row->addWidget(label);
  row->addWidget(findText_, 2);
  row->addWidget(next);
  row->addWidget(previous);
  row->addWidget(findStatus_, 3);
  row->addWidget(close);
  connect(next, &QPushButton::clicked, this, &frmOutput::FindNext);
  connect(previous, &QPushButton::clicked, this, &frmOutput::FindPrevious);
  connect(close, &QPushButton::clicked, this, &frmOutput::CloseFind);
  connect(findText_, &QLineEdit::textEdited, findStatus_, &QLabel::clear);
  static_cast<QVBoxLayout*>(body->layout())->addWidget(findBar_);
  findBar_->hide();
}

QString frmOutput::ProposedName(const char* extension) const {
  // A name of its own, after the evening date, so that an unchanged OK never
  // replaces a data file.
  const run::RunParameters& p = session_.params;
  return QStringLiteral("tevaro-%1-%2-%3.%4")
      .arg(p.year, 4, 10, QLatin1Char('0'))
      .arg(p.month, 2, 10, QLatin1Char('0'))
      .arg(p.day, 2, 10, QLatin1Char('0'))
      .arg(QLatin1String(extension));
}

void frmOutput::ShowSaveChooser() {
  if (!saveChooser_) {
    saveChooser_ =
        std::make_unique<frmFileChooser>(ChooserKind::SaveOutput, ProposedName("txt"), [this] { SaveChosenFile(); });
    saveChooser_->SetConfirm([this] { return ConfirmReplace(*saveChooser_); });
  }
  saveChooser_->ShowChooser();
}

bool frmOutput::ConfirmReplace(frmFileChooser& chooser) {
  // A name that names an existing file replaces it only on the user's Yes;
  // No keeps the chooser open with nothing written.
  const QString name = chooser.fileName();
  if (name.isEmpty()) return true;
  const QFileInfo target(QString::fromStdString(run::PathIn(chooser.folder().toStdString(), name.toStdString())));
  if (!target.exists() || target.isDir()) return true;
  return messages_.Ask(&chooser, name + QStringLiteral(" already exists.  Replace it?"));
}

ReportDocument frmOutput::Document(const run::ReportBuffer& report) const {
  const run::RunParameters& p = session_.params;
  ReportDocument doc;
  doc.report = &report;
  doc.title = QString::fromStdString(run::PageFooterLeft(session_.siteName, p.year, p.month, p.day));
  return doc;
}

QPageSize::PageSizeId frmOutput::ExportPaper() {
  // Without a printer its settings are only defaults, not a paper in use.
  const CurrentPrinter& printer = print_.current();
  const bool none = printer.deviceName.isEmpty() && printer.port.isEmpty();
  return !none && printer.settings.paperSize == QPageSize::Letter ? QPageSize::Letter : QPageSize::A4;
}

void frmOutput::ShowPdfChooser() {
  if (!pdfChooser_) {
    pdfChooser_ =
        std::make_unique<frmFileChooser>(ChooserKind::ExportPdf, ProposedName("pdf"), [this] { ExportChosenPdf(); });
    pdfChooser_->SetConfirm([this] { return ConfirmReplace(*pdfChooser_); });
  }
  pdfChooser_->ShowChooser();
}

void frmOutput::ExportChosenPdf() {
  if (!jobs_->MayStart(JobKind::ExportPdf)) return;
  const QString folder = pdfChooser_->folder();
  const std::string path = run::PathIn(folder.toStdString(), pdfChooser_->fileName().toStdString());
  session_.chosenFolder = folder.toStdString();
  const QPageSize::PageSizeId paper = ExportPaper();
  // A big report takes seconds to lay out and write: done beside the window,
  // from the report shown now, which the job holds.
  data::WriteResult failure;
  {
    const JobBoard::Job job = jobs_->Start(JobKind::ExportPdf);
    const ReportDocument doc = Document(*job.report);
    Beside([&] { failure = WriteReportPdf(path, doc, paper); });
  }
  if (failure)
    messages_.Show(this, QStringLiteral("The PDF was not written.  ") + QString::fromStdString(failure->Message()));
}

const exports::EventFormat& frmOutput::ChosenEventFormat(const frmFileChooser& chooser) {
  // An extension of the table's in the name decides, as it always has; the
  // type list decides between the types that share it (two end in .csv) and
  // for any other name.
  const std::string name = chooser.fileName().toStdString();
  const exports::EventFormat* chosen = &exports::EventFormats().front();
  for (const exports::EventFormat& f : exports::EventFormats())
    if (QString::fromUtf8(f.fileType.data(), static_cast<qsizetype>(f.fileType.size())) == chooser.pattern()) chosen = &f;
  const exports::EventFormat& named = exports::FormatOfPath(name);
  const bool hasExtension = QString::fromStdString(name).endsWith(
      QString::fromLatin1(named.extension.data(), static_cast<qsizetype>(named.extension.size())), Qt::CaseInsensitive);
  if (!hasExtension || named.extension == chosen->extension) return *chosen;
  return named;
}

std::optional<std::string> frmOutput::EslSequence() {
  // Asked once, then remembered in the options file.
  if (const std::optional<std::string> known = session_.options.Get(kEslSequenceKey); known && !known->empty())
    return known;
  const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("Capture sequence for the scheduler list"),
                                                    QString::fromStdString(session_.chosenFolder),
                                                    QStringLiteral("Capture sequences (*.esq)"));
  if (file.isEmpty()) return std::nullopt;
  const std::string path = QDir::toNativeSeparators(file).toStdString();
  session_.options.Set(kEslSequenceKey, path);
  // Kept at once, so that a crash or a second window does not ask again; an
  // options file that could not be read is never written.
  if (!session_.optionsUnreadable) {
    data::OptionsFile o = session_.CurrentOptions().value_or(session_.options);
    o.Set(kEslSequenceKey, path);
    if (!data::SaveOptions(data::OptionsPath(session_.startFolder), o)) session_.optionsFromFile = true;
  }
  return path;
}

void frmOutput::ShowEventsChooser() {
  if (!eventsChooser_) {
    eventsChooser_ = std::make_unique<frmFileChooser>(ChooserKind::ExportEvents, ProposedName("csv"),
                                                      [this] { ExportChosenEvents(); });
    eventsChooser_->SetConfirm([this] { return ConfirmReplace(*eventsChooser_); });
  }
  eventsChooser_->ShowChooser();
}

void frmOutput::ExportChosenEvents() {
  if (!jobs_->MayStart(JobKind::ExportEvents)) return;
  const QString folder = eventsChooser_->folder();
  const std::string path = run::PathIn(folder.toStdString(), eventsChooser_->fileName().toStdString());
  session_.chosenFolder = folder.toStdString();
  const QString failed = QStringLiteral("The events were not exported.  ");
  // The run kept for the chart holds the listed events; the report shown
  // before a run that listed some has none.
  if (!session_.lastRun) {
    messages_.Show(this, failed + QStringLiteral("The report lists no event."));
    return;
  }
  const exports::EventFormat& format = ChosenEventFormat(*eventsChooser_);
  exports::ExportChoices choices;
  if (format.option == "--esl") {
    const std::optional<std::string> sequence = EslSequence();
    if (!sequence) return;
    choices.sequence = *sequence;
  }
  // A year of events takes seconds: written beside the window, from the run
  // the job holds.
  data::WriteResult failure;
  {
    const JobBoard::Job job = jobs_->Start(JobKind::ExportEvents);
    Beside([&] { failure = exports::WriteEventsFile(*job.run, path, format, choices); });
  }
  if (failure) messages_.Show(this, failed + QString::fromStdString(failure->Message()));
}

void frmOutput::PrintReport() {
  if (!jobs_->MayStart(JobKind::PrintReport)) return;
  std::optional<int> failure;
  {
    // The pages are drawn beside the window from the report the job holds.
    const JobBoard::Job running = jobs_->Start(JobKind::PrintReport);
    ReportPrintJob job;
    job.doc = Document(*running.report);
    if (selectionStart() != 0) {
      job.selectionFrom = static_cast<std::size_t>(selectionStart());
      job.selectionTo = static_cast<std::size_t>(selectionEnd());
    }
    failure = print_.PrintReport(this, job);
  }
  if (failure) messages_.Show(this, QString::fromStdString(PrintFailureText(*failure)));
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
  if (auto failure = Waiting([&] { return session_.SaveReport(folder.toStdString(), name.toStdString()); }))
    messages_.Show(this, failed + QString::fromStdString(failure->Message()));
}

void frmOutput::PrintPage() {
  if (const std::optional<int> failure = print_.Print(*canvas_))
    messages_.Show(this, QString::fromStdString(PrintFailureText(*failure)));
}

void frmOutput::PrintSetup() {
  if (!print_.Setup(this)) messages_.Show(this, QString::fromLatin1(kPrintSetupFailure));
}

void frmOutput::HideAll() {
  if (saveChooser_) saveChooser_->hide();
  if (pdfChooser_) pdfChooser_->hide();
  if (eventsChooser_) eventsChooser_->hide();
  if (nightChart_) {
    if (nightChart_->saveChooser()) nightChart_->saveChooser()->hide();
    nightChart_->hide();
  }
  hide();
}

double frmOutput::rowPitchPx() const {
  // Rows never overlap: a font taller than the nominal pitch sets the pitch.
  const double nominal = kRowPitchTwips * Twips::For(this).dpi() / kTwipsPerInch;
  return std::max(nominal, static_cast<double>(canvas_->fontMetrics().lineSpacing()));
}

long frmOutput::lastShownLine() const {
  return std::min(firstShownLine_ + steps_.linesPerWindow - 1, LineCountOf(session_.report));
}

OuterTwips PlaceBeside(const OuterTwips& beside, int width, int height, const OuterTwips& screen) {
  constexpr int kGap = 60;
  const int screenRight = screen.left + screen.width;
  OuterTwips o;
  o.width = std::min(width, screen.width);
  o.height = std::min(height, screen.height);
  const int rightRoom = screenRight - (beside.left + beside.width + kGap);
  const int leftRoom = beside.left - kGap - screen.left;
  if (rightRoom >= o.width) o.left = beside.left + beside.width + kGap;
  else if (leftRoom >= o.width) o.left = beside.left - kGap - o.width;
  else if (rightRoom >= leftRoom) o.left = screenRight - o.width;  // over the main window's right part
  else o.left = screen.left;
  o.top = std::clamp(beside.top, screen.top, screen.top + screen.height - o.height);
  return o;
}

QString OutputTitle(const std::string& siteName, int year, int month, int day) {
  const QString date = QStringLiteral("%1-%2-%3")
                           .arg(year, 4, 10, QLatin1Char('0'))
                           .arg(month, 2, 10, QLatin1Char('0'))
                           .arg(day, 2, 10, QLatin1Char('0'));
  if (siteName.empty()) return QStringLiteral("Output \u2014 ") + date;
  return QStringLiteral("Output \u2014 ") + QString::fromStdString(siteName) + QStringLiteral(", ") + date;
}

void frmOutput::Load() {
  const data::OutputPlacement& pl = session_.placement;
  const data::OutputPlacement design{};
  if (besideOf_ != nullptr && pl == design) {
    // First use: beside the main window, wide enough for the widest line.
    const Twips t = Twips::For(besideOf_);
    const QScreen* screen = besideOf_->screen() != nullptr ? besideOf_->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1280, 1024);
    const OuterTwips screenTwips{static_cast<int>(t.ToTwips(area.left())), static_cast<int>(t.ToTwips(area.top())),
                                 static_cast<int>(t.ToTwips(area.width())), static_cast<int>(t.ToTwips(area.height()))};
    const int width = std::max(static_cast<int>(std::ceil(t.ToTwips(TextWidthPx()))) + 360 + kFrameWidthTwips, 3000);
    const OuterTwips main = ReadOuter(*besideOf_);
    ApplyOuter(*this, PlaceBeside(main, width, std::max<int>(pl.height, main.height), screenTwips));
  } else {
    ApplyOuter(*this, {pl.left, pl.top, pl.width, pl.height});
  }
  loaded_ = true;
}

void frmOutput::LayOutArea() {
  // The scroll bar stands at its place from the right edge and spans the
  // drawing area, which is the client area below the menu bar less the find bar.
  const Twips t = Twips::For(this);
  const OuterTwips o = ReadOuter(*this);
  // A line wider than the view brings a horizontal scroll bar under the rows.
  const int viewWidth = std::max(1, t.ToPx(o.width - 360));
  const int textWidth = TextWidthPx();
  const bool wide = textWidth > viewWidth;
  const int barHeight = t.ToPx(255);
  areaHeight_ = std::max(1, canvas_->height() - (wide ? barHeight : 0));
  hscroll_->setVisible(wide);
  if (wide) {
    hscroll_->setGeometry(0, areaHeight_, viewWidth, barHeight);
    hscroll_->setRange(0, textWidth - viewWidth);
    hscroll_->setPageStep(viewWidth);
    hscroll_->setSingleStep(std::max(1, QFontMetrics(canvas_->font()).horizontalAdvance(QLatin1Char('M'))));
  } else {
    hscroll_->setValue(0);
  }
  vscroll1_->setGeometry(viewWidth, 0, t.ToPx(255), areaHeight_);
  ApplySteps();
  canvas_->update();
}

int frmOutput::TextWidthPx() {
  const run::ReportBuffer& report = session_.report;
  // The widest line is found once per report; the font is fixed-pitch.
  if (widestFor_ != report.LineCount() || widestChars_ < 0) {
    std::size_t widest = 0;
    for (std::size_t i = 1; i <= report.LineCount(); ++i)
      widest = std::max(widest, data::CharacterCount(report.Line(i)));
    widestChars_ = static_cast<long>(widest);
    widestFor_ = report.LineCount();
  }
  const QFontMetrics fm(canvas_->font());
  return static_cast<int>(std::min<long>(widestChars_ * fm.horizontalAdvance(QLatin1Char('M')) + 4, 1 << 24));
}

void frmOutput::ApplySteps() {
  steps_ = ComputeOutputSteps(areaHeight_ > 0 ? areaHeight_ : canvas_->height(), rowPitchPx(),
                              session_.report.LineCount());
  // The scroll bar counts lines: value v puts line v + 1 in the first row.
  vscroll1_->setPageStep(steps_.pageStep);
  vscroll1_->setSingleStep(1);
  vscroll1_->setMaximum(static_cast<int>(steps_.lastTopLine - 1));
  firstShownLine_ = vscroll1_->value() + 1L;
}

void frmOutput::OnScroll(int value) {
  firstShownLine_ = value + 1L;
  canvas_->update();
}

void frmOutput::ScrollTo(long line) {
  vscroll1_->setValue(static_cast<int>(std::clamp(line, 1L, steps_.lastTopLine) - 1));
}

void frmOutput::ScrollBy(long lines) { ScrollTo(firstShownLine_ + lines); }

long frmOutput::LineAt(int y) const {
  const long count = LineCountOf(session_.report);
  if (count == 0) return 0;
  const long line = firstShownLine_ + static_cast<long>(std::floor(y / rowPitchPx()));
  return std::clamp(line, 1L, count);
}

void frmOutput::Select(long anchor, long caret) {
  anchor_ = anchor;
  caret_ = anchor == 0 ? 0 : caret;
  canvas_->update();
}

long frmOutput::selectionStart() const { return std::min(anchor_, caret_); }
long frmOutput::selectionEnd() const { return std::max(anchor_, caret_); }

void frmOutput::SelectAll() {
  const long count = LineCountOf(session_.report);
  if (count > 0) Select(1, count);
}

QString frmOutput::SelectedText() const {
  const long from = selectionStart();
  const long to = selectionEnd();
  if (from == 0) return {};
  const run::ReportBuffer& report = session_.report;
  // One UTF-8 text decoded once: a million lines take a fraction of a second.
  std::string text;
  text.reserve(report.CharacterCount() * static_cast<std::size_t>(to - from + 1) / report.LineCount() + 64);
  // Whole lines are selected, so each keeps its line end, the last one too:
  // pasted, they end as lines do.
  for (long i = from; i <= to; ++i) {
    text += report.Line(static_cast<std::size_t>(i));
    text += '\n';
  }
  return QString::fromStdString(text);
}

void frmOutput::CopySelection() {
  if (selectionStart() == 0) return;
  QGuiApplication::clipboard()->setText(SelectedText());
}

void frmOutput::OpenFind() {
  findBar_->show();
  findText_->setFocus(Qt::ShortcutFocusReason);
  findText_->selectAll();
}

void frmOutput::CloseFind() {
  findBar_->hide();
  findStatus_->clear();
  canvas_->setFocus(Qt::OtherFocusReason);
}

void frmOutput::FindNext() { Find(true); }
void frmOutput::FindPrevious() { Find(false); }

void frmOutput::Find(bool forward) {
  if (!findBar_->isVisible()) OpenFind();
  const QString text = findText_->text();
  findStatus_->clear();
  if (text.isEmpty()) return;
  // From the line marked by the last find while it is in view, else from the top of the view.
  const bool markInView = anchor_ != 0 && anchor_ == caret_ && anchor_ >= firstShownLine_ && anchor_ <= lastShownLine();
  const FindResult found = FindLine(session_.report, text, markInView ? anchor_ : firstShownLine_, forward);
  if (found.line == 0) {
    findStatus_->setText(QStringLiteral("not found"));
    return;
  }
  if (found.line < firstShownLine_ || found.line > lastShownLine())
    ScrollTo(found.line - (steps_.linesPerWindow - 1) / 2);
  Select(found.line, found.line);
  if (found.wrapped)
    findStatus_->setText(forward ? QStringLiteral("Passed the end of the report; continued from the top")
                                 : QStringLiteral("Passed the top of the report; continued from the end"));
}

void frmOutput::OnEscape() {
  if (findBar_->isVisible())
    CloseFind();
  else
    hide();
}

void frmOutput::ShowReport() {
  const run::RunParameters& p = session_.params;
  setWindowTitle(OutputTitle(session_.siteName, p.year, p.month, p.day));
  widestChars_ = -1;
  if (!loaded_) Load();
  show();
  raise();
  activateWindow();
  // A new report is shown from its first line with the scroll bar at the top
  // and nothing selected.
  {
    const QSignalBlocker block(vscroll1_);
    vscroll1_->setValue(0);
  }
  firstShownLine_ = 1;
  anchor_ = caret_ = 0;
  widestChars_ = -1;
  hscroll_->setValue(0);
  LayOutArea();
  canvas_->setFocus(Qt::OtherFocusReason);
  // A chart left open follows the new report, from its first night.
  if (nightChart_ && nightChart_->isVisible()) nightChart_->ShowLine(1);
}

void frmOutput::ShowNightChart() {
  if (!session_.lastRun || session_.report.LineCount() == 0 || !jobs_->MayStart(JobKind::FindEvents)) return;
  // A run keeps no events of its own until first asked: finding them again
  // takes seconds for a big run, done beside the window.
  if (!session_.lastRun->cachedOutcome) {
    const JobBoard::Job job = jobs_->Start(JobKind::FindEvents);
    Beside([&job] { job.run->outcome(); });
    if (session_.lastRun != job.run) return;  // a new report came meanwhile
  }
  if (!nightChart_) nightChart_ = std::make_unique<frmNightChart>(session_, *this, messages_);
  const long line = selectionStart() != 0 ? selectionStart() : firstShownLine_;
  nightChart_->ShowLine(static_cast<std::size_t>(line));
}

void frmOutput::closeEvent(QCloseEvent* event) {
  const OuterTwips o = ReadOuter(*this);
  session_.placement = {ToInt16(o.left), ToInt16(o.top), ToInt16(o.width), ToInt16(o.height)};
  loaded_ = false;
  event->accept();
}

}  // namespace tevaro::ui
