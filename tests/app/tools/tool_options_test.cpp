// The options strip: the current tool's icon, name and options page.
#include "tools/tool_options.h"

#include "tool_fixture.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QStackedWidget>

namespace {

using ToolOptionsTest = ToolFixture;
using Options = TestTool::Options;

TEST_F(ToolOptionsTest, ShowsTheToolsIconAndNameAndKeepsThePageForAToolWithoutOptions) {
    openImage();
    TestTool brush("Brush", {});
    QPixmap red(32, 32);
    red.fill(Qt::red);
    brush.action()->setIcon(QIcon(red));
    Options bare;
    bare.withOptionsWidget = false;
    TestTool plain("Plain", bare); // and no icon
    auto* options = qobject_cast<ToolOptions*>(brush.optionsParent());
    ASSERT_NE(options, nullptr);

    // The icon, a gap of 8 and the pages, side by side.
    auto* layout = qobject_cast<QHBoxLayout*>(options->layout());
    ASSERT_NE(layout, nullptr);
    ASSERT_EQ(layout->count(), 3);
    EXPECT_EQ(layout->itemAt(0)->widget(), options->iconLabel());
    ASSERT_NE(layout->itemAt(1)->spacerItem(), nullptr);
    EXPECT_EQ(layout->itemAt(1)->spacerItem()->sizeHint().width(), 8);
    EXPECT_EQ(layout->itemAt(2)->widget(), options->stack());

    ASSERT_TRUE(brush.installSlot());
    const QPixmap shown = options->iconLabel()->pixmap(Qt::ReturnByValue);
    EXPECT_EQ(shown.size(), QSize(20, 20));
    EXPECT_EQ(shown.toImage().pixelColor(10, 10), QColor(Qt::red));
    EXPECT_EQ(options->iconLabel()->toolTip(), QString("Current Tool: Brush"));
    EXPECT_EQ(options->windowTitle(), QString("Brush"));
    EXPECT_EQ(options->stack()->currentWidget(), brush.optionsWidget());
    EXPECT_EQ(brush.optionsWidget()->objectName(), QString("ToolOptionsWidget"));

    ASSERT_TRUE(plain.installSlot());
    EXPECT_TRUE(options->iconLabel()->pixmap(Qt::ReturnByValue).isNull());
    EXPECT_EQ(options->iconLabel()->toolTip(), QString("Current Tool: Plain"));
    EXPECT_EQ(options->windowTitle(), QString("Plain"));
    EXPECT_EQ(options->stack()->currentWidget(), brush.optionsWidget());
}

} // namespace
