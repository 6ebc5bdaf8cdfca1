// The twelve mask brushes: keep, delete, blend and erase, each exact, local
// and global. Each is a SelectTool fixed by its row of one table (name,
// status, scope, shortcut, icon, what's-this); the cursor and the stroke
// take the class's preference colour at each call, so a changed preference
// shows at once (erase is grey).
#ifndef APP_TOOLS_MASK_BRUSHES_H
#define APP_TOOLS_MASK_BRUSHES_H

#include "tools/select_tool.h"

#include <memory>
#include <vector>

class MaskBrushTool : public SelectTool {
    Q_OBJECT
public:
    // The rows of the table, in the tool palette's order.
    enum Kind {
        KeepExact,
        KeepLocal,
        KeepGlobal,
        DeleteExact,
        DeleteLocal,
        DeleteGlobal,
        BlendExact,
        BlendLocal,
        BlendGlobal,
        EraseExact,
        EraseLocal,
        EraseGlobal,
        KindCount
    };

    MaskBrushTool(Kind kind, QActionGroup* actionGroup, QWidget* actionWidget,
                  QWidget* actionHolder, QWidget* optionsParent);

    Kind kind() const { return kind_; }
    QColor cursorColour() const override;
    QColor strokeColour() const override;

    // The untranslated name of a row ("Keep Exact Brush").
    static QString nameOf(Kind kind);

private:
    Kind kind_;
};

// One brush class per row, as the rest of the program names them.
template <MaskBrushTool::Kind K> class MaskBrush : public MaskBrushTool {
public:
    explicit MaskBrush(QActionGroup* actionGroup = nullptr, QWidget* actionWidget = nullptr,
                       QWidget* actionHolder = nullptr, QWidget* optionsParent = nullptr)
        : MaskBrushTool(K, actionGroup, actionWidget, actionHolder, optionsParent) {}
};

using KeepExactTool = MaskBrush<MaskBrushTool::KeepExact>;
using KeepLocalTool = MaskBrush<MaskBrushTool::KeepLocal>;
using KeepGlobalTool = MaskBrush<MaskBrushTool::KeepGlobal>;
using DeleteExactTool = MaskBrush<MaskBrushTool::DeleteExact>;
using DeleteLocalTool = MaskBrush<MaskBrushTool::DeleteLocal>;
using DeleteGlobalTool = MaskBrush<MaskBrushTool::DeleteGlobal>;
using ComplexExactTool = MaskBrush<MaskBrushTool::BlendExact>;
using ComplexLocalTool = MaskBrush<MaskBrushTool::BlendLocal>;
using ComplexGlobalTool = MaskBrush<MaskBrushTool::BlendGlobal>;
using EraseExactTool = MaskBrush<MaskBrushTool::EraseExact>;
using EraseLocalTool = MaskBrush<MaskBrushTool::EraseLocal>;
using EraseGlobalTool = MaskBrush<MaskBrushTool::EraseGlobal>;

// All twelve, in the table's order.
std::vector<std::unique_ptr<MaskBrushTool>> createMaskBrushes(QActionGroup* actionGroup,
                                                              QWidget* actionWidget,
                                                              QWidget* actionHolder,
                                                              QWidget* optionsParent);

#endif
