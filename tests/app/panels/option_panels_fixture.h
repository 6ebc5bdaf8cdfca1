// A document on the real engine for the edge-finding, blending and patch
// panels: the preferences (with "PersistOptions" as a test sets it), nothing
// stored under "EdgeDetectionOptions" and "BlendingOptions", the image's
// records back at their defaults, and rectangle patches in the engine.
#ifndef TESTS_APP_PANELS_OPTION_PANELS_FIXTURE_H
#define TESTS_APP_PANELS_OPTION_PANELS_FIXTURE_H

#include "document/document_fixture.h"
#include "model/zt_app_prefs.h"
#include "support/test_environment.h"

#include <QRectF>
#include <QStringList>

#include <memory>

class BlendingOptions;
class QWidget;
class RectRegion;

// A widget's own enabled flag, whatever its parents say.
bool enabledFlag(const QWidget* widget);

class OptionPanelsFixture : public DocumentFixture {
protected:
    OptionPanelsFixture();
    ~OptionPanelsFixture() override;

    ZtAppPrefs& prefs() { return *prefs_; }
    void setPersistOptions(bool on) { prefs_->setPersistOptions(on); }
    BlendingOptions& imageBlending() const;

    // A rectangle patch over `area` (image pixels) with its sub-session
    // opened; it is the active patch afterwards.
    RectRegion* addPatch(const QRectF& area);

    // The descriptions of the commands the engine thread started since the
    // test began (or since the last clear).
    const QStringList& started() const { return started_; }
    void clearStarted() { started_.clear(); }

private:
    std::unique_ptr<ZtAppPrefs> prefs_;
    QStringList started_;
};

#endif
