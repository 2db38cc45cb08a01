#pragma once

#include "core/DeviceSettings.h"

class ConfiguredDevice;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;

// The fields both sensing options dialogs show: device number, the three
// names, the two unit boxes and the four limit boxes.
class SensingFields
{
public:
    static constexpr int CustomUnit = 4;
    static constexpr int CustomUnitLength = 11;

    struct Widgets
    {
        QLabel *deviceNumber = nullptr;
        QLineEdit *deviceName = nullptr;
        QLineEdit *ch1Name = nullptr;
        QLineEdit *ch2Name = nullptr;
        QComboBox *ch1Unit = nullptr;
        QComboBox *ch2Unit = nullptr;
        QDoubleSpinBox *ch1Min = nullptr;
        QDoubleSpinBox *ch1Max = nullptr;
        QDoubleSpinBox *ch2Min = nullptr;
        QDoubleSpinBox *ch2Max = nullptr;
    };

    SensingFields() = default;
    explicit SensingFields(const Widgets &widgets) : m_w(widgets) {}
    // The shared fields of a form built by Qt Designer; both dialogs' forms
    // name them alike.
    template <typename Form> static Widgets widgetsOf(const Form *ui)
    {
        return {ui->label_deviceNumber,   ui->lineEdit_deviceName,  ui->lineEdit_ch1Name,
                ui->lineEdit_ch2Name,     ui->comboBox_ch1Unit,     ui->comboBox_ch2Unit,
                ui->doubleSpinBox_ch1Min, ui->doubleSpinBox_ch1Max, ui->doubleSpinBox_ch2Min,
                ui->doubleSpinBox_ch2Max};
    }

    // Fills the form from the device; the limit boxes can be changed only
    // while the device is connected.
    void load(const ConfiguredDevice &device);
    // The form's names, units, custom unit texts and limits. A limit box left
    // as it was opened stands for the active limit itself, not for its
    // two-decimal rounding.
    DeviceSettings read(const ConfiguredDevice &device) const;
    void setNamesEnabled(bool on);
    void setLimitsEnabled(bool on);
    QComboBox *ch1Unit() const { return m_w.ch1Unit; }
    QComboBox *ch2Unit() const { return m_w.ch2Unit; }

    // The box is editable exactly when "Custom" is chosen, for at most
    // CustomUnitLength characters.
    static void applyCustomUnitPolicy(QComboBox *box);

    // The first missing name's message, or an empty text.
    static QString validationMessage(const DeviceSettings &form);
    // Names, units and custom unit texts; address and port go with the names.
    static void storeNamesAndUnits(const DeviceSettings &form, ConfiguredDevice *device,
                                   const QString &interfaceAddress, quint16 tcpPort);
    // Whether the limits or the buzzer word differ from the device's active ones.
    static bool differsFromActive(const DeviceSettings &form, const ConfiguredDevice &device);

private:
    static void fillUnitBox(QComboBox *box, int unit, const QString &custom);
    static float limitOf(const QDoubleSpinBox *box, double shownAtOpen, float active);

    Widgets m_w;
    double m_shown[4] = {0, 0, 0, 0};
};
