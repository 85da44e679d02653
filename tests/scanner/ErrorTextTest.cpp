#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "FakeScannerLibrary.h"
#include "scanner/ErrorText.h"

namespace {

struct Expected {
    int32_t status;
    const char* text;
};

// Written out independently of the lookup so that a slip in either shows.
const Expected kAll[] = {
    {-153, "The calling program tried to open an unknown handle."},
    {-152, "The calling program tried to do I/O open on a closed scanner."},
    {-151, "Scanner not open"},
    {-150, "The calling program tried to open an already open scanner."},
    {-118, "It was not possible to open the driver."},
    {-117, "No scanner was found."},
    {-116, "The driver specified was to old"},
    {-115, "An internal ORV_xxx driver error occured"},
    {-114, "The IO command has not yet completed"},
    {-113, "An operation system error was detected"},
    {-112, "A SCSI protocol error was detected"},
    {-111, "ORV_SCAN could not load a SCSI driver (like ASPI)"},
    {-110, "ORV_SCAN could not find a SCSI interface board"},
    {-100, "Parameter error in ORV_SCAN call."},
    {-65, "It was not possible to allocate a sync object"},
    {-64, "SCSI_ERROR_ASPI_ABANDONED"},
    {-63, "WaitForObject failed. Could be an invalid handle"},
    {-62, "ASPI call never completed"},
    {-61, "SCSI_ERROR_ASPI_DATA_OVERRUN"},
    {-60, "Unknown ASPI error."},
    {0, "SCSI_STATUS_GOOD"},
    {2, "SCSI_STATUS_CHECK_CONDITION"},
    {4, "SCSI_STATUS_CONDITION_MET"},
    {8, "SCSI_STATUS_BUSY"},
    {16, "SCSI_STATUS_INTERMIDIATE"},
    {20, "SCSI_STATUS_INTERMIDIATE_CON_MET"},
    {34, "SCSI_STATUS_RESERVATION_CONFLICT"},
    {40, "SCSI_STATUS_QUEUE_FULL"},
    {0x1A00, "Parameter length Error"},
    {0x2400, "Invalid Value in CDB."},
    {0x2601, "ERROR_PARNNOTSUPP"},
    {0x2602, "Parameter value invalid."},
    {0x2900, "Scanner is warming up."},
    {0x2C00, "Command sequence error."},
    {0x2C01, "To many windows specified"},
    {0x3A00, "Scanner not ready\rPlease insert paper."},
    {0x3A80, "Media not loaded"},
    {0x3A81, "Media load abort"},
    {0x3A82, "Media load progress"},
    {0x3A83, "ERROR_OBJECT_POSITION_PROGRESS"},
    {0x3B09, "Read past end of medium."},
    {0x3B0A, "Read past begining of medium."},
    {0x4200, "Self Test Error"},
    {0x4300, "ERROR_MESSAGE"},
    {0x4500, "ERROR_SELECT"},
    {0x4700, "ERROR_SCSIPARITY"},
    {0x4A00, "ERROR_COMMAND_PHASE"},
    {0x4B00, "ERROR_DATAPHASE"},
    {0x5300, "Media eject failed."},
    {0x9001, "Unknown internal scanner Error"},
    {0x9101, "ERROR 30\rUnable to correct camera A."},
    {0x9102, "ERROR 30\rUnable to correct camera B."},
    {0x9103, "ERROR 30\rUnable to correct camera C."},
    {0x9104, "ERROR_WHITE_CAM_D\rERROR 30\rUnable to correct camera D."},
    {0x9111, "ERROR 31\rUnable to get all black output\rfrom camera A."},
    {0x9112, "ERROR 31\rUnable to get all black output\rfrom camera B."},
    {0x9113, "ERROR 31\rUnable to get all black output\rfrom camera C."},
    {0x9114, "ERROR 31\rUnable to get all black output\rfrom camera D."},
    {0x9121, "ERROR 32\rUnable to stitch cameras A and B."},
    {0x9122, "ERROR 32\rUnable to stitch cameras B and C."},
    {0x9123, "ERROR 32\rUnable to stitch cameras C and D."},
    {0x9130, "Calibration error.\rUnable to match black levels."},
    {0x9131, "Error calibrating camera A, red"},
    {0x9132, "Error calibrating camera A, green"},
    {0x9133, "Error calibrating camera A, blue"},
    {0x9134, "Error calibrating camera B, red"},
    {0x9135, "Error calibrating camera B, green"},
    {0x9136, "Error calibrating camera B, blue"},
    {0x9137, "Error calibrating camera C, red"},
    {0x9138, "Error calibrating camera C, green"},
    {0x9139, "Error calibrating camera C, blue"},
    {0x913A, "Error calibrating camera D, red"},
    {0x913B, "Error calibrating camera D, green"},
    {0x913C, "Error calibrating camera D, blue"},
    {0x9150, "Error programming multiplier Flash"},
    {0x91F1, "Camera A adjust failed."},
    {0x91F2, "Camera B adjust failed."},
    {0x91F3, "Camera C adjust failed."},
    {0x91F4, "Camera D adjust failed."},
    {0x9201, "Controler Error:\rDither RAM R/W error"},
    {0x9202, "Controler Error\rAmp. RAM R/W error"},
    {0x9301, "ERROR 93\rUnexpected external interupt."},
    {0x9302, "ERROR 81\rUnexpected serial port interupt."},
    {0x9303, "Controler Error\rUnexpected software timer int"},
    {0x9304, "ERROR 83\rUnexpected HSO interupt."},
    {0x9305, "ERROR 84\rUnexpected HSI DATA interupt."},
    {0x9306, "ERROR 85\rUnexpected AD interupt."},
    {0x9307, "ERROR 86\rUnexpected timer overflow interupt."},
    {0x9308, "ERROR 87\rUnexpected shift full interupt."},
    {0x9309, "ERROR 90\rUnexpected controle program terminated."},
    {0x930A, "ERROR 92\rError in scanner state machine."},
    {0xA000, "Scanner not in test mode."},
    {0xA001, "Scanner in test mode."},
    {0xA002, "Read past end of Tile."},
    {0xA003, "Time out on request"},
    {0xA004, "Timeout SOEM request"},
    {0xA005, "No active PCEPC mode."},
    {0xA006, "PCEPC communication fault."},
    {0xA010, "Fatal OS Error in Scanner."},
    {0xA011, "Fatal Error in SCSI-System."},
    {0xB000, "ERROR 08\rKeyboard switch not set corrrectly."},
    {0xB001, "SCB board Error."},
    {0xB002, "CCB board Error."},
    {0xB003, "Hardware Error.\rUnable to write to Flash"},
    {0xB004, "Flash Error: Vpp low"},
    {0xB005, "Flash Error: Unable to erase"},
    {0xB006, "Flash Error: Unable to program"},
    {0xB007, "Error 50. SCU Board Error"},
    {0xB008, "Error 50. CCF Board Error"},
    {0xB009, "Error 50. PPU Board Error"},
    {0xB00A, "Error 50. SFD Board Error"},
    {0xC000, "Hardware error. DSP failed."},
    {0xC001, "Hardware error. DSP failed."},
    {0xD000, "Holerit data not ready"},
    {0xD001, "Cover open"},
    {0xD002, "Abort"},
};

qv::AbsentScannerLibrary noLibrary;

TEST(ErrorText, EveryListedStatusHasItsExactText) {
    ASSERT_EQ(std::size(kAll), 116u);
    std::set<int32_t> seen;
    for (const Expected& entry : kAll) {
        SCOPED_TRACE(entry.status);
        EXPECT_TRUE(seen.insert(entry.status).second);
        ASSERT_NE(FindErrorText(entry.status), nullptr);
        EXPECT_STREQ(FindErrorText(entry.status), entry.text);
        // A CHECK CONDITION is resolved before lookup, so only with handle 0 does 2 read as itself.
        EXPECT_EQ(GetErrorText(entry.status, 0, noLibrary), entry.text);
    }
}

TEST(ErrorText, UnlistedStatusesFallBackToTheirHexNumber) {
    EXPECT_EQ(FindErrorText(1), nullptr);
    EXPECT_EQ(GetErrorText(1, 0, noLibrary), "Error not in 'GetErrorText' \r0x1");
    EXPECT_EQ(GetErrorText(0x91F5, 0, noLibrary), "Error not in 'GetErrorText' \r0x91f5");
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
