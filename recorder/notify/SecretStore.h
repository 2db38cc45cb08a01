#pragma once

#include <QString>

#include <optional>

// Where the SMTP and broker passwords are kept, never in the project file:
// the desktop keyring (Secret Service over D-Bus, through libsecret) when
// one answers with an unlocked default collection, otherwise a file in the
// recorder's configuration folder that only the user can read (0600).
// Calls may wait briefly on D-Bus; there is no prompt, since a locked
// keyring is not used.
class SecretStore
{
public:
    enum class Backend
    {
        Keyring,
        File
    };
    enum class Mode
    {
        Auto,    // the keyring when it answers, else the file
        FileOnly // never the keyring (tests, and users who ask for it)
    };

    explicit SecretStore(const QString &folder = defaultFolder(), Mode mode = Mode::Auto);

    // Decided at the first call, then kept for the life of the object.
    Backend backend();
    // One sentence for the dialog saying where passwords are kept.
    QString whereText();
    QString filePath() const;

    // service is "smtp" or "mqtt"; account names user and server.
    bool store(const QString &service, const QString &account, const QString &password,
               QString *error = nullptr);
    std::optional<QString> lookup(const QString &service, const QString &account,
                                  QString *error = nullptr);
    bool remove(const QString &service, const QString &account, QString *error = nullptr);

    // The recorder's configuration folder, beside its user settings.
    static QString defaultFolder();
    // Whether a Secret Service answers on the session bus with an unlocked
    // default collection. Never starts a bus of its own.
    static bool keyringAnswers();

private:
    bool fileStore(const QString &key, const std::optional<QString> &password, QString *error);
    std::optional<QString> fileLookup(const QString &key, QString *error) const;

    QString m_folder;
    Mode m_mode;
    std::optional<Backend> m_backend;
};
