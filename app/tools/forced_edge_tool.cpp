#include "tools/forced_edge_tool.h"

#include "model/forced_edge.h"
#include "model/gm_model.h"
#include "model/zt_polygon.h"
#include "panels/parameter_stack.h"
#include "shell/services/whats_this_text.h"
#include "tools/tool_icons.h"

#include <QHBoxLayout>
#include <QLayout>
#include <QSpinBox>

namespace {

const char* const kFeatherWidth = "Feather Width";
constexpr int kNarrowest = 2;
constexpr int kWidest = 16;
constexpr int kDefaultWidth = 3;

} // namespace

ForcedEdgeTool::ForcedEdgeTool(QActionGroup* actionGroup, QWidget* actionWidget,
                               QWidget* actionHolder, QWidget* optionsParent)
    : PolygonTool(
          QStringLiteral("Forced Edge Tool"), tr("Forced Edge Tool"), forcedEdgeToolIcon(),
          QStringLiteral("G"),
          tr("<p>Use the Forced Edge Tool to add edges to an image.</p><p>Where the object and "
             "its background are too alike for an edge to be found, click along the object's "
             "edge to draw a line, and double-click to finish it. The line then acts as an edge: "
             "a local brush does not flood across it, and the cut-out is blended across it over "
             "the <b>Feather Width</b>. The feather width applies to all forced edges.</p><p>Let "
             "the line touch other edges, so that the flooding of a local brush is "
             "contained.</p>") +
              learnMoreParagraph(QStringLiteral("4-Zeltran_Tools/Force_Edge_Tool.htm")),
          actionGroup, actionWidget, actionHolder, optionsParent) {
    const WidthOptions options = forcedEdgeWidthOptions();
    widthStack_ = options.stack;
    setOptionsWidget(options.widget);
}

ForcedEdgeTool::WidthOptions ForcedEdgeTool::forcedEdgeWidthOptions() {
    auto* widget = new QWidget;
    auto* layout = new QHBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* stack = new ParameterStack(
        ParameterStack::Horizontal,
        ParameterStack::SliderBetween | ParameterStack::SunkenSeparators, widget);
    stack->setSettingsGroup(QStringLiteral("ToolOptions/ForcedEdgeTool"));
    stack->addParameter(QString::fromLatin1(kFeatherWidth), featherLabel(), kNarrowest, kWidest,
                        kDefaultWidth, tr("px"), nullptr, nullptr, true);
    stack->setParameterToolTips(QString::fromLatin1(kFeatherWidth),
                                tr("Width of feather blending across the forced edge"), QString());
    stack->layout()->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(stack);
    layout->addWidget(new QWidget(widget), 1);
    return {widget, stack};
}

QString ForcedEdgeTool::featherLabel() {
    return tr("Feather Width") + QStringLiteral(": ");
}

ParameterStack* ForcedEdgeTool::widthStack() const {
    return widthStack_;
}

ForcedEdge* ForcedEdgeTool::edge() const {
    return edge_;
}

int ForcedEdgeTool::featherWidth() const {
    QSpinBox* row =
        widthStack_ ? widthStack_->spinBox(QString::fromLatin1(kFeatherWidth)) : nullptr;
    return row ? row->value() : kDefaultWidth;
}

void ForcedEdgeTool::startTarget(const QPointF& point) {
    edge_ = new ForcedEdge(point, featherWidth());
    connect(edge_, &QObject::destroyed, this, &PolygonTool::abort);
}

zt::Polygon* ForcedEdgeTool::currentTarget() const {
    return edge_ ? edge_->polygon() : nullptr;
}

void ForcedEdgeTool::finishTarget() {
    if (!edge_) return;
    edge_->polygon()->dropTrailingDuplicates();
    if (edge_->polygon()->points().size() <= 1) {
        cancelTarget();
        return;
    }
    ForcedEdge* edge = edge_;
    disconnect(edge, &QObject::destroyed, this, &PolygonTool::abort);
    edge_ = nullptr;
    edge->submitToEngine();
    edge->activate();
}

void ForcedEdgeTool::cancelTarget() {
    ForcedEdge* edge = edge_;
    edge_ = nullptr;
    if (!edge) return;
    GmModel* model = GmModel::instance();
    if (model->containsRegion(edge))
        model->deleteForcedEdge(edge);
    else
        delete edge;
}
