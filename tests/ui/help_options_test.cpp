// The option table against what is made from it: each option's tag and text
// in the programs' --help and, for the options with a window counterpart, in
// the Help window's topics. (man_check.sh holds the man pages to --help.)
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include "run/option_texts.h"
#include "ui/frmHelp.h"
#include "ui_test_support.h"

namespace {

// Runs of blanks and line ends as one blank: the listings wrap where they like.
QString Flat(QString text) { return text.replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral(" ")); }

QString HelpOf(const char* program) {
  QProcess p;
  p.start(QString::fromLatin1(program), {QStringLiteral("--help")});
  if (!p.waitForFinished(10000) || p.exitCode() != 0) return {};
  return Flat(QString::fromUtf8(p.readAllStandardOutput()));
}

}  // namespace

class HelpOptionsTest : public QObject {
  Q_OBJECT

 private slots:
  void everyOptionIsSaidAlikeEverywhere();
};

void HelpOptionsTest::everyOptionIsSaidAlikeEverywhere() {
  using tevaro::run::OptionText;
  const QString cliHelp = HelpOf(TEVARO_CLI_PATH), windowHelp = HelpOf(TEVARO_WINDOW_PATH);
  QVERIFY(!cliHelp.isEmpty() && !windowHelp.isEmpty());
  tevaro::ui::test::TempFolder dir;
  tevaro::ui::frmHelp help;
  help.ShowWindow();
  const QString topics = Flat(help.topicsSection()->text());
  int inHelp = 0;
  for (const OptionText& row : tevaro::run::OptionTexts()) {
    const QString tag = QString::fromLatin1(row.tag), text = Flat(QString::fromUtf8(row.text));
    for (const auto& [program, listing] :
         {std::pair{tevaro::run::kForCli, &cliHelp}, std::pair{tevaro::run::kForWindow, &windowHelp}})
      if (row.programs & program) QVERIFY2(listing->contains(QLatin1Char(' ') + tag + QLatin1Char(' ') + text), row.tag);
    if (row.topic == nullptr) continue;
    ++inHelp;
    QVERIFY2(topics.contains(Flat(QString::fromUtf8(row.window)) + QStringLiteral(": ") + text), row.tag);
  }
  // Help names the Options menu, zone names, the tenth field, Export events,
  // --user-folder and the options file.
  QVERIFY(inHelp >= 8);
  for (const char* topic : {"The Options menu", "Time zone names", "tenth field", "Export events", "--user-folder",
                            "tevaro-options.ini"})
    QVERIFY2(topics.contains(QString::fromLatin1(topic)), topic);
}

QTEST_MAIN(HelpOptionsTest)
#include "help_options_test.moc"
