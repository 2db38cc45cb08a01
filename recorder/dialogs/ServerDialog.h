#pragma once

#include <QDialog>
#include <QUuid>

namespace Ui {
class ServerDialog;
}

// The project's [Server] group: where the recorder forwards its readings and
// where the viewer and the report read them, with a "Test connection" that
// runs off the GUI thread. Saves into the project file; the dialog deletes
// itself when it closes.
class ServerDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ServerDialog(const QString &projectPath, QWidget *parent = nullptr);
    ~ServerDialog() override;

    void reject() override;
    bool isTesting() const { return m_testing; }

signals:
    // The settings were written; the recorder restarts its forwarder.
    void saved();

public slots:
    void slotTestConnection();
    void slotSave();
    void slotNewStoreId();

private:
    void showResult(bool ok, const QString &text);

    Ui::ServerDialog *ui;
    QString m_projectPath;
    QUuid m_storeId;
    bool m_testing = false;
};
