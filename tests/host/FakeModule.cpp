#include "FakeModule.h"

#include <algorithm>
#include <cstring>

namespace fake {

namespace {

Config g_config;
std::vector<Seen> g_seen;
int g_scanned = 0;
OSErr g_lastAdvance = noErr;
int g_pieceRow = 0;

int32_t RowBytes(const Config& c) {
    return c.depth == 1 ? (c.cols + 7) / 8 : c.cols;
}

void FillStrip(char* p, int plane, int top, int rows, int32_t rowBytes) {
    for (int r = 0; r < rows; ++r)
        for (int32_t c = 0; c < rowBytes; ++c)
            p[r * rowBytes + c] = static_cast<char>(Pixel(plane, top + r, c));
}

void Describe(AcquireRecord* pb, char* p, int plane, int top, int rows, int32_t rowBytes) {
    const Config& c = g_config;
    pb->data = p;
    pb->theRect = {static_cast<int16_t>(top + c.rectShift), 0, static_cast<int16_t>(top + rows + c.rectShift),
                   c.cols};
    pb->loPlane = pb->hiPlane = static_cast<int16_t>(plane);
    pb->colBytes = 1;
    pb->rowBytes = rowBytes + c.extraRowBytes;
    pb->planeBytes = 0;
}

OSErr Continue(AcquireRecord* pb) {
    const Config& c = g_config;
    const int32_t rowBytes = RowBytes(c);
    if (c.pieceByRecord) {
        if (g_pieceRow >= c.rows * c.planes) {
            pb->data = nullptr;
            return noErr;
        }
        // The host copies the piece before it calls again.
        static std::vector<char> piece;
        int plane = g_pieceRow / c.rows;
        int top = g_pieceRow % c.rows;
        int rows = std::min(c.stripRows, c.rows - top);
        piece.assign(static_cast<size_t>(rowBytes * rows), 0);
        FillStrip(piece.data(), plane, top, rows, rowBytes);
        Describe(pb, piece.data(), plane, top, rows, rowBytes);
        g_pieceRow += rows;
        return noErr;
    }
    if (!pb->bufferProcs)
        return userCanceledErr;
    BufferID id = nullptr;
    OSErr err = pb->bufferProcs->allocateProc(rowBytes * c.stripRows, &id);
    if (err != noErr)
        return err;
    char* p = pb->bufferProcs->lockProc(id, 0);
    if (c.skipLock)
        pb->bufferProcs->unlockProc(id);
    const int sent = c.stopAfterRows >= 0 ? std::min<int>(c.stopAfterRows, c.rows) : c.rows;
    const int bands = (sent + c.stripRows - 1) / c.stripRows;
    for (int k = 0; k < bands * c.planes && err == noErr; ++k) {
        const int plane = c.bandOrder ? k % c.planes : k / bands;
        const int top = (c.bandOrder ? k / c.planes : k % bands) * c.stripRows;
        const int rows = std::min(c.stripRows, sent - top);
        if (pb->abortProc()) {
            err = userCanceledErr;
            break;
        }
        pb->progressProc(k, bands * c.planes);
        FillStrip(p, plane, top, rows, rowBytes);
        Describe(pb, p, plane, top, rows, rowBytes);
        err = g_lastAdvance = pb->advanceState();
        pb->data = nullptr;
    }
    if (!c.leakBuffer)
        pb->bufferProcs->freeProc(id);
    if (err == noErr)
        pb->theRect = {0, 0, 0, 0};
    return err;
}

} // namespace

Config& config() {
    return g_config;
}
std::vector<Seen>& seen() {
    return g_seen;
}
OSErr lastAdvanceResult() {
    return g_lastAdvance;
}

std::vector<int16_t> selectors() {
    std::vector<int16_t> s;
    for (const Seen& x : g_seen)
        s.push_back(x.selector);
    return s;
}

void Reset() {
    g_config = Config{};
    g_seen.clear();
    g_scanned = 0;
    g_lastAdvance = noErr;
    g_pieceRow = 0;
}

uint8_t Pixel(int plane, int row, int col) {
    return static_cast<uint8_t>(plane * 67 + row * 13 + col * 7 + 1);
}

void Entry(int16_t selector, void* stuff, intptr_t* data, int16_t* result) {
    auto* pb = static_cast<AcquireRecord*>(stuff);
    const Config& c = g_config;
    g_seen.push_back({selector, *result, selector != 0 && pb->bufferProcs != nullptr});
    *result = noErr;
    if (c.hook)
        c.hook(selector, pb);
    if (selector == acquireSelectorAbout)
        return;
    HandleProcs* hp = pb->handleProcs;
    if (c.useHandle && hp) {
        if (*data == 0)
            *data = reinterpret_cast<intptr_t>(hp->newProc(16));
        hp->lockProc(reinterpret_cast<HostHandle>(*data), 1);
    }
    switch (selector) {
    case acquireSelectorPrepare:
        pb->wantFinalize = c.wantFinalize ? 1 : 0;
        *result = c.prepareResult;
        break;
    case acquireSelectorStart:
        *result = c.startResult;
        pb->imageMode = c.mode;
        pb->imageSize = {c.rows, c.cols};
        pb->depth = c.depth;
        pb->planes = c.planes;
        pb->imageHRes = pb->imageVRes = c.res;
        g_pieceRow = 0;
        break;
    case acquireSelectorContinue:
        *result = c.continueResult != noErr ? c.continueResult : Continue(pb);
        break;
    case acquireSelectorFinish:
        ++g_scanned;
        pb->acquireAgain = g_scanned < c.images ? 1 : 0;
        break;
    case acquireSelectorFinalize:
        *result = userCanceledErr;
        break;
    default:
        *result = acquireBadParameters;
    }
    if (c.useHandle && hp)
        hp->unlockProc(reinterpret_cast<HostHandle>(*data));
}

} // namespace fake
