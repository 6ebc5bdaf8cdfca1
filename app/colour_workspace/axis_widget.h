// The name of one axis of the colour display, beside it: under the display
// for the horizontal axis, left of it and reading upward for the vertical
// one. In histogram mode the vertical axis shows how often the colours occur,
// so its label reads "Frequency (...)".
#ifndef APP_COLOUR_WORKSPACE_AXIS_WIDGET_H
#define APP_COLOUR_WORKSPACE_AXIS_WIDGET_H

#include "colour_channel.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

class ColourDisplay;

class AxisWidget : public QWidget {
    Q_OBJECT
public:
    explicit AxisWidget(QWidget* parent = nullptr);

    Qt::Orientation orientation() const { return Qt::Orientation(orientation_); }
    void setOrientation(Qt::Orientation orientation);
    Bx::colour::channel channel() const { return channel_; }
    // Shows `channel` (repaints).
    void setChannel(Bx::colour::channel channel);
    // The names the size hint makes room for (the axis names of the menus).
    const QStringList& names() const { return names_; }
    void setNames(const QStringList& names);
    // The display whose mode decides a vertical axis's frequency prefix;
    // without one the label is the name alone.
    void setDisplay(const ColourDisplay* display) { display_ = display; }

    // "Hue", "Lightness", "Saturation", "Red", "Green", "Blue" or "Non RGB"
    // by channel (empty for any other), as "Frequency (name)" on a vertical
    // axis beside a display in histogram mode.
    QString label() const;
    static QString channelName(Bx::colour::channel channel);

    // Wide enough for the longest name plus 10 pixels, transposed for a
    // vertical axis; computed once after each change of names or orientation.
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int orientation_ = Qt::Horizontal;
    Bx::colour::channel channel_ = Bx::colour::Hue;
    QStringList names_;
    mutable QSize cachedSizeHint_{-1, -1};
    QPointer<const ColourDisplay> display_;
};

#endif
