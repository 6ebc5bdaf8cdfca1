// The tool palette: where widgets go in its grid, what the user wants
// against the window's forced hiding, its saved state, and the buttons'
// companions and group mark.
#include "panels/tool_palette.h"

#include "panels/tool_palette_button.h"
#include "support/test_environment.h"
#include "support/warning_capture.h"

#include <QAction>
#include <QApplication>
#include <QDataStream>
#include <QFrame>
#include <QGridLayout>
#include <QMainWindow>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

using test_support::WarningCapture;

QByteArray stateOf(qint32 x, qint32 y, bool wanted, bool floating) {
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(7);
    stream << x << y << wanted << floating;
    return bytes;
}

// The grid cell of `widget`: row, column, row span, column span.
QVector<int> cellIn(const ToolPalette& palette, QWidget* widget) {
    int row = -1, column = -1, rows = -1, columns = -1;
    const int index = palette.grid()->indexOf(widget);
    if (index >= 0) palette.grid()->getItemPosition(index, &row, &column, &rows, &columns);
    return {row, column, rows, columns};
}

class ToolPaletteTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = std::make_unique<QMainWindow>();
        window_->setIconSize(QSize(24, 24));
        window_->setCentralWidget(new QWidget);
        palette_ = new ToolPalette(window_.get(), window_.get(), QStringLiteral("Ctrl+Shift+T"));
        window_->resize(400, 300);
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    }

    QVector<int> cellOf(QWidget* widget) const { return cellIn(*palette_, widget); }

    std::unique_ptr<QMainWindow> window_;
    ToolPalette* palette_ = nullptr;
};

TEST_F(ToolPaletteTest, IsTheLeftDockWithItsToggleActionAndName) {
    EXPECT_EQ(window_->dockWidgetArea(palette_), Qt::LeftDockWidgetArea);
    EXPECT_EQ(palette_->allowedAreas(), Qt::LeftDockWidgetArea);
    EXPECT_EQ(palette_->objectName(), QString("DockWidget: Tools"));
    EXPECT_EQ(palette_->windowTitle(), QString("Tools"));
    EXPECT_EQ(palette_->toggleViewAction()->text(), QString("Tools"));
    EXPECT_EQ(palette_->toggleViewAction()->shortcut(), QKeySequence("Ctrl+Shift+T"));
    EXPECT_TRUE(window_->actions().contains(palette_->toggleViewAction()));
    EXPECT_EQ(palette_->columnCount(), 2);
}

TEST_F(ToolPaletteTest, WidgetsFillTheRowsFromRowOneAndAMisfitStartsTheNextRow) {
    struct Add {
        int rowSpan;
        int columnSpan;
        QVector<int> cell; // row, column, row span, column span
    };
    struct Case {
        const char* what;
        QVector<Add> adds;
        int warnings;
    };
    const Case cases[] = {
        {"two one-column widgets fill a row",
         {{1, 1, {1, 0, 1, 1}}, {1, 1, {1, 1, 1, 1}}, {1, 1, {2, 0, 1, 1}}},
         0},
        {"a two-column widget at column 1",
         {{1, 1, {1, 0, 1, 1}}, {1, 2, {2, 0, 1, 2}}, {1, 1, {3, 0, 1, 1}}},
         1},
        {"a two-by-two widget", {{2, 2, {1, 0, 2, 2}}, {1, 1, {3, 0, 1, 1}}}, 0},
        {"nothing for a column span of 0", {{1, 0, {-1, -1, -1, -1}}, {1, 1, {1, 0, 1, 1}}}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ToolPalette palette(nullptr);
        WarningCapture capture;
        for (const Add& add : c.adds) {
            auto* widget = new QWidget;
            palette.addWidget(widget, add.rowSpan, add.columnSpan);
            EXPECT_EQ(cellIn(palette, widget), add.cell);
            if (!widget->parent()) delete widget;
        }
        EXPECT_EQ(WarningCapture::warnings().count("Tool Palette: Misaligned widget add"),
                  c.warnings);
        palette.addWidget(nullptr, 1, 1); // ignored
    }
}

TEST_F(ToolPaletteTest, ButtonsTakeTheWindowsIconSizeTimesTheirColumns) {
    QAction wide("Wide"), narrow("Narrow"), other("Other"), first("First"), second("Second");
    ToolPaletteButton* wideButton = palette_->addActionButton(&wide, 2);
    ToolPaletteButton* narrowButton = palette_->addActionButton(&narrow);
    palette_->addActionButton(&other);
    palette_->addSeparator();
    ToolPaletteButton* group = palette_->addActionGroupButton({&first, &second});
    EXPECT_EQ(palette_->addActionButton(nullptr), nullptr);
    EXPECT_EQ(palette_->addActionGroupButton({&first}), nullptr);
    EXPECT_EQ(palette_->addActionGroupButton({&first, nullptr}), nullptr);
    EXPECT_EQ(palette_->addActionWithWidget(&first, nullptr), nullptr);

    EXPECT_EQ(wideButton->iconSize(), QSize(48, 24));
    EXPECT_EQ(cellOf(wideButton), (QVector<int>{1, 0, 1, 2}));
    EXPECT_EQ(narrowButton->iconSize(), QSize(24, 24));
    EXPECT_EQ(cellOf(narrowButton), (QVector<int>{2, 0, 1, 1}));
    auto* line = qobject_cast<QFrame*>(palette_->grid()->itemAtPosition(3, 0)->widget());
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->frameShape(), QFrame::HLine);
    EXPECT_EQ(cellOf(line), (QVector<int>{3, 0, 1, 2}));
    EXPECT_EQ(cellOf(group), (QVector<int>{4, 0, 1, 1}));
    EXPECT_TRUE(wideButton->autoRaise());
    EXPECT_EQ(wideButton->focusPolicy(), Qt::NoFocus);

    // A group button shows and triggers the tool last chosen.
    EXPECT_EQ(group->defaultAction(), &first);
    emit group->triggered(&second);
    EXPECT_EQ(group->defaultAction(), &second);
}

TEST_F(ToolPaletteTest, AGroupButtonCarriesATriangleMarkAndASingleOneNone) {
    QAction a("A"), b("B"), c("C");
    ToolPaletteButton* single = palette_->addActionButton(&a);
    ToolPaletteButton* group = palette_->addActionGroupButton({&b, &c});
    for (ToolPaletteButton* button : {single, group})
        button->setFixedSize(40, 40);
    // The mark's top line runs from 4 left of (width - 8, height - 10) to 2 right of it.
    const QImage withMark = group->grab().toImage();
    const QImage without = single->grab().toImage();
    const QColor text = group->palette().color(QPalette::ButtonText);
    EXPECT_EQ(withMark.pixelColor(40 - 8 - 1, 40 - 8 - 2), text);
    EXPECT_EQ(withMark.pixelColor(40 - 8 - 1, 40 - 8 + 1), text); // the point at the bottom
    EXPECT_NE(without.pixelColor(40 - 8 - 1, 40 - 8 - 2), text);
}

TEST_F(ToolPaletteTest, ASecondClickTriggersTheCompanionWithoutTogglingAndAThirdStartsAnew) {
    QAction tool("Tool"), companion("Options");
    tool.setCheckable(true);
    QSignalSpy toolTriggered(&tool, &QAction::triggered);
    QSignalSpy companionTriggered(&companion, &QAction::triggered);
    ToolPaletteButton* button = palette_->addActionWithWidget(&tool, &companion);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->companion(), &companion);

    button->click();
    EXPECT_EQ(toolTriggered.count(), 1);
    EXPECT_TRUE(tool.isChecked());
    button->click();
    EXPECT_EQ(companionTriggered.count(), 1);
    EXPECT_EQ(toolTriggered.count(), 1);
    EXPECT_TRUE(tool.isChecked());
    button->click();
    EXPECT_EQ(toolTriggered.count(), 2);
    EXPECT_FALSE(tool.isChecked());
    EXPECT_EQ(companionTriggered.count(), 1);

    // Slower than a double click: two single clicks.
    const int interval = QApplication::doubleClickInterval();
    QApplication::setDoubleClickInterval(1);
    QTest::qWait(20);
    button->click();
    QTest::qWait(20);
    button->click();
    QApplication::setDoubleClickInterval(interval);
    EXPECT_EQ(toolTriggered.count(), 4);
    EXPECT_EQ(companionTriggered.count(), 1);
}

TEST_F(ToolPaletteTest, ForcedHidingEndsInWhatTheUserWants) {
    ASSERT_TRUE(palette_->isVisible());
    EXPECT_TRUE(palette_->isWantedVisible());

    palette_->setForcedHidden(true);
    EXPECT_FALSE(palette_->isVisible());
    EXPECT_TRUE(palette_->isForcedHidden());
    EXPECT_TRUE(palette_->isWantedVisible());
    palette_->setForcedHidden(false);
    EXPECT_TRUE(palette_->isVisible());

    // Closed by the user: it stays closed when the forced hiding ends.
    palette_->close();
    EXPECT_FALSE(palette_->isWantedVisible());
    palette_->setForcedHidden(true);
    palette_->setForcedHidden(false);
    EXPECT_FALSE(palette_->isVisible());

    // Shown again by the user: wanted again.
    palette_->toggleViewAction()->trigger();
    EXPECT_TRUE(palette_->isVisible());
    EXPECT_TRUE(palette_->isWantedVisible());
}

TEST_F(ToolPaletteTest, TheStateIsTenBytesAndOnlyAWholeOneIsRestored) {
    const QByteArray fresh = palette_->saveState();
    EXPECT_EQ(fresh, stateOf(-1, -1, true, false));

    // Position and the floating byte travel through a docked palette unchanged.
    const QByteArray saved = stateOf(30, 40, true, true);
    palette_->restoreState(saved);
    EXPECT_EQ(palette_->saveState(), saved);

    // Anything shorter than the whole record is ignored.
    const QByteArray unwanted = stateOf(5, 6, false, false);
    for (int size : {0, 3, 4, 9}) {
        SCOPED_TRACE(size);
        palette_->restoreState(unwanted.left(size));
        EXPECT_TRUE(palette_->isWantedVisible());
        EXPECT_EQ(palette_->saveState(), saved);
    }
    palette_->restoreState(unwanted);
    EXPECT_FALSE(palette_->isWantedVisible());

    // A floating palette saves where it is; (-1, -1) leaves it there.
    palette_->setFloating(true);
    palette_->move(120, 90);
    const QPoint at = palette_->pos();
    palette_->restoreState(stateOf(-1, -1, true, false));
    EXPECT_EQ(palette_->pos(), at);
    EXPECT_TRUE(palette_->isVisible());
    EXPECT_EQ(palette_->saveState(), stateOf(at.x(), at.y(), true, false));
}

TEST_F(ToolPaletteTest, TheHeaderButtonOpensItsLink) {
    QPixmap normal(16, 12);
    normal.fill(Qt::blue);
    QPixmap active(16, 12);
    active.fill(Qt::cyan);
    palette_->setHeaderLink(normal, active, QStringLiteral("Visit"),
                            QStringLiteral("http://127.0.0.1/tools"));
    auto* header =
        qobject_cast<ToolPaletteButton*>(palette_->widget()->layout()->itemAt(0)->widget());
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->toolTip(), QString("Visit"));
    EXPECT_EQ(header->iconSize(), QSize(16, 12));
    header->click();
    EXPECT_EQ(test_support::openedUrls(), QList<QUrl>{QUrl("http://127.0.0.1/tools")});
}

} // namespace
