// The base of the two blending option widgets: the standard controls of the
// image panel and the patch page (CommonBlendOptsWidget) and the complex
// blending types of a patch (RegionBlendOptsWidget).
//
// The widgets keep no option values of their own: every control writes the
// record it edits at once, and loadOptions is the one way a record comes back
// into the controls. Objects a widget builds outside its layout belong to its
// cleanup handler. User-interface thread only.
#ifndef APP_PANELS_BLEND_OPTS_WIDGET_H
#define APP_PANELS_BLEND_OPTS_WIDGET_H

#include <QObjectCleanupHandler>
#include <QWidget>

class BlendingOptions;
class QBoxLayout;

class BlendOptsWidget : public QWidget {
    Q_OBJECT
public:
    // `isImage`: the widget of the whole-image panel, whose persistent
    // controls are kept while the preference "PersistOptions" is on.
    explicit BlendOptsWidget(bool isImage, QWidget* parent = nullptr);
    ~BlendOptsWidget() override;

    bool isImage() const { return isImage_; }

    // Shows `record` in the controls (builds them first); null shows nothing.
    virtual void loadOptions(BlendingOptions* record) = 0;
    // Writes the controls into `record`.
    virtual void storeOptions(BlendingOptions* record) = 0;

    // Builds the form on first use, then the record the widget edits either
    // takes the stored controls (the image's widget while "PersistOptions" is
    // on) or is shown in them.
    void ensureBuilt();

    // The record the widget edits: the active patch's, or the image's while
    // no patch is active.
    virtual BlendingOptions* targetRecord() const;
    // The whole image's record.
    static BlendingOptions* imageRecord();
    // The active patch's record, or null.
    static BlendingOptions* activePatchRecord();

protected:
    // Builds the controls into `layout`.
    virtual void buildForm(QBoxLayout* layout) = 0;
    void paintEvent(QPaintEvent* event) override;

    QObjectCleanupHandler& cleanupHandler() { return cleanup_; }
    // The image's widget while the preference is on.
    bool persistsControls() const;

private:
    bool isImage_;
    QObjectCleanupHandler cleanup_;
};

#endif
