// The companions' start-up reader on arbitrary project files: the first byte
// chooses between the "DeviceList" document alone and a whole INI file read
// through the settings class, as the viewer and the report program read it.
#include "core/CompanionProjectReader.h"
#include "core/DeviceListCodec.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

void check(const QList<DeviceSettings> &devices)
{
    for (const DeviceSettings &d : devices) {
        if (d.ch1Unit < 0 || d.ch1Unit > 4 || d.ch2Unit < 0 || d.ch2Unit > 4)
            abort();
        if (d.deviceInterface != DeviceSettings::Usb && d.deviceInterface != DeviceSettings::Lan)
            abort();
    }
}

} // namespace

// The reader logs every device list it reads; at thousands of inputs a second
// that is only noise.
extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    QLoggingCategory::setFilterRules(QStringLiteral("moravin.*.debug=false"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), int(size - 1));
    if (data[0] % 2 == 0) {
        const DeviceListCodec::Result r =
            DeviceListCodec::decode(bytes, DeviceListCodec::Reader::Companion);
        if (!r.ok && !r.devices.isEmpty())
            abort();
        check(r.devices);
        // What the codec writes, a companion reads back unchanged.
        if (r.ok) {
            const DeviceListCodec::Result again = DeviceListCodec::decode(
                DeviceListCodec::encode(r.devices), DeviceListCodec::Reader::Companion);
            if (!again.ok || again.devices.size() != r.devices.size())
                abort();
        }
        return 0;
    }

    static QTemporaryDir dir;
    static const QString project = dir.filePath("p q.qpj");
    static bool database = [] {
        QFile db(dir.filePath("p.dat"));
        return db.open(QIODevice::WriteOnly);
    }();
    (void)database;
    QFile file(project);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(bytes);
    file.close();
    const QStringList args{"Trendora", "'" + project.section(' ', 0, 0),
                           project.section(' ', 1) + "'"};
    const CompanionProjectReader::Result r = CompanionProjectReader::read(args);
    if (r.projectFile != project)
        abort();
    if (r.ok != r.errorText.isEmpty())
        abort();
    check(r.devices);
    return 0;
}
