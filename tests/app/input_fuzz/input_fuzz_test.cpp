// Every reader of outside input under a randomised run: projects written by
// the program's own writer, and JPEG, PNG, TIFF, BMP and GIF files, mutated
// where their readers look (counts, lengths, kinds and values of the
// project's stream and the pictures inside it, Exif directories and their
// links, JPEG sections, PNG chunks and headers with their CRCs made right,
// TIFF directory entries) and byte by byte, then read through the functions
// the program calls: project loading into a live document, ZtSourceImage,
// the PNG and TIFF readers, the orientation reader and the canvas's drop.
//
//   CUTOUT_INPUT_FUZZ_SECONDS=600   run for ten minutes (default: 5 seconds)
//   CUTOUT_INPUT_FUZZ_FIRST_SEED=N  start from input seed N (default 1)
//   CUTOUT_INPUT_FUZZ_SEED=N        replay input N alone
//   CUTOUT_INPUT_FUZZ_KEEP=FILE     write each input into FILE too (with a replay)
//
// Each input is checked: no crash or sanitizer report, a time and a memory
// bound, a refused project leaves the document as it was with exactly one
// message, an accepted one is fully usable (analysis, cut-out, save, load
// again), a refused picture says so once, an accepted one is within the
// pixel limit and reads the same twice. What an input prints is kept aside
// and shown when it fails; a run that ends inside an input, or an input
// beyond its time, is named with its seed by a watching process
// (run_watch.h).
#include "document_fixture.h"
#include "input_builders.h"
#include "mutations.h"
#include "run_watch.h"

#include "engine_bridge/vk_cmd_generate_mask.h"
#include "files/image_limits.h"
#include "files/jpeg_orientation.h"
#include "files/named_image.h"
#include "files/png_io.h"
#include "files/project_file.h"
#include "files/project_io.h"
#include "files/receiving/accept_image_drop.h"
#include "files/tiff_io.h"
#include "files/zt_source_image.h"
#include "model/brush_region.h"
#include "model/brushing.h"
#include "model/forced_edge.h"
#include "model/gm_status_array.h"
#include "model/poly_region.h"
#include "model/rect_region.h"
#include "shell/services/shell_functions.h"
#include "support/test_environment.h"

#include <QBuffer>
#include <QDataStream>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QImageWriter>
#include <QMimeData>
#include <QSaveFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

using test_support::prompts;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr double kSecondsPerInput = 60;
constexpr long kMemoryGrowthKb = 1536 * 1024;
#else
constexpr double kSecondsPerInput = 15;
constexpr long kMemoryGrowthKb = 768 * 1024;
#endif
// Pictures the fuzz may accept: far below the real limit, so that the
// memory bound shows a reader that allocates before it checks.
constexpr qint64 kFuzzPixelLimit = 4'000'000;

// Writes `input` where CUTOUT_INPUT_FUZZ_KEEP names, to look at by hand.
void keep(const QByteArray& input) {
    const QString name = qEnvironmentVariable("CUTOUT_INPUT_FUZZ_KEEP");
    if (name.isEmpty()) return;
    QFile file(name);
    if (file.open(QIODevice::WriteOnly)) file.write(input);
}

uint64_t fromEnvironment(const char* name, uint64_t fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::strtoull(text, nullptr, 10) : fallback;
}

long peakMemoryKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

class InputFuzz : public DocumentFixture {
protected:
    QString path(const QString& name) const { return folder_.filePath(name); }

    QByteArray saved() {
        const QString file = path(QStringLiteral("saved.oztp"));
        QSaveFile out(file);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        EXPECT_TRUE(project_io::saveProject(out));
        QFile in(file);
        EXPECT_TRUE(in.open(QIODevice::ReadOnly));
        return in.readAll();
    }

    // Loads `bytes`; when the model takes them, waits for the new session.
    bool load(const QByteArray& bytes) {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        QSignalSpy begun(model(), &GmModel::sessionHasBegun);
        if (!project_io::loadProject(buffer, path(QStringLiteral("input.oztp")))) return false;
        if (!test_support::waitFor([&] { return begun.count() >= 1; })) return true;
        waitIdle();
        return true;
    }

    // The seed projects: a document of every kind of target and mark, at
    // 8 bits and at 16 bits.
    void makeProjects() {
        openImage(halves(48, 32));
        model()->setResolution(2);
        waitIdle();
        analyse();
        stroke(QPointF(4, 16), QPointF(20, 16), VkStatusKeep, VkScopeExact);
        stroke(QPointF(30, 16), QPointF(44, 16), VkStatusDelete, VkScopeExact);
        auto* rectangle = new RectRegion(QPointF(26, 2));
        rectangle->rectangle()->dragCorner(QPointF(40, 12));
        rectangle->beginSubSession(nullptr);
        rectangle->setProtected(true);
        auto* polygon = new PolyRegion(QPointF(4, 20));
        polygon->polygon()->addPoint(QPointF(20, 22));
        polygon->polygon()->addPoint(QPointF(10, 30));
        polygon->beginSubSession(nullptr);
        Brushing painted(QColor(Qt::cyan));
        painted.startAt(QPointF(34, 24));
        painted.lineTo(QPointF(44, 28));
        (new BrushRegion(painted))->beginSubSession(nullptr);
        auto* edge = new ForcedEdge(QPointF(2, 30), 4);
        edge->polygon()->addPoint(QPointF(46, 30));
        edge->submitToEngine();
        waitIdle();
        projects_ << saved();

        const QString wide = path(QStringLiteral("wide.png"));
        PixelStore16 samples;
        samples.allocate(40, 24);
        for (std::size_t i = 0; i < samples.sampleCount(); ++i)
            samples.data()[i] = quint16(i * 2654435761u >> 16);
        ASSERT_TRUE(png_io::write(wide, samples.view()));
        openSource(new ZtSourceImage(wide));
        ASSERT_EQ(model()->sourceImage()->format(), ZtSourceImage::Format16);
        stroke(QPointF(4, 12), QPointF(16, 12), VkStatusKeep, VkScopeExact);
        projects_ << saved();
        ASSERT_TRUE(load(projects_[0]));
    }

    void makePictures() {
        const QImage picture = halves(40, 28);
        QByteArray exif = mutations::exifSection(6);
        const QByteArray jpeg = builders::encoded(picture, "JPEG", 85);
        pictures_ << Picture{"jpg", jpeg.left(2) + exif + jpeg.mid(2)};
        {
            QByteArray progressive;
            QBuffer buffer(&progressive);
            buffer.open(QIODevice::WriteOnly);
            QImageWriter writer(&buffer, "JPEG");
            writer.setProgressiveScanWrite(true);
            writer.write(picture);
            pictures_ << Picture{"jpg", progressive};
        }
        pictures_ << Picture{"png", builders::encoded(picture, "PNG")};
        pictures_ << Picture{
            "png", builders::encoded(picture.convertToFormat(QImage::Format_Indexed8), "PNG")};
        const QString folder = folder_.path();
        PixelStore16 samples;
        samples.allocate(20, 12);
        for (std::size_t i = 0; i < samples.sampleCount(); ++i)
            samples.data()[i] = quint16(i * 40503u);
        ASSERT_TRUE(png_io::write(folder + "/s16.png", samples.view()));
        ASSERT_TRUE(tiff_io::write(folder + "/s16.tif", samples.view()));
        for (const char* name : {"s16.png", "s16.tif"}) {
            QFile file(folder + "/" + name);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            pictures_ << Picture{QString::fromLatin1(name).section('.', 1), file.readAll()};
        }
        pictures_ << Picture{"tif", builders::encoded(picture, "TIFF")};
        pictures_ << Picture{"bmp", builders::encoded(picture, "BMP")};
        pictures_ << Picture{"gif", builders::encoded(picture, "GIF")};
    }

    struct Picture {
        QString suffix;
        QByteArray bytes;
    };

    // One project input; a failure text or empty.
    std::string tryProject(mutations::Random& random) {
        const QByteArray input =
            mutations::mutateProject(random, projects_[random.below(projects_.size())]);
        keep(input);
        const QByteArray before = bytesOf(model()->toVariant());
        const ZtSourceImage* image = model()->sourceImage();
        prompts().reset();
        prompts().answer(PromptService::Ok);
        if (!load(input)) {
            if (prompts().asked().size() != 1)
                return "a refused project said so " + std::to_string(prompts().asked().size()) +
                       " times";
            if (thread().queuedCount() != 0 || thread().isBusy())
                return "a refused project left commands behind";
            if (model()->sourceImage() != image || bytesOf(model()->toVariant()) != before)
                return "a refused project changed the document";
            return std::string();
        }
        ++accepted_;
        // Fully usable: analysis, marks, cut-out, save and load again.
        prompts().reset();
        prompts().answer(PromptService::Ok);
        prompts().answer(PromptService::Ok);
        analyse();
        const QSize size = model()->sourceImage()->displayImage().size();
        stroke(QPointF(1, 1), QPointF(size.width() / 3.0, 1), VkStatusKeep, VkScopeExact);
        stroke(QPointF(size.width() - 2.0, size.height() - 2.0),
               QPointF(size.width() * 2 / 3.0, size.height() - 2.0), VkStatusDelete, VkScopeExact);
        submitAndWait(new VkCmdGenerateMask(model(), static_cast<const ImageRectF*>(nullptr)));
        const QByteArray again = saved();
        prompts().reset();
        const bool reloaded = load(again);
        std::string failure;
        if (!reloaded) failure = "a project the program saved from an accepted one was refused";
        prompts().reset();
        if (!load(projects_[0])) failure = "the seed project no longer loads";
        return failure;
    }

    // One picture input; a failure text or empty.
    std::string tryPicture(mutations::Random& random) {
        const Picture& seed = pictures_[random.below(pictures_.size())];
        const QByteArray input = mutations::mutatePicture(random, seed.bytes);
        keep(input);
        const QString file = path(QStringLiteral("input.") + seed.suffix);
        {
            QFile out(file);
            if (!out.open(QIODevice::WriteOnly) || out.write(input) != input.size())
                return "could not write the input";
        }
        jpegOrientation(file);
        PixelStore16 pixels;
        png_io::readRgb16(file, pixels);
        tiff_io::readRgb16(file, pixels);
        pixels.clear();

        prompts().reset();
        prompts().answer(PromptService::Ok);
        QImage first;
        {
            const ZtSourceImage image(file);
            if (!image.isValid()) {
                if (prompts().asked().size() != 1)
                    return "a refused picture said so " + std::to_string(prompts().asked().size()) +
                           " times";
            } else {
                if (!prompts().asked().isEmpty()) return "an accepted picture warned";
                if (!image_limits::fitsPixelLimit(image.width(), image.height()))
                    return "a picture beyond the limit opened";
                first = const_cast<ZtSourceImage&>(image).displayImage().copy();
            }
        }
        if (!first.isNull()) {
            ++accepted_;
            const ZtSourceImage again(file);
            if (!again.isValid() || const_cast<ZtSourceImage&>(again).displayImage() != first)
                return "a picture read twice gave two pictures";
        }

        // Dropped on the canvas: as data of another program, and as a file.
        for (int kind = 0; kind < 2; ++kind) {
            prompts().reset();
            prompts().answer(PromptService::Ok);
            QMimeData data;
            if (kind == 0)
                data.setData(QStringLiteral("image/") + seed.suffix, input);
            else
                data.setUrls({QUrl::fromLocalFile(file)});
            received_ = NamedImage();
            QDropEvent drop(QPointF(1, 1), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            acceptImageDrop(&drop);
            test_support::waitFor([] { return false; }, 0);
            const bool got = !received_.isNull();
            if (got == !prompts().asked().isEmpty())
                return "a drop gave an image and a warning, or neither";
            if (got && !image_limits::fitsPixelLimit(received_.width(), received_.height()))
                return "a dropped picture beyond the limit was taken";
        }
        return std::string();
    }

    QTemporaryDir folder_;
    QList<QByteArray> projects_;
    QList<Picture> pictures_;
    NamedImage received_;
    uint64_t accepted_ = 0;
};

TEST_F(InputFuzz, EveryReaderSurvivesMutatedInput) {
    const image_limits::ScopedPixelLimit limit(kFuzzPixelLimit);
    setReceivedImageHandler([this](const NamedImage& image) { received_ = image; });
    makeProjects();
    makePictures();
    ASSERT_EQ(projects_.size(), 2);

    const uint64_t replay = fromEnvironment("CUTOUT_INPUT_FUZZ_SEED", 0);
    const uint64_t first = fromEnvironment("CUTOUT_INPUT_FUZZ_FIRST_SEED", 1);
    const double budget = double(fromEnvironment("CUTOUT_INPUT_FUZZ_SECONDS", 5));

    uint64_t inputs = 0, projectInputs = 0;
    std::string failure;
    const long startMemory = peakMemoryKb();
    QElapsedTimer run;
    run.start();
    {
        // A replayed input shows all it prints.
        std::unique_ptr<run_watch::CapturedOutput> output;
        if (!replay)
            output = std::make_unique<run_watch::CapturedOutput>(path(QStringLiteral("output")));
        run_watch::RunWatch watch(output ? output->originalError() : STDERR_FILENO,
                                  output ? output->path() : QByteArray(), kSecondsPerInput);
        for (uint64_t seed = replay ? replay : first; failure.empty(); ++seed) {
            if (output) output->startInput();
            watch.startInput(seed);
            const bool failedBefore = HasFailure();
            mutations::Random random(seed);
            QElapsedTimer one;
            one.start();
            const bool project = random.chance(0.4);
            failure = project ? tryProject(random) : tryPicture(random);
            projectInputs += project ? 1 : 0;
            ++inputs;
            if (failure.empty() && !failedBefore && HasFailure()) {
                failure = "a check failed";
                if (output) failure += ":\n" + output->text().toStdString();
            }
            if (failure.empty() && one.elapsed() > kSecondsPerInput * 1000)
                failure = "took " + std::to_string(one.elapsed()) + " ms";
            if (failure.empty() && peakMemoryKb() - startMemory > kMemoryGrowthKb)
                failure =
                    "the process grew by " + std::to_string(peakMemoryKb() - startMemory) + " kB";
            if (!failure.empty())
                failure += "\nreplay: CUTOUT_INPUT_FUZZ_SEED=" + std::to_string(seed);
            if (replay || run.elapsed() >= budget * 1000) break;
        }
    }
    setReceivedImageHandler(nullptr);
    EXPECT_TRUE(failure.empty()) << failure;
    std::printf("input fuzz: %llu inputs (%llu projects, %llu pictures) in %.1f s, %llu accepted\n",
                static_cast<unsigned long long>(inputs),
                static_cast<unsigned long long>(projectInputs),
                static_cast<unsigned long long>(inputs - projectInputs), run.elapsed() / 1000.0,
                static_cast<unsigned long long>(accepted_));
    RecordProperty("inputs", std::to_string(inputs));
}

} // namespace
