#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QtTest>

// Every image the programs load must be in the resource at the size it was
// drawn for, and the alarm sound must be a real MP3 stream.
class TestMoravinResources : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Q_INIT_RESOURCE(moravin); }

    void image_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size");
        const QRegularExpression entry(QStringLiteral("^(\\w+):(\\d+)x(\\d+)$"));
        const QStringList entries = QStringLiteral(MORAVIN_IMAGE_SIZES).split(QLatin1Char(';'));
        QVERIFY(entries.size() > 20);
        for (const QString &text : entries) {
            const QRegularExpressionMatch m = entry.match(text);
            QVERIFY2(m.hasMatch(), qPrintable(text));
            QTest::newRow(qPrintable(m.captured(1)))
                << QStringLiteral(":/img/%1.png").arg(m.captured(1))
                << QSize(m.captured(2).toInt(), m.captured(3).toInt());
        }
    }

    void image()
    {
        QFETCH(QString, path);
        QFETCH(QSize, size);
        const QImage image(path);
        QVERIFY2(!image.isNull(), qPrintable(path));
        QCOMPARE(image.size(), size);
        QVERIFY(image.hasAlphaChannel());

        int visible = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                visible += qAlpha(image.pixel(x, y)) > 32 ? 1 : 0;
        QVERIFY2(visible > image.width() * image.height() / 10, "image is mostly empty");
    }

    void alarmSound()
    {
        QFile file(QStringLiteral(":/critical.mp3"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray data = file.readAll();
        QVERIFY(data.size() > 8000);
        const bool id3 = data.startsWith("ID3");
        const bool frameSync = uchar(data[0]) == 0xff && (uchar(data[1]) & 0xe0) == 0xe0;
        QVERIFY(id3 || frameSync);
    }
};

QTEST_GUILESS_MAIN(TestMoravinResources)
#include "tst_moravin_resources.moc"
