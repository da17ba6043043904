// Lengths in twips (1/1440 inch) and the pixels of the screen a window is on.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace tevaro::ui {

inline constexpr double kTwipsPerInch = 1440.0;

// The size of a window's borders and title bar, which the window's stored and
// computed outer sizes include but Qt's geometry leaves out. Fixed nominal
// values, so a size written by one run reads back the same in the next
// whatever the window manager draws.
inline constexpr int kFrameWidthTwips = 120;   // left and right borders together
inline constexpr int kFrameHeightTwips = 480;  // title bar and top and bottom borders

// Converts between twips and pixels at a fixed logical resolution.
class Twips {
 public:
  explicit Twips(double dotsPerInch = 96.0) : dpi_(dotsPerInch > 0 ? dotsPerInch : 96.0) {}
  // The logical resolution of the screen `w` is on (the primary screen if none).
  static Twips For(const QWidget* w);

  double dpi() const { return dpi_; }
  int ToPx(double twips) const;
  double ToTwips(int px) const;
  QRect Rect(double left, double top, double width, double height) const;

 private:
  double dpi_;
};

// Outer place and size of a top-level window in twips, with the nominal frame.
struct OuterTwips {
  int left = 0, top = 0, width = 0, height = 0;
};

// Places `w` so that its outer rectangle is `o`.
void ApplyOuter(QWidget& w, const OuterTwips& o);
// The outer rectangle of `w`. A window whose pixel size and place are still the
// ones ApplyOuter gave it reports exactly the twips it was given.
OuterTwips ReadOuter(const QWidget& w);

}  // namespace tevaro::ui
