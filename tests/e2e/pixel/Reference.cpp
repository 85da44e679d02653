#include "tests/e2e/pixel/Reference.h"

#include <algorithm>
#include <cmath>

namespace qv::e2e {

namespace {

int64_t FloorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

uint32_t Be(const std::vector<uint8_t>& b, size_t at, size_t bytes) {
    uint32_t v = 0;
    for (size_t i = 0; i < bytes; ++i)
        v = v << 8 | b[at + i];
    return v;
}

// Runs of one colour, white with bit 7, at most 127 pixels a byte; a zero byte ends the row.
void EncodeRow(const std::vector<uint8_t>& black, std::vector<uint8_t>& out) {
    for (size_t c = 0; c < black.size();) {
        size_t run = 1;
        while (c + run < black.size() && black[c + run] == black[c])
            ++run;
        for (size_t left = run; left > 0;) {
            const size_t piece = std::min<size_t>(left, 127);
            out.push_back(uint8_t(piece | (black[c] ? 0 : 0x80)));
            left -= piece;
        }
        c += run;
    }
    out.push_back(0);
}

// Run-length rows into packed rows of `rowBytes`; `ratio` above 0 repeats every ratio-th
// pixel of a row.
std::vector<uint8_t> DecodeRows(const uint8_t* code, size_t size, int32_t ratio, size_t rowBytes) {
    std::vector<uint8_t> out;
    std::vector<uint8_t> row(rowBytes, 0);
    size_t bit = 0;
    int32_t counted = 0;
    auto put = [&](bool black) {
        if (black && bit < rowBytes * 8)
            row[bit / 8] |= uint8_t(0x80 >> (bit % 8));
        ++bit;
    };
    for (size_t i = 0; i < size; ++i) {
        if (code[i] == 0) {
            out.insert(out.end(), row.begin(), row.end());
            std::fill(row.begin(), row.end(), 0);
            bit = 0;
            counted = 0;
            continue;
        }
        const bool black = (code[i] & 0x80) == 0;
        for (int n = 0; n < (code[i] & 0x7F); ++n) {
            put(black);
            if (ratio > 0 && ++counted == ratio) {
                put(black);
                counted = 0;
            }
        }
    }
    return out;
}

struct MarkLayout {
    int64_t step;       // one mark position
    int64_t rowLength;  // the block's rows, as the marks count them
    int64_t bound;      // right of a seam nothing at or past bound x (chunk rows - 1)
    int64_t seamShift;  // seams lie this far from the camera edges
    int64_t unitLength; // bytes a position paints; 0 for a bit
};

// Marks for image rows first..first+chunk-1 on the chunk's rows, which start at `at`.
void PaintMarks(std::vector<uint8_t>& block, size_t at, const std::array<int64_t, 4>& cameras,
                const MarkLayout& m, int32_t first, int32_t chunk, Mode mode) {
    auto paint = [&](int64_t pos) {
        if (m.unitLength == 0) {
            const int64_t byte = int64_t(at) + pos / 8;
            if (byte < int64_t(block.size()))
                block[size_t(byte)] ^= uint8_t(0x80 >> (pos % 8));
            return;
        }
        const int64_t byte = int64_t(at) + pos;
        if (byte + m.unitLength > int64_t(block.size()))
            return;
        if (mode == Mode::Rgb) {
            block[size_t(byte)] = 255;
            block[size_t(byte) + 1] = 0;
            block[size_t(byte) + 2] = 0;
        } else {
            block[size_t(byte)] = uint8_t(255 - block[size_t(byte)]);
        }
    };
    std::vector<int64_t> seams;
    int64_t edge = 0;
    for (int k = 0; k < 3; ++k) {
        edge += cameras[size_t(k)];
        if (cameras[size_t(k)] >= 1 && cameras[size_t(k) + 1] >= 1)
            seams.push_back(edge + m.seamShift);
    }
    const int64_t rightEnd = m.bound * (chunk - 1);
    for (int32_t i = 0; i < chunk && first + i < 40; ++i)
        for (int64_t seam : seams)
            for (int64_t j = 0; j < 40 - (first + i); ++j) {
                const int64_t right = i * m.rowLength + seam + j * m.step;
                const int64_t left = i * m.rowLength + seam - (j + 1) * m.step;
                if (right < rightEnd)
                    paint(right);
                if (left >= 0)
                    paint(left);
            }
}

// `cols` samples of one plane, `outStep` apart in `out`, from a source row of `width` bytes:
// samples `step` apart from `start`; with a ratio, after every ratio-th sample the mean of it
// and the next, except that one landing on the last column is a copy.
void CopyRow(const uint8_t* src, int64_t width, int64_t start, int64_t step, int32_t ratio, int32_t cols,
             uint8_t* out, size_t outStep) {
    auto at = [&](int64_t s) { return s < width ? src[s] : uint8_t(255); };
    int32_t i = 0;
    for (int64_t n = 0; i < cols; ++n) {
        const int64_t s = start + n * step;
        out[size_t(i++) * outStep] = at(s);
        if (ratio > 0 && (n + 1) % ratio == 0 && i < cols) {
            const uint8_t next = s + step < width ? src[s + step] : at(s);
            out[size_t(i) * outStep] = i == cols - 1 ? at(s) : uint8_t((at(s) + next) / 2);
            ++i;
        }
    }
}

} // namespace

size_t Image::RowBytes() const {
    return kind == '4' ? size_t(width + 7) / 8 : size_t(width) * size_t(Channels());
}

int Image::Sample(int32_t x, int32_t y, int channel) const {
    const uint8_t* row = &pixels[size_t(y) * RowBytes()];
    if (kind == '4')
        return (row[x / 8] >> (7 - x % 8)) & 1;
    return row[size_t(x) * size_t(Channels()) + size_t(channel)];
}

Image WhiteImage(char kind, int32_t width, int32_t height) {
    Image image{kind, width, height, {}};
    image.pixels.assign(image.RowBytes() * size_t(height), kind == '4' ? 0 : 255);
    return image;
}

std::string FirstDifference(const Image& expected, const Image& actual) {
    auto shape = [](const Image& i) {
        std::string text = "P";
        text += i.kind;
        return text + " " + std::to_string(i.width) + " x " + std::to_string(i.height);
    };
    if (expected.kind != actual.kind || expected.width != actual.width || expected.height != actual.height)
        return "expected " + shape(expected) + ", found " + shape(actual);
    if (actual.pixels.size() != actual.RowBytes() * size_t(actual.height))
        return "found pixels that do not fill " + shape(actual);
    const size_t rowBytes = expected.RowBytes();
    for (int32_t y = 0; y < expected.height; ++y) {
        const auto row = expected.pixels.begin() + int64_t(size_t(y) * rowBytes);
        if (std::equal(row, row + int64_t(rowBytes), actual.pixels.begin() + int64_t(size_t(y) * rowBytes)))
            continue;
        for (int32_t x = 0; x < expected.width; ++x)
            for (int c = 0; c < expected.Channels(); ++c)
                if (expected.Sample(x, y, c) != actual.Sample(x, y, c))
                    return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") channel " +
                           std::to_string(c) + ": expected " + std::to_string(expected.Sample(x, y, c)) +
                           ", found " + std::to_string(actual.Sample(x, y, c));
    }
    return {};
}

SheetPixels DrawChart(const Sheet& sheet) {
    SheetPixels p;
    p.width = int64_t(std::floor(sheet.width * sheet.dpi));
    p.height = int64_t(std::floor(sheet.height * sheet.dpi));
    p.rgb.resize(size_t(p.width * p.height * 3));
    static const uint8_t bars[8][3] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                                       {255, 0, 255},   {255, 0, 0},   {0, 0, 255},   {0, 0, 0}};
    const int64_t W = p.width, H = p.height;
    const int64_t s = std::max<int64_t>(2, sheet.dpi / 2), t = std::max<int64_t>(1, sheet.dpi / 100);
    for (int64_t y = 0; y < H; ++y)
        for (int64_t x = 0; x < W; ++x) {
            uint8_t* px = &p.rgb[size_t((y * W + x) * 3)];
            uint8_t rgb[3] = {255, 255, 255};
            if (sheet.chart == "gray-ramp") {
                int v = int(256 * x / W);
                if ((16 * y / H) % 2 == 1)
                    v = 255 - v;
                rgb[0] = rgb[1] = rgb[2] = uint8_t(v);
            } else if (sheet.chart == "color-bars") {
                int64_t bar = 8 * x / W;
                if (4 * y / H == 3)
                    bar = 7 - bar;
                std::copy(bars[bar], bars[bar] + 3, rgb);
            } else if (sheet.chart == "line-pairs") {
                const int64_t period = 2 * (8 * x / W + 1);
                const bool black = 2 * y < H ? x % period < period / 2 : y % period < period / 2;
                if (black)
                    rgb[0] = rgb[1] = rgb[2] = 0;
            } else if (sheet.chart == "grid") {
                if (x % s < t || y % s < t) {
                    rgb[0] = rgb[1] = rgb[2] = 0;
                } else if ((x / s + y / s) % 2 == 1) {
                    rgb[1] = 224;
                    rgb[2] = 192;
                }
            }
            std::copy(rgb, rgb + 3, px);
        }
    return p;
}

bool ReadWindow(const std::vector<uint8_t>& b, const Device& device, Window& w) {
    if (b.size() < 34 || (device.generation < 5 && b.size() < 67))
        return false;
    w.rx = int32_t(Be(b, 10, 2));
    w.ry = int32_t(Be(b, 12, 2));
    w.x = Be(b, 14, 4);
    w.y = Be(b, 18, 4);
    w.width = Be(b, 22, 4);
    w.height = Be(b, 26, 4);
    w.threshold = b[31];
    w.composition = b[33];
    if (device.generation < 5)
        w.thresholdRule = b[66] == 3 && b[51] == 0 && b[34] == 1;
    else
        w.thresholdRule = b.size() > 72 ? b[72] == 0 : b[31] != 0;
    return true;
}

DeviceRows FormRows(const Device& device, const Sheet& sheet, const Window& w,
                    const std::vector<uint8_t>& gamma) {
    const SheetPixels page = DrawChart(sheet);
    DeviceRows out;
    out.mode = w.composition == 5 ? Mode::Rgb : w.composition == 2 ? Mode::Gray : Mode::Bitmap;
    const int64_t rx =
        device.generation >= 5 && device.deviceClass == 3 && device.color && w.rx > 780 ? 780 : w.rx;
    const int64_t ry = w.ry, dpi = sheet.dpi;
    out.pixels = w.width * rx / 1200;
    const int64_t windowRows = w.height * ry / 1200;
    auto sy = [&](int64_t r) { return FloorDiv((2 * w.y * ry + (2 * r + 1) * 1200) * dpi, 2400 * ry); };
    while (out.rows < windowRows && sy(out.rows) < page.height)
        ++out.rows;

    const size_t n = gamma.size() / 3;
    auto tone = [&](int channel, int v) {
        return n == 0 ? v : int(gamma[size_t(channel) * n + size_t(v) * n / 256]);
    };

    // Cameras by the centres of the window's pixels.
    std::vector<int> cameraOf(size_t(out.pixels));
    std::array<int64_t, 4> count{};
    for (int64_t c = 0; c < out.pixels; ++c) {
        int k = 0;
        while (k + 1 < device.cameras &&
               2 * w.x * rx + (2 * c + 1) * 1200 >= 2 * rx * ((k + 1) * device.maxScanWidth / device.cameras))
            ++k;
        cameraOf[size_t(c)] = k;
        ++count[size_t(k)];
    }
    const int64_t unit = out.mode == Mode::Rgb ? 3 : 1;
    bool quirkCounted = false;
    for (size_t k = 0; k < 4; ++k) {
        out.cameras[k] = count[k] * unit;
        if (out.mode == Mode::Gray && device.generation >= 5 && count[k] > 0 && !quirkCounted) {
            out.cameras[k] += 9;
            quirkCounted = true;
        }
        out.cameras[k] = std::min<int64_t>(out.cameras[k], 65535);
    }

    std::vector<int64_t> sx(size_t(out.pixels));
    for (int64_t c = 0; c < out.pixels; ++c)
        sx[size_t(c)] = FloorDiv((2 * w.x * rx + (2 * c + 1) * 1200) * dpi, 2400 * rx);
    std::vector<uint8_t> black(size_t(out.pixels));
    if (out.mode != Mode::Bitmap)
        out.bytes.reserve(size_t(out.rows * (out.pixels * unit + 9)));
    for (int64_t r = 0; r < out.rows; ++r) {
        const int64_t y = sy(r);
        const size_t start = out.bytes.size();
        if (r > 0 && y == sy(r - 1)) {
            // The same sheet row again.
            const size_t previous = r > 1 ? out.rowEnds[size_t(r) - 2] : 0;
            out.bytes.resize(start + (start - previous));
            std::copy(out.bytes.begin() + int64_t(previous), out.bytes.begin() + int64_t(start),
                      out.bytes.begin() + int64_t(start));
            out.rowEnds.push_back(out.bytes.size());
            continue;
        }
        for (int64_t c = 0; c < out.pixels; ++c) {
            const int64_t x = sx[size_t(c)];
            static const uint8_t white[3] = {255, 255, 255};
            const uint8_t* px = x >= 0 && x < page.width && y >= 0 && y < page.height ? page.At(x, y) : white;
            if (out.mode == Mode::Rgb) {
                for (int k = 0; k < 3; ++k)
                    out.bytes.push_back(uint8_t(tone(k, px[k])));
                continue;
            }
            const int g = tone(0, (299 * px[0] + 587 * px[1] + 114 * px[2] + 500) / 1000);
            if (out.mode == Mode::Gray)
                out.bytes.push_back(uint8_t(g));
            else
                black[size_t(c)] = g < (w.thresholdRule ? w.threshold : 128);
        }
        if (out.mode == Mode::Bitmap)
            EncodeRow(black, out.bytes);
        else if (out.mode == Mode::Gray && device.generation >= 5)
            out.bytes.insert(out.bytes.end(), 9, 255);
        out.rowEnds.push_back(out.bytes.size());
    }
    return out;
}

int32_t StripRows(int32_t freeSpace, int32_t rowBytes, int32_t rows) {
    const int32_t free = freeSpace / rowBytes - 300;
    return std::clamp(free > 300 ? 300 : free, 1, std::max(rows, 1));
}

Image Document(const Device& device, const Window& window, const DeviceRows& scan, const Transfer& t,
               std::string& error) {
    const char kind = scan.mode == Mode::Rgb ? '6' : scan.mode == Mode::Gray ? '5' : '4';
    Image doc = WhiteImage(kind, t.cols, t.rows);
    const bool gen5 = device.generation >= 5;

    int32_t ratio = 0;
    if (gen5 && device.deviceClass == 3 && device.color && t.dpi > 780) {
        const int64_t base = int64_t(t.cols) * 780 / t.dpi;
        if (t.cols > base && base / (t.cols - base) >= 1)
            ratio = int32_t(base / (t.cols - base));
    }
    // Rows stretched by num / den.
    const bool stretched = window.ry > 0 && t.dpi > window.ry;
    const int64_t num = stretched ? t.dpi : 1, den = stretched ? window.ry : 1;

    const int64_t P = scan.pixels;
    const int64_t rowWidth = scan.mode == Mode::Rgb    ? 3 * P
                             : scan.mode == Mode::Gray ? P + (gen5 ? 9 : 0)
                                                       : (P + (ratio > 0 ? P / ratio : 0) + 7) / 8;
    int64_t rawWidth = 0;
    for (int64_t c : scan.cameras)
        rawWidth += c;
    MarkLayout marks{1, rowWidth, rowWidth, 0, 1};
    if (scan.mode == Mode::Rgb)
        marks = {3, rawWidth, rawWidth, 0, 3};
    else if (scan.mode == Mode::Gray && gen5)
        marks = {1, rawWidth, rawWidth + 9, -9, 1};
    else if (scan.mode == Mode::Bitmap)
        marks = {1, rowWidth * 8, rowWidth * 8, 0, 0};

    const int64_t limit = std::max<int64_t>(1, std::min<int64_t>(300, t.stripRows) * den / num);
    size_t consumed = 0;
    // Image row r shows source row r * den / num: the first n source rows make ceil(n * num /
    // den) image rows, wherever a block or chunk ends.
    const auto imageRows = [&](int64_t n) { return (n * num + den - 1) / den; };
    int64_t sourceDone = 0;
    int32_t rowsDone = 0;
    for (int64_t received : t.received) {
        if (received <= 0)
            continue;
        if (consumed + size_t(received) > scan.bytes.size()) {
            error = "the reads received more bytes than the device's rows hold";
            return doc;
        }
        std::vector<uint8_t> block(scan.bytes.begin() + int64_t(consumed),
                                   scan.bytes.begin() + int64_t(consumed + size_t(received)));
        consumed += size_t(received);
        if (scan.mode == Mode::Bitmap)
            block = DecodeRows(block.data(), block.size(), ratio, size_t(rowWidth));
        const int64_t wanted = t.rows > 0 ? (int64_t(t.rows) - 1) * den / num + 1 - sourceDone : 0;
        const int64_t rows =
            std::clamp<int64_t>(int64_t(block.size()) / rowWidth, 0, std::max<int64_t>(wanted, 0));
        for (int64_t remaining = rows; remaining > 0;) {
            const int64_t chunk = std::min(remaining, limit);
            const int64_t first = rows - remaining;
            remaining -= chunk;
            const int32_t top = rowsDone;
            const int32_t bottom = int32_t(std::min<int64_t>(imageRows(sourceDone + chunk), t.rows));
            if (t.stitch && gen5 && rowsDone < 40)
                PaintMarks(block, size_t(first * rowWidth), scan.cameras, marks, rowsDone, int32_t(chunk),
                           scan.mode);
            for (int32_t row = top; row < bottom; ++row) {
                const uint8_t* src =
                    &block[size_t((first + int64_t(row) * den / num - sourceDone) * rowWidth)];
                uint8_t* dst = &doc.pixels[size_t(row) * doc.RowBytes()];
                if (scan.mode == Mode::Bitmap) {
                    std::copy(src, src + doc.RowBytes(), dst);
                    continue;
                }
                const int planes = scan.mode == Mode::Rgb ? 3 : 1;
                for (int p = 0; p < planes; ++p)
                    CopyRow(src, rowWidth, p, planes, ratio, t.cols, dst + p, size_t(planes));
            }
            sourceDone += chunk;
            rowsDone = int32_t(imageRows(sourceDone));
        }
    }
    return doc;
}

int64_t RowsIn(const DeviceRows& scan, int64_t bytes) {
    if (bytes == 0)
        return 0;
    const auto end = std::find(scan.rowEnds.begin(), scan.rowEnds.end(), size_t(bytes));
    return end == scan.rowEnds.end() ? -1 : int64_t(end - scan.rowEnds.begin()) + 1;
}

} // namespace qv::e2e
