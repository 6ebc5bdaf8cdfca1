// A pipette: takes one colour from the image and hands the tool back. The
// complex blending options make two, one for the foreground and one for the
// background override colour; each names its own.
//
// A press on the image tells the colour of the workspace copy there
// (pipetteToolColourSelected) and returns to the tool that was current
// before the pipette, even when one pipette was picked over another; when
// that tool is gone (or there was none, or it cannot be used now) the
// fallback tool takes over. A press beside the image picks nothing and the
// pipette stays.
#ifndef APP_TOOLS_PIPETTE_TOOL_H
#define APP_TOOLS_PIPETTE_TOOL_H

#include "tools/gm_tool.h"

#include <QPointer>

#include <memory>

class PipetteTool : public GmTool {
    Q_OBJECT
public:
    // `name` untranslated, `translatedName` the action's text; no shortcut.
    PipetteTool(const QString& name, const QString& translatedName,
                QActionGroup* actionGroup = nullptr, QWidget* actionWidget = nullptr,
                QWidget* actionHolder = nullptr, QWidget* optionsParent = nullptr);
    ~PipetteTool() override;

    // The tool to return to, or null.
    GmTool* rememberedTool() const { return previous_; }

    QCursor cursor() const override;
    void mousePress(QMouseEvent* event, const QPointF& point) override;
    // Back to the remembered tool (or the fallback).
    void escape() override;
    void activate(GmTool* previous) override;
    void deactivate(GmTool* next) override;

signals:
    void pipetteToolColourSelected(const QColor& colour);
    // True while the pipette is the current tool.
    void pipetteToolSelected(bool selected);

private:
    QPointer<GmTool> previous_;
    std::unique_ptr<QCursor> cursor_;
};

#endif
