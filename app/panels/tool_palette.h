// The tool palette: the narrow dock at the left of the main window that holds
// the tool buttons in a grid of two columns, with separators, buttons that
// hold a group of alternative tools, a header button that opens a web page,
// and any other widget the window puts there (the background picker).
//
// Widgets are placed row by row from row 1 (row 0 stays empty): a widget
// that does not fit into what is left of the row starts the next one (with
// the warning "Tool Palette: Misaligned widget add"), and a full row moves
// on by the row span of the widget that filled it.
//
// What the user wants (wanted-visible) is kept apart from the window's
// forced hiding (Tab hides all panels): only show and close events change
// it, so the palette comes back when the forced hiding ends unless the user
// closed it meanwhile.
//
// Saved state, 10 bytes written with QDataStream version 7 (big-endian):
// position x and y (signed 32-bit), wanted-visible and floating (one byte
// each). The floating byte is only carried from restore to save.
#ifndef APP_PANELS_TOOL_PALETTE_H
#define APP_PANELS_TOOL_PALETTE_H

#include <QDockWidget>
#include <QList>
#include <QPoint>
#include <QSize>
#include <QString>

class QAction;
class QGridLayout;
class QMainWindow;
class QPixmap;
class QVBoxLayout;
class ToolPaletteButton;

class ToolPalette : public QDockWidget {
    Q_OBJECT
public:
    // Docked in `mainWindow`'s left area (floating without one). The toggle
    // action goes into `toggleReceiver`, with `shortcut` when not empty.
    explicit ToolPalette(QMainWindow* mainWindow, QWidget* toggleReceiver = nullptr,
                         const QString& shortcut = QString());

    // A button above the grid that opens `link` in the desktop's browser;
    // `active` is its picture under the pointer.
    void setHeaderLink(const QPixmap& normal, const QPixmap& active, const QString& toolTip,
                       const QString& link);
    // A button for `action` over `columns` columns; null for a null action.
    ToolPaletteButton* addActionButton(QAction* action, int columns = 1,
                                       Qt::Alignment alignment = Qt::Alignment());
    // One button for alternative tools: it shows and triggers the one last
    // chosen from its menu. Null for fewer than two actions or a null first
    // or second.
    ToolPaletteButton* addActionGroupButton(const QList<QAction*>& actions);
    // A button for `action` whose second click in quick succession triggers
    // `companion` (an action); null when either is null.
    ToolPaletteButton* addActionWithWidget(QAction* action, QObject* companion);
    // Places `widget` by the rule above; nothing for a null widget or a
    // column span below 1.
    void addWidget(QWidget* widget, int rowSpan, int columnSpan,
                   Qt::Alignment alignment = Qt::Alignment());
    // A sunken line across the palette.
    void addSeparator();

    // The window hides (true) or gives back (false) the palette; the palette
    // comes back only when the user wants it.
    void setForcedHidden(bool hidden);
    bool isForcedHidden() const { return forcedHidden_; }
    bool isWantedVisible() const { return wantedVisible_; }

    QByteArray saveState();
    // Takes a whole saved state (anything shorter or unreadable is ignored):
    // moves to its position unless that is (-1, -1), shows the palette when
    // it was wanted.
    void restoreState(const QByteArray& state);

    int columnCount() const { return columns_; }
    QGridLayout* grid() const { return grid_; }
    QString headerLink() const { return headerLink_; }

public slots:
    void invokeHeaderLink();
    void slotTopLevelChanged(bool topLevel);

protected:
    bool event(QEvent* event) override;

private:
    ToolPaletteButton* newButton(int columns);

    QString headerLink_;
    int columns_ = 2;
    int column_ = 0;
    int row_ = 1;
    QSize iconSize_{-1, -1};
    QVBoxLayout* content_;
    QGridLayout* grid_;

    bool forcedHidden_ = false;
    bool wantedVisible_ = true;
    bool floating_ = false;
    QPoint position_{-1, -1};
};

#endif
