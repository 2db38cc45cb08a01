#include "ServerDialog.h"

#include "ui_ServerDialog.h"

#include "DialogChrome.h"
#include "store/ServerConnection.h"
#include "store/ServerProbe.h"
#include "store/ServerSettings.h"

#include <QThread>

#include <memory>

ServerDialog::ServerDialog(const QString &projectPath, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), ui(new Ui::ServerDialog),
      m_projectPath(projectPath)
{
    ui->setupUi(this);
    DialogChrome::apply(this, ui->topFrame);
    const ServerSettings settings = ServerSettings::read(projectPath);
    ui->lineEdit_connection->setText(settings.connection);
    ui->lineEdit_readConnection->setText(settings.readConnection);
    m_storeId = settings.storeId;
    ui->label_storeId->setText(m_storeId.isNull() ? QStringLiteral("made when saved")
                                                  : m_storeId.toString(QUuid::WithoutBraces));
    connect(ui->pushButton_test, &QPushButton::clicked, this, &ServerDialog::slotTestConnection);
    connect(ui->pushButton_save, &QPushButton::clicked, this, &ServerDialog::slotSave);
    connect(ui->pushButton_cancel, &QPushButton::clicked, this, &ServerDialog::reject);
    connect(ui->pushButton_close, &QPushButton::clicked, this, &ServerDialog::reject);
    connect(ui->pushButton_newStoreId, &QPushButton::clicked, this, &ServerDialog::slotNewStoreId);
}

ServerDialog::~ServerDialog()
{
    delete ui;
}

void ServerDialog::showResult(bool ok, const QString &text)
{
    ui->label_result->setStyleSheet(ok ? QStringLiteral("color: rgb(120, 220, 120);")
                                       : QStringLiteral("color: rgb(255, 120, 110);"));
    ui->label_result->setText(text);
}

void ServerDialog::slotTestConnection()
{
    const QString setting = ui->lineEdit_connection->text();
    if (ServerConnection::containsPassword(setting)) {
        showResult(false, ServerSettings::passwordRefusal());
        return;
    }
    m_testing = true;
    ui->pushButton_test->setEnabled(false);
    ui->label_result->setStyleSheet(QString());
    ui->label_result->setText(QStringLiteral("Connecting..."));
    // The probe waits on the network: on a thread of its own, which outlives
    // the dialog if the dialog is closed first.
    auto result = std::make_shared<ServerProbe::Result>();
    QThread *probe = QThread::create([setting, result] { *result = ServerProbe::run(setting); });
    connect(probe, &QThread::finished, probe, &QObject::deleteLater);
    connect(probe, &QThread::finished, this, [this, result] {
        m_testing = false;
        ui->pushButton_test->setEnabled(true);
        showResult(result->ok, result->text);
    });
    probe->start();
}

void ServerDialog::slotNewStoreId()
{
    m_storeId = QUuid::createUuid();
    ui->label_storeId->setText(m_storeId.toString(QUuid::WithoutBraces));
    showResult(true, QStringLiteral("The project gets a new store on the server when saved; the "
                                    "old store's readings stay there."));
}

void ServerDialog::slotSave()
{
    ServerSettings settings;
    settings.connection = ui->lineEdit_connection->text().trimmed();
    settings.readConnection = ui->lineEdit_readConnection->text().trimmed();
    if (m_storeId.isNull() && settings.namesServer())
        m_storeId = QUuid::createUuid();
    settings.storeId = m_storeId;
    QString message;
    if (!ServerSettings::write(m_projectPath, settings, &message)) {
        showResult(false, message);
        return;
    }
    emit saved();
    QDialog::accept();
    deleteLater();
}

void ServerDialog::reject()
{
    QDialog::reject();
    deleteLater();
}
