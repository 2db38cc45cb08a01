#include "MenuPopup.h"

#include <QMenu>

QMenu *MenuPopup::create(const QString &title, QWidget *parent)
{
    auto *menu = new QMenu(title, parent);
    menu->setStyleSheet(QStringLiteral("background-color: rgb(203, 203, 203);"));
    QFont font = menu->font();
    font.setWeight(QFont::Bold);
    menu->setFont(font);
    return menu;
}

void MenuPopup::popUnder(QMenu *menu, const QWidget *button)
{
    menu->popup(button->mapToGlobal(QPoint(Indent, button->height())));
}
