#include "ManualDeviceInput.h"

#include <QRegularExpression>

ManualDeviceInput::ManualDeviceInput(const QString &name, const QString &macText,
                                     const QString &ipText, int port)
    : m_name(name), m_mac(QString(macText).remove(QLatin1Char(':')).toUpper()), m_ip(ipText),
      m_port(port)
{
}

ManualDeviceInput::Problem ManualDeviceInput::problem() const
{
    const QString information = QStringLiteral("INFORMATION");
    if (m_name.isEmpty())
        return {information, QStringLiteral("Enter the Device Name.")};
    if (m_mac.isEmpty())
        return {information, QStringLiteral("Enter the Mac Address.")};
    if (m_ip.isEmpty())
        return {information, QStringLiteral("Enter the IP Address.")};
    if (m_port == 0)
        return {information, QStringLiteral("Enter the port number.")};
    if (m_port < 0 || m_port > MaxPort)
        return {information, QStringLiteral("The port number must be between 1 and 65535.")};
    static const QRegularExpression pattern(QRegularExpression::anchoredPattern(
        QStringLiteral("(\\d{1,3}.\\d{1,3}.\\d{1,3}.\\d{1,3})")));
    if (!pattern.match(m_ip).hasMatch())
        return {QStringLiteral("ERROR"), QStringLiteral("IP Address is not valid.")};
    return {};
}
