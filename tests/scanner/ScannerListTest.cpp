#include <gtest/gtest.h>

#include "FakeScannerLibrary.h"
#include "scanner/ErrorText.h"
#include "scanner/Scanner.h"

namespace {

using qv::test::FakeScannerLibrary;
using qv::test::MakeDevice;
using qv::test::Profile;

// 16 characters, blank-padded as devices report them.
std::string ProductId(int i) {
    return "MODEL " + std::to_string(100 + i) + std::string(7, ' ');
}

void Attach(FakeScannerLibrary& library, int count) {
    for (int i = 0; i < count; ++i) {
        Profile profile;
        profile.product = ProductId(i);
        auto device = MakeDevice(0x1000 + i, profile);
        device.hardwareType = i % 3 == 0 ? 1 : (i % 3 == 1 ? 2 : 7);
        library.devices.push_back(device);
    }
}

TEST(ScannerList, NoScannerLeavesOneEntryThatReportsNoScanner) {
    FakeScannerLibrary library;
    CScanner scanner(&library);
    scanner.EnumerateScanners();
    ASSERT_EQ(scanner.GetScannerCount(), 1);
    EXPECT_EQ(scanner.GetListOpenResult(0), -117);
    EXPECT_EQ(scanner.GetListName(0), " ( UNKNOWN )");
    EXPECT_FALSE(scanner.IsOpen());
    EXPECT_TRUE(scanner.IsLibOpen());
    EXPECT_EQ(GetErrorText(scanner.GetListOpenResult(0), scanner.GetHandle(), library),
              "No scanner was found.");
}

TEST(ScannerList, MissingDriverIsTheStatusOfTheOnlyEntry) {
    qv::AbsentScannerLibrary absent;
    CScanner scanner(&absent);
    scanner.EnumerateScanners();
    ASSERT_EQ(scanner.GetScannerCount(), 1);
    EXPECT_EQ(scanner.GetListOpenResult(0), -118);
    EXPECT_FALSE(scanner.IsLibOpen());
    EXPECT_FALSE(scanner.IsOpen());
    EXPECT_EQ(scanner.Close(), 0);
}

TEST(ScannerList, ListsEveryScannerWithItsConnection) {
    for (int count : {2, 5}) {
        SCOPED_TRACE(count);
        FakeScannerLibrary library;
        Attach(library, count);
        library.devices[1].openStatus = -150;
        CScanner scanner(&library);
        scanner.EnumerateScanners();
        ASSERT_EQ(scanner.GetScannerCount(), count);
        EXPECT_TRUE(scanner.IsOpen());
        EXPECT_EQ(scanner.GetListName(0), ProductId(0) + " ( USB )");
        EXPECT_EQ(scanner.GetListName(1), ProductId(1) + " ( SCSI )");
        EXPECT_EQ(scanner.GetListOpenResult(1), -150);
        for (int i = 0; i < count; ++i)
            EXPECT_EQ(scanner.GetListHandle(i), 0x1000u + i);
        if (count == 5) {
            EXPECT_EQ(scanner.GetListName(2), ProductId(2) + " ( UNKNOWN )");
            EXPECT_EQ(scanner.GetListName(4), ProductId(4) + " ( SCSI )");
        }
        // Every scanner is looked at with its own inquiry and closed again.
        EXPECT_EQ(library.Count("scanInquiry"), static_cast<size_t>(count));
        EXPECT_EQ(library.Count("scanCloseScanner"), static_cast<size_t>(count));
    }
}

TEST(ScannerList, StopsAtThirtyScanners) {
    FakeScannerLibrary library;
    Attach(library, 31);
    CScanner scanner(&library);
    scanner.EnumerateScanners();
    EXPECT_EQ(scanner.GetScannerCount(), 30);
    EXPECT_EQ(scanner.GetListHandle(29), 0x1000u + 29);
    EXPECT_EQ(scanner.GetListHandle(30), 0u);
    EXPECT_EQ(scanner.GetListOpenResult(30), -117);
    // The thirty-first is never asked for.
    EXPECT_EQ(library.Count("scanGetNextScanner"), 30u);
}

TEST(ScannerList, OpeningAnEntryMakesItCurrentWithAFreshCache) {
    FakeScannerLibrary library;
    Attach(library, 3);
    CScanner scanner(&library);
    scanner.EnumerateScanners();
    ASSERT_EQ(scanner.OpenScanner(1), 0);
    EXPECT_EQ(scanner.GetHandle(), 0x1001u);
    EXPECT_EQ(scanner.GetProductId(), ProductId(1));
    ASSERT_EQ(scanner.OpenScanner(0), 0);
    EXPECT_EQ(scanner.GetProductId(), ProductId(0));

    library.ClearCalls();
    EXPECT_EQ(scanner.OpenScanner(3), -117);
    EXPECT_EQ(scanner.OpenScanner(-1), -117);
    EXPECT_EQ(library.Count("scanOpenScanner"), 0u);
    EXPECT_EQ(scanner.GetHandle(), 0x1000u);
}

TEST(ScannerList, CloseStopsAtTheFirstFailureAndIsHarmlessTwice) {
    FakeScannerLibrary library;
    Attach(library, 1);
    CScanner scanner(&library);
    scanner.EnumerateScanners();
    library.Answer("scanCloseScanner", {-152});
    EXPECT_EQ(scanner.Close(), -152);
    EXPECT_TRUE(scanner.IsOpen());
    EXPECT_EQ(library.Count("scanCloseLib"), 0u);

    EXPECT_EQ(scanner.Close(), 0);
    EXPECT_FALSE(scanner.IsOpen());
    EXPECT_FALSE(scanner.IsLibOpen());
    library.ClearCalls();
    EXPECT_EQ(scanner.Close(), 0);
    EXPECT_TRUE(library.calls.empty());
}

TEST(ScannerList, DisplayNameUsesTheProductIdUpToItsEnd) {
    FakeScannerLibrary library;
    Profile profile;
    profile.product = std::string("ABC\0DEFGHIJKLMNO", 16);
    library.devices.push_back(MakeDevice(5, profile));
    CScanner scanner(&library);
    scanner.SetHandle(5);
    EXPECT_EQ(scanner.GetDisplayName(), "ABC ( USB )");

    // A scanner whose inquiry fails is still listed by its connection alone.
    library.devices[0].inquiry.clear();
    scanner.ClearInquiryCache();
    EXPECT_EQ(scanner.GetDisplayName(), " ( USB )");
}

TEST(ScannerList, DefaultsToTheInstalledLibrary) {
    FakeScannerLibrary library;
    Attach(library, 2);
    CScanner scanner;
    qv::SetScannerLibrary(&library);
    scanner.EnumerateScanners();
    qv::SetScannerLibrary(nullptr);
    EXPECT_EQ(scanner.GetScannerCount(), 2);
}

} // namespace
