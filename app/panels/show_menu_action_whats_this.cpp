#include "panels/show_menu_action_whats_this.h"

#include "panels/tip_window.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>

ShowMenuActionWhatsThis* ShowMenuActionWhatsThis::instance() {
    static QPointer<ShowMenuActionWhatsThis> watcher;
    if (!watcher) watcher = new ShowMenuActionWhatsThis;
    return watcher;
}

ShowMenuActionWhatsThis::ShowMenuActionWhatsThis() : QTimer(QCoreApplication::instance()) {
    setSingleShot(false);
    connect(this, &QTimer::timeout, this, &ShowMenuActionWhatsThis::timeoutSlot);
}

void ShowMenuActionWhatsThis::watchMenu(QMenu* menu) {
    connect(menu, &QMenu::aboutToShow, this, &ShowMenuActionWhatsThis::menuShown,
            Qt::UniqueConnection);
    connect(menu, &QMenu::aboutToHide, this, &ShowMenuActionWhatsThis::menuHidden,
            Qt::UniqueConnection);
}

void ShowMenuActionWhatsThis::menuShown() {
    if (auto* menu = qobject_cast<QMenu*>(sender()))
        connect(menu, &QMenu::hovered, this, &ShowMenuActionWhatsThis::menuHovered,
                Qt::UniqueConnection);
}

void ShowMenuActionWhatsThis::menuHidden() {
    if (auto* menu = qobject_cast<QMenu*>(sender()))
        disconnect(menu, &QMenu::hovered, this, &ShowMenuActionWhatsThis::menuHovered);
    stop();
}

void ShowMenuActionWhatsThis::menuHovered(QAction* action) {
    if (action != action_) {
        menu_ = qobject_cast<QMenu*>(sender());
        action_ = action;
    }
    start(kDelayMs);
}

void ShowMenuActionWhatsThis::timeoutSlot() {
    if (menu_ && action_) TipWindow::showActionTip(action_);
    stop();
    menu_ = nullptr;
    action_ = nullptr;
}
