#include "sim/Imaging.h"

#include <algorithm>
#include <cstring>

namespace qv::sim {

namespace {

uint32_t Be16(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 8 | p[1];
}

uint32_t Be32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}

int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

int64_t CeilDiv(int64_t a, int64_t b) {
    return -FloorDiv(-a, b);
}

uint8_t Gray(const uint8_t* rgb) {
    return static_cast<uint8_t>((299 * rgb[0] + 587 * rgb[1] + 114 * rgb[2] + 500) / 1000);
}

bool IsGeneration4(const Profile& p) {
    return p.generation == 4;
}

// Each camera's share of a row in data units, before the picture-size block's 16-bit cut.
std::array<int64_t, 4> CameraUnits(const Profile& p, const WindowParams& w);

} // namespace

uint16_t ParseWindow(const Profile& profile, const uint8_t* block, int length, WindowParams& out) {
    const int expected = IsGeneration4(profile) ? 71 : profile.windowLength;
    if (!block || length != expected || block[7] != length - 8)
        return kSenseParameterLength;
    WindowParams w;
    w.rx = Be16(block + 10);
    w.ry = Be16(block + 12);
    w.xOffset = Be32(block + 14);
    w.yOffset = Be32(block + 18);
    w.width = Be32(block + 22);
    w.height = Be32(block + 26);
    w.threshold = block[31];
    if (w.rx == 0 || w.ry == 0 || w.width == 0 || w.height == 0 || w.width > 0x10000000 ||
        w.height > 0x10000000 || w.xOffset > 0x10000000 || w.yOffset > 0x10000000)
        return kSenseParameterValue;
    if (WindowPixels(profile, w) > kMaxRowPixels)
        return kSenseParameterValue;
    // Reads past the block's end see zeros, as the unsent tail of a shorter block.
    auto at = [&](int offset) -> uint8_t { return offset < length ? block[offset] : 0; };
    switch (block[33]) {
    case 5:
        if (!profile.color)
            return kSenseParameterValue;
        w.kind = Kind::Rgb;
        break;
    case 2:
        w.kind = Kind::Gray;
        break;
    default:
        if (IsGeneration4(profile)) {
            w.bwVariant = (at(66) == 3 && at(51) == 0 && block[33] == 0 && block[34] == 1) ? 1 : 0;
        } else if (length > 72) {
            w.bwVariant = block[72] + 1;
            if (w.bwVariant > 8)
                return kSenseParameterValue;
        } else {
            // A block too short for the variant byte: only mode 1 sends a threshold.
            w.bwVariant = block[31] != 0 ? 1 : 0;
        }
        w.kind = w.bwVariant == 1 ? Kind::BwThreshold : Kind::BwMidpoint;
        break;
    }
    if (!IsGeneration4(profile) && w.kind == Kind::Rgb && length > 76) {
        w.hasColorSpace = true;
        w.colorSpace = block[76];
    }
    // A row of no pixels, or a camera share the picture-size block cannot report, would
    // make rows the reader cannot take apart.
    if (WindowPixels(profile, w) < 1 || WindowRows(w) < 1)
        return kSenseParameterValue;
    for (int64_t units : CameraUnits(profile, w))
        if (units > 65535)
            return kSenseParameterValue;
    out = w;
    return 0;
}

uint32_t EffectiveResolutionX(const Profile& p, uint32_t rx) {
    if (!IsGeneration4(p) && p.color && p.scannerClass == 3 && rx > 780)
        return 780;
    return rx;
}

int64_t WindowPixels(const Profile& p, const WindowParams& w) {
    return static_cast<int64_t>(w.width) * EffectiveResolutionX(p, w.rx) / 1200;
}

int64_t WindowRows(const WindowParams& w) {
    return static_cast<int64_t>(w.height) * w.ry / 1200;
}

int GrayRowPadding(const Profile& p) {
    return IsGeneration4(p) ? 0 : 9;
}

namespace {

std::array<int64_t, 4> CameraUnits(const Profile& p, const WindowParams& w) {
    const int64_t rx = EffectiveResolutionX(p, w.rx);
    const int64_t pixels = WindowPixels(p, w);
    const int n = std::clamp(p.cameras, 1, 4);
    int64_t first[5];
    for (int k = 0; k < n; ++k) {
        // The first pixel whose centre lies at or right of the camera's left edge.
        int64_t edge = static_cast<int64_t>(p.maxScanWidth) * k / n;
        int64_t c = CeilDiv(2 * rx * (edge - static_cast<int64_t>(w.xOffset)) - 1200, 2400);
        first[k] = k == 0 ? 0 : std::clamp<int64_t>(c, 0, pixels);
    }
    first[n] = pixels;
    const int64_t unit = w.kind == Kind::Rgb ? 3 : 1;
    std::array<int64_t, 4> units{};
    bool padded = w.kind != Kind::Gray || GrayRowPadding(p) == 0;
    for (int k = 0; k < n; ++k) {
        units[k] = (first[k + 1] - first[k]) * unit;
        if (!padded && (units[k] > 0 || k == n - 1)) {
            units[k] += GrayRowPadding(p);
            padded = true;
        }
    }
    return units;
}

} // namespace

std::array<uint16_t, 4> CameraWidths(const Profile& p, const WindowParams& w) {
    std::array<uint16_t, 4> widths{};
    const auto units = CameraUnits(p, w);
    for (size_t k = 0; k < units.size(); ++k)
        widths[k] = static_cast<uint16_t>(std::min<int64_t>(units[k], 65535));
    return widths;
}

int64_t SheetLeftEdge(const Profile& p, const Sheet& sheet, bool centred) {
    if (!centred)
        return 0;
    return FloorDiv(static_cast<int64_t>(p.maxScanWidth) * sheet.Dpi() -
                        static_cast<int64_t>(sheet.Width()) * 1200,
                    2 * static_cast<int64_t>(sheet.Dpi()));
}

size_t MaxEncodedRow(size_t pixels) {
    // Worst case: alternating colours, one byte per pixel, plus the end byte.
    return pixels + 1;
}

size_t EncodeRuns(const uint8_t* black, size_t pixels, uint8_t* out) {
    size_t n = 0, i = 0;
    while (i < pixels) {
        const uint8_t colour = black[i];
        size_t run = 1;
        while (i + run < pixels && black[i + run] == colour)
            ++run;
        i += run;
        while (run > 0) {
            size_t part = std::min<size_t>(run, 127);
            out[n++] = static_cast<uint8_t>(part | (colour ? 0x00 : 0x80));
            run -= part;
        }
    }
    out[n++] = 0;
    return n;
}

ToneMaps IdentityTone() {
    ToneMaps maps;
    for (auto& map : maps)
        for (int v = 0; v < 256; ++v)
            map[v] = static_cast<uint8_t>(v);
    return maps;
}

ToneMaps ToneFromTable(const std::vector<uint8_t>& table, uint32_t entries) {
    if (entries == 0 || table.size() < 3 * static_cast<size_t>(entries))
        return IdentityTone();
    ToneMaps maps;
    for (size_t c = 0; c < 3; ++c)
        for (uint32_t v = 0; v < 256; ++v)
            maps[c][v] = table[c * entries + v * entries / 256];
    return maps;
}

ImageFormer::ImageFormer(const Profile& profile, const WindowParams& window, SheetPtr sheet, bool centred,
                         bool fullWindow, const ToneMaps& tone)
    : kind_(window.kind), sheet_(std::move(sheet)), tone_(tone) {
    toneIdentity_ = tone_ == IdentityTone();
    const int64_t rx = EffectiveResolutionX(profile, window.rx);
    pixels_ = WindowPixels(profile, window);
    if (kind_ == Kind::BwThreshold)
        threshold_ = window.threshold;
    bytesPerPixel_ = kind_ == Kind::Rgb ? 3 : 1;
    if (kind_ == Kind::Gray)
        padding_ = GrayRowPadding(profile);
    fixedRowBytes_ = (kind_ == Kind::Gray || kind_ == Kind::Rgb) ? pixels_ * bytesPerPixel_ + padding_ : 0;
    yOffset_ = window.yOffset;
    ry_ = window.ry;
    const int64_t sheetWidth = sheet_ ? sheet_->Width() : 0;
    dpi_ = sheet_ ? sheet_->Dpi() : 1;
    const int64_t left = sheet_ ? SheetLeftEdge(profile, *sheet_, centred) : 0;
    whiteIndex_ = static_cast<uint32_t>(sheetWidth);

    // Column map folded into runs of consecutive source pixels; index sheetWidth is white.
    for (int64_t c = 0; c < pixels_; ++c) {
        int64_t src =
            sheet_ ? FloorDiv((2 * (window.xOffset - left) * rx + (2 * c + 1) * 1200) * dpi_, 2400 * rx) : 0;
        if (src < 0 || src >= sheetWidth)
            src = sheetWidth;
        auto s = static_cast<uint32_t>(src);
        columns_.push_back(s);
        if (!segments_.empty()) {
            Segment& last = segments_.back();
            const bool white = s == sheetWidth && last.src == s;
            if (white || (s == last.src + last.length && s != sheetWidth)) {
                ++last.length;
                continue;
            }
        }
        segments_.push_back({static_cast<uint32_t>(c), s, 1});
    }
    sourceRgb_.resize(static_cast<size_t>(sheetWidth + 1) * 3);
    processed_.resize(static_cast<size_t>(sheetWidth + 1) * bytesPerPixel_);

    rows_ = WindowRows(window);
    if (sheet_ && !fullWindow) {
        // The device stops at the sheet's trailing edge.
        int64_t lo = 0, hi = rows_;
        while (lo < hi) {
            int64_t mid = lo + (hi - lo) / 2;
            if (SourceRow(mid) >= sheet_->Height())
                hi = mid;
            else
                lo = mid + 1;
        }
        rows_ = lo;
    }
    if (kind_ == Kind::BwThreshold || kind_ == Kind::BwMidpoint) {
        bitmap_.resize(static_cast<size_t>(pixels_));
        encoded_.resize(MaxEncodedRow(static_cast<size_t>(pixels_)));
    } else {
        previousRow_.resize(fixedRowBytes_);
    }
}

size_t ImageFormer::LargestRow() const {
    return fixedRowBytes_ ? fixedRowBytes_ : MaxEncodedRow(static_cast<size_t>(pixels_));
}

int64_t ImageFormer::RowKey(int64_t sourceRow) const {
    if (!sheet_ || sourceRow < 0 || sourceRow >= sheet_->Height())
        return INT64_MIN;
    return sheet_->RowKey(static_cast<int>(sourceRow));
}

int64_t ImageFormer::SourceRow(int64_t row) const {
    if (!sheet_)
        return -1;
    return FloorDiv((2 * yOffset_ * ry_ + (2 * row + 1) * 1200) * dpi_, 2400 * ry_);
}

const uint8_t* ImageFormer::ProcessedRow(int64_t sourceRow) {
    const int64_t key = RowKey(sourceRow);
    if (key == processedKey_)
        return processed_.data();
    processedKey_ = key;
    const int64_t width = sheet_ ? sheet_->Width() : 0;
    const bool onSheet = sheet_ && sourceRow >= 0 && sourceRow < sheet_->Height();
    uint8_t* out = processed_.data();
    if (kind_ != Kind::Rgb && onSheet && sheet_->GrayRow(static_cast<int>(sourceRow), out)) {
        out[width] = 255;
        MapGray(static_cast<size_t>(width) + 1);
        return out;
    }
    if (onSheet)
        sheet_->Row(static_cast<int>(sourceRow), sourceRgb_.data());
    else
        std::memset(sourceRgb_.data(), 255, static_cast<size_t>(width) * 3);
    std::memset(sourceRgb_.data() + width * 3, 255, 3);
    const uint8_t* in = sourceRgb_.data();
    // One tight loop per kind: this runs once for every new source row.
    if (kind_ == Kind::Rgb) {
        const auto &t0 = tone_[0], &t1 = tone_[1], &t2 = tone_[2];
        for (int64_t i = 0; i <= 3 * width; i += 3) {
            out[i] = t0[in[i]];
            out[i + 1] = t1[in[i + 1]];
            out[i + 2] = t2[in[i + 2]];
        }
    } else {
        for (int64_t x = 0; x <= width; ++x)
            out[x] = Gray(in + 3 * x);
        MapGray(static_cast<size_t>(width) + 1);
    }
    return out;
}

void ImageFormer::MapGray(size_t count) {
    uint8_t* out = processed_.data();
    const auto& t0 = tone_[0];
    if (kind_ == Kind::Gray) {
        if (!toneIdentity_)
            for (size_t x = 0; x < count; ++x)
                out[x] = t0[out[x]];
        return;
    }
    for (size_t x = 0; x < count; ++x)
        out[x] = t0[out[x]] < threshold_ ? 1 : 0;
}

void ImageFormer::FormRow(const uint8_t* processed, uint8_t* out) const {
    const size_t b = bytesPerPixel_;
    if (segments_.size() * 8 > columns_.size()) {
        // Short runs (enlarging or thinning): a plain gather is quicker than copies.
        const uint32_t* column = columns_.data();
        const size_t n = columns_.size();
        if (b == 1) {
            for (size_t i = 0; i < n; ++i)
                out[i] = processed[column[i]];
        } else {
            for (size_t i = 0; i < n; ++i) {
                const uint8_t* from = processed + 3 * static_cast<size_t>(column[i]);
                out[3 * i] = from[0];
                out[3 * i + 1] = from[1];
                out[3 * i + 2] = from[2];
            }
        }
        if (padding_)
            std::memset(out + pixels_ * b, 255, static_cast<size_t>(padding_));
        return;
    }
    for (const Segment& s : segments_) {
        if (s.src == whiteIndex_) {
            for (uint32_t i = 0; i < s.length; ++i)
                std::memcpy(out + (s.out + i) * b, processed + s.src * b, b);
        } else if (s.length == 1) {
            std::memcpy(out + s.out * b, processed + s.src * b, b);
        } else {
            std::memcpy(out + s.out * b, processed + static_cast<size_t>(s.src) * b, s.length * b);
        }
    }
    if (padding_)
        std::memset(out + pixels_ * b, 255, static_cast<size_t>(padding_));
}

size_t ImageFormer::Fill(int64_t& row, int64_t rowLimit, uint8_t* out, size_t capacity) {
    size_t written = 0;
    const uint8_t* lastWritten = nullptr;
    const int64_t end = std::min(rows_, rowLimit);
    if (fixedRowBytes_ == 0) {
        while (row < end) {
            const int64_t source = SourceRow(row);
            if (RowKey(source) != encodedKey_) {
                FormRow(ProcessedRow(source), bitmap_.data());
                encodedSize_ = EncodeRuns(bitmap_.data(), bitmap_.size(), encoded_.data());
                encodedKey_ = RowKey(source);
            }
            if (written + encodedSize_ > capacity)
                break;
            std::memcpy(out + written, encoded_.data(), encodedSize_);
            written += encodedSize_;
            ++row;
        }
        return written;
    }
    while (row < end && written + fixedRowBytes_ <= capacity) {
        const int64_t source = SourceRow(row), key = RowKey(source);
        uint8_t* dst = out + written;
        if (key == previousKey_)
            std::memcpy(dst, lastWritten ? lastWritten : previousRow_.data(), fixedRowBytes_);
        else
            FormRow(ProcessedRow(source), dst);
        previousKey_ = key;
        lastWritten = dst;
        written += fixedRowBytes_;
        ++row;
    }
    if (lastWritten)
        std::memcpy(previousRow_.data(), lastWritten, fixedRowBytes_);
    return written;
}

} // namespace qv::sim
