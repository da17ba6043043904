#include "ui/message_sink.h"

#include <QMessageBox>

namespace tevaro::ui {

MessageSink::~MessageSink() = default;

void BoxMessageSink::Show(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kProgramTitle), text, QMessageBox::Ok, parent);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

void RecordingMessageSink::Show(QWidget* /*parent*/, const QString& text) { messages.append(text); }

}  // namespace tevaro::ui
