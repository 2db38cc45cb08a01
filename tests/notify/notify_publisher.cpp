// A recorder stand-in for the last-will test: publishes a reading of one
// device to the broker given on the command line once connected, and runs
// until it is killed.
#include "MqttPublisher.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <broker port> <topic prefix>\n", argv[0]);
        return 2;
    }
    DeviceSettings device;
    device.deviceNumber = QStringLiteral("0012AB34");
    device.deviceName = QStringLiteral("Freezer 1");
    device.ch1Unit = 1;

    MqttPublisher publisher;
    MqttPublisher::Options options;
    options.host = QStringLiteral("127.0.0.1");
    options.port = QString::fromLocal8Bit(argv[1]).toInt();
    options.prefix = QString::fromLocal8Bit(argv[2]);
    options.clientId = QStringLiteral("moravin-will-test");
    options.discoveryPrefix = QStringLiteral("homeassistant");
    options.reconnectMinMs = 200;
    options.reconnectMaxMs = 1000;
    publisher.start(options);
    publisher.setDevices({device});
    QObject::connect(&publisher, &MqttPublisher::connectionChanged, &app, [&](bool connected) {
        if (!connected)
            return;
        publisher.publishReading(device.deviceNumber, 1714525964, 5.5, 40, false, false);
    });
    return app.exec();
}
