#include "CsvFormat.h"
#include "core/NoValue.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QtTest>

class TestCsvFormat : public QObject
{
    Q_OBJECT
private:
    static ViewerSeries sample()
    {
        ViewerSeries s;
        s.times = {1767225600, 1767225601, 1767225602};
        s.x = {1, 2, 3};
        s.values = {QVector<double>{21.5, 21.25, -3.1}, QVector<double>{40, NoValue, 1234.567}};
        s.titles = QStringList{"Freezer", "Room"};
        s.timeMap = std::make_shared<LocalTimeMap>(s.times.first(), s.times.last());
        return s;
    }

private slots:
    void initTestCase()
    {
        qputenv("TZ", "UTC");
        tzset();
    }

    void exactFileFormat()
    {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(CsvFormat::write(buffer, sample()));
        QCOMPARE(buffer.data(), QByteArray("DATE TIME,Freezer,Room\n"
                                           "2026-01-01 00:00:00,21.50,40.00,\n"
                                           "2026-01-01 00:00:01,21.25,----,\n"
                                           "2026-01-01 00:00:02,-3.10,1234.57,"));
    }

    void singleChannelAndNoRows()
    {
        ViewerSeries s = sample();
        s.values.removeLast();
        s.titles.removeLast();
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(CsvFormat::write(buffer, s));
        QVERIFY(buffer.data().startsWith("DATE TIME,Freezer\n2026"));
        QCOMPARE(CsvFormat::headerLine({}), QByteArray("DATE TIME"));
    }

    void titlesAreQuotedOnlyWhenNeeded()
    {
        QCOMPARE(
            CsvFormat::headerLine({"Room, north", "He said \"hi\"", "two\nlines", "plain"}),
            QByteArray("DATE TIME,\"Room, north\",\"He said \"\"hi\"\"\",\"two\nlines\",plain"));
        QCOMPARE(CsvFormat::quoteField(QStringLiteral("Kühlraum")), QString("Kühlraum").toUtf8());
    }

    void fixedTwoDecimalsAsQtWritesThem()
    {
        QRandomGenerator rng(42);
        QList<double> cases{0,     -0.0,  0.004,  -0.004,    0.005,      0.125, 0.375,
                            2.675, 1.005, -1.005, 99999.995, 123456.789, 1e300, -1e-9,
                            23.45, 17.3,  -40,    1e5,       -1e5};
        for (int i = 0; i < 100000; ++i)
            cases << std::round((rng.generateDouble() * 200 - 100) * 100) / 100
                  << (rng.generateDouble() * 2e5 - 1e5);
        for (double v : qAsConst(cases)) {
            QByteArray out;
            CsvFormat::appendFixed2(out, v);
            QCOMPARE(out, QString::number(v, 'f', 2).toLatin1());
        }
    }

    void progressIsReported()
    {
        ViewerSeries s = sample();
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        int last = -1;
        QVERIFY(CsvFormat::write(buffer, s, [&](int rows) { last = rows; }));
        QCOMPARE(last, 3);
    }
};

QTEST_APPLESS_MAIN(TestCsvFormat)
#include "tst_CsvFormat.moc"
