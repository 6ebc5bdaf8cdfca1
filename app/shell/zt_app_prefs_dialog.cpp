#include "shell/zt_app_prefs_dialog.h"

#include "model/gm_color.h"
#include "model/zt_app_prefs.h"
#include "panels/color_change_button.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The tab shown when the dialog last closed in this run.
int rememberedTab = 0;

} // namespace

ZtAppPrefsDialog::ZtAppPrefsDialog(QWidget* parent)
    : QDialog(parent), prefs_(ZtAppPrefs::instance()) {
    setWindowTitle(tr("Workspace Settings", "[zt3]"));

    tabs_ = new QTabWidget;
    tabs_->addTab(buildGeneralTab(), tr("General", "[zt3]"));
    tabs_->addTab(buildColorsTab(), tr("Colors", "[zt3]"));
    tabs_->setCurrentIndex(rememberedTab);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(buttons);
}

ZtAppPrefsDialog::~ZtAppPrefsDialog() {
    rememberedTab = tabs_->currentIndex();
    for (const QPointer<QToolButton>& button : colorButtons_) {
        if (!button) continue;
        colorGrid_->removeWidget(button);
        button->setParent(nullptr);
    }
}

QWidget* ZtAppPrefsDialog::buildGeneralTab() {
    auto* tab = new QWidget;

    useDefaults_ = new QRadioButton(tr("Use Defaults", "[zt3]"));
    restoreLastSession_ = new QRadioButton(tr("Restore from Last Session", "[zt3]"));
    const bool persist = prefs_ && prefs_->persistOptions();
    (persist ? restoreLastSession_ : useDefaults_)->setChecked(true);
    auto* choices = new QVBoxLayout;
    choices->addWidget(useDefaults_);
    choices->addWidget(restoreLastSession_);

    auto* icon = new QLabel;
    icon->setPixmap(QMessageBox::standardIcon(QMessageBox::Information));
    auto* note = new QLabel(tr("These apply to options found on the 'Edge Finding' and 'Edge "
                               "Blending' windows, and the 'Workspace Resolution'",
                               "[zt3]"));
    note->setWordWrap(true);
    // A wrapped label asks for the height of its text at the width it is
    // given; a floor on that width keeps it to a few lines that fit.
    note->setMinimumWidth(note->fontMetrics().averageCharWidth() * 32);

    auto* startUp = new QGroupBox(tr("Start Up", "[zt3]"));
    auto* startUpLayout = new QHBoxLayout(startUp);
    startUpLayout->addLayout(choices);
    startUpLayout->addSpacing(10);
    startUpLayout->addWidget(icon);
    startUpLayout->addSpacing(10);
    startUpLayout->addWidget(note, 1);

    tabletPressure_ = new QCheckBox(tr("Wacom Pen pressure controls Brush Size", "[zt3]"));
    tabletPressure_->setChecked(!prefs_ || prefs_->useTabletPressure());
    auto* options = new QGroupBox(tr("Options", "[zt3]"));
    auto* optionsLayout = new QVBoxLayout(options);
    optionsLayout->addWidget(tabletPressure_);

    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(startUp);
    layout->addWidget(options);
    layout->addStretch(1);
    return tab;
}

QWidget* ZtAppPrefsDialog::buildColorsTab() {
    auto* tab = new QWidget;
    auto* group = new QGroupBox;
    colorGrid_ = new QGridLayout;

    restoreDefaults_ = new QPushButton(tr("Restore Defaults", "[zt3]"));
    const QList<GmColor*> colors = prefs_ ? prefs_->colors() : QList<GmColor*>();
    for (int i = 0; i < colors.size(); ++i) {
        GmColor* color = colors.at(i);
        QToolButton* button = colorChangeButton(*color);
        colorButtons_ << button;
        auto* label = new QLabel(color->description());
        label->setToolTip(color->description());
        const int row = i / 2;
        const int column = (i % 2) * 2;
        colorGrid_->addWidget(button, row, column);
        colorGrid_->addWidget(label, row, column + 1);
        connect(restoreDefaults_, &QPushButton::clicked, color, &GmColor::restoreDefaultSlot);
    }

    auto* restoreRow = new QHBoxLayout;
    restoreRow->addStretch(1);
    restoreRow->addWidget(restoreDefaults_);

    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addLayout(colorGrid_);
    groupLayout->addLayout(restoreRow);

    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(group);
    layout->addStretch(1);
    return tab;
}

int ZtAppPrefsDialog::exec() {
    const int result = QDialog::exec();
    const QList<GmColor*> colors = prefs_ ? prefs_->colors() : QList<GmColor*>();
    if (result == QDialog::Accepted) {
        if (prefs_) {
            prefs_->setPersistOptions(restoreLastSession_->isChecked());
            prefs_->setUseTabletPressure(tabletPressure_->isChecked());
        }
        for (GmColor* color : colors)
            color->commitChangeSlot();
    } else {
        for (GmColor* color : colors)
            color->revertChangeSlot();
    }
    return result;
}
