// The empty tool: nothing happens on the canvas, on any view tab. The main
// window makes it first of all tools and installs it whenever the image
// changes; like every tool it can be current only while an image is loaded.
#ifndef APP_TOOLS_NO_TOOL_H
#define APP_TOOLS_NO_TOOL_H

#include "tools/gm_tool.h"

class NoTool : public GmTool {
    Q_OBJECT
public:
    // "No Tool", without icon, shortcut or what's-this; its options are an
    // empty label.
    explicit NoTool(QActionGroup* actionGroup = nullptr, QWidget* actionWidget = nullptr,
                    QWidget* actionHolder = nullptr, QWidget* optionsParent = nullptr);

    int allowedViewTabs() const override;
    void activate(GmTool* previous) override;
    void deactivate(GmTool* next) override;
};

#endif
