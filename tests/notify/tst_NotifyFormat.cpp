#include "MailFormat.h"
#include "MailMessage.h"
#include "MqttPayload.h"
#include "ProjectDirectory.h"
#include "TopicName.h"

#include "core/NoValue.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QtTest>

// What notifications say: mail subjects and bodies, the MIME form of a
// mail, the MQTT payloads and topic names. Runs in Europe/Berlin.
class tst_NotifyFormat : public QObject
{
    Q_OBJECT
private slots:
    void subjects_data();
    void subjects();
    void bodyNamesEverything();
    void numbersAndTimes();
    void digest();
    void headersAreEncodedAndCannotBeInjected();
    void bodyIsQuotedPrintable();
    void mimeLayout();
    void addresses_data();
    void addresses();
    void readingJson();
    void readingReusesItsBuffer();
    void eventJson();
    void discoveryConfigs();
    void topics();
    void prefixProblems_data();
    void prefixProblems();
    void safeNames();

private:
    static ProjectDirectory directory();
    static EventRecord alarm(double value, double limit);
};

// 2024-05-01 03:12:44 in Berlin (summer time).
constexpr qint64 MayMorning = 1714525964;
// 2024-01-15 12:00:00 in Berlin (winter time).
constexpr qint64 JanuaryNoon = 1705316400;

ProjectDirectory tst_NotifyFormat::directory()
{
    DeviceSettings freezer;
    freezer.deviceNumber = QStringLiteral("0012AB34");
    freezer.deviceName = QStringLiteral("Freezer 1");
    freezer.ch1Name = QStringLiteral("Temperature");
    freezer.ch2Name = QStringLiteral("Humidity");
    freezer.ch1Unit = 1;
    freezer.ch2Unit = 3;
    freezer.ch1Min = -30;
    freezer.ch1Max = 8;
    freezer.deviceInterface = DeviceSettings::Usb;
    DeviceSettings unnamed;
    unnamed.deviceNumber = QStringLiteral("00AABBCCDDEE");
    unnamed.ch1Unit = 4;
    unnamed.ch1Custom = QStringLiteral("ppm");
    unnamed.deviceInterface = DeviceSettings::Lan;
    return ProjectDirectory(QStringLiteral("Cold room"), {freezer, unnamed});
}

EventRecord tst_NotifyFormat::alarm(double value, double limit)
{
    EventRecord e;
    e.time = MayMorning;
    e.kind = EventKind::AlarmBegin;
    e.serialNo = QStringLiteral("0012AB34");
    e.channel = 1;
    e.value = value;
    e.limit = limit;
    return e;
}

void tst_NotifyFormat::subjects_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<int>("channel");
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("limit");
    QTest::addColumn<QString>("subject");

    const QString freezer = QStringLiteral("0012AB34");
    QTest::newRow("above the upper limit")
        << "alarm_begin" << freezer << 1 << 9.4 << 8.0
        << QString::fromUtf8("ALARM Freezer 1 Temperature 9.4 °C > 8.0 °C");
    QTest::newRow("below the lower limit")
        << "alarm_begin" << freezer << 1 << -31.25 << -30.0
        << QString::fromUtf8("ALARM Freezer 1 Temperature -31.25 °C < -30.0 °C");
    QTest::newRow("humidity") << "alarm_begin" << freezer << 2 << 81.0 << 80.0
                              << "ALARM Freezer 1 Humidity 81.0 %RH > 80.0 %RH";
    QTest::newRow("end") << "alarm_end" << freezer << 1 << 7.2 << 8.0
                         << QString::fromUtf8("ALARM END Freezer 1 Temperature 7.2 °C");
    QTest::newRow("device lost") << "comm_lost" << freezer << 0 << NoValue << NoValue
                                 << "NO ANSWER Freezer 1";
    QTest::newRow("unnamed device, custom unit, unnamed channel")
        << "alarm_begin"
        << "00AABBCCDDEE" << 1 << 1200.0 << 1000.0
        << "ALARM 00AABBCCDDEE Channel 1 1200.0 ppm > 1000.0 ppm";
    QTest::newRow("device no longer in the project")
        << "comm_back"
        << "FFFF" << 0 << NoValue << NoValue << "ANSWERING FFFF";
    QTest::newRow("project event") << "size_stop"
                                   << "" << 0 << NoValue << NoValue << "STOPPED Cold room";
    QTest::newRow("a kind added later") << "door_open"
                                        << "" << 0 << NoValue << NoValue << "DOOR_OPEN Cold room";
}

void tst_NotifyFormat::subjects()
{
    QFETCH(QString, kind);
    QFETCH(QString, serial);
    QFETCH(int, channel);
    QFETCH(double, value);
    QFETCH(double, limit);
    QFETCH(QString, subject);
    EventRecord e;
    e.time = MayMorning;
    e.kind = kind;
    e.serialNo = serial;
    e.channel = channel;
    if (value != NoValue)
        e.value = value;
    if (limit != NoValue)
        e.limit = limit;
    QCOMPARE(MailFormat::subject(e, directory()), subject);
}

void tst_NotifyFormat::bodyNamesEverything()
{
    const QString body = MailFormat::body(alarm(9.4, 8), directory(), QStringLiteral("labpc"));
    QVERIFY(body.startsWith(QStringLiteral("Alarm\n")));
    QVERIFY(body.contains(QStringLiteral("Project:  Cold room\n")));
    QVERIFY(body.contains(QStringLiteral("Device:   Freezer 1 (serial 0012AB34)\n")));
    QVERIFY(body.contains(QStringLiteral("Channel:  Temperature (channel 1)\n")));
    QVERIFY(body.contains(QString::fromUtf8("Value:    9.4 °C\n")));
    QVERIFY(body.contains(QString::fromUtf8("Limit:    8.0 °C (upper limit)\n")));
    QVERIFY(body.contains(QStringLiteral("Time:     2024-05-01 03:12:44 (UTC+02:00)\n")));
    QVERIFY(body.contains(QStringLiteral("Event:    alarm_begin\n")));
    QVERIFY(body.contains(QStringLiteral("Moravin Lite on labpc")));

    EventRecord low = alarm(-31, -30);
    QVERIFY(
        MailFormat::body(low, directory(), QString()).contains(QStringLiteral("(lower limit)")));

    EventRecord missing = alarm(NoValue, 8);
    missing.kind = EventKind::AlarmEnd;
    QVERIFY(MailFormat::body(missing, directory(), QString())
                .contains(QStringLiteral("Value:    no value\n")));

    EventRecord change;
    change.time = MayMorning;
    change.kind = EventKind::ConfigChange;
    change.serialNo = QStringLiteral("0012AB34");
    change.detail = QStringLiteral("{\"field\":\"ch1_max\",\"old\":8,\"new\":6}");
    change.repeats = 3;
    const QString changeBody = MailFormat::body(change, directory(), QString());
    QVERIFY(changeBody.contains(QStringLiteral("Details:  ") + change.detail));
    QVERIFY(changeBody.contains(QStringLiteral("Repeats:  3\n")));
    QVERIFY(!changeBody.contains(QStringLiteral("Channel:")));
}

void tst_NotifyFormat::numbersAndTimes()
{
    QCOMPARE(MailFormat::number(9.40), QStringLiteral("9.4"));
    QCOMPARE(MailFormat::number(8), QStringLiteral("8.0"));
    QCOMPARE(MailFormat::number(9.45), QStringLiteral("9.45"));
    QCOMPARE(MailFormat::number(-0.001), QStringLiteral("0.0"));
    QCOMPARE(MailFormat::number(double(30.1f)), QStringLiteral("30.1"));
    QCOMPARE(MailFormat::number(NoValue), QStringLiteral("no value"));
    QCOMPARE(MailFormat::localTime(MayMorning), QStringLiteral("2024-05-01 03:12:44 (UTC+02:00)"));
    QCOMPARE(MailFormat::localTime(JanuaryNoon), QStringLiteral("2024-01-15 12:00:00 (UTC+01:00)"));
}

void tst_NotifyFormat::digest()
{
    EventRecord lost;
    lost.time = MayMorning + 20;
    lost.kind = EventKind::CommLost;
    lost.serialNo = QStringLiteral("00AABBCCDDEE");
    EventRecord second = alarm(85, 80);
    second.channel = 2;
    const QVector<EventRecord> events{alarm(9.4, 8), lost, second};

    QCOMPARE(MailFormat::digestSubject(events, directory()),
             QStringLiteral("3 EVENTS Cold room: 2 ALARM, 1 NO ANSWER"));
    const QString body = MailFormat::digestBody(events, directory(), QStringLiteral("labpc"));
    QVERIFY(body.startsWith(QStringLiteral("3 events in project Cold room:\n")));
    // A summary line per event, then every event in full.
    for (const EventRecord &e : events)
        QVERIFY2(body.contains(QStringLiteral("- ") + MailFormat::subject(e, directory())),
                 qPrintable(body));
    QCOMPARE(body.count(QStringLiteral("Project:  Cold room")), 3);
    QCOMPARE(body.count(QStringLiteral("Sent by Moravin Lite")), 1);
}

void tst_NotifyFormat::headersAreEncodedAndCannotBeInjected()
{
    QCOMPARE(MailMessage::encodeHeader(QStringLiteral("ALARM Freezer 1")),
             QByteArray("ALARM Freezer 1"));

    const QString subject = QString::fromUtf8(
        "ALARM Kühlraum Süd Temperatur 9.4 °C > 8.0 °C und noch viel mehr Text, der weit über "
        "eine Zeile hinausgeht");
    const QByteArray encoded = MailMessage::encodeHeader(subject);
    QByteArray decoded;
    const QList<QByteArray> lines = encoded.split('\n');
    QVERIFY(lines.size() > 1);
    for (QByteArray line : lines) {
        line = line.trimmed();
        QVERIFY2(line.size() <= 75, line.constData());
        QVERIFY(line.startsWith("=?UTF-8?B?") && line.endsWith("?="));
        decoded += QByteArray::fromBase64(line.mid(10, line.size() - 12));
    }
    // Every word decodes on its own: no character is cut in two.
    for (const QByteArray &line : lines) {
        const QByteArray word = line.trimmed();
        const QByteArray part = QByteArray::fromBase64(word.mid(10, word.size() - 12));
        QCOMPARE(QString::fromUtf8(part).toUtf8(), part);
    }
    QCOMPARE(QString::fromUtf8(decoded), subject);

    // A device name with a line break cannot add a header.
    const QByteArray injected =
        MailMessage::encodeHeader(QStringLiteral("ALARM Lab\r\nBcc: someone@example.org"));
    QVERIFY(!injected.contains('\r') && !injected.contains('\n'));
    // Plain text that looks like an encoded word is encoded itself.
    QVERIFY(MailMessage::encodeHeader(QStringLiteral("=?UTF-8?B?QQ==?=")).startsWith("=?UTF-8?B?"));
}

void tst_NotifyFormat::bodyIsQuotedPrintable()
{
    QCOMPARE(MailMessage::quotedPrintable("a=b"), QByteArray("a=3Db"));
    QCOMPARE(MailMessage::quotedPrintable(QString::fromUtf8("9.4 °C").toUtf8()),
             QByteArray("9.4 =C2=B0C"));
    QCOMPARE(MailMessage::quotedPrintable("end \nnext\t\n"), QByteArray("end=20\r\nnext=09\r\n"));
    const QByteArray longLine(200, 'x');
    const QByteArray qp = MailMessage::quotedPrintable(longLine + '\n' + QByteArray(100, '='));
    QByteArray joined;
    for (const QByteArray &line : qp.split('\n')) {
        const QByteArray l = line.endsWith('\r') ? line.left(line.size() - 1) : line;
        QVERIFY2(l.size() <= 76, l.constData());
        const bool soft = l.endsWith('=');
        const QByteArray text = soft ? l.left(l.size() - 1) : l;
        // A soft break never cuts an escape such as "=3D" in two.
        QVERIFY2(!QRegularExpression(QStringLiteral("=[0-9A-F]?$"))
                      .match(QString::fromLatin1(text))
                      .hasMatch(),
                 l.constData());
        joined += soft ? text : text + '\n';
    }
    QCOMPARE(joined, longLine + '\n' + QByteArray("=3D").repeated(100) + '\n');
}

void tst_NotifyFormat::mimeLayout()
{
    MailMessage m;
    m.from = QStringLiteral("recorder@lab.example");
    m.to = QStringList{QStringLiteral("a@lab.example"), QStringLiteral("b@lab.example")};
    m.subject = QString::fromUtf8("ALARM Freezer 1 Temperature 9.4 °C > 8.0 °C");
    m.body = QStringLiteral("line one\nline two\n");
    m.date = MayMorning;
    m.messageId = QStringLiteral("1@moravin.lite");
    const QByteArray mime = m.toMime();
    const int split = mime.indexOf("\r\n\r\n");
    QVERIFY(split > 0);
    const QByteArray headers = mime.left(split);
    QVERIFY(headers.contains("Date: Wed, 01 May 2024 03:12:44 +0200\r\n"));
    QVERIFY(headers.contains("From: Moravin Lite <recorder@lab.example>\r\n"));
    QVERIFY(headers.contains("To: a@lab.example, b@lab.example\r\n"));
    QVERIFY(headers.contains("Subject: =?UTF-8?B?"));
    QVERIFY(headers.contains("Message-ID: <1@moravin.lite>\r\n"));
    QVERIFY(headers.contains("Content-Type: text/plain; charset=UTF-8\r\n"));
    QVERIFY(headers.contains("Content-Transfer-Encoding: quoted-printable\r\n"));
    QCOMPARE(mime.mid(split + 4), QByteArray("line one\r\nline two\r\n"));
    // Every line ends in CRLF.
    QCOMPARE(mime.count('\n'), mime.count("\r\n"));

    MailMessage winter = m;
    winter.date = JanuaryNoon;
    QVERIFY(winter.toMime().contains("Date: Mon, 15 Jan 2024 12:00:00 +0100\r\n"));
    winter.messageId.clear();
    QVERIFY(QRegularExpression(QStringLiteral("Message-ID: <[0-9a-f-]{36}@moravin.lite>"))
                .match(QString::fromLatin1(winter.toMime()))
                .hasMatch());
}

void tst_NotifyFormat::addresses_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("valid");
    QTest::newRow("plain") << "alarm@lab.example" << true;
    QTest::newRow("plus and dots") << "first.last+fridge@mail.lab.example" << true;
    QTest::newRow("local host") << "root@localhost" << true;
    QTest::newRow("no at") << "alarm.lab.example" << false;
    QTest::newRow("two ats") << "a@b@c" << false;
    QTest::newRow("blank") << "al arm@lab.example" << false;
    QTest::newRow("angle brackets") << "<alarm@lab.example>" << false;
    QTest::newRow("empty domain") << "alarm@" << false;
    QTest::newRow("empty local part") << "@lab.example" << false;
    QTest::newRow("domain starts with a dot") << "alarm@.lab" << false;
    QTest::newRow("domain ends with a dot") << "alarm@lab." << false;
    QTest::newRow("line break") << "a@b\r\nRCPT TO:<c@d>" << false;
}

void tst_NotifyFormat::addresses()
{
    QFETCH(QString, address);
    QFETCH(bool, valid);
    QCOMPARE(MailMessage::isAddress(address), valid);
}

void tst_NotifyFormat::readingJson()
{
    QByteArray out;
    MqttPayload::reading(out, MayMorning, 9.4, MqttPayload::jsonString(QString::fromUtf8("°C")),
                         true);
    QJsonParseError error;
    const QJsonObject o = QJsonDocument::fromJson(out, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(o.value(QStringLiteral("time")).toString(),
             QStringLiteral("2024-05-01T03:12:44+02:00"));
    QCOMPARE(o.value(QStringLiteral("unix")).toVariant().toLongLong(), MayMorning);
    QCOMPARE(o.value(QStringLiteral("value")).toDouble(), 9.4);
    QCOMPARE(o.value(QStringLiteral("unit")).toString(), QString::fromUtf8("°C"));
    QCOMPARE(o.value(QStringLiteral("alarm")).toBool(), true);
    QVERIFY(out.contains("\"value\":9.4,"));

    MqttPayload::reading(out, JanuaryNoon, NoValue, MqttPayload::jsonString(QStringLiteral("a\"b")),
                         false);
    const QJsonObject none = QJsonDocument::fromJson(out, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QVERIFY(none.value(QStringLiteral("value")).isNull());
    QCOMPARE(none.value(QStringLiteral("time")).toString(),
             QStringLiteral("2024-01-15T12:00:00+01:00"));
    QCOMPARE(none.value(QStringLiteral("unit")).toString(), QStringLiteral("a\"b"));
    QCOMPARE(none.value(QStringLiteral("alarm")).toBool(), false);

    QByteArray n;
    MqttPayload::number(n, -12.5);
    QCOMPARE(n, QByteArray("-12.5"));
    n.clear();
    MqttPayload::number(n, -0.001);
    QCOMPARE(n, QByteArray("0"));
    n.clear();
    MqttPayload::number(n, 21);
    QCOMPARE(n, QByteArray("21"));
    n.clear();
    MqttPayload::number(n, qQNaN());
    QCOMPARE(n, QByteArray("null"));
}

void tst_NotifyFormat::readingReusesItsBuffer()
{
    // Every reading of every channel goes through here: once the buffer has
    // its room, formatting must not allocate again.
    QByteArray out;
    out.reserve(192);
    const QByteArray unit = MqttPayload::jsonString(QString::fromUtf8("°C"));
    MqttPayload::reading(out, MayMorning, -1234.56, unit, true);
    const char *storage = out.constData();
    for (int i = 0; i < 100; ++i) {
        MqttPayload::reading(out, MayMorning + i, i * 0.37, unit, i % 2 == 0);
        QCOMPARE(out.constData(), storage);
    }
}

void tst_NotifyFormat::eventJson()
{
    EventRecord e = alarm(9.4, 8);
    QJsonObject o = QJsonDocument::fromJson(MqttPayload::event(e, directory())).object();
    QCOMPARE(o.value(QStringLiteral("kind")).toString(), QStringLiteral("alarm_begin"));
    QCOMPARE(o.value(QStringLiteral("time")).toString(),
             QStringLiteral("2024-05-01T03:12:44+02:00"));
    QCOMPARE(o.value(QStringLiteral("unix")).toVariant().toLongLong(), MayMorning);
    QCOMPARE(o.value(QStringLiteral("project")).toString(), QStringLiteral("Cold room"));
    QCOMPARE(o.value(QStringLiteral("serial")).toString(), QStringLiteral("0012AB34"));
    QCOMPARE(o.value(QStringLiteral("device")).toString(), QStringLiteral("Freezer 1"));
    QCOMPARE(o.value(QStringLiteral("channel")).toInt(), 1);
    QCOMPARE(o.value(QStringLiteral("channel_name")).toString(), QStringLiteral("Temperature"));
    QCOMPARE(o.value(QStringLiteral("unit")).toString(), QString::fromUtf8("°C"));
    QCOMPARE(o.value(QStringLiteral("value")).toDouble(), 9.4);
    QCOMPARE(o.value(QStringLiteral("limit")).toDouble(), 8.0);

    EventRecord change;
    change.time = MayMorning;
    change.kind = EventKind::ConfigChange;
    change.detail = QStringLiteral("{\"field\":\"interval\",\"old\":1000,\"new\":5000}");
    change.value = NoValue;
    o = QJsonDocument::fromJson(MqttPayload::event(change, directory())).object();
    QCOMPARE(o.value(QStringLiteral("detail")).toObject().value(QStringLiteral("new")).toInt(),
             5000);
    QVERIFY(o.value(QStringLiteral("value")).isNull());
    QVERIFY(!o.contains(QStringLiteral("serial")));
    QVERIFY(!o.contains(QStringLiteral("channel")));

    EventRecord failed;
    failed.kind = EventKind::NotifyFailed;
    failed.detail = QStringLiteral("plain words");
    o = QJsonDocument::fromJson(MqttPayload::event(failed, directory())).object();
    QCOMPARE(o.value(QStringLiteral("detail")).toString(), QStringLiteral("plain words"));
}

void tst_NotifyFormat::discoveryConfigs()
{
    const ProjectDirectory dir = directory();
    const QString prefix = QStringLiteral("moravin/Cold_room");
    const QJsonObject temperature =
        QJsonDocument::fromJson(MqttPayload::discoveryConfig(dir.devices().at(0), 1, prefix))
            .object();
    QCOMPARE(temperature.value(QStringLiteral("name")).toString(), QStringLiteral("Temperature"));
    QCOMPARE(temperature.value(QStringLiteral("unique_id")).toString(),
             QStringLiteral("moravin_0012AB34_1"));
    QCOMPARE(temperature.value(QStringLiteral("state_topic")).toString(),
             QStringLiteral("moravin/Cold_room/0012AB34/channel1"));
    QCOMPARE(temperature.value(QStringLiteral("availability_topic")).toString(),
             QStringLiteral("moravin/Cold_room/status"));
    QCOMPARE(temperature.value(QStringLiteral("payload_not_available")).toString(),
             QStringLiteral("offline"));
    QCOMPARE(temperature.value(QStringLiteral("unit_of_measurement")).toString(),
             QString::fromUtf8("°C"));
    QCOMPARE(temperature.value(QStringLiteral("device_class")).toString(),
             QStringLiteral("temperature"));
    QCOMPARE(temperature.value(QStringLiteral("value_template")).toString(),
             QStringLiteral("{{ value_json.value }}"));
    const QJsonObject device = temperature.value(QStringLiteral("device")).toObject();
    QCOMPARE(device.value(QStringLiteral("name")).toString(), QStringLiteral("Freezer 1"));
    QCOMPARE(device.value(QStringLiteral("identifiers")).toArray().first().toString(),
             QStringLiteral("moravin_0012AB34"));

    const QJsonObject humidity =
        QJsonDocument::fromJson(MqttPayload::discoveryConfig(dir.devices().at(0), 2, prefix))
            .object();
    QCOMPARE(humidity.value(QStringLiteral("device_class")).toString(), QStringLiteral("humidity"));
    QCOMPARE(humidity.value(QStringLiteral("unit_of_measurement")).toString(), QStringLiteral("%"));
    // Both channels belong to one device in Home Assistant.
    QCOMPARE(humidity.value(QStringLiteral("device")).toObject(), device);

    const QJsonObject custom =
        QJsonDocument::fromJson(MqttPayload::discoveryConfig(dir.devices().at(1), 1, prefix))
            .object();
    QCOMPARE(custom.value(QStringLiteral("unit_of_measurement")).toString(), QStringLiteral("ppm"));
    QVERIFY(!custom.contains(QStringLiteral("device_class")));
    QCOMPARE(custom.value(QStringLiteral("name")).toString(), QStringLiteral("Channel 1"));
    QCOMPARE(
        custom.value(QStringLiteral("device")).toObject().value(QStringLiteral("name")).toString(),
        QStringLiteral("00AABBCCDDEE"));
    const QJsonObject undefined =
        QJsonDocument::fromJson(MqttPayload::discoveryConfig(dir.devices().at(1), 2, prefix))
            .object();
    QVERIFY(!undefined.contains(QStringLiteral("unit_of_measurement")));
}

void tst_NotifyFormat::topics()
{
    QCOMPARE(
        MqttPayload::readingTopic(QStringLiteral("moravin/lab"), QStringLiteral("0012AB34"), 2),
        QStringLiteral("moravin/lab/0012AB34/channel2"));
    QCOMPARE(MqttPayload::eventTopic(QStringLiteral("moravin/lab")),
             QStringLiteral("moravin/lab/events"));
    QCOMPARE(MqttPayload::statusTopic(QStringLiteral("moravin/lab")),
             QStringLiteral("moravin/lab/status"));
    QCOMPARE(
        MqttPayload::discoveryTopic(QStringLiteral("homeassistant"), QStringLiteral("0012AB34"), 1),
        QStringLiteral("homeassistant/sensor/moravin_0012AB34_1/config"));
    // A serial that could never be a topic level or an object id.
    QCOMPARE(MqttPayload::readingTopic(QStringLiteral("p"), QStringLiteral("a/b+#"), 1),
             QStringLiteral("p/a_b/channel1"));
    QCOMPARE(MqttPayload::objectId(QStringLiteral("Kü 1"), 1), QStringLiteral("moravin_K_1_1"));
}

void tst_NotifyFormat::prefixProblems_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("problem");
    QTest::newRow("default form") << "moravin/Cold_room"
                                  << "";
    QTest::newRow("several levels, unicode") << "site/Kühlhaus-2/rec.1"
                                             << "";
    QTest::newRow("empty") << ""
                           << "The topic prefix is empty.";
    QTest::newRow("plus") << "moravin/+"
                          << "\"+\" or \"#\"";
    QTest::newRow("hash") << "moravin#1"
                          << "\"+\" or \"#\"";
    QTest::newRow("blank") << "moravin/cold room"
                           << "blanks";
    QTest::newRow("tab") << "moravin/\tx"
                         << "blanks";
    QTest::newRow("control") << QStringLiteral("a") + QChar(0x01) << "control characters";
    QTest::newRow("broker topics") << "$SYS/moravin"
                                   << "\"$\"";
    QTest::newRow("leading slash") << "/moravin"
                                   << "\"/\"";
    QTest::newRow("trailing slash") << "moravin/"
                                    << "\"/\"";
    QTest::newRow("empty level") << "moravin//lab"
                                 << "\"//\"";
    QTest::newRow("too long") << QString(201, QLatin1Char('x')) << "longer than 200 bytes";
}

void tst_NotifyFormat::prefixProblems()
{
    QFETCH(QString, prefix);
    QFETCH(QString, problem);
    const QString found = TopicName::prefixProblem(prefix, QStringLiteral("topic prefix"));
    if (problem.isEmpty())
        QCOMPARE(found, QString());
    else
        QVERIFY2(found.contains(problem), qPrintable(found));
}

void tst_NotifyFormat::safeNames()
{
    QCOMPARE(TopicName::safeLevel(QStringLiteral("Cold room #2 + more")),
             QStringLiteral("Cold_room_2_more"));
    QCOMPARE(TopicName::safeLevel(QString::fromUtf8("Kühlraum")), QString::fromUtf8("Kühlraum"));
    QCOMPARE(TopicName::safeLevel(QStringLiteral("lab/a")), QStringLiteral("lab_a"));
    QCOMPARE(TopicName::safeLevel(QStringLiteral("+#/ ")), QStringLiteral("unnamed"));
    QCOMPARE(TopicName::safeLevel(QStringLiteral("..")), QStringLiteral("unnamed"));
    QCOMPARE(TopicName::asciiId(QString::fromUtf8("Kühl 1")), QStringLiteral("K_hl_1"));
    QCOMPARE(TopicName::defaultPrefix(QStringLiteral("Lab +/#")), QStringLiteral("moravin/Lab"));
    QCOMPARE(TopicName::defaultPrefix(QStringLiteral("###")), QStringLiteral("moravin/project"));
    // Whatever the project is called, the default prefix is a valid one.
    for (const QString &name : {QStringLiteral("$SYS"), QStringLiteral(" / "),
                                QStringLiteral("a\tb"), QString(300, QLatin1Char('x')).left(150)})
        QCOMPARE(TopicName::prefixProblem(TopicName::defaultPrefix(name), QStringLiteral("p")),
                 QString());
}

QTEST_GUILESS_MAIN(tst_NotifyFormat)
#include "tst_NotifyFormat.moc"
