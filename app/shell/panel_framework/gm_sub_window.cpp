#include "shell/panel_framework/gm_sub_window.h"

#include "model/gm_model.h"
#include "shell/panel_framework/fake_dock.h"
#include "shell/panel_framework/gm_sub_window_layout.h"
#include "shell/panel_framework/title_button.h"
#include "shell/panel_framework/title_widget.h"

#include <QAction>
#include <QApplication>
#include <QChildEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QPointer>
#include <QSizeGrip>

// The panel's state apart from the widget itself.
class GmSubWindowPrivate {
public:
    explicit GmSubWindowPrivate(GmSubWindow* owner, QWidget* homeParent)
        : owner(owner), homeParent(homeParent) {}

    GmSubWindow* owner;
    QWidget* homeParent;                 // a floating panel is a tool window of it
    QPointer<FakeDock> dock;             // null for a panel that never docks
    GmSubWindowLayout* layout = nullptr; // the panel's own layout
    TitleWidget* titleBar = nullptr;
    QWidget* content = nullptr;
    bool suppressed = false; // the main window's hide-all mode
    bool wantedVisible = false;
    QSizeGrip* sizeGrip = nullptr; // only while a resizable panel floats
    bool resizable = false;
    bool widthLocked = false;
    QAction* toggleAction = nullptr;
    QPoint defaultPosition = QPoint(0, 0);
    QSize defaultSize = QSize(-1, -1);
    QByteArray savedGeometry;
};

GmSubWindow::GmSubWindow(const QString& name, const QString& title, QWidget* actionHolder,
                         const QString& shortcut, QWidget* parent)
    : QWidget(parent, Qt::Tool), d_(std::make_unique<GmSubWindowPrivate>(this, parent)) {
    qRegisterMetaType<ViewTabs::ViewTab>("ViewTabs::ViewTab");

    d_->layout = new GmSubWindowLayout(this);
    d_->layout->setContentsMargins(0, 0, 0, 0);
    d_->titleBar = new TitleWidget(QStringLiteral("Title"), this);
    d_->layout->addWidget(d_->titleBar);
    d_->toggleAction = new QAction(this);
    d_->toggleAction->setCheckable(true);
    connect(d_->toggleAction, &QAction::triggered, this, &GmSubWindow::toggleViewSlot);
    connect(d_->titleBar->closeButton(), &QAbstractButton::clicked, this,
            &GmSubWindow::closeViewSlot);

    setObjectName(QStringLiteral("DockWidget: ") + name);
    setWindowTitle(title); // also the toggle action's text and the title bar's label

    if (actionHolder) {
        if (!shortcut.isEmpty()) d_->toggleAction->setShortcut(QKeySequence(shortcut));
        actionHolder->addAction(d_->toggleAction);
    }
    if (!shortcut.isEmpty()) {
        const QString toolTip = title + QStringLiteral(" (") + shortcut + QStringLiteral(")");
        setToolTip(toolTip);
        d_->toggleAction->setToolTip(toolTip);
    }
}

// A panel that is deleted leaves its dock's layout by itself (the layout drops
// a removed child's item) and its connections go with it.
GmSubWindow::~GmSubWindow() = default;

int GmSubWindow::enabledViewTabs() const {
    return ViewTabs::AllViewTabs;
}

bool GmSubWindow::restoresVisibility() const {
    return true;
}

QWidget* GmSubWindow::widget() const {
    return d_->content;
}

void GmSubWindow::setWidget(QWidget* content) {
    if (d_->content) d_->layout->removeWidget(d_->content);
    d_->content = content;
    if (content) {
        d_->layout->addWidget(content, 1);
        if (QLayout* contentLayout = content->layout()) {
            contentLayout->setContentsMargins(0, 0, 0, 0);
            contentLayout->setSpacing(5);
        }
    }
    d_->layout->setContentsMargins(2, 2, 2, 2);
    d_->layout->setSpacing(5);
}

void GmSubWindow::setResizable() {
    if (d_->resizable) return;
    d_->resizable = true;
    d_->layout->setSizeConstraint(QLayout::SetDefaultConstraint);
}

bool GmSubWindow::isResizable() const {
    return d_->resizable;
}

void GmSubWindow::setWidthLocked(bool locked) {
    d_->widthLocked = locked;
}

bool GmSubWindow::isWidthLocked() const {
    return d_->widthLocked;
}

FakeDock* GmSubWindow::dock() const {
    return d_->dock;
}

void GmSubWindow::setDock(FakeDock* dock) {
    d_->dock = dock;
}

QAction* GmSubWindow::toggleViewAction() const {
    return d_->toggleAction;
}

TitleWidget* GmSubWindow::titleWidget() const {
    return d_->titleBar;
}

GmSubWindowLayout* GmSubWindow::panelLayout() const {
    return d_->layout;
}

QSizeGrip* GmSubWindow::sizeGrip() const {
    return d_->sizeGrip;
}

bool GmSubWindow::isWantedVisible() const {
    return d_->wantedVisible;
}

void GmSubWindow::setWantedVisible(bool wanted) {
    d_->wantedVisible = wanted;
}

bool GmSubWindow::isSuppressed() const {
    return d_->suppressed;
}

void GmSubWindow::setSuppressed(bool suppressed) {
    d_->suppressed = suppressed;
}

QPoint GmSubWindow::defaultPosition() const {
    return d_->defaultPosition;
}

void GmSubWindow::setDefaultPosition(const QPoint& position) {
    d_->defaultPosition = position;
}

QSize GmSubWindow::defaultSize() const {
    return d_->defaultSize;
}

void GmSubWindow::setDefaultSize(const QSize& size) {
    d_->defaultSize = size;
}

QByteArray GmSubWindow::savedGeometry() const {
    return d_->savedGeometry;
}

QByteArray GmSubWindow::saveState() {
    if (isWindow()) d_->savedGeometry = saveGeometry();
    QByteArray state(1, d_->wantedVisible ? char(1) : char(0));
    state.append(d_->savedGeometry);
    return state;
}

void GmSubWindow::restoreState(const QByteArray& state) {
    if (state.isEmpty()) return;
    d_->wantedVisible = false;
    d_->savedGeometry = state.mid(1);
    applyStoredGeometry();
    d_->wantedVisible = state.at(0) != 0 && restoresVisibility();
}

QString GmSubWindow::settingsKey() const {
    return QStringLiteral("UI/SubWindows/") + objectName();
}

void GmSubWindow::updateVisibility() {
    const bool shouldShow = d_->wantedVisible && !d_->suppressed && d_->toggleAction->isEnabled();
    if (shouldShow == isVisibleTo(parentWidget())) return;
    if (shouldShow) {
        d_->titleBar->setVisible(!isWindow());
        emit visibilityChanged();
        show();
    } else {
        if (isWindow()) d_->savedGeometry = saveGeometry();
        hide();
    }
}

void GmSubWindow::setFloating(bool floating, bool quiet) {
    if (!floating) {
        if (d_->dock) {
            if (!quiet) d_->savedGeometry = saveGeometry();
            if (!d_->resizable) {
                setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
                d_->layout->setSizeConstraint(QLayout::SetDefaultConstraint);
            }
            delete d_->sizeGrip;
            d_->sizeGrip = nullptr;
            setWindowFlags(Qt::WindowFlags());
            // Changing the flags hid a floating panel. Hidden explicitly, the
            // dock's layout leaves it hidden instead of showing it on its own
            // later: only the visibility rule shows a panel.
            if (isHidden()) hide();
            d_->titleBar->show();
            d_->dock->addSubWindow(this);
        }
        if (!quiet) updateVisibility();
        return;
    }

    if (quiet || !isWindow()) {
        if (d_->dock) d_->dock->removeSubWindow(this);
        setParent(d_->homeParent, Qt::Tool);
        hide();
        d_->titleBar->hide();
        if (!d_->resizable) {
            d_->layout->setSizeConstraint(QLayout::SetFixedSize);
        } else if (!d_->sizeGrip) {
            d_->sizeGrip = new QSizeGrip(this);
            d_->sizeGrip->resize(d_->sizeGrip->sizeHint());
            d_->sizeGrip->show();
            placeSizeGrip();
        }
        if (!quiet) applyStoredGeometry();
    }
    updateVisibility();
}

void GmSubWindow::applyStoredGeometry() {
    if (!d_->savedGeometry.isEmpty()) {
        restoreGeometry(d_->savedGeometry);
    } else {
        if (d_->defaultSize.isValid()) resize(d_->defaultSize);
        move(d_->defaultPosition);
    }
    if (d_->widthLocked) d_->layout->setMinimumWidth(width());
    if (d_->wantedVisible) show();
}

void GmSubWindow::placeSizeGrip() {
    if (!d_->sizeGrip) return;
    const QSize grip = d_->sizeGrip->size();
    const int x = QApplication::isRightToLeft() ? 0 : width() - grip.width();
    d_->sizeGrip->move(x, height() - grip.height());
    d_->sizeGrip->raise();
}

void GmSubWindow::userShow() {
    d_->wantedVisible = true;
    updateVisibility();
    if (isVisibleTo(parentWidget())) return;
    // Shown in spite of the rule (hide-all mode, or a tab it does not serve):
    // a docked panel's column must hear of it too, or it stays hidden.
    emit visibilityChanged();
    show();
}

void GmSubWindow::viewTabChangedSlot(ViewTabs::ViewTab tab) {
    d_->toggleAction->setEnabled((tab & enabledViewTabs()) != 0);
    updateVisibility();
}

void GmSubWindow::toggleViewSlot(bool b) {
    d_->wantedVisible = b;
    if (b) d_->suppressed = false;
    updateVisibility();
}

void GmSubWindow::closeViewSlot() {
    d_->wantedVisible = false;
    updateVisibility();
}

bool GmSubWindow::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::Show:
        closed_ = false;
        emit visibilityChanged();
        d_->toggleAction->setChecked(true);
        break;
    case QEvent::Hide:
        emit visibilityChanged();
        d_->toggleAction->setChecked(false);
        break;
    case QEvent::Close:
        closed_ = true;
        d_->wantedVisible = false;
        emit visibilityChanged();
        d_->toggleAction->setChecked(false);
        break;
    case QEvent::ChildRemoved:
        if (static_cast<QChildEvent*>(event)->child() == d_->content) d_->content = nullptr;
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void GmSubWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        emit escapeKeyPressed(event);
        break;
    case Qt::Key_Backspace:
        GmModel::instance()->deleteActiveRegionSlot();
        break;
    default:
        // Every other key travels on to the parent.
        event->ignore();
        break;
    }
}

void GmSubWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeSizeGrip();
}

void GmSubWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowTitleChange) {
        d_->toggleAction->setText(windowTitle());
        d_->titleBar->setTitle(windowTitle());
    }
    QWidget::changeEvent(event);
}
