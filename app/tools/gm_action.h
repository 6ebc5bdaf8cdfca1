// The program's actions: a QAction whose tool tip ends with its shortcut in
// brackets (setShortcutAndToolTip). The tools' actions and the main window's
// are of this type.
#ifndef APP_TOOLS_GM_ACTION_H
#define APP_TOOLS_GM_ACTION_H

#include <QAction>

class GmAction : public QAction {
    Q_OBJECT
public:
    using QAction::QAction;
};

#endif
