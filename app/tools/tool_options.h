// The strip that shows the current tool: its icon, and its options widget.
// Each tool's widget is stacked the first time its tool is selected and
// shown whenever it is selected again; a tool deletes its widget with itself,
// which takes it out of the stack. A tool without options leaves the shown
// page as it was. Selecting a tool also shows its what's-this text in the
// tip panel. The window title (and the icon's tool tip) name the tool.
#ifndef APP_TOOLS_TOOL_OPTIONS_H
#define APP_TOOLS_TOOL_OPTIONS_H

#include <QSize>
#include <QWidget>

class GmTool;
class QLabel;
class QStackedWidget;

class ToolOptions : public QWidget {
    Q_OBJECT
public:
    explicit ToolOptions(QWidget* parent = nullptr);

    // Shows `tool`'s icon, name and options widget, and its tip.
    void showTool(GmTool* tool);

    QLabel* iconLabel() const { return iconLabel_; }
    QStackedWidget* stack() const { return stack_; }
    // The size of the tool's icon in the strip: 20 x 20.
    static QSize iconSize() { return QSize(20, 20); }

private:
    QLabel* iconLabel_;
    QStackedWidget* stack_;
};

#endif
