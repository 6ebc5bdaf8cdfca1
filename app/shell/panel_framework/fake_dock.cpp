#include "shell/panel_framework/fake_dock.h"

#include "shell/panel_framework/gm_sub_window.h"

#include <QSplitter>
#include <QVBoxLayout>

#include <algorithm>

FakeDock::FakeDock(QSplitter* splitter) : QWidget(splitter), splitter_(splitter) {
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->addStretch(1);
    if (splitter_) splitter_->addWidget(this);
    hide();
}

void FakeDock::addSubWindow(GmSubWindow* panel) {
    if (!panel) return;
    if (layout_->indexOf(panel) < 0) {
        layout_->insertWidget(layout_->count() - 1, panel, panel->isResizable() ? 10000 : 0);
        connect(panel, &GmSubWindow::visibilityChanged, this, &FakeDock::childVisibilityChanged,
                Qt::QueuedConnection);
    }
    if (layout_->count() > 1 && isHidden() && panel->isVisibleTo(this)) show();
}

void FakeDock::removeSubWindow(GmSubWindow* panel) {
    if (!panel || layout_->indexOf(panel) < 0) return;
    layout_->removeWidget(panel);
    disconnect(panel, &GmSubWindow::visibilityChanged, this, &FakeDock::childVisibilityChanged);
    if (layout_->count() == 1 && !isHidden()) hide();
}

QList<GmSubWindow*> FakeDock::subWindows() const {
    QList<GmSubWindow*> panels;
    for (int i = 0; i < layout_->count(); ++i) {
        if (auto* panel = qobject_cast<GmSubWindow*>(layout_->itemAt(i)->widget())) panels << panel;
    }
    return panels;
}

void FakeDock::childVisibilityChanged() {
    bool anyVisible = false;
    int grow = 0;
    for (GmSubWindow* panel : findChildren<GmSubWindow*>()) {
        if (!panel->isVisibleTo(this)) continue;
        anyVisible = true;
        grow = std::max(grow, panel->minimumSizeHint().width() - width());
    }
    if (!anyVisible) {
        if (!isHidden()) hide();
        return;
    }
    if (isHidden()) show();
    if (grow <= 0 || !splitter_) return;
    // Room for the panels comes out of the first pane (the image view).
    QList<int> sizes = splitter_->sizes();
    const int dockIndex = splitter_->indexOf(this);
    if (sizes.size() < 2 || dockIndex <= 0) return;
    sizes[0] -= grow;
    sizes[dockIndex] += grow;
    splitter_->setSizes(sizes);
}
