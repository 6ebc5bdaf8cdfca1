#include "panel_fixture.h"

#include "support/test_environment.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QTest>
#include <QVBoxLayout>

TestPanel::TestPanel(const QString& name, QWidget* actionHolder, QWidget* parent,
                     const Options& options)
    : GmSubWindow(name, name, actionHolder, options.shortcut, parent), options_(options) {
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    auto* label = new QLabel(name, content);
    label->setMinimumSize(options.contentWidth, 40);
    layout->addWidget(label);
    setWidget(content);
    if (options.resizable) setResizable();
}

void KeyRecordingWindow::keyPressEvent(QKeyEvent* event) {
    keys << event->key();
}

void PanelFixture::SetUp() {
    window_ = std::make_unique<KeyRecordingWindow>();
    auto* layout = new QHBoxLayout(window_.get());
    layout->setContentsMargins(0, 0, 0, 0);
    splitter_ = new QSplitter(window_.get());
    splitter_->setObjectName("Main Splitter");
    viewStandIn_ = new QWidget(splitter_);
    viewStandIn_->setMinimumWidth(100);
    splitter_->addWidget(viewStandIn_);
    dock_ = new FakeDock(splitter_);
    layout->addWidget(splitter_);
    window_->resize(900, 600);
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
}

void PanelFixture::TearDown() {
    QApplication::setLayoutDirection(Qt::LeftToRight);
    window_.reset();
}

TestPanel* PanelFixture::addPanel(const QString& name, const TestPanel::Options& options) {
    auto* panel = new TestPanel(name, window_.get(), window_.get(), options);
    panel->setDock(dock_);
    return panel;
}

void PanelFixture::settle() {
    QApplication::processEvents();
    QApplication::processEvents();
}
