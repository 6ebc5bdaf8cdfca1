// The base of the tools that paint a brush stroke between press and release:
// the twelve mask brushes (SelectTool) and the patch brush. It paints the
// stroke (a Brushing) from the canvas's mouse, owns the brush size (a box
// and a slider shared by every brush, with tablet pressure) and builds the
// brushes' one options panel: the size, the "Strength" row and a stack with
// one page of each brush's own options.
//
// The shared panel is built by the first brush and deleted with the last
// one; every other brush takes it back from the tool base before it goes,
// so no brush deletes it under the others. The panel's controls are held
// by guarded pointers, as their window may delete them first.
//
// The brush size reaches the strokes (Brushing::brushSize) and the model
// (the size it sets when an image opens, the strength a selection reads),
// and the canvas reaches the brushes (pen pressure, whether the size slider
// is held), through hooks installed while a brush exists. User-interface thread only.
#ifndef APP_TOOLS_BRUSHING_TOOL_H
#define APP_TOOLS_BRUSHING_TOOL_H

#include "tools/gm_tool.h"

#include <QPointer>

#include <memory>

class Brushing;
class GmBrushing;
class ParameterStack;
class QSlider;
class QSpinBox;
class QStackedWidget;

class BrushingTool : public GmTool {
    Q_OBJECT
public:
    // As GmTool. Builds the shared options panel when it does not exist yet;
    // the subclass adds its own page (addOptionsPage) once it is built.
    BrushingTool(const QString& name, const QString& translatedName, const QIcon& icon,
                 const QString& shortcut, const QString& whatsThis, QActionGroup* actionGroup,
                 QWidget* actionWidget, QWidget* actionHolder, QWidget* optionsParent);
    ~BrushingTool() override;

    // The brush's own page of options.
    virtual QWidget* createOptionsWidget() = 0;
    // A press: the stroke to paint into (startAt follows), or null for none.
    virtual Brushing* beginStroke(const QPointF& point) = 0;
    // The release (or Escape with the stroke cleared): the stroke is used or
    // deleted; the tool holds none afterwards.
    virtual void endStroke() = 0;
    // Whether the "Strength" row applies while the brush is current.
    virtual bool usesStrength() const;

    // The canvas draws the brush outline instead of a cursor.
    QCursor cursor() const override;
    // Left press or double click begins a stroke; a move with the left
    // button held paints on (with Shift, only the pending straight segment
    // moves); the release paints to the point, ends the stroke and stops
    // using tablet pressure.
    void mousePress(QMouseEvent* event, const QPointF& point) override;
    void mouseMove(QMouseEvent* event, const QPointF& point) override;
    void mouseRelease(QMouseEvent* event, const QPointF& point) override;
    void mouseDoubleClick(QMouseEvent* event, const QPointF& point) override;
    // During a stroke: the stroke is cleared and ended (nothing is
    // submitted); otherwise the tool base's Escape.
    void escape() override;
    bool isBrush() const override;
    bool isAvailable() const override;
    // Shows the brush's page and enables the "Strength" row as it uses it.
    void activate(GmTool* previous) override;
    // A stroke in progress is deleted.
    void deactivate(GmTool* next) override;

    // The brush's stroke in progress, or null.
    GmBrushing* stroke() const { return stroke_.get(); }
    // The brush's own page in the shared page stack, or null.
    QWidget* page() const { return page_; }

    // ----- The brushes together -----

    // The brush diameter in workspace pixels: 10 before the size box exists,
    // the box's value, or with tablet pressure ceil(value x pressure), at least 1.
    static int brushSize();
    // Sets the box (held to 1..400) and has the canvas redraw the outline.
    static void setBrushSize(int size);
    // Slider position of a box value and box value of a slider position.
    static int sliderForSize(int size);
    static int sizeForSlider(int slider);
    // The canvas's tablet handling: the pen's last pressure (0 to 1); one
    // that is not 0 puts pressure in use until a stroke's end stops using it.
    static void setTabletPressure(double pressure);
    static bool tabletPressureInUse();
    // The "Strength" row's value, 0 without the row.
    static int strength();

    // The shared panel and its parts (null while they do not exist).
    static QWidget* optionsPanel();
    static QSpinBox* brushSizeBox();
    static QSlider* brushSizeSlider();
    static QStackedWidget* pageStack();
    static int brushCount();

signals:
    void brushSizeSliderMoved();

public slots:
    void increaseBrushSizeSlot();
    void decreaseBrushSizeSlot();
    // Box to slider and slider to box, each with the receiver's signals blocked.
    void syncBrushSizeToSlider(int size);
    void syncBrushSizeFromSlider(int slider);
    // The strength is read from its row when a selection is built.
    void strengthChangedSlot(int strength);

protected:
    // Adds createOptionsWidget() as this brush's page; subclass constructors call it.
    void addOptionsPage();
    // Takes the stroke in progress over (null when none).
    GmBrushing* takeStroke();
    void setStroke(GmBrushing* stroke);
    void deleteStroke();

private:
    void buildSharedPanel();

    std::unique_ptr<GmBrushing> stroke_;
    QPointer<QWidget> page_;
};

#endif
