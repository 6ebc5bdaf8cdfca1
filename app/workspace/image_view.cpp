#include "workspace/image_view.h"

#include "shell/services/shell_functions.h"
#include "shell/services/whats_this_text.h"
#include "workspace/gm_zoom_widget.h"
#include "workspace/iv_tab_widget.h"
#include "workspace/tab_filter.h"
#include "workspace/zt_workspace.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QKeySequence>
#include <QTabBar>
#include <QVBoxLayout>

namespace {

QString tipText(const char* text) {
    return QCoreApplication::translate("ImageView", text, "[tip]");
}

QString viewText(const char* text) {
    return QCoreApplication::translate("ImageView", text, "[zt3]");
}

} // namespace

ImageView::ImageView(QWidget* mainWindow) : QWidget(mainWindow), mainWindow_(mainWindow) {
    qRegisterMetaType<ImageView::ViewTab>("ImageView::ViewTab");

    // The tab bar reports to the view, which picks the page (always the one
    // workspace) and sends it to the tab widget.
    actionGroup_ = new QActionGroup(this);
    actionGroup_->setExclusive(true);
    tabBar_ = new QTabBar(this);
    tabWidget_ = new IVTabWidget(this);
    tabWidget_->setTabBar(tabBar_);
    disconnect(tabBar_, SIGNAL(currentChanged(int)), tabWidget_, SLOT(_q_showTab(int)));
    connect(tabBar_, &QTabBar::currentChanged, this, &ImageView::currentTabChanged);
    connect(this, SIGNAL(switchToTab(int)), tabWidget_, SLOT(_q_showTab(int)));

    workspace_ = new ZtWorkspace(this);

    const QString commonWhatsThis =
        tipText("<p>View your image in one of three ways:</p><ul><li><b>Source</b> (1): The "
                "Source view shows the original image.</li><li><b>Workspace</b> (2): The "
                "Workspace view is where you create the cut-out masks.</li><li><b>Cut-out</b> "
                "(3): The Cut-out view shows the cut-out image.</li></ul><p>Cut-out view is only "
                "updated when you click the <b>Create Cut-out</b> button on the <b>Tool "
                "Palette</b> or when you create a <b>Preview Cut-out</b>.</p><p><b><i>Consider: "
                "</i></b>Using the 1,2,3 shortcut keys to toggle between these views.</p>") +
        learnMoreParagraph(QStringLiteral("4-Zeltran_Tools/Project_Window.htm"));

    sourceAction_ = addTab(workspace_, viewText("&Source"),
                           tipText("<p><b>Image View&mdash;Source</b></p>") + commonWhatsThis,
                           viewText("Show original image"), Source);
    workspaceAction_ = addTab(workspace_, viewText("&Workspace"),
                              tipText("<p><b>Image View&mdash;Workspace</b></p>") + commonWhatsThis,
                              viewText("Show working image where masks are applied"), Workspace);
    cutoutAction_ = addTab(workspace_, viewText("&Cut-out"),
                           tipText("<p><b>Image View&mdash;Cut-out</b></p>") + commonWhatsThis,
                           viewText("Show cut-out image"), Cutout);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tabWidget_);
    connect(workspace_, &ZtWorkspace::sayDisplayedRectChanged, this,
            &ImageView::sayViewportRectChanged);
    ensureTab(Workspace, Workspace);
    TabFilter::install(this, mainWindow_);
}

QSize ImageView::minimumSizeHint() const {
    return QSize(400, 300);
}

ImageView::ViewTab ImageView::currentViewTab() const {
    const int index = tabBar_->currentIndex();
    if (index < 0 || index >= tabRecords_.size()) return Workspace;
    return tabRecords_.at(index).tab;
}

void ImageView::ensureTab(int allowed, ImageView::ViewTab fallback) {
    if (currentViewTab() & allowed) return;
    for (int i = 0; i < tabRecords_.size(); ++i) {
        if (tabRecords_.at(i).tab == fallback) {
            tabBar_->setCurrentIndex(i);
            return;
        }
    }
}

QAction* ImageView::addTab(ZtWorkspace* page, const QString& text, const QString& whatsThis,
                           const QString& toolTip, ImageView::ViewTab tab) {
    QString label = text;
    label.remove(QLatin1Char('&'));

    int pageNumber = tabWidget_->indexOf(page);
    int tabIndex;
    if (pageNumber < 0) {
        pageNumber = nextPageNumber_++;
        tabIndex = tabWidget_->addTab(page, label);
    } else {
        tabIndex = tabBar_->addTab(label);
    }
    const int last = tabBar_->count() - 1;
    tabBar_->moveTab(tabIndex, last);
    tabRecords_.append({tab, pageNumber});
    tabBar_->setTabWhatsThis(last, whatsThis);
    tabBar_->setTabToolTip(last, toolTip);

    auto* action = new QAction(text, actionGroup_);
    action->setCheckable(true);
    action->setToolTip(toolTip);
    setShortcutAndToolTip(action, QKeySequence(QString::number(tabActions_.size() + 1)));
    QString actionWhatsThis = whatsThis;
    insertShortcut(actionWhatsThis, action->shortcut());
    action->setWhatsThis(actionWhatsThis);
    connect(action, &QAction::triggered, this, &ImageView::switchTab);
    tabActions_.append(action);
    // A tab added while it is already current gets its action checked here.
    if (tabBar_->currentIndex() == last) action->setChecked(true);
    emit addTabAction(action);
    return action;
}

GmZoomWidget* ImageView::canvas() const {
    return workspace_->canvas();
}

void ImageView::fitImageOnScreenSlot() {
    workspace_->canvas()->fitToSize(QSizeF(workspace_->viewport()->size()));
}

void ImageView::minCheckedMoveImageViewportToSlot(const ImageRectF& rect) {
    workspace_->minCheckedMoveViewportTo(rect);
}

void ImageView::moveImageViewportToSlot(const ImageRectF& rect) {
    workspace_->moveViewportTo(rect);
}

void ImageView::panImageViewportSlot(const QPoint& delta) {
    workspace_->panBy(delta.x(), delta.y());
}

void ImageView::centreViewportOnSlot(const QPoint& point) {
    workspace_->centreOn(point);
}

void ImageView::zoomInSlot() {
    workspace_->zoomAnchored(1.25, false);
}

void ImageView::zoomOutSlot() {
    workspace_->zoomAnchored(0.8, false);
}

void ImageView::zoomToSlot(double zoom) {
    workspace_->zoomAnchored(zoom, true);
}

void ImageView::zoomTo100PercentSlot() {
    workspace_->zoomAnchored(1.0, true);
}

void ImageView::currentTabChanged(int index) {
    // While a tab is being added the bar reports it before its record exists.
    if (index >= 0 && index < tabRecords_.size()) emit switchToTab(tabRecords_.at(index).page);
    if (index >= 0 && index < tabActions_.size()) tabActions_.at(index)->setChecked(true);
    emit viewTabChanged(currentViewTab());
}

void ImageView::switchTab() {
    const int index = tabActions_.indexOf(qobject_cast<QAction*>(sender()));
    if (index >= 0) tabBar_->setCurrentIndex(index);
}
