#include "plugin/Pipeline.h"

#include "dialog/Settings.h"
#include "dialog/SettingsDialog.h"
#include "platform/DebugLog.h"
#include "platform/MessageBox.h"
#include "plugin/HostUtilities.h"
#include "plugin/Module.h"
#include "plugin/RowConversion.h"
#include "plugin/Scripting.h"
#include "plugin/SettingsDialogPhase.h"
#include "scanner/ErrorText.h"
#include "scanner/ReadRing.h"

#include <algorithm>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

using qv::LogLine;
using qv::LogText;

std::atomic<bool> readerStop{true};
std::atomic<int32_t> filledBlocks{0};
int32_t blockSize = 0;

namespace {

constexpr int32_t kStripRows = 300;
constexpr int32_t kMaxPlanes = 3;
constexpr int32_t kInvalidValueInCdb = 9216;
// The reader stays this many blocks ahead at most, so it never writes the slot being taken.
constexpr int32_t kMaxPending = kRingSlots - 1;

// The two threads meet at the ring's count and the stop flag; a change of either is announced
// here so that neither has to poll.
std::mutex ringMutex;
std::condition_variable ringChanged;
std::thread reader;

void Announce() {
    { std::lock_guard<std::mutex> lock(ringMutex); }
    ringChanged.notify_all();
}

void ReaderMain() {
    LogText("Thread reached");
    int slot = 0; // slot 0 holds the block the geometry step read
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(ringMutex);
            ringChanged.wait(lock, [] {
                return readerStop.load(std::memory_order_acquire) ||
                       filledBlocks.load(std::memory_order_acquire) < kMaxPending;
            });
        }
        if (readerStop.load(std::memory_order_acquire))
            return;
        slot = (slot + 1) % kRingSlots;
        blockStatus[slot] = m_Scanner.ReadImage(blockBuffer[slot], blockSize, blockReceived[slot]);
        const bool failed = blockStatus[slot] != 0;
        filledBlocks.fetch_add(1, std::memory_order_release);
        if (failed) {
            readerStop.store(true, std::memory_order_release);
            LogText("Thread Ended");
            Announce();
            return;
        }
        Announce();
    }
}

void* Owner(const Globals* globals) {
    return globals->dialogWindow;
}

std::string ErrorText(int32_t status) {
    return m_Scanner.GetErrorText(status);
}

void Alert(const Globals* globals, const std::string& text, const char* caption) {
    qv::ReportFailure(Owner(globals), text, caption);
}

// What one transfer works with besides the ring.
struct Transfer {
    Globals* globals = nullptr;
    AcquireRecord* stuff = nullptr;
    qv::RowFormat format;
    qv::CameraWidths cameras{};
    int32_t rowBytes = 0;
    int32_t planes = 1;
    int32_t stripRows = 0;
    BufferID stripBuffer = nullptr;
    uint8_t* strip = nullptr;  // every plane of a strip, one after the other
    std::vector<uint8_t> work; // decoded bitmap rows
    int64_t sourceDone = 0;    // block rows taken; image rows under vertical stretch differ
    int32_t rowsDone = 0;
    int32_t progressDone = 0;
    int32_t progressTotal = 0;
    bool widthKnown = false;

    uint8_t* Plane(int32_t plane) const {
        return strip + size_t(plane) * size_t(stripRows) * size_t(rowBytes);
    }
};

enum class Step { Go, End };

// Hands image rows top..bottom to the host, one strip per plane. The chunk's rows are read
// once for all planes, while the host still sees plane after plane.
Step DeliverChunk(Transfer& t, const uint8_t* block, size_t blockBytes, size_t offset, int32_t chunk,
                  int32_t top, int32_t bottom) {
    const int32_t planes = t.planes;
    const double factor = t.format.verticalFactor;
    for (int32_t plane = 0; plane < planes; ++plane) {
        for (int32_t row = top; row < bottom; ++row) {
            if (t.stuff->abortProc && t.stuff->abortProc()) {
                *t.globals->result = userCanceledErr;
                return Step::End;
            }
            if (!readerStop.load(std::memory_order_acquire) && t.stuff->progressProc)
                t.stuff->progressProc(t.progressDone++, t.progressTotal);
            if (plane > 0)
                continue;
            const int64_t source =
                std::clamp<int64_t>(qv::SourceRowOf(row, factor) - t.sourceDone, 0, chunk - 1);
            const size_t at = size_t(row - top) * size_t(t.rowBytes);
            uint8_t* out[kMaxPlanes];
            for (int32_t p = 0; p < planes; ++p)
                out[p] = t.Plane(p) + at;
            qv::CopyStripRowPlanes(t.format, block, blockBytes, offset, int32_t(source), out, planes,
                                   size_t(t.rowBytes));
        }
        const HostRect rect{int16_t(top), 0, int16_t(bottom), t.stuff->imageSize.h};
        const OSErr error =
            StoreData(t.stuff, t.Plane(plane), rect, int16_t(plane), int16_t(plane), t.rowBytes, 1, 0);
        if (error != noErr) {
            char text[64];
            std::snprintf(text, sizeof text, "Error Storing data in Photoshop\n%d", error);
            Alert(t.globals, text, "StoreData");
            *t.globals->result = error;
            return Step::End;
        }
    }
    return Step::Go;
}

// Source rows that still have an image row to go to; a chunk is at most that many.
int32_t ChunkLimit(const Transfer& t) {
    const double factor = t.format.verticalFactor > 1.0 ? t.format.verticalFactor : 1.0;
    // A chunk and its repeated rows must fit the strip the host gave.
    return std::max(1, int32_t(std::min<double>(kStripRows, t.stripRows) / factor));
}

// Whole rows of `bytes` at `rows`, chunk by chunk, with the stitch marks painted on them.
Step DeliverRows(Transfer& t, uint8_t* rows, size_t bytes) {
    const Globals* globals = t.globals;
    const int32_t lastRows = globals->gLastRows;
    const double factor = t.format.verticalFactor;
    const int64_t wanted = lastRows > 0 ? qv::SourceRowOf(lastRows - 1, factor) + 1 - t.sourceDone : 0;
    const int32_t count = int32_t(std::clamp<int64_t>(wanted, 0, qv::RowsInBlock(t.format, bytes)));
    const int32_t limit = ChunkLimit(t);
    int32_t remaining = count;
    while (remaining > 0) {
        const int32_t chunk = std::min(remaining, limit);
        const size_t offset = size_t(count - remaining) * size_t(t.format.iByteWidth);
        remaining -= chunk;
        const int32_t top = t.rowsDone;
        int32_t bottom = int32_t(qv::StretchedRows(t.sourceDone + chunk, factor));
        LogLine("top = %d Bottom = %d", top, bottom);
        bottom = std::min({bottom, lastRows, top + t.stripRows});
        if (globals->stitchMarks && t.format.generation >= 5 && t.rowsDone < qv::kStitchMarkRows) {
            const int32_t first = t.rowsDone, last = t.rowsDone + chunk - 1;
            uint8_t* at = rows + offset;
            const size_t size = bytes - offset;
            if (globals->gLastMode == plugInModeBitmap)
                qv::PaintStitchMarksBitmap(at, size, t.cameras, t.format.iByteWidth, first, last);
            else if (globals->gLastMode == plugInModeRGBColor)
                qv::PaintStitchMarksRgb(at, size, t.cameras, t.format.rawWidth, first, last);
            else
                qv::PaintStitchMarksGray(at, size, t.cameras, t.format.rawWidth, t.format.generation, first,
                                         last);
        }
        if (bottom > top && DeliverChunk(t, rows, bytes, offset, chunk, top, bottom) == Step::End)
            return Step::End;
        t.sourceDone += chunk;
        t.rowsDone = int32_t(std::min<int64_t>(qv::StretchedRows(t.sourceDone, factor), INT32_MAX));
    }
    return Step::Go;
}

// A bitmap block is decoded a chunk of rows at a time, so that the work buffer does not grow
// with the rows a well-compressed block holds.
Step ConsumeBitmap(Transfer& t, const uint8_t* data, int32_t received) {
    const qv::RowFormat& f = t.format;
    const uint8_t* const end = data + received;
    const int32_t lines = int32_t(std::count(data, end, uint8_t{0}));
    LogLine("iLineCount = %d", lines);
    const int32_t segmentLines = ChunkLimit(t);
    // One row more for a row the decoder leaves unfinished at a segment's end.
    size_t needed = size_t(f.iByteWidth) * size_t(std::min(lines, segmentLines) + 1);
    if (f.chromaRatio > 0)
        needed = needed * 11 / 10;
    if (needed > t.work.size()) {
        LogLine("iNeededBW_BufferSize = %d ( Now %d )", int(needed), int(t.work.size()));
        t.work.assign(needed, 0);
    }
    if (f.chromaRatio > 0)
        LogText("Corrected");
    size_t carried = 0;
    for (const uint8_t* at = data; at < end;) {
        const uint8_t* stop = at;
        for (int32_t n = 0; n < segmentLines && stop < end; ++n) {
            const void* zero = std::memchr(stop, 0, size_t(end - stop));
            stop = zero ? static_cast<const uint8_t*>(zero) + 1 : end;
        }
        uint8_t* out = t.work.data() + carried;
        const size_t room = t.work.size() - carried;
        const size_t decoded =
            carried + (f.chromaRatio > 0
                           ? qv::DecodeRunLengthStretched(at, size_t(stop - at), out, room, f.chromaRatio)
                           : qv::DecodeRunLength(at, size_t(stop - at), out, room));
        at = stop;
        const size_t whole = size_t(qv::RowsInBlock(f, decoded)) * size_t(f.iByteWidth);
        if (DeliverRows(t, t.work.data(), whole) == Step::End)
            return Step::End;
        carried = decoded - whole;
        std::memmove(t.work.data(), t.work.data() + whole, carried);
    }
    return Step::Go;
}

Step ConsumeBlock(Transfer& t, uint8_t* data, int32_t received) {
    const Globals* globals = t.globals;
    if (received > ::g_iBufferSize)
        Alert(globals, "Too long a buffer", "iReceived");
    if (!t.widthKnown) {
        const qv::RowStatus status = qv::FindRowWidth(t.format, data, size_t(received), [](int32_t& width) {
            int32_t status = m_Scanner.GetPictureWidth(width);
            m_Scanner.ResolveStatus(status);
            return status == 0;
        });
        t.widthKnown = status == qv::RowStatus::Ok && t.format.iByteWidth > 0;
        if (!t.widthKnown) {
            LogLine("%s", qv::RowStatusText(status));
            return Step::Go;
        }
    }
    LogLine("iReceived = %d", received);
    if (globals->gLastMode == plugInModeBitmap)
        return ConsumeBitmap(t, data, received);
    return DeliverRows(t, data, size_t(received));
}

// A failing slot: the end of the paper is quiet, anything else is shown.
void ReportReadFailure(const Globals* globals, int32_t status) {
    if (status == kSenseEndOfMedium)
        return;
    const char* caption = "Scan 2";
    if (status == kStatusCheckCondition) {
        m_Scanner.ResolveStatus(status);
        if (status == kSenseEndOfMedium)
            return;
        caption = "Scan 1";
    }
    Alert(globals, ErrorText(status), caption);
}

void ReleaseStrip(Transfer& t) {
    if (!t.stripBuffer)
        return;
    const BufferProcs* procs = t.stuff->bufferProcs;
    procs->unlockProc(t.stripBuffer);
    procs->freeProc(t.stripBuffer);
    t.stripBuffer = nullptr;
}

} // namespace

void StopReader() {
    readerStop.store(true, std::memory_order_release);
    Announce();
    if (reader.joinable())
        reader.join();
}

OSErr AllocateStripBuffer(const AcquireRecord* stuff, int32_t rowBytes, int32_t minimumRows,
                          int32_t maximumRows, int32_t* rowsObtained, BufferID* buffer) {
    *rowsObtained = 0;
    *buffer = nullptr;
    const BufferProcs* procs = stuff->bufferProcs;
    if (rowBytes <= 0)
        return memFullErr;
    int32_t rows = std::min(procs->spaceProc() / rowBytes, maximumRows);
    if (rows < minimumRows)
        return memFullErr;
    OSErr error = memFullErr;
    for (; rows >= minimumRows; --rows) {
        error = procs->allocateProc(rows * rowBytes, buffer);
        if (error == noErr && *buffer) {
            *rowsObtained = rows;
            return noErr;
        }
        *buffer = nullptr;
    }
    return error == noErr ? memFullErr : error;
}

OSErr StoreData(AcquireRecord* stuff, void* strip, const HostRect& rect, int16_t loPlane, int16_t hiPlane,
                int32_t rowBytes, int16_t colBytes, int32_t planeBytes) {
    if (!WarnAdvanceStateAvailable(stuff))
        return userCanceledErr;
    stuff->data = strip;
    stuff->theRect = rect;
    stuff->loPlane = loPlane;
    stuff->hiPlane = hiPlane;
    stuff->rowBytes = rowBytes;
    stuff->colBytes = colBytes;
    stuff->planeBytes = planeBytes;
    stuff->wantReadBack = 0;
    const OSErr error = stuff->advanceState();
    stuff->data = nullptr;
    return error;
}

void DoStartGeometry(Globals* globals) {
    AcquireRecord* stuff = globals->gStuff;
    // Every block the reader fills reaches the transfer, this one first.
    StopReader();
    blockSize = ::g_iBufferSize;
    for (int slot = 0; slot < kRingSlots; ++slot)
        blockStatus[slot] = blockReceived[slot] = 0;
    filledBlocks.store(0, std::memory_order_release);
    if (blockBuffer[0]) {
        blockStatus[0] = m_Scanner.ReadImage(blockBuffer[0], blockSize, blockReceived[0]);
        filledBlocks.store(1, std::memory_order_release);
    }

    LogText("pre GetPictureWidth");
    int32_t width = 0;
    int32_t status = m_Scanner.GetPictureWidth(width);
    if (status == kStatusCheckCondition)
        status = m_Scanner.GetLastAsc();
    if (status != 0) {
        width = 0;
        LogLine("ErrorNo = 0x%X", unsigned(status));
        const std::string text = ErrorText(status);
        if (status != kInvalidValueInCdb) {
            Alert(globals, text, "Get Picture Width");
            globals->queryForParameters = false;
            DestroySettingsDialog(globals);
            EndScriptRead(globals);
            *globals->result = userCanceledErr;
            return;
        }
    }
    LogText("post GetPictureWidth");
    const int16_t mode = globals->gLastMode;
    int32_t pixelWidth = 0;
    if (mode == plugInModeBitmap)
        pixelWidth = width;
    else if (mode == plugInModeGrayScale)
        pixelWidth = m_Scanner.GetGeneration() >= 5 ? width - 9 : width;
    else if (mode == plugInModeRGBColor)
        pixelWidth = width / 3;
    LogLine("iPixelWidth = %d", pixelWidth);
    LogLine("gLastRows = %d", globals->gLastRows);
    LogLine("gLastCols = %d", globals->gLastCols);
    if (mode == plugInModeBitmap)
        LogLine("gLastMode = %d (BW)", mode);
    else if (mode == plugInModeGrayScale)
        LogLine("gLastMode = %d (Gray)", mode);
    else if (mode == plugInModeRGBColor)
        LogLine("gLastMode = %d (RGB)", mode);
    LogLine("gDPI = %d", globals->gDPI);
    if (mode != plugInModeIndexedColor && pixelWidth > 0 && globals->gLastCols > pixelWidth)
        globals->gLastCols = int16_t(pixelWidth);

    stuff->imageSize.v = globals->gLastRows;
    stuff->imageSize.h = globals->gLastCols;
    stuff->imageMode = mode;
    LogText("DoStart 1");
    if (mode == plugInModeBitmap) {
        stuff->depth = 1;
        stuff->planes = 1;
    } else {
        stuff->depth = 8;
        stuff->planes = mode == plugInModeRGBColor ? 3 : 1;
        if (mode == plugInModeIndexedColor)
            for (int i = 0; i < 256; ++i) {
                stuff->redLUT[i] = uint8_t(i);
                stuff->greenLUT[i] = uint8_t(255 - i);
                stuff->blueLUT[i] = uint8_t(i);
            }
    }
    stuff->imageHRes = stuff->imageVRes = Fixed(int32_t(globals->gDPI) << 16);
    LogText("DoStart 2");
    if (globals->hostTakesTransparency)
        stuff->isFirstAlphaTransparency = globals->lastAlphaIsTransparency;
    LogText("DoStart 3");
    stuff->data = nullptr;
    LogText("End DoStart");
}

void DoContinue(Globals* globals) {
    activeSelector = 3;
    LogText("DoContinue");
    AcquireRecord* stuff = globals->gStuff;
    Transfer t;
    t.globals = globals;
    t.stuff = stuff;
    const int16_t rows = stuff->imageSize.v;
    const int16_t cols = stuff->imageSize.h;
    const int16_t mode = globals->gLastMode;

    t.progressTotal = int32_t(rows) * stuff->planes * (globals->lastInvert && stuff->canReadBack ? 3 : 1);
    t.rowBytes = stuff->depth == 8 ? cols : (cols + 7) / 8;
    auto end = [&]() {
        StopReader();
        ReleaseStrip(t);
        LogText("DoContinue Done");
    };
    // Nothing was scanned: no ring, or no rows to take.
    if (!blockBuffer[0] || rows <= 0 || t.rowBytes <= 0) {
        stuff->data = nullptr;
        stuff->theRect = HostRect{0, 0, 0, 0};
        return end();
    }
    if (!WarnBufferProcsAvailable(stuff)) {
        *globals->result = userCanceledErr;
        return end();
    }
    // A strip row holds the row of every plane, so that a block is read once.
    t.planes = std::clamp<int32_t>(stuff->planes, 1, kMaxPlanes);
    const int32_t stripRowBytes = t.rowBytes * t.planes;
    const int32_t freeRows = stuff->bufferProcs->spaceProc() / stripRowBytes - kStripRows;
    int32_t wanted = std::clamp(freeRows > kStripRows ? kStripRows : freeRows, 1, std::max<int32_t>(rows, 1));
    const OSErr allocation =
        AllocateStripBuffer(stuff, stripRowBytes, 1, wanted, &t.stripRows, &t.stripBuffer);
    if (allocation != noErr) {
        *globals->result = allocation;
        Alert(globals, "Error Alocating Strip-Buffer", "AllocateStripBuffer");
        return end();
    }
    t.strip = reinterpret_cast<uint8_t*>(stuff->bufferProcs->lockProc(t.stripBuffer, false));

    qv::RowFormat& f = t.format;
    f.enumMode = m_Set.enumMode;
    f.imageMode = mode == plugInModeIndexedColor ? plugInModeGrayScale : mode;
    f.generation = m_Scanner.GetGeneration();
    f.resolution = globals->gDPI;
    f.gLastCols = globals->gLastCols;
    f.colorScanner = m_Scanner.IsColor();
    f.leftSkipPixels = globals->leftSkip ? globals->leftSkipPixels : 0;
    f.verticalFactor = g_ScanGeometry.bVerticalReduction ? g_ScanGeometry.dVerticalRatio : 1.0;
    m_Scanner.ReadCameraWidths(t.cameras[0], t.cameras[1], t.cameras[2], t.cameras[3]);
    f.rawWidth = t.cameras[0] + t.cameras[1] + t.cameras[2] + t.cameras[3];
    if (mode == plugInModeGrayScale && f.generation >= 5)
        f.rawWidth += 9;

    readerStop.store(false, std::memory_order_release);
    reader = std::thread(ReaderMain);
    if (globals->chromaCorrection) {
        const qv::RowStatus status = qv::SetChromaRatio(f);
        if (status != qv::RowStatus::Ok)
            LogLine("%s", qv::RowStatusText(status));
    }
    LogText("Pre While");

    int readSlot = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(ringMutex);
            ringChanged.wait(lock, [] {
                return filledBlocks.load(std::memory_order_acquire) > 0 ||
                       readerStop.load(std::memory_order_acquire);
            });
        }
        // The reader counts its last slot before it stops, so a stop seen here leaves no
        // filled slot unseen.
        if (filledBlocks.load(std::memory_order_acquire) == 0)
            break;
        int32_t status = blockStatus[readSlot];
        const int32_t received = blockReceived[readSlot];
        blockStatus[readSlot] = blockReceived[readSlot] = 0;
        bool finished = false;
        if (status != 0) {
            ReportReadFailure(globals, status);
            finished = true;
        } else if (received > 0 && ConsumeBlock(t, blockBuffer[readSlot], received) == Step::End) {
            return end();
        }
        filledBlocks.fetch_sub(1, std::memory_order_release);
        Announce();
        readSlot = (readSlot + 1) % kRingSlots;
        if (finished)
            break;
    }
    StopReader();
    stuff->data = nullptr;
    stuff->theRect = HostRect{0, 0, 0, 0};
    end();
}
