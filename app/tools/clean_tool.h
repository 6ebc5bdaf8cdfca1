// The clean tool: a click on a mask fills the small holes inside every area
// of that mask's class. The tool only reads the class under the click and
// starts the model's clean-all; the strength (1 to 20, the largest hole
// filled) serves the "Clean All" and "Clean Last Selection" actions too.
//
// The strength lives in the tool's "Strength" row once that exists, and is
// stored here before (initially 3).
#ifndef APP_TOOLS_CLEAN_TOOL_H
#define APP_TOOLS_CLEAN_TOOL_H

#include "tools/gm_tool.h"

class CleanTool : public GmTool {
    Q_OBJECT
public:
    explicit CleanTool(QActionGroup* actionGroup = nullptr, QWidget* actionWidget = nullptr,
                       QWidget* actionHolder = nullptr, QWidget* optionsParent = nullptr);
    ~CleanTool() override;

    QCursor cursor() const override;
    // Left button inside the image: clean the class under the point (the
    // status pixel under it, the last row or column for a point on the
    // image's right or bottom edge).
    void mousePress(QMouseEvent* event, const QPointF& point) override;
    void activate(GmTool* previous) override;
    void deactivate(GmTool* next) override;

    // The "Strength" row's value, or the stored strength without the row.
    static int strength();
    // Sets the row (which holds it to 1..20), or stores the value held to 1..20.
    static void setStrength(int strength);
};

#endif
