// The program's own file chooser: drive, folder and file lists, a pattern
// list and a name box. One design serves the three open choosers, the
// save chooser and the PDF export chooser; each is hidden, never closed, so it keeps its folder,
// pattern and name between uses.
#pragma once

#include <QDialog>
#include <QHash>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace tevaro::ui {

enum class ChooserKind { StarFile, LocationsFile, LimitsFile, SaveOutput, ExportPdf, SaveChart, ExportEvents };

// The smallest outer size a chooser keeps.
inline constexpr double kChooserMinWidthTwips = 6525;
inline constexpr double kChooserMinHeightTwips = 3540;

// Places of the controls that move or stretch with the window, in twips of
// the client area, for an outer width and height (at least the minimum).
struct ChooserLayout {
  QRectF text1, file1, label2, combo1;                  // left column
  QRectF label3, label4, dir1, label5, drive1;          // right column
  QRectF command1, command2;                            // buttons
};
ChooserLayout ComputeChooserLayout(float outerWidth, float outerHeight);

class frmFileChooser : public QDialog {
  Q_OBJECT

 public:
  // `onOk` runs when OK is confirmed, while the chooser is still shown; it
  // reads folder() and fileName().
  frmFileChooser(ChooserKind kind, QString firstName, std::function<void()> onOk, QWidget* parent = nullptr);
  ~frmFileChooser() override;

  ChooserKind kind() const { return kind_; }
  // The folder list's path, as shown in Label4.
  QString folder() const { return folder_; }
  // The name box's text, as typed.
  QString fileName() const;
  QStringList patterns() const { return patterns_; }
  QString pattern() const { return pattern_; }

  // Opening from the main window: pattern entry 1, show, pattern entry 0, so
  // the chooser is shown with entry 0 in force and its list freshly read.
  void OpenFromMenu();
  // Puts the first file the list shows into the name box (empty when none).
  void ProposeFirstFile();
  // Shows the chooser non-modally and brings it to the front.
  void ShowChooser();

  // A pattern picked (by the user or the program): it becomes the file
  // list's pattern and the list is read again.
  void SelectPattern(int k);
  // A type picked by the user: SelectPattern, and in Export Events the name
  // box's extension becomes the type's.
  void PickType(int k);
  // The folder list opens `path`: the file list follows, the name box gets
  // the first matching file (or nothing), Label4 the path.
  void OpenFolder(const QString& path);
  // A drive picked: the folder list moves to that drive's last folder.
  void SelectDrive(int k);

  // Asked first on OK; when it returns false the chooser stays shown and
  // nothing is recorded or run.
  void SetConfirm(std::function<bool()> confirm) { confirm_ = std::move(confirm); }

  // OK: runs the reader or writer, then hides the chooser.
  void Ok();
  // Cancel: hides the chooser; nothing is recorded or run.
  void Cancel();
  void reject() override;

  // The files the file list shows, in order.
  QStringList listedFiles() const;
  // The folders the folder list shows, ancestors first, as full paths.
  QStringList listedFolders() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BuildControls();
  void ReadFiles();
  void ReadFolders();
  void OnFolderActivated(QListWidgetItem* item);

  ChooserKind kind_;
  std::function<void()> onOk_;
  std::function<bool()> confirm_;
  QStringList patterns_;
  QString pattern_;
  QString folder_;
  QStringList drives_;  // the drive list's entries
  QHash<QString, QString> lastFolderOnDrive_;

  QLabel* label1_ = nullptr;
  QLineEdit* text1_ = nullptr;
  QLabel* label2_ = nullptr;
  QComboBox* combo1_ = nullptr;
  QLabel* label3_ = nullptr;
  QLabel* label4_ = nullptr;
  QLabel* label5_ = nullptr;
  QPushButton* command1_ = nullptr;
  QPushButton* command2_ = nullptr;
  QComboBox* drive1_ = nullptr;
  QListWidget* dir1_ = nullptr;
  QListWidget* file1_ = nullptr;
};

}  // namespace tevaro::ui
