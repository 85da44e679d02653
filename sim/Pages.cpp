#include "sim/Pages.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace qv::sim {

namespace {

void PutDigits(uint8_t* at, int value) {
    for (int i = 3; i >= 0; --i) {
        at[i] = static_cast<uint8_t>('0' + value % 10);
        value /= 10;
    }
}

void PutText(uint8_t* at, const std::string& text, size_t width) {
    std::memset(at, ' ', width);
    std::memcpy(at, text.data(), std::min(width, text.size()));
}

// Fields are laid out in a page of full size, then the page is cut to its length.
std::vector<uint8_t> Cut(std::vector<uint8_t> full, uint8_t code, int length) {
    full.resize(std::max<size_t>(full.size(), static_cast<size_t>(length)), 0);
    full[0] = 0x06;
    full[1] = code;
    full[2] = 0;
    full[3] = static_cast<uint8_t>(length - 4);
    full.resize(static_cast<size_t>(length));
    return full;
}

} // namespace

void PutBe16(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value >> 8);
    at[1] = static_cast<uint8_t>(value);
}

void PutBe32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

std::vector<uint8_t> BuildInquiry(const Profile& p) {
    std::vector<uint8_t> d(kInquiryLength, 0);
    d[0] = 0x06; // scanner device
    d[2] = 0x02;
    d[3] = 0x02;
    d[4] = kInquiryLength - 5;
    PutText(&d[8], p.vendor, 8);
    PutText(&d[16], p.product, 16);
    PutDigits(&d[32], p.firmwareRevision);
    return d;
}

std::vector<uint8_t> BuildPage(const Profile& p, uint8_t code) {
    std::vector<uint8_t> d(256, 0);
    switch (code) {
    case 0xC0: {
        PutDigits(&d[28], p.executableRevision);
        PutText(&d[36], p.releaseDate, 16);
        int g = p.generation;
        for (int i = 3; i >= 0; --i, g /= 10)
            d[60 + i] = static_cast<uint8_t>(g % 10);
        PutDigits(&d[72], p.fpgaRevision);
        break;
    }
    case 0xC1:
        d[8] = p.color ? 1 : 0;
        d[12] = p.reducedRange ? 1 : 0;
        d[19] = p.scannerClass;
        PutBe32(&d[24], p.bufferSize);
        PutBe32(&d[28], p.maxScanWidth);
        d[50] = p.gen4ColorAccepted ? 1 : 0;
        PutBe32(&d[51], p.bwModes);
        d[55] = static_cast<uint8_t>(p.sharpenMin);
        d[56] = p.sharpenMax;
        d[66] = static_cast<uint8_t>(p.windowLength);
        break;
    case 0xC2:
        PutBe32(&d[36], p.bwModesLimited);
        PutBe32(&d[40], p.reducedMin);
        PutBe32(&d[44], p.reducedMax);
        PutBe32(&d[52], p.maxY);
        break;
    case 0xC3:
        PutBe32(&d[4], static_cast<uint32_t>(p.resolutions.size()));
        for (size_t i = 0; i < p.resolutions.size() && 16 + 4 * i <= d.size(); ++i)
            PutBe32(&d[12 + 4 * i], p.resolutions[i]);
        break;
    case 0xC4:
        PutBe32(&d[36], p.gammaLength);
        break;
    default:
        return {};
    }
    return Cut(std::move(d), code, p.PageLength(code - kFirstPage));
}

std::vector<uint8_t> BuildColorMatrixBuffer(const Profile& p) {
    std::vector<uint8_t> d(54, 0);
    for (size_t e = 0; e < 3; ++e)
        for (size_t i = 0; i < 9; ++i)
            PutBe16(&d[18 * e + 2 * i], static_cast<uint16_t>(p.colorMatrix[e][i]));
    return d;
}

} // namespace qv::sim
