#include "ui/message_sink.h"

#include <QMessageBox>

namespace tevaro::ui {

MessageSink::~MessageSink() = default;

void BoxMessageSink::Show(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kProgramTitle), text, QMessageBox::Ok, parent);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

bool BoxMessageSink::Ask(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Question, QString::fromLatin1(kProgramTitle), text,
                  QMessageBox::Yes | QMessageBox::No, parent);
  box.setDefaultButton(QMessageBox::No);
  box.setEscapeButton(QMessageBox::No);
  box.setWindowModality(Qt::ApplicationModal);
  return box.exec() == QMessageBox::Yes;
}

void RecordingMessageSink::Show(QWidget* /*parent*/, const QString& text) { messages.append(text); }

bool RecordingMessageSink::Ask(QWidget* /*parent*/, const QString& text) {
  questions.append(text);
  return !answers.isEmpty() && answers.takeFirst();
}

}  // namespace tevaro::ui
