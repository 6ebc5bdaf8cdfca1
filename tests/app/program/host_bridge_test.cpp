// The host bridge over real shared-memory sections in this process: what the
// program holds, what goes back and when, and requests it must refuse.
#include "shell/host_bridge.h"
#include "shell/program_run.h"

#include <QByteArray>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <climits>
#include <stdexcept>
#include <vector>

namespace {

// A shared-memory section as a host makes one, closed with the test.
class Section {
public:
    explicit Section(const QByteArray& bytes) {
        fd_ = ::memfd_create("host-section", MFD_CLOEXEC);
        if (fd_ >= 0 && !bytes.isEmpty()) {
            EXPECT_EQ(::write(fd_, bytes.constData(), size_t(bytes.size())), bytes.size());
        }
    }
    ~Section() {
        if (fd_ >= 0) ::close(fd_);
    }
    int fd() const { return fd_; }
    QByteArray bytes() const {
        QByteArray bytes(int(::lseek(fd_, 0, SEEK_END)), '\0');
        EXPECT_EQ(::pread(fd_, bytes.data(), size_t(bytes.size()), 0), bytes.size());
        return bytes;
    }
    // A second descriptor of the same section that can only read it.
    int reopenReadOnly() const {
        return ::open(QByteArray("/proc/self/fd/" + QByteArray::number(fd_)).constData(), O_RDONLY);
    }

private:
    int fd_ = -1;
};

QByteArray bytesOf(std::initializer_list<int> values) {
    QByteArray bytes;
    for (int v : values)
        bytes.append(char(v));
    return bytes;
}

HostRequest requestFor(const Section& result, const Section& source, int width, int height,
                       int bits, bool little = false) {
    HostRequest request;
    request.resultFd = result.fd();
    request.sourceFd = source.fd();
    request.width = width;
    request.height = height;
    request.bits = bits;
    request.littleEndian = little;
    request.name = QStringLiteral("Layer 1");
    return request;
}

TEST(HostRequest, DescriptorsAreHexadecimalAndEveryNumberMustBeWhole) {
    const char* argv[] = {"cutout", "--gp", "1a",     "B",       "640",
                          "480",    "16",   "little", "Layer 1", nullptr};
    HostRequest request = hostRequestOf(9, argv);
    EXPECT_EQ(request.resultFd, 0x1a);
    EXPECT_EQ(request.sourceFd, 0xb);
    EXPECT_EQ(request.width, 640);
    EXPECT_EQ(request.height, 480);
    EXPECT_EQ(request.bits, 16);
    EXPECT_TRUE(request.littleEndian);
    EXPECT_EQ(request.name, QStringLiteral("Layer 1"));

    const char* bad[] = {"cutout", "--gp", "zz", "", "64x", "-", "8", "big", "n", nullptr};
    request = hostRequestOf(9, bad);
    EXPECT_EQ(request.resultFd, -1);
    EXPECT_EQ(request.sourceFd, -1);
    EXPECT_EQ(request.width, 0);
    EXPECT_EQ(request.height, 0);
    EXPECT_FALSE(request.littleEndian);
}

TEST(HostBridge, EightBitPixelsAreHeldBlueGreenRedAlpha) {
    Section source(bytesOf({10, 20, 30, 255, 1, 2, 3, 4}));
    Section result(bytesOf({40, 50, 60, 70, 5, 6, 7, 8}));
    HostBridge bridge(requestFor(result, source, 2, 1, 8));
    QString error;
    ASSERT_TRUE(bridge.load(&error)) << error.toStdString();

    const uchar* held = bridge.sourceView8().row(0);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(held), 8),
              bytesOf({30, 20, 10, 255, 3, 2, 1, 4}));
    const uchar* working = bridge.resultView8().row(0);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(working), 8),
              bytesOf({60, 50, 40, 70, 7, 6, 5, 8}));
    EXPECT_TRUE(bridge.sourceView16().isEmpty());
}

struct WriteBackCase {
    const char* name;
    int resultCode;
    bool throwWhileRunning;
    bool written;
};

TEST(HostBridge, OnlyAnAppliedResultReachesTheHostAndUntouchedPixelsReturnUnchanged) {
    const WriteBackCase cases[] = {
        {"apply", ResultApply, false, true},
        {"discarded", ResultDiscarded, false, false},
        {"nothing to apply", ResultNothingToApply, false, false},
        {"undecided", ResultUndecided, false, false},
        {"exception", ResultApply, true, false},
    };
    const QByteArray hostResult = bytesOf({40, 50, 60, 70, 5, 6, 7, 8, 9, 10, 11, 12});
    for (const WriteBackCase& c : cases) {
        SCOPED_TRACE(c.name);
        Section source(bytesOf({10, 20, 30, 255, 1, 2, 3, 4, 0, 0, 0, 0}));
        Section result(hostResult);
        HostBridge bridge(requestFor(result, source, 3, 1, 8));
        ProgramSteps steps;
        steps.init = [&] { ASSERT_TRUE(bridge.load()); };
        steps.run = [&] {
            // The cut-out changes the middle pixel only.
            uchar* pixel = bridge.resultView8().row(0) + 4;
            pixel[0] = 100; // blue
            pixel[3] = 0;   // alpha
            if (c.throwWhileRunning) throw std::runtime_error("failed");
            return 0;
        };
        steps.resultCode = [&] { return c.resultCode; };
        steps.deliverResult = [&] { return bridge.writeBack(); };
        runProgram(HostBridgeMode, steps);

        const QByteArray expected =
            c.written ? bytesOf({40, 50, 60, 70, 5, 6, 100, 0, 9, 10, 11, 12}) : hostResult;
        EXPECT_EQ(result.bytes(), expected);
    }
}

struct SixteenBitCase {
    const char* name;
    bool little;
    quint16 held;
};

TEST(HostBridge, SixteenBitSamplesAreReadAndWrittenInTheHostsByteOrder) {
    const SixteenBitCase cases[] = {{"big", false, 0x0102}, {"little", true, 0x0201}};
    // One pixel: red 01 02, green 03 04, blue 05 06, alpha 80 00.
    const QByteArray hostPixel = bytesOf({1, 2, 3, 4, 5, 6, 0x80, 0});
    for (const SixteenBitCase& c : cases) {
        SCOPED_TRACE(c.name);
        Section source(hostPixel);
        Section result(hostPixel);
        HostBridge bridge(requestFor(result, source, 1, 1, 16, c.little));
        ASSERT_TRUE(bridge.load());

        const quint16* held = bridge.sourceView16().row(0);
        EXPECT_EQ(held[2], c.held); // red is the third channel in memory
        EXPECT_EQ(bridge.resultView16().row(0)[2], c.held);
        EXPECT_EQ(held[3], c.little ? 0x0080 : 0x8000);

        ASSERT_TRUE(bridge.writeBack());
        EXPECT_EQ(result.bytes(), hostPixel);
        EXPECT_EQ(source.bytes(), hostPixel);
    }
}

TEST(HostBridge, RequestsThatDoNotFitTheirSectionsBuildNothingAndWriteNothing) {
    const QByteArray twoPixels(8, char(7));
    struct Case {
        const char* name;
        int width;
        int height;
        int bits;
        int sectionBytes;
        bool badDescriptor;
    };
    const Case cases[] = {
        {"width 0", 0, 2, 8, 8, false},
        {"negative height", 2, -1, 8, 8, false},
        {"12 bits", 2, 1, 12, 16, false},
        {"one byte short", 2, 1, 8, 7, false},
        {"16 bits need twice the bytes", 2, 1, 16, 8, false},
        {"overflow", INT_MAX, INT_MAX, 16, 8, false},
        {"bad descriptor", 2, 1, 8, 8, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray bytes = twoPixels.left(c.sectionBytes).leftJustified(c.sectionBytes, 7);
        Section source(bytes);
        Section result(bytes);
        HostRequest request = requestFor(result, source, c.width, c.height, c.bits);
        if (c.badDescriptor) request.sourceFd = 0x7ffe;
        HostBridge bridge(request);
        QString error;
        EXPECT_FALSE(bridge.load(&error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_FALSE(bridge.isLoaded());
        EXPECT_TRUE(bridge.sourceView8().isEmpty());
        EXPECT_TRUE(bridge.resultView16().isEmpty());
        EXPECT_FALSE(bridge.writeBack());
        EXPECT_EQ(result.bytes(), bytes);
    }
}

TEST(HostBridge, AResultSectionThatCannotBeWrittenFailsTheRunAndStaysAsItWas) {
    const QByteArray pixel = bytesOf({1, 2, 3, 4});
    Section source(pixel);
    Section result(pixel);
    const int readOnly = result.reopenReadOnly();
    ASSERT_GE(readOnly, 0);
    HostRequest request = requestFor(result, source, 1, 1, 8);
    request.resultFd = readOnly;
    HostBridge bridge(request);

    ProgramSteps steps;
    steps.init = [&] { ASSERT_TRUE(bridge.load()); };
    steps.run = [&] {
        bridge.resultView8().row(0)[0] = 99;
        return 0;
    };
    steps.resultCode = [] { return int(ResultApply); };
    steps.deliverResult = [&] { return bridge.writeBack(); };
    EXPECT_EQ(runProgram(HostBridgeMode, steps), 12);
    EXPECT_EQ(result.bytes(), pixel);
    ::close(readOnly);
}

TEST(HostBridge, AResultSectionThatShrankIsNotWritten) {
    const QByteArray pixels = bytesOf({1, 2, 3, 4, 5, 6, 7, 8});
    Section source(pixels);
    Section result(pixels);
    HostBridge bridge(requestFor(result, source, 2, 1, 8));
    ASSERT_TRUE(bridge.load());
    ASSERT_EQ(::ftruncate(result.fd(), 4), 0);
    QString error;
    EXPECT_FALSE(bridge.writeBack(&error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(result.bytes(), pixels.left(4));
}

} // namespace
