#include "panels/parameter_stack.h"

#include "support/test_environment.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QSettings>
#include <QSignalSpy>
#include <QSlider>

#include <gtest/gtest.h>

#include <memory>

namespace {

class ParameterStackTest : public ::testing::Test {
protected:
    void SetUp() override { QSettings().clear(); }
    void TearDown() override { QSettings().clear(); }

    // A stack of two parameters, "Size" (1..400, default 20) and "Strength"
    // (0..100, default 50).
    static std::unique_ptr<ParameterStack> twoParameters(int orientation, int flags) {
        auto stack = std::make_unique<ParameterStack>(orientation, flags);
        stack->setSettingsGroup("ToolOptions/Test");
        EXPECT_TRUE(
            stack->addParameter("Size", "Size:", 1, 400, 20, " px", nullptr, nullptr, false));
        EXPECT_TRUE(
            stack->addParameter("Strength", "Strength:", 0, 100, 50, "%", nullptr, nullptr, false));
        return stack;
    }

    // Row, column, row span and column span of `widget` in the stack's grid.
    static QList<int> cell(const ParameterStack& stack, QWidget* widget) {
        int row = -1, column = -1, rows = -1, columns = -1;
        const int index = stack.grid()->indexOf(widget);
        if (index >= 0) stack.grid()->getItemPosition(index, &row, &column, &rows, &columns);
        return {row, column, rows, columns};
    }

    template <typename W> static W* widgetAt(const ParameterStack& stack, int index) {
        return qobject_cast<W*>(stack.grid()->itemAt(index)->widget());
    }
};

TEST_F(ParameterStackTest, ASecondParameterOfTheSameNameIsRefusedAndAddsNothing) {
    auto stack = twoParameters(ParameterStack::Horizontal, 0x108);
    const int items = stack->grid()->count();
    EXPECT_FALSE(stack->addParameter("Size", "Again:", 0, 10, 5, "", nullptr, nullptr, false));
    EXPECT_EQ(stack->grid()->count(), items);
    EXPECT_EQ(stack->findChildren<QSpinBox*>().size(), 2);
}

TEST_F(ParameterStackTest, HorizontalSliderBesideWithSunkenLinesPlacesTheSecondAfterALine) {
    auto stack = twoParameters(ParameterStack::Horizontal, 0x108);
    // Label, slider, box | line | label, slider, box.
    ASSERT_EQ(stack->grid()->count(), 7);
    auto* line = widgetAt<QFrame>(*stack, 3);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->frameShape(), QFrame::VLine);
    EXPECT_EQ(line->frameShadow(), QFrame::Sunken);
    EXPECT_EQ(cell(*stack, line), (QList<int>{0, 3, 1, 1}));
    EXPECT_EQ(cell(*stack, widgetAt<QLabel>(*stack, 4)), (QList<int>{0, 4, 1, 1}));
    EXPECT_EQ(cell(*stack, widgetAt<QSlider>(*stack, 5)), (QList<int>{0, 5, 1, 1}));
    EXPECT_EQ(cell(*stack, stack->spinBox("Strength")), (QList<int>{0, 6, 1, 1}));
}

struct LayoutCase {
    const char* name;
    int orientation;
    int flags;
    // Cells {row, column, rows, columns} of the second parameter's label,
    // box and slider (slider {-1,...} when not in the grid), and the separator's.
    QList<int> label, box, slider, separator;
    QFrame::Shape separatorShape;
    QFrame::Shadow separatorShadow;
};

void PrintTo(const LayoutCase& c, std::ostream* out) {
    *out << c.name;
}

class ParameterStackLayoutTest : public ParameterStackTest,
                                 public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(ParameterStackLayoutTest, PlacesLabelBoxSliderAndSeparatorByTheFlags) {
    const LayoutCase c = GetParam();
    auto stack = twoParameters(c.orientation, c.flags);
    QSpinBox* box = stack->spinBox("Strength");
    const int b = stack->grid()->indexOf(box);
    ASSERT_GE(b, 1);
    auto* label = widgetAt<QLabel>(*stack, c.flags & 0x04 ? b - 1 : c.flags & 0x08 ? b - 2 : b - 1);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), "Strength:");
    EXPECT_EQ(cell(*stack, label), c.label);
    EXPECT_EQ(cell(*stack, box), c.box);

    QSlider* slider = nullptr;
    for (QSlider* s : stack->findChildren<QSlider*>())
        if (s->maximum() == 100) slider = s;
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(cell(*stack, slider), c.slider);
    EXPECT_EQ(slider->isHidden(), c.slider[0] < 0);
    EXPECT_EQ(slider->parent(), stack.get());

    QList<QFrame*> lines;
    for (QFrame* f : stack->findChildren<QFrame*>())
        if (!qobject_cast<QLabel*>(f) && !qobject_cast<QAbstractSpinBox*>(f)) lines << f;
    if (c.separator[0] < 0) {
        EXPECT_TRUE(lines.isEmpty());
    } else {
        ASSERT_EQ(lines.size(), 1);
        EXPECT_EQ(cell(*stack, lines[0]), c.separator);
        EXPECT_EQ(lines[0]->frameShape(), c.separatorShape);
        EXPECT_EQ(lines[0]->frameShadow(), c.separatorShadow);
    }
}

const QList<int> kNowhere{-1, -1, -1, -1};

INSTANTIATE_TEST_SUITE_P(Flags, ParameterStackLayoutTest,
                         ::testing::Values(
                             // Vertical: the first parameter takes rows 0 and 1 (row 1 empty).
                             LayoutCase{"VerticalBetweenPlain",
                                        2,
                                        0x48,
                                        {3, 0, 1, 1},
                                        {3, 2, 1, 1},
                                        {3, 1, 1, 1},
                                        {2, 0, 1, 3},
                                        QFrame::HLine,
                                        QFrame::Plain},
                             LayoutCase{"VerticalAboveRaised",
                                        2,
                                        0x84,
                                        {5, 0, 1, 1},
                                        {5, 1, 1, 1},
                                        {4, 0, 1, 2},
                                        {3, 0, 1, 2},
                                        QFrame::HLine,
                                        QFrame::Raised},
                             LayoutCase{"VerticalBelowNoLines",
                                        2,
                                        0x30,
                                        {3, 0, 1, 1},
                                        {3, 1, 1, 1},
                                        {5, 0, 1, 2},
                                        kNowhere,
                                        QFrame::NoFrame,
                                        QFrame::Plain},
                             LayoutCase{"VerticalNoSliderShapeless",
                                        2,
                                        0x02,
                                        {3, 0, 1, 1},
                                        {3, 1, 1, 1},
                                        kNowhere,
                                        {2, 0, 1, 2},
                                        QFrame::NoFrame,
                                        QFrame::Plain},
                             LayoutCase{"VerticalNowhere",
                                        2,
                                        0x100,
                                        {3, 0, 1, 1},
                                        {3, 1, 1, 1},
                                        kNowhere,
                                        {2, 0, 1, 3},
                                        QFrame::HLine,
                                        QFrame::Sunken},
                             LayoutCase{"HorizontalAbove",
                                        1,
                                        0x104,
                                        {1, 3, 1, 1},
                                        {1, 4, 1, 1},
                                        {0, 3, 1, 2},
                                        {0, 2, 2, 1},
                                        QFrame::VLine,
                                        QFrame::Sunken},
                             LayoutCase{"HorizontalBelowUnderLabel",
                                        1,
                                        0x110,
                                        {0, 3, 1, 1},
                                        {0, 4, 1, 1},
                                        {2, 3, 1, 2},
                                        {0, 2, 2, 1},
                                        QFrame::VLine,
                                        QFrame::Sunken},
                             LayoutCase{"HorizontalPlainWinsOverSunken",
                                        1,
                                        0x148,
                                        {0, 4, 1, 1},
                                        {0, 6, 1, 1},
                                        {0, 5, 1, 1},
                                        {0, 3, 1, 1},
                                        QFrame::VLine,
                                        QFrame::Plain}),
                         [](const ::testing::TestParamInfo<LayoutCase>& info) {
                             return info.param.name;
                         });

struct IndexCase {
    int flags;
    // Which of the parameter's widgets the indexes name, in order.
    QList<const char*> kinds;
};

class ParameterStackIndexTest : public ParameterStackTest,
                                public ::testing::WithParamInterface<IndexCase> {};

TEST_P(ParameterStackIndexTest, WidgetIndexesNameTheParametersOwnWidgets) {
    const IndexCase c = GetParam();
    for (int orientation : {1, 2}) {
        auto stack = twoParameters(orientation, c.flags);
        for (const char* name : {"Size", "Strength"}) {
            QList<int> indexes;
            ASSERT_TRUE(stack->parameterWidgetIndexes(name, indexes));
            ASSERT_EQ(indexes.size(), c.kinds.size()) << name;
            for (int i = 0; i < indexes.size(); ++i) {
                QWidget* w = stack->grid()->itemAt(indexes[i])->widget();
                const QString kind = QString(c.kinds[i]);
                if (kind == "label") {
                    EXPECT_NE(qobject_cast<QLabel*>(w), nullptr);
                } else if (kind == "slider") {
                    EXPECT_NE(qobject_cast<QSlider*>(w), nullptr);
                } else {
                    EXPECT_EQ(w, stack->spinBox(name));
                }
            }
        }
        QList<int> unknown{7};
        EXPECT_FALSE(stack->parameterWidgetIndexes("Hardness", unknown));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Flags, ParameterStackIndexTest,
    ::testing::Values(IndexCase{0x02, {"label", "box"}},
                      IndexCase{0x0a, {"label", "box"}}, // no slider wins over beside
                      IndexCase{0x04, {"slider", "label", "box"}},
                      IndexCase{0x08, {"label", "slider", "box"}},
                      IndexCase{0x10, {"label", "box", "slider"}}, IndexCase{0x100, {}},
                      IndexCase{0x21, {}}));

TEST_F(ParameterStackTest, ToolTipsGoToThePlacedWidgetsOnlyAndNeedASliderFlag) {
    auto beside = twoParameters(ParameterStack::Horizontal, 0x108);
    EXPECT_TRUE(beside->setParameterToolTips("Strength", "How strong", "<p><b>Strength</b></p>"));
    QList<int> indexes;
    beside->parameterWidgetIndexes("Strength", indexes);
    for (int index : indexes) {
        QWidget* w = beside->grid()->itemAt(index)->widget();
        EXPECT_EQ(w->toolTip(), "How strong");
        EXPECT_EQ(w->whatsThis(), "<p><b>Strength</b></p>");
    }
    EXPECT_TRUE(beside->spinBox("Size")->toolTip().isEmpty());
    EXPECT_FALSE(beside->setParameterToolTips("Hardness", "x", "y"));

    auto nowhere = twoParameters(ParameterStack::Vertical, 0x100);
    EXPECT_TRUE(nowhere->setParameterToolTips("Strength", "How strong", "y"));
    for (QWidget* w : nowhere->findChildren<QWidget*>())
        EXPECT_TRUE(w->toolTip().isEmpty());
}

TEST_F(ParameterStackTest, StoredValueOutOfRangeIsClampedAndSliderAndBoxMoveTogether) {
    QSettings().setValue("ToolOptions/Test/Size", 1000);
    QSettings().setValue("ToolOptions/Test/Strength", -5);
    auto stack = twoParameters(ParameterStack::Vertical, 0x08);
    ParameterStack::SpinBox* size = stack->spinBox("Size");
    ParameterStack::SpinBox* strength = stack->spinBox("Strength");
    EXPECT_EQ(size->value(), 400);
    EXPECT_EQ(strength->value(), 0);
    EXPECT_EQ(size->minimum(), 1);
    EXPECT_EQ(size->suffix(), " px");
    auto* slider = widgetAt<QSlider>(*stack, stack->grid()->indexOf(size) - 1);
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->value(), 400);
    EXPECT_EQ(slider->minimum(), 1);

    slider->setValue(37);
    EXPECT_EQ(size->value(), 37);
    size->setValue(12);
    EXPECT_EQ(slider->value(), 12);
}

TEST_F(ParameterStackTest, PersistedBoxesWriteTheirValueAndConnectionsReachTheReceiver) {
    {
        ParameterStack stack(ParameterStack::Vertical, 0x08);
        stack.setSettingsGroup("ToolOptions/Common");
        QSlider receiver;
        receiver.setRange(0, 1000);
        ASSERT_TRUE(stack.addParameter("Brush Size", "Size:", 1, 400, 20, "", &receiver,
                                       SLOT(setValue(int)), true));
        ASSERT_TRUE(stack.addParameter("Hidden", "Hidden:", 0, 9, 3, "", nullptr, nullptr, false));
        EXPECT_EQ(stack.spinBox("Brush Size")->objectName(), "ToolOptions/Common/BrushSize");
        stack.spinBox("Brush Size")->setValue(77);
        EXPECT_EQ(receiver.value(), 77);
        EXPECT_TRUE(stack.connectParameter("Hidden", nullptr, nullptr));
        EXPECT_FALSE(stack.connectParameter("Nothing", &receiver, SLOT(setValue(int))));
        EXPECT_FALSE(stack.connectParameter("Hidden", &receiver, SLOT(noSuchSlot(int))));
    }
    EXPECT_EQ(QSettings().value("ToolOptions/Common/BrushSize").toInt(), 77);
    EXPECT_FALSE(QSettings().contains("ToolOptions/Common/Hidden"));
}

TEST_F(ParameterStackTest, HiddenBoxFlagHidesOnlyTheBox) {
    auto stack = twoParameters(ParameterStack::Vertical, 0x09);
    EXPECT_TRUE(stack->spinBox("Size")->isHidden());
    for (QSlider* s : stack->findChildren<QSlider*>())
        EXPECT_FALSE(s->isHidden());
}

TEST_F(ParameterStackTest, CommonStrengthSwitchesOnlyTheSharedStacksStrengthWidgets) {
    ParameterStack::setCommonStrengthEnabled(false); // no shared stack: nothing happens
    auto stack = twoParameters(ParameterStack::Horizontal, 0x108);
    ParameterStack::setCommonStack(stack.get());
    ParameterStack::setCommonStrengthEnabled(false);
    QList<int> strength, size;
    stack->parameterWidgetIndexes("Strength", strength);
    stack->parameterWidgetIndexes("Size", size);
    for (int i : strength)
        EXPECT_FALSE(stack->grid()->itemAt(i)->widget()->isEnabled());
    for (int i : size)
        EXPECT_TRUE(stack->grid()->itemAt(i)->widget()->isEnabled());
    ParameterStack::setCommonStrengthEnabled(true);
    for (int i : strength)
        EXPECT_TRUE(stack->grid()->itemAt(i)->widget()->isEnabled());
    stack.reset();
    EXPECT_EQ(ParameterStack::commonStack(), nullptr);
    ParameterStack::setCommonStrengthEnabled(false);
}

} // namespace
