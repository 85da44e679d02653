// One imported image as the host assembles it from the strips a module hands over, and
// its file form (PBM for bitmap, PGM for gray, PPM for colour).
#pragma once

#include "plugin/HostInterface.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qv::host {

struct Geometry {
    int32_t rows = 0;
    int32_t cols = 0;
    int16_t mode = 0;
    int16_t depth = 0;
    int16_t planes = 0;
    Fixed hRes = 0;
    Fixed vRes = 0;
    std::vector<uint8_t> lut[3]; // indexed colour only
};

// Reads what a module wrote into the record at start; empty when it makes no sense, with
// the reasons in problems.
std::optional<Geometry> GeometryFromRecord(const AcquireRecord& record, std::vector<std::string>& problems);

struct Strip {
    const uint8_t* data = nullptr;
    HostRect rect{};
    int16_t loPlane = 0;
    int16_t hiPlane = 0;
    int16_t colBytes = 0;
    int32_t rowBytes = 0;
    int32_t planeBytes = 0;
};

// Bytes from data that the strip reaches, or an empty value with the reason when its
// rectangle, planes or strides cannot describe memory of this document.
std::optional<size_t> StripExtent(const Geometry& g, const Strip& s, std::string& why);

class Document {
  public:
    explicit Document(Geometry g);

    const Geometry& geometry() const { return g_; }
    // Copies a strip already checked with StripExtent.
    void Store(const Strip& s);
    // Rows of plane p that some strip has covered.
    int32_t RowsCovered(int plane) const;
    bool Complete() const;

    size_t RowBytes() const;
    const uint8_t* Row(int plane, int32_t row) const;

    // Interleaved pixels as the file holds them (bits for bitmap, RGB for indexed colour).
    std::vector<uint8_t> FilePixels() const;
    bool WritePnm(const std::string& path, std::string& error) const;
    static const char* Extension(int16_t mode);

  private:
    uint8_t* RowPtr(int plane, int32_t row);
    Geometry g_;
    std::vector<uint8_t> pixels_;
    std::vector<std::vector<bool>> covered_;
};

struct PnmImage {
    char kind = 0; // '4', '5' or '6'
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels;
};
// Binary PBM, PGM (8-bit) or PPM (8-bit) of sides 1..30000, the largest document a host
// takes; anything else is refused with the reason in error, before its size is allocated.
std::optional<PnmImage> ReadPnm(const std::string& path, std::string& error);
std::optional<PnmImage> ReadPnm(const std::string& path);

// Empty when both hold the same pixels; else where and how they first differ, or which of
// them has pixels that do not fill its shape. Bits beyond the last column of a bitmap row
// are not pixels and are not compared.
std::optional<std::string> ComparePnm(const PnmImage& a, const PnmImage& b);

} // namespace qv::host
