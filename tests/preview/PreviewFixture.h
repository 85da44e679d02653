// A preview on the fixture's dialog with an area the test chooses, so that the image, the
// memory image and the line manager can be looked at pixel by pixel.
#pragma once

#include "tests/dialog/DialogFixture.h"

#include "dialog/ControlIds.h"
#include "dialog/Settings.h"
#include "preview/PreScan.h"
#include "preview/Rendering.h"

#include <mutex>
#include <string>

namespace qv::testing {

class PreviewFixture : public DialogFixture {
  protected:
    void SetUp() override {
        DialogFixture::SetUp();
        preview::PreScan_Init();
    }
    void TearDown() override {
        preview::PreScan_Remove();
        DialogFixture::TearDown();
    }

    // An area of width x height: image filled with mid gray as a prescan starts, an erased
    // memory image, no rows yet, and the adjustments typed into the dialog.
    void MakeArea(int32_t width, int32_t height, int32_t gamma10 = 10, int32_t brightness = 0) {
        {
            std::lock_guard lock(PreScanLock());
            PreScan.iAreaWidth = width;
            PreScan.iAreaHeight = height;
            PreScan.iImageBufferSize = width * (height + 25) * 9;
            PreScan.ptr_byteImage.assign(size_t(PreScan.iImageBufferSize), 127);
            PreScan.memoryImage = CreateMemoryImage(Controls(), width, height);
            PreScan.bDCCreated = PreScan.memoryImage != nullptr;
            PreScan.iPreviewRows = 0;
            PreScan.iPreviewWidth = width;
        }
        preview::PreScan_EraseDC();
        SetAdjustments(gamma10, brightness);
    }
    void SetAdjustments(int32_t gamma10, int32_t brightness) {
        Controls().SetText(kIdGamma10, std::to_string(gamma10));
        Controls().SetText(kIdBrightness, std::to_string(brightness));
        Controls().SetText(kIdContrast, "0");
        g_DialogSettings.iGamma10 = gamma10;
        g_DialogSettings.iBrightness = brightness;
        g_DialogSettings.iContrast = 0;
        preview::PreScan_MakeGammaCurve(gamma10, brightness, 0);
    }

    static Rgb Shown(int32_t x, int32_t y) {
        std::lock_guard lock(PreScanLock());
        return PreScan.memoryImage->Pixel(x, y);
    }
    static Rgb Image(int32_t x, int32_t y) {
        std::lock_guard lock(PreScanLock());
        const uint8_t* p = &PreScan.ptr_byteImage[(size_t(y) * size_t(PreScan.iAreaWidth) + size_t(x)) * 3];
        return Rgb{p[0], p[1], p[2]};
    }
};

} // namespace qv::testing
