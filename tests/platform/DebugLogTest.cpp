#include "platform/DebugLog.h"
#include "platform/MessageBox.h"
#include "platform/ScannerLibrary.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<std::string> ReadLog() {
    std::ifstream in("QVL.log");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(DebugLog, ResetStartsWithInitAndLinesAppend) {
    qv::LogReset();
    qv::LogLine("dwXOffset = %d", 1200);
    qv::LogText("ENTRYPOINT STOP");
    EXPECT_EQ(ReadLog(), (std::vector<std::string>{"Init", "dwXOffset = 1200", "ENTRYPOINT STOP"}));
    qv::LogReset();
    EXPECT_EQ(ReadLog(), std::vector<std::string>{"Init"});
}

TEST(DebugLog, FailureReportLogsItsCaptionThenShowsTheBox) {
    qv::RecordMessageBoxes();
    qv::LogReset();
    int owner = 0;
    qv::ReportFailure(&owner, "Paper jam", "Load Paper");
    qv::ReportFailure(nullptr, "100% wrong", "50% step");
    qv::ReportFailure(nullptr, "no caption", nullptr);
    EXPECT_EQ(ReadLog(), (std::vector<std::string>{"Init", "Load Paper", "50% step"}));
    auto boxes = qv::TakeMessageBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].owner, &owner);
    EXPECT_EQ(boxes[0].text, "Paper jam");
    EXPECT_EQ(boxes[0].caption, "Load Paper");
    EXPECT_EQ(boxes[0].icon, qv::MsgIcon::Exclamation);
    EXPECT_EQ(boxes[1].text, "100% wrong");
    EXPECT_EQ(boxes[2].caption, "");
    qv::SetMessageBoxSink(nullptr);
}

TEST(DebugLog, PercentInArgumentsIsWrittenVerbatim) {
    qv::LogReset();
    qv::LogLine("product %s", "ID%n%s%d");
    qv::LogText("100% done");
    qv::LogLine("fixed 50%% line");
    EXPECT_EQ(ReadLog(),
              (std::vector<std::string>{"Init", "product ID%n%s%d", "100% done", "fixed 50% line"}));
}

TEST(DebugLog, LongLinesAreNotCut) {
    qv::LogReset();
    std::string longText(3000, 'x');
    qv::LogLine("%s!", longText.c_str());
    auto lines = ReadLog();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], longText + "!");
}

TEST(DebugLog, LinesFromSeveralThreadsNeverMix) {
    qv::LogReset();
    constexpr int kThreads = 4, kLines = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i)
                qv::LogLine("thread %d line %d ----------------------------------------", t, i);
        });
    for (auto& thread : threads)
        thread.join();
    auto lines = ReadLog();
    ASSERT_EQ(lines.size(), 1u + kThreads * kLines);
    std::vector<int> next(kThreads, 0);
    for (size_t i = 1; i < lines.size(); ++i) {
        int t = -1, n = -1;
        ASSERT_EQ(std::sscanf(lines[i].c_str(), "thread %d line %d", &t, &n), 2) << lines[i];
        ASSERT_TRUE(t >= 0 && t < kThreads);
        EXPECT_EQ(n, next[t]++) << "lines of one thread out of order";
        EXPECT_EQ(lines[i].size(), std::string("thread 0 line 0 ").size() + 40 + (n >= 10) + (n >= 100));
    }
}

TEST(MessageBoxPort, RecordingSinkKeepsEveryBoxInOrder) {
    qv::RecordMessageBoxes();
    qv::TakeMessageBoxes();
    int owner = 0;
    EXPECT_EQ(qv::ShowMessageBox(&owner, "Scanner not ready", "Load Paper", qv::MsgIcon::Warning),
              qv::kMessageBoxOk);
    EXPECT_EQ(qv::ShowMessageBox(nullptr, "text only", nullptr, qv::MsgIcon::Exclamation), qv::kMessageBoxOk);
    auto boxes = qv::TakeMessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].owner, &owner);
    EXPECT_EQ(boxes[0].caption, "Load Paper");
    EXPECT_EQ(boxes[0].icon, qv::MsgIcon::Warning);
    EXPECT_EQ(boxes[1].caption, "");
    EXPECT_TRUE(qv::TakeMessageBoxes().empty());
}

struct CountingLibrary : qv::AbsentScannerLibrary {
    int opens = 0;
    int32_t scanOpenLib() override {
        ++opens;
        return 0;
    }
};

TEST(ScannerLibraryPort, InstalledLibraryReplacesDefaultUntilRemoved) {
    CountingLibrary counting;
    qv::SetScannerLibrary(&counting);
    EXPECT_EQ(qv::GetScannerLibrary().scanOpenLib(), 0);
    EXPECT_EQ(counting.opens, 1);
    qv::SetScannerLibrary(nullptr);
    EXPECT_NE(&qv::GetScannerLibrary(), static_cast<qv::ScannerLibrary*>(&counting));
}

} // namespace
