#include "tools/clean_tool.h"

#include "model/gm_model.h"
#include "model/gm_status_array.h"
#include "model/tool_hooks.h"
#include "panels/parameter_stack.h"
#include "shell/services/whats_this_text.h"
#include "tools/tool_icons.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPointer>

#include <algorithm>

namespace {

constexpr int kWeakest = 1;
constexpr int kStrongest = 20;
constexpr int kDefaultStrength = 3;
const char* const kStrength = "Strength";

QPointer<ParameterStack> theCleanStack;
int theStoredStrength = kDefaultStrength;

QSpinBox* strengthRow() {
    return theCleanStack ? theCleanStack->spinBox(QString::fromLatin1(kStrength)) : nullptr;
}

} // namespace

CleanTool::CleanTool(QActionGroup* actionGroup, QWidget* actionWidget, QWidget* actionHolder,
                     QWidget* optionsParent)
    : GmTool(QStringLiteral("Clean Tool"), tr("Clean Tool"), cleanToolIcon(), QStringLiteral("L"),
             tr("<p>Use to fill small holes in a larger masked area to make it continuous.</p><p>"
                "Click on the mask you want to be filled. The tool <b>Strength</b> determines how "
                "big the filled holes must be to be filled automatically.</p>") +
                 learnMoreParagraph(QStringLiteral("4-Zeltran_Tools/Clean_Tool.htm")),
             actionGroup, actionWidget, actionHolder, optionsParent) {
    auto* options = new QWidget;
    auto* layout = new QHBoxLayout(options);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* stack = new ParameterStack(ParameterStack::Vertical,
                                     ParameterStack::HideSpinBox | ParameterStack::SliderBetween |
                                         ParameterStack::SunkenSeparators,
                                     options);
    stack->setSettingsGroup(QStringLiteral("ToolOptions/CleanTool"));
    stack->addParameter(QString::fromLatin1(kStrength), tr("Strength") + QStringLiteral(": "),
                        kWeakest, kStrongest, kDefaultStrength, QString(), nullptr, nullptr, false);
    stack->setParameterToolTips(QString::fromLatin1(kStrength),
                                tr("Maximum size of the holes that will be filled"), QString());
    stack->layout()->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(stack);
    layout->addWidget(new QWidget(options), 1);
    theCleanStack = stack;
    setOptionsWidget(options);

    toolHooks().cleanStrength = &CleanTool::strength;
    toolHooks().setCleanStrength = &CleanTool::setStrength;
}

CleanTool::~CleanTool() {
    // The options go with the tool (tool base); the value stays for the actions.
    theStoredStrength = strength();
}

QCursor CleanTool::cursor() const {
    return QCursor(Qt::CrossCursor);
}

void CleanTool::mousePress(QMouseEvent* event, const QPointF& point) {
    if (event->button() != Qt::LeftButton) return;
    GmModel* model = GmModel::instance();
    if (!model->sourceImage() || !model->imageRect().contains(point)) return;
    const QImage& status = model->statusArray()->statusImage();
    if (status.isNull()) return;
    const int factor = model->resolutionFactor();
    // The image rectangle holds its right and bottom edges, which lie one
    // past the last status pixel.
    const int x = std::clamp(int(point.x() / factor), 0, status.width() - 1);
    const int y = std::clamp(int(point.y() / factor), 0, status.height() - 1);
    model->cleanAllSelection(status.pixelIndex(x, y) & 0x0F);
}

void CleanTool::activate(GmTool*) {
    resetButtonState();
}

void CleanTool::deactivate(GmTool*) {
    resetButtonState();
}

int CleanTool::strength() {
    if (QSpinBox* row = strengthRow()) return row->value();
    return theStoredStrength;
}

void CleanTool::setStrength(int strength) {
    if (QSpinBox* row = strengthRow())
        row->setValue(strength);
    else
        theStoredStrength = std::clamp(strength, kWeakest, kStrongest);
}
