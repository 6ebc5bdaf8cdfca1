// A window to look at the colour display with its axes and edge bands on a
// real document (the engine's status image), wired to the status array as
// the colour workspace panel wires it:
//   colour_workspace_harness [IMAGE] [--map] [--bits N] [--axes H,V]
// Drag in the display (Shift adds, Alt removes) or from the 20-pixel bands
// beside it; right-click for the background menu. The line under the display
// tells what the status array received, and the title how many pixels its
// highlight image marks. The window sits at (0, 0) and the display's
// top-left corner is printed on standard output, for scripted drags.
#include "colour_workspace/axis_widget.h"
#include "colour_workspace/colour_display.h"
#include "colour_workspace/cws_mouse_event_filter.h"
#include "engine_bridge/vardek_thread.h"
#include "files/zt_source_image.h"
#include "model/gm_model.h"
#include "model/gm_status_array.h"
#include "model/highlight_thread.h"
#include "workspace/canvas_hooks.h"
#include "workspace/image_view.h"

#include <QApplication>
#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>

namespace {

using Bx::colour::channel;

QString valuesText(const std::vector<bool>& values) {
    QStringList runs;
    int count = 0;
    for (int v = 0; v < int(values.size()); ++v) {
        if (!values[std::size_t(v)]) continue;
        ++count;
        int last = v;
        while (last + 1 < int(values.size()) && values[std::size_t(last + 1)])
            ++last;
        runs << (last == v ? QString::number(v) : QStringLiteral("%1..%2").arg(v).arg(last));
        count += last - v;
        v = last;
    }
    return QStringLiteral("%1 values (%2)")
        .arg(count)
        .arg(runs.isEmpty() ? "none" : runs.join(", "));
}

QString pairsText(const QImage& pairs) {
    int count = 0;
    QRect covered;
    for (int y = 0; y < pairs.height(); ++y)
        for (int x = 0; x < pairs.width(); ++x)
            if (pairs.pixelIndex(x, y)) {
                ++count;
                covered |= QRect(x, y, 1, 1);
            }
    if (!count) return QStringLiteral("no pairs");
    return QStringLiteral("%1 pairs within %2..%3 x %4..%5")
        .arg(count)
        .arg(covered.left())
        .arg(covered.right())
        .arg(covered.top())
        .arg(covered.bottom());
}

int highlightedPixels() {
    const QImage& highlight = GmModel::instance()->statusArray()->highlightImage();
    int count = 0;
    for (int y = 0; y < highlight.height(); ++y)
        for (int x = 0; x < highlight.width(); ++x)
            count += highlight.pixelIndex(x, y);
    return count;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QString path = QStringLiteral(CUTOUT_TEST_DATA "/chelsea.png");
    bool map = false;
    int bits = 5;
    channel horizontal = channel::Lightness, vertical = channel::Hue;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--map")) {
            map = true;
        } else if (arg == QLatin1String("--bits") && i + 1 < argc) {
            bits = QString::fromLocal8Bit(argv[++i]).toInt();
        } else if (arg == QLatin1String("--axes") && i + 1 < argc) {
            const QStringList axes = QString::fromLocal8Bit(argv[++i]).split(',');
            if (axes.size() == 2) {
                horizontal = channel(axes[0].toInt());
                vertical = channel(axes[1].toInt());
            }
        } else {
            path = arg;
        }
    }

    VardekThread thread;
    GmModel* model = GmModel::instance();
    GmStatusArray* array = model->statusArray();

    QWidget window;
    window.setWindowTitle("Colour workspace");
    auto* splitter = new QSplitter(&window);
    auto* outer = new QHBoxLayout(&window);
    outer->addWidget(splitter);
    new ImageView(splitter);
    auto* panel = new QWidget(splitter);
    auto* column = new QVBoxLayout(panel);
    auto* grid = new QGridLayout;
    grid->setSpacing(0);
    column->addLayout(grid, 1);
    grid->setRowStretch(0, 1);
    grid->setColumnStretch(1, 1);

    auto* display = new ColourDisplay(panel);
    display->setMinimumSize(360, 300);
    display->setToolTip("Click+Drag to select colors");
    auto* verticalAxis = new AxisWidget(panel);
    auto* horizontalAxis = new AxisWidget(panel);
    QStringList names;
    for (int c = channel::Hue; c <= channel::Blue; ++c)
        names << AxisWidget::channelName(channel(c));
    for (AxisWidget* axis : {verticalAxis, horizontalAxis}) {
        axis->setNames(names);
        axis->setDisplay(display);
    }
    verticalAxis->setOrientation(Qt::Vertical);
    verticalAxis->setMinimumSize(0, 100);
    grid->addWidget(verticalAxis, 0, 0);
    grid->addWidget(display, 0, 1);
    grid->addWidget(horizontalAxis, 1, 1);

    auto* modes = new QHBoxLayout;
    auto* histogramMode = new QRadioButton("Histogram", panel);
    auto* mapMode = new QRadioButton("2D color map", panel);
    (map ? mapMode : histogramMode)->setChecked(true);
    auto* colourBits = new QSlider(Qt::Horizontal, panel);
    colourBits->setRange(4, 8);
    colourBits->setValue(bits);
    modes->addWidget(histogramMode);
    modes->addWidget(mapMode);
    modes->addWidget(new QLabel("Resolution:", panel));
    modes->addWidget(colourBits);
    column->addLayout(modes);
    auto* received = new QLabel("Status array: nothing yet", panel);
    received->setWordWrap(true);
    column->addWidget(received);

    // The edge bands, on everything around the display.
    auto* filter = new CWSMouseEventFilter(display, panel);
    for (QWidget* watched :
         {&window, static_cast<QWidget*>(splitter), panel, static_cast<QWidget*>(verticalAxis),
          static_cast<QWidget*>(horizontalAxis)})
        filter->watch(watched);
    display->setCursor(Qt::CrossCursor);

    // The display as the panel sets it up.
    display->histogram().setAxes(horizontal, vertical);
    display->histogram().setColourBits(bits);
    display->setMode(map ? ColourDisplay::ColourMapMode : ColourDisplay::HistogramMode);
    horizontalAxis->setChannel(horizontal);
    verticalAxis->setChannel(vertical);

    // The status array receives the selection; the line tells what it holds.
    QObject::connect(
        display,
        QOverload<std::vector<bool>, channel, VkPixelStatus>::of(&ColourDisplay::highlightChanged),
        array,
        QOverload<std::vector<bool>, channel, VkPixelStatus>::of(&GmStatusArray::highlightChanged));
    QObject::connect(
        display,
        QOverload<QImage, channel, channel, VkPixelStatus>::of(&ColourDisplay::highlightChanged),
        array,
        QOverload<QImage, channel, channel, VkPixelStatus>::of(&GmStatusArray::highlightChanged));
    QObject::connect(display, &ColourDisplay::unHighlit, array, &GmStatusArray::unHighlight);
    QObject::connect(array, &GmStatusArray::statusChanged, display,
                     &ColourDisplay::statusArrayChanged);
    const auto describe = [=] {
        if (display->mode() == ColourDisplay::HistogramMode)
            received->setText(QStringLiteral("Status array (1-D, %1, mask %2): %3")
                                  .arg(AxisWidget::channelName(array->set1DThread()->axis()))
                                  .arg(display->highlightStatusMask())
                                  .arg(valuesText(array->set1DThread()->selection())));
        else
            received->setText(
                QStringLiteral("Status array (2-D, %1 x %2, mask %3): %4")
                    .arg(AxisWidget::channelName(array->set2DThread()->horizontalAxis()))
                    .arg(AxisWidget::channelName(array->set2DThread()->verticalAxis()))
                    .arg(display->highlightStatusMask())
                    .arg(pairsText(array->set2DThread()->selection())));
    };
    QObject::connect(
        display,
        QOverload<std::vector<bool>, channel, VkPixelStatus>::of(&ColourDisplay::highlightChanged),
        received, describe);
    QObject::connect(
        display,
        QOverload<QImage, channel, channel, VkPixelStatus>::of(&ColourDisplay::highlightChanged),
        received, describe);

    // The canvas paints the highlight image while a colour is selected.
    canvasHooks().colourHighlightShown = [display] { return !display->selectionEmpty(); };

    // What the panel does on a change of mode, resolution, image or statuses.
    const auto modeChanged = [=] {
        const int mode = histogramMode->isChecked() ? ColourDisplay::HistogramMode
                                                    : ColourDisplay::ColourMapMode;
        if (mode == display->mode()) return;
        display->setMode(mode);
        display->unHighlight();
        verticalAxis->update();
        horizontalAxis->update();
    };
    QObject::connect(histogramMode, &QRadioButton::toggled, display, modeChanged);
    QObject::connect(colourBits, &QSlider::valueChanged, display, &ColourDisplay::setColourBits);
    QObject::connect(model, &GmModel::tellImageChanged, display, [display] {
        display->unHighlight();
        display->setRebuildNeeded(true);
        display->update();
    });
    QObject::connect(model, &GmModel::statusImageChanged, display, [display] {
        display->setRebuildNeeded(true);
        display->update();
    });

    window.resize(1300, 700);
    window.move(0, 0);
    window.show();
    splitter->setSizes({850, 450});

    auto* source = new ZtSourceImage(path);
    if (!model->setImages(GmSession::SettingsForNewImage, GmModel::OpenedFromImage, source,
                          nullptr))
        delete source;
    // The status image comes from the engine thread; the histogram follows it.
    display->setRebuildNeeded(true);

    QTimer title;
    QObject::connect(&title, &QTimer::timeout, &window, [&] {
        window.setWindowTitle(QStringLiteral("Colour workspace: %1 highlighted workspace pixels")
                                  .arg(highlightedPixels()));
    });
    title.start(250);
    QTimer::singleShot(500, &window, [display] {
        const QPoint corner = display->mapToGlobal(QPoint(0, 0));
        std::printf("display at %d,%d size %dx%d\n", corner.x(), corner.y(), display->width(),
                    display->height());
        std::fflush(stdout);
    });

    const int result = app.exec();
    canvasHooks().colourHighlightShown = nullptr;
    model->closeImage();
    return result;
}
