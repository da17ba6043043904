#include "ui/frmAbout.h"

#include <QLabel>
#include <QShortcut>

#include "tevaro_version.h"
#include "ui/twips.h"

namespace tevaro::ui {

frmAbout::frmAbout(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral("About"));
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(224, 224, 224));
  setPalette(pal);
  QFont f(QStringLiteral("MS Sans Serif"));
  f.setPointSizeF(8.25);
  f.setBold(true);
  setFont(f);

  const Twips t = Twips::For(this);
  auto label = [&](const char* name, const QString& text, int left, int top, int width, int height) {
    auto* l = new QLabel(text, this);
    l->setObjectName(QString::fromLatin1(name));
    l->setAlignment(Qt::AlignCenter);
    l->setGeometry(t.Rect(left, top, width, height));
    return l;
  };
  QLabel* name = label("Label1", QStringLiteral("Tevaro"), 600, 0, 3375, 375);
  QFont nameFont(QStringLiteral("Arial"));
  nameFont.setPointSizeF(13.5);
  nameFont.setBold(true);
  name->setFont(nameFont);
  QPalette np = name->palette();
  np.setColor(QPalette::WindowText, QColor(0, 0, 128));
  name->setPalette(np);
  label("Label6", QStringLiteral("Version %1 of ").arg(QString::fromLatin1(kVersion)) + QString::fromLatin1(kReleaseDate), 240, 840, 3975, 255);
  label("Label7", QString(61, QLatin1Char('-')), 240, 1080, 3975, 255);
  resize(t.ToPx(4425), t.ToPx(2520));
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, &QWidget::close);
}

frmAbout::~frmAbout() = default;

}  // namespace tevaro::ui
