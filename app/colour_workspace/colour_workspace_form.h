// The colour workspace panel's form, laid out as a designer form would be:
// the paint buckets in a column on the left, the colour display between its
// axes and axis choosers, and below them the mode buttons, the resolution
// slider, the four view toggles and "Add blend mask automatically". Every
// widget carries its object name; texts are translated in the context
// "ColourWorkspace" and set again by retranslateUi.
#ifndef APP_COLOUR_WORKSPACE_COLOUR_WORKSPACE_FORM_H
#define APP_COLOUR_WORKSPACE_COLOUR_WORKSPACE_FORM_H

class AxisWidget;
class ColourDisplay;
class QCheckBox;
class QFrame;
class QLabel;
class QSlider;
class QToolButton;
class QWidget;

class Ui_ColourWorkspace {
public:
    QToolButton* toKeep_;
    QToolButton* toDrop_;
    QToolButton* toBlend_;
    QFrame* line_3;
    QToolButton* toUnassigned_;
    QFrame* line_4;
    QToolButton* verticalAxisChooser_;
    AxisWidget* verticalAxis_;
    QFrame* colourDisplayFrame_;
    ColourDisplay* colourDisplay_;
    AxisWidget* horizontalAxis_;
    QToolButton* horizontalAxisChooser_;
    QFrame* mainHDivider_;
    QToolButton* histogramMode_;
    QToolButton* colourMapMode_;
    QFrame* vLine1;
    QLabel* resolutionLabel_;
    QLabel* coarseLabel_;
    QSlider* colourBits_;
    QLabel* fineLabel;
    QFrame* vLine2;
    QLabel* viewLabel_;
    QToolButton* viewUnassigned_;
    QToolButton* viewKeep_;
    QToolButton* viewDrop_;
    QToolButton* viewBlend_;
    QCheckBox* autoBlend;

    // Builds the widgets on `form` (resized to 479 x 295).
    void setupUi(QWidget* form);
    void retranslateUi(QWidget* form);
};

namespace Ui {
class ColourWorkspace : public Ui_ColourWorkspace {};
} // namespace Ui

#endif
