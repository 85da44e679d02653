// A sheet of paper fed into a simulated device: an RGB picture with its own resolution.
// Charts are computed per pixel, so a chart of any size costs no memory.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qv::sim {

class Sheet {
  public:
    Sheet(int width, int height, int dpi) : width_(width), height_(height), dpi_(dpi) {}
    virtual ~Sheet() = default;
    int Width() const { return width_; }
    int Height() const { return height_; }
    int Dpi() const { return dpi_; }
    // Fills Width() pixels of row y (0 <= y < Height()) as R, G, B bytes.
    virtual void Row(int y, uint8_t* rgb) const = 0;
    // Rows with equal keys hold equal pixels, which lets a device reuse a formed row.
    virtual int64_t RowKey(int y) const { return y; }
    // Row y as gray values (299 R + 587 G + 114 B + 500) / 1000, when the sheet keeps them
    // ready; false when the caller must convert Row itself.
    virtual bool GrayRow(int y, uint8_t* gray) const {
        (void)y, (void)gray;
        return false;
    }

  private:
    int width_, height_, dpi_;
};

using SheetPtr = std::shared_ptr<const Sheet>;

const std::vector<std::string>& ChartNames();
// A built-in chart of width x height inches at dpi; null with a message for a bad name or size.
SheetPtr MakeChart(std::string_view name, double widthInches, double heightInches, int dpi,
                   std::string& error);
// A picture held in memory, rows of R, G, B bytes.
SheetPtr MakeImageSheet(int width, int height, int dpi, std::vector<uint8_t> rgb);

// PNM (P4, P5, P6) from bytes or a file. dpi 0 means 200.
SheetPtr DecodePnm(std::string_view bytes, int dpi, std::string& error);
// By file name: .pbm/.pgm/.ppm/.pnm always; .tif/.tiff where the build has libtiff.
// dpi 0 means the file's own resolution, else 200.
SheetPtr LoadImageFile(const std::string& path, int dpi, std::string& error);

} // namespace qv::sim
