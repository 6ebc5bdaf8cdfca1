#include "panels/tool_palette.h"

#include "panels/tool_palette_button.h"

#include <QAction>
#include <QDataStream>
#include <QDesktopServices>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QIcon>
#include <QMainWindow>
#include <QPixmap>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// The stream version of the saved state (Qt 4.0's).
constexpr int kStateStreamVersion = 7;

} // namespace

ToolPalette::ToolPalette(QMainWindow* mainWindow, QWidget* toggleReceiver, const QString& shortcut)
    : QDockWidget(tr("Tools"), mainWindow) {
    if (mainWindow)
        iconSize_ = mainWindow->iconSize();
    else
        iconSize_ = QSize(style()->pixelMetric(QStyle::PM_ToolBarIconSize),
                          style()->pixelMetric(QStyle::PM_ToolBarIconSize));

    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                QDockWidget::DockWidgetFloatable);
    setAllowedAreas(Qt::LeftDockWidgetArea);
    if (mainWindow)
        mainWindow->addDockWidget(Qt::LeftDockWidgetArea, this);
    else
        setFloating(true);

    toggleViewAction()->setText(tr("Tools"));
    if (toggleReceiver) {
        if (!shortcut.isEmpty()) toggleViewAction()->setShortcut(QKeySequence(shortcut));
        toggleReceiver->addAction(toggleViewAction());
    }

    auto* frame = new QFrame(this);
    content_ = new QVBoxLayout(frame);
    content_->setContentsMargins(0, 0, 0, 0);
    content_->setSpacing(0);
    grid_ = new QGridLayout;
    grid_->setContentsMargins(0, 0, 0, 0);
    content_->addLayout(grid_);
    content_->addStretch(1);
    setWidget(frame);
    layout()->setContentsMargins(0, 0, 0, 0);
    layout()->setSpacing(0);

    connect(this, &QDockWidget::topLevelChanged, this, &ToolPalette::slotTopLevelChanged);
    setObjectName(QStringLiteral("DockWidget: Tools"));
}

void ToolPalette::setHeaderLink(const QPixmap& normal, const QPixmap& active,
                                const QString& toolTip, const QString& link) {
    headerLink_ = link;
    auto* button = new ToolPaletteButton(widget());
    QIcon icon(normal);
    icon.addPixmap(active, QIcon::Active);
    button->setIcon(icon);
    button->setIconSize(normal.size());
    button->setMinimumSize(normal.size());
    button->setToolTip(toolTip);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    connect(button, &ToolPaletteButton::clicked, this, &ToolPalette::invokeHeaderLink);
    content_->insertWidget(0, button, 0, Qt::AlignCenter);
}

ToolPaletteButton* ToolPalette::newButton(int columns) {
    auto* button = new ToolPaletteButton(widget());
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setIconSize(QSize(columns * iconSize_.width(), iconSize_.height()));
    return button;
}

ToolPaletteButton* ToolPalette::addActionButton(QAction* action, int columns,
                                                Qt::Alignment alignment) {
    if (!action) return nullptr;
    ToolPaletteButton* button = newButton(columns);
    button->setDefaultAction(action);
    addWidget(button, 1, columns, alignment);
    return button;
}

ToolPaletteButton* ToolPalette::addActionGroupButton(const QList<QAction*>& actions) {
    if (actions.size() < 2 || !actions.at(0) || !actions.at(1)) return nullptr;
    ToolPaletteButton* button = newButton(1);
    for (QAction* action : actions)
        if (action) button->addAction(action);
    button->setDefaultAction(actions.at(0));
    // The button shows and triggers the tool last chosen from its menu.
    connect(button, &ToolPaletteButton::triggered, button, &ToolPaletteButton::setDefaultAction);
    addWidget(button, 1, 1, Qt::AlignCenter);
    return button;
}

ToolPaletteButton* ToolPalette::addActionWithWidget(QAction* action, QObject* companion) {
    if (!action || !companion) return nullptr;
    ToolPaletteButton* button = newButton(1);
    button->setDefaultAction(action);
    button->setCompanion(companion);
    addWidget(button, 1, 1, Qt::AlignCenter);
    return button;
}

void ToolPalette::addWidget(QWidget* widget, int rowSpan, int columnSpan, Qt::Alignment alignment) {
    if (!widget || columnSpan < 1) return;
    if (columns_ < column_ + columnSpan) {
        qWarning("Tool Palette: Misaligned widget add");
        column_ = 0;
        ++row_;
    }
    grid_->addWidget(widget, row_, column_, rowSpan, columnSpan, alignment);
    column_ += columnSpan;
    if (column_ > columns_ - 1) {
        row_ += rowSpan;
        column_ = 0;
    }
}

void ToolPalette::addSeparator() {
    auto* line = new QFrame(widget());
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    // Across the whole row: a line has no width of its own to centre.
    addWidget(line, 1, columns_, Qt::AlignVCenter);
}

void ToolPalette::invokeHeaderLink() {
    if (!headerLink_.isEmpty()) QDesktopServices::openUrl(QUrl(headerLink_));
}

void ToolPalette::slotTopLevelChanged(bool topLevel) {
    if (topLevel) {
        layout()->setSizeConstraint(QLayout::SetFixedSize);
    } else {
        layout()->setSizeConstraint(QLayout::SetNoConstraint);
        position_ = pos();
    }
}

bool ToolPalette::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::Show:
        forcedHidden_ = false;
        wantedVisible_ = true;
        break;
    case QEvent::Close:
        forcedHidden_ = false;
        wantedVisible_ = false;
        break;
    default:
        break;
    }
    return QDockWidget::event(event);
}

void ToolPalette::setForcedHidden(bool hidden) {
    forcedHidden_ = hidden;
    if (hidden) {
        if (isVisibleTo(parentWidget())) hide();
    } else if (wantedVisible_ && !isVisibleTo(parentWidget())) {
        show();
    }
}

QByteArray ToolPalette::saveState() {
    if (isFloating()) position_ = pos();
    QByteArray state;
    QDataStream stream(&state, QIODevice::WriteOnly);
    stream.setVersion(kStateStreamVersion);
    stream << qint32(position_.x()) << qint32(position_.y()) << wantedVisible_ << floating_;
    return state;
}

void ToolPalette::restoreState(const QByteArray& state) {
    QDataStream stream(state);
    stream.setVersion(kStateStreamVersion);
    qint32 x = 0;
    qint32 y = 0;
    bool wanted = false;
    bool floating = false;
    stream >> x >> y >> wanted >> floating;
    // A short or unreadable state would move the palette to a half-read
    // position and mark it unwanted.
    if (stream.status() != QDataStream::Ok) return;
    position_ = QPoint(x, y);
    wantedVisible_ = wanted;
    floating_ = floating;
    if (position_ != QPoint(-1, -1)) move(position_);
    if (wantedVisible_) show();
}
