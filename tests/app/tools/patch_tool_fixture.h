// The polygon, rectangle, patch, forced-edge and preview tools on a plain
// 64 x 48 image in the model, with every command they submit kept unrun.
// Patches, forced edges and the preview rectangle left behind go afterwards.
#ifndef TESTS_APP_TOOLS_PATCH_TOOL_FIXTURE_H
#define TESTS_APP_TOOLS_PATCH_TOOL_FIXTURE_H

#include "model/command_recorder.h"
#include "tool_fixture.h"

#include <memory>

class GmModel;

class PatchToolFixture : public ToolFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    static GmModel* model();
    CommandRecorder& engine() { return *engine_; }
    // The kept commands' descriptions ("Creating Forced Edge...").
    QStringList commands() const { return engine_->descriptions(); }

private:
    std::unique_ptr<CommandRecorder> engine_;
};

#endif
