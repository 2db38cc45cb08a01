#include "Simulator.h"

#include "DiscoveryResponder.h"
#include "LanDevice.h"
#include "PtyDevice.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {
const char *const HardwareId = "USB\\VID_04D8&PID_000A&REV_0100";
const char *const SerialPrefix = "VT_SERIES__";
constexpr int MaxDevices = 64;
} // namespace

Simulator::Simulator(QObject *parent) : QObject(parent) {}

Simulator::~Simulator()
{
    stop();
}

void Simulator::print(const QString &line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

bool Simulator::start(const Options &options, QString *error)
{
    m_options = options;
    if (options.usbSerials.size() + options.lanDevices.size() > MaxDevices) {
        *error = QStringLiteral("at most %1 devices").arg(MaxDevices);
        return false;
    }
    int index = 0;
    for (const QString &serial : options.usbSerials) {
        auto *device = new PtyDevice(serial, 0.7 * index, options.seed + index, this);
        m_usb.append(device);
        if (!device->plugIn(error))
            return false;
        print(QStringLiteral("usb %1 %2").arg(serial, device->portPath()));
        ++index;
    }
    for (const QString &definition : options.lanDevices) {
        if (!addLan(definition, index++, error))
            return false;
    }
    for (SimulatedDevice *device : qAsConst(m_usb))
        connect(device, &SimulatedDevice::activity, this, [this](const QString &line) {
            if (m_options.events)
                print(line);
        });
    for (SimulatedDevice *device : qAsConst(m_lan))
        connect(device, &SimulatedDevice::activity, this, [this](const QString &line) {
            if (m_options.events)
                print(line);
        });
    if (!m_usb.isEmpty() && options.announceFile.isEmpty()) {
        *error = QStringLiteral("USB devices need an announce file (--announce or "
                                "MORAVIN_SIMULATED_PORTS)");
        return false;
    }
    writeAnnouncement();

    if (!options.discovery.isEmpty()) {
        const int colon = options.discovery.lastIndexOf(QLatin1Char(':'));
        const QHostAddress address(options.discovery.left(colon));
        const quint16 port = colon > 0 ? options.discovery.mid(colon + 1).toUShort() : 50000;
        m_responder = new DiscoveryResponder(this);
        m_responder->setDevices(m_lan);
        QString reason;
        if (m_responder->bind(address, port, &reason)) {
            print(
                QStringLiteral("discovery %1 %2").arg(address.toString()).arg(m_responder->port()));
        } else {
            std::fprintf(stderr,
                         "moravin-simulator: discovery responder cannot use %s:%u: %s\n"
                         "moravin-simulator: LAN devices will not be found by discovery "
                         "(is another simulator running?)\n",
                         qPrintable(address.toString()), unsigned(port), qPrintable(reason));
            print(QStringLiteral("discovery-unavailable %1").arg(reason));
            delete m_responder;
            m_responder = nullptr;
        }
    }

    m_stdin = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(m_stdin, &QSocketNotifier::activated, this, &Simulator::readCommands);
    QTimer::singleShot(options.durationSeconds * 1000, this, [] {
        std::fputs("moravin-simulator: run time over\n", stderr);
        QCoreApplication::quit();
    });
    print(QStringLiteral("ready"));
    return true;
}

bool Simulator::addLan(const QString &definition, int index, QString *error)
{
    QString rest = definition;
    QString mac;
    const int slash = rest.indexOf(QLatin1Char('/'));
    if (slash >= 0) {
        mac = rest.mid(slash + 1).toUpper();
        rest = rest.left(slash);
    }
    quint16 port = 23;
    const int colon = rest.indexOf(QLatin1Char(':'));
    if (colon >= 0) {
        bool ok = false;
        port = rest.mid(colon + 1).toUShort(&ok);
        if (!ok) {
            *error = QStringLiteral("bad port in %1").arg(definition);
            return false;
        }
        rest = rest.left(colon);
    }
    const QHostAddress address(rest);
    if (address.protocol() != QAbstractSocket::IPv4Protocol) {
        *error = QStringLiteral("bad address in %1").arg(definition);
        return false;
    }
    if (mac.isEmpty()) {
        const quint32 ip = address.toIPv4Address();
        mac = QStringLiteral("024B56%1").arg(ip & 0xffffff, 6, 16, QLatin1Char('0')).toUpper();
    }
    if (mac.size() != 12 || QByteArray::fromHex(mac.toLatin1()).size() != 6) {
        *error = QStringLiteral("bad MAC in %1").arg(definition);
        return false;
    }
    auto *device = new LanDevice(mac, address, port, 0.7 * index, m_options.seed + index, this);
    m_lan.append(device);
    if (!device->listen(error))
        return false;
    print(QStringLiteral("lan %1 %2 %3").arg(mac, address.toString()).arg(device->port()));
    return true;
}

void Simulator::stop()
{
    if (m_stopped)
        return;
    m_stopped = true;
    for (PtyDevice *device : qAsConst(m_usb))
        device->unplug();
    if (!m_options.announceFile.isEmpty() && !m_usb.isEmpty())
        QFile::remove(m_options.announceFile);
}

void Simulator::writeAnnouncement()
{
    if (m_options.announceFile.isEmpty() || m_usb.isEmpty())
        return;
    QSaveFile file(m_options.announceFile);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(QStringLiteral("pid\t%1\n").arg(QCoreApplication::applicationPid()).toUtf8());
    for (const PtyDevice *device : qAsConst(m_usb)) {
        if (!device->isPresent())
            continue;
        file.write(QStringLiteral("%1\t%2\t%3%4\n")
                       .arg(device->portPath(), QLatin1String(HardwareId),
                            QLatin1String(SerialPrefix), device->id())
                       .toUtf8());
    }
    file.commit();
}

SimulatedDevice *Simulator::find(const QString &id) const
{
    for (PtyDevice *device : m_usb)
        if (device->id() == id)
            return device;
    for (LanDevice *device : m_lan)
        if (device->id().compare(id, Qt::CaseInsensitive) == 0)
            return device;
    return nullptr;
}

QString Simulator::execute(const QString &command)
{
    const QStringList words = command.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return QStringLiteral("error empty command");
    const QString verb = words.first();
    if (verb == QLatin1String("quit")) {
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        return QStringLiteral("ok quit");
    }
    if (words.size() < 2)
        return QStringLiteral("error missing device");
    SimulatedDevice *device = find(words.at(1));
    if (!device)
        return QStringLiteral("error unknown device %1").arg(words.at(1));
    auto *pty = qobject_cast<PtyDevice *>(device);
    auto *lan = qobject_cast<LanDevice *>(device);
    if (verb == QLatin1String("stats"))
        return device->stats();
    if (verb == QLatin1String("clear")) {
        device->faults() = DeviceFaults();
        return QStringLiteral("ok ") + command;
    }
    if (verb == QLatin1String("vanish") && pty) {
        pty->unplug();
        writeAnnouncement();
        return QStringLiteral("ok vanish %1").arg(pty->id());
    }
    if (verb == QLatin1String("restore") && pty) {
        QString error;
        if (!pty->plugIn(&error))
            return QStringLiteral("error %1").arg(error);
        writeAnnouncement();
        return QStringLiteral("ok restore %1 %2").arg(pty->id(), pty->portPath());
    }
    if (verb == QLatin1String("drop") && lan) {
        lan->dropClients();
        return QStringLiteral("ok ") + command;
    }
    // "fragment" sends the text as it stands, without a line end.
    if ((verb == QLatin1String("answer") || verb == QLatin1String("fragment")) &&
        words.size() >= 3) {
        QByteArray text = command.section(QLatin1Char(' '), 2).toLatin1();
        text.replace("\\r", "\r").replace("\\n", "\n");
        if (verb == QLatin1String("answer") && !text.contains('\n'))
            text.append("\r\n");
        device->faults().nextAnswer = text;
        return QStringLiteral("ok answer ") + device->id();
    }
    if (verb != QLatin1String("fault") || words.size() < 3)
        return QStringLiteral("error unknown command %1").arg(command);
    DeviceFaults &faults = device->faults();
    const QString kind = words.at(2);
    if (kind == QLatin1String("silent"))
        faults.silent = true;
    else if (kind == QLatin1String("missing1"))
        faults.missing1 = true;
    else if (kind == QLatin1String("missing2"))
        faults.missing2 = true;
    else if (kind == QLatin1String("garbage"))
        faults.garbage = true;
    else if (kind == QLatin1String("split"))
        faults.split = true;
    else if (kind == QLatin1String("close"))
        faults.close = true;
    else if (kind == QLatin1String("hangup"))
        faults.hangup = true;
    else if (kind == QLatin1String("flap"))
        faults.flap = true;
    else if (kind == QLatin1String("high"))
        faults.high = true;
    else if (kind == QLatin1String("refuse") && words.size() >= 4)
        faults.refuse = words.at(3);
    else
        return QStringLiteral("error unknown fault %1").arg(kind);
    return QStringLiteral("ok ") + command;
}

void Simulator::readCommands()
{
    char buffer[1024];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
        // A controlling test that went away ends the run; the demo runs
        // with /dev/null as input and keeps serving.
        m_stdin->setEnabled(false);
        if (m_options.quitOnEof)
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        return;
    }
    m_input.append(buffer, int(n));
    int end;
    while ((end = m_input.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(m_input.left(end)).trimmed();
        m_input.remove(0, end + 1);
        if (!line.isEmpty())
            print(execute(line));
    }
    if (m_input.size() > 4096)
        m_input.clear();
}
