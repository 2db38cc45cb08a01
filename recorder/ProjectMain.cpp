#include "ProjectMain.h"

#include "widgets/MessageDialog.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace {

const QString kFilter = QStringLiteral("*.qpj");

QPushButton *projectButton(const QString &text, const QString &name, QWidget *parent)
{
    auto *button =
        new QPushButton(QIcon(QStringLiteral(":/img/KelvantisSymbol.png")), text, parent);
    button->setObjectName(name);
    button->setFont(QFont(QStringLiteral("Segoe UI"), 10));
    button->setIconSize(QSize(28, 28));
    button->setMinimumSize(220, 48);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

QString documentsFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

} // namespace

ProjectMain::ProjectMain(const QStringList *recentProjectList, const QVariantHash *recentProjects,
                         QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ProjectMain"));
    setWindowTitle(QStringLiteral("ProjectMain"));
    setWindowIcon(QIcon(QStringLiteral(":/img/I_2.png")));
    QFont font(QStringLiteral("Segoe UI"));
    font.setWeight(QFont::Bold);
    setFont(font);
    setStyleSheet(QStringLiteral(
        "#ProjectMain { background: transparent; } QLabel { color: rgb(192,192,192); "
        "background: transparent; }"
        "QPushButton { color: rgb(230,230,230); text-align: left; padding-left: 14px; "
        "background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 rgb(96,96,96), "
        "stop:1 rgb(66,66,66)); border: 1px solid rgb(110,110,110); border-radius: 4px; }"
        "QPushButton:hover { background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, "
        "stop:0 rgb(116,116,116), stop:1 rgb(80,80,80)); }"
        "QPushButton:pressed { background-color: rgb(56,56,56); }"));

    auto *label = new QLabel(QStringLiteral("Project"), this);
    label->setObjectName(QStringLiteral("label"));
    QFont titleFont(QStringLiteral("Segoe UI"), 16);
    titleFont.setWeight(QFont::Bold);
    label->setFont(titleFont);

    auto *line = new QFrame(this);
    line->setObjectName(QStringLiteral("line"));
    line->setFrameShape(QFrame::HLine);
    line->setStyleSheet(QStringLiteral("color: rgb(110,110,110);"));

    auto *openButton =
        projectButton(QStringLiteral("Open Project"), QStringLiteral("btn_open"), this);
    auto *createButton =
        projectButton(QStringLiteral("Create Project"), QStringLiteral("btn_create"), this);

    auto *recentLabel = new QLabel(QStringLiteral("Recent Projects"), this);
    recentLabel->setObjectName(QStringLiteral("label_2"));

    m_listWidget = new QListWidget(this);
    m_listWidget->setObjectName(QStringLiteral("listWidget"));
    m_listWidget->setFrameShape(QFrame::NoFrame);
    m_listWidget->setStyleSheet(
        QStringLiteral("QListWidget { color: rgb(198,198,198); background: transparent; }"
                       "QListWidget::item { padding: 4px; }"
                       "QListWidget::item:hover { background-color: rgba(255,255,255,20); }"
                       "QListWidget::item:selected { background-color: rgba(255,255,255,40); }"));

    auto *buttons = new QVBoxLayout;
    buttons->setSpacing(12);
    buttons->addWidget(createButton);
    buttons->addWidget(openButton);
    buttons->addStretch();

    auto *recent = new QVBoxLayout;
    recent->addWidget(recentLabel);
    recent->addWidget(m_listWidget, 1);

    auto *body = new QHBoxLayout;
    body->setSpacing(40);
    body->addLayout(buttons);
    body->addLayout(recent, 1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 30, 40, 30);
    layout->addWidget(label);
    layout->addWidget(line);
    layout->addSpacing(10);
    layout->addLayout(body, 1);

    if (recentProjectList && recentProjects) {
        for (const QString &name : *recentProjectList) {
            const QString path = recentProjects->value(name).toString();
            auto *item = new QListWidgetItem(recentItemText(name, path), m_listWidget);
            item->setToolTip(path);
            m_itemPaths.insert(item, path);
        }
    }

    connect(createButton, &QPushButton::clicked, this, &ProjectMain::slotCreateProject);
    connect(openButton, &QPushButton::clicked, this, &ProjectMain::slotOpenProject);
    connect(m_listWidget, &QListWidget::itemActivated, this, &ProjectMain::slotRecentProject);
}

QString ProjectMain::recentItemText(const QString &name, const QString &path)
{
    const QFileInfo info(path);
    QString dir = info.path();
    if (dir.size() > 70)
        dir = dir.left(70) + QStringLiteral("...");
    return name + QStringLiteral("\t[") + dir + QLatin1Char('/') + info.completeBaseName() +
           QStringLiteral(".qpj]");
}

void ProjectMain::showError(const QString &text)
{
    MessageDialog::showTransient(QStringLiteral("ERROR"), text, this);
}

bool ProjectMain::checkNameLength(const QString &fileName)
{
    const QString name = QFileInfo(fileName).fileName();
    if (name.size() <= MaxFileNameLength)
        return true;
    showError(QLatin1Char('"') + name +
              QStringLiteral("\" is too long.\nPlease retry.\nMax Length is 20 charactors."));
    return false;
}

void ProjectMain::slotCreateProject()
{
    const QString fileName = QFileDialog::getSaveFileName(this, QStringLiteral("Create Project"),
                                                          documentsFolder(), kFilter);
    if (!fileName.isEmpty())
        createProjectAt(fileName);
}

bool ProjectMain::createProjectAt(QString fileName)
{
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".qpj");
    if (!checkNameLength(fileName))
        return false;
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        showError(QStringLiteral("Unable to open the project file."));
        return false;
    }
    file.close();
    emit projectCreated(fileName);
    return true;
}

void ProjectMain::slotOpenProject()
{
    const QString fileName = QFileDialog::getOpenFileName(this, QStringLiteral("Open Project"),
                                                          documentsFolder(), kFilter);
    if (!fileName.isEmpty())
        openProjectAt(fileName);
}

bool ProjectMain::openProjectAt(const QString &fileName)
{
    if (!checkNameLength(fileName))
        return false;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        showError(QStringLiteral("Unable to open the project file."));
        return false;
    }
    file.close();
    emit projectLoaded(fileName);
    return true;
}

void ProjectMain::slotRecentProject(QListWidgetItem *item)
{
    if (m_itemPaths.contains(item))
        emit projectLoaded(m_itemPaths.value(item).toString());
}
