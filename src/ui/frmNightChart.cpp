#include "ui/frmNightChart.h"

#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "ui/frmFileChooser.h"
#include "ui/frmOutput.h"
#include "ui/remembered.h"
#include "ui/wait_cursor.h"

namespace tevaro::ui {

ChartCanvas::ChartCanvas(frmNightChart& owner, QWidget* parent) : QWidget(parent), owner_(owner) {
  setObjectName(QStringLiteral("chartCanvas"));
  setMouseTracking(true);
  setMinimumSize(480, 320);
}

void ChartCanvas::Refresh() {
  layout_ = LayOutChart(owner_.chart(), QSizeF(size()), owner_.view());
  update();
}

void ChartCanvas::paintEvent(QPaintEvent*) {
  QPainter p(this);
  DrawChart(p, owner_.chart(), layout_);
}

void ChartCanvas::resizeEvent(QResizeEvent*) { Refresh(); }

std::optional<std::size_t> ChartCanvas::EventAt(QPointF pos) const {
  std::optional<std::size_t> best;
  double bestDistance = (kMarkerRadius + 3) * (kMarkerRadius + 3);
  for (const ChartMarker& m : layout_.markers) {
    if (!m.visible) continue;
    const QPointF d = m.centre - pos;
    const double distance = d.x() * d.x() + d.y() * d.y();
    if (distance <= bestDistance) {
      bestDistance = distance;
      best = m.event;
    }
  }
  return best;
}

double ChartCanvas::TimeAt(double x) const {
  const double share = layout_.plot.width() > 0 ? (x - layout_.plot.left()) / layout_.plot.width() : 0.5;
  return layout_.t0 + std::clamp(share, 0.0, 1.0) * (layout_.t1 - layout_.t0);
}

void ChartCanvas::mouseMoveEvent(QMouseEvent* event) {
  if (dragFrom_ && (event->buttons() & Qt::LeftButton)) {
    // The instant under the mouse stays under it.
    const double days = (dragFrom_->x() - event->position().x()) / std::max(1.0, layout_.plot.width()) *
                        (layout_.t1 - layout_.t0);
    owner_.SetView(PanView(owner_.chart(), dragView_, days));
    return;
  }
  setCursor(EventAt(event->position()) ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void ChartCanvas::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  if (const auto i = EventAt(event->position())) {
    owner_.GoToEvent(*i);
  } else if (!owner_.view().Whole() && layout_.plot.contains(event->position())) {
    dragFrom_ = event->position();
    dragView_ = owner_.view();
    setCursor(Qt::ClosedHandCursor);
  }
}

void ChartCanvas::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !dragFrom_) return;
  dragFrom_.reset();
  setCursor(Qt::ArrowCursor);
}

void ChartCanvas::wheelEvent(QWheelEvent* event) {
  const double notches = event->angleDelta().y() / 120.0;
  if (notches == 0) return event->ignore();
  owner_.ZoomBy(std::pow(0.8, notches), TimeAt(event->position().x()));
}

bool ChartCanvas::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    if (const auto i = EventAt(help->pos())) {
      QToolTip::showText(help->globalPos(), QStringLiteral("<pre>%1</pre>").arg(owner_.EventToolTip(*i).toHtmlEscaped()),
                         this);
    } else {
      QToolTip::hideText();
      event->ignore();
    }
    return true;
  }
  return QWidget::event(event);
}

frmNightChart::frmNightChart(run::Session& session, frmOutput& output, MessageSink& messages, QWidget* parent)
    : QMainWindow(parent), session_(session), output_(output), messages_(messages) {
  setObjectName(QStringLiteral("frmNightChart"));
  setWindowTitle(QStringLiteral("Night chart"));
  auto* body = new QWidget(this);
  auto* column = new QVBoxLayout(body);
  column->setContentsMargins(4, 4, 4, 4);
  auto* row = new QHBoxLayout;
  previous_ = new QPushButton(QStringLiteral("< &Previous night"), body);
  previous_->setObjectName(QStringLiteral("previousNight"));
  next_ = new QPushButton(QStringLiteral("&Next night >"), body);
  next_->setObjectName(QStringLiteral("nextNight"));
  status_ = new QLabel(body);
  status_->setObjectName(QStringLiteral("nightStatus"));
  row->addWidget(previous_);
  row->addWidget(next_);
  row->addWidget(status_, 1);
  filter_ = new QLineEdit(body);
  filter_->setObjectName(QStringLiteral("chartFilter"));
  filter_->setPlaceholderText(QStringLiteral("Filter: names or types, e.g. GEN 1, EW"));
  filter_->setToolTip(QStringLiteral("Shows only the stars whose name or type contains one of these terms "
                                     "(separated by commas, any case); empty shows every star."));
  filter_->setClearButtonEnabled(true);
  filter_->setMinimumWidth(260);
  hidePartial_ = new QCheckBox(QStringLiteral("Hide \"part\""), body);
  hidePartial_->setObjectName(QStringLiteral("hidePartial"));
  hidePartial_->setToolTip(QStringLiteral("Leaves out the minima the report marks \"part\": only part of the eclipse is observable."));
  hideMoon_ = new QCheckBox(QStringLiteral("Hide \"moon\""), body);
  hideMoon_->setObjectName(QStringLiteral("hideMoon"));
  hideMoon_->setToolTip(QStringLiteral("Leaves out the events the report marks \"moon\": a bright Moon near the star."));
  row->addWidget(filter_);
  row->addWidget(hidePartial_);
  row->addWidget(hideMoon_);
  column->addLayout(row);
  connect(filter_, &QLineEdit::textChanged, this, &frmNightChart::ApplyFilter);
  connect(hidePartial_, &QCheckBox::toggled, this, &frmNightChart::ApplyFilter);
  connect(hideMoon_, &QCheckBox::toggled, this, &frmNightChart::ApplyFilter);
  canvas_ = new ChartCanvas(*this, body);
  column->addWidget(canvas_, 1);
  setCentralWidget(body);
  connect(previous_, &QPushButton::clicked, this, &frmNightChart::PreviousNight);
  connect(next_, &QPushButton::clicked, this, &frmNightChart::NextNight);
  canvas_->setFocusPolicy(Qt::StrongFocus);
  // The chart takes the keys first (zoom, pan, nights), not the filter box.
  canvas_->setFocus();
  connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::hide);

  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  QAction* save = file->addAction(QStringLiteral("&Save chart ..."));
  save->setObjectName(QStringLiteral("mSaveChart"));
  save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  connect(save, &QAction::triggered, this, &frmNightChart::ShowSaveChooser);
  QAction* print = file->addAction(QStringLiteral("&Print chart ..."));
  print->setObjectName(QStringLiteral("mPrintChart"));
  print->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  connect(print, &QAction::triggered, this, &frmNightChart::PrintChart);
  file->addSeparator();
  QAction* close = file->addAction(QStringLiteral("&Close"));
  close->setObjectName(QStringLiteral("mCloseChart"));
  connect(close, &QAction::triggered, this, &QWidget::hide);
  resize(1200, 780);
  // Where the user left the chart last time, when that is on a screen.
  ApplyRememberedPlace(*this, session_.options, kChartWindowKey);
}

void frmNightChart::RememberPlace() { ui::RememberPlace(session_.options, kChartWindowKey, ReadOuter(*this)); }

void frmNightChart::hideEvent(QHideEvent* event) {
  // Hidden by Escape, Close or its close control: the place is kept.
  if (!event->spontaneous()) RememberPlace();
  QMainWindow::hideEvent(event);
}

frmNightChart::~frmNightChart() = default;

void frmNightChart::keyPressEvent(QKeyEvent* event) {
  // Keys the canvas and the buttons leave come here.
  const ChartLayout& l = canvas_->layout();
  const double middle = (l.t0 + l.t1) / 2;
  switch (event->key()) {
    case Qt::Key_PageUp: PreviousNight(); break;
    case Qt::Key_PageDown: NextNight(); break;
    case Qt::Key_Plus:
    case Qt::Key_Equal: ZoomBy(0.5, middle); break;
    case Qt::Key_Minus: ZoomBy(2, middle); break;
    case Qt::Key_Left: PanBy(-0.25); break;
    case Qt::Key_Right: PanBy(0.25); break;
    case Qt::Key_Home: SetView({}); break;
    default: QMainWindow::keyPressEvent(event);
  }
}

void frmNightChart::SetView(ChartView view) {
  view_ = view;
  canvas_->Refresh();
}

void frmNightChart::ZoomBy(double factor, double anchor) { SetView(ZoomView(chart_, view_, factor, anchor)); }

void frmNightChart::PanBy(double share) {
  const ChartLayout& l = canvas_->layout();
  SetView(PanView(chart_, view_, share * (l.t1 - l.t0)));
}

void frmNightChart::ApplyFilter() {
  run::ChartFilter filter;
  filter.text = filter_->text().toStdString();
  filter.hidePartial = hidePartial_->isChecked();
  filter.hideMoon = hideMoon_->isChecked();
  chart_ = run::FilterNightChart(night_, filter);
  UpdateControls();
  canvas_->Refresh();
}

void frmNightChart::ShowLine(std::size_t line) {
  if (!session_.lastRun) return;
  ShowNight(run::NightOfReportLine(session_.lastRun->outcome(), line));
}

void frmNightChart::ShowNight(std::int32_t night) {
  if (!session_.lastRun) return;
  if (run_ != session_.lastRun) {
    run_ = session_.lastRun;
    nights_ = run::ReportNights(run_->outcome());
    view_ = {};
  }
  const auto it = std::lower_bound(nights_.begin(), nights_.end(), night);
  const std::size_t index =
      static_cast<std::size_t>(std::min(it - nights_.begin(), static_cast<std::ptrdiff_t>(nights_.size()) - 1));
  // Another night, or another run's, starts from the whole night; the same
  // one keeps its zoom.
  if (index != nightIndex_ || night_.localDay != nights_[index] || night_.events.empty()) view_ = {};
  nightIndex_ = index;
  night_ = run::BuildNightChart(*run_, nights_[nightIndex_]);
  setWindowTitle(QStringLiteral("Night chart - ") + ChartTitle(night_));
  ApplyFilter();
  if (!isVisible()) FitIntoScreen();
  show();
  raise();
  activateWindow();
}

void frmNightChart::FitIntoScreen() {
  const QScreen* screen = this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  // The frame's own size is known only once shown: allow for a title bar and borders.
  constexpr int kFrameAllowance = 40;
  const QRect area = screen->availableGeometry();
  QSize size = this->size().boundedTo(QSize(area.width() - kFrameAllowance / 2, area.height() - kFrameAllowance));
  size = size.expandedTo(minimumSize());
  resize(size);
  QPoint at = pos();
  at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - size.width() - kFrameAllowance / 2)));
  at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() - size.height() - kFrameAllowance)));
  move(at);
}

void frmNightChart::PreviousNight() {
  if (run_ && nightIndex_ > 0) ShowNight(nights_[nightIndex_ - 1]);
}

void frmNightChart::NextNight() {
  if (run_ && nightIndex_ + 1 < nights_.size()) ShowNight(nights_[nightIndex_ + 1]);
}

void frmNightChart::UpdateControls() {
  previous_->setEnabled(nightIndex_ > 0);
  next_->setEnabled(nightIndex_ + 1 < nights_.size());
  QString text = QStringLiteral("Night %1 of %2: %3 events").arg(nightIndex_ + 1).arg(nights_.size()).arg(night_.events.size());
  if (chart_.events.size() != night_.events.size()) text += QStringLiteral(", %1 shown").arg(chart_.events.size());
  status_->setText(text);
}

QString frmNightChart::EventLineText(std::size_t i) const {
  // The line of the report this chart was drawn from; a newer run's report
  // has other lines.
  if (i >= chart_.events.size() || run_ != session_.lastRun) return {};
  return ReportLineText(session_.report, chart_.events[i].reportLine);
}

QString frmNightChart::EventToolTip(std::size_t i) const {
  if (i >= chart_.events.size()) return {};
  const QString line = EventLineText(i);
  return (line.isEmpty() ? QString() : line + QLatin1Char('\n')) + MoonDistanceText(chart_.events[i]);
}

void frmNightChart::GoToEvent(std::size_t i) {
  if (i >= chart_.events.size() || run_ != session_.lastRun) return;
  const auto line = static_cast<long>(chart_.events[i].reportLine);
  output_.ScrollTo(line - std::max(0, output_.linesPerWindow() - 1) / 2);
  output_.Select(line, line);
  output_.show();
  output_.raise();
}

void frmNightChart::ShowSaveChooser() {
  if (!saveChooser_) {
    const QString first = QStringLiteral("tevaro-night-%1-%2-%3.png")
                              .arg(chart_.year, 4, 10, QLatin1Char('0'))
                              .arg(chart_.month, 2, 10, QLatin1Char('0'))
                              .arg(chart_.day, 2, 10, QLatin1Char('0'));
    saveChooser_ = std::make_unique<frmFileChooser>(ChooserKind::SaveChart, first, [this] { SaveChosenFile(); });
    saveChooser_->SetConfirm([this] {
      const QString name = saveChooser_->fileName();
      if (name.isEmpty()) return true;
      const QFileInfo target(QDir(saveChooser_->folder()).filePath(name));
      if (!target.exists() || target.isDir()) return true;
      return messages_.Ask(saveChooser_.get(), name + QStringLiteral(" already exists.  Replace it?"));
    });
  }
  saveChooser_->ShowChooser();
}

void frmNightChart::SaveChosenFile() {
  const QString folder = saveChooser_->folder();
  const QString name = saveChooser_->fileName();
  session_.chosenFolder = folder.toStdString();
  if (name.isEmpty()) {
    messages_.Show(this, QStringLiteral("The chart was not saved.  No file name was given."));
    return;
  }
  const std::string path = run::PathIn(folder.toStdString(), name.toStdString());
  if (auto failure = Waiting([&] { return WriteChartFile(path, chart_); }))
    messages_.Show(this, QStringLiteral("The chart was not saved.  ") + QString::fromStdString(failure->Message()));
}

void frmNightChart::PrintChart() {
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageOrientation(QPageLayout::Landscape);
  printer.setDocName(ChartTitle(chart_));
  QPrintDialog dialog(&printer, this);
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
  if (dialog.exec() != QDialog::Accepted) return;
  printer.setPageOrientation(QPageLayout::Landscape);
  QPainter p;
  if (!p.begin(&printer)) {
    messages_.Show(this, QStringLiteral("The chart was not printed.  The printer could not be started."));
    return;
  }
  // Laid out at the size of a 1600-pixel-wide chart with the page's shape,
  // then scaled to the page, so lines and text keep their proportions.
  const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
  const QSizeF size(1600, 1600 * page.height() / page.width());
  p.scale(page.width() / size.width(), page.height() / size.height());
  DrawChart(p, chart_, LayOutChart(chart_, size));
  p.end();
}

}  // namespace tevaro::ui
