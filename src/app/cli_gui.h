// Qt's drawing for tevaro-cli's --pdf and --chart: made only when one of them
// is asked for, so the plain report needs no Qt start-up.
#pragma once

#include <QGuiApplication>
#include <memory>

namespace tevaro::app {

// For its lifetime: a QGuiApplication when there is none, on the offscreen
// platform unless QT_QPA_PLATFORM names another (a PDF or a chart needs
// fonts, not a screen, and comes out the same with or without a display),
// and only Qt's critical messages on stderr.
class CliGui {
 public:
  CliGui();
  ~CliGui();
  CliGui(const CliGui&) = delete;
  CliGui& operator=(const CliGui&) = delete;

 private:
  QtMessageHandler previous_;
  std::unique_ptr<QGuiApplication> app_;
};

}  // namespace tevaro::app
