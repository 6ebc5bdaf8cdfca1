// A main window with the image view and the tip panel for the tool tests,
// shown offscreen; tools that record what happens to them; and a document
// the model holds while it lives.
#ifndef TESTS_APP_TOOLS_TOOL_FIXTURE_H
#define TESTS_APP_TOOLS_TOOL_FIXTURE_H

#include "files/zt_source_image.h"
#include "tools/gm_tool.h"

#include <QSize>
#include <QStringList>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

class ImageView;
class TipWindow;

// What happened to the tools, in order: "activate Brush after -",
// "deactivate Brush before Keep", "toolChanged Brush", "unHighlight".
QStringList& toolLog();

class TestTool : public GmTool {
    Q_OBJECT
public:
    struct Options {
        QString shortcut;
        QString whatsThis;
        int allowedTabs = ViewTabs::Workspace;
        ViewTabs::ViewTab preferredTab = ViewTabs::Workspace;
        bool clearsHighlight = true;
        // -1 as the base decides (an image is loaded), 0 never, 1 always.
        int available = -1;
        bool withOptionsWidget = true;
    };
    TestTool(const QString& name, const Options& options, QWidget* actionWidget = nullptr);

    int allowedViewTabs() const override { return options_.allowedTabs; }
    ViewTabs::ViewTab preferredViewTab() const override { return options_.preferredTab; }
    bool clearsColourHighlight() const override { return options_.clearsHighlight; }
    bool isAvailable() const override;
    void activate(GmTool* previous) override;
    void deactivate(GmTool* next) override;

    void setAvailable(int available) { options_.available = available; }

private:
    Options options_;
};

class ToolFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Puts a small image into the model (and tells the tools), or takes it away.
    void openImage(QSize size = QSize(8, 6));
    void closeImage();

    std::unique_ptr<QWidget> window_;
    ImageView* view_ = nullptr;
    TipWindow* tip_ = nullptr;
    std::unique_ptr<ZtSourceImage> image_;
};

#endif
