#include "workspace_fixture.h"

#include "files/named_image.h"
#include "files/zt_source_image.h"
#include "model/gm_model.h"
#include "support/test_environment.h"
#include "workspace/gm_zoom_widget.h"
#include "workspace/image_view.h"
#include "workspace/zt_workspace.h"

#include <QApplication>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QTest>
#include <QVBoxLayout>

TestDocument::TestDocument(const QImage& source) {
    source_ = std::make_unique<ZtSourceImage>(NamedImage(source, QUrl()));
    QImage cutout = source.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < cutout.height() / 2; ++y)
        for (int x = 0; x < cutout.width(); ++x)
            cutout.setPixel(x, y, qRgba(0, 0, 0, 0));
    working_ = std::make_unique<ZtSourceImage>(NamedImage(cutout, QUrl()));
    GmModel::instance()->setSourceImage(source_.get());
    GmModel::instance()->setWorkingImage(working_.get());
}

TestDocument::~TestDocument() {
    GmModel::instance()->setSourceImage(nullptr);
    GmModel::instance()->setWorkingImage(nullptr);
    GmModel::instance()->setResolutionFactor(1);
}

void TestDocument::announce() {
    emit GmModel::instance()->tellImageChanged(source_.get());
}

QImage twoColourImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::red);
    QPainter painter(&image);
    painter.fillRect(width / 2, 0, width - width / 2, height, Qt::blue);
    return image;
}

void ViewFixture::SetUp() {
    window_ = std::make_unique<TestMainWindow>();
    auto* layout = new QVBoxLayout(window_.get());
    layout->setContentsMargins(0, 0, 0, 0);
    view_ = new ImageView(window_.get());
    layout->addWidget(view_);
    window_->addActions(view_->tabActions());
    workspace_ = view_->workspace();
    canvas_ = view_->canvas();
    h_ = workspace_->horizontalScrollBar();
    v_ = workspace_->verticalScrollBar();
    window_->resize(640, 520);
    window_->show();
    QApplication::setActiveWindow(window_.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
}

void ViewFixture::TearDown() {
    window_.reset();
    document_.reset();
}

void ViewFixture::openImage(int width, int height) {
    document_.reset();
    document_ = std::make_unique<TestDocument>(twoColourImage(width, height));
    document_->announce();
    settle();
}

void ViewFixture::settle() {
    ASSERT_TRUE(test_support::waitFor([&] { return !workspace_->isScrollAnchorPending(); }));
    QApplication::processEvents();
}

void CanvasFixture::SetUp() {
    QSettings().clear();
    area_ = std::make_unique<QScrollArea>();
    area_->setFrameShape(QFrame::NoFrame);
    area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    canvas_ = new GmZoomWidget(nullptr);
    area_->setWidget(canvas_);
    area_->resize(1000, 800);
}

void CanvasFixture::TearDown() {
    area_.reset();
    document_.reset();
    QSettings().clear();
}

void CanvasFixture::show() {
    area_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(area_.get()));
    ASSERT_EQ(area_->viewport()->size(), QSize(1000, 800));
}

void CanvasFixture::open(const QImage& image) {
    document_.reset();
    document_ = std::make_unique<TestDocument>(image);
    document_->announce();
}

QColor CanvasFixture::shownAt(const QPoint& point) {
    return canvas_->grab().toImage().pixelColor(point);
}
