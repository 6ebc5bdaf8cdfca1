#include "tools/pan_tool.h"

#include "model/gm_model.h"
#include "panels/empty_options_widget.h"
#include "shell/services/whats_this_text.h"
#include "tools/remembered_tool.h"
#include "tools/view_tool_icons.h"
#include "workspace/hand_cursors.h"

#include <QGuiApplication>
#include <QMouseEvent>

namespace {

std::unique_ptr<QCursor> orStandard(std::unique_ptr<QCursor> cursor, Qt::CursorShape shape) {
    return cursor ? std::move(cursor) : std::make_unique<QCursor>(shape);
}

QString handToolName() {
    return QCoreApplication::translate("PanTool", "Hand Tool", "[zt3] As in Pan Tool");
}

} // namespace

PanTool::PanTool(QActionGroup* actionGroup, QWidget* actionWidget, QWidget* actionHolder,
                 QWidget* optionsParent)
    : GmTool(QStringLiteral("Hand Tool"), handToolName(), handToolIcon(), QStringLiteral("H"),
             tr("<p>Use to drag and pan an image.</p><p>Press and hold the &lsquo;space "
                "bar&rsquo; on the keyboard at any time when working on the image to temporarily "
                "switch to the <b>%1</b>; letting go of the space bar returns you to the tool you "
                "were using. Click and drag to pan image.</p>")
                     .arg(handToolName()) +
                 learnMoreParagraph(QStringLiteral("4-Zeltran_Tools/About_Zeltran_Tools.htm")),
             actionGroup, actionWidget, actionHolder, optionsParent),
      openHand_(orStandard(createOpenHandCursor(), Qt::OpenHandCursor)),
      grabbingHand_(orStandard(createGrabbingHandCursor(), Qt::ClosedHandCursor)),
      current_(openHand_.get()) {
    setOptionsWidget(emptyOptionsWidget());
}

PanTool::~PanTool() {
    // The empty page is shared; the tool base would delete it.
    setOptionsWidget(nullptr);
}

QCursor PanTool::cursor() const {
    return *current_;
}

void PanTool::setCurrentCursor(const QCursor* cursor) {
    current_ = cursor;
    emit GmModel::instance()->cursorChanged(current_);
}

void PanTool::mousePress(QMouseEvent* event, const QPointF&) {
    if (event->button() != Qt::LeftButton) return;
    last_ = event->globalPos();
    setCurrentCursor(grabbingHand_.get());
}

void PanTool::mouseDoubleClick(QMouseEvent* event, const QPointF& point) {
    mousePress(event, point);
}

void PanTool::mouseMove(QMouseEvent* event, const QPointF&) {
    if (!(event->buttons() & Qt::LeftButton)) return;
    emit tellPan(last_ - event->globalPos());
    last_ = event->globalPos();
}

void PanTool::mouseRelease(QMouseEvent* event, const QPointF&) {
    if (event->button() != Qt::LeftButton) return;
    emit tellPan(last_ - event->globalPos());
    last_ = event->globalPos();
    setCurrentCursor(openHand_.get());
}

int PanTool::allowedViewTabs() const {
    return ViewTabs::Source | ViewTabs::Workspace | ViewTabs::Cutout;
}

bool PanTool::clearsPreviewOnPress() const {
    return false;
}

int PanTool::targetDrawMode(const ArrowTarget* target) const {
    return rememberedDrawMode(previous_, target);
}

GmTool* PanTool::previousTool() const {
    return previous_;
}

void PanTool::activate(GmTool* previous) {
    previous_ = toolToRemember(this, previous, previous_);
    if (QGuiApplication::mouseButtons() & Qt::LeftButton) last_ = QCursor::pos();
    resetButtonState();
}

void PanTool::deactivate(GmTool*) {
    resetButtonState();
}

bool PanTool::clearsColourHighlight() const {
    return false;
}
