// The scheduler list read back with Qt's XML reader: one job per event with
// its coordinates, and At values whose clock digits are the run's clock at
// the CSV's window ends, on both sides of a change of clock.
#include <QTest>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "export/event_values.h"
#include "export/formats.h"
#include "run/session.h"

using namespace tevaro;

namespace {

std::string Collect(const run::ListedRun& run, std::string_view format, const exports::ExportChoices& choices) {
  std::string bytes;
  exports::WriteEvents(run, *exports::FormatNamed(format), [&](std::string_view piece) {
    bytes.append(piece);
    return true;
  }, choices);
  return bytes;
}

struct Job {
  QString name, sequence, start, end;
  double ra = NAN, dec = NAN;
};

std::vector<Job> ReadJobs(const std::string& xml) {
  std::vector<Job> jobs;
  QXmlStreamReader r(QByteArray::fromStdString(xml));
  QString in;  // StartupCondition or CompletionCondition
  while (!r.atEnd()) {
    if (r.readNext() != QXmlStreamReader::StartElement) continue;
    const QStringView n = r.name();
    if (n == u"SchedulerList") {
      if (r.attributes().value(QStringLiteral("version")) != u"1.4") qWarning("version");
    } else if (n == u"Job") {
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

// The digits of a UTC instant ("2025-03-30T00:40:00Z") shown `hours` east.
QString Shifted(const std::string& utc, int hours) {
  QDateTime t = QDateTime::fromString(QString::fromStdString(utc), Qt::ISODate);
  return t.addSecs(hours * 3600).toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
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
  run::Session s;
  const std::string dir = TEVARO_EXAMPLES_DIR;
  QVERIFY(!s.LoadLocations(dir + "/Location.dat"));
  QVERIFY(!s.LoadLimits(dir + "/Limits.dat"));
  QVERIFY(!s.LoadStars(dir + "/stars-durations.csv"));
  const run::SiteFieldTexts t = s.SelectSite(0);
  run::InputFields in;
  in.siteIndex = 0;
  in.longitude = t.longitude;
  in.latitude = t.latitude;
  in.zone = zone.isEmpty() ? t.zone : zone.toStdString();
  in.year = date.mid(0, 4).toStdString(), in.month = date.mid(5, 2).toStdString(), in.day = date.mid(8, 2).toStdString();
  in.nights = std::to_string(nights);
  in.maxSun = "-12", in.minStar = "20";
  in.eventBox = {1, 1, 1, 1};
  in.option = 1;
  s.Calculate(in);
  QVERIFY(s.lastRun);
  const exports::ExportChoices choices{30, "/home/me/minimum.esq"};
  const std::vector<Job> jobs = ReadJobs(Collect(*s.lastRun, "esl", choices));
  // The CSV's rows, each with its window's ends in UTC.
  std::vector<std::vector<std::string>> rows;
  const std::string csv = Collect(*s.lastRun, "csv", choices);
  for (std::size_t from = 0, at; (at = csv.find("\r\n", from)) != std::string::npos; from = at + 2) {
    std::vector<std::string> row;
    const std::string line = csv.substr(from, at - from);
    for (std::size_t f = 0, c;; f = c + 1) {
      c = line.find(',', f);
      row.push_back(line.substr(f, c - f));
      if (c == std::string::npos) break;
    }
    rows.push_back(row);
  }
  QCOMPARE(jobs.size() + 1, rows.size());
  const auto column = [&](const char* name) {
    return static_cast<std::size_t>(std::find(rows[0].begin(), rows[0].end(), name) - rows[0].begin());
  };
  int offsets[2] = {0, 0};  // jobs seen at +01:00 and at +02:00 in Berlin
  for (std::size_t k = 0; k < jobs.size(); ++k) {
    const Job& j = jobs[k];
    const std::vector<std::string>& row = rows[k + 1];
    QCOMPARE(j.sequence, QStringLiteral("/home/me/minimum.esq"));
    QVERIFY2(j.name.startsWith(QString::fromStdString(row[column("star")] + " " + row[column("event")] + " ")),
             qPrintable(j.name));
    QVERIFY(j.ra >= 0 && j.ra < 24 && std::fabs(j.dec) <= 90);
    for (const auto& [value, utc] : {std::pair{j.start, row[column("window_start_utc")]},
                                     std::pair{j.end, row[column("window_end_utc")]}}) {
      int east = -static_cast<int>(s.lastRun->params.zone);
      if (!zone.isEmpty()) {
        east = QString::fromStdString(utc) < QStringLiteral("2025-03-30T01:00:00Z") ? 1 : 2;
        ++offsets[east - 1];
      }
      const QString sign = east < 0 ? QStringLiteral("-") : QStringLiteral("+");
      QCOMPARE(value, Shifted(utc, east) + sign + QStringLiteral("%1:00").arg(std::abs(east), 2, 10, QLatin1Char('0')));
    }
  }
  if (!zone.isEmpty()) QVERIFY2(offsets[0] > 0 && offsets[1] > 0, "the run does not span the change of clock");
}

// Markup characters, quotes and a tab in a star's name come back as written,
// the tab as a blank.
void SchedulerListTest::ANameWithMarkupReadsBack() {
  run::RunParameters p;
  p.longitude = p.longitudeDms = 0;
  p.latitude = p.latitudeDms = 0;
  p.standardZone = 0;
  p.dstEnabled = false;
  p.year = 2025, p.month = 1, p.day = 10, p.dayCount = 1;
  p.maxSunAltitude = 90, p.minStarAltitude = -90;
  p.eventWanted = {false, true, false, false, false};
  data::StarEntry star;
  star.name = "A<B & \"C\", 'D'\tE]]>";
  star.raDms = 12.3045;
  star.decDms = -5.3;
  star.period = 1;
  star.epoch = 60686.3;
  data::StarTable stars;
  stars.entries = {star};
  const run::ListedRun listed{p, stars, {}, "Site", std::nullopt};
  const std::vector<Job> jobs = ReadJobs(Collect(listed, "esl", {std::nullopt, "a&b's.esq"}));
  QCOMPARE(jobs.size(), std::size_t{1});
  QVERIFY(jobs[0].name.startsWith(QStringLiteral("A<B & \"C\", 'D' E]]> I 2025-01-1")));
  QCOMPARE(jobs[0].sequence, QStringLiteral("a&b's.esq"));
  QVERIFY(std::fabs(jobs[0].ra - (12 + 30.0 / 60 + 45.0 / 3600)) < 1e-6);
  QVERIFY(std::fabs(jobs[0].dec - -5.5) < 1e-6);
}

QTEST_GUILESS_MAIN(SchedulerListTest)
#include "scheduler_list_test.moc"
