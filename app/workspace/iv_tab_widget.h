// The image view's tab widget: a QTabWidget that takes the view's own tab
// bar (QTabWidget keeps setTabBar protected). Its three tabs share one page.
#ifndef APP_WORKSPACE_IV_TAB_WIDGET_H
#define APP_WORKSPACE_IV_TAB_WIDGET_H

#include <QTabWidget>

class IVTabWidget : public QTabWidget {
public:
    using QTabWidget::QTabWidget;
    using QTabWidget::setTabBar;
};

#endif
