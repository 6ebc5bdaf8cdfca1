#include "tool_fixture.h"

#include "files/named_image.h"
#include "files/zt_source_image.h"
#include "model/gm_model.h"
#include "panels/tip_window.h"
#include "tools/no_tool.h"
#include "workspace/image_view.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QTest>

QStringList& toolLog() {
    static QStringList log;
    return log;
}

namespace {

QString nameOf(const GmTool* tool) {
    return tool ? tool->name() : QStringLiteral("-");
}

} // namespace

TestTool::TestTool(const QString& name, const Options& options, QWidget* actionWidget)
    : GmTool(name, name, QIcon(), options.shortcut, options.whatsThis, nullptr, actionWidget,
             nullptr, nullptr),
      options_(options) {
    if (options.withOptionsWidget) setOptionsWidget(new QWidget);
    setEnabledSlot();
}

bool TestTool::isAvailable() const {
    return options_.available < 0 ? GmTool::isAvailable() : options_.available == 1;
}

void TestTool::activate(GmTool* previous) {
    toolLog() << QStringLiteral("activate %1 after %2").arg(name(), nameOf(previous));
}

void TestTool::deactivate(GmTool* next) {
    toolLog() << QStringLiteral("deactivate %1 before %2").arg(name(), nameOf(next));
}

void ToolFixture::SetUp() {
    toolLog().clear();
    window_ = std::make_unique<QWidget>();
    auto* layout = new QHBoxLayout(window_.get());
    view_ = new ImageView(window_.get());
    layout->addWidget(view_);
    tip_ = new TipWindow(nullptr, QStringLiteral("Ctrl+T"), window_.get());
    GmTool::setImageView(view_);
    GmTool::setUnHighlightHook([] { toolLog() << QStringLiteral("unHighlight"); });
    QObject::connect(GmModel::instance(), &GmModel::toolChanged, window_.get(),
                     [](const GmTool* tool) { toolLog() << "toolChanged " + nameOf(tool); });
    window_->resize(500, 400);
    window_->show();
    QApplication::setActiveWindow(window_.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
}

void ToolFixture::TearDown() {
    GmTool::setUnHighlightHook(nullptr);
    GmTool::setTemporaryToolHook(nullptr);
    GmTool::setEscapeSteps(GmTool::modelEscapeSteps());
    GmTool::setArrowTool(nullptr);
    window_.reset();
    GmTool::setImageView(nullptr);
    closeImage();
}

void ToolFixture::openImage(QSize size) {
    QImage pixels(size, QImage::Format_RGB32);
    pixels.fill(Qt::darkGreen);
    image_ = std::make_unique<ZtSourceImage>(NamedImage(pixels, QUrl()));
    GmModel::instance()->setSourceImage(image_.get());
    emit GmModel::instance()->tellImageChanged(image_.get());
}

void ToolFixture::closeImage() {
    GmModel::instance()->setSourceImage(nullptr);
    emit GmModel::instance()->tellImageChanged(nullptr);
    image_.reset();
}
