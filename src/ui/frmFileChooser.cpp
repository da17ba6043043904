#include "ui/frmFileChooser.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>
#include <iterator>

#include "export/formats.h"
#include "ui/twips.h"

namespace tevaro::ui {

namespace {

// The Export Events chooser's types: the event formats' table.
QStringList EventFileTypes() {
  QStringList types;
  for (const exports::EventFormat& f : exports::EventFormats())
    types << QString::fromUtf8(f.fileType.data(), static_cast<qsizetype>(f.fileType.size()));
  return types;
}

struct KindSetup {
  const char* objectName;
  const char* caption;
  double clientWidth, clientHeight;
  QStringList patterns;
  int loadEntry;
};

KindSetup SetupFor(ChooserKind kind) {
  switch (kind) {
    case ChooserKind::StarFile:
      return {"frmOpenStarFile", "Open Star File", 6870, 7470, {"*.csv", "*.*"}, 0};
    case ChooserKind::LocationsFile:
      return {"frmOpenLocationsFile", "Open Locations File", 6915, 7395, {"*.csv", "*.*"}, 0};
    case ChooserKind::LimitsFile:
      return {"frmOpenLimitsFile", "Open Limits File", 6900, 7500, {"*.csv", "*.dat", "*.txt", "*.*"}, 1};
    case ChooserKind::ExportPdf:
      return {"frmExportPdf", "Export PDF", 6870, 7470, {"PDF files (*.pdf)", "*.*"}, 0};
    case ChooserKind::SaveChart:
      return {"frmSaveChart", "Save Chart", 6870, 7470, {"PNG images (*.png)", "SVG images (*.svg)", "*.*"}, 0};
    case ChooserKind::ExportEvents:
      return {"frmExportEvents", "Export Events", 6870, 7470, EventFileTypes(), 0};
    case ChooserKind::SaveOutput:
      break;
  }
  return {"frmSaveOutput", "Save Output", 6870, 7470, {"*.csv", "*.*"}, 0};
}

QRectF R(float left, float top, float width, float height) {
  return {static_cast<qreal>(left), static_cast<qreal>(top), static_cast<qreal>(width), static_cast<qreal>(height)};
}

constexpr int kPathRole = Qt::UserRole;

// The drive among `drives` that holds `path`: the longest that starts it.
int DriveOf(const QStringList& drives, const QString& path) {
  int best = -1;
  qsizetype bestLength = -1;
  for (int i = 0; i < drives.size(); ++i) {
    const QString& d = drives[i];
    if (path.startsWith(d, Qt::CaseInsensitive) && d.size() > bestLength) {
      best = i;
      bestLength = d.size();
    }
  }
  return best;
}

// Enter in the folder list opens the chosen folder; it must not also reach
// the chooser's default button.
class FolderKeyFilter : public QObject {
 public:
  FolderKeyFilter(QListWidget* list, std::function<void(QListWidgetItem*)> open)
      : QObject(list), list_(list), open_(std::move(open)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == list_ && event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (QListWidgetItem* item = list_->currentItem()) open_(item);
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QListWidget* list_;
  std::function<void(QListWidgetItem*)> open_;
};

}  // namespace

ChooserLayout ComputeChooserLayout(float outerWidth, float outerHeight) {
  const float w = std::max(outerWidth, static_cast<float>(kChooserMinWidthTwips));
  const float h = std::max(outerHeight, static_cast<float>(kChooserMinHeightTwips));
  const float file1Height = h - 2100;
  const float dir1Height = h - 1890;
  // Both columns share the width beyond 7830 equally.
  const float a = (w - 7830) / 2;
  const float leftWidth = a + 3015;
  const float rightWidth = a + 2655;
  const float right = leftWidth + 345;
  const float buttons = rightWidth + leftWidth + 570;

  ChooserLayout l;
  l.text1 = R(120, 360, leftWidth, 315);
  l.file1 = R(120, 840, leftWidth, file1Height);
  l.label2 = R(120, file1Height + 990, 2415, 255);
  l.combo1 = R(120, file1Height + 1230, leftWidth, 315);
  l.label3 = R(right, 120, 2295, 255);
  l.label4 = R(right, 360, 3975, 255);
  l.dir1 = R(right, 720, rightWidth, dir1Height);
  l.label5 = R(right, dir1Height + 780, 1335, 255);
  l.drive1 = R(right, dir1Height + 1020, rightWidth, 315);
  l.command1 = R(buttons, 720, 1335, 375);
  l.command2 = R(buttons, 1200, 1335, 375);
  return l;
}

frmFileChooser::frmFileChooser(ChooserKind kind, QString firstName, std::function<void()> onOk, QWidget* parent)
    : QDialog(parent), kind_(kind), onOk_(std::move(onOk)) {
  const KindSetup setup = SetupFor(kind);
  setObjectName(QString::fromLatin1(setup.objectName));
  setWindowTitle(QString::fromLatin1(setup.caption));
  setModal(false);
  setSizeGripEnabled(false);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(192, 192, 192));
  setPalette(pal);
  setAutoFillBackground(true);
  QFont f(QStringLiteral("MS Sans Serif"));
  f.setStyleHint(QFont::SansSerif);
  f.setPointSizeF(8.25);
  f.setBold(true);
  setFont(f);

  BuildControls();
  text1_->setText(firstName);

  // First use: the pattern list, the pattern of the chooser's kind, the
  // current folder; the name box keeps its first text.
  patterns_ = setup.patterns;
  combo1_->addItems(patterns_);
  for (const QFileInfo& info : QDir::drives()) drives_.append(info.absoluteFilePath());
  if (drives_.isEmpty()) drives_.append(QDir::rootPath());
  drive1_->addItems(drives_);
  folder_ = QDir::cleanPath(QDir::currentPath());
  ReadFolders();
  SelectPattern(setup.loadEntry);

  const Twips t = Twips::For(this);
  setMinimumSize(t.ToPx(kChooserMinWidthTwips - kFrameWidthTwips), t.ToPx(kChooserMinHeightTwips - kFrameHeightTwips));
  // A proposed name wider than the name box widens the window, whose two
  // columns share the extra width, so the whole name shows.
  const double have = ComputeChooserLayout(static_cast<float>(setup.clientWidth + kFrameWidthTwips),
                                          static_cast<float>(setup.clientHeight + kFrameHeightTwips))
                          .text1.width();
  const double needed = t.ToTwips(text1_->fontMetrics().horizontalAdvance(firstName)) + 240;  // frame and margins
  const int extra = needed > have ? static_cast<int>(std::ceil(2 * (needed - have))) : 0;
  resize(t.ToPx(setup.clientWidth + extra), t.ToPx(setup.clientHeight));
}

frmFileChooser::~frmFileChooser() = default;

void frmFileChooser::BuildControls() {
  const Twips t = Twips::For(this);
  auto place = [&](QWidget* w, const char* name, double left, double top, double width, double height) {
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(t.Rect(left, top, width, height));
  };
  auto label = [&](const char* name, const char* caption, double left, double top, double width, double height) {
    auto* l = new QLabel(QString::fromLatin1(caption), this);
    place(l, name, left, top, width, height);
    return l;
  };

  // Created in reading order; the tab order is set below.
  label1_ = label("Label1", "File Name:", 120, 120, 975, 255);
  text1_ = new QLineEdit(this);
  place(text1_, "Text1", 120, 360, 2415, 315);
  file1_ = new QListWidget(this);
  place(file1_, "File1", 120, 840, 2415, 5685);
  label2_ = label("Label2", "List Files of Type:", 120, 6720, 2415, 255);
  combo1_ = new QComboBox(this);
  place(combo1_, "Combo1", 120, 6960, 2415, 315);
  label3_ = label("Label3", "Directories:", 2880, 120, 2295, 255);
  label4_ = label("Label4", "", 2880, 360, 3975, 255);
  dir1_ = new QListWidget(this);
  place(dir1_, "Dir1", 2880, 720, 2415, 5715);
  label5_ = label("Label5", "Drives:", 2880, 6720, 1335, 255);
  drive1_ = new QComboBox(this);
  place(drive1_, "Drive1", 2880, 6960, 2415, 315);
  command1_ = new QPushButton(QStringLiteral("OK"), this);
  place(command1_, "Command1", 5520, 720, 1335, 375);
  command2_ = new QPushButton(QStringLiteral("Cancel"), this);
  place(command2_, "Command2", 5520, 1200, 1335, 375);
  // Tab goes name box, pattern list, OK, Cancel, drive list, folder list,
  // file list.
  QWidget* const order[] = {text1_, combo1_, command1_, command2_, drive1_, dir1_, file1_};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
  // Enter anywhere but in the folder list is OK; Escape is Cancel.
  command1_->setDefault(true);
  command2_->setAutoDefault(false);

  file1_->setSelectionMode(QAbstractItemView::SingleSelection);
  dir1_->setSelectionMode(QAbstractItemView::SingleSelection);
  dir1_->installEventFilter(new FolderKeyFilter(dir1_, [this](QListWidgetItem* item) { OnFolderActivated(item); }));

  connect(combo1_, &QComboBox::activated, this, &frmFileChooser::PickType);
  connect(drive1_, &QComboBox::activated, this, &frmFileChooser::SelectDrive);
  connect(dir1_, &QListWidget::itemDoubleClicked, this, &frmFileChooser::OnFolderActivated);
  connect(file1_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { text1_->setText(item->text()); });
  // Moving through the list with the keys picks as a click does.
  connect(file1_, &QListWidget::itemSelectionChanged, this, [this] {
    const QList<QListWidgetItem*> picked = file1_->selectedItems();
    if (!picked.isEmpty()) text1_->setText(picked.first()->text());
  });
  connect(file1_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    text1_->setText(item->text());
    Ok();
  });
  connect(command1_, &QPushButton::clicked, this, &frmFileChooser::Ok);
  connect(command2_, &QPushButton::clicked, this, &frmFileChooser::Cancel);
}

QString frmFileChooser::fileName() const { return text1_->text(); }

void frmFileChooser::OpenFromMenu() {
  SelectPattern(1);
  ShowChooser();
  SelectPattern(0);
}

void frmFileChooser::ProposeFirstFile() {
  text1_->setText(file1_->count() > 0 ? file1_->item(0)->text() : QString());
  text1_->selectAll();
}

void frmFileChooser::ShowChooser() {
  show();
  raise();
  activateWindow();
}

void frmFileChooser::SelectPattern(int k) {
  if (k < 0 || k >= patterns_.size()) return;
  {
    const QSignalBlocker block(combo1_);
    combo1_->setCurrentIndex(k);
  }
  pattern_ = patterns_[k];
  ReadFiles();
}

void frmFileChooser::PickType(int k) {
  SelectPattern(k);
  if (kind_ != ChooserKind::ExportEvents) return;
  // The proposed name follows the type: a name ending in one of the types'
  // extensions takes the picked type's.
  const std::span<const exports::EventFormat> formats = exports::EventFormats();
  if (k < 0 || static_cast<std::size_t>(k) >= formats.size()) return;
  const QString name = text1_->text();
  for (const exports::EventFormat& f : formats) {
    const QString ext = QString::fromLatin1(f.extension.data(), static_cast<qsizetype>(f.extension.size()));
    if (name.endsWith(ext, Qt::CaseInsensitive)) {
      const std::string_view to = formats[static_cast<std::size_t>(k)].extension;
      text1_->setText(name.chopped(ext.size()) + QString::fromLatin1(to.data(), static_cast<qsizetype>(to.size())));
      return;
    }
  }
}

void frmFileChooser::OpenFolder(const QString& path) {
  folder_ = QDir::cleanPath(QDir(path).absolutePath());
  ReadFolders();
  ReadFiles();
  text1_->setText(file1_->count() > 0 ? file1_->item(0)->text() : QString());
}

void frmFileChooser::SelectDrive(int k) {
  if (k < 0 || k >= drives_.size()) return;
  const QString& drive = drives_[k];
  if (DriveOf(drives_, folder_) == k) return;
  QString target = lastFolderOnDrive_.value(drive, drive);
  if (!QFileInfo(target).isDir()) target = drive;
  OpenFolder(target);
}

void frmFileChooser::OnFolderActivated(QListWidgetItem* item) {
  if (item == nullptr) return;
  const QString path = item->data(kPathRole).toString();
  if (!path.isEmpty() && path != folder_) OpenFolder(path);
}

void frmFileChooser::ReadFiles() {
  QDir dir(folder_);
  // "*.*" lists every file, with or without an extension; a described
  // pattern, "PDF files (*.pdf)", filters by the part in brackets.
  QString glob = pattern_;
  const qsizetype open = glob.lastIndexOf(QLatin1Char('('));
  if (open >= 0 && glob.endsWith(QLatin1Char(')'))) glob = glob.mid(open + 1, glob.size() - open - 2);
  const QStringList filter = glob == QStringLiteral("*.*") ? QStringList{QStringLiteral("*")} : QStringList{glob};
  dir.setNameFilters(filter);
  dir.setFilter(QDir::Files | QDir::NoDotAndDotDot);
  dir.setSorting(QDir::Name | QDir::IgnoreCase);
  const QSignalBlocker block(file1_);
  file1_->clear();
  file1_->addItems(dir.entryList());
}

void frmFileChooser::ReadFolders() {
  const int drive = DriveOf(drives_, folder_);
  if (drive >= 0) {
    lastFolderOnDrive_[drives_[drive]] = folder_;
    const QSignalBlocker block(drive1_);
    drive1_->setCurrentIndex(drive);
  }

  // The path from the root down, each level indented, then the subfolders.
  QStringList chain;
  for (QDir d(folder_);;) {
    chain.prepend(d.absolutePath());
    if (!d.cdUp()) break;
  }
  const QSignalBlocker block(dir1_);
  dir1_->clear();
  int depth = 0;
  QListWidgetItem* current = nullptr;
  for (const QString& p : chain) {
    const QString name = QDir(p).isRoot() ? QDir::toNativeSeparators(p) : QFileInfo(p).fileName();
    auto* item = new QListWidgetItem(QString(depth * 2, QLatin1Char(' ')) + name, dir1_);
    item->setData(kPathRole, p);
    current = item;
    ++depth;
  }
  QDir here(folder_);
  here.setFilter(QDir::Dirs | QDir::NoDotAndDotDot);
  here.setSorting(QDir::Name | QDir::IgnoreCase);
  for (const QString& sub : here.entryList()) {
    auto* item = new QListWidgetItem(QString(depth * 2, QLatin1Char(' ')) + sub, dir1_);
    item->setData(kPathRole, here.absoluteFilePath(sub));
  }
  dir1_->setCurrentItem(current);

  label4_->setToolTip(QDir::toNativeSeparators(folder_));
  label4_->setText(fontMetrics().elidedText(QDir::toNativeSeparators(folder_), Qt::ElideLeft, label4_->width()));
}

QStringList frmFileChooser::listedFiles() const {
  QStringList names;
  for (int i = 0; i < file1_->count(); ++i) names.append(file1_->item(i)->text());
  return names;
}

QStringList frmFileChooser::listedFolders() const {
  QStringList paths;
  for (int i = 0; i < dir1_->count(); ++i) paths.append(dir1_->item(i)->data(kPathRole).toString());
  return paths;
}

void frmFileChooser::Ok() {
  if (confirm_ && !confirm_()) return;
  if (onOk_) onOk_();
  hide();
}

void frmFileChooser::Cancel() { hide(); }

void frmFileChooser::reject() { Cancel(); }

void frmFileChooser::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  const Twips t = Twips::For(this);
  const OuterTwips o = ReadOuter(*this);
  const ChooserLayout l = ComputeChooserLayout(static_cast<float>(o.width), static_cast<float>(o.height));
  auto put = [&](QWidget* w, const QRectF& r) { w->setGeometry(t.Rect(r.x(), r.y(), r.width(), r.height())); };
  put(text1_, l.text1);
  put(file1_, l.file1);
  put(label2_, l.label2);
  put(combo1_, l.combo1);
  put(label3_, l.label3);
  put(label4_, l.label4);
  put(dir1_, l.dir1);
  put(label5_, l.label5);
  put(drive1_, l.drive1);
  put(command1_, l.command1);
  put(command2_, l.command2);
}

}  // namespace tevaro::ui
