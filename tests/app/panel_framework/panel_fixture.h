// A main window for the panel tests: a splitter with a stand-in for the image
// view and the dock column, shown offscreen, and panels whose view tabs,
// restore rule and content the test chooses. The window records the keys
// that reach it.
#ifndef TESTS_APP_PANEL_FRAMEWORK_PANEL_FIXTURE_H
#define TESTS_APP_PANEL_FRAMEWORK_PANEL_FIXTURE_H

#include "shell/panel_framework/fake_dock.h"
#include "shell/panel_framework/gm_sub_window.h"

#include <QList>
#include <QSplitter>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

class TestPanel : public GmSubWindow {
    Q_OBJECT
public:
    struct Options {
        QString shortcut;
        int viewTabs = ViewTabs::AllViewTabs;
        bool restoresVisibility = true;
        bool resizable = false;
        int contentWidth = 120; // the content's minimum width
    };
    TestPanel(const QString& name, QWidget* actionHolder, QWidget* parent, const Options& options);

    bool floatsByDefault() const override { return false; }
    int enabledViewTabs() const override { return options_.viewTabs; }
    bool restoresVisibility() const override { return options_.restoresVisibility; }

private:
    Options options_;
};

class KeyRecordingWindow : public QWidget {
public:
    QList<int> keys;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

class PanelFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A panel of the window, docking into its column.
    TestPanel* addPanel(const QString& name, const TestPanel::Options& options = {});
    // Lets queued visibility reports reach the dock.
    static void settle();

    std::unique_ptr<KeyRecordingWindow> window_;
    QSplitter* splitter_ = nullptr;
    QWidget* viewStandIn_ = nullptr;
    FakeDock* dock_ = nullptr;
};

#endif
