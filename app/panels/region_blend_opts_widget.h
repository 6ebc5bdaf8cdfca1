// The complex blending types of a patch, below the standard controls on the
// blending page of "Patch Properties": "Complex Edge Blending" with its
// "Edge Smoothness", and "Complex Hair Blending" with the sizes of the keep
// and delete colour palettes (each slider 0..99, shown as 1..100 and stored
// as value x 1/99 in single precision), and a button that previews the
// patch's cut-out. The two types exclude each other; while either is on the
// standard "Intelligent Blending" is off (enableStandardBlending).
//
// Switching "Complex Hair Blending" on warns that it is slow, through the
// prompt service, until the user ticks "Don't tell me again." (settings key
// "BlendingOptions/" + the translated name + "SpeedWarning").
//
// The widget also builds the override colours of the patch (two check boxes,
// colour buttons and pipettes), which are never placed in the form: they
// change only through "Complex Edge Blending" and the loaded record. The
// pipettes come from the tools through panels/pipette_hooks.h.
//
// Every control writes the active patch's record (the image's without one)
// at once. User-interface thread only.
#ifndef APP_PANELS_REGION_BLEND_OPTS_WIDGET_H
#define APP_PANELS_REGION_BLEND_OPTS_WIDGET_H

#include "model/gm_color.h"
#include "panels/blend_opts_widget.h"

#include <QColor>
#include <QList>
#include <QPointer>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QSlider;
class QToolButton;

class RegionBlendOptsWidget : public BlendOptsWidget {
    Q_OBJECT
public:
    explicit RegionBlendOptsWidget(QWidget* parent = nullptr);
    ~RegionBlendOptsWidget() override;

    void loadOptions(BlendingOptions* record) override;
    // The two override boxes, the two types and the three sliders; the
    // feather, the uniform background and the colours stay as they are.
    void storeOptions(BlendingOptions* record) override;

    // The speed warning for the blending type `name` (translated), unless
    // the user asked not to be told again.
    static void speedWarning(const QString& name);
    // The key that remembers it: "BlendingOptions/" + name + "SpeedWarning".
    static QString speedWarningKey(const QString& name);

    QGroupBox* membraneGroup() const { return membraneGroup_; }
    QGroupBox* choicesGroup() const { return choicesGroup_; }
    QSlider* smoothnessSlider() const { return smoothnessSlider_; }
    QSlider* keepPaletteSlider() const { return keepSlider_; }
    QSlider* deletePaletteSlider() const { return deleteSlider_; }
    QLabel* smoothnessLabel() const { return smoothnessLabel_; }
    QLabel* keepPaletteLabel() const { return keepLabel_; }
    QLabel* deletePaletteLabel() const { return deleteLabel_; }
    QToolButton* previewButton() const { return previewButton_; }
    // The hidden override controls.
    QGroupBox* overrideGroup() const { return overrideGroup_; }
    QCheckBox* foregroundBox() const { return fgBox_; }
    QCheckBox* backgroundBox() const { return bgBox_; }
    QAction* foregroundEditAction() const { return fgEdit_; }
    QAction* backgroundEditAction() const { return bgEdit_; }
    // The colours bound to the override controls (null before a record was loaded).
    GmColor* boundForeground() const { return boundFg_; }
    GmColor* boundBackground() const { return boundBg_; }

signals:
    void enableStandardBlending(bool enabled);
    void setFeather(int feather);

public slots:
    void featherChangedSlot(int feather);
    void choicesClickedSlot(bool on);
    void choices1ChangedSlot(int value);
    void choices2ChangedSlot(int value);
    void membraneClickedSlot(bool on);
    void membrane1ChangedSlot(int value);
    void uniformBgClickedSlot(bool on);
    void fgClickedSlot();
    void fgCheckedSlot();
    void bgClickedSlot();
    void bgCheckedSlot();
    void fgColourChangedByPipetteSlot(QColor colour);
    void bgColourChangedByPipetteSlot(QColor colour);
    void fgColourChangedByColorPickerSlot(QColor colour);
    void bgColourChangedByColorPickerSlot(QColor colour);
    void fgPipetteToolSelectedSlot(bool selected);
    void bgPipetteToolSelectedSlot(bool selected);

protected:
    void buildForm(QBoxLayout* layout) override;

private:
    QGroupBox* buildMembraneGroup();
    QGroupBox* buildChoicesGroup();
    QWidget* buildPreviewRow();
    void buildOverrideGroup();
    // A label over a row "left label, slider, right label".
    QSlider* addSliderRow(QBoxLayout* column, const QString& left, const QString& right,
                          const QString& toolTip);
    // The two groups show the record's types; the standard blending follows.
    void syncGroups(const BlendingOptions& record);
    // A palette or smoothness label shows value + 1; the record takes value x 1/99.
    void setSliderLabel(QLabel* label, const QString& name, int value);
    // The record's colours become the ones the override controls edit.
    void bindColours(BlendingOptions& record);

    QString featherName_;
    QString keepPaletteName_;
    QString deletePaletteName_;
    QString smoothnessName_;
    QString choicesName_;
    QString membraneName_;

    QGroupBox* membraneGroup_ = nullptr;
    QLabel* smoothnessLabel_ = nullptr;
    QSlider* smoothnessSlider_ = nullptr;
    QGroupBox* choicesGroup_ = nullptr;
    QLabel* keepLabel_ = nullptr;
    QSlider* keepSlider_ = nullptr;
    QLabel* deleteLabel_ = nullptr;
    QSlider* deleteSlider_ = nullptr;
    QToolButton* previewButton_ = nullptr;

    QGroupBox* overrideGroup_ = nullptr;
    QCheckBox* fgBox_ = nullptr;
    QCheckBox* bgBox_ = nullptr;
    QAction* fgEdit_ = nullptr;
    QAction* bgEdit_ = nullptr;
    QPointer<GmColor> boundFg_;
    QPointer<GmColor> boundBg_;
    // The pipette tools (owned; deleted with the widget).
    QList<QPointer<QObject>> pipettes_;
};

#endif
