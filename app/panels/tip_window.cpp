#include "panels/tip_window.h"

#include "panels/browser.h"
#include "shell/services/whats_this_text.h"

#include <QAction>
#include <QApplication>
#include <QHelpEvent>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWhatsThis>

namespace {

TipWindow* theTipWindow = nullptr;

// A list as lines that begin with a bullet: the list tags go, every item but
// the first starts a new line, and an item's opening tag becomes the bullet.
// The closing item tags stay; the browser ignores them.
QString tipHtml(QString html) {
    html.remove(QLatin1String("<ul>"), Qt::CaseInsensitive);
    html.remove(QLatin1String("</ul>"), Qt::CaseInsensitive);
    html.replace(QLatin1String("</li><li>"), QLatin1String("<br/><li>"), Qt::CaseInsensitive);
    html.replace(QLatin1String("<li>"), QLatin1String("&bull; "), Qt::CaseInsensitive);
    html.replace(QLatin1String("</i>"), QLatin1String("</i> "), Qt::CaseInsensitive);
    return html;
}

// The shortcut a widget's tip shows: a panel's toggle shortcut, a tool
// button's action's, otherwise the widget's first action's.
QKeySequence widgetShortcut(QWidget* widget) {
    QAction* action = nullptr;
    if (auto* panel = qobject_cast<GmSubWindow*>(widget))
        action = panel->toggleViewAction();
    else if (auto* button = qobject_cast<QToolButton*>(widget))
        action = button->defaultAction();
    else if (!widget->actions().isEmpty())
        action = widget->actions().first();
    return action ? action->shortcut() : QKeySequence();
}

} // namespace

TipWindow::TipWindow(QWidget* actionHolder, const QString& shortcut, QWidget* parent)
    : GmSubWindow(QStringLiteral("Tip"), tr("Tip"), actionHolder, shortcut, parent) {
    theTipWindow = this;
    qApp->installEventFilter(this);

    auto* content = new QWidget;
    auto* box = new QVBoxLayout(content);
    box->setContentsMargins(0, 0, 0, 0);
    browser_ = new Browser(content);
    box->addWidget(browser_);
    spacer_ = new QWidget(content);
    spacer_->setMinimumHeight(10);
    box->addWidget(spacer_);
    setWidget(content);

    setResizable();
    setMinimumHeight(120);
}

TipWindow::~TipWindow() {
    if (theTipWindow == this) theTipWindow = nullptr;
}

TipWindow* TipWindow::instance() {
    return theTipWindow;
}

void TipWindow::showTip(const QString& html) {
    if (!theTipWindow) return;
    theTipWindow->lastObject_ = nullptr;
    theTipWindow->browser_->setHtml(tipHtml(html));
}

void TipWindow::showActionTip(QAction* action) {
    if (!theTipWindow) return;
    theTipWindow->lastObject_ = action;
    if (!action || action->whatsThis().isEmpty()) return;
    QString html = action->whatsThis();
    insertShortcut(html, action->shortcut());
    showTip(html);
}

bool TipWindow::insertShortcut(QString& html, const QKeySequence& sequence) {
    return ::insertShortcut(html, sequence);
}

void TipWindow::setFloating(bool floating, bool quiet) {
    GmSubWindow::setFloating(floating, quiet);
    spacer_->setVisible(floating);
}

void TipWindow::showWidgetTip(QWidget* widget) {
    lastObject_ = widget;
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        if (!w->whatsThis().isEmpty()) {
            QString html = w->whatsThis();
            insertShortcut(html, widgetShortcut(w));
            showTip(html);
            return;
        }
        if (w->isWindow()) return;
    }
}

bool TipWindow::eventFilter(QObject* object, QEvent* event) {
    const bool whatsThis = event->type() == QEvent::WhatsThis;
    const bool toolTip = event->type() == QEvent::ToolTip && object != lastObject_;
    if (!whatsThis && !toolTip) return false;

    auto* help = static_cast<QHelpEvent*>(event);
    if (toolTip) {
        auto* widget = qobject_cast<QWidget*>(object);
        if (widget && toolTipWidget_ && widget != toolTipWidget_ &&
            widget->isAncestorOf(toolTipWidget_) && help->globalPos() == toolTipGlobalPos_)
            return false; // the same request, passed on to a parent
        toolTipWidget_ = widget;
        toolTipGlobalPos_ = help->globalPos();
    }

    auto* tabBar = qobject_cast<QTabBar*>(object);
    if (tabBar) {
        // Each tab explains itself; the bar as a whole has nothing to say.
        const QPoint position = help->pos();
        for (int i = 0; i < tabBar->count(); ++i) {
            if (tabBar->tabRect(i).contains(position)) {
                showTip(tabBar->tabWhatsThis(i));
                break;
            }
        }
    } else if (auto* widget = qobject_cast<QWidget*>(object)) {
        showWidgetTip(widget);
    } else if (auto* action = qobject_cast<QAction*>(object)) {
        showActionTip(action);
    }

    if (QWhatsThis::inWhatsThisMode()) QWhatsThis::leaveWhatsThisMode();
    // Null for a tab bar, so that moving to the next tab is looked at again.
    lastObject_ = tabBar ? nullptr : object;
    return whatsThis;
}
