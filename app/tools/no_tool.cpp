#include "tools/no_tool.h"

#include <QLabel>

NoTool::NoTool(QActionGroup* actionGroup, QWidget* actionWidget, QWidget* actionHolder,
               QWidget* optionsParent)
    : GmTool(QStringLiteral("No Tool"), tr("No Tool"), QIcon(), QString(), QString(), actionGroup,
             actionWidget, actionHolder, optionsParent) {
    registerEmptyTool(this);
    setOptionsWidget(new QLabel(QString()));
}

int NoTool::allowedViewTabs() const {
    return 127;
}

void NoTool::activate(GmTool*) {}

void NoTool::deactivate(GmTool*) {}
