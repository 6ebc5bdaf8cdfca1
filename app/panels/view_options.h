// The bar of view controls in the main window's status bar: whether the
// canvas shows the object edges, the opacity of the mask overlay, and the
// workspace resolution (the one place the user changes the factor by which
// the workspace is reduced).
//
// There is one bar, reached through instance(); the canvas reads its edge
// box when it paints and the status array follows its opacity slider. While
// the bar exists it answers the canvas's and the document's question whether
// object edges are shown; once it is gone they see none.
//
// Settings under "ViewOptions": "ShowObjectEdges" (checked by default) and
// "MaskOpacity" (26 to 255, 153) are written at exit; "WorkspaceResolution"
// ("1:1", "1:2", "1:4" or "1:8") only while the preference "PersistOptions"
// is on, and then it is applied at start. While no image is open the edge
// box is off and disabled; the state the user chose is remembered, brought
// back when the box is enabled again and written at exit.
#ifndef APP_PANELS_VIEW_OPTIONS_H
#define APP_PANELS_VIEW_OPTIONS_H

#include "panels/persistent_widget.h"

#include <QMap>
#include <QPointer>
#include <QWidget>

class QHBoxLayout;
class QLabel;

class ViewOptions : public QWidget {
    Q_OBJECT
public:
    explicit ViewOptions(QWidget* parent = nullptr);
    ~ViewOptions() override;

    // The bar, or null while none exists.
    static ViewOptions* instance();

    // The factor of a resolution text; 1 ("1:1") for a text not in the table.
    static int factorOf(const QString& text);

    // The edge box (null once deleted), and whether it is checked.
    QCheckBox* objectEdgeBox() const { return objectEdgeBox_; }
    bool showsObjectEdges() const;
    QSlider* opacitySlider() const { return opacitySlider_; }
    QComboBox* resolutionBox() const { return resolutionBox_; }
    QLabel* opacityLabel() const { return opacityLabel_; }

signals:
    void modified();
    void showVectorEdges(bool show);
    void opacityChanged(int opacity);

public slots:
    // The model's factor changed: its item is selected (without changing
    // the resolution again).
    void syncResolutionSlot(int oldRes, int newRes);
    void setShowVectorEdges(bool show);
    // Disabling remembers the box's state and unchecks it; enabling brings
    // the remembered state back.
    void setShowVectorEdgesEnabled(bool enabled);
    // Asks the model for the text's factor (it may ask the user first).
    void changeResolutionSlot(const QString& text);
    void showVectorEdgesSlot(bool show);
    // "Mask Opacity: <percent>%".
    void updateMaskLabel(int value);

private:
    void addObjectEdgeBox();
    void addOpacityControls();
    void addResolutionControls();
    void addSeparator();

    QHBoxLayout* layout_;
    PersistentWidget<QSlider, int>* opacitySlider_ = nullptr;
    QPointer<PersistentWidget<QCheckBox, bool>> objectEdgeBox_;
    PersistentWidget<QComboBox, QString>* resolutionBox_ = nullptr;
    QMap<QString, int> resolutions_;
    QLabel* opacityLabel_ = nullptr;
    // The user's edge choice while the box is disabled; unset before the first call.
    bool edgeStateKnown_ = false;
    bool rememberedEdgeState_ = true;
    // Set while the box follows the model, whose factor is already in effect.
    bool followingModel_ = false;
};

#endif
