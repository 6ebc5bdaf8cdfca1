#include "tools/tool_options.h"

#include "panels/tip_window.h"
#include "tools/gm_action.h"
#include "tools/gm_tool.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStackedWidget>

ToolOptions::ToolOptions(QWidget* parent)
    : QWidget(parent), iconLabel_(new QLabel(this)), stack_(new QStackedWidget(this)) {
    setObjectName(QStringLiteral("ToolOptions"));
    stack_->setObjectName(QStringLiteral("ToolOptionsStackedWidget"));
    auto* layout = new QHBoxLayout(this);
    layout->setObjectName(QStringLiteral("ToolOptionsLayout"));
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(iconLabel_);
    layout->addSpacing(8);
    layout->addWidget(stack_);
    setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Minimum);
}

void ToolOptions::showTool(GmTool* tool) {
    QWidget* options = tool->optionsWidget();
    if (options) options->setObjectName(QStringLiteral("ToolOptionsWidget"));

    // A null icon gives an empty pixmap, which clears the label.
    const QIcon icon = tool->action() ? tool->action()->icon() : QIcon();
    iconLabel_->setPixmap(icon.pixmap(iconSize(), QIcon::Normal, QIcon::Off));
    iconLabel_->setToolTip(tr("Current Tool: %1").arg(tool->translatedName()));

    if (options) {
        if (stack_->indexOf(options) < 0) stack_->addWidget(options);
        stack_->setCurrentWidget(options);
    }
    setWindowTitle(tool->translatedName());
    TipWindow::showActionTip(tool->action());
}
