// The "Tip" panel: it explains the control under the mouse, the tool just
// selected and the menu entry that stays highlighted, by showing their
// what's-this texts (a bold title with the shortcut after it, the
// explanation, often a "Learn More" link to a help page).
//
// There is at most one; while it exists it filters the application's events:
// a what's-this request is answered here (and consumed), a tool-tip request
// is answered here once per object and passed on, so the ordinary tool tip
// still shows. The static operations do nothing without the panel.
#ifndef APP_PANELS_TIP_WINDOW_H
#define APP_PANELS_TIP_WINDOW_H

#include "shell/panel_framework/gm_sub_window.h"

#include <QPointer>

class Browser;
class QAction;
class QKeySequence;

class TipWindow : public GmSubWindow {
    Q_OBJECT
public:
    // Named "Tip", titled "Tip"; its toggle action goes into `actionHolder`
    // with `shortcut` (portable text, may be empty).
    TipWindow(QWidget* actionHolder, const QString& shortcut, QWidget* parent);
    ~TipWindow() override;

    // The panel, or null while none exists.
    static TipWindow* instance();

    // Shows `html` with bulleted lists turned into lines that start with a
    // bullet, and a space after every italic part.
    static void showTip(const QString& html);
    // Shows the action's what's-this text with its shortcut after the title;
    // nothing for a null action or an empty text.
    static void showActionTip(QAction* action);
    // The shortcut in brackets in front of the first "</p>"; false, and
    // `html` unchanged, for an empty sequence or a text without "</p>".
    static bool insertShortcut(QString& html, const QKeySequence& sequence);

    bool floatsByDefault() const override { return false; }
    // The spacer below the text shows only while the panel floats.
    void setFloating(bool floating, bool quiet) override;
    bool eventFilter(QObject* object, QEvent* event) override;

    Browser* browser() const { return browser_; }
    QWidget* spacer() const { return spacer_; }

private:
    // The what's-this text of `widget` or of its nearest parent with one
    // (up to its window), with that widget's shortcut.
    void showWidgetTip(QWidget* widget);

    Browser* browser_;
    QWidget* spacer_;
    QPointer<QObject> lastObject_;
    // The widget that got the last tool-tip request, and where: Qt hands a
    // request the widget leaves unanswered on to its parents, and those must
    // not replace the widget's own tip with theirs.
    QPointer<QWidget> toolTipWidget_;
    QPoint toolTipGlobalPos_;
};

#endif
