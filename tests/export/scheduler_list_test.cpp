// The scheduler list read back with Qt's XML reader: one job per event with
// its coordinates, and At values whose clock digits are the run's clock at
// the CSV's window ends, on both sides of a change of clock.
#include <QDateTime>
#include <QTest>
#include <QXmlStreamReader>

#include <cmath>
#include <string>
#include <vector>

#include "export_runs.h"

using namespace tevaro;

namespace {

struct Job {
  QString name, sequence, start, end;
  double ra = NAN, dec = NAN;
};

// The jobs of a scheduler list; none where the XML does not read.
std::vector<Job> ReadJobs(const std::string& xml) {
  std::vector<Job> jobs;
  QXmlStreamReader r(QByteArray::fromStdString(xml));
  QString in;  // StartupCondition or CompletionCondition
  while (!r.atEnd()) {
    if (r.readNext() != QXmlStreamReader::StartElement) continue;
    const QStringView n = r.name();
    if (n == u"Job") {
      jobs.emplace_back();
    } else if (n == u"StartupCondition" || n == u"CompletionCondition") {
      in = n.toString();
    } else if (n == u"Condition") {
      (in == u"StartupCondition" ? jobs.back().start : jobs.back().end) = r.attributes().value(QStringLiteral("value")).toString();
    } else if (n == u"Name") {
      jobs.back().name = r.readElementText();
    } else if (n == u"Sequence") {
      jobs.back().sequence = r.readElementText();
    } else if (n == u"J2000RA") {
      jobs.back().ra = r.readElementText().toDouble();
    } else if (n == u"J2000DE") {
      jobs.back().dec = r.readElementText().toDouble();
    }
  }
  if (r.hasError()) qWarning("%s", qPrintable(r.errorString()));
  return r.hasError() ? std::vector<Job>{} : jobs;
}

}  // namespace

class SchedulerListTest : public QObject {
  Q_OBJECT
 private slots:
  void AtValuesAreTheRunsClock_data();
  void AtValuesAreTheRunsClock();
  void ANameWithMarkupReadsBack();
};

void SchedulerListTest::AtValuesAreTheRunsClock_data() {
  QTest::addColumn<QString>("zone");
  QTest::addColumn<QString>("date");
  QTest::addColumn<int>("nights");
  QTest::newRow("the site's own zone, three nights") << QString() << QStringLiteral("2025-01-10") << 3;
  QTest::newRow("Europe/Berlin across the change of 2025-03-30")
      << QStringLiteral("Europe/Berlin") << QStringLiteral("2025-03-27") << 6;
}

// Each At value: the CSV's window end in UTC, shown on the run's clock, and
// that clock's offset; Berlin's clock is +01:00 before 2025-03-30 01:00 UTC
// and +02:00 after.
void SchedulerListTest::AtValuesAreTheRunsClock() {
  QFETCH(QString, zone);
  QFETCH(QString, date);
  QFETCH(int, nights);
  const auto run = exports::ExampleRun(date.toStdString(), nights, {1, 1, 1, 1}, zone.toStdString());
  QVERIFY(run);
  const exports::ExportChoices choices{30, "/home/me/minimum.esq"};
  const std::vector<Job> jobs = ReadJobs(exports::Collect(*run, "esl", choices));
  const auto rows = exports::CsvRows(exports::Collect(*run, "csv", choices));
  QCOMPARE(jobs.size(), rows.size());
  int offsets[2] = {0, 0};  // window ends seen at +01:00 and at +02:00 in Berlin
  for (std::size_t k = 0; k < jobs.size(); ++k) {
    const Job& j = jobs[k];
    QVERIFY2(j.name.startsWith(QString::fromStdString(rows[k].at("star") + " " + rows[k].at("event") + " ")),
             qPrintable(j.name));
    for (const auto& [value, utc] :
         {std::pair{j.start, rows[k].at("window_start_utc")}, std::pair{j.end, rows[k].at("window_end_utc")}}) {
      int east = -static_cast<int>(run->params.zone);
      if (!zone.isEmpty()) ++offsets[(east = utc < "2025-03-30T01:00:00Z" ? 1 : 2) - 1];
      const QDateTime shown = QDateTime::fromString(QString::fromStdString(utc), Qt::ISODate).addSecs(east * 3600);
      QCOMPARE(value, shown.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + (east < 0 ? u'-' : u'+') +
                          QStringLiteral("%1:00").arg(std::abs(east), 2, 10, QLatin1Char('0')));
    }
  }
  if (!zone.isEmpty()) QVERIFY2(offsets[0] > 0 && offsets[1] > 0, "the run does not span the change of clock");
}

// Markup characters, quotes and a tab in a star's name and markup in the
// sequence's path come back as written, the tab as a blank; the position in
// decimal hours and degrees.
void SchedulerListTest::ANameWithMarkupReadsBack() {
  data::StarEntry star;
  star.name = "A<B & \"C\", 'D'\tE]]>";
  star.raDms = 12.3045;
  star.decDms = -5.3;
  star.period = 1;
  star.epoch = 60686.3;
  const std::vector<Job> jobs =
      ReadJobs(exports::Collect(exports::HandRun({star}), "esl", {std::nullopt, "a&b's.esq"}));
  QVERIFY(!jobs.empty());
  QVERIFY2(jobs[0].name.startsWith(QStringLiteral("A<B & \"C\", 'D' E]]> ")), qPrintable(jobs[0].name));
  QCOMPARE(jobs[0].sequence, QStringLiteral("a&b's.esq"));
  QVERIFY(std::fabs(jobs[0].ra - (12 + 30.0 / 60 + 45.0 / 3600)) < 1e-6);
  QVERIFY(std::fabs(jobs[0].dec - -5.5) < 1e-6);
}

QTEST_GUILESS_MAIN(SchedulerListTest)
#include "scheduler_list_test.moc"
