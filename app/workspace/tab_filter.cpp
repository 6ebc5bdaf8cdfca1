#include "workspace/tab_filter.h"

#include <QEvent>
#include <QKeyEvent>

TabFilter::TabFilter(QObject* parent) : QObject(parent) {
    if (parent && parent->metaObject()->indexOfSlot("tabPressed(bool)") >= 0)
        connect(this, SIGNAL(tabPressed(bool)), parent, SLOT(tabPressed(bool)));
}

TabFilter* TabFilter::install(QObject* watched, QObject* mainWindow) {
    auto* filter = new TabFilter(mainWindow ? mainWindow : watched);
    watched->installEventFilter(filter);
    return filter;
}

bool TabFilter::eventFilter(QObject*, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Tab:
        emit tabPressed(false);
        return true;
    case Qt::Key_Backtab:
        emit tabPressed(true);
        return true;
    default:
        return false;
    }
}
