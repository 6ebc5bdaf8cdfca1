// What the canvas shows behind the transparent parts of the cut-out: two
// overlapping swatches, the front one active, with a swap arrow in the top
// right corner. A click on the swatches opens the colour dialog for the
// front swatch; a double click, or a click beside them (right of the middle),
// swaps the two. The primary swatch (blue) is a plain colour, the secondary
// (grey) a chequer pattern in its colour; both colours persist under
// "Colors/BackgroundPicker/…", while every start has the primary in front.
// While a picker exists, the canvas paints the front swatch's brush behind
// the cut-out; the last picker built is the one it asks, and once that one is
// destroyed the canvas goes back to white.
#ifndef APP_PANELS_BACKGROUND_PICKER_H
#define APP_PANELS_BACKGROUND_PICKER_H

#include <QBitmap>
#include <QBrush>
#include <QWidget>

#include <memory>
#include <vector>

class GmColor;
class MouseClickFilter;
class QMouseEvent;

class BackgroundPicker : public QWidget {
    Q_OBJECT
public:
    explicit BackgroundPicker(QWidget* parent = nullptr);
    ~BackgroundPicker() override;

    // Swatch i's brush (0 is the active background): its colour, or for a
    // textured swatch the pattern in that colour over white.
    QBrush brushFor(int i) const;
    // Swatch i: a square of side 2s placed s further right and down than
    // swatch i - 1, the block centred along the longer side (right and
    // bottom inclusive).
    QRect swatchRect(int i) const;
    int swatchCount() const { return int(swatches_.size()); }
    GmColor* swatchColour(int i) const;
    MouseClickFilter* clickFilter() const { return clickFilter_; }

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

    // Moves the last swatch to the front.
    void swap();

signals:
    void activeBrushChanged();

public slots:
    void singleClickEvent(const QMouseEvent* event);
    void doubleClickEvent(const QMouseEvent* event);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Swatch {
        std::unique_ptr<GmColor> colour;
        QBitmap texture; // null for a plain colour
    };
    void changed();

    std::vector<Swatch> swatches_;
    MouseClickFilter* clickFilter_;
};

#endif
