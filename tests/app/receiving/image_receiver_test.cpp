// Images received by drop and download: what a drop is turned into, which
// candidate wins, the progress dialog and cancel, and the downloads of one
// link, all against a loopback HTTP server.
#include "files/receiving/accept_image_drop.h"
#include "files/receiving/image_receiver.h"
#include "files/receiving/network_image_getter.h"
#include "support/loopback_http_server.h"
#include "support/test_environment.h"

#include <QBuffer>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using test_support::LoopbackHttpServer;
using test_support::prompts;
using test_support::waitFor;

namespace {

QByteArray pngBytes(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::darkGreen);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QStringList getterLogLines() {
    return test_support::logLines().filter(QStringLiteral("NetworkImageGetter"));
}

void expectDropWarning(int index = 0) {
    ASSERT_GT(prompts().asked().size(), index);
    const auto& prompt = prompts().asked()[index];
    EXPECT_EQ(prompt.kind, PromptService::Kind::Warning);
    EXPECT_EQ(prompt.title, QStringLiteral("Image dropped"));
    EXPECT_EQ(prompt.text, QStringLiteral("Image could not be opened"));
}

void clickCancel(QProgressDialog* dialog) {
    ASSERT_NE(dialog, nullptr);
    auto* button = dialog->findChild<QPushButton*>();
    ASSERT_NE(button, nullptr);
    button->click();
}

// A receiver that deletes itself at the end, as the drop handler makes it,
// with the images it emitted.
struct Receiving {
    explicit Receiving(const QMimeData& data) : receiver(new ImageReceiver(&data)) {
        QObject::connect(receiver, &ImageReceiver::bestImage,
                         [this](const NamedImage& image) { emitted.append(image); });
        QObject::connect(receiver, &ImageReceiver::finished, receiver, &QObject::deleteLater);
    }
    ~Receiving() { delete receiver.data(); }
    bool waitUntilGone() {
        return waitFor([this] { return receiver.isNull(); });
    }

    QPointer<ImageReceiver> receiver;
    QList<NamedImage> emitted;
};

class ImageReceiverTest : public ::testing::Test {
protected:
    QString writePng(const QString& name, int width, int height) {
        const QString path = folder_.filePath(name);
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::red);
        image.save(path, "PNG");
        return path;
    }

    QTemporaryDir folder_;
    LoopbackHttpServer server_;
};

// ---------------------------------------------------------------------------
// The drop handler
// ---------------------------------------------------------------------------

TEST_F(ImageReceiverTest, DropIsAcceptedWhenItCarriesUrlsAnImageOrText) {
    const QString file = writePng(QStringLiteral("dropped photo.png"), 4, 3);
    QList<NamedImage> received;
    setReceivedImageHandler([&](const NamedImage& image) { received.append(image); });

    struct Case {
        const char* what;
        std::function<void(QMimeData&)> fill;
        bool accepted;
        int images;
    };
    const Case cases[] = {
        {"nothing", [](QMimeData& data) { data.setData("application/x-other", "x"); }, false, 0},
        {"text alone", [](QMimeData& data) { data.setText(QStringLiteral("just words")); }, true,
         0},
        {"a local file", [&](QMimeData& data) { data.setUrls({QUrl::fromLocalFile(file)}); }, true,
         1},
        {"image data",
         [](QMimeData& data) { data.setImageData(QImage(2, 2, QImage::Format_RGB32)); }, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        received.clear();
        QMimeData data;
        c.fill(data);
        QDropEvent event(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        event.ignore();
        acceptImageDrop(&event);
        EXPECT_EQ(event.isAccepted(), c.accepted);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(received.size(), c.images);
    }
    setReceivedImageHandler(nullptr);
    EXPECT_TRUE(prompts().asked().isEmpty());
}

// ---------------------------------------------------------------------------
// Candidates
// ---------------------------------------------------------------------------

TEST_F(ImageReceiverTest, LocalFileIsEmittedAtOnceWithoutDialog) {
    const QString file = writePng(QStringLiteral("my%20cat.png"), 7, 5);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(file)});
    Receiving receiving(data);
    receiving.receiver->start();

    ASSERT_EQ(receiving.emitted.size(), 1);
    EXPECT_EQ(receiving.emitted[0].size(), QSize(7, 5));
    EXPECT_EQ(receiving.emitted[0].name(), QStringLiteral("my%20cat.png"));
    EXPECT_EQ(receiving.receiver->progressDialog(), nullptr);
    EXPECT_TRUE(receiving.waitUntilGone());
    EXPECT_TRUE(server_.requests().isEmpty());
}

// A camera JPEG stored sideways with the Exif orientation 6 (turn a quarter
// clockwise) is received upright, as File Open shows it.
TEST_F(ImageReceiverTest, DroppedJpegIsTurnedUprightByItsOrientation) {
    QImage stored(48, 32, QImage::Format_RGB32);
    stored.fill(Qt::blue);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            stored.setPixel(x, y, qRgb(255, 0, 0)); // top left as stored
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(stored.save(&buffer, "JPEG", 100));
    // An Exif section in Intel order with one entry: Orientation (0x0112), a
    // short, 6.
    const QByteArray exif("\xFF\xE1\x00\x22"
                          "Exif\0\0"
                          "II*\0\x08\0\0\0"
                          "\x01\0"
                          "\x12\x01\x03\0\x01\0\0\0\x06\0\0\0"
                          "\0\0\0\0",
                          36);
    const QString path = folder_.filePath(QStringLiteral("camera.jpg"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(jpeg.left(2) + exif + jpeg.mid(2));
    file.close();

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    Receiving receiving(data);
    receiving.receiver->start();

    ASSERT_EQ(receiving.emitted.size(), 1);
    const NamedImage& upright = receiving.emitted[0];
    EXPECT_EQ(upright.size(), QSize(32, 48));
    EXPECT_GT(qRed(upright.pixel(24, 8)), 200) << "the stored top left is now top right";
    EXPECT_LT(qRed(upright.pixel(8, 8)), 60);
}

TEST_F(ImageReceiverTest, LargestCandidateWinsAndTiesKeepTheEarlier) {
    struct Case {
        QSize first, second;
        int winner;
    };
    const Case cases[] = {
        {{100, 100}, {50, 300}, 1},
        {{50, 300}, {100, 100}, 0},
        {{60, 50}, {50, 60}, 0},
        {{0, 0}, {1, 1}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.first.width() << "x" << c.first.height() << " then "
                                        << c.second.width() << "x" << c.second.height());
        QMimeData empty;
        ImageReceiver receiver(&empty);
        const NamedImage first(QImage(c.first, QImage::Format_RGB32), QUrl("http://a.test/1.png"));
        const NamedImage second(QImage(c.second, QImage::Format_RGB32),
                                QUrl("http://a.test/2.png"));
        receiver.imageReceivedSlot(first);
        receiver.imageReceivedSlot(second);
        EXPECT_EQ(receiver.best().url(), (c.winner == 0 ? first : second).url());
    }
}

TEST_F(ImageReceiverTest, DownloadLargerThanTheLocalFileWins) {
    const QString file = writePng(QStringLiteral("square.png"), 100, 100);
    server_.serve(QStringLiteral("/tall.png"), "image/png", pngBytes(50, 300));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(file), server_.url(QStringLiteral("/tall.png"))});
    Receiving receiving(data);
    receiving.receiver->start();

    QProgressDialog* dialog = receiving.receiver->progressDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->labelText(), QStringLiteral("Searching for larger image"));
    EXPECT_EQ(dialog->maximum(), 1);
    EXPECT_TRUE(receiving.emitted.isEmpty());

    ASSERT_TRUE(receiving.waitUntilGone());
    ASSERT_EQ(receiving.emitted.size(), 1);
    EXPECT_EQ(receiving.emitted[0].size(), QSize(50, 300));
    EXPECT_EQ(receiving.emitted[0].name(), QStringLiteral("tall.png"));
    EXPECT_EQ(server_.requests(),
              QStringList({QStringLiteral("HEAD /tall.png"), QStringLiteral("GET /tall.png")}));
}

TEST_F(ImageReceiverTest, LinkWithImageAddressInItsQueryFetchesOnlyThatImage) {
    server_.serve(QStringLiteral("/search"), "text/html", "<html></html>");
    server_.serve(QStringLiteral("/full.jpg"), "image/png", pngBytes(20, 10));
    const QString image = server_.url(QStringLiteral("/full.jpg")).toString();
    QUrl link = server_.url(QStringLiteral("/search"));
    link.setQuery(QStringLiteral("q=cat&imgurl=") + image + QStringLiteral("&n=2"));
    QMimeData data;
    data.setUrls({link});
    Receiving receiving(data);
    receiving.receiver->start();

    ASSERT_NE(receiving.receiver->progressDialog(), nullptr);
    EXPECT_EQ(receiving.receiver->progressDialog()->labelText(),
              QStringLiteral("Loading images from the Internet"));
    ASSERT_TRUE(receiving.waitUntilGone());
    ASSERT_EQ(receiving.emitted.size(), 1);
    EXPECT_EQ(receiving.emitted[0].size(), QSize(20, 10));
    EXPECT_EQ(server_.requests(),
              QStringList({QStringLiteral("HEAD /full.jpg"), QStringLiteral("GET /full.jpg")}));
}

TEST_F(ImageReceiverTest, LinkThatCannotBeFetchedWarns) {
    // https is not downloaded, and an address without a host or file is no candidate.
    for (const QString& address :
         {QStringLiteral("https://127.0.0.1:%1/picture.png").arg(server_.port()),
          QStringLiteral("mailto:someone@example.invalid")}) {
        SCOPED_TRACE(address.toStdString());
        prompts().reset();
        prompts().answer(PromptService::Ok);
        QMimeData data;
        data.setUrls({QUrl(address)});
        Receiving receiving(data);
        receiving.receiver->start();
        EXPECT_EQ(receiving.receiver->getterCount(), 0);
        EXPECT_TRUE(receiving.emitted.isEmpty());
        expectDropWarning();
        EXPECT_TRUE(receiving.waitUntilGone());
    }
    EXPECT_TRUE(server_.requests().isEmpty());
}

// ---------------------------------------------------------------------------
// Cancel
// ---------------------------------------------------------------------------

TEST_F(ImageReceiverTest, CancelHandsOnTheBestSoFarAndWaitsForTheDownloads) {
    const QString file = writePng(QStringLiteral("small.png"), 10, 10);
    server_.serve(QStringLiteral("/big.png"), "image/png", pngBytes(40, 40));
    server_.hold(QStringLiteral("/big.png"));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(file), server_.url(QStringLiteral("/big.png"))});
    Receiving receiving(data);
    receiving.receiver->start();
    ASSERT_TRUE(waitFor([&] { return server_.requests().size() == 1; }))
        << server_.requests().join(' ').toStdString();

    clickCancel(receiving.receiver->progressDialog());
    ASSERT_EQ(receiving.emitted.size(), 1);
    EXPECT_EQ(receiving.emitted[0].name(), QStringLiteral("small.png"));
    EXPECT_FALSE(receiving.receiver.isNull());

    // The larger image still arrives, but the choice has been made.
    server_.release(QStringLiteral("/big.png"));
    ASSERT_TRUE(receiving.waitUntilGone());
    EXPECT_EQ(receiving.emitted.size(), 1);
    EXPECT_EQ(server_.requests().size(), 2);
    EXPECT_TRUE(prompts().asked().isEmpty());
}

TEST_F(ImageReceiverTest, CancelWithoutImageWarnsAndALateImageIsStillHandedOn) {
    server_.serve(QStringLiteral("/late.png"), "image/png", pngBytes(8, 8));
    server_.hold(QStringLiteral("/late.png"));
    QMimeData data;
    data.setUrls({server_.url(QStringLiteral("/late.png"))});
    Receiving receiving(data);
    receiving.receiver->start();
    ASSERT_TRUE(waitFor([&] { return server_.requests().size() == 1; }))
        << server_.requests().join(' ').toStdString();

    prompts().answer(PromptService::Ok);
    clickCancel(receiving.receiver->progressDialog());
    expectDropWarning();
    EXPECT_TRUE(receiving.emitted.isEmpty());

    server_.release(QStringLiteral("/late.png"));
    ASSERT_TRUE(receiving.waitUntilGone());
    ASSERT_EQ(receiving.emitted.size(), 1);
    EXPECT_EQ(receiving.emitted[0].size(), QSize(8, 8));
    EXPECT_EQ(prompts().asked().size(), 1);
}

// ---------------------------------------------------------------------------
// One download
// ---------------------------------------------------------------------------

TEST_F(ImageReceiverTest, GetterFetchesOnlyImagesItCanRead) {
    struct Case {
        const char* path;
        QByteArray contentType;
        QByteArray body;
        int status;
        bool image;
        QString logLine; // empty: no line
    };
    const QByteArray png = pngBytes(3, 2);
    const Case cases[] = {
        {"/ok.png", "image/png", png, 200, true, {}},
        {"/page.html", "text/html; charset=utf-8", "<html></html>", 200, false, {}},
        {"/missing.png", "image/png", "", 404, false, {}},
        {"/odd.img", "image/x-nothing-known", "zzz", 200, false,
         QStringLiteral("Unsupported content type: image/x-nothing-known")},
        {"/broken.png", "image/png", "not a png at all", 200, false,
         QStringLiteral(", format: png")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const QString path = QString::fromLatin1(c.path);
        server_.serve(path, c.contentType, c.body, c.status);
        const int linesBefore = getterLogLines().size();
        const QUrl url = server_.url(path);

        NetworkImageGetter getter(url);
        QSignalSpy images(&getter, &NetworkImageGetter::imageReceived);
        QSignalSpy finished(&getter, &NetworkImageGetter::finished);
        getter.start();
        ASSERT_TRUE(waitFor([&] { return finished.size() > 0; }));
        QCoreApplication::processEvents();

        EXPECT_EQ(finished.size(), 1);
        ASSERT_EQ(images.size(), c.image ? 1 : 0);
        if (c.image) {
            const auto image = images[0][0].value<NamedImage>();
            EXPECT_EQ(image.size(), QSize(3, 2));
            EXPECT_EQ(image.url(), url);
        }
        const QStringList lines = getterLogLines().mid(linesBefore);
        if (c.logLine.isEmpty()) {
            EXPECT_TRUE(lines.isEmpty()) << lines.join('\n').toStdString();
        } else {
            ASSERT_EQ(lines.size(), 1);
            EXPECT_TRUE(lines[0].contains(
                QStringLiteral("NetworkImageGetter: Failed to load image") + url.toString()));
            EXPECT_TRUE(lines[0].endsWith(c.logLine)) << lines[0].toStdString();
        }
    }
}

} // namespace
