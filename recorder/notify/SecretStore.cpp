#include "SecretStore.h"

#include "NotifyLogging.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

// GLib names a struct member "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <libsecret/secret.h>
#pragma pop_macro("signals")

#include <sys/stat.h>

namespace {
const char *const FileName = "passwords.json";

const SecretSchema *schema()
{
    static const SecretSchema s = {"lite.moravin.Password",
                                   SECRET_SCHEMA_NONE,
                                   {
                                       {"service", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                       {"account", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                       {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING},
                                   },
                                   0,
                                   nullptr,
                                   nullptr,
                                   nullptr,
                                   nullptr,
                                   nullptr,
                                   nullptr,
                                   nullptr};
    return &s;
}

QString takeError(GError *error)
{
    if (!error)
        return QString();
    const QString text = QString::fromUtf8(error->message);
    g_error_free(error);
    return text;
}

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}
} // namespace

SecretStore::SecretStore(const QString &folder, Mode mode) : m_folder(folder), m_mode(mode) {}

QString SecretStore::defaultFolder()
{
    // QSettings keeps the recorder's user settings in <config>/MoravinLite.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/MoravinLite");
}

QString SecretStore::filePath() const
{
    return m_folder + QLatin1Char('/') + QLatin1String(FileName);
}

bool SecretStore::keyringAnswers()
{
    // Without a bus GLib would try to launch one through X11; never do that.
    const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    const QString runtimeBus = qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/bus");
    if (address.isEmpty() && !QFileInfo::exists(runtimeBus))
        return false;
    GError *error = nullptr;
    SecretService *service = secret_service_get_sync(SECRET_SERVICE_NONE, nullptr, &error);
    if (!service) {
        qCInfo(lcNotify) << "SecretStore: no Secret Service:" << takeError(error);
        return false;
    }
    SecretCollection *collection = secret_collection_for_alias_sync(
        service, SECRET_COLLECTION_DEFAULT, SECRET_COLLECTION_NONE, nullptr, &error);
    const QString problem = takeError(error);
    const bool usable = collection && !secret_collection_get_locked(collection);
    if (collection)
        g_object_unref(collection);
    g_object_unref(service);
    if (!usable)
        qCInfo(lcNotify) << "SecretStore: the keyring has no unlocked default collection"
                         << problem;
    return usable;
}

SecretStore::Backend SecretStore::backend()
{
    if (!m_backend)
        m_backend = m_mode == Mode::Auto && keyringAnswers() ? Backend::Keyring : Backend::File;
    return *m_backend;
}

QString SecretStore::whereText()
{
    if (backend() == Backend::Keyring)
        return QStringLiteral("Passwords are kept in the desktop keyring.");
    return QStringLiteral("Passwords are kept in %1, readable only by you.")
        .arg(QDir::toNativeSeparators(filePath()));
}

bool SecretStore::store(const QString &service, const QString &account, const QString &password,
                        QString *error)
{
    if (backend() == Backend::File)
        return fileStore(service + QLatin1Char('/') + account, password, error);
    GError *gerror = nullptr;
    const QByteArray label =
        QStringLiteral("Moravin Lite %1 password for %2").arg(service.toUpper(), account).toUtf8();
    const gboolean ok = secret_password_store_sync(
        schema(), SECRET_COLLECTION_DEFAULT, label.constData(), password.toUtf8().constData(),
        nullptr, &gerror, "service", service.toUtf8().constData(), "account",
        account.toUtf8().constData(), nullptr);
    setError(error, takeError(gerror));
    return ok;
}

std::optional<QString> SecretStore::lookup(const QString &service, const QString &account,
                                           QString *error)
{
    if (backend() == Backend::File)
        return fileLookup(service + QLatin1Char('/') + account, error);
    GError *gerror = nullptr;
    gchar *secret = secret_password_lookup_sync(schema(), nullptr, &gerror, "service",
                                                service.toUtf8().constData(), "account",
                                                account.toUtf8().constData(), nullptr);
    setError(error, takeError(gerror));
    if (!secret)
        return std::nullopt;
    const QString password = QString::fromUtf8(secret);
    secret_password_free(secret);
    return password;
}

bool SecretStore::remove(const QString &service, const QString &account, QString *error)
{
    if (backend() == Backend::File)
        return fileStore(service + QLatin1Char('/') + account, std::nullopt, error);
    GError *gerror = nullptr;
    secret_password_clear_sync(schema(), nullptr, &gerror, "service", service.toUtf8().constData(),
                               "account", account.toUtf8().constData(), nullptr);
    const QString problem = takeError(gerror);
    setError(error, problem);
    return problem.isEmpty();
}

std::optional<QString> SecretStore::fileLookup(const QString &key, QString *error) const
{
    QFile file(filePath());
    if (!file.exists())
        return std::nullopt;
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, file.errorString());
        return std::nullopt;
    }
    const QJsonObject all = QJsonDocument::fromJson(file.readAll()).object();
    const auto it = all.constFind(key);
    if (it == all.constEnd())
        return std::nullopt;
    return it->toString();
}

bool SecretStore::fileStore(const QString &key, const std::optional<QString> &password,
                            QString *error)
{
    if (!QDir().mkpath(m_folder)) {
        setError(error, QStringLiteral("Cannot create the folder %1.").arg(m_folder));
        return false;
    }
    QJsonObject all;
    {
        QFile old(filePath());
        if (old.open(QIODevice::ReadOnly))
            all = QJsonDocument::fromJson(old.readAll()).object();
    }
    if (password)
        all.insert(key, *password);
    else
        all.remove(key);

    QSaveFile file(filePath());
    if (!file.open(QIODevice::WriteOnly)) {
        setError(error, file.errorString());
        return false;
    }
    // Before a single byte is written, whatever the umask or the old file's mode.
    if (fchmod(file.handle(), S_IRUSR | S_IWUSR) != 0) {
        file.cancelWriting();
        setError(error, QStringLiteral("Cannot restrict the permissions of %1.").arg(filePath()));
        return false;
    }
    file.write(QJsonDocument(all).toJson(QJsonDocument::Indented));
    if (!file.commit()) {
        setError(error, file.errorString());
        return false;
    }
    return true;
}
