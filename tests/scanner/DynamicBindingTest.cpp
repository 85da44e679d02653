// The Windows binding of the scanner library: loaded at first use, and a library or
// export that is not there answers as a missing driver.
#include <gtest/gtest.h>

#include <memory>

#include "platform/ScannerLibrary.h"
#include "scanner/ErrorText.h"
#include "scanner/Scanner.h"

namespace {

TEST(DynamicBinding, MissingLibraryIsAMissingDriver) {
    auto library = qv::platform::MakeDynamicScannerLibrary("no_such_folder\\orv_scan_missing.dll");
    EXPECT_EQ(library->scanOpenLib(), qv::kStatusNoDriver);
    uint32_t handle = 77;
    uint32_t reserved = 0;
    EXPECT_EQ(library->scanGetNextScanner(&handle, &reserved, 1), qv::kStatusNoScanner);
    EXPECT_EQ(handle, 0u);
    uint8_t buffer[36] = {};
    EXPECT_EQ(library->scanInquiry(1, buffer, 36), qv::kStatusNoDriver);
    EXPECT_EQ(library->scanInquiryPage(1, buffer, 6, 0xC0), qv::kStatusNoDriver);
    EXPECT_EQ(library->scanSetWindow(1, buffer, 36), qv::kStatusNoDriver);
    EXPECT_EQ(library->scanSend(1, buffer, 6, 0xFA, 0), qv::kStatusNoDriver);
    EXPECT_EQ(library->scanScan(1, buffer, 2), qv::kStatusNoDriver);
    int32_t received = 5;
    EXPECT_EQ(library->scanRead(1, buffer, 36, 0, 0, &received), qv::kStatusNoDriver);
    EXPECT_EQ(received, 0);
    EXPECT_EQ(library->scanReadBuffer(1, buffer, 1, 7, 18, 18), qv::kStatusNoDriver);
    EXPECT_EQ(library->scanReceiveDiagnostic(1, buffer, 4), qv::kStatusNoDriver);
    EXPECT_EQ(library->scanObjectPosition(1, 1, 0), qv::kStatusNoDriver);
    EXPECT_EQ(library->scanTestUnitReady(1), qv::kStatusNoDriver);
    EXPECT_EQ(library->scanOpenScanner(1), qv::kStatusNoDriver);
    EXPECT_EQ(library->scanCloseScanner(1), qv::kStatusNoDriver);
    EXPECT_EQ(library->scanCloseLib(), qv::kStatusNoDriver);
    EXPECT_EQ(library->scanGetHardwareType(1), 0);
    EXPECT_EQ(library->scanGetLastAsc(1), qv::kStatusNoDriver);
}

TEST(DynamicBinding, ScannerListWithoutTheLibraryReportsTheDriver) {
    auto library = qv::platform::MakeDynamicScannerLibrary("no_such_folder\\orv_scan_missing.dll");
    CScanner scanner(library.get());
    scanner.EnumerateScanners();
    ASSERT_EQ(scanner.GetScannerCount(), 1);
    EXPECT_EQ(scanner.GetListOpenResult(0), qv::kStatusNoDriver);
    EXPECT_FALSE(scanner.IsOpen());
    EXPECT_EQ(GetErrorText(scanner.GetListOpenResult(0), 0), "It was not possible to open the driver.");
}

TEST(DynamicBinding, MissingExportsAnswerAsAMissingDriver) {
    auto library = qv::platform::MakeDynamicScannerLibrary("orv_partial.dll");
    EXPECT_EQ(library->scanOpenLib(), 0);
    EXPECT_EQ(library->scanGetHardwareType(5), 2);
    uint32_t handle = 9;
    uint32_t reserved = 0;
    EXPECT_EQ(library->scanGetNextScanner(&handle, &reserved, 1), qv::kStatusNoScanner);
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(library->scanOpenScanner(5), qv::kStatusNoDriver);
    EXPECT_EQ(library->scanTestUnitReady(5), qv::kStatusNoDriver);
    // Without the sense-code export a CHECK CONDITION must not pass for success.
    int32_t status = 2;
    ResolveStatus(status, 5, *library);
    EXPECT_EQ(status, qv::kStatusNoDriver);

    CScanner scanner(library.get());
    scanner.EnumerateScanners();
    EXPECT_TRUE(scanner.IsLibOpen());
    ASSERT_EQ(scanner.GetScannerCount(), 1);
    EXPECT_EQ(scanner.GetListOpenResult(0), qv::kStatusNoScanner);
}

#ifdef QV_HAVE_STAND_IN
TEST(DynamicBinding, DefaultBindingReachesTheLibraryBesideTheProgram) {
    CScanner scanner;
    scanner.EnumerateScanners();
    ASSERT_GE(scanner.GetScannerCount(), 1);
    EXPECT_EQ(scanner.GetListOpenResult(0), 0);
    EXPECT_TRUE(scanner.IsOpen());
    ASSERT_EQ(scanner.OpenScanner(0), 0);
    EXPECT_GE(scanner.GetGeneration(), 4);
    EXPECT_FALSE(scanner.GetProductId().empty());
    EXPECT_EQ(scanner.Close(), 0);
}
#endif

} // namespace
