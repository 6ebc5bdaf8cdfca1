#include "brush_document.h"

#include "engine_bridge/vk_cmd_despeckle_selection.h"
#include "engine_bridge/vk_cmd_select.h"

#include <QMouseEvent>

void pressOn(GmTool& tool, QPointF point, Qt::MouseButton button) {
    QMouseEvent event(QEvent::MouseButtonPress, point, button, button, Qt::NoModifier);
    tool.trackButtonState(&event);
    tool.mousePress(&event, point);
}

void moveOn(GmTool& tool, QPointF point, Qt::KeyboardModifiers modifiers) {
    QMouseEvent event(QEvent::MouseMove, point, Qt::NoButton, Qt::LeftButton, modifiers);
    tool.trackButtonState(&event);
    tool.mouseMove(&event, point);
}

void releaseOn(GmTool& tool, QPointF point, Qt::MouseButton button) {
    QMouseEvent event(QEvent::MouseButtonRelease, point, button, Qt::NoButton, Qt::NoModifier);
    tool.trackButtonState(&event);
    tool.mouseRelease(&event, point);
}

QPolygonF polygonOf(std::initializer_list<QPointF> points) {
    return QPolygonF(QVector<QPointF>(points));
}

void hoverOn(GmTool& tool, QPointF point) {
    QMouseEvent event(QEvent::MouseMove, point, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    tool.trackButtonState(&event);
    tool.mouseMove(&event, point);
}

void doubleClickOn(GmTool& tool, QPointF point) {
    QMouseEvent event(QEvent::MouseButtonDblClick, point, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    tool.trackButtonState(&event);
    tool.mouseDoubleClick(&event, point);
    releaseOn(tool, point);
}

void clickOn(GmTool& tool, QPointF point) {
    pressOn(tool, point);
    releaseOn(tool, point);
}

void placeOn(GmTool& tool, QPointF point) {
    hoverOn(tool, point);
    clickOn(tool, point);
}

void dragOn(GmTool& tool, QPointF from, QPointF to) {
    pressOn(tool, from);
    moveOn(tool, (from + to) / 2);
    moveOn(tool, to);
    releaseOn(tool, to);
}

StartedCommands::StartedCommands(VardekThread& thread) : listener_(new QObject) {
    QObject::connect(&thread, &VardekThread::commandStarted, listener_,
                     [this](VardekCommand* command) {
                         if (auto* select = qobject_cast<VkCmdSelect*>(command))
                             started_ << QStringLiteral("Select %1 %2 %3")
                                             .arg(select->fromStatus())
                                             .arg(select->toStatus())
                                             .arg(select->scope());
                         else if (auto* clean = qobject_cast<VkCmdDespeckleSelection*>(command))
                             started_ << QStringLiteral("Despeckle %1").arg(clean->statuses());
                         else
                             started_ << command->description();
                     });
}

StartedCommands::~StartedCommands() {
    delete listener_;
}
