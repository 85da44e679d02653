// The memory image reaches the paint's device context unturned and in its own colours.
#include "tests/dialog/DialogFixture.h"

#include "platform/MemoryImage.h"
#include "platform/win32/PaintContext.h"

#include <windows.h>

namespace {

class MemoryImageWin32Test : public qv::testing::DialogFixture {};

TEST_F(MemoryImageWin32Test, PresentsIntoThePaintTargetAtItsPlace) {
    auto image = qv::CreateMemoryImage(Controls(), 5, 4);
    ASSERT_NE(image, nullptr);
    image->Fill(qv::PixelRect{0, 0, 5, 4}, qv::Rgb{127, 127, 127});
    image->SetPixel(1, 0, qv::Rgb{255, 0, 0});
    image->SetPixel(4, 3, qv::Rgb{0, 0, 255});

    HDC screen = GetDC(nullptr);
    HDC target = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 16);
    HGDIOBJ old = SelectObject(target, bitmap);
    {
        qv::PaintScope scope(target);
        image->Present(Controls(), 2, 3);
    }
    EXPECT_EQ(GetPixel(target, 3, 3), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(target, 6, 6), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(target, 2, 6), RGB(127, 127, 127));
    SelectObject(target, old);
    DeleteObject(bitmap);
    DeleteDC(target);
    ReleaseDC(nullptr, screen);
}

} // namespace
