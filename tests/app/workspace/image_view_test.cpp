#include "workspace/image_view.h"

#include "model/gm_model.h"
#include "support/test_environment.h"
#include "workspace/gm_zoom_widget.h"
#include "workspace/iv_tab_widget.h"
#include "workspace/zt_workspace.h"
#include "workspace_fixture.h"

#include <QAction>
#include <QApplication>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QWheelEvent>

#include <cmath>
#include <functional>

namespace {

using ImageViewTest = ViewFixture;

// The fraction of the canvas at the centre of the viewport.
QPointF viewportCentre(const QScrollBar* h, const QScrollBar* v) {
    return QPointF((h->value() + h->pageStep() * 0.5) / (h->maximum() + h->pageStep()),
                   (v->value() + v->pageStep() * 0.5) / (v->maximum() + v->pageStep()));
}

void wheel(QWidget* widget, int angle) {
    const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
    QWheelEvent event(at, QPointF(widget->mapToGlobal(at.toPoint())), QPoint(), QPoint(0, angle),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

TEST_F(ImageViewTest, HasThreeTabsWithNumberedActionsAndStartsOnWorkspace) {
    QTabBar* const bar = view_->tabBar();
    ASSERT_EQ(bar->count(), 3);
    EXPECT_EQ(bar->tabText(0), "Source");
    EXPECT_EQ(bar->tabText(1), "Workspace");
    EXPECT_EQ(bar->tabText(2), "Cut-out");
    EXPECT_EQ(view_->tabWidget()->count(), 3);
    EXPECT_EQ(view_->tabWidget()->widget(0), workspace_); // one page for all

    const QList<QAction*>& actions = view_->tabActions();
    ASSERT_EQ(actions.size(), 3);
    const char* const texts[] = {"&Source", "&Workspace", "&Cut-out"};
    const char* const toolTips[] = {"Show original image (1)",
                                    "Show working image where masks are applied (2)",
                                    "Show cut-out image (3)"};
    const char* const titles[] = {"Source", "Workspace", "Cut-out"};
    for (int i = 0; i < 3; ++i) {
        const QString shortcut = QString::number(i + 1);
        EXPECT_EQ(actions[i]->text(), texts[i]);
        EXPECT_TRUE(actions[i]->isCheckable());
        EXPECT_EQ(actions[i]->shortcut(), QKeySequence(shortcut));
        EXPECT_EQ(actions[i]->toolTip(), toolTips[i]);
        const QString title = QString("<p><b>Image View&mdash;%1</b>").arg(titles[i]);
        EXPECT_TRUE(bar->tabWhatsThis(i).startsWith(title + "</p><p>View your image"));
        EXPECT_TRUE(actions[i]->whatsThis().startsWith(title + " (" + shortcut + ")</p>"));
        EXPECT_TRUE(actions[i]->whatsThis().endsWith(
            "<p><a href=\"4-Zeltran_Tools/Project_Window.htm\">Learn More</a></p>"));
    }

    EXPECT_EQ(view_->currentViewTab(), ImageView::Workspace);
    EXPECT_EQ(bar->currentIndex(), 1);
    EXPECT_TRUE(actions[1]->isChecked());
    EXPECT_FALSE(actions[0]->isChecked());
    EXPECT_EQ(canvas_->tabIndex(), GmZoomWidget::WorkspaceTab);
    EXPECT_EQ(view_->minimumSizeHint(), QSize(400, 300));
}

TEST_F(ImageViewTest, NumberKeysSwitchTabsAndTellTheCanvas) {
    openImage(400, 300);
    QSignalSpy tabs(view_, &ImageView::viewTabChanged);
    QSignalSpy pages(view_->tabWidget(), &QTabWidget::currentChanged);
    struct Case {
        Qt::Key key;
        ImageView::ViewTab tab;
        int index;
    };
    const Case cases[] = {
        {Qt::Key_1, ImageView::Source, GmZoomWidget::SourceTab},
        {Qt::Key_3, ImageView::Cutout, GmZoomWidget::CutoutTab},
        {Qt::Key_2, ImageView::Workspace, GmZoomWidget::WorkspaceTab},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        tabs.clear();
        pages.clear();
        QTest::keyClick(window_->windowHandle(), c.key);
        EXPECT_EQ(view_->currentViewTab(), c.tab);
        EXPECT_EQ(view_->tabBar()->currentIndex(), c.index);
        EXPECT_TRUE(view_->tabActions()[c.index]->isChecked());
        EXPECT_EQ(canvas_->tabIndex(), c.index);
        ASSERT_EQ(tabs.count(), 1);
        EXPECT_EQ(tabs.at(0).at(0).value<ImageView::ViewTab>(), c.tab);
        // The tab widget only ever shows its one page.
        ASSERT_EQ(pages.count(), 1);
        EXPECT_EQ(pages.at(0).at(0).toInt(), 0);
    }
}

TEST_F(ImageViewTest, EnsureTabLeavesOnlyATabThatIsNotAllowed) {
    view_->tabBar()->setCurrentIndex(0);
    view_->ensureTab(ImageView::Source | ImageView::Workspace, ImageView::Cutout);
    EXPECT_EQ(view_->currentViewTab(), ImageView::Source);
    view_->ensureTab(ImageView::Workspace | ImageView::Cutout, ImageView::Cutout);
    EXPECT_EQ(view_->currentViewTab(), ImageView::Cutout);
    EXPECT_TRUE(view_->tabActions()[2]->isChecked());
    // A fallback that names no tab leaves the tab as it is.
    view_->ensureTab(ImageView::Source, ImageView::ViewTab(8));
    EXPECT_EQ(view_->currentViewTab(), ImageView::Cutout);
}

TEST_F(ImageViewTest, ZoomAndScrollRequests) {
    struct Request {
        const char* what;
        std::function<void()> setUp;
        std::function<void()> request;
        std::function<void()> check;
    };
    QPointF centre;
    QPoint scroll;
    QPoint pointOnScreen;
    const auto screenPositionOf = [&](QPointF imagePoint) {
        return QPoint(
            qRound(imagePoint.x() * canvas_->zoom()) + canvas_->imageRect().x() - h_->value(),
            qRound(imagePoint.y() * canvas_->zoom()) + canvas_->imageRect().y() - v_->value());
    };
    const Request requests[] = {
        {"zoom in at 16 keeps 16 and the centre",
         [&] {
             view_->zoomToSlot(16);
             view_->centreViewportOnSlot(QPoint(300, 200));
             scroll = QPoint(h_->value(), v_->value());
         },
         [&] { view_->zoomInSlot(); },
         [&] {
             EXPECT_EQ(canvas_->zoom(), 16);
             EXPECT_NEAR(h_->value(), scroll.x(), 1);
             EXPECT_NEAR(v_->value(), scroll.y(), 1);
         }},
        {"a box under 5 screen pixels zooms one step about the centre",
         [&] {
             view_->zoomToSlot(1);
             view_->centreViewportOnSlot(QPoint(500, 350));
             centre = viewportCentre(h_, v_);
         },
         [&] { view_->minCheckedMoveImageViewportToSlot(ImageRectF(100, 80, 3, 40)); },
         [&] {
             EXPECT_DOUBLE_EQ(canvas_->zoom(), 1.25);
             EXPECT_NEAR(viewportCentre(h_, v_).x(), centre.x(), 0.002);
             EXPECT_NEAR(viewportCentre(h_, v_).y(), centre.y(), 0.002);
         }},
        {"a box fills the viewport around its centre", [&] { view_->zoomToSlot(1); },
         [&] { view_->minCheckedMoveImageViewportToSlot(ImageRectF(200, 150, 80, 60)); },
         [&] {
             const QSize port = workspace_->viewport()->size();
             EXPECT_DOUBLE_EQ(canvas_->zoom(), std::min(port.width() / 80.0, port.height() / 60.0));
             const QRectF shown = workspace_->displayedImageRect();
             EXPECT_NEAR(shown.center().x(), 240, 1);
             EXPECT_NEAR(shown.center().y(), 180, 1);
         }},
        {"width and height -1 scroll without zooming", [&] { view_->zoomToSlot(2); },
         [&] { view_->moveImageViewportToSlot(ImageRectF(120, 90.3, -1, -1)); },
         [&] {
             EXPECT_EQ(canvas_->zoom(), 2);
             EXPECT_EQ(h_->value(), 240);
             EXPECT_EQ(v_->value(), 181);
         }},
        {"a point zooms in one step and stays where it is on the screen",
         [&] {
             view_->zoomToSlot(2);
             h_->setValue(300);
             v_->setValue(200);
             pointOnScreen = screenPositionOf(QPointF(300, 250));
         },
         [&] { view_->moveImageViewportToSlot(ImageRectF(300, 250, 0, 0)); },
         [&] {
             EXPECT_DOUBLE_EQ(canvas_->zoom(), 2.5);
             const QPoint now = screenPositionOf(QPointF(300, 250));
             EXPECT_NEAR(now.x(), pointOnScreen.x(), 1);
             EXPECT_NEAR(now.y(), pointOnScreen.y(), 1);
         }},
        {"panning adds to the scroll position",
         [&] {
             view_->zoomToSlot(2);
             h_->setValue(100);
             v_->setValue(50);
         },
         [&] { view_->panImageViewportSlot(QPoint(30, -20)); },
         [&] {
             EXPECT_EQ(h_->value(), 130);
             EXPECT_EQ(v_->value(), 30);
         }},
        {"fit on screen uses the whole viewport", [&] { view_->zoomToSlot(3); },
         [&] { view_->fitImageOnScreenSlot(); },
         [&] {
             const QSize port = workspace_->viewport()->size();
             EXPECT_DOUBLE_EQ(canvas_->zoom(),
                              std::min(port.width() / 800.0, port.height() / 600.0));
             EXPECT_EQ(workspace_->displayedImageRect(), QRectF(0, 0, 0, 0));
         }},
    };
    openImage(800, 600);
    QSignalSpy zooms(view_, &ImageView::zoomChanged);
    for (const Request& r : requests) {
        SCOPED_TRACE(r.what);
        r.setUp();
        settle();
        zooms.clear();
        r.request();
        settle();
        r.check();
        if (zooms.count() > 0) {
            EXPECT_EQ(zooms.last().at(0).toDouble(), canvas_->zoom());
        }
    }
}

TEST_F(ImageViewTest, ReportsTheZeroRectangleWhileTheWholeImageIsVisible) {
    openImage(400, 300);
    QSignalSpy reports(view_, &ImageView::sayViewportRectChanged);
    EXPECT_EQ(workspace_->displayedImageRect(), QRectF(0, 0, 0, 0));
    window_->resize(660, 540);
    ASSERT_TRUE(test_support::waitFor([&] { return reports.count() > 0; }));
    EXPECT_EQ(reports.last().at(0).value<GRectF>(), QRectF(0, 0, 0, 0));

    reports.clear();
    wheel(workspace_->viewport(), -120);
    QApplication::processEvents();
    EXPECT_EQ(reports.count(), 0);

    // Zoomed in, scrolling reports the part on the screen, in image pixels.
    view_->zoomToSlot(4);
    settle();
    reports.clear();
    wheel(workspace_->viewport(), -120);
    ASSERT_GT(reports.count(), 0);
    const QRectF shown = reports.last().at(0).value<GRectF>();
    EXPECT_EQ(shown, workspace_->displayedImageRect());
    EXPECT_GT(shown.y(), 0);
    EXPECT_DOUBLE_EQ(shown.width(), workspace_->viewport()->width() / 4.0);
    EXPECT_EQ(reports.last().at(1).toDouble(), 4.0);
}

TEST_F(ImageViewTest, TabAndShiftTabReachTheMainWindowAndKeepTheFocus) {
    openImage(400, 300);
    for (QWidget* target : {static_cast<QWidget*>(canvas_), static_cast<QWidget*>(workspace_),
                            static_cast<QWidget*>(view_)}) {
        SCOPED_TRACE(target->metaObject()->className());
        window_->tabPresses.clear();
        target->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), target);
        QTest::keyClick(window_->windowHandle(), Qt::Key_Tab);
        QTest::keyClick(window_->windowHandle(), Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(window_->tabPresses, QList<bool>({false, true}));
        EXPECT_EQ(QApplication::focusWidget(), target);
    }
}

TEST_F(ImageViewTest, BrushSliderPutsThePointerAtTheViewportCentre) {
    openImage(800, 600);
    view_->zoomToSlot(2);
    settle();
    h_->setValue(200);
    v_->setValue(100);
    emit GmModel::instance()->brushSizeSliderMoved();
    const QSize port = workspace_->viewport()->size();
    EXPECT_EQ(canvas_->pointerPosition(),
              QPoint(qRound(200 + port.width() * 0.5), qRound(100 + port.height() * 0.5)) -
                  canvas_->imageRect().topLeft());
}

} // namespace
