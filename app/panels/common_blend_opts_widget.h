// The standard blending controls: the thickness of the blend mask made where
// keep meets delete ("Blend Mask Width": None, Thin, Medium, Thick = 0, 0.15,
// 0.75, 1.5) and the mix of Feather and Smart blending ("Intelligent
// Blending", nine steps from "5:0" to "0:5"; step i is the ratio 1 - i/8).
//
// Two kinds: the image panel's widget (isImage and editsImage) writes the
// image's record and tells the model the image's ratio
// (GmModel::imageBlendRatioChanged); the patch page's widget (neither) writes
// the active patch's record and shows "Use setting from entire image", which
// makes the patch follow the image's ratio until the user moves the patch's
// own slider.
//
// The image's widget keeps its controls in the user's settings while
// "PersistOptions" is on: "BlendingOptions/BlendMaskWidth" (the translated
// width name, "Thin" when nothing is stored) and
// "BlendingOptions/IntelligentBlending" (the step, 0). With the preference
// on they become the image's values when the widget is built; a stored name
// that is none of the four (another language) counts as "Thin".
#ifndef APP_PANELS_COMMON_BLEND_OPTS_WIDGET_H
#define APP_PANELS_COMMON_BLEND_OPTS_WIDGET_H

#include "panels/blend_opts_widget.h"
#include "panels/persistent_widget.h"

#include <QStringList>

class QCheckBox;
class QGroupBox;
class ZtSourceImage;

class CommonBlendOptsWidget : public BlendOptsWidget {
    Q_OBJECT
public:
    enum BlendWidths { None, Thin, Medium, Thick };
    Q_ENUM(BlendWidths)

    // Disabled until an image is open; built at once.
    CommonBlendOptsWidget(bool isImage, bool editsImage, QWidget* parent = nullptr);
    ~CommonBlendOptsWidget() override;

    bool editsImage() const { return editsImage_; }

    // Snaps the record to the nearest of the four widths and the nearest of
    // the nine steps, and shows it; the snapped ratio goes to the record the
    // widget edits.
    void loadOptions(BlendingOptions* record) override;
    void storeOptions(BlendingOptions* record) override;
    // The image's record for the image's widget; otherwise the active
    // patch's (the image's without one).
    BlendingOptions* targetRecord() const override;

    // The blend mask width of a width choice; the ratio and label of a step.
    static float widthValue(BlendWidths width);
    static float ratioOfStep(int step);
    static QString ratioLabel(int step);

    QComboBox* widthBox() const { return widthBox_; }
    QSlider* ratioSlider() const { return ratioSlider_; }
    QGroupBox* ratioGroup() const { return ratioGroup_; }
    // "Use setting from entire image"; built on the image panel too, but not shown there.
    QCheckBox* lockBox() const { return lockBox_; }

signals:
    void setAutoBlueWidth(int width);
    void setBlendRatio(int step);

public slots:
    void setAutoBlueWidthToChoice(CommonBlendOptsWidget::BlendWidths w);
    // All Feather (soften) or all Smart.
    void setBinaryBlendRatio(bool soften);
    void autoBlueWidthChangedSlot(int index);
    // The slider moved to `step`. On the patch page a move of the user's
    // unchecks "Use setting from entire image" and the patch stops following
    // the image's ratio.
    void blendRatioChangedBySliderSlot(int step);
    // The patch follows the image's ratio (taking it now) or stops.
    void useBlendRatioFromImageSlot(bool on);
    // Every patch that follows the image's ratio takes `value`.
    void imageBlendRatioChangedSlot(float value);
    void enableStandardBlendingSlot(bool enable);
    // Enabled exactly with an image; shows the record the widget edits.
    void imageChangedSlot(const ZtSourceImage* image);

protected:
    void buildForm(QBoxLayout* layout) override;

private:
    QWidget* buildWidthRow();
    void buildRatioGroup();
    // The ratio group's title and the edited record's ratio follow `step`;
    // the image's widget tells the model.
    void updateRatio(int step);
    void refreshPersistFlags();

    bool editsImage_;
    // Set while loadOptions shows a record: the slider moves then are not the user's.
    bool loading_ = false;
    QStringList widthNames_;
    QWidget* widthRow_ = nullptr;
    PersistentWidget<QComboBox, QString>* widthBox_ = nullptr;
    QGroupBox* ratioGroup_ = nullptr;
    PersistentWidget<QSlider, int>* ratioSlider_ = nullptr;
    QCheckBox* lockBox_ = nullptr;
};

#endif
