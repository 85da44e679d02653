#include "FakeModule.h"
#include "host/Host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

using namespace qv::host;
using Sel = std::vector<int16_t>;

namespace {

class HostDriver : public ::testing::Test {
  protected:
    void SetUp() override { fake::Reset(); }

    Host& Make(HostOptions options = {}) {
        host.reset();
        host = std::make_unique<Host>(fake::Entry, options,
                                      [this](const std::string& l) { lines.push_back(l); });
        return *host;
    }

    bool Reported(const std::string& part) const {
        for (const auto& v : host->violations())
            if (v.find(part) != std::string::npos)
                return true;
        return false;
    }

    bool Said(const std::string& part) const {
        for (const auto& l : lines)
            if (l.find(part) != std::string::npos)
                return true;
        return false;
    }

    static HostOptions WritingHere() {
        HostOptions options;
        options.outDir = ".";
        return options;
    }

    // Empty when the file holds the fake module's pixels, white below the rows it sent.
    static std::string Differs(const std::string& file, int planes, int sent = 10) {
        std::string error;
        auto back = ReadPnm(file, error);
        if (!back)
            return error;
        const fake::Config& c = fake::config();
        PnmImage expected{planes == 3 ? '6' : '5', c.cols, c.rows, {}};
        for (int row = 0; row < c.rows; ++row)
            for (int col = 0; col < c.cols; ++col)
                for (int p = 0; p < planes; ++p)
                    expected.pixels.push_back(row < sent ? fake::Pixel(p, row, col) : 255);
        return ComparePnm(*back, expected).value_or("");
    }

    static bool Exists(const std::string& file) {
        FILE* f = std::fopen(file.c_str(), "rb");
        if (f)
            std::fclose(f);
        return f != nullptr;
    }

    std::vector<std::string> lines;
    std::unique_ptr<Host> host;
};

} // namespace

TEST_F(HostDriver, RunsPhasesInTheHostsOrderWhileTheModuleAsksForMore) {
    fake::config().images = 2;
    Host& h = Make(WritingHere());
    h.RunSeries();
    EXPECT_EQ(fake::selectors(), (Sel{4, 1, 2, 3, 4, 1, 2, 3, 5}));
    EXPECT_TRUE(h.Passed()) << (h.violations().empty() ? "" : h.violations()[0]);
    ASSERT_EQ(h.images().size(), 2u);
    EXPECT_EQ(h.images()[1].rowsDelivered, 10);
    EXPECT_EQ(Differs(h.images()[1].file, 1), "");
    EXPECT_EQ(h.calls().back().result, userCanceledErr);
    EXPECT_TRUE(Said("strict checks: passed"));
    EXPECT_GT(h.progressCalls(), 0);
    for (const fake::Seen& s : fake::seen())
        EXPECT_EQ(s.resultOnEntry, 0) << "a polite host clears the result";
}

TEST_F(HostDriver, FinishOnlyAfterASuccessfulStartAndFinalizeOnlyWhenBothAgree) {
    fake::config().startResult = userCanceledErr;
    Make().RunSeries();
    EXPECT_EQ(fake::selectors(), (Sel{4, 1, 5}));

    fake::Reset();
    fake::config().startResult = userCanceledErr;
    HostOptions noFinalize;
    noFinalize.canFinalize = false;
    Make(noFinalize).RunSeries();
    EXPECT_EQ(fake::selectors(), (Sel{4, 1}));

    fake::Reset();
    fake::config().wantFinalize = false;
    Make().RunSeries();
    EXPECT_EQ(fake::selectors(), (Sel{4, 1, 2, 3}));

    fake::Reset();
    fake::config().prepareResult = memFullErr;
    Make().RunSeries();
    EXPECT_EQ(fake::selectors(), (Sel{4})) << "a failed prepare owes no finalize";
}

TEST_F(HostDriver, AFailedContinueStillGetsItsFinishAndNoFile) {
    fake::config().continueResult = -36;
    Host& h = Make(WritingHere());
    h.RunSeries();
    EXPECT_EQ(fake::selectors(), (Sel{4, 1, 2, 3, 5}));
    ASSERT_EQ(h.images().size(), 1u);
    EXPECT_TRUE(h.images()[0].failed);
    EXPECT_TRUE(h.images()[0].file.empty());
    EXPECT_TRUE(h.Passed());
}

TEST_F(HostDriver, AbortAndAdvanceFailuresReachTheModule) {
    HostOptions abort;
    abort.abortAfter = 1;
    Host& h = Make(abort);
    h.RunSeries();
    EXPECT_EQ(h.calls()[2].result, userCanceledErr);
    EXPECT_EQ(h.abortQuestions(), 2);
    EXPECT_EQ(h.images()[0].planeRows, (std::vector<int32_t>{4}));

    fake::Reset();
    HostOptions fail;
    fail.failAdvanceAt = 1;
    fail.failAdvanceCode = -34;
    Host& h2 = Make(fail);
    h2.RunSeries();
    EXPECT_EQ(fake::lastAdvanceResult(), -34);
    EXPECT_EQ(h2.calls()[2].result, -34);
}

TEST_F(HostDriver, StripsHandedThroughTheRecordAreAssembled) {
    fake::config().pieceByRecord = true;
    fake::config().mode = plugInModeRGBColor;
    fake::config().planes = 3;
    Host& h = Make(WritingHere());
    h.RunSeries();
    EXPECT_TRUE(h.Passed());
    ASSERT_EQ(h.images().size(), 1u);
    EXPECT_EQ(Differs(h.images()[0].file, 3), "");
    // rows 10 in strips of 4, three planes: 9 pieces and the closing call
    const Sel calls = fake::selectors();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), 2), 10);
}

TEST_F(HostDriver, WritesTheDocumentForEachImage) {
    fake::config().images = 2;
    fake::config().mode = plugInModeBitmap;
    fake::config().depth = 1;
    fake::config().cols = 13;
    Host& h = Make(WritingHere());
    h.RunSeries();
    ASSERT_EQ(h.images().size(), 2u);
    ASSERT_FALSE(h.images()[1].file.empty());
    EXPECT_NE(h.images()[1].file.find("image-002.pbm"), std::string::npos);
    auto back = ReadPnm(h.images()[1].file);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->width, 13);
    EXPECT_EQ(back->height, 10);
    EXPECT_EQ(back->pixels[2 * 2 + 1] & 0xF8, fake::Pixel(0, 2, 1) & 0xF8);
}

TEST_F(HostDriver, RowsNeverSentAreWhiteAndReportedButNoViolation) {
    fake::config().stopAfterRows = 6;
    fake::config().bandOrder = true;
    fake::config().mode = plugInModeRGBColor;
    fake::config().planes = 3;
    HostOptions options = WritingHere();
    std::vector<ImageProgress> shown;
    options.meter = [&shown](const ImageProgress& p) { shown.push_back(p); };
    Host& h = Make(options);
    h.RunSeries();
    EXPECT_TRUE(h.Passed());
    auto last = std::find_if(shown.rbegin(), shown.rend(), [](const ImageProgress& p) { return !p.hidden; });
    ASSERT_NE(last, shown.rend());
    EXPECT_EQ(last->rowsDone, 6);
    EXPECT_EQ(last->rows, 10);
    EXPECT_EQ(last->bytes, 6u * 12 * 3);
    EXPECT_TRUE(shown.back().hidden) << "the bar leaves its line before the host reports";
    EXPECT_TRUE(Said("image 1: 6 of 10 rows delivered"));
    EXPECT_TRUE(Said("image 1: done, rows delivered 6/6/6 of 10 -> ./image-001.ppm"));
    EXPECT_EQ(Differs(h.images()[0].file, 3, 6), "");
}

TEST_F(HostDriver, ACancelledDocumentsFileIsRemoved) {
    static std::atomic<bool> interrupt{false};
    interrupt = false;
    fake::config().images = 2;
    fake::config().hook = [](int16_t s, AcquireRecord*) {
        if (s == acquireSelectorContinue)
            interrupt = true; // Ctrl-C as the first image begins to arrive
    };
    HostOptions options = WritingHere();
    options.interrupt = &interrupt;
    Host& h = Make(options);
    h.RunSeries();
    EXPECT_EQ(fake::selectors(), (Sel{4, 1, 2, 3, 5})) << "no second image after an interrupt";
    EXPECT_TRUE(Said("interrupted: abortProc answers true from now on"));
    EXPECT_TRUE(Said("image 1: cancelled, rows delivered 0 of 10; ./image-001.pgm removed"));
    EXPECT_FALSE(Exists("./image-001.pgm"));
    EXPECT_TRUE(h.Passed());

    fake::Reset();
    options.interrupt = nullptr;
    options.abortAfter = 1;
    Host& h2 = Make(options);
    h2.RunSeries();
    EXPECT_TRUE(Said("image 1: cancelled, rows delivered 4 of 10; ./image-001.pgm removed"));
    EXPECT_FALSE(Exists("./image-001.pgm"));
}

TEST_F(HostDriver, DiscardChecksEveryStripAndWritesNothing) {
    std::remove("./image-001.pgm");
    HostOptions options = WritingHere();
    options.discard = true;
    Host& h = Make(options);
    h.RunSeries();
    EXPECT_TRUE(h.Passed());
    EXPECT_EQ(h.images()[0].rowsDelivered, 10);
    EXPECT_TRUE(h.images()[0].file.empty());
    EXPECT_FALSE(Exists("./image-001.pgm"));
    EXPECT_TRUE(Said("image 1: discarded, 12 x 10, gray, 300 x 300 dpi, "));

    fake::Reset();
    fake::config().extraRowBytes = 4;
    Host& h2 = Make(options);
    h2.RunSeries();
    EXPECT_TRUE(Reported("past the end of its buffer"));
}

TEST_F(HostDriver, HostileHostPlaysEveryKnownCarelessness) {
    fake::config().startResult = userCanceledErr;
    HostOptions options;
    options.hostile = true;
    Host& h = Make(options);
    h.RunSeries();
    EXPECT_EQ(fake::selectors(), (Sel{4, 1, 3, 5}));
    for (const fake::Seen& s : fake::seen()) {
        EXPECT_EQ(s.resultOnEntry, kHostilePreset);
        EXPECT_FALSE(s.hadBufferProcs);
    }
    EXPECT_EQ(h.record().canFinalize, 0);
    EXPECT_EQ(h.record().handleProcs, nullptr);
    EXPECT_EQ(h.record().descriptorParameters, nullptr);
}

TEST_F(HostDriver, HostileHostGoesOnAfterAFailedPrepare) {
    fake::config().prepareResult = userCanceledErr;
    HostOptions options;
    options.hostile = true;
    Make(options).RunSeries();
    EXPECT_EQ(fake::selectors(), (Sel{4, 1, 2, 3, 5}));
}

TEST_F(HostDriver, AModuleThatNeverStopsIsCut) {
    fake::config().images = 1000;
    HostOptions options;
    options.maxImages = 3;
    Host& h = Make(options);
    h.RunSeries();
    EXPECT_EQ(h.images().size(), 3u);
    EXPECT_TRUE(Reported("still asks for another image after 3"));
}

TEST_F(HostDriver, NonsenseGeometryRefusesTheImage) {
    fake::config().mode = plugInModeRGBColor; // planes stay 1
    Host& h = Make();
    h.RunSeries();
    EXPECT_EQ(fake::selectors(), (Sel{4, 1, 3, 5})) << "no continue, but start succeeded so finish comes";
    EXPECT_TRUE(Reported("planes 1 do not fit image mode 3"));
    EXPECT_TRUE(h.images().empty());
    EXPECT_TRUE(Said("strict checks: 1 violation(s)"));
}

TEST_F(HostDriver, StripFaultsAreCaught) {
    struct Case {
        void (*arrange)(fake::Config&);
        const char* reason;
    } cases[] = {
        {[](fake::Config& c) { c.extraRowBytes = 4; }, "past the end of its buffer"},
        {[](fake::Config& c) { c.rectShift = 8; }, "is not inside the 10 x 12 image"},
        {[](fake::Config& c) { c.skipLock = true; }, "not locked"},
        {[](fake::Config& c) { c.leakBuffer = true; }, "never freed"},
        {[](fake::Config& c) {
             c.hook = [](int16_t s, AcquireRecord* pb) {
                 if (s == acquireSelectorStart)
                     pb->advanceState();
             };
         },
         "outside the continue phase"},
        {[](fake::Config& c) {
             c.hook = [](int16_t s, AcquireRecord* pb) {
                 if (s == acquireSelectorPrepare)
                     pb->canFinalize = 1 - pb->canFinalize;
             };
         },
         "wrote the host's field canFinalize"},
        {[](fake::Config& c) {
             c.hook = [](int16_t s, AcquireRecord* pb) {
                 if (s == acquireSelectorFinish)
                     pb->bufferProcs->spaceProc = nullptr;
             };
         },
         "service tables"},
        {[](fake::Config& c) {
             c.hook = [](int16_t s, AcquireRecord* pb) {
                 if (s == acquireSelectorContinue)
                     pb->progressProc(5, 4);
             };
         },
         "progress 5 of 4"},
        {[](fake::Config& c) {
             c.hook = [](int16_t s, AcquireRecord* pb) {
                 if (s == acquireSelectorPrepare)
                     pb->maxData += 1;
             };
         },
         "raised maxData"},
    };
    for (const Case& c : cases) {
        fake::Reset();
        c.arrange(fake::config());
        Host& h = Make();
        h.RunSeries();
        EXPECT_TRUE(Reported(c.reason)) << c.reason;
        EXPECT_FALSE(h.Passed());
    }
}

TEST_F(HostDriver, HandlesLeftLockedOrLeakedAreCaught) {
    fake::config().hook = [](int16_t s, AcquireRecord* pb) {
        if (s == acquireSelectorPrepare)
            pb->handleProcs->newProc(5); // never disposed
        if (s == acquireSelectorFinish)
            pb->handleProcs->lockProc(pb->handleProcs->newProc(6), 0);
    };
    Host& h = Make();
    h.RunSeries();
    EXPECT_TRUE(Reported("handle of 6 bytes left locked 1"));
    EXPECT_TRUE(Reported("handle of 5 bytes never disposed"));
    EXPECT_FALSE(Reported("handle of 16 bytes")) << "the record's handle is the host's to dispose";
}

TEST_F(HostDriver, TheAboutCallGetsItsOwnRecordToLeaveAlone) {
    static void* platformData = nullptr;
    fake::config().hook = [](int16_t s, AcquireRecord* pb) {
        if (s != acquireSelectorAbout)
            return;
        auto* about = reinterpret_cast<AboutRecord*>(pb);
        platformData = about->platformData;
        about->reserved[0] = 1;
    };
    HostOptions options;
    options.window = 0x1234;
    Host& h = Make(options);
    h.RunSequence({0});
    ASSERT_NE(platformData, nullptr);
    EXPECT_EQ(static_cast<PlatformData*>(platformData)->hwnd, 0x1234);
    EXPECT_TRUE(Reported("wrote into the about record"));
    EXPECT_EQ(h.dataWord(), 0);
}

TEST_F(HostDriver, SequenceReportsHandlesAndTheRecord) {
    HostOptions options;
    Host& h = Make(options);
    h.RunSequence({0, 7, 7});
    EXPECT_EQ(fake::selectors(), (Sel{0, 7, 7}));
    EXPECT_EQ(h.calls()[1].result, acquireBadParameters);
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[1], "  handles allocated 0, live 0; data empty");
    EXPECT_EQ(lines[3], "  handles allocated 1, live 1; data set");
    EXPECT_EQ(lines[5], "  handles allocated 0, live 1; data kept; record unchanged");
    EXPECT_TRUE(h.Passed());
}

TEST_F(HostDriver, WithheldServicesAreAbsentFromTheRecord) {
    HostOptions options;
    options.withholdBufferProcs = true;
    options.withholdHandleProcs = true;
    options.withholdScripting = true;
    options.withholdAdvanceState = true;
    options.bufferProcsVersion = 3;
    Host& h = Make(options);
    EXPECT_EQ(h.record().bufferProcs, nullptr);
    EXPECT_EQ(h.record().handleProcs, nullptr);
    EXPECT_EQ(h.record().descriptorParameters, nullptr);
    EXPECT_EQ(h.record().advanceState, nullptr);
    HostOptions newer;
    newer.bufferProcsVersion = 3;
    newer.canFinalize = false;
    Host& h2 = Make(newer);
    EXPECT_EQ(h2.record().bufferProcs->bufferProcsVersion, 3);
    EXPECT_EQ(h2.record().canFinalize, 0);
    EXPECT_NE(h2.record().platformData, nullptr);
}

TEST(Quoted, KeepsEveryReportOnOneComparableLine) {
    EXPECT_EQ(Quoted(""), "\"\"");
    EXPECT_EQ(Quoted("Scanning not performed.\n\nScratchDisk"),
              "\"Scanning not performed.\\n\\nScratchDisk\"");
    EXPECT_EQ(Quoted("a\"b\\c\td\r"), "\"a\\\"b\\\\c\\td\\r\"");
    EXPECT_EQ(Quoted("Host\xAE 100%"), "\"Host\\xAE 100%\"");
    EXPECT_EQ(Quoted(std::string("\x01\x7F", 2)), "\"\\x01\\x7F\"");
}

TEST(ProgressBar, RedrawsAtMostEveryIntervalAndLeavesItsLineWhenHidden) {
    std::string out;
    ProgressBar bar([&out](const std::string& text) { out += text; }, 0.1);
    bar.Update({1, 0, 2400, 0, 0.0, false});
    bar.Update({1, 300, 2400, 30000000, 0.05, false});
    bar.Update({1, 1830, 2400, 183000000, 2.0, false});
    EXPECT_EQ(std::count(out.begin(), out.end(), '\r'), 2);
    EXPECT_EQ(out.find("300/2400"), std::string::npos) << "too soon after the first";
    EXPECT_NE(out.find("] 1830/2400 rows 91.5 MB/s"), std::string::npos) << out;
    const size_t drawn = out.size() - out.rfind('\r');
    bar.Update({1, 2400, 2400, 240000000, 2.01, true});
    EXPECT_EQ(out.substr(out.size() - drawn - 1), "\r" + std::string(drawn - 1, ' ') + "\r");
    out.clear();
    bar.Update({1, 2400, 2400, 0, 2.02, false});
    EXPECT_EQ(out, "\rimage 1 [########################] 2400/2400 rows 0.0 MB/s") << "at once after hidden";
}

TEST_F(HostDriver, ServicesAreTheHostsOnlyInsideACallOnItsThread) {
    fake::config().hook = [](int16_t s, AcquireRecord* pb) {
        if (s == acquireSelectorFinish) {
            std::thread reader([pb] { pb->abortProc(); });
            reader.join();
        }
    };
    Host& h = Make();
    h.RunSeries();
    EXPECT_TRUE(Reported("abortProc called from a thread other than the host's"));
    const size_t before = h.violations().size();
    HostHandle late = h.record().handleProcs->newProc(4);
    EXPECT_TRUE(Reported("handle new called while no call of the module runs"));
    EXPECT_EQ(h.violations().size(), before + 1);
    h.handles().Dispose(late);
}
