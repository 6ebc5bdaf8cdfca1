#include "tools/mask_brushes.h"

#include "model/zt_app_prefs.h"
#include "shell/services/shell_functions.h"
#include "shell/services/whats_this_text.h"
#include "tools/tool_icons.h"

#include <QCoreApplication>

namespace {

struct BrushRow {
    const char* name;
    int status;
    int scope;
    const char* shortcut;
    const char* opening;
};

const char* const kBlendNote = " Blend Mask lies between those areas you want to keep and those "
                               "you wish to delete.</p>";

// Statuses: erase (unassigned) 1, keep 2, delete 4, blend 8. Scopes: exact
// 0, local 1, global 2.
const BrushRow kRows[MaskBrushTool::KindCount] = {
    {"Keep Exact Brush", 2, 0, "K",
     "<p>Paints a <b>Keep Mask</b> over a precise area that will then remain in the final "
     "cut-out.</p>"},
    {"Keep Local Brush", 2, 1, "Shift+K",
     "<p>Flood-fills a <b>Keep Mask</b> over objects that will then remain in the final "
     "cut-out.</p>"},
    {"Keep Global Brush", 2, 2, "Ctrl+K",
     "<p>Applies a <b>Keep Mask</b> to objects that will then remain in the final cut-out.</p>"},
    {"Delete Exact Brush", 4, 0, "D",
     "<p>Paints a <b>Delete Mask</b> over a precise area that will then be removed from the final "
     "cut-out.</p>"},
    {"Delete Local Brush", 4, 1, "Shift+D",
     "<p>Flood-fills a <b>Delete Mask</b> over objects that will then be removed from the final "
     "cut-out.</p>"},
    {"Delete Global Brush", 4, 2, "Ctrl+D",
     "<p>Applies a <b>Delete Mask</b> to objects that will then be removed from the final "
     "cut-out.</p>"},
    {"Blend Exact Brush", 8, 0, "B",
     "<p>Paints a <b>Blend Mask</b> over a precise area that will then be blended in the final "
     "cut-out."},
    {"Blend Local Brush", 8, 1, "Shift+B",
     "<p>Flood-fills a <b>Blend Mask</b> over objects that will then be blended in the final "
     "cut-out."},
    {"Blend Global Brush", 8, 2, "Ctrl+B",
     "<p>Applies a <b>Blend Mask</b> to objects that will then be blended in the final cut-out."},
    {"Erase Exact Brush", 1, 0, "E",
     "<p>Paint over an area of mask you want to erase (i.e., unmask).</p>"},
    {"Erase Local Brush", 1, 1, "Shift+E",
     "<p>Paint over objects already masked that you want to erase.</p>"},
    {"Erase Global Brush", 1, 2, "Ctrl+E",
     "<p>Paint over objects already masked that you want to erase.</p>"},
};

QString tr(const char* text) {
    return QCoreApplication::translate("MaskBrushTool", text, "[tip]");
}

// What the brush does beyond its opening paragraph, by scope.
QString restOfTip(const BrushRow& row) {
    switch (row.scope) {
    case 0: {
        QString text = tr("<p>Only the pixels under the brush are marked. Hold <i>Shift</i> to "
                          "paint a straight line from the last point.</p>");
        if (row.status == 2 || row.status == 4)
            text += tr("<p>%1 keeps this mark exactly as painted when it computes the "
                       "cut-out.</p>")
                        .arg(productName());
        return text;
    }
    case 1:
        return tr("<p>The regions the brush touches are filled up to the object edges found with "
                  "the current <b>Edge Finding</b> settings. The <b>Strength</b> sets how far the "
                  "fill reaches into similar neighbours.</p>");
    default:
        return tr("<p>Every region of the image (or of the active patch) with a colour like the "
                  "ones the brush touches is marked. The <b>Strength</b> sets how alike the "
                  "colours must be.</p>");
    }
}

QString whatsThisOf(const BrushRow& row) {
    QString opening = tr(row.opening);
    if (row.status == 8) opening += tr(kBlendNote);
    return opening + restOfTip(row) +
           learnMoreParagraph(QStringLiteral("4-Zeltran_Tools/Brush_Tools.htm"));
}

} // namespace

MaskBrushTool::MaskBrushTool(Kind kind, QActionGroup* actionGroup, QWidget* actionWidget,
                             QWidget* actionHolder, QWidget* optionsParent)
    : SelectTool(kRows[kind].status, kRows[kind].scope, QString::fromLatin1(kRows[kind].name),
                 QCoreApplication::translate("MaskBrushTool", kRows[kind].name),
                 maskBrushIcon(kRows[kind].status, kRows[kind].scope),
                 QString::fromLatin1(kRows[kind].shortcut), whatsThisOf(kRows[kind]), actionGroup,
                 actionWidget, actionHolder, optionsParent),
      kind_(kind) {}

QColor MaskBrushTool::cursorColour() const {
    switch (maskStatus()) {
    case 2:
        return ZtAppPrefs::currentColor(ZtAppPrefs::KeepMaskColor);
    case 4:
        return ZtAppPrefs::currentColor(ZtAppPrefs::DeleteMaskColor);
    case 8:
        return ZtAppPrefs::currentColor(ZtAppPrefs::BlendMaskColor);
    default:
        return Qt::gray;
    }
}

QColor MaskBrushTool::strokeColour() const {
    return cursorColour();
}

QString MaskBrushTool::nameOf(Kind kind) {
    return QString::fromLatin1(kRows[kind].name);
}

std::vector<std::unique_ptr<MaskBrushTool>> createMaskBrushes(QActionGroup* actionGroup,
                                                              QWidget* actionWidget,
                                                              QWidget* actionHolder,
                                                              QWidget* optionsParent) {
    std::vector<std::unique_ptr<MaskBrushTool>> brushes;
    for (int kind = 0; kind < MaskBrushTool::KindCount; ++kind)
        brushes.push_back(std::make_unique<MaskBrushTool>(
            MaskBrushTool::Kind(kind), actionGroup, actionWidget, actionHolder, optionsParent));
    return brushes;
}
