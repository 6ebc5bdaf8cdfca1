#include "model/forced_edge.h"

#include "engine_bridge/command_support.h"
#include "engine_bridge/vk_cmd_select.h"
#include "model/gm_model.h"
#include "model/variant_values.h"

#include <QVariantMap>

namespace {

bool& movedFlag() {
    static bool moved = false;
    return moved;
}

} // namespace

ForcedEdge::ForcedEdge(const QPointF& first, int featherWidth)
    : poly_(QPolygonF(QVector<QPointF>{first}), zt::Polygon::Open), width_(featherWidth) {
    GmModel::instance()->appendForcedEdge(this);
}

ForcedEdge::ForcedEdge(const QVariant& map)
    : poly_(map.toMap().value(QStringLiteral("poly_"))),
      width_(intFromVariant(map.toMap().value(QStringLiteral("width_"))).value_or(3)) {}

ForcedEdge::~ForcedEdge() = default;

std::vector<float> ForcedEdge::workspacePoints() const {
    const double factor = GmModel::instance()->resolutionFactor();
    std::vector<float> points;
    points.reserve(2 * std::size_t(poly_.points().size()));
    for (const QPointF& p : poly_.points()) {
        points.push_back(float(p.x() / factor));
        points.push_back(float(p.y() / factor));
    }
    return points;
}

void ForcedEdge::activate() {
    GmModel::instance()->setActiveForcedEdge(this);
}

void ForcedEdge::deactivate() {
    GmModel* model = GmModel::instance();
    if (model->activeForcedEdge() == this) model->setActiveForcedEdge(nullptr);
}

void ForcedEdge::shapeChanged() {
    setForcedEdgesMoved(true);
}

bool ForcedEdge::isActive() const {
    return GmModel::instance()->activeForcedEdge() == this;
}

void ForcedEdge::submitToEngine() {
    command_support::submit(new VkCmdSelect(GmModel::instance(), this));
}

QVariant ForcedEdge::toVariant() const {
    QVariantMap m;
    m.insert(QStringLiteral("type"), int(ForcedEdgeType));
    m.insert(QStringLiteral("poly_"), poly_.toVariant());
    m.insert(QStringLiteral("width_"), width_);
    return m;
}

void ForcedEdge::releaseEngineState() {
    poly_.pixelState()->clear();
}

bool ForcedEdge::forcedEdgesMoved() {
    return movedFlag();
}

void ForcedEdge::setForcedEdgesMoved(bool moved) {
    movedFlag() = moved;
}
