#pragma once

#include <QString>

struct MqttSettings;
struct NotifySettings;

// What must be right before notification settings are kept or tried: one
// sentence for the first problem, empty when there is none.
class NotifySettingsCheck
{
public:
    // The mail fields, whether mail is switched on or not ("Send test e-mail").
    static QString mailProblem(const NotifySettings &mail);
    static QString mqttProblem(const MqttSettings &mqtt);
    // The parts that are switched on.
    static QString problem(const NotifySettings &mail, const MqttSettings &mqtt);
};
