// The keys that reach the main window: they go to the current tool, except
// that Escape (and Ctrl+'.') first asks the tool to escape, a held Space
// makes the hand tool current until it is let go, and Backspace deletes the
// active patch. Also the rule that picks a usable tool, and the brush the
// canvas paints behind the cut-out.
#include "shell/zt_main_window.h"

#include "model/gm_model.h"
#include "model/gm_region.h"
#include "shell/panel_framework/gm_sub_window.h"
#include "tools/gm_tool.h"
#include "tools/pan_tool.h"
#include "workspace/canvas_hooks.h"

#include <QKeyEvent>

namespace {

bool isEscape(const QKeyEvent* event) {
    return event->key() == Qt::Key_Escape ||
           (event->key() == Qt::Key_Period && event->modifiers() == Qt::ControlModifier);
}

} // namespace

void ZtMainWindow::passKeyToTool(QKeyEvent* event, bool press) {
    if (GmTool* tool = GmTool::currentTool()) {
        tool->keyEvent(event);
        return;
    }
    if (press)
        QMainWindow::keyPressEvent(event);
    else
        QMainWindow::keyReleaseEvent(event);
}

void ZtMainWindow::keyPressEvent(QKeyEvent* event) {
    // A held key repeats: the first press did what there is to do.
    if (event->isAutoRepeat()) return;

    if (isEscape(event)) {
        if (GmTool* tool = GmTool::currentTool()) tool->escape();
        passKeyToTool(event, true);
        return;
    }
    if (event->key() == Qt::Key_Space) {
        if (event->modifiers() != Qt::NoModifier) {
            // Shift+Space and the like are the tool's; no return from a pan.
            rememberedTool_.clear();
        } else {
            GmTool* current = GmTool::currentTool();
            GmTool* pan = panTool_.get();
            if (pan && current != pan && pan->isAvailable() && pan->isAllowedOnCurrentTab()) {
                rememberedTool_ = current;
                pan->installSlot();
            }
        }
        passKeyToTool(event, true);
        return;
    }
    if (event->key() == Qt::Key_Backspace) {
        GmModel* model = GmModel::instance();
        if (GmRegion* region = model->activeRegion()) model->deleteRegion(region);
    }
    passKeyToTool(event, true);
}

void ZtMainWindow::keyReleaseEvent(QKeyEvent* event) {
    if (event->isAutoRepeat()) return;
    // Back to the tool the hand stood in for (when it still exists: otherwise the hand stays).
    if (event->key() == Qt::Key_Space) stopPanningSlot();
    passKeyToTool(event, false);
}

void ZtMainWindow::escapeKeyPressedSlot(QKeyEvent* event) {
    if (event) keyPressEvent(event);
}

void ZtMainWindow::stopPanningSlot() {
    // Only while the hand is still current: a tool chosen meanwhile stays.
    GmTool* remembered = rememberedTool_.data();
    rememberedTool_.clear();
    if (remembered && panTool_ && GmTool::currentTool() == panTool_.get())
        remembered->installSlot();
}

void ZtMainWindow::forwardPanelEscapes() {
    // Escape in a panel of the column (docked, or floating in a full-screen
    // mode) acts as in the window. The panels that float from the start have
    // theirs forwarded where they are built.
    for (GmSubWindow* panel : qAsConst(panels_))
        if (!panel->floatsByDefault())
            connect(panel, &GmSubWindow::escapeKeyPressed, this,
                    &ZtMainWindow::escapeKeyPressedSlot, Qt::UniqueConnection);
}

void ZtMainWindow::ensureUsableTool() {
    GmTool::ensureUsableTool();
}

QBrush ZtMainWindow::backgroundBrush() const {
    // The background picker's front swatch while there is one, else white.
    return ::backgroundBrush();
}
