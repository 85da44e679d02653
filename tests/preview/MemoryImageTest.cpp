// The memory image as both builds keep it: clipped writes, overlapping copies and the PPM
// the host saves.
#include "tests/dialog/DialogFixture.h"

#include "platform/MemoryImage.h"

#include <fstream>
#include <iterator>
#include <string>

namespace {

using qv::Rgb;

class MemoryImageTest : public qv::testing::DialogFixture {};

TEST_F(MemoryImageTest, WritesStayInsideAndCopiesMayOverlap) {
    auto image = qv::CreateMemoryImage(Controls(), 4, 5);
    ASSERT_NE(image, nullptr);
    for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < 4; ++x)
            image->SetPixel(x, y, Rgb{uint8_t(x), uint8_t(y), 9});
    image->SetPixel(4, 0, Rgb{});
    image->SetPixel(-1, 2, Rgb{});
    image->Fill(qv::PixelRect{3, 4, 10, 10}, Rgb{1, 1, 1});
    EXPECT_EQ(image->Pixel(3, 4), (Rgb{1, 1, 1}));
    EXPECT_EQ(image->Pixel(2, 4), (Rgb{2, 4, 9}));

    // Up by two rows, as scrolling does, then a block hanging over the bottom right.
    image->Copy(0, 2, 3, 3, 0, 0);
    EXPECT_EQ(image->Pixel(1, 0), (Rgb{1, 2, 9}));
    EXPECT_EQ(image->Pixel(2, 2), (Rgb{2, 4, 9}));
    EXPECT_EQ(image->Pixel(3, 0), (Rgb{3, 0, 9}));
    image->Copy(0, 0, 4, 5, 2, 3);
    EXPECT_EQ(image->Pixel(3, 4), (Rgb{1, 3, 9}));
    EXPECT_EQ(image->Pixel(1, 4), (Rgb{1, 4, 9}));
}

TEST_F(MemoryImageTest, SavesAsBinaryPpmInRedGreenBlueOrder) {
    auto image = qv::CreateMemoryImage(Controls(), 2, 1);
    ASSERT_NE(image, nullptr);
    image->SetPixel(0, 0, Rgb{10, 20, 30});
    image->SetPixel(1, 0, Rgb{40, 50, 60});
    ASSERT_TRUE(qv::WriteMemoryImagePpm(*image, "preview.ppm"));
    std::ifstream file("preview.ppm", std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), {}};
    EXPECT_EQ(bytes, std::string("P6\n2 1\n255\n\x0A\x14\x1E\x28\x32\x3C"));
    EXPECT_EQ(qv::CreateMemoryImage(Controls(), 0, 3), nullptr);
}

} // namespace
