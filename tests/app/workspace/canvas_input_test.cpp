// The canvas's input: mouse events reach the current tool in image pixels
// only where it may work, pen pressure goes to the brushes only when asked
// for, drops and context menus.
#include "workspace/gm_zoom_widget.h"

#include "model/gm_brushing.h"
#include "model/gm_model.h"
#include "model/rect_region.h"
#include "model/zt_app_prefs.h"
#include "stand_in_brush.h"
#include "support/test_environment.h"
#include "workspace/brush_outline.h"
#include "workspace/canvas_hooks.h"
#include "workspace/image_view.h"
#include "workspace_fixture.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTabletEvent>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

class CanvasInput : public ViewFixture {
protected:
    void SetUp() override {
        ViewFixture::SetUp();
        GmTool::setImageView(view_);
        openImage(400, 300);
        canvas_->setZoom(2, true);
        settle();
        brush_ = std::make_unique<StandInBrush>(4);
        brush_->onStroke = [](GmBrushing* stroke) { delete stroke; };
        ASSERT_TRUE(brush_->installSlot());
    }
    void TearDown() override {
        brush_.reset();
        canvasHooks() = CanvasHooks();
        GmTool::setImageView(nullptr);
        ViewFixture::TearDown();
    }

    // A canvas point (relative to the image's corner) in the window.
    QPoint inWindow(const QPoint& fromImageCorner) const {
        return canvas_->mapTo(window_.get(), canvas_->imageRect().topLeft() + fromImageCorner);
    }
    void click(const QPoint& fromImageCorner) {
        QWindow* const window = window_->windowHandle();
        QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, inWindow(fromImageCorner));
        QTest::mouseMove(window, inWindow(fromImageCorner + QPoint(6, 0)));
        QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier,
                            inWindow(fromImageCorner + QPoint(6, 0)));
    }
    // Opens the context menu at `fromImageCorner` and answers the texts of
    // its entries (separators empty); `choose`, when given, is triggered.
    QStringList contextMenu(const QPoint& fromImageCorner, const QString& choose = QString()) {
        QStringList texts;
        // Gone with this call when no menu came up.
        QObject thisCall;
        QTimer::singleShot(0, &thisCall, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) return;
            for (QAction* action : menu->actions()) {
                texts << action->text();
                if (!choose.isEmpty() && action->text() == choose) action->trigger();
            }
            menu->close();
        });
        const QPoint local = canvas_->imageRect().topLeft() + fromImageCorner;
        QContextMenuEvent event(QContextMenuEvent::Mouse, local, canvas_->mapToGlobal(local));
        QApplication::sendEvent(canvas_, &event);
        return texts;
    }

    std::unique_ptr<StandInBrush> brush_;
};

TEST_F(CanvasInput, MouseEventsReachTheToolInImagePixelsOnlyWhereItMayWork) {
    struct Case {
        const char* name;
        ViewTabs::ViewTab tab;
        bool withDocument;
        bool reaches;
    };
    const Case cases[] = {
        {"workspace", ViewTabs::Workspace, true, true},
        {"cut-out", ViewTabs::Cutout, true, false},
        {"source", ViewTabs::Source, true, false},
        {"no document", ViewTabs::Workspace, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.withDocument) document_.reset();
        view_->ensureTab(c.tab, c.tab);
        ASSERT_EQ(view_->currentViewTab(), c.tab);
        brush_->presses.clear();
        brush_->moves.clear();
        brush_->releases.clear();
        click(QPoint(21, 41)); // zoom 2
        if (c.reaches) {
            EXPECT_EQ(brush_->presses, QList<QPointF>({QPointF(10.5, 20.5)}));
            ASSERT_FALSE(brush_->moves.isEmpty());
            EXPECT_EQ(brush_->moves.last(), QPointF(13.5, 20.5));
            EXPECT_EQ(brush_->releases, QList<QPointF>({QPointF(13.5, 20.5)}));
            EXPECT_EQ(brush_->buttonState(), GmTool::ButtonUp);
            EXPECT_EQ(brush_->previousButtonState(), GmTool::ButtonDragging);
        } else {
            EXPECT_TRUE(brush_->presses.isEmpty());
            EXPECT_TRUE(brush_->moves.isEmpty());
            EXPECT_TRUE(brush_->releases.isEmpty());
        }
    }
}

TEST_F(CanvasInput, WithoutACurrentToolPressesAreRefusedAndTheCanvasStillPaints) {
    brush_.reset();
    ASSERT_EQ(GmTool::currentTool(), nullptr);
    auto* patch = new RectRegion(QPointF(10, 10));
    patch->rectangle()->dragCorner(QPointF(60, 60));
    click(QPoint(40, 40));
    QTest::mouseDClick(window_->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                       inWindow(QPoint(40, 40)));
    const QImage shown = canvas_->grab().toImage();
    EXPECT_FALSE(shown.isNull());
    EXPECT_FALSE(canvas_->outlineRect().isValid());
    delete patch;
}

TEST_F(CanvasInput, PenPressureReachesTheBrushesOnlyWhenThePreferenceAsks) {
    QList<double> passed;
    canvasHooks().penPressure = [&](double pressure) { passed << pressure; };
    ZtAppPrefs prefs;
    struct Case {
        bool preference;
        bool brush;
        double pressure;
        bool passes;
    };
    const Case cases[] = {
        {true, true, 0.3, true},
        {false, true, 0.5, false},
        {true, false, 0.7, false},
        {true, true, 0.9, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pressure);
        prefs.setUseTabletPressure(c.preference);
        brush_->brush = c.brush;
        passed.clear();
        const QPointF at(50, 50);
        QTabletEvent event(QEvent::TabletMove, at, QPointF(canvas_->mapToGlobal(at.toPoint())),
                           QTabletEvent::Stylus, QTabletEvent::Pen, c.pressure, 0, 0, 0, 0, 0,
                           Qt::NoModifier, 1, Qt::NoButton, Qt::LeftButton); // touching
        QApplication::sendEvent(canvas_, &event);
        EXPECT_FALSE(event.isAccepted()) << "the movement must come again as mouse events";
        EXPECT_EQ(passed, c.passes ? QList<double>({c.pressure}) : QList<double>());
    }
}

TEST_F(CanvasInput, DragsOfLinksImagesAndTextAreTakenOthersNot) {
    struct Case {
        const char* name;
        std::function<void(QMimeData*)> fill;
        bool accepted;
    };
    const Case cases[] = {
        {"plain text", [](QMimeData* d) { d->setText("just words"); }, true},
        {"link", [](QMimeData* d) { d->setUrls({QUrl("http://127.0.0.1:1/a.png")}); }, true},
        {"image", [](QMimeData* d) { d->setImageData(twoColourImage(4, 4)); }, true},
        {"encoded picture alone", [](QMimeData* d) { d->setData("image/png", "\x89PNG"); }, true},
        {"other", [](QMimeData* d) { d->setData("application/x-other", "x"); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QMimeData data;
        c.fill(&data);
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(canvas_, &enter);
        EXPECT_EQ(enter.isAccepted(), c.accepted);
    }
    // Text alone goes to the drop handler, which takes it and opens nothing.
    QMimeData text;
    text.setText("just words");
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    drop.ignore();
    QApplication::sendEvent(canvas_, &drop);
    EXPECT_TRUE(drop.isAccepted());
}

TEST_F(CanvasInput, PatchMenuAnnouncesThePatchActiveAfterItNotAPatchItDeleted) {
    GmModel* const model = GmModel::instance();
    QPointer<RectRegion> patch = new RectRegion(QPointF(10, 10));
    patch->rectangle()->dragCorner(QPointF(60, 60));
    model->setActiveRegion(patch, 0);
    qRegisterMetaType<GmRegion*>();
    QSignalSpy ready(model, &GmModel::activeRegionReady);
    QSignalSpy activate(canvas_, &GmZoomWidget::activateArrowTargetAt);

    const QStringList texts = contextMenu(QPoint(60, 80), QStringLiteral("Delete Patch"));
    EXPECT_EQ(texts, QStringList({"Auto-Fill Patch with &Keep", "Auto-Fill Patch with &Delete",
                                  "Preview Cut-out in Patch", "", "Delete Patch",
                                  "Erase Mask in Patch", "Protect Patch"}));
    ASSERT_EQ(activate.count(), 1);
    EXPECT_EQ(activate.at(0).at(0).value<ImagePointF>(), ImagePointF(30, 40)); // zoom 2
    ASSERT_GE(ready.count(), 1);
    EXPECT_EQ(ready.last().at(0).value<GmRegion*>(), nullptr);
    EXPECT_FALSE(model->regions().contains(patch.data()));
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(patch.isNull());
}

TEST_F(CanvasInput, ImageMenuHoldsTheMainWindowsActionsAndTheColourWorkspaceToggle) {
    QAction fill(QStringLiteral("&Auto-Fill Image"), nullptr);
    QAction cutout(QStringLiteral("Create Cu&t-Out"), nullptr);
    QAction colours(QStringLiteral("Color Workspace"), nullptr);
    EXPECT_TRUE(contextMenu(QPoint(5, 5)).isEmpty()) << "nothing to offer yet";
    canvasHooks().imageActions = [&] { return QList<QAction*>({&fill, &cutout}); };
    canvasHooks().colourWorkspaceToggle = [&] { return &colours; };
    EXPECT_EQ(contextMenu(QPoint(5, 5)),
              QStringList({"&Auto-Fill Image", "Create Cu&t-Out", "", "Color Workspace"}));
    // Only the Workspace tab has a context menu.
    view_->ensureTab(ViewTabs::Source, ViewTabs::Source);
    EXPECT_TRUE(contextMenu(QPoint(5, 5)).isEmpty());
}

TEST_F(CanvasInput, TheBrushOutlineFollowsThePointerAndACrossHairWaitsOutside) {
    QTest::mouseMove(window_->windowHandle(), inWindow(QPoint(101, 61)));
    ASSERT_TRUE(test_support::waitFor([&] { return canvas_->outlineRect().isValid(); }));
    // Brush 4 at zoom 2: the outline square of half-side 4 around (50.5, 30.5).
    const QRect expected = brushOutlineArea(brushOutlineSquare(QPointF(50.5, 30.5), 2, 2), 2,
                                            canvas_->imageRect().topLeft());
    EXPECT_EQ(canvas_->outlineRect(), expected);
    EXPECT_EQ(canvas_->cursor().shape(), Qt::BlankCursor);

    // A zoom under the resting pointer keeps it where it is on the screen.
    const QPoint global = canvas_->mapToGlobal(canvas_->imageRect().topLeft() + QPoint(101, 61));
    canvas_->setZoom(3, true);
    settle();
    EXPECT_EQ(canvas_->pointerPosition(),
              canvas_->mapFromGlobal(global) - canvas_->imageRect().topLeft());

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(canvas_, &leave);
    EXPECT_FALSE(canvas_->isPointerInside());
    EXPECT_FALSE(canvas_->outlineRect().isValid());
    EXPECT_EQ(canvas_->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(canvas_->cursor().hotSpot(), QPoint(8, 8));
}

} // namespace
