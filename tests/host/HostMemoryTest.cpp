#include "host/HostMemory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace qv::host;

namespace {

struct Reports {
    std::vector<std::string> lines;
    ViolationSink sink() {
        return [this](const std::string& s) { lines.push_back(s); };
    }
    bool Mentions(const std::string& part) const {
        for (const auto& l : lines)
            if (l.find(part) != std::string::npos)
                return true;
        return false;
    }
};

class BufferPoolTest : public ::testing::Test {
  protected:
    Reports r;
    BufferPool pool{1000, r.sink()};
};

class HandlePoolTest : public ::testing::Test {
  protected:
    Reports r;
    HandlePool pool{r.sink()};
};

} // namespace

TEST_F(BufferPoolTest, SpaceFollowsAllocationsAndRefusesWhatDoesNotFit) {
    BufferID a = nullptr, b = nullptr, c = nullptr;
    EXPECT_EQ(pool.Allocate(600, &a), noErr);
    EXPECT_EQ(pool.Space(), 400);
    EXPECT_EQ(pool.Allocate(401, &b), memFullErr);
    EXPECT_EQ(b, nullptr);
    EXPECT_EQ(pool.Allocate(400, &c), noErr);
    EXPECT_EQ(pool.Space(), 0);
    pool.Free(a);
    EXPECT_EQ(pool.Space(), 600);
    pool.Free(c);
    EXPECT_EQ(pool.ReportLeaks(), 0);
    EXPECT_TRUE(r.lines.empty());
}

TEST_F(BufferPoolTest, MisuseIsReportedNotObeyed) {
    BufferID a = nullptr;
    ASSERT_EQ(pool.Allocate(10, &a), noErr);
    pool.Unlock(a);
    EXPECT_TRUE(r.Mentions("not locked"));
    pool.Free(a);
    pool.Free(a);
    EXPECT_TRUE(r.Mentions("freed twice"));
    EXPECT_EQ(pool.Lock(a, 0), nullptr);
    EXPECT_TRUE(r.Mentions("after it was freed"));
    pool.Free(reinterpret_cast<BufferID>(uintptr_t{999}));
    EXPECT_TRUE(r.Mentions("unknown buffer"));
    BufferID neg = nullptr;
    EXPECT_EQ(pool.Allocate(-1, &neg), paramErr);
    EXPECT_EQ(pool.Space(), 1000);
}

TEST_F(BufferPoolTest, WritesPastEitherEndAreCaughtOnce) {
    BufferID a = nullptr, b = nullptr;
    ASSERT_EQ(pool.Allocate(8, &a), noErr);
    ASSERT_EQ(pool.Allocate(8, &b), noErr);
    char* pa = pool.Lock(a, 0);
    char* pb = pool.Lock(b, 0);
    std::memset(pa, 1, 8); // in bounds
    pb[8] = 0;             // one past the end
    pool.CheckGuards();
    ASSERT_EQ(r.lines.size(), 1u);
    EXPECT_TRUE(r.Mentions("buffer 2 was written outside"));
    pool.Free(b); // already reported
    EXPECT_EQ(r.lines.size(), 1u);
    pa[-1] = 0;
    pool.Free(a);
    EXPECT_EQ(r.lines.size(), 2u);
}

TEST_F(BufferPoolTest, LocatesRangesAgainstLiveBuffers) {
    BufferID a = nullptr;
    ASSERT_EQ(pool.Allocate(100, &a), noErr);
    char* p = pool.Lock(a, 0);
    EXPECT_EQ(pool.Locate(p, 100).span, Span::Inside);
    EXPECT_TRUE(pool.Locate(p + 50, 50).locked);
    SpanInfo over = pool.Locate(p + 90, 15);
    EXPECT_EQ(over.span, Span::Overrun);
    EXPECT_EQ(over.past, 5u);
    char outside[4];
    EXPECT_EQ(pool.Locate(outside, 4).span, Span::Foreign);
    pool.Unlock(a);
    EXPECT_FALSE(pool.Locate(p, 1).locked);
    pool.Free(a);
    EXPECT_EQ(pool.Locate(p, 1).span, Span::Foreign);
}

TEST_F(BufferPoolTest, LeaksAreCountedAtTheEnd) {
    BufferID a = nullptr, b = nullptr;
    ASSERT_EQ(pool.Allocate(3, &a), noErr);
    ASSERT_EQ(pool.Allocate(4, &b), noErr);
    pool.Free(a);
    EXPECT_EQ(pool.ReportLeaks(), 1);
    EXPECT_TRUE(r.Mentions("of 4 bytes never freed"));
}

TEST_F(HandlePoolTest, LockBalanceResizeAndDispose) {
    HostHandle h = pool.New(4);
    ASSERT_NE(h, nullptr);
    std::memcpy(pool.Lock(h, 1), "abcd", 4);
    EXPECT_EQ(pool.LockCount(h), 1);
    EXPECT_EQ(pool.SetSize(h, 64), memFullErr); // a locked block does not move
    pool.Unlock(h);
    ASSERT_EQ(pool.SetSize(h, 64), noErr);
    EXPECT_EQ(pool.GetSize(h), 64);
    EXPECT_EQ(std::memcmp(*h, "abcd", 4), 0);
    ASSERT_EQ(pool.SetSize(h, 2), noErr);
    EXPECT_EQ(std::memcmp(*h, "ab", 2), 0);
    pool.Unlock(h);
    EXPECT_TRUE(r.Mentions("not locked"));
    pool.Dispose(h);
    EXPECT_FALSE(pool.IsLive(h));
    EXPECT_TRUE(pool.Owns(h));
    pool.Dispose(h);
    EXPECT_TRUE(r.Mentions("disposed twice"));
    EXPECT_EQ(pool.Lock(h, 0), nullptr);
    pool.Dispose(nullptr); // allowed, as hosts allow it
    EXPECT_EQ(r.lines.size(), 3u);
}

TEST_F(HandlePoolTest, ReportsLockedOverrunAndLeakedHandles) {
    HostHandle kept = pool.New(10);
    HostHandle locked = pool.New(20);
    pool.Lock(locked, 0);
    EXPECT_EQ(pool.ReportLocked(), 1);
    EXPECT_TRUE(r.Mentions("20 bytes left locked 1"));
    (*kept)[10] = 'x';
    pool.CheckGuards();
    EXPECT_TRUE(r.Mentions("10 bytes was written outside"));
    pool.Dispose(locked);
    EXPECT_EQ(pool.ReportLeaks(), 1);
    EXPECT_EQ(pool.Live(), 1);
    EXPECT_EQ(pool.Allocations(), 2);
}
