// The twelve mask brushes on a real document: strokes become marks, the
// protect boxes decide what a stroke may overwrite, a stroke outside the
// active patch deactivates it for the stroke only, the shared size box and
// slider, tablet pressure (from the canvas's pen events), the "Strength" row
// and when the brushes can be used.
#include "brush_document.h"

#include "engine_bridge/vk_cmd_undo.h"
#include "model/brushing.h"
#include "model/gm_brushing.h"
#include "model/gm_region.h"
#include "model/rect_region.h"
#include "model/segmentation_stuff.h"
#include "model/zt_app_prefs.h"
#include "model/zt_rectangle.h"
#include "panels/parameter_stack.h"
#include "support/test_environment.h"
#include "tools/mask_brushes.h"
#include "tools/no_tool.h"
#include "workspace/canvas_hooks.h"
#include "workspace/gm_zoom_widget.h"
#include "workspace/image_view.h"

#include <QApplication>
#include <QPointer>
#include <QSettings>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabletEvent>
#include <QTest>
#include <QToolBar>
#include <QVBoxLayout>

#include <memory>
#include <vector>

namespace {

using Kind = MaskBrushTool::Kind;

// A window like the program's: the brushes in a tool bar, the options strip under it.
class MaskBrushes : public DocumentFixture {
protected:
    MaskBrushes() {
        QSettings().remove(QStringLiteral("ToolOptions"));
        window_ = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window_.get());
        auto* toolBar = new QToolBar(window_.get());
        layout->addWidget(toolBar);
        brushes_ = createMaskBrushes(nullptr, window_.get(), toolBar, nullptr);
        layout->addWidget(GmTool::sharedOptionsParent());
        window_->show();
    }
    ~MaskBrushes() override {
        brushes_.clear();
        window_.reset();
    }

    MaskBrushTool& brush(Kind kind) { return *brushes_.at(size_t(kind)); }
    // Selects the brush as its action would, with a brush of `size` pixels.
    MaskBrushTool& take(Kind kind, int size = 9) {
        EXPECT_TRUE(brush(kind).installSlot());
        EXPECT_EQ(GmTool::currentTool(), &brush(kind));
        BrushingTool::setBrushSize(size);
        return brush(kind);
    }
    void undo() { submitAndWait(new VkCmdUndo(model())); }
    int marked() const { return countWith(VkStatusKeep | VkStatusDelete | VkStatusBlend); }

    std::unique_ptr<QWidget> window_;
    std::vector<std::unique_ptr<MaskBrushTool>> brushes_;
};

TEST_F(MaskBrushes, EachBrushsStrokeBecomesItsMarksInTheStatusArray) {
    openImage(twoHalves());
    analyse();
    struct Row {
        Kind kind;
        int status;
        int scope;
    };
    const Row rows[] = {
        {Kind::KeepExact, 2, 0},   {Kind::KeepLocal, 2, 1},   {Kind::KeepGlobal, 2, 2},
        {Kind::DeleteExact, 4, 0}, {Kind::DeleteLocal, 4, 1}, {Kind::DeleteGlobal, 4, 2},
        {Kind::BlendExact, 8, 0},  {Kind::BlendLocal, 8, 1},  {Kind::BlendGlobal, 8, 2},
        {Kind::EraseExact, 1, 0},  {Kind::EraseLocal, 1, 1},  {Kind::EraseGlobal, 1, 2},
    };
    StartedCommands started(thread());
    for (const Row& row : rows) {
        SCOPED_TRACE(MaskBrushTool::nameOf(row.kind).toStdString());
        EXPECT_EQ(brush(row.kind).maskStatus(), row.status);
        EXPECT_EQ(brush(row.kind).scope(), row.scope);
        const bool erases = row.status == VkStatusUnassigned;
        if (erases) stroke(QPointF(5, 30), QPointF(35, 30), VkStatusKeep, VkScopeExact);
        ASSERT_EQ(marked() > 0, erases);
        started.clear();

        dragOn(take(row.kind), QPointF(10, 30), QPointF(30, 30));
        waitIdle();
        EXPECT_EQ(started.list(),
                  QStringList{QString("Select 15 %1 %2").arg(row.status).arg(row.scope)});
        EXPECT_EQ(statusAt(20, 30) & VkStatusClassMask, row.status);
        EXPECT_EQ(statusAt(20, 35) & VkStatusClassMask,
                  row.scope == 0 ? int(VkStatusUnassigned) : row.status)
            << "only a local or global brush reaches beyond the stroke";
        EXPECT_EQ(brush(row.kind).stroke(), nullptr) << "the command owns the stroke";

        undo();
        if (erases) undo();
        EXPECT_EQ(marked(), 0);
    }
}

TEST_F(MaskBrushes, TheProtectBoxesDecideWhatAStrokeMayOverwrite) {
    openImage(twoHalves());
    struct Row {
        bool keep, remove, blend;
        int overwrite;
    };
    const Row rows[] = {{false, false, false, 15},
                        {true, false, false, 13},
                        {false, true, false, 11},
                        {true, true, true, 1}};
    StartedCommands started(thread());
    MaskBrushTool& remove = take(Kind::DeleteExact, 5);
    for (const Row& row : rows) {
        remove.protectKeepBox()->setChecked(row.keep);
        remove.protectDeleteBox()->setChecked(row.remove);
        remove.protectBlendBox()->setChecked(row.blend);
        EXPECT_EQ(remove.overwriteSet(), row.overwrite);
        started.clear();
        dragOn(remove, QPointF(10, 10), QPointF(30, 10));
        waitIdle();
        EXPECT_EQ(started.list(), QStringList{QString("Select %1 4 0").arg(row.overwrite)});
        undo();
    }

    // Each brush keeps its own three boxes, under its own name.
    EXPECT_EQ(brush(Kind::KeepExact).protectDeleteBox()->objectName(),
              QString("ToolOptions/KeepExactBrush/Delete"));
    EXPECT_EQ(brush(Kind::KeepLocal).protectDeleteBox()->objectName(),
              QString("ToolOptions/KeepLocalBrush/Delete"));
    EXPECT_FALSE(brush(Kind::KeepExact).protectDeleteBox()->isChecked());
}

TEST_F(MaskBrushes, KeepMarksSurviveADeleteStrokeWithKeepProtected) {
    openImage(twoHalves());
    BrushingTool::setBrushSize(15);
    stroke(QPointF(20, 5), QPointF(20, 55), VkStatusKeep, VkScopeExact);
    const int keep = countWith(VkStatusKeep);
    ASSERT_GT(keep, 0);

    MaskBrushTool& remove = take(Kind::DeleteExact, 5);
    remove.protectKeepBox()->setChecked(true);
    dragOn(remove, QPointF(2, 30), QPointF(38, 30));
    waitIdle();
    EXPECT_EQ(statusAt(20, 30) & VkStatusClassMask, VkStatusKeep);
    EXPECT_EQ(statusAt(4, 30) & VkStatusClassMask, VkStatusDelete);
    EXPECT_EQ(statusAt(36, 30) & VkStatusClassMask, VkStatusDelete);
    EXPECT_EQ(countWith(VkStatusKeep), keep);
}

TEST_F(MaskBrushes, AClickWithoutMovementSubmitsOneDot) {
    openImage(twoHalves());
    StartedCommands started(thread());
    MaskBrushTool& keep = take(Kind::KeepExact, 5);
    pressOn(keep, QPointF(20.5, 30.5));
    releaseOn(keep, QPointF(20.5, 30.5));
    waitIdle();
    EXPECT_EQ(started.list(), QStringList{"Select 15 2 0"});
    EXPECT_EQ(statusAt(20, 30) & VkStatusClassMask, VkStatusKeep);
    EXPECT_GE(countWith(VkStatusKeep), 9);
    EXPECT_LE(countWith(VkStatusKeep), 25);
}

TEST_F(MaskBrushes, WithShiftHeldOnlyTheStraightSegmentMovesUntilTheRelease) {
    openImage(twoHalves());
    MaskBrushTool& keep = take(Kind::KeepExact, 3);
    pressOn(keep, QPointF(5.5, 10.5));
    moveOn(keep, QPointF(30.5, 40.5), Qt::ShiftModifier);
    moveOn(keep, QPointF(35.5, 10.5), Qt::ShiftModifier);
    ASSERT_NE(keep.stroke(), nullptr);
    const Brushing* painted = keep.stroke()->brushing();
    EXPECT_TRUE(painted->hasPendingSegment());
    EXPECT_FALSE(painted->contains(QPointF(20.5, 10.5))) << "nothing painted yet";
    EXPECT_FALSE(painted->contains(QPointF(18, 25))) << "the first end was only shown";
    releaseOn(keep, QPointF(35.5, 10.5));
    waitIdle();
    EXPECT_EQ(statusAt(20, 10) & VkStatusClassMask, VkStatusKeep);
    EXPECT_EQ(statusAt(18, 25) & VkStatusClassMask, VkStatusUnassigned);
}

TEST_F(MaskBrushes, AStrokeOutsideTheActivePatchDeactivatesItForTheStrokeOnly) {
    enum End { Release, Escape, ToolSwitch };
    struct Row {
        const char* what;
        QPointF press;
        End end;
        bool deletePatch;
        bool submitted;
        bool activeDuring;
        bool activeAfter;
    };
    const Row rows[] = {
        {"inside, released", {60, 30}, Release, false, true, true, true},
        {"outside, released", {20, 30}, Release, false, true, false, true},
        {"outside, Escape", {20, 30}, Escape, false, false, false, true},
        {"outside, other tool", {20, 30}, ToolSwitch, false, false, false, true},
        {"outside, Escape, patch deleted", {20, 30}, Escape, true, false, false, false},
        {"outside, other tool, patch deleted", {20, 30}, ToolSwitch, true, false, false, false},
    };
    openImage(twoHalves());
    StartedCommands started(thread());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        auto* patch = new RectRegion(QPointF(44, 4));
        patch->rectangle()->dragCorner(QPointF(76, 56));
        patch->beginSubSession(nullptr);
        waitIdle();
        ASSERT_EQ(model()->activeRegion(), patch);
        QPointer<GmRegion> guard(patch);
        started.clear();

        MaskBrushTool& keep = take(Kind::KeepExact, 5);
        pressOn(keep, row.press);
        moveOn(keep, row.press + QPointF(8, 0));
        EXPECT_EQ(model()->activeRegion() == patch, row.activeDuring);
        if (row.deletePatch) {
            // Escape finds the patch out of the model but not yet destroyed
            // (its session still ending); the tool switch finds it gone.
            model()->deleteRegion(patch);
            if (row.end == ToolSwitch) {
                waitIdle();
                ASSERT_FALSE(guard);
            }
        }
        switch (row.end) {
        case Release:
            releaseOn(keep, row.press + QPointF(8, 0));
            break;
        case Escape:
            keep.escape();
            break;
        case ToolSwitch:
            take(Kind::DeleteExact);
            break;
        }
        waitIdle();
        // Deleting the patch ends its session: only selections count here.
        EXPECT_EQ(started.list().filter("Select").size(), row.submitted ? 1 : 0)
            << started.list().join(", ").toStdString();
        EXPECT_EQ(keep.stroke(), nullptr);
        EXPECT_EQ(keep.deactivatedPatch(), nullptr);
        EXPECT_EQ(model()->activeRegion() == guard.data() && guard, row.activeAfter);
        if (guard) model()->deleteRegion(guard);
        waitIdle();
        if (!row.submitted) {
            EXPECT_EQ(marked(), 0);
        }
        for (int undos = 0; marked() > 0 && undos < 3; ++undos)
            undo();
    }
}

TEST_F(MaskBrushes, ALocalBrushOutsideAPatchAnalysedOnItsOwnWithoutAnImageAnalysisIsRefused) {
    openImage(twoHalves()); // the image is never analysed
    NoTool none;            // the fallback, were the brush to become unusable
    RectRegion* patch = analysedOwnPatch(QPointF(44, 4), QPointF(76, 56));
    ASSERT_TRUE(patch->smeg().hasSegmentation());
    ASSERT_EQ(model()->activeRegion(), patch);
    MaskBrushTool& keep = take(Kind::KeepLocal, 5);
    StartedCommands started(thread());

    // Outside the patch the brush would have no analysis: the press is refused.
    dragOn(keep, QPointF(20, 30), QPointF(30, 30));
    EXPECT_EQ(GmTool::currentTool(), &keep) << "the brush stays";
    EXPECT_EQ(keep.stroke(), nullptr);
    EXPECT_TRUE(model()->brushings().isEmpty()) << "no stroke left drawn";
    EXPECT_EQ(model()->activeRegion(), patch) << "the patch stays active";
    waitIdle();
    EXPECT_TRUE(started.list().filter("Select").isEmpty());

    // Inside it the brush paints as ever.
    dragOn(keep, QPointF(56, 30), QPointF(64, 30));
    waitIdle();
    EXPECT_EQ(started.list().filter("Select").size(), 1);
    EXPECT_GT(marked(), 0);
    model()->deleteRegion(patch);
    waitIdle();
}

TEST_F(MaskBrushes, TheOutlineShownWhileTheSizeSliderIsHeldGoesWhenItIsLetGo) {
    openImage(twoHalves());
    take(Kind::KeepExact, 20);
    ImageView view(nullptr);
    view.resize(400, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    GmTool::setImageView(&view);
    GmZoomWidget* const canvas = view.canvas();
    canvas->viewTabChangedSlot(ViewTabs::Workspace);
    QSlider* const slider = BrushingTool::brushSizeSlider();
    ASSERT_NE(slider, nullptr);

    slider->setSliderDown(true);
    slider->setValue(slider->value() + 10);
    QApplication::processEvents();
    EXPECT_TRUE(canvas->outlineRect().isValid()) << "the outline shows at the view's centre";

    slider->setSliderDown(false);
    QApplication::processEvents();
    EXPECT_FALSE(canvas->isPointerInside());
    EXPECT_FALSE(canvas->outlineRect().isValid()) << "and goes with the slider";
    canvas->grab(); // a repaint of the whole canvas draws none either
    EXPECT_FALSE(canvas->outlineRect().isValid());

    // Moved without being held (from the keyboard), it shows no outline at all.
    slider->setValue(slider->value() + 10);
    QApplication::processEvents();
    EXPECT_FALSE(canvas->outlineRect().isValid());
    GmTool::setImageView(nullptr);
}

TEST_F(MaskBrushes, SizeBoxAndSliderFollowEachOtherOnTheSquareRootScale) {
    const struct {
        int size;
        int slider;
    } boxToSlider[] = {{1, 0}, {2, 5}, {100, 49}, {400, 100}};
    for (const auto& row : boxToSlider)
        EXPECT_EQ(BrushingTool::sliderForSize(row.size), row.slider) << row.size;
    const struct {
        int slider;
        int size;
    } sliderToBox[] = {{0, 1}, {10, 4}, {50, 100}, {100, 400}};
    for (const auto& row : sliderToBox)
        EXPECT_EQ(BrushingTool::sizeForSlider(row.slider), row.size) << row.slider;

    QSpinBox* box = BrushingTool::brushSizeBox();
    QSlider* slider = BrushingTool::brushSizeSlider();
    ASSERT_TRUE(box && slider);
    EXPECT_EQ(box->objectName(), QString("ToolOptions/Common/Size"));
    QSignalSpy moved(model(), &GmModel::brushSizeSliderMoved);
    QSignalSpy cursor(model(), &GmModel::cursorChanged);
    QSignalSpy boxChanged(box, QOverload<int>::of(&QSpinBox::valueChanged));
    slider->setValue(50);
    EXPECT_EQ(box->value(), 100);
    EXPECT_EQ(moved.count(), 1);
    EXPECT_EQ(boxChanged.count(), 0) << "the box's signals are blocked while it follows";
    BrushingTool::setBrushSize(400);
    EXPECT_EQ(slider->value(), 100);
    EXPECT_EQ(BrushingTool::brushSize(), 400);
    EXPECT_EQ(cursor.count(), 1);
    EXPECT_EQ(moved.count(), 1);

    // The steps of "]" and "[" stop at the ends.
    const struct {
        int from;
        bool up;
        int to;
    } steps[] = {{400, true, 400}, {1, false, 1}, {10, true, 11}, {11, false, 10}, {50, true, 53}};
    for (const auto& step : steps) {
        BrushingTool::setBrushSize(step.from);
        if (step.up)
            brush(Kind::KeepExact).increaseBrushSizeSlot();
        else
            brush(Kind::KeepExact).decreaseBrushSizeSlot();
        EXPECT_EQ(BrushingTool::brushSize(), step.to) << step.from << (step.up ? " up" : " down");
    }
    BrushingTool::setBrushSize(0);
    EXPECT_EQ(BrushingTool::brushSize(), 1);
    BrushingTool::setBrushSize(1000);
    EXPECT_EQ(BrushingTool::brushSize(), 400);
}

TEST_F(MaskBrushes, TabletPressureScalesTheBrushUntilTheStrokeEnds) {
    openImage(twoHalves());
    MaskBrushTool& keep = take(Kind::KeepExact, 50);
    const struct {
        double pressure;
        int size;
    } rows[] = {{0.01, 1}, {0.0, 1}, {0.333, 17}, {0.5, 25}, {1.0, 50}};
    for (const auto& row : rows) {
        BrushingTool::setTabletPressure(row.pressure);
        EXPECT_EQ(BrushingTool::brushSize(), row.size) << row.pressure;
    }
    BrushingTool::setTabletPressure(0.01);
    pressOn(keep, QPointF(20, 30));
    EXPECT_TRUE(BrushingTool::tabletPressureInUse());
    releaseOn(keep, QPointF(22, 30));
    EXPECT_FALSE(BrushingTool::tabletPressureInUse());
    EXPECT_EQ(BrushingTool::brushSize(), 50);
    waitIdle();
}

TEST_F(MaskBrushes, ThePensPressureOnTheCanvasAndTheHeldSliderReachTheBrushes) {
    openImage(twoHalves());
    take(Kind::KeepExact, 40);
    ZtAppPrefs prefs;
    prefs.setUseTabletPressure(true);
    GmZoomWidget canvas(nullptr);
    canvas.resize(100, 100);
    const auto pen = [&canvas](double pressure) {
        const QPointF at(50, 50);
        QTabletEvent event(QEvent::TabletMove, at, QPointF(canvas.mapToGlobal(at.toPoint())),
                           QTabletEvent::Stylus, QTabletEvent::Pen, pressure, 0, 0, 0, 0, 0,
                           Qt::NoModifier, 1, Qt::NoButton, Qt::LeftButton); // touching
        QApplication::sendEvent(&canvas, &event);
    };
    // A pen without pressure leaves the size; one pressing scales it.
    const struct {
        double pressure;
        bool inUse;
        int size;
    } rows[] = {{0.0, false, 40}, {0.5, true, 20}, {0.26, true, 11}, {1.0, true, 40}};
    for (const auto& row : rows) {
        pen(row.pressure);
        EXPECT_EQ(BrushingTool::tabletPressureInUse(), row.inUse) << row.pressure;
        EXPECT_EQ(BrushingTool::brushSize(), row.size) << row.pressure;
    }
    pen(0.5);
    dragOn(brush(Kind::KeepExact), QPointF(10, 30), QPointF(30, 30));
    EXPECT_EQ(BrushingTool::brushSize(), 40) << "the stroke's end stops using pressure";
    waitIdle();

    const auto sliderHeld = [] {
        const CanvasHooks& hooks = canvasHooks();
        return hooks.brushSizeSliderHeld && hooks.brushSizeSliderHeld();
    };
    QSlider* slider = BrushingTool::brushSizeSlider();
    ASSERT_NE(slider, nullptr);
    EXPECT_FALSE(sliderHeld());
    slider->setSliderDown(true);
    EXPECT_TRUE(sliderHeld());
    slider->setSliderDown(false);
    EXPECT_FALSE(sliderHeld());

    brushes_.clear();
    EXPECT_FALSE(canvasHooks().penPressure) << "no brush left to take the pen";
    EXPECT_FALSE(canvasHooks().brushSizeSliderHeld);
}

TEST_F(MaskBrushes, StrengthIsReadFromItsRowNeverWrittenAndOffForTheExactBrushes) {
    openImage(twoHalves());
    QSpinBox* row = ParameterStack::commonStack()->spinBox("Strength");
    ASSERT_NE(row, nullptr);
    for (int kind = 0; kind < MaskBrushTool::KindCount; ++kind) {
        MaskBrushTool& tool = brush(Kind(kind));
        if (!tool.isAvailable()) analyse();
        take(Kind(kind));
        EXPECT_EQ(row->isEnabled(), tool.scope() != 0) << tool.name().toStdString();
        EXPECT_EQ(BrushingTool::pageStack()->currentWidget(), tool.page());
    }
    row->setValue(6);
    EXPECT_EQ(BrushingTool::strength(), 6);
    brushes_.clear();
    EXPECT_EQ(BrushingTool::strength(), 0) << "no row";
    EXPECT_FALSE(QSettings().contains("ToolOptions/Common/Strength"));
    EXPECT_TRUE(QSettings().contains("ToolOptions/Common/Size"));

    QSettings().setValue("ToolOptions/Common/Strength", 5);
    brushes_ = createMaskBrushes(nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(BrushingTool::strength(), 5);
}

TEST_F(MaskBrushes, LocalAndGlobalBrushesWaitForTheAnalysisOrOneUnderWay) {
    EXPECT_FALSE(brush(Kind::KeepExact).isAvailable()) << "no image";
    openImage(twoHalves());
    EXPECT_TRUE(brush(Kind::KeepExact).isAvailable());
    EXPECT_FALSE(brush(Kind::KeepLocal).isAvailable());
    EXPECT_FALSE(brush(Kind::EraseGlobal).action()->isEnabled());

    model()->imageSmeg()->analyse();
    EXPECT_TRUE(model()->imageSmeg()->hasPendingAnalysis());
    EXPECT_TRUE(brush(Kind::KeepLocal).isAvailable()) << "while the analysis is pending";
    waitIdle();
    EXPECT_TRUE(brush(Kind::KeepLocal).isAvailable());
    EXPECT_TRUE(brush(Kind::EraseGlobal).action()->isEnabled());
}

TEST_F(MaskBrushes, TheSharedPanelGoesWithTheLastBrush) {
    QPointer<QWidget> panel = BrushingTool::optionsPanel();
    ASSERT_TRUE(panel);
    for (auto& tool : brushes_)
        EXPECT_EQ(tool->optionsWidget(), panel.data());
    EXPECT_EQ(BrushingTool::pageStack()->count(), 12);

    // The first brush goes: the others keep the panel, the box still answers.
    brushes_.erase(brushes_.begin());
    EXPECT_TRUE(panel);
    EXPECT_EQ(BrushingTool::pageStack()->count(), 11);
    BrushingTool::setBrushSize(33);
    EXPECT_EQ(BrushingTool::brushSize(), 33);

    brushes_.clear();
    EXPECT_FALSE(panel);
    EXPECT_EQ(BrushingTool::brushSizeBox(), nullptr);
    EXPECT_EQ(BrushingTool::brushSize(), 10);
    EXPECT_EQ(QSettings().value("ToolOptions/Common/Size").toInt(), 33);
}

TEST_F(MaskBrushes, TheCanvasSeesABrushWithItsClassColour) {
    openImage(twoHalves());
    MaskBrushTool& keep = brush(Kind::KeepExact);
    EXPECT_TRUE(keep.isBrush());
    EXPECT_EQ(keep.cursor().shape(), Qt::BlankCursor);
    EXPECT_EQ(keep.cursorColour(), ZtAppPrefs::currentColor(ZtAppPrefs::KeepMaskColor));
    EXPECT_EQ(brush(Kind::DeleteLocal).strokeColour(),
              ZtAppPrefs::currentColor(ZtAppPrefs::DeleteMaskColor));
    EXPECT_EQ(brush(Kind::BlendGlobal).strokeColour(),
              ZtAppPrefs::currentColor(ZtAppPrefs::BlendMaskColor));
    EXPECT_EQ(brush(Kind::EraseExact).strokeColour(), QColor(Qt::gray));
    EXPECT_EQ(keep.action()->shortcut(), QKeySequence("K"));
    EXPECT_EQ(brush(Kind::BlendGlobal).action()->shortcut(), QKeySequence("Ctrl+B"));

    auto* patch = new RectRegion(QPointF(44, 4));
    patch->rectangle()->dragCorner(QPointF(76, 56));
    patch->beginSubSession(nullptr);
    waitIdle();
    auto* other = new RectRegion(QPointF(4, 4));
    other->rectangle()->dragCorner(QPointF(20, 20));
    EXPECT_EQ(keep.targetDrawMode(patch), 4);
    EXPECT_EQ(keep.targetDrawMode(other), 3);
    model()->deleteRegion(patch);
    delete other;
    waitIdle();
}

} // namespace
