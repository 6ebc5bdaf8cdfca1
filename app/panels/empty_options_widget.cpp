#include "panels/empty_options_widget.h"

#include <QPointer>
#include <QVBoxLayout>
#include <QWidget>

QWidget* emptyOptionsWidget() {
    static QPointer<QWidget> page;
    if (!page) {
        page = new QWidget;
        auto* layout = new QVBoxLayout(page);
        layout->addStretch();
    }
    return page;
}
