#include "SensingFields.h"

#include "ConfiguredDevice.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>

namespace {
const char *const StandardUnits[] = {"Undefined", "Temperature(C)", "Temperature(F)", "Humidity"};

int unitOf(const QComboBox *box)
{
    return box->currentData().toInt();
}

QString customOf(const QComboBox *box)
{
    return unitOf(box) == SensingFields::CustomUnit ? box->currentText() : QString();
}
} // namespace

void SensingFields::load(const ConfiguredDevice &device)
{
    const DeviceSettings &s = device.settings();
    m_w.deviceNumber->setText(s.deviceNumber);
    m_w.deviceName->setText(s.deviceName);
    m_w.ch1Name->setText(s.ch1Name);
    m_w.ch2Name->setText(s.ch2Name);
    fillUnitBox(m_w.ch1Unit, s.ch1Unit, s.ch1Custom);
    fillUnitBox(m_w.ch2Unit, s.ch2Unit, s.ch2Custom);
    QDoubleSpinBox *boxes[] = {m_w.ch1Min, m_w.ch1Max, m_w.ch2Min, m_w.ch2Max};
    const float limits[] = {s.ch1Min, s.ch1Max, s.ch2Min, s.ch2Max};
    for (int i = 0; i < 4; ++i) {
        boxes[i]->setValue(double(limits[i]));
        m_shown[i] = boxes[i]->value();
    }
    setLimitsEnabled(device.connected);
}

void SensingFields::fillUnitBox(QComboBox *box, int unit, const QString &custom)
{
    box->clear();
    for (int code = 0; code < SensingFields::CustomUnit; ++code)
        box->addItem(QLatin1String(StandardUnits[code]), code);
    box->addItem(custom.isEmpty() ? QStringLiteral("Custom") : custom, SensingFields::CustomUnit);
    box->setCurrentIndex(qMax(0, box->findData(unit)));
    applyCustomUnitPolicy(box);
}

void SensingFields::applyCustomUnitPolicy(QComboBox *box)
{
    const bool custom = unitOf(box) == SensingFields::CustomUnit;
    if (box->isEditable() == custom)
        return;
    box->setEditable(custom);
    if (!custom)
        return;
    // Typing must neither complete to a standard unit nor add items.
    box->setCompleter(nullptr);
    box->setInsertPolicy(QComboBox::InsertAtCurrent);
    box->lineEdit()->setMaxLength(CustomUnitLength);
}

float SensingFields::limitOf(const QDoubleSpinBox *box, double shownAtOpen, float active)
{
    return box->value() == shownAtOpen ? active : float(box->value());
}

DeviceSettings SensingFields::read(const ConfiguredDevice &device) const
{
    DeviceSettings s;
    s.deviceName = m_w.deviceName->text();
    s.ch1Name = m_w.ch1Name->text();
    s.ch2Name = m_w.ch2Name->text();
    s.ch1Unit = unitOf(m_w.ch1Unit);
    s.ch2Unit = unitOf(m_w.ch2Unit);
    s.ch1Custom = customOf(m_w.ch1Unit);
    s.ch2Custom = customOf(m_w.ch2Unit);
    s.ch1Min = limitOf(m_w.ch1Min, m_shown[0], device.settings().ch1Min);
    s.ch1Max = limitOf(m_w.ch1Max, m_shown[1], device.settings().ch1Max);
    s.ch2Min = limitOf(m_w.ch2Min, m_shown[2], device.settings().ch2Min);
    s.ch2Max = limitOf(m_w.ch2Max, m_shown[3], device.settings().ch2Max);
    return s;
}

void SensingFields::setNamesEnabled(bool on)
{
    for (QWidget *w : {static_cast<QWidget *>(m_w.deviceName), static_cast<QWidget *>(m_w.ch1Name),
                       static_cast<QWidget *>(m_w.ch2Name), static_cast<QWidget *>(m_w.ch1Unit),
                       static_cast<QWidget *>(m_w.ch2Unit)})
        w->setEnabled(on);
}

void SensingFields::setLimitsEnabled(bool on)
{
    for (QDoubleSpinBox *box : {m_w.ch1Min, m_w.ch1Max, m_w.ch2Min, m_w.ch2Max})
        box->setEnabled(on);
}

QString SensingFields::validationMessage(const DeviceSettings &form)
{
    if (form.deviceName.isEmpty())
        return QStringLiteral("Enter the Device Name.");
    if (form.ch1Name.isEmpty())
        return QStringLiteral("Enter the Channel-1 Name.");
    if (form.ch2Name.isEmpty())
        return QStringLiteral("Enter the Channel-2 Name.");
    return QString();
}

void SensingFields::storeNamesAndUnits(const DeviceSettings &form, ConfiguredDevice *device,
                                       const QString &interfaceAddress, quint16 tcpPort)
{
    device->setDeviceInfo(form.deviceName, form.ch1Name, form.ch2Name, interfaceAddress, tcpPort);
    device->setUnits(form.ch1Unit, form.ch2Unit);
    device->setCustomUnits(form.ch1Custom, form.ch2Custom);
}

bool SensingFields::differsFromActive(const DeviceSettings &form, const ConfiguredDevice &device)
{
    return form.ch1Min != device.settings().ch1Min || form.ch1Max != device.settings().ch1Max ||
           form.ch2Min != device.settings().ch2Min || form.ch2Max != device.settings().ch2Max ||
           form.buzzerAlarm != device.settings().buzzerAlarm;
}
