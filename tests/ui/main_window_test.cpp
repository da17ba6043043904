// The main window: start-up, site picks, change handlers, Calculate and Exit.
#include <QAction>
#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QFile>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "data/settings_file.h"
#include "run/validation.h"
#include "ui/frmMain.h"
#include "ui/frmFileChooser.h"
#include "ui/frmHelp.h"
#include "ui/frmOutput.h"
#include "ui/twips.h"
#include "support/catalogue.h"
#include "ui_test_support.h"

using tevaro::ui::frmMain;
using tevaro::ui::RecordingMessageSink;
using tevaro::ui::test::TempFolder;

namespace {

QLineEdit* Text(frmMain& w, int n) { return w.findChild<QLineEdit*>(QStringLiteral("Text%1").arg(n)); }
QCheckBox* Box(frmMain& w, const QString& name) { return w.findChild<QCheckBox*>(name); }
QRadioButton* Option(frmMain& w, int n) { return w.findChild<QRadioButton*>(QStringLiteral("Option%1").arg(n)); }
QComboBox* Combo(frmMain& w) { return w.findChild<QComboBox*>(QStringLiteral("Combo1")); }
QLabel* Label(frmMain& w, int n) { return w.findChild<QLabel*>(QStringLiteral("Label%1").arg(n)); }
QColor TextColour(QLineEdit* e) { return e->palette().color(QPalette::Text); }

// One message, the one of a Calculate with a data file not loaded: the
// design's text first, then which file to load and how.
bool LoadFirst(const RecordingMessageSink& messages) {
  return messages.messages.size() == 1 &&
         messages.messages.front().startsWith(QString::fromLatin1(tevaro::run::kMsgLoadFirst) + QStringLiteral("\n\n"));
}

// The user picks site list entry k.
void Pick(frmMain& w, int k) {
  QComboBox* c = Combo(w);
  c->setCurrentIndex(k);
  emit c->activated(k);
}

void SetDate(frmMain& w, const char* year, const char* month, const char* day) {
  Text(w, 4)->setText(QString::fromLatin1(year));
  Text(w, 5)->setText(QString::fromLatin1(month));
  Text(w, 6)->setText(QString::fromLatin1(day));
}

// A star at the south celestial pole never rises for the example sites north of the equator.
const QByteArray kPolarStarFile =
    "polar test list\r\nname,RA,Dec,HJDo,Period,Type,Max,Min,Comment\r\n"
    "Pole Star S,12.0000,-89.0000,55000.1234,0.7654321,EA,10.0,11.0,never up\r\n";

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void firstStartShowsFirstSiteAndDefaults();
  void startWithoutLocationsKeepsSettingsAndStaysSilent();
  void startReadsSettingsFromStartFolder();
  void pickingSiteReplacesCoordinates();
  void sitePickWithUnchangedTextsStoresTheSite();
  void typingInSiteListChangesNothing();
  void fieldsRoundToSixteenBits_data();
  void fieldsRoundToSixteenBits();
  void calculateRefusesBadField_data();
  void calculateRefusesBadField();
  void calculateNeedsEveryFile();
  void remembersStarFilesAndPlace();
  void droppedFileLoadsAsWhatItIs();
  void starChooserProposesAStarFile();
  void calculateWithoutEvent();
  void calculateShowsReport_data();
  void calculateShowsReport();
  void reportMatchesBatchFrontEnd();
  void calculateRunsBesideTheWindow_data();
  void calculateRunsBesideTheWindow();
  void keyboardAlone();
  void exitAndCloseWriteSameSettings();
  void exitWithBadFieldStillSaves();
  void failedSettingsWriteIsReported();
  void namedZoneAndEpochOptions();
};

void MainWindowTest::firstStartShowsFirstSiteAndDefaults() {
  TempFolder dir;
  dir.CopyStartUpFiles();
  RecordingMessageSink messages;
  frmMain w(messages, dir.path());

  QCOMPARE(w.windowTitle(), QStringLiteral("Tevaro - Veltrin Observatory"));
  QCOMPARE(Combo(w)->count(), 3);
  QCOMPARE(Combo(w)->currentIndex(), 0);
  QCOMPARE(Text(w, 1)->text(), QStringLiteral(" 120.3015"));
  QCOMPARE(Text(w, 2)->text(), QStringLiteral(" 50.123"));
  QCOMPARE(Text(w, 3)->text(), QStringLiteral(" 8"));
  const QDate today = QDate::currentDate();
  QCOMPARE(Text(w, 4)->text(), today.toString(QStringLiteral("yyyy")));
  QCOMPARE(Text(w, 5)->text(), today.toString(QStringLiteral("MM")));
  QCOMPARE(Text(w, 6)->text(), today.toString(QStringLiteral("dd")));
  QCOMPARE(Text(w, 7)->text(), QStringLiteral(" 1"));
  QCOMPARE(Text(w, 8)->text(), QStringLiteral("-12"));
  QCOMPARE(Text(w, 9)->text(), QStringLiteral(" 20"));
  QVERIFY(Box(w, QStringLiteral("Check1_0"))->isChecked());
  for (const char* name : {"Check1_1", "Check1_2", "Check1_3", "Check2"})
    QVERIFY2(!Box(w, QString::fromLatin1(name))->isChecked(), name);
  QVERIFY(Option(w, 1)->isChecked());
  QVERIFY(Box(w, QStringLiteral("Check3"))->isChecked());

  // The two start-up files show in black; the star file's field stays red.
  QCOMPARE(Text(w, 12)->text(), QStringLiteral("Location.dat"));
  QCOMPARE(TextColour(Text(w, 12)), QColor(Qt::black));
  QCOMPARE(Text(w, 11)->text(), QStringLiteral("Limits.dat"));
  QCOMPARE(Text(w, 10)->text(), QStringLiteral("Load file using menu bar"));
  QCOMPARE(TextColour(Text(w, 10)), QColor(Qt::red));

  // The fields' values are the run's inputs.
  const auto& p = w.session().params;
  QCOMPARE(p.longitudeDms, 120.3015);
  QCOMPARE(p.latitudeDms, 50.123);
  QCOMPARE(p.standardZone, std::int16_t{8});
  QVERIFY(p.dstEnabled);
  QCOMPARE(p.outputMode, std::int16_t{1});
  QVERIFY(w.session().loaded.sitesLoaded && w.session().loaded.limitsLoaded && !w.session().loaded.starsLoaded);
  QVERIFY(messages.messages.isEmpty());

  // Colours and fonts: light blue form, dark red title, Arial bold 8.25 points.
  QWidget* client = w.centralWidget();
  QCOMPARE(client->palette().color(QPalette::Window), QColor(144, 192, 255));
  QVERIFY(client->autoFillBackground());
  QCOMPARE(Label(w, 1)->palette().color(Label(w, 1)->foregroundRole()), QColor(192, 0, 0));
  QCOMPARE(Label(w, 1)->font().pointSizeF(), 18.0);
  QCOMPARE(Text(w, 1)->font().family(), QStringLiteral("Arial"));
  QCOMPARE(Text(w, 1)->font().pointSizeF(), 8.25);
  QVERIFY(Box(w, QStringLiteral("Check1_0"))->font().bold());
  QCOMPARE(Label(w, 23)->palette().color(Label(w, 23)->foregroundRole()), QColor(Qt::red));
  for (const char* name : {"Open_LocationsFile", "Open_LimitsFile", "Open_StarFile"}) {
    QAction* a = w.findChild<QAction*>(QString::fromLatin1(name));
    QVERIFY2(a != nullptr && a->isEnabled(), name);
  }
}

void MainWindowTest::startWithoutLocationsKeepsSettingsAndStaysSilent() {
  TempFolder dir;
  dir.CopyExample(QStringLiteral("Limits.dat"));
  dir.Write(QStringLiteral("tevaro6.ini"),
            "200,300,9000,5000\r\n0\r\n100.3,45.5\r\n6\r\n4\r\n-15\r\n25\r\n0,-1,-1,0\r\n3\r\n1\r\n0\r\n");
  RecordingMessageSink messages;
  frmMain w(messages, dir.path());

  QCOMPARE(Combo(w)->count(), 0);
  QCOMPARE(w.windowTitle(), QStringLiteral("Tevaro - Veltrin Observatory"));
  QCOMPARE(Text(w, 1)->text(), QStringLiteral(" 100.3"));
  QCOMPARE(Text(w, 2)->text(), QStringLiteral(" 45.5"));
  QCOMPARE(Text(w, 3)->text(), QStringLiteral(" 6"));
  QCOMPARE(Text(w, 7)->text(), QStringLiteral(" 4"));
  QCOMPARE(Text(w, 8)->text(), QStringLiteral("-15"));
  QCOMPARE(Text(w, 9)->text(), QStringLiteral(" 25"));
  QVERIFY(!Box(w, QStringLiteral("Check1_0"))->isChecked());
  QVERIFY(Box(w, QStringLiteral("Check1_1"))->isChecked());
  QVERIFY(Box(w, QStringLiteral("Check1_2"))->isChecked());
  QVERIFY(Option(w, 3)->isChecked() && !Option(w, 1)->isChecked());
  QVERIFY(Box(w, QStringLiteral("Check2"))->isChecked());
  QVERIFY(!Box(w, QStringLiteral("Check3"))->isChecked());
  QVERIFY(!w.session().params.dstEnabled);
  QCOMPARE(w.session().placement, (tevaro::data::OutputPlacement{200, 300, 9000, 5000}));

  QCOMPARE(Text(w, 12)->text(), QStringLiteral("Load file using menu bar"));
  QCOMPARE(TextColour(Text(w, 12)), QColor(Qt::red));
  QVERIFY(!w.session().loaded.sitesLoaded);
  QVERIFY(messages.messages.isEmpty());

  w.session().LoadStars(tevaro::ui::test::ExamplePath(QStringLiteral("stars.csv")).toStdString());
  w.Calculate();
  QVERIFY(LoadFirst(messages));
  QVERIFY(w.outputWindow() == nullptr);
}

void MainWindowTest::startReadsSettingsFromStartFolder() {
  // The settings live in the start folder; the data files in the current one.
  TempFolder dir;
  dir.CopyExample(QStringLiteral("Location.dat"));
  TempFolder start;
  start.Write(QStringLiteral("tevaro6.ini"),
              "100,100,11800,6700\r\n2\r\n123,54\r\n8\r\n1\r\n-12\r\n20\r\n-1,0,0,0\r\n1\r\n0\r\n-1\r\n");
  QDir::setCurrent(dir.path());
  RecordingMessageSink messages;
  frmMain w(messages, start.path());
  QCOMPARE(Combo(w)->currentIndex(), 2);
  QCOMPARE(w.windowTitle(), QStringLiteral("Tevaro - Lakeside Roof"));
  QCOMPARE(Text(w, 1)->text(), QStringLiteral("-11.3"));
  QCOMPARE(Text(w, 3)->text(), QStringLiteral("-1"));
  QCOMPARE(w.session().params.standardZone, std::int16_t{-1});
  // Limits.dat is missing here: its field stays red, without a message.
  QCOMPARE(TextColour(Text(w, 11)), QColor(Qt::red));
  QVERIFY(messages.messages.isEmpty());
}

void MainWindowTest::pickingSiteReplacesCoordinates() {
  TempFolder dir;
  dir.CopyExample(QStringLiteral("Location.dat"));
  RecordingMessageSink messages;
  frmMain w(messages, dir.path());
  Text(w, 1)->setText(QStringLiteral("1.5"));
  Text(w, 3)->setText(QStringLiteral("2"));
  QCOMPARE(w.session().params.longitudeDms, 1.5);

  Pick(w, 1);
  QCOMPARE(w.windowTitle(), QStringLiteral("Tevaro - Ridge Station, south dome"));
  QCOMPARE(Text(w, 1)->text(), QStringLiteral(" 70.253"));
  QCOMPARE(Text(w, 2)->text(), QStringLiteral("-30.1045"));
  QCOMPARE(Text(w, 3)->text(), QStringLiteral(" 4"));
  QCOMPARE(w.session().params.longitudeDms, 70.253);
  QCOMPARE(w.session().params.latitudeDms, -30.1045);
  QCOMPARE(w.session().params.standardZone, std::int16_t{4});
  QCOMPARE(w.session().siteName, std::string("Ridge Station, south dome"));
  QCOMPARE(w.ReadFields().siteIndex, 1);

  Pick(w, 2);
  QCOMPARE(w.windowTitle(), QStringLiteral("Tevaro - Lakeside Roof"));
  QCOMPARE(w.session().params.standardZone, std::int16_t{-1});
}

// The fields' design texts equal the site's, so setting them raises no
// change: the pick itself must store the site's values.
void MainWindowTest::sitePickWithUnchangedTextsStoresTheSite() {
  TempFolder dir;
  dir.Write(QStringLiteral("Location.dat"), "Sites\r\nName, Lon, Lat, Zone\r\nTest Site, 123, 54, 8\r\n");
  dir.Write(QStringLiteral("tevaro6.ini"),
            "100,100,11800,6700\r\n0\r\n122.5,50\r\n3\r\n1\r\n-12\r\n20\r\n-1,0,0,0\r\n1\r\n0\r\n-1\r\n");
  RecordingMessageSink messages;
  frmMain w(messages, dir.path());
  QCOMPARE(w.windowTitle(), QStringLiteral("Tevaro - Test Site"));
  QCOMPARE(Text(w, 1)->text(), QStringLiteral(" 123"));
  QCOMPARE(Text(w, 2)->text(), QStringLiteral(" 54"));
  QCOMPARE(w.session().params.longitudeDms, 123.0);
  QCOMPARE(w.session().params.latitudeDms, 54.0);
  QCOMPARE(w.session().params.standardZone, std::int16_t{8});

  // A pick after the values were changed behind the fields' backs.
  w.session().params.longitudeDms = 1;
  w.session().params.standardZone = 1;
  Pick(w, 0);
  QCOMPARE(w.session().params.longitudeDms, 123.0);
  QCOMPARE(w.session().params.standardZone, std::int16_t{8});
  w.ExitProgram();
  QVERIFY(dir.Read(QStringLiteral("tevaro6.ini")).contains("\r\n123,54\r\n8\r\n"));
}

void MainWindowTest::typingInSiteListChangesNothing() {
  TempFolder dir;
  dir.CopyExample(QStringLiteral("Location.dat"));
  RecordingMessageSink messages;
  frmMain w(messages, dir.path());
  QComboBox* c = Combo(w);
  c->setFocus();
  c->lineEdit()->selectAll();
  QTest::keyClicks(c, QStringLiteral("Lakeside Roof"));
  QTest::keyClick(c, Qt::Key_Return);
  QCOMPARE(w.windowTitle(), QStringLiteral("Tevaro - Veltrin Observatory"));
  QCOMPARE(Text(w, 1)->text(), QStringLiteral(" 120.3015"));
  QCOMPARE(c->count(), 3);
  // Enter there is Calculate, which finds no star file.
  QVERIFY(LoadFirst(messages));
}

void MainWindowTest::fieldsRoundToSixteenBits_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<bool>("fits");
  QTest::addColumn<int>("stored");
  QTest::newRow("7.5 goes up to the even 8") << "7.5" << true << 8;
  QTest::newRow("6.5 goes down to the even 6") << "6.5" << true << 6;
  QTest::newRow("3.5 becomes 4") << "3.5" << true << 4;
  QTest::newRow("leading blanks, trailing text") << "  -5abc" << true << -5;
  QTest::newRow("no number reads as 0") << " +" << true << 0;
  QTest::newRow("lowest 16-bit value") << "-32768" << true << -32768;
  QTest::newRow("beyond 16 bits") << "99999" << false << 0;
  QTest::newRow("just beyond the top") << "32767.5" << false << 0;
}

void MainWindowTest::fieldsRoundToSixteenBits() {
  QFETCH(QString, typed);
  QFETCH(bool, fits);
  QFETCH(int, stored);
  TempFolder dir;
  RecordingMessageSink messages;
  frmMain w(messages, dir.path());
  const auto& p = w.session().params;
  Text(w, 3)->setText(QStringLiteral("3"));
  Text(w, 7)->setText(QStringLiteral("2"));
  Text(w, 3)->setText(typed);
  Text(w, 7)->setText(typed);
  // A value that does not fit 16 bits leaves the stored one as it was.
  QCOMPARE(int{p.standardZone}, fits ? stored : 3);
  QCOMPARE(int{p.dayCount}, fits ? stored : 2);
}

void MainWindowTest::calculateRefusesBadField_data() {
  QTest::addColumn<int>("field");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("message");
  QTest::newRow("year 1899") << 4 << "1899" << tevaro::run::kMsgYear;
  QTest::newRow("empty year") << 4 << "" << "The year \"\" is not a number.";
  QTest::newRow("latitude with a letter O") << 2 << "5O.123" << "The latitude \"5O.123\" is not a number.";
  QTest::newRow("month 13") << 5 << "13" << tevaro::run::kMsgMonth;
  QTest::newRow("day 33") << 6 << "33" << tevaro::run::kMsgDay;
  QTest::newRow("366 nights") << 7 << "366" << tevaro::run::kMsgNights;
  QTest::newRow("Sun at 0.1") << 8 << "0.1" << tevaro::run::kMsgSun;
  QTest::newRow("star at -0.1") << 9 << "-0.1" << tevaro::run::kMsgStar;
}

void MainWindowTest::calculateRefusesBadField() {
  QFETCH(int, field);
  QFETCH(QString, typed);
  QFETCH(QString, message);
  TempFolder dir;
  dir.CopyStartUpFiles();
  RecordingMessageSink messages;
  frmMain w(messages, dir.path());
  QVERIFY(!w.session().LoadStars(tevaro::ui::test::ExamplePath(QStringLiteral("stars.csv")).toStdString()));
  SetDate(w, "2011", "5", "4");
  const QString before = Text(w, field)->text();
  Text(w, field)->setText(typed);
  w.Calculate();
  QCOMPARE(messages.messages, QStringList{message});
  QVERIFY(w.session().params.inputError);
  QVERIFY(w.outputWindow() == nullptr);

  // Corrected, the same Calculate runs.
  Text(w, field)->setText(field == 4 ? QStringLiteral("2011") : field <= 2 ? before : QStringLiteral("1"));
  if (field == 8) Text(w, 8)->setText(QStringLiteral("-12"));
  if (field == 9) Text(w, 9)->setText(QStringLiteral("20"));
  Text(w, 7)->setText(QStringLiteral("30"));
  messages.messages.clear();
  w.Calculate();
  QVERIFY(!w.session().params.inputError);
  QVERIFY2(messages.messages.isEmpty(), qPrintable(messages.messages.join(QLatin1Char('|'))));
  QVERIFY(w.outputWindow() != nullptr && w.outputWindow()->isVisible());
}

// The message names each file not loaded, and how to load it.
void MainWindowTest::calculateNeedsEveryFile() {
  const QString stars = QStringLiteral(
      "The star data file is not loaded: open it with File > Open Star data File ... (Ctrl+O), or drop it on this "
      "window.");
  const QStringList all{stars,
                        QStringLiteral("The locations file (Location.dat) is not loaded: open it with File > Open "
                                       "Locations File ..., or drop it on this window."),
                        QStringLiteral("The site limits file (Limits.dat) is not loaded: open it with File > Open "
                                       "Site limits File ..., or drop it on this window.")};
  for (const bool startUpFiles : {true, false}) {
    TempFolder dir;
    if (startUpFiles) dir.CopyStartUpFiles();
    RecordingMessageSink messages;
    frmMain w(messages, dir.path());
    w.Calculate();
    QVERIFY(LoadFirst(messages));
    QCOMPARE(messages.messages.front().section(QStringLiteral("\n\n"), 1).split(u'\n'),
             startUpFiles ? QStringList{stars} : all);
    QVERIFY(w.outputWindow() == nullptr);
  }
}

void MainWindowTest::remembersStarFilesAndPlace() {
  TempFolder dir;
  dir.CopyStartUpFiles();
  dir.CopyExample(QStringLiteral("stars.csv"));
  dir.Write(QStringLiteral("polar & co.csv"), kPolarStarFile);
  const QString stars = dir.file(QStringLiteral("stars.csv")), polar = dir.file(QStringLiteral("polar & co.csv"));
  const tevaro::ui::OuterTwips place{600, 700, 8000, 7600};
  RecordingMessageSink messages;
  {
    frmMain w(messages, dir.path());
    QVERIFY(!w.recentMenu()->isEnabled());
    QVERIFY(w.LoadStarFileAt(stars) && w.LoadStarFileAt(polar));
    QCOMPARE(w.recentStarFiles(), (std::vector<std::string>{polar.toStdString(), stars.toStdString()}));
    auto* second = w.findChild<QAction*>(QStringLiteral("mRecent2"));
    QCOMPARE(w.findChild<QAction*>(QStringLiteral("mRecent1"))->text(), QStringLiteral("&1 polar && co.csv"));
    QCOMPARE(second->text(), QStringLiteral("&2 stars.csv"));
    QCOMPARE(second->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_2));
    QVERIFY(!w.findChild<QAction*>(QStringLiteral("mRecent3"))->isVisible());
    second->trigger();  // the latest first, each once
    QCOMPARE(w.recentStarFiles(), (std::vector<std::string>{stars.toStdString(), polar.toStdString()}));
    tevaro::ui::ApplyOuter(w, place);
    w.ExitProgram();
  }
  // Restarts: the last file again; gone, said in its field and left off the list; then the one before.
  const struct {
    bool remove;
    const char* status;  // the star StatusField at start
    std::size_t recent;
  } starts[] = {{false, "stars.csv", 2}, {true, "Not found: stars.csv (load file using menu bar)", 1},
                {false, "polar & co.csv", 1}};
  for (const auto& c : starts) {
    if (c.remove) QVERIFY(QFile::remove(stars));
    frmMain w(messages, dir.path());
    QCOMPARE(Text(w, 10)->text(), QString::fromLatin1(c.status));
    QCOMPARE(w.session().loaded.starsLoaded, !c.remove);
    QCOMPARE(w.recentStarFiles().size(), c.recent);
    const tevaro::ui::OuterTwips at = tevaro::ui::ReadOuter(w);
    QVERIFY(at.left == place.left && at.top == place.top && at.width == place.width);
    w.ExitProgram();
  }
  QVERIFY(messages.messages.isEmpty());
  frmMain w(messages, dir.path());
  w.ClearRecentStarFiles();
  QVERIFY(w.recentStarFiles().empty() && !w.recentMenu()->isEnabled());
}

// Each file dropped under a name that does not give its kind away loads as what its content is.
void MainWindowTest::droppedFileLoadsAsWhatItIs() {
  const struct {
    const char *example, *droppedAs;
    int statusField;
  } cases[] = {{"stars.csv", "list.dat", 10}, {"Location.dat", "sites.csv", 12}, {"Limits.dat", "scope.txt", 11}};
  for (const auto& c : cases) {
    const QString as = QString::fromLatin1(c.droppedAs);
    TempFolder dir;
    QFile::copy(tevaro::ui::test::ExamplePath(QString::fromLatin1(c.example)), dir.file(as));
    RecordingMessageSink messages;
    frmMain w(messages, dir.path());
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(dir.file(as))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &drop);
    QCOMPARE(Text(w, c.statusField)->text(), as);
    QCOMPARE(TextColour(Text(w, c.statusField)), QColor(Qt::black));
    for (int other : {10, 11, 12})
      if (other != c.statusField) QCOMPARE(Text(w, other)->text(), QStringLiteral("Load file using menu bar"));
    QVERIFY(messages.messages.isEmpty());
  }
}

void MainWindowTest::starChooserProposesAStarFile() {
  TempFolder dir;
  dir.CopyStartUpFiles();
  dir.CopyExample(QStringLiteral("stars.csv"));
  RecordingMessageSink messages;
  frmMain w(messages, dir.path());
  w.OpenLocationsFile();
  QCOMPARE(w.locationsChooser()->fileName(), QStringLiteral("location.dat"));
  // Ctrl+O, then Enter: the star file loads, not Location.dat.
  w.OpenStarFile();
  QCOMPARE(w.starChooser()->fileName(), QStringLiteral("stars.csv"));
  QTest::keyClick(w.starChooser()->findChild<QLineEdit*>(QStringLiteral("Text1")), Qt::Key_Return);
  QVERIFY(w.session().loaded.starsLoaded);
  QCOMPARE(Text(w, 10)->text(), QStringLiteral("stars.csv"));
  QVERIFY(messages.messages.isEmpty());
}

void MainWindowTest::calculateWithoutEvent() {
  TempFolder dir;
  dir.CopyStartUpFiles();
  dir.Write(QStringLiteral("polar.csv"), kPolarStarFile);
  RecordingMessageSink messages;
  frmMain w(messages, dir.path());
  QVERIFY(!w.session().LoadStars(dir.file(QStringLiteral("polar.csv")).toStdString()));
  SetDate(w, "2011", "5", "4");
  Text(w, 7)->setText(QStringLiteral("10"));
  w.Calculate();
  QCOMPARE(messages.messages, QStringList{QString::fromLatin1(tevaro::run::kMsgNoEvent)});
  QVERIFY(w.outputWindow() == nullptr);
  QCOMPARE(w.session().report.LineCount(), std::size_t{0});
  // The run still says whether daylight saving time was in force.
  QCOMPARE(Label(w, 23)->text(), QStringLiteral("DAYLIGHT SAVINGS TIME"));
}

void MainWindowTest::calculateShowsReport_data() {
  QTest::addColumn<QString>("month");
  QTest::addColumn<bool>("dst");
  QTest::addColumn<QString>("label23");
  QTest::newRow("May, correction on") << "5" << true << "DAYLIGHT SAVINGS TIME";
  QTest::newRow("May, correction off") << "5" << false << "";
  QTest::newRow("December, correction on") << "12" << true << "";
}

void MainWindowTest::calculateShowsReport() {
  QFETCH(QString, month);
  QFETCH(bool, dst);
  QFETCH(QString, label23);
  TempFolder dir;
  dir.CopyStartUpFiles();
  RecordingMessageSink messages;
  frmMain w(messages, dir.path());
  QVERIFY(!w.session().LoadStars(tevaro::ui::test::ExamplePath(QStringLiteral("stars.csv")).toStdString()));
  SetDate(w, "2011", month.toLatin1().constData(), "4");
  Text(w, 7)->setText(QStringLiteral("20"));
  Box(w, QStringLiteral("Check3"))->setChecked(dst);
  QCOMPARE(w.session().params.dstEnabled, dst);
  Option(w, 2)->setChecked(true);
  QCOMPARE(w.session().params.outputMode, std::int16_t{2});

  w.Calculate();
  QVERIFY2(messages.messages.isEmpty(), qPrintable(messages.messages.join(QLatin1Char('|'))));
  QCOMPARE(Label(w, 23)->text(), label23);
  tevaro::ui::frmOutput* out = w.outputWindow();
  QVERIFY(out != nullptr && out->isVisible());
  QCOMPARE(out->windowTitle(), QStringLiteral("Output \u2014 Veltrin Observatory, 2011-%1-04")
                                   .arg(month.toInt(), 2, 10, QLatin1Char('0')));
  QVERIFY(w.session().report.LineCount() > 14);
  QCOMPARE(out->firstDrawnLine(), 1L);
  // The report is drawn: the first row carries the first line's ink.
  const QImage shot = out->canvas()->grab().toImage();
  const int row = qRound(out->rowPitchPx());
  QVERIFY(tevaro::ui::test::InkIn(shot, QRect(0, 0, shot.width() / 2, row)) > 0);
}

void MainWindowTest::calculateRunsBesideTheWindow_data() {
  QTest::addColumn<bool>("byEscape");
  QTest::newRow("Cancel button") << false;
  QTest::newRow("Escape") << true;
}

void MainWindowTest::calculateRunsBesideTheWindow() {
  QFETCH(bool, byEscape);
  TempFolder dir;
  dir.CopyStartUpFiles();
  RecordingMessageSink messages;
  frmMain w(messages, dir.path());
  w.show();
  w.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&w));
  QVERIFY(!w.session().LoadStars(tevaro::ui::test::ExamplePath(QStringLiteral("stars.csv")).toStdString()));
  SetDate(w, "2011", "5", "4");
  Text(w, 7)->setText(QStringLiteral("20"));
  w.Calculate();
  w.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&w));
  const auto firstRun = w.session().lastRun;
  const std::size_t firstLines = w.session().report.LineCount();
  QVERIFY(firstRun != nullptr);

  // A full-capacity year: every event of 10,000 stars over 365 nights.
  w.session().stars = tevaro::testing::MakeCatalogue(10000, 23);
  Text(w, 7)->setText(QStringLiteral("365"));
  for (int k = 0; k < 4; ++k) Box(w, QStringLiteral("Check1_%1").arg(k))->setChecked(true);
  auto* progress = w.findChild<QProgressBar*>(QStringLiteral("runProgress"));
  auto* cancel = w.findChild<QPushButton*>(QStringLiteral("runCancel"));
  QVERIFY(progress != nullptr && cancel != nullptr && progress->isHidden());

  // While the run goes on the window takes its events: the timer ticks, the
  // progress shows, and it is stopped from the window.
  bool progressSeen = false;
  QTimer tick;
  tick.setInterval(20);
  QObject::connect(&tick, &QTimer::timeout, &w, [&] {
    if (!w.running() || !progress->isVisible()) return;
    progressSeen = true;
    if (byEscape) QTest::keyClick(Text(w, 7), Qt::Key_Escape);
    else cancel->click();
  });
  tick.start();
  w.Calculate();
  tick.stop();
  QVERIFY(progressSeen);
  QVERIFY(!w.running() && progress->isHidden() && cancel->isHidden());
  // The report and the chart's run are those of before the stopped Calculate.
  QCOMPARE(w.session().lastRun, firstRun);
  QCOMPARE(w.session().report.LineCount(), firstLines);
  QCOMPARE(w.statusText(), QStringLiteral("Calculation cancelled; the previous report is kept."));

  // A Calculate during a run stops it; only the later run's report is kept,
  // also after the first Calculate returns.
  bool secondRan = false;
  QTimer::singleShot(50, &w, [&] {
    Text(w, 7)->setText(QStringLiteral("2"));
    secondRan = true;
    w.Calculate();
  });
  w.Calculate();
  QVERIFY(secondRan);
  QVERIFY(!w.running());
  QVERIFY(w.session().lastRun != firstRun);
  QCOMPARE(int{w.session().lastRun->params.dayCount}, 2);
  // A run stopped by a later Calculate is not said to be cancelled.
  QVERIFY(!w.statusText().contains(QStringLiteral("cancelled")));
  QVERIFY(messages.messages.isEmpty());
}

void MainWindowTest::reportMatchesBatchFrontEnd() {
  const QString cli = QStringLiteral(TEVARO_CLI_PATH);
  if (!QFileInfo(cli).isExecutable()) QSKIP("tevaro-cli is not built");
  TempFolder dir;
  for (const char* name : {"Location.dat", "Limits.dat", "stars.csv"}) dir.CopyExample(QString::fromLatin1(name));
  RecordingMessageSink messages;
  frmMain w(messages, dir.path());
  QVERIFY(!w.session().LoadStars("stars.csv"));
  w.session().starFileName = "stars.csv";
  Pick(w, 1);
  SetDate(w, "2011", "05", "04");
  Text(w, 7)->setText(QStringLiteral("7"));
  w.Calculate();
  QVERIFY2(messages.messages.isEmpty(), qPrintable(messages.messages.join(QLatin1Char('|'))));

  QProcess p;
  p.setWorkingDirectory(dir.path());
  p.start(cli, {QStringLiteral("--stars"), QStringLiteral("stars.csv"), QStringLiteral("--site"), QStringLiteral("1"),
                QStringLiteral("--date"), QStringLiteral("2011-05-04"), QStringLiteral("--nights"), QStringLiteral("7")});
  QVERIFY(p.waitForFinished(30000));
  QCOMPARE(p.exitCode(), 0);
  QList<QByteArray> expected = p.readAllStandardOutput().split('\n');
  if (!expected.isEmpty() && expected.last().isEmpty()) expected.removeLast();
  const auto& report = w.session().report;
  QCOMPARE(static_cast<qsizetype>(report.LineCount()), expected.size());
  for (std::size_t i = 1; i <= report.LineCount(); ++i) {
    const std::string_view line = report.Line(i);
    QCOMPARE(QByteArray(line.data(), static_cast<qsizetype>(line.size())), expected[static_cast<qsizetype>(i - 1)]);
  }
}

// Enter in a field calculates; Ctrl+O, F1 and Ctrl+Q reach the star file
// chooser (name box focused), the help and the exit.
void MainWindowTest::keyboardAlone() {
  TempFolder dir;
  dir.CopyStartUpFiles();
  dir.CopyExample(QStringLiteral("stars.csv"));
  RecordingMessageSink messages;
  frmMain w(messages, dir.path());
  int ends = 0;
  w.SetEndHandler([&ends] { ++ends; });
  w.show();
  QApplication::setActiveWindow(&w);
  QVERIFY(QTest::qWaitForWindowActive(&w));

  QTest::keyClick(&w, Qt::Key_O, Qt::ControlModifier);
  QVERIFY(w.starChooser() != nullptr && w.starChooser()->isVisible());
  auto* nameBox = w.starChooser()->findChild<QLineEdit*>(QStringLiteral("Text1"));
  QCOMPARE(w.starChooser()->focusWidget(), nameBox);
  // Typing replaces the proposed name.
  QTest::keyClicks(nameBox, QStringLiteral("stars.csv"));
  w.starChooser()->Ok();
  QCOMPARE(Text(w, 10)->text(), QStringLiteral("stars.csv"));

  SetDate(w, "2011", "5", "4");
  QApplication::setActiveWindow(&w);
  QTest::keyClick(Text(w, 7), Qt::Key_Return);
  QVERIFY(messages.messages.isEmpty());
  QVERIFY(w.outputWindow() != nullptr && w.outputWindow()->isVisible());
  QVERIFY(w.session().report.LineCount() > 14);
  w.outputWindow()->hide();

  QApplication::setActiveWindow(&w);
  QTest::keyClick(&w, Qt::Key_F1);
  QVERIFY(w.helpWindow() != nullptr && w.helpWindow()->isVisible());

  QApplication::setActiveWindow(&w);
  QTest::keyClick(&w, Qt::Key_Q, Qt::ControlModifier);
  QVERIFY(w.ended());
  QCOMPARE(ends, 1);
  QVERIFY(QFileInfo::exists(dir.file(QStringLiteral("tevaro6.ini"))));
}

void MainWindowTest::exitAndCloseWriteSameSettings() {
  // File > Exit and the close control end the same way, with the same file.
  QByteArray written[2];
  for (int way = 0; way < 2; ++way) {
    TempFolder dir;
    dir.CopyExample(QStringLiteral("Location.dat"));
    RecordingMessageSink messages;
    frmMain w(messages, dir.path());
    int ends = 0;
    w.SetEndHandler([&ends] { ++ends; });
    Pick(w, 2);
    Text(w, 7)->setText(QStringLiteral("5"));
    Text(w, 8)->setText(QStringLiteral("-15.5"));
    Box(w, QStringLiteral("Check1_2"))->setChecked(true);
    Box(w, QStringLiteral("Check2"))->setChecked(true);
    Box(w, QStringLiteral("Check3"))->setChecked(false);
    Option(w, 3)->setChecked(true);
    // A later folder change does not move the settings file.
    TempFolder elsewhere;
    if (way == 0) {
      QAction* exit = w.findChild<QAction*>(QStringLiteral("Exit"));
      QVERIFY(exit != nullptr);
      exit->trigger();
    } else {
      w.show();
      QVERIFY(w.close());
    }
    QCOMPARE(ends, 1);
    QVERIFY(w.ended());
    QVERIFY(messages.messages.isEmpty());
    QVERIFY(!QFileInfo::exists(elsewhere.file(QStringLiteral("tevaro6.ini"))));
    written[way] = dir.Read(QStringLiteral("tevaro6.ini"));
  }
  QCOMPARE(written[0],
           QByteArray("100,100,11800,6700\r\n2\r\n-11.3,47.2015\r\n-1\r\n5\r\n-15.5\r\n20\r\n-1,0,-1,0\r\n3\r\n1\r\n0\r\n"));
  QCOMPARE(written[1], written[0]);
}

void MainWindowTest::exitWithBadFieldStillSaves() {
  TempFolder dir;
  RecordingMessageSink messages;
  frmMain w(messages, dir.path());
  int ends = 0;
  w.SetEndHandler([&ends] { ++ends; });
  Text(w, 4)->setText(QStringLiteral("1800"));
  Text(w, 9)->setText(QStringLiteral("33"));
  Box(w, QStringLiteral("Check1_3"))->setChecked(true);
  w.close();
  QCOMPARE(messages.messages, QStringList{QString::fromLatin1(tevaro::run::kMsgYear)});
  QCOMPARE(ends, 1);
  // The check stopped at the year: the event boxes were not read, while the
  // star altitude had been kept by its field's change handler.
  const auto loaded = tevaro::data::LoadSettings(dir.path().toStdString());
  QVERIFY(loaded.fromFile);
  QCOMPARE(loaded.settings.minStarAltitude, 33.0);
  QCOMPARE(loaded.settings.eventWanted[3], std::int16_t{0});
}

void MainWindowTest::failedSettingsWriteIsReported() {
  TempFolder dir;
  const QString missing = dir.file(QStringLiteral("no-such-folder"));
  RecordingMessageSink messages;
  frmMain w(messages, missing);
  int ends = 0;
  w.SetEndHandler([&ends] { ++ends; });
  w.ExitProgram();
  QCOMPARE(ends, 1);
  QCOMPARE(messages.messages.size(), 1);
  QVERIFY2(messages.messages[0].contains(QStringLiteral("no-such-folder/tevaro6.ini")), qPrintable(messages.messages[0]));
  QVERIFY(!QFileInfo::exists(missing));
  // A second close does not run the exit again.
  w.close();
  QCOMPARE(ends, 1);
}

void MainWindowTest::namedZoneAndEpochOptions() {
  TempFolder dir;
  dir.CopyStartUpFiles();
  RecordingMessageSink messages;
  {
    frmMain w(messages, dir.path());
    // The three scales are one choice, hjd-as-ut to start with.
    QAction* asUt = w.findChild<QAction*>(QStringLiteral("mEpochsAsUt"));
    QAction* bjd = w.findChild<QAction*>(QStringLiteral("mEpochsBjd"));
    QVERIFY(asUt && bjd && asUt->isChecked());
    bjd->trigger();
    QVERIFY(bjd->isChecked() && !asUt->isChecked());
    QCOMPARE(w.session().params.epochScale, tevaro::astro::EpochScale::Bjd);
    // The Moon and Whole eclipse, off to start with, are checks of their own beside them.
    QAction* moon = w.findChild<QAction*>(QStringLiteral("mMoon"));
    QAction* whole = w.findChild<QAction*>(QStringLiteral("mWholeEclipse"));
    QVERIFY(moon && whole && moon->isCheckable() && !moon->isChecked() && !whole->isChecked());
    moon->trigger();
    whole->trigger();
    QVERIFY(moon->isChecked() && bjd->isChecked() && w.session().params.moon && w.session().params.wholeEclipse);
    QAction* uncertainty = w.findChild<QAction*>(QStringLiteral("mUncertainty"));
    QVERIFY(uncertainty && uncertainty->isCheckable() && !uncertainty->isChecked());
    QVERIFY(!uncertainty->toolTip().isEmpty());
    uncertainty->trigger();
    QVERIFY(w.session().params.uncertainty);

    // A name widens the zone field over the hours hint and clears and turns
    // off the daylight-saving box, whose tick the settings keep meanwhile;
    // hours bring the design's field and the tick back.
    QLineEdit* zone = Text(w, 3);
    QCheckBox* dst = Box(w, QStringLiteral("Check3"));
    dst->setChecked(true);
    const int narrow = zone->width();
    zone->setText(QStringLiteral("America/Santiago"));
    QVERIFY(zone->width() > 4 * narrow);
    QVERIFY(zone->fontMetrics().horizontalAdvance(zone->text()) < zone->width());
    QVERIFY(!dst->isEnabled() && !dst->isChecked() && w.session().params.dstEnabled);
    QVERIFY(Label(w, 14)->isHidden());
    zone->setText(QStringLiteral("Europe/Paris"));  // still a name: the tick waits
    QVERIFY(!dst->isChecked());
    zone->setText(QStringLiteral("5"));
    QCOMPARE(zone->width(), narrow);
    QVERIFY(dst->isEnabled() && dst->isChecked());
    dst->setChecked(false);  // and a clear box stays clear
    zone->setText(QStringLiteral("Europe/Paris"));
    zone->setText(QStringLiteral("5"));
    QVERIFY(!dst->isChecked());
    // Typing completes from the zone list; the Enter that picks a name
    // picks it and calculates nothing.
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    zone->setFocus();
    zone->selectAll();
    QTest::keyClicks(zone, QStringLiteral("berlin"));
    QWidget* list = zone->completer()->popup();
    QTRY_VERIFY(list->isVisible());
    QCompleter* names = zone->completer();
    QVERIFY(names->setCurrentRow(0));
    names->popup()->setCurrentIndex(names->currentIndex());
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(zone->text(), QStringLiteral("Europe/Berlin"));
    QVERIFY2(messages.messages.isEmpty(), qPrintable(messages.messages.join(u'|')));
    QTest::keyClick(zone, Qt::Key_Return);
    QVERIFY(LoadFirst(messages));
    messages.messages.clear();
    w.ExitProgram();
  }
  const QByteArray options = dir.Read(QStringLiteral("tevaro-options.ini"));
  QVERIFY2(options.contains("epochs = bjd\n") && options.contains("zone = Europe/Berlin\n") &&
               options.contains("moon = on\n"),
           options.constData());
  // The settings keep a number: Berlin's standard offset.
  QVERIFY(dir.Read(QStringLiteral("tevaro6.ini")).contains("\r\n-1\r\n"));
  frmMain again(messages, dir.path());
  QVERIFY(again.findChild<QAction*>(QStringLiteral("mEpochsBjd"))->isChecked());
  QVERIFY(again.findChild<QAction*>(QStringLiteral("mMoon"))->isChecked());
  QVERIFY(again.findChild<QAction*>(QStringLiteral("mWholeEclipse"))->isChecked());
  QVERIFY(again.findChild<QAction*>(QStringLiteral("mUncertainty"))->isChecked());
  QVERIFY(messages.messages.isEmpty());
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
