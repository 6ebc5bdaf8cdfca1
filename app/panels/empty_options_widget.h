// The options page of the tools that have no options (the patch tools and
// the cut-out preview): one widget, made on first use, whose vertical layout
// holds only a stretch. The tool options panel shows it; it lives as long as
// its parent, or until the process ends.
#ifndef APP_PANELS_EMPTY_OPTIONS_WIDGET_H
#define APP_PANELS_EMPTY_OPTIONS_WIDGET_H

class QWidget;

QWidget* emptyOptionsWidget();

#endif
