// A main window with the image view for the view and canvas tests, shown
// offscreen, and documents the model shows: a source image (and a working
// image for the Cut-out tab) made of plain colours the tests can recognise.
#ifndef TESTS_APP_WORKSPACE_WORKSPACE_FIXTURE_H
#define TESTS_APP_WORKSPACE_WORKSPACE_FIXTURE_H

#include <QImage>
#include <QList>
#include <QRect>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

class GmZoomWidget;
class ImageView;
class QScrollArea;
class QScrollBar;
class ZtSourceImage;
class ZtWorkspace;

inline void PrintTo(const QRect& rect, std::ostream* out) {
    *out << "QRect(" << rect.x() << ", " << rect.y() << ", " << rect.width() << ", "
         << rect.height() << ")";
}
inline void PrintTo(const QRectF& rect, std::ostream* out) {
    *out << "QRectF(" << rect.x() << ", " << rect.y() << ", " << rect.width() << ", "
         << rect.height() << ")";
}
inline void PrintTo(const QPoint& point, std::ostream* out) {
    *out << "QPoint(" << point.x() << ", " << point.y() << ")";
}
inline void PrintTo(const QSize& size, std::ostream* out) {
    *out << "QSize(" << size.width() << ", " << size.height() << ")";
}

// The main window's side of the view: it takes the tab actions and hears Tab.
class TestMainWindow : public QWidget {
    Q_OBJECT
public:
    QList<bool> tabPresses;

public slots:
    void tabPressed(bool shift) { tabPresses << shift; }
};

// Puts a document into the model for as long as it lives; the model forgets
// it afterwards. The working image is the source with its top half transparent.
class TestDocument {
public:
    explicit TestDocument(const QImage& source);
    ~TestDocument();
    TestDocument(const TestDocument&) = delete;
    TestDocument& operator=(const TestDocument&) = delete;

    // Tells the model's listeners that the image changed.
    void announce();

private:
    std::unique_ptr<ZtSourceImage> source_;
    std::unique_ptr<ZtSourceImage> working_;
};

// width x height: red on the left half, blue on the right.
QImage twoColourImage(int width, int height);

class ViewFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Opens a document of width x height and lets the canvas fit it.
    void openImage(int width, int height);
    // Runs the event loop until no zoom is waiting for the viewport's layout.
    void settle();

    std::unique_ptr<TestMainWindow> window_;
    ImageView* view_ = nullptr;
    ZtWorkspace* workspace_ = nullptr;
    GmZoomWidget* canvas_ = nullptr;
    QScrollBar* h_ = nullptr;
    QScrollBar* v_ = nullptr;
    std::unique_ptr<TestDocument> document_;
};

// The canvas alone, in a scroll area whose viewport is exactly 1000 x 800,
// not shown until show(); settings cleared before and after.
class CanvasFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    void show();
    // Puts `image` into the model (a new document) and tells the canvas.
    void open(const QImage& image);
    QColor shownAt(const QPoint& point);

    std::unique_ptr<QScrollArea> area_;
    GmZoomWidget* canvas_ = nullptr;
    std::unique_ptr<TestDocument> document_;
};

#endif
