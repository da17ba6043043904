// Where the windows' messages go: a modal box with OK only in the program, a
// list in the tests.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace tevaro::ui {

inline constexpr const char* kProgramTitle = "Tevaro";

class MessageSink {
 public:
  virtual ~MessageSink();
  // Shows `text` and returns when the user has acknowledged it.
  virtual void Show(QWidget* parent, const QString& text) = 0;
};

// A modal message box titled "Tevaro" with an OK button only.
class BoxMessageSink final : public MessageSink {
 public:
  void Show(QWidget* parent, const QString& text) override;
};

// Keeps every message, in order, for a test to read.
class RecordingMessageSink final : public MessageSink {
 public:
  void Show(QWidget* parent, const QString& text) override;
  QStringList messages;
};

}  // namespace tevaro::ui
