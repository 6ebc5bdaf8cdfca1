#include "stand_in_brush.h"

#include "engine_bridge/command_support.h"
#include "engine_bridge/vk_cmd_select.h"
#include "model/arrow_target.h"
#include "model/brushing.h"
#include "model/gm_brushing.h"
#include "model/gm_model.h"
#include "model/zt_app_prefs.h"

#include <QIcon>
#include <QMouseEvent>

StandInBrush::StandInBrush(int size)
    : GmTool(QStringLiteral("Keep Exact Brush"), QStringLiteral("Keep Exact Brush"), QIcon(),
             QString(), QString(), nullptr, nullptr, nullptr, nullptr) {
    Brushing::setBrushSizeHook([size] { return size; });
    onStroke = [](GmBrushing* stroke) {
        command_support::submit(
            new VkCmdSelect(GmModel::instance(), stroke, 15, VkStatusKeep, VkScopeExact, 0));
    };
}

StandInBrush::~StandInBrush() {
    delete stroke_;
    Brushing::setBrushSizeHook(nullptr);
}

QColor StandInBrush::cursorColour() const {
    return ZtAppPrefs::currentColor(ZtAppPrefs::KeepMaskColor);
}

QColor StandInBrush::strokeColour() const {
    return ZtAppPrefs::currentColor(ZtAppPrefs::KeepMaskColor);
}

int StandInBrush::targetDrawMode(const ArrowTarget* target) const {
    return target && target->isActive() ? 4 : 3;
}

void StandInBrush::mousePress(QMouseEvent* event, const QPointF& point) {
    presses << point;
    if (event->button() != Qt::LeftButton) return;
    delete stroke_;
    stroke_ = new GmBrushing(strokeColour());
    stroke_->brushing()->startAt(point);
}

void StandInBrush::mouseMove(QMouseEvent* event, const QPointF& point) {
    moves << point;
    if (stroke_ && (event->buttons() & Qt::LeftButton)) stroke_->brushing()->lineTo(point);
}

void StandInBrush::mouseRelease(QMouseEvent* event, const QPointF& point) {
    releases << point;
    if (!stroke_ || event->button() != Qt::LeftButton) return;
    stroke_->brushing()->lineTo(point);
    GmBrushing* const finished = stroke_;
    stroke_ = nullptr;
    onStroke(finished);
}

void StandInBrush::deactivate(GmTool*) {
    delete stroke_;
    stroke_ = nullptr;
}
