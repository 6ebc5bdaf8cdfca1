// Shows the what's-this text of a menu entry that stays highlighted for
// 700 ms in the tip panel. One instance watches every menu it is given: it
// listens to a menu's highlighted entries only while the menu is open.
#ifndef APP_PANELS_SHOW_MENU_ACTION_WHATS_THIS_H
#define APP_PANELS_SHOW_MENU_ACTION_WHATS_THIS_H

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QTimer>

class ShowMenuActionWhatsThis : public QTimer {
    Q_OBJECT
public:
    // How long an entry must stay highlighted.
    static constexpr int kDelayMs = 700;

    // The one instance, made on first use and destroyed with the application.
    static ShowMenuActionWhatsThis* instance();

    // Follows `menu` from now on.
    void watchMenu(QMenu* menu);

    QMenu* menu() const { return menu_; }
    QAction* action() const { return action_; }

public slots:
    void menuHovered(QAction* action);
    void menuShown();
    void menuHidden();
    void timeoutSlot();

private:
    ShowMenuActionWhatsThis();

    QPointer<QMenu> menu_;
    QPointer<QAction> action_;
};

#endif
