// Test-side helpers: window blocks built from the documented layout, an expected-image
// computation written per pixel, a run-length decoder and a scripted session.
#pragma once

#include "sim/SimulatedLibrary.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace qv::sim::test {

struct Area {
    uint32_t rx = 200, ry = 200, x = 0, y = 0, w = 1200, h = 1200;
};

inline void Be(std::vector<uint8_t>& b, size_t at, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * (bytes - 1 - i)));
}

// The block a module sends for `mode` (1..8 B/W, 9 gray, 10 RGB).
inline std::vector<uint8_t> WindowBlock(int generation, int length, int mode, const Area& a,
                                        uint8_t threshold = 128, uint8_t level = 0, uint8_t colorSpace = 1) {
    std::vector<uint8_t> b(static_cast<size_t>(length), 0);
    b[7] = static_cast<uint8_t>(generation == 4 ? 63 : length - 8);
    Be(b, 10, a.rx, 2);
    Be(b, 12, a.ry, 2);
    Be(b, 14, a.x, 4);
    Be(b, 18, a.y, 4);
    Be(b, 22, a.w, 4);
    Be(b, 26, a.h, 4);
    Be(b, 52, 300, 4);
    auto set = [&](size_t at, uint8_t v) {
        if (at < b.size())
            b[at] = v;
    };
    const bool gen4Plain = generation == 4 && mode >= 5 && mode <= 8;
    if (!gen4Plain) {
        set(31, mode == 1 ? threshold : 0);
        set(33, mode == 10 ? 5 : mode == 9 ? 2 : 0);
        set(34, mode == 10 ? 24 : mode == 9 ? 8 : 1);
        set(40, mode <= 8 ? 0x80 : 0);
        set(60, mode == 10 ? 4 : 0);
    }
    if (generation == 4) {
        if (mode >= 1 && mode <= 4) {
            set(51, mode == 1 ? 0 : 1);
            set(65, mode == 1 ? 0 : static_cast<uint8_t>(level + 10 * (mode - 2)));
            set(66, 3);
        }
    } else {
        if (mode <= 9)
            set(72, mode <= 8 ? static_cast<uint8_t>(mode - 1) : 0);
        if (mode >= 2 && mode <= 8)
            set(73, level);
        if (mode == 10 && length - 8 >= 68)
            set(76, colorSpace);
    }
    return b;
}

inline int64_t FloorDivide(int64_t n, int64_t d) {
    return n >= 0 ? n / d : -((-n + d - 1) / d);
}

// The source pixel sampled by output column c / row r, or -1 outside the sheet.
inline int64_t SampleIndex(int64_t offset1200, int64_t edge1200, int64_t res, int64_t index, int64_t dpi,
                           int64_t size) {
    // x in inches = offset/1200 + (index + 0.5)/res - edge/1200, times dpi, floored.
    int64_t s = FloorDivide((2 * (offset1200 - edge1200) * res + (2 * index + 1) * 1200) * dpi, 2400 * res);
    return s >= 0 && s < size ? s : -1;
}

// Expected RGB pixels (before tone and mode) of a window over a sheet.
inline std::vector<uint8_t> ExpectedRgb(const Sheet& sheet, int64_t edge1200, const Area& a, int64_t cols,
                                        int64_t rows) {
    std::vector<uint8_t> out(static_cast<size_t>(cols * rows * 3), 255);
    std::vector<uint8_t> row(static_cast<size_t>(sheet.Width()) * 3);
    for (int64_t r = 0; r < rows; ++r) {
        int64_t sy = SampleIndex(a.y, 0, a.ry, r, sheet.Dpi(), sheet.Height());
        if (sy < 0)
            continue;
        sheet.Row(static_cast<int>(sy), row.data());
        for (int64_t c = 0; c < cols; ++c) {
            int64_t sx = SampleIndex(a.x, edge1200, a.rx, c, sheet.Dpi(), sheet.Width());
            if (sx >= 0)
                for (int k = 0; k < 3; ++k)
                    out[static_cast<size_t>((r * cols + c) * 3 + k)] = row[static_cast<size_t>(sx * 3 + k)];
        }
    }
    return out;
}

// Rows a window yields before the sheet's trailing edge.
inline int64_t DeliveredRows(const Sheet& sheet, const Area& a) {
    int64_t asked = int64_t{a.h} * a.ry / 1200, r = 0;
    while (r < asked && SampleIndex(a.y, 0, a.ry, r, sheet.Dpi(), sheet.Height()) >= 0)
        ++r;
    return r;
}

inline uint8_t GrayOf(const uint8_t* p) {
    return static_cast<uint8_t>((299 * p[0] + 587 * p[1] + 114 * p[2] + 500) / 1000);
}

// Rows of pixels (true = black) from run-length coded data; fails the test on a malformed code.
inline std::vector<std::vector<bool>> DecodeRuns(const std::vector<uint8_t>& data) {
    std::vector<std::vector<bool>> rows;
    std::vector<bool> row;
    for (uint8_t byte : data) {
        if (byte == 0) {
            rows.push_back(row);
            row.clear();
            continue;
        }
        EXPECT_NE(byte & 0x7F, 0) << "empty run";
        row.insert(row.end(), byte & 0x7F, (byte & 0x80) == 0);
    }
    EXPECT_TRUE(row.empty()) << "data ends inside a row";
    return rows;
}

inline uint32_t OpenFirst(SimulatedLibrary& lib) {
    uint32_t handle = 0, reserved = 0;
    EXPECT_EQ(lib.scanOpenLib(), 0);
    EXPECT_EQ(lib.scanGetNextScanner(&handle, &reserved, 1), 0);
    EXPECT_EQ(lib.scanOpenScanner(handle), 0);
    return handle;
}

inline std::vector<uint8_t> Status(SimulatedLibrary& lib, uint32_t h) {
    std::vector<uint8_t> block(kStatusBlockLength);
    int32_t got = 0;
    EXPECT_EQ(lib.scanRead(h, block.data(), static_cast<int32_t>(block.size()), 0x80, 0, &got), 0);
    EXPECT_EQ(got, 21);
    return block;
}

// Load, then move into the window, polling as each generation's module does.
inline void LoadAndPosition(SimulatedLibrary& lib, uint32_t h, int generation) {
    ASSERT_EQ(lib.scanObjectPosition(h, 1, 0), 0);
    int guard = 0;
    while (lib.scanTestUnitReady(h) == 2 && lib.scanGetLastAsc(h) == 0x3A82)
        ASSERT_LT(++guard, 1000);
    ASSERT_EQ(lib.scanObjectPosition(h, 2, 0), 0);
    if (generation == 4) {
        while (lib.scanTestUnitReady(h) == 2 && lib.scanGetLastAsc(h) == 0x3A83)
            ASSERT_LT(++guard, 1000);
    } else {
        while (Status(lib, h)[1] != '1')
            ASSERT_LT(++guard, 1000);
    }
}

// Reads image blocks of `chunk` bytes until the end of the medium.
inline std::vector<uint8_t> ReadAll(SimulatedLibrary& lib, uint32_t h, int32_t chunk,
                                    std::vector<int32_t>* sizes = nullptr) {
    std::vector<uint8_t> all, buffer(static_cast<size_t>(chunk));
    for (int i = 0; i < 1000000; ++i) {
        int32_t got = -1;
        int32_t status = lib.scanRead(h, buffer.data(), chunk, 0, 0, &got);
        if (status == 2 && lib.scanGetLastAsc(h) == 0x3B09) {
            EXPECT_EQ(got, 0);
            return all;
        }
        EXPECT_EQ(status, 0);
        if (status != 0)
            return all;
        EXPECT_LE(got, chunk);
        if (sizes)
            sizes->push_back(got);
        all.insert(all.end(), buffer.begin(), buffer.begin() + got);
    }
    ADD_FAILURE() << "no end of medium";
    return all;
}

inline DeviceSetup DeviceWith(const std::string& profile, SheetPtr sheet, bool centred = false) {
    DeviceSetup d;
    d.profile = BuiltInProfile(profile);
    if (sheet)
        d.sheets.push_back({std::move(sheet), centred, 0, false});
    return d;
}

inline Scenario OneDevice(DeviceSetup d) {
    Scenario s;
    s.devices.push_back(std::move(d));
    return s;
}

// Sets a window and starts a scan on a positioned device.
inline void StartScan(SimulatedLibrary& lib, uint32_t h, const Profile& p, int mode, const Area& a,
                      uint8_t threshold = 128) {
    int length = p.generation == 4 ? 71 : p.windowLength;
    auto block = WindowBlock(p.generation, length, mode, a, threshold);
    ASSERT_EQ(lib.scanSetWindow(h, block.data(), length), 0);
    LoadAndPosition(lib, h, p.generation);
    uint8_t list[2] = {};
    ASSERT_EQ(lib.scanScan(h, list, p.generation == 4 ? 2 : 1), 0);
}

} // namespace qv::sim::test
