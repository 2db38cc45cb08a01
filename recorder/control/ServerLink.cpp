#include "ServerLink.h"

#include "ControlLogging.h"
#include "RecordingSession.h"
#include "core/ProjectFile.h"
#include "device/ConfiguredDevice.h"
#include "store/ServerSettings.h"

ServerLink::ServerLink(RecordingSession *session, QObject *parent)
    : QObject(parent), m_session(session)
{
    connect(session, &RecordingSession::closed, this, &ServerLink::stop);
}

ServerLink::~ServerLink() = default;

QVector<ServerDevice> ServerLink::devices() const
{
    QVector<ServerDevice> list;
    const QList<ConfiguredDevice *> &configured = m_session->devices();
    for (int i = 0; i < configured.size(); ++i) {
        if (configured.at(i))
            list.append(ServerDevice::fromSettings(configured.at(i)->settings(), i));
    }
    return list;
}

void ServerLink::open(const QString &projectFile, const QString &databasePath)
{
    stop();
    m_projectFile = projectFile;
    m_databasePath = databasePath;
    const ServerSettings server = ServerSettings::read(projectFile);
    if (!server.namesServer()) {
        emit statusChanged(QString(), false);
        return;
    }
    ForwarderSettings settings;
    settings.connection = server.connection.trimmed();
    settings.storeId =
        server.storeId.isNull() ? ServerSettings::ensureStoreId(projectFile) : server.storeId;
    settings.projectName = ProjectFile(projectFile).projectName();
    settings.projectPath = projectFile;
    settings.spoolPath = databasePath;
    settings.devices = devices();
    if (settings.storeId.isNull()) {
        const QString text =
            QStringLiteral("The project file cannot be written: the project gets no store on "
                           "the server, and nothing is forwarded.");
        qCWarning(lcControl) << "ServerLink :" << text;
        emit problem(text);
        emit statusChanged(QStringLiteral("Server: not forwarding"), true);
        return;
    }
    qCInfo(lcControl) << "ServerLink : forwarding" << databasePath << "as" << settings.storeId;
    m_forwarder = new Forwarder(settings, this);
    connect(m_forwarder, &Forwarder::stateChanged, this, &ServerLink::forwarderState);
    connect(m_forwarder, &Forwarder::statusTextChanged, this, [this](const QString &text) {
        const Forwarder::State state = m_forwarder->state();
        emit statusChanged(text, state == Forwarder::State::Unreachable ||
                                     state == Forwarder::State::Refused);
    });
    connect(m_forwarder, &Forwarder::problem, this, &ServerLink::problem);
    connect(m_forwarder, &Forwarder::serverEvent, m_session, &RecordingSession::appendEvent);
    m_forwarder->start();
    emit statusChanged(statusText(), false);
}

void ServerLink::restart()
{
    if (!m_projectFile.isEmpty() && m_session->isOpen())
        open(m_projectFile, m_databasePath);
}

void ServerLink::updateDevices()
{
    if (m_forwarder)
        m_forwarder->setDevices(devices());
}

void ServerLink::stop()
{
    if (!m_forwarder)
        return;
    Forwarder *stopping = m_forwarder;
    m_forwarder = nullptr;
    disconnect(stopping, nullptr, this, nullptr);
    disconnect(stopping, nullptr, m_session, nullptr);
    connect(stopping, &Forwarder::finished, stopping, &QObject::deleteLater);
    stopping->stop();
    emit statusChanged(QString(), false);
}

QString ServerLink::statusText() const
{
    return m_forwarder ? m_forwarder->statusText() : QString();
}

void ServerLink::forwarderState(Forwarder::State state, const QString &detail)
{
    qCInfo(lcControl) << "ServerLink : server" << state << detail;
}
