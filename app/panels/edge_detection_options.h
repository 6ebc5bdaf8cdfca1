// The four edge-finding values (EDOs) of one segmentation settings record,
// the whole image's or a patch's, as controls, with "Defaults", "Revert" and
// "Apply" (which stores the applied values and has the record analyse again).
// The "Edge Finding" panel holds the image's widget; "Patch Properties" holds
// a second one that edits the active patch's record.
//
// The widget edits only the current slots of the values; Apply is the one
// way they reach the engine. It holds its record guarded: a record that goes
// (a deleted patch, a loaded project) leaves the widget detached, its three
// buttons off, and no slot changes a value afterwards.
//
// The image's widget keeps its controls in the user's settings ("PersistOptions"
// on) under "EdgeDetectionOptions": "EdgeWidthThreshold" (default 8),
// "NumberofEdges" (10), "EdgeContrast/High", "EdgeContrast/Medium",
// "EdgeContrast/Low", "Filtering/Coarse", "Filtering/Medium",
// "Filtering/Fine" (the Medium buttons checked by default). With the
// preference on, the stored controls become the image record's current values
// when the widget is built; the preference in force at exit decides whether
// they are written. Only the image's widget analyses a new session.
//
// User-interface thread only.
#ifndef APP_PANELS_EDGE_DETECTION_OPTIONS_H
#define APP_PANELS_EDGE_DETECTION_OPTIONS_H

#include "model/segmentation_stuff.h"
#include "panels/persistent_widget.h"

#include <QPointer>
#include <QString>
#include <QWidget>

class GmRegion;
class QAbstractButton;
class QButtonGroup;
class QGroupBox;
class QToolButton;
class ToolPaletteButton;
class ZtSourceImage;

class EdgeDetectionOptions : public QWidget {
    Q_OBJECT
public:
    // `isImage`: the widget of the whole-image panel. It starts attached to
    // the image's record.
    explicit EdgeDetectionOptions(bool isImage, QWidget* parent = nullptr);
    ~EdgeDetectionOptions() override;

    bool isImage() const { return isImage_; }
    // The record edited, null while detached (or once the record is gone).
    SegmentationStuff* record() const { return record_; }
    // The values shown, null without.
    EDOs* values() const { return values_; }

    // Edits `record` from now on (null detaches); the values shown do not
    // change until setOptions.
    void attachToRecord(SegmentationStuff* record);
    // Shows `values` in the controls and sets the buttons; null shows nothing.
    void setOptions(EDOs* values);

    // Whether the current sensitivity still lets object edges be shown
    // (below 100): (sensitivity - 1) x 1/99 in single precision is below 1.
    bool canShowVectorEdges() const;

    // The controls, for the panels and tests.
    QSlider* widthSlider() const { return widthSlider_; }
    QSpinBox* widthBox() const { return widthBox_; }
    QSlider* sensitivitySlider() const { return sensitivitySlider_; }
    QGroupBox* sensitivityGroup() const { return sensitivityGroup_; }
    QGroupBox* contrastGroupBox() const { return contrastGroupBox_; }
    QGroupBox* textureGroupBox() const { return textureGroupBox_; }
    QButtonGroup* contrastButtons() const { return contrastButtons_; }
    QButtonGroup* textureButtons() const { return textureButtons_; }
    QToolButton* defaultsButton() const { return defaultsButton_; }
    QToolButton* revertButton() const { return revertButton_; }
    QToolButton* applyButton() const { return applyButton_; }
    QAbstractButton* advancedButton() const;

signals:
    // How the widget pushes values into its controls.
    void setSensitivity(int value);
    void setWidth(int value);
    void setEdgeContrastHigh(bool on);
    void setEdgeContrastMedium(bool on);
    void setEdgeContrastLow(bool on);
    void setTextureFilterFine(bool on);
    void setTextureFilterMedium(bool on);
    void setTextureFilterCoarse(bool on);

public slots:
    // Defaults with values that differ from the defaults; Apply with edits,
    // or while the record is neither analysed nor being analysed; Revert with
    // edits on a record that is analysed with its own values (isChecked).
    // Everything off without values.
    void setEnablednessOfButtons();
    // Stores the applied values and has the record analyse with the current ones.
    void applyValuesSlot();
    // The width follows the workspace factor, kept in image pixels.
    void resolutionChangedSlot(int oldRes, int newRes);
    // Enabled exactly with an image; without one the widget detaches.
    void imageChangedSlot(const ZtSourceImage* image);
    // The image's widget is disabled while the active patch is analysed
    // with its own values; a patch's widget ignores it.
    void activeRegionChangedSlot(GmRegion* region);
    // The image's widget attaches to the image's record, shows it and
    // analyses the new session; a patch's widget stays where it is.
    void sessionHasBegunSlot();
    void revertValuesSlot();
    void setDefaultsSlot();
    void contrastChanged(int id);
    void textureFilterChanged(int id);
    void widthChangedSlot(int value);
    void sensitivityChangedSlot(int value);
    void toggleAdvanced();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void buildControls();
    QGroupBox* buildWidthGroup();
    QGroupBox* buildSensitivityGroup();
    // One radio button of a flat group: its key name, tool tip and stored default.
    struct RadioSpec {
        const char* keyName; // also the button's text, translated
        QString toolTip;
        bool checkedByDefault;
    };
    // The buttons in layout order, ids 2, 1, 0; `radios` receives them by id.
    QGroupBox* buildRadioGroup(const QString& settingsGroup, const QString& title,
                               const RadioSpec (&specs)[3], QButtonGroup* buttons,
                               PersistentWidget<QRadioButton, bool>* (&radios)[3]);
    QWidget* buildButtonRow();
    void setSensitivityTitle(int value);
    // The persist flag of the eight persistent controls: the image's widget
    // while "PersistOptions" is on.
    void refreshPersistFlags();
    // The stored controls become the record's current values.
    void copyControlsIntoRecord();

    bool isImage_;
    QPointer<SegmentationStuff> record_;
    QPointer<EDOs> values_;
    QMetaObject::Connection recordGone_;

    PersistentWidget<QSlider, int>* widthSlider_ = nullptr;
    QSpinBox* widthBox_ = nullptr;
    PersistentWidget<QSlider, int>* sensitivitySlider_ = nullptr;
    QGroupBox* sensitivityGroup_ = nullptr;
    QGroupBox* contrastGroupBox_ = nullptr;
    QGroupBox* textureGroupBox_ = nullptr;
    QButtonGroup* contrastButtons_ = nullptr;
    QButtonGroup* textureButtons_ = nullptr;
    // High, Medium, Low by id 2, 1, 0; Coarse, Medium, Fine by id 2, 1, 0.
    PersistentWidget<QRadioButton, bool>* contrastRadios_[3] = {};
    PersistentWidget<QRadioButton, bool>* textureRadios_[3] = {};
    QToolButton* defaultsButton_ = nullptr;
    QToolButton* revertButton_ = nullptr;
    QToolButton* applyButton_ = nullptr;
    ToolPaletteButton* advancedButton_ = nullptr;
};

#endif
