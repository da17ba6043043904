// Where the windows' messages and questions go: modal boxes in the program, a
// list with scripted answers in the tests.
#pragma once

#include <QList>
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
  // Asks `text` with Yes and No, No the default; true for Yes.
  virtual bool Ask(QWidget* parent, const QString& text) = 0;
};

// Modal boxes titled "Tevaro": messages with an OK button only, questions
// with Yes and No.
class BoxMessageSink final : public MessageSink {
 public:
  void Show(QWidget* parent, const QString& text) override;
  bool Ask(QWidget* parent, const QString& text) override;
};

// Keeps every message and question, in order, for a test to read. Questions
// take their answers from `answers`, first to last; with none left the answer
// is the default, No.
class RecordingMessageSink final : public MessageSink {
 public:
  void Show(QWidget* parent, const QString& text) override;
  bool Ask(QWidget* parent, const QString& text) override;
  QStringList messages;
  QStringList questions;
  QList<bool> answers;
};

}  // namespace tevaro::ui
