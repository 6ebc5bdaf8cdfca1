// The forced-edge tool: draws an open polyline where the image has too
// little contrast for the engine to find the object's edge. The first click
// makes a ForcedEdge (the model lists it at once) with the feather width
// shown in the tool's option row at that moment; the double click lays it
// into the engine and makes it the active forced edge. An outline of one
// point is dropped. The feather width is one option shared by every forced
// edge; the arrow tool shows its own copy of the row.
#ifndef APP_TOOLS_FORCED_EDGE_TOOL_H
#define APP_TOOLS_FORCED_EDGE_TOOL_H

#include "tools/polygon_tool.h"

#include <QPointer>

class ForcedEdge;
class ParameterStack;

class ForcedEdgeTool : public PolygonTool {
    Q_OBJECT
public:
    ForcedEdgeTool(QActionGroup* actionGroup = nullptr, QWidget* actionWidget = nullptr,
                   QWidget* actionHolder = nullptr, QWidget* optionsParent = nullptr);

    // One copy of the feather-width option: a widget holding a parameter
    // stack with the "Feather Width" row (2 to 16 px, default 3), kept under
    // "ToolOptions/ForcedEdgeTool/FeatherWidth".
    struct WidthOptions {
        QWidget* widget;
        ParameterStack* stack;
    };
    static WidthOptions forcedEdgeWidthOptions();
    // The row's label, "Feather Width: " (translated).
    static QString featherLabel();

    // The value of this tool's "Feather Width" row; 3 without the row.
    int featherWidth() const;
    ParameterStack* widthStack() const;
    // The edge being drawn, or null.
    ForcedEdge* edge() const;

    void startTarget(const QPointF& point) override;
    zt::Polygon* currentTarget() const override;
    // Duplicates dropped: one point left cancels; otherwise the edge goes
    // into the engine and becomes the active forced edge.
    void finishTarget() override;
    // The model deletes the edge.
    void cancelTarget() override;

private:
    QPointer<ForcedEdge> edge_;
    QPointer<ParameterStack> widthStack_;
};

#endif
