#include "ui/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVariant>
#include <QWidget>
#include <cmath>

namespace tevaro::ui {

namespace {
// The twips ApplyOuter last gave a window, with the pixels they became.
constexpr const char* kAppliedTwips = "tevaroAppliedTwips";
constexpr const char* kAppliedPixels = "tevaroAppliedPixels";
}  // namespace

Twips Twips::For(const QWidget* w) {
  const QScreen* screen = w != nullptr ? w->screen() : nullptr;
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  return Twips(screen != nullptr ? screen->logicalDotsPerInchY() : 96.0);
}

int Twips::ToPx(double twips) const { return static_cast<int>(std::lround(twips * dpi_ / kTwipsPerInch)); }

double Twips::ToTwips(int px) const { return px * kTwipsPerInch / dpi_; }

QRect Twips::Rect(double left, double top, double width, double height) const {
  return {ToPx(left), ToPx(top), ToPx(width), ToPx(height)};
}

void ApplyOuter(QWidget& w, const OuterTwips& o) {
  const Twips t = Twips::For(&w);
  const QPoint pos(t.ToPx(o.left), t.ToPx(o.top));
  const QSize size(t.ToPx(o.width - kFrameWidthTwips), t.ToPx(o.height - kFrameHeightTwips));
  w.move(pos);
  w.resize(size);
  // Remember the twips only for what the window took as given (a size below
  // its minimum is raised, and then the pixels tell the truth).
  w.setProperty(kAppliedTwips, QRect(o.left, o.top, o.width, o.height));
  w.setProperty(kAppliedPixels, QRect(w.pos() == pos ? pos : QPoint(-1000000, -1000000),
                                      w.size() == size ? size : QSize(-1, -1)));
}

OuterTwips ReadOuter(const QWidget& w) {
  const Twips t = Twips::For(&w);
  OuterTwips o{static_cast<int>(std::lround(t.ToTwips(w.pos().x()))),
               static_cast<int>(std::lround(t.ToTwips(w.pos().y()))),
               static_cast<int>(std::lround(t.ToTwips(w.width()))) + kFrameWidthTwips,
               static_cast<int>(std::lround(t.ToTwips(w.height()))) + kFrameHeightTwips};
  const QVariant applied = w.property(kAppliedTwips);
  const QVariant pixels = w.property(kAppliedPixels);
  if (applied.isValid() && pixels.isValid()) {
    const QRect a = applied.toRect();
    const QRect p = pixels.toRect();
    if (p.topLeft() == w.pos()) {
      o.left = a.x();
      o.top = a.y();
    }
    if (p.size() == w.size()) {
      o.width = a.width();
      o.height = a.height();
    }
  }
  return o;
}

}  // namespace tevaro::ui
