#include "panels/color_change_button.h"

#include "model/gm_color.h"

#include <QAction>
#include <QToolButton>

QToolButton* colorChangeButton(GmColor& color) {
    if (auto* made = qobject_cast<QToolButton*>(color.changeButton())) return made;
    auto* button = new QToolButton;
    button->setFocusPolicy(Qt::NoFocus);
    button->setIconSize(QSize(24, 24));
    button->setDefaultAction(color.changeAction());
    button->setToolTip(color.changeText());
    color.setChangeButton(button);
    return button;
}
