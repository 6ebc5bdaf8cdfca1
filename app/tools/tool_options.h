// The strip that shows the current tool's options widget. Each tool's
// widget is stacked the first time its tool is selected and shown whenever
// it is selected again; a tool deletes its widget with itself, which takes
// it out of the stack. Selecting a tool also shows its what's-this text in
// the tip panel.
#ifndef APP_TOOLS_TOOL_OPTIONS_H
#define APP_TOOLS_TOOL_OPTIONS_H

#include <QWidget>

class GmTool;
class QStackedWidget;

class ToolOptions : public QWidget {
    Q_OBJECT
public:
    explicit ToolOptions(QWidget* parent = nullptr);

    // Shows `tool`'s options widget (a tool without one leaves the shown
    // page as it was) and its tip.
    void showTool(GmTool* tool);

    QStackedWidget* stack() const { return stack_; }

private:
    QStackedWidget* stack_;
};

#endif
