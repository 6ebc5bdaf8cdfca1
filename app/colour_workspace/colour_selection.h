// The colours selected in the colour display, in both of its forms: 256 flags
// over the horizontal axis's 8-bit values (histogram mode) and a 256 x 256
// map over pairs of values (colour-map mode). Each form has the selection
// that earlier gestures committed and the marks of the gesture in progress.
//
// A 2-D map is a Format_Mono image whose pixel (x, y) has index 1 when the
// pair (horizontal value x, vertical value y) is covered: rows in value
// order, value 0 at row 0 (the display mirrors it to draw it). It is the
// image the display emits to the status array.
//
// What is shown (painted and emitted) combines the two: with a removing
// gesture (Alt alone) the selection less the marks, otherwise the selection
// with the marks. Committing makes that the selection and clears the marks,
// so it never changes what is shown.
#ifndef APP_COLOUR_WORKSPACE_COLOUR_SELECTION_H
#define APP_COLOUR_WORKSPACE_COLOUR_SELECTION_H

#include "colour_workspace/colour_quantisation.h"

#include <QImage>

#include <vector>

class ColourSelection {
public:
    ColourSelection();

    const std::vector<bool>& marks1D() const { return marks1D_; }
    const std::vector<bool>& selection1D() const { return selection1D_; }
    const QImage& marks2D() const { return marks2D_; }
    const QImage& selection2D() const { return selection2D_; }

    // Clears the marks of both forms.
    void clearMarks();
    // Clears marks and selection of both forms.
    void clear();
    // Marks the values low..high (inclusive) of the 1-D form.
    void markValues(int low, int high);
    // Marks the pairs x.low..x.high by y.low..y.high of the 2-D form.
    void markPairs(BinRange x, BinRange y);

    std::vector<bool> shown1D(bool removing) const;
    QImage shown2D(bool removing) const;
    // The shown form becomes the selection; the marks are cleared.
    void commit1D(bool removing);
    void commit2D(bool removing);

    // After a change to `shift`: every value takes the state of the first
    // value of its new bin.
    void requantise1D(int shift);
    // After a change to `shift`: the map is scaled down to one pixel a bin
    // and back up (nearest pixel both ways), so each bin takes the state of
    // the pair the scaling samples.
    void requantise2D(int shift);

    // The selection of one form directly (tests, the workspace's re-sends).
    void setSelection1D(const std::vector<bool>& selection) { selection1D_ = selection; }
    void setSelection2D(const QImage& selection);

private:
    std::vector<bool> marks1D_;
    std::vector<bool> selection1D_;
    QImage marks2D_;
    QImage selection2D_;
};

// A new, empty 2-D map (256 x 256, Format_Mono, index 1 = covered).
QImage emptyPairMap();
// Whether a form covers nothing.
bool coversNothing(const std::vector<bool>& values);
bool coversNothing(const QImage& pairs);
// Whether the pair (x, y) is covered.
bool coversPair(const QImage& pairs, int x, int y);

#endif
