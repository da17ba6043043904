// The About window: the program's name and version on a fixed panel.
#pragma once

#include <QWidget>

namespace tevaro::ui {

inline constexpr const char* kReleaseDate = "December 2026";

class frmAbout : public QWidget {
  Q_OBJECT
 public:
  explicit frmAbout(QWidget* parent = nullptr);
  ~frmAbout() override;
};

}  // namespace tevaro::ui
