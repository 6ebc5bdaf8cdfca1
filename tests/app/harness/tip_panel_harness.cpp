// A window to look at the tools and the tip panel as a user would, before the
// main window exists: the image view with a photograph, the Tip panel docked
// beside it, a tool bar with two brushes (shortcuts K and D) and the options
// strip. Run it on a screen and press K or D, or rest the mouse on a control.
//   tip_panel_harness [IMAGE]
#include "files/named_image.h"
#include "files/zt_source_image.h"
#include "model/gm_model.h"
#include "panels/parameter_stack.h"
#include "panels/tip_window.h"
#include "shell/panel_framework/fake_dock.h"
#include "shell/services/whats_this_text.h"
#include "tools/gm_tool.h"
#include "tools/no_tool.h"
#include "workspace/image_view.h"

#include "harness_support.h"

#include <QApplication>
#include <QImage>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>

#include <memory>

namespace {

class HarnessBrush : public GmTool {
public:
    HarnessBrush(const QString& name, const QString& shortcut, const QString& whatsThis,
                 QWidget* window, QToolBar* toolBar)
        : GmTool(name, name, QIcon(), shortcut, whatsThis, nullptr, window, toolBar, nullptr) {
        auto* stack = new ParameterStack(ParameterStack::Horizontal, 0x108);
        stack->setSettingsGroup("ToolOptions/Common");
        stack->addParameter("Brush Size", "Size:", 1, 400, 20, " px", nullptr, nullptr, false);
        stack->addParameter("Strength", "Strength:", 0, 100, 50, "%", nullptr, nullptr, false);
        stack->setParameterToolTips("Strength", "How strongly the brush marks",
                                    "<p><b>Strength</b></p><p>How strongly the brush marks.</p>");
        setOptionsWidget(stack);
    }
    void activate(GmTool*) override {}
    void deactivate(GmTool*) override {}
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString path = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                  : QStringLiteral(CUTOUT_TEST_DATA "/chelsea.png");

    QWidget window;
    window.setWindowTitle("Tools and tips");
    auto* layout = new QVBoxLayout(&window);
    auto* toolBar = new QToolBar(&window);
    layout->addWidget(toolBar);
    const harness::ViewAndColumn column = harness::addViewAndColumn(&window, layout);
    GmTool::setImageView(column.view);

    auto* tip = new TipWindow(&window, "Ctrl+T", &window);
    harness::dockPanel(tip, column.dock);

    NoTool none;
    toolBar->addWidget(GmTool::sharedOptionsParent());
    const QString list = "<ul><li>Drag to paint.</li><li>Hold <i>Shift</i>for a line.</li></ul>";
    HarnessBrush keep("Keep Brush", "K",
                      "<p>Marks the parts that stay.</p>" + list +
                          learnMoreParagraph("4-Zeltran_Tools/Keep_Brush.htm"),
                      &window, toolBar);
    HarnessBrush remove("Delete Brush", "D", "<p>Marks the parts that go.</p>" + list, &window,
                        toolBar);

    window.resize(1100, 700);
    window.show();
    auto image = std::make_unique<ZtSourceImage>(NamedImage(QImage(path), QUrl()));
    if (image->isValid()) {
        GmModel::instance()->setSourceImage(image.get());
        emit GmModel::instance()->tellImageChanged(image.get());
    }
    none.installSlot();
    tip->updateVisibility();
    // The main window's default layout will size the column; here it is fixed.
    column.splitter->setSizes({760, 320});

    const int result = app.exec();
    GmModel::instance()->setSourceImage(nullptr);
    return result;
}
