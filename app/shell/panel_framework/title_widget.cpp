#include "shell/panel_framework/title_widget.h"

#include "shell/panel_framework/title_button.h"

#include <QHBoxLayout>
#include <QLabel>

TitleWidget::TitleWidget(const QString& title, QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);

    label_ = new QLabel(title, this);
    label_->setAlignment(Qt::AlignCenter);
    QPalette labelPalette = label_->palette();
    labelPalette.setColor(QPalette::WindowText, Qt::white);
    label_->setPalette(labelPalette);
    layout->addWidget(label_, 1);

    closeButton_ = new TitleButton(this);
    layout->addWidget(closeButton_, 0, Qt::AlignVCenter);

    QPalette barPalette = palette();
    barPalette.setColor(QPalette::Window, QColor(0, 189, 242));
    setPalette(barPalette);
    setAutoFillBackground(true);
    hide();
}

QString TitleWidget::title() const {
    return label_->text();
}

void TitleWidget::setTitle(const QString& title) {
    label_->setText(title);
}
