// Rows (or columns) of numeric tool options: each parameter is a label, a
// spin box that remembers its value in the settings, and a slider kept in
// step with the box, laid out one below the other (vertical) or side by side
// (horizontal), with separators between parameters.
//
// Where the slider goes, and how separators look, is chosen by the flags.
// A slider placed nowhere still exists, owned by the stack and hidden, so
// that box and slider stay in step either way.
#ifndef APP_PANELS_PARAMETER_STACK_H
#define APP_PANELS_PARAMETER_STACK_H

#include "panels/persistent_widget.h"

#include <QList>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QWidget>

class QGridLayout;

class ParameterStack : public QWidget {
    Q_OBJECT
public:
    enum Orientation { Horizontal = 1, Vertical = 2 };
    enum Flag {
        HideSpinBox = 0x01,     // the spin box is hidden
        NoSlider = 0x02,        // no slider placed; tool tips go to label and box
        SliderAbove = 0x04,     // the slider in a row of its own above label and box
        SliderBetween = 0x08,   // the slider between label and box
        SliderBelow = 0x10,     // the slider in a row of its own below label and box
        NoSeparators = 0x20,    // nothing between parameters
        PlainSeparators = 0x40, // separators are plain lines
        RaisedSeparators = 0x80,
        SunkenSeparators = 0x100,
    };
    using SpinBox = PersistentWidget<QSpinBox, int>;

    // Any orientation other than Vertical lays parameters out side by side.
    ParameterStack(int orientation, int flags, QWidget* parent = nullptr);

    // The group the boxes keep their values under ("ToolOptions/Common");
    // set it before adding parameters.
    QString settingsGroup() const { return settingsGroup_; }
    void setSettingsGroup(const QString& group) { settingsGroup_ = group; }
    int orientation() const { return orientation_; }
    int flags() const { return flags_; }

    // Adds a parameter: `name` is its key here and in the settings, the box
    // shows the stored value (or `defaultValue`) held in minimum..maximum
    // with `suffix`, and its changes go to `receiver`'s `slot` (a SLOT()
    // signature; both may be null). False, adding nothing, when `name` exists.
    bool addParameter(const QString& name, const QString& labelText, int minimum, int maximum,
                      int defaultValue, const QString& suffix, QObject* receiver, const char* slot,
                      bool persist);
    // Connects the box's valueChanged(int) to `receiver`'s `slot`. False for
    // an unknown name or a failed connection; true when there is nothing to connect.
    bool connectParameter(const QString& name, QObject* receiver, const char* slot);
    // Sets both texts on the parameter's widgets in the grid (see parameterWidgetIndexes).
    bool setParameterToolTips(const QString& name, const QString& toolTip,
                              const QString& whatsThis);
    // The grid item indexes of the parameter's label, box and placed slider,
    // in grid order; none at all without a slider flag. False for an unknown
    // name or a box that is not in the grid.
    bool parameterWidgetIndexes(const QString& name, QList<int>& indexes) const;

    // The parameter's box, or null.
    SpinBox* spinBox(const QString& name) const;
    QGridLayout* grid() const { return grid_; }

    // The brush tools' one shared stack (null until they make it).
    static ParameterStack* commonStack();
    static void setCommonStack(ParameterStack* stack);
    // Enables or disables the "Strength" widgets of the shared stack.
    static void setCommonStrengthEnabled(bool enabled);

private:
    bool isVertical() const { return orientation_ == Vertical; }
    void addSeparator();

    QString settingsGroup_;
    int orientation_;
    int flags_;
    QGridLayout* grid_;
    int row_ = 0;
    int column_ = 0;
    QMap<QString, QPointer<SpinBox>> boxes_;
};

#endif
