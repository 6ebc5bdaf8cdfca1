#include "tools/tool_options.h"

#include "panels/tip_window.h"
#include "tools/gm_action.h"
#include "tools/gm_tool.h"

#include <QHBoxLayout>
#include <QStackedWidget>

ToolOptions::ToolOptions(QWidget* parent) : QWidget(parent), stack_(new QStackedWidget(this)) {
    setObjectName(QStringLiteral("ToolOptions"));
    stack_->setObjectName(QStringLiteral("ToolOptionsStackedWidget"));
    auto* layout = new QHBoxLayout(this);
    layout->setObjectName(QStringLiteral("ToolOptionsLayout"));
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(stack_);
    setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Minimum);
}

void ToolOptions::showTool(GmTool* tool) {
    if (QWidget* options = tool->optionsWidget()) {
        options->setObjectName(QStringLiteral("ToolOptionsWidget"));
        if (stack_->indexOf(options) < 0) stack_->addWidget(options);
        stack_->setCurrentWidget(options);
    }
    TipWindow::showActionTip(tool->action());
}
