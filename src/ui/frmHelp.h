// The help window: six paragraphs of guidance under a title, laid out to the
// window's width.
#pragma once

#include <QString>
#include <QWidget>
#include <array>

class QLabel;
class QScrollArea;

namespace tevaro::ui {

// The six paragraphs, each put together from its pieces.
std::array<QString, 6> HelpParagraphs();

// A section below the six on the output window's reading tools and the
// night chart.
QString HelpMoreSection();

// The sections on what the window and the command line share, from the
// option table that --help and the man pages are made from: each title on a
// line of its own above its text.
QString HelpTopicsSection();

// Narrower than this the paragraphs would have no room; the window keeps at
// least this outer width (twips).
inline constexpr int kHelpMinWidthTwips = 3000;

struct HelpLayout {
  int width = 0;                // title and paragraph width
  std::array<int, 6> tops{};    // paragraph tops
  std::array<int, 6> heights{}; // room each paragraph gets down to the next
  int windowHeight = 0;         // outer height the window takes
};
// The layout for an outer width W (twips) and the paragraphs' lengths.
HelpLayout ComputeHelpLayout(int outerWidth, const std::array<int, 6>& lengths);

class frmHelp : public QWidget {
  Q_OBJECT

 public:
  explicit frmHelp(QWidget* parent = nullptr);
  ~frmHelp() override;

  // Shows the window, loading it first if it is not loaded.
  void ShowWindow();
  bool helpLoaded() const { return helpLoaded_; }
  const std::array<int, 6>& helpLength() const { return helpLength_; }
  QLabel* paragraph(int i) const { return label1_.at(static_cast<std::size_t>(i - 1)); }
  QLabel* title() const { return label0_; }
  QLabel* moreSection() const { return label2_; }
  QLabel* topicsSection() const { return topics_; }
  // The scrolled area that holds the topics, below the section above.
  QScrollArea* topicsArea() const { return topicsArea_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void Load();

  QLabel* label0_ = nullptr;
  QLabel* label2_ = nullptr;  // the section after the six paragraphs
  QScrollArea* topicsArea_ = nullptr;
  QLabel* topics_ = nullptr;  // the topics, scrolled where the screen is too low for them
  std::array<QLabel*, 6> label1_{};
  std::array<int, 6> helpLength_{};
  int paragraphCount_ = 0;
  bool helpLoaded_ = false;
};

}  // namespace tevaro::ui
