#include "AnswerAssembler.h"
#include "ChartHistory.h"
#include "ChartTime.h"
#include "ReadingParser.h"
#include "core/AlarmRange.h"

#include "core/NoValue.h"

#include <QDateTime>
#include <QtTest>

class tst_DeviceParsing : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void parseMissingValueKeepsDeviceText();
    void parseRejectsUnusableNumbers();
    void alarm_data();
    void alarm();
    void assemblerJoinsSplitAnswers();
    void assemblerKeepsTailAndCapsGrowth();
    void onlyMarkedLinesPass();
    void historyShiftsAndReplaces();
    void chartTimeCountsFromYearOne();
};

void tst_DeviceParsing::parse_data()
{
    QTest::addColumn<QString>("data");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("parts");
    QTest::addColumn<double>("value1");
    QTest::addColumn<double>("value2");
    QTest::addColumn<QString>("text1");
    QTest::addColumn<QString>("text2");

    QTest::newRow("two decimals") << "23.45,56.7\n"
                                  << true << 2 << 23.45 << 56.7 << "23.45"
                                  << "56.70";
    QTest::newRow("missing ch1") << "----,41.20" << true << 2 << NoValue << 41.2 << "----"
                                 << "41.20";
    QTest::newRow("single part") << "23.4" << false << 1 << 0.0 << 0.0 << QString() << QString();
    QTest::newRow("third part ignored") << "1,2,3" << true << 3 << 1.0 << 2.0 << "1.00"
                                        << "2.00";
    QTest::newRow("first line only") << "10.00,20.00\n30.00,40.00\n"
                                     << true << 2 << 10.0 << 20.0 << "10.00"
                                     << "20.00";
    QTest::newRow("marker and spaces removed") << " ATDC 21.30, 40.10 \n"
                                               << true << 2 << 21.3 << 40.1 << "21.30"
                                               << "40.10";
    QTest::newRow("non number reads 0") << "abc,-5.5" << true << 2 << 0.0 << -5.5 << "0.00"
                                        << "-5.50";
    QTest::newRow("empty") << "" << false << 1 << 0.0 << 0.0 << QString() << QString();
    QTest::newRow("second line ignored for split")
        << "5\n6,7\n"
        << false << 1 << 0.0 << 0.0 << QString() << QString();
}

void tst_DeviceParsing::parse()
{
    QFETCH(QString, data);
    const ReadingParser::Reading r = ReadingParser::parse(data);
    QTEST(r.valid, "valid");
    QTEST(r.partCount, "parts");
    if (!r.valid)
        return;
    QTEST(r.value1, "value1");
    QTEST(r.value2, "value2");
    QTEST(r.text1, "text1");
    QTEST(r.text2, "text2");
}

void tst_DeviceParsing::parseMissingValueKeepsDeviceText()
{
    const ReadingParser::Reading r = ReadingParser::parse(QStringLiteral("12.5,x----x"));
    QCOMPARE(r.value2, NoValue);
    QCOMPARE(r.text2, QStringLiteral("x----x"));
    QCOMPARE(r.text1, QStringLiteral("12.50"));
}

void tst_DeviceParsing::parseRejectsUnusableNumbers()
{
    // Non-finite values would spread through alarms, charts and the database.
    for (const char *part : {"nan", "inf", "-inf", "1e999"})
        QCOMPARE(ReadingParser::partValue(QLatin1String(part)), 0.0);
    QCOMPARE(ReadingParser::partValue(QStringLiteral("-273.15")), -273.15);
}

void tst_DeviceParsing::alarm_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<float>("lower");
    QTest::addColumn<float>("upper");
    QTest::addColumn<bool>("outside");

    QTest::newRow("below") << 19.99 << 20.0f << 30.0f << true;
    QTest::newRow("above") << 30.01 << 20.0f << 30.0f << true;
    QTest::newRow("at lower") << 20.00 << 20.0f << 30.0f << false;
    QTest::newRow("at upper") << 30.00 << 20.0f << 30.0f << false;
    QTest::newRow("inside") << 25.0 << 20.0f << 30.0f << false;
    QTest::newRow("both zero") << 99.0 << 0.0f << 0.0f << false;
    QTest::newRow("both equal") << -99.0 << 5.0f << 5.0f << false;
    QTest::newRow("no value") << NoValue << 20.0f << 30.0f << false;
    QTest::newRow("single precision lower") << 30.10 << 30.1f << 40.0f << true;
    QTest::newRow("single precision upper") << 30.10 << 0.0f << 30.1f << false;
}

void tst_DeviceParsing::alarm()
{
    QFETCH(double, value);
    QFETCH(float, lower);
    QFETCH(float, upper);
    QTEST(AlarmRange::isOutside(value, lower, upper), "outside");
}

void tst_DeviceParsing::assemblerJoinsSplitAnswers()
{
    AnswerAssembler a;
    QByteArray out;
    QVERIFY(!a.append("ATCD 23.4", &out));
    QVERIFY(out.isEmpty());
    QVERIFY(a.append("5,56.70\r\n", &out));
    QCOMPARE(out, QByteArray("ATCD 23.45,56.70\r\n"));
    QVERIFY(a.isEmpty());
}

void tst_DeviceParsing::assemblerKeepsTailAndCapsGrowth()
{
    AnswerAssembler a(16);
    QByteArray out;
    QVERIFY(a.append("OK\r\nATDC 1", &out));
    QCOMPARE(out, QByteArray("OK\r\n"));
    QCOMPARE(a.pendingSize(), 6);
    QVERIFY(!a.append(QByteArray(20, 'x'), &out));
    QVERIFY(a.overflowed());
    QVERIFY(a.isEmpty());
    // After dropping the oversized line the next answer is intact.
    QVERIFY(a.append("ATDC 1,2\n", &out));
    QCOMPARE(out, QByteArray("ATDC 1,2\n"));
    QVERIFY(!a.overflowed());
}

void tst_DeviceParsing::onlyMarkedLinesPass()
{
    QStringList dropped;
    const QString marker = QStringLiteral("ATCD");
    QCOMPARE(AnswerAssembler::markedLines(QStringLiteral("ATCD 1,2\n"), marker, &dropped),
             QStringLiteral("ATCD 1,2\n"));
    QVERIFY(dropped.isEmpty());
    QCOMPARE(
        AnswerAssembler::markedLines(QStringLiteral("atcd 3,4\nATCD 5,6\nxx\n"), marker, &dropped),
        QStringLiteral("ATCD 5,6\n"));
    QCOMPARE(dropped, (QStringList{QStringLiteral("atcd 3,4"), QStringLiteral("xx")}));
    QVERIFY(AnswerAssembler::markedLines(QStringLiteral("\n\n"), marker, nullptr).isEmpty());

    // An unfinished answer followed by a whole one in the same line: only the
    // whole one is kept. A marker inside a pair starts nothing.
    QCOMPARE(AnswerAssembler::markedLines(QStringLiteral("ATCD 23.4ATCD 23.45,56.70\n"), marker,
                                          nullptr),
             QStringLiteral("ATCD 23.45,56.70\n"));
    QCOMPARE(AnswerAssembler::markedLines(QStringLiteral("ATCD 1.00,ATCD2.00\n"), marker, nullptr),
             QStringLiteral("ATCD 1.00,ATCD2.00\n"));
    QCOMPARE(AnswerAssembler::markedLines(QStringLiteral("ATCDATCD 1,2\n"), marker, nullptr),
             QStringLiteral("ATCD 1,2\n"));
    QCOMPARE(AnswerAssembler::markedLines(QStringLiteral("ATCD 1,2ATCD 3,4\n"), marker, nullptr),
             QStringLiteral("ATCD 3,4\n"));
}

void tst_DeviceParsing::historyShiftsAndReplaces()
{
    ChartHistory h;
    for (int i = 0; i < ChartHistory::Size; ++i) {
        QCOMPARE(h.times()[i], NoValue);
        QCOMPARE(h.ch1()[i], NoValue);
        QCOMPARE(h.ch2()[i], NoValue);
    }
    h.add(100, 1, 2);
    h.add(101, 3, 4);
    QCOMPARE(h.times()[ChartHistory::Size - 1], 101.0);
    QCOMPARE(h.times()[ChartHistory::Size - 2], 100.0);
    QCOMPARE(h.ch1()[ChartHistory::Size - 2], 1.0);
    QCOMPARE(h.times()[ChartHistory::Size - 3], NoValue);

    h.add(101, 5, NoValue);
    QCOMPARE(h.times()[ChartHistory::Size - 2], 100.0);
    QCOMPARE(h.ch1()[ChartHistory::Size - 1], 5.0);
    QCOMPARE(h.ch2()[ChartHistory::Size - 1], NoValue);

    for (int i = 0; i < ChartHistory::Size; ++i)
        h.add(1000 + i, i, -i);
    double times[ChartHistory::Size];
    double ch1[ChartHistory::Size];
    double ch2[ChartHistory::Size];
    h.copyTo(times, ch1, ch2);
    QCOMPARE(times[0], 1000.0);
    QCOMPARE(times[ChartHistory::Size - 1], 1000.0 + ChartHistory::Size - 1);
    QCOMPARE(ch2[10], -10.0);
}

void tst_DeviceParsing::chartTimeCountsFromYearOne()
{
    const QDateTime local(QDate(1970, 1, 2), QTime(0, 0, 0), Qt::LocalTime);
    // One day after 1970-01-01 in local time, counted from 0001-01-01.
    QCOMPARE(ChartTime::fromDateTime(local), (719162.0 + 1) * 86400);
    const QDateTime withMs = local.addMSecs(1250);
    QCOMPARE(ChartTime::fromDateTime(withMs), (719162.0 + 1) * 86400 + 1.25);
}

QTEST_GUILESS_MAIN(tst_DeviceParsing)
#include "tst_DeviceParsing.moc"
