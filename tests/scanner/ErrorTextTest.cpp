#include <gtest/gtest.h>

#include <cstring>

#include "FakeScannerLibrary.h"
#include "scanner/ErrorText.h"

namespace {

qv::AbsentScannerLibrary noLibrary;

// Every kind of status lies well inside this range; sense codes are 16-bit.
constexpr int32_t kLowestProbed = -0x10000;
constexpr int32_t kHighestProbed = 0xFFFF;

TEST(ErrorText, TableHoldsItsStatusesBetweenTheFirstAndTheLast) {
    int listed = 0;
    int32_t lowest = 0;
    int32_t highest = 0;
    for (int32_t status = kLowestProbed; status <= kHighestProbed; ++status) {
        if (FindErrorText(status) == nullptr)
            continue;
        if (listed++ == 0)
            lowest = status;
        highest = status;
    }
    EXPECT_EQ(listed, 116);
    EXPECT_EQ(lowest, -153);
    EXPECT_EQ(highest, 0xD002);
    EXPECT_STREQ(FindErrorText(-153), "The calling program tried to open an unknown handle.");
    EXPECT_STREQ(FindErrorText(0xD002), "Abort");
}

TEST(ErrorText, NeighboursKeepTheirOwnTexts) {
    EXPECT_STREQ(FindErrorText(-152), "The calling program tried to do I/O open on a closed scanner.");
    EXPECT_STREQ(FindErrorText(-151), "Scanner not open");
    // The last library error and the first SCSI status sit either side of the gap at 0.
    EXPECT_STREQ(FindErrorText(-60), "Unknown ASPI error.");
    EXPECT_STREQ(FindErrorText(0), "SCSI_STATUS_GOOD");
    EXPECT_STREQ(FindErrorText(40), "SCSI_STATUS_QUEUE_FULL");
    // Calibration codes run camera by camera, then red, green, blue.
    EXPECT_STREQ(FindErrorText(0x9133), "Error calibrating camera A, blue");
    EXPECT_STREQ(FindErrorText(0x9134), "Error calibrating camera B, red");
    EXPECT_STREQ(FindErrorText(0x913C), "Error calibrating camera D, blue");
    EXPECT_STREQ(FindErrorText(0xD001), "Cover open");
}

TEST(ErrorText, TextsAsTheDeviceWordsThem) {
    // Line breaks are carriage returns, and the device's spelling is kept.
    EXPECT_STREQ(FindErrorText(0x3A00), "Scanner not ready\rPlease insert paper.");
    EXPECT_STREQ(FindErrorText(0x9104), "ERROR_WHITE_CAM_D\rERROR 30\rUnable to correct camera D.");
    EXPECT_STREQ(FindErrorText(-116), "The driver specified was to old");
    // Two codes share one text.
    EXPECT_STREQ(FindErrorText(0xC000), FindErrorText(0xC001));
    // Codes the device layer tests by value, including the two progress reports and the
    // two statuses the module makes itself.
    EXPECT_STREQ(FindErrorText(kSenseMediaLoadProgress), "Media load progress");
    EXPECT_STREQ(FindErrorText(kSenseObjectPositionProgress), "ERROR_OBJECT_POSITION_PROGRESS");
    EXPECT_STREQ(FindErrorText(kSenseEndOfMedium), "Read past end of medium.");
    EXPECT_STREQ(FindErrorText(kStatusPageTooShort), "ERROR_PARNNOTSUPP");
    EXPECT_STREQ(FindErrorText(kStatusParameterInvalid), "Parameter value invalid.");
}

TEST(ErrorText, UnlistedStatusesFallBackToTheirHexNumber) {
    EXPECT_EQ(FindErrorText(1), nullptr);
    EXPECT_EQ(GetErrorText(1, 0, noLibrary), "Error not in 'GetErrorText' \r0x1");
    // Between listed neighbours, in lower case.
    EXPECT_EQ(GetErrorText(0x91F5, 0, noLibrary), "Error not in 'GetErrorText' \r0x91f5");
    // Negative statuses print as their 32-bit pattern.
    EXPECT_EQ(GetErrorText(-1, 0, noLibrary), "Error not in 'GetErrorText' \r0xffffffff");
    EXPECT_EQ(GetErrorText(-154, 0, noLibrary), "Error not in 'GetErrorText' \r0xffffff66");
}

TEST(ErrorText, CheckConditionReadsAsTheSenseCodeOfAnOpenHandle) {
    qv::test::FakeScannerLibrary library;
    library.lastAsc = 0x3A00;
    EXPECT_EQ(GetErrorText(2, 7, library), "Scanner not ready\rPlease insert paper.");
    ASSERT_EQ(library.Count("scanGetLastAsc"), 1u);
    EXPECT_EQ(library.CallsOf("scanGetLastAsc")[0].handle, 7u);

    library.ClearCalls();
    EXPECT_EQ(GetErrorText(2, 0, library), "SCSI_STATUS_CHECK_CONDITION");
    EXPECT_EQ(library.Count("scanGetLastAsc"), 0u);
    // Only status 2 asks the device.
    EXPECT_EQ(GetErrorText(8, 7, library), "SCSI_STATUS_BUSY");
    EXPECT_EQ(library.Count("scanGetLastAsc"), 0u);
}

TEST(ErrorText, ResolveStatusReplacesOnlyCheckConditionWithAHandle) {
    qv::test::FakeScannerLibrary library;
    library.lastAsc = 0x3B09;
    int32_t status = 2;
    ResolveStatus(status, 3, library);
    EXPECT_EQ(status, 0x3B09);
    status = 2;
    ResolveStatus(status, 0, library);
    EXPECT_EQ(status, 2);
    status = -117;
    ResolveStatus(status, 3, library);
    EXPECT_EQ(status, -117);
}

TEST(ErrorText, BoundedCopyNeverWritesPastTheBuffer) {
    char buffer[16];
    std::memset(buffer, 'x', sizeof buffer);
    GetErrorText(-117, 0, buffer, 6, noLibrary);
    EXPECT_STREQ(buffer, "No sc");
    EXPECT_EQ(buffer[6], 'x');

    std::memset(buffer, 'x', sizeof buffer);
    GetErrorText(-117, 0, buffer, 0, noLibrary);
    EXPECT_EQ(buffer[0], 'x');

    char large[128];
    GetErrorText(0x9104, 0, large, sizeof large, noLibrary);
    EXPECT_STREQ(large, "ERROR_WHITE_CAM_D\rERROR 30\rUnable to correct camera D.");
}

} // namespace
