#include "host/Host.h"

#if defined(QV_HOST_HAVE_TIFF)
#include "host/DocumentTiff.h"
#endif

#include <atomic>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <thread>

namespace qv::host {

namespace {

constexpr OSErr kIoErr = -36;

std::atomic<Host*> g_host{nullptr};

Host& Current() {
    return *g_host.load();
}

Host& Service(const char* name) {
    Host& host = Current();
    host.CheckService(name);
    return host;
}

HostBoolean HOSTAPI AbortProc() {
    return Service("abortProc").Abort();
}
void HOSTAPI ProgressProcImpl(int32_t done, int32_t total) {
    Service("progressProc").Progress(done, total);
}
OSErr HOSTAPI AdvanceStateProc() {
    return Service("advanceState").AdvanceState();
}
int32_t HOSTAPI SpaceProcImpl() {
    return Service("spaceProc").buffers().Space();
}

OSErr HOSTAPI AllocateBuffer(int32_t size, BufferID* id) {
    return Service("buffer allocate").buffers().Allocate(size, id);
}
char* HOSTAPI LockBuffer(BufferID id, HostBoolean moveHigh) {
    return Service("buffer lock").buffers().Lock(id, moveHigh);
}
void HOSTAPI UnlockBuffer(BufferID id) {
    Service("buffer unlock").buffers().Unlock(id);
}
void HOSTAPI FreeBuffer(BufferID id) {
    Service("buffer free").buffers().Free(id);
}

HostHandle HOSTAPI NewHandle(int32_t size) {
    return Service("handle new").handles().New(size);
}
void HOSTAPI DisposeHandle(HostHandle h) {
    Service("handle dispose").handles().Dispose(h);
}
int32_t HOSTAPI GetHandleSize(HostHandle h) {
    return Service("handle size").handles().GetSize(h);
}
OSErr HOSTAPI SetHandleSize(HostHandle h, int32_t size) {
    return Service("handle resize").handles().SetSize(h, size);
}
char* HOSTAPI LockHandle(HostHandle h, HostBoolean moveHigh) {
    return Service("handle lock").handles().Lock(h, moveHigh);
}
void HOSTAPI UnlockHandle(HostHandle h) {
    Service("handle unlock").handles().Unlock(h);
}
void HOSTAPI RecoverSpace(int32_t) {}

Strip StripOf(const AcquireRecord& r) {
    return {static_cast<const uint8_t*>(r.data),
            r.theRect,
            r.loPlane,
            r.hiPlane,
            r.colBytes,
            r.rowBytes,
            r.planeBytes};
}

struct Field {
    const char* name;
    size_t offset;
    size_t size;
};

#define QV_HOST_FIELD(f)                                                                                     \
    Field {                                                                                                  \
#f, offsetof(AcquireRecord, f), sizeof(AcquireRecord::f)                                             \
    }
// What the host gives and a module only reads.
const Field kHostFields[] = {
    QV_HOST_FIELD(serialNumber),  QV_HOST_FIELD(abortProc),     QV_HOST_FIELD(progressProc),
    QV_HOST_FIELD(hostSig),       QV_HOST_FIELD(hostProc),      QV_HOST_FIELD(hostModes),
    QV_HOST_FIELD(spaceProc),     QV_HOST_FIELD(platformData),  QV_HOST_FIELD(bufferProcs),
    QV_HOST_FIELD(resourceProcs), QV_HOST_FIELD(processEvent),  QV_HOST_FIELD(canReadBack),
    QV_HOST_FIELD(canFinalize),   QV_HOST_FIELD(displayPixels), QV_HOST_FIELD(handleProcs),
    QV_HOST_FIELD(colorServices), QV_HOST_FIELD(advanceState),  QV_HOST_FIELD(descriptorParameters),
    QV_HOST_FIELD(errorString),   QV_HOST_FIELD(sSPBasic),      QV_HOST_FIELD(HostSupports32BitCoordinates),
};
#undef QV_HOST_FIELD

} // namespace

const char* SelectorName(int16_t selector) {
    switch (selector) {
    case acquireSelectorAbout:
        return "about";
    case acquireSelectorStart:
        return "start";
    case acquireSelectorContinue:
        return "continue";
    case acquireSelectorFinish:
        return "finish";
    case acquireSelectorPrepare:
        return "prepare";
    case acquireSelectorFinalize:
        return "finalize";
    default:
        return "unknown";
    }
}

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '"':
        case '\\':
            out += '\\';
            out += static_cast<char>(c);
            break;
        default:
            if (c < 0x20 || c >= 0x7F) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02X", c);
                out += hex;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

Host::Host(EntryFn entry, HostOptions options, Output out)
    : entry_(entry), options_(std::move(options)), out_(std::move(out)),
      buffers_(options_.freeSpace, [this](const std::string& w) { Violation(w); }),
      handles_([this](const std::string& w) { Violation(w); }),
      descriptors_(handles_, [this](const std::string& w) { Violation(w); }) {
    g_host.store(this);
    SetCurrentDescriptorSuites(&descriptors_);
    SetUpRecord();
}

Host::~Host() {
    End();
    Host* self = this;
    if (g_host.compare_exchange_strong(self, nullptr))
        SetCurrentDescriptorSuites(nullptr);
}

void Host::Say(const std::string& line) {
    Meter(true);
    if (out_)
        out_(line);
}

void Host::CheckService(const char* name) {
    if (std::this_thread::get_id() != thread_)
        Violation(std::string(name) + " called from a thread other than the host's");
    else if (phase_ < 0)
        Violation(std::string(name) + " called while no call of the module runs");
}

void Host::Violation(const std::string& what) {
    violations_.push_back(what);
    Say("violation: " + what);
}

void Host::SetUpRecord() {
    bufferProcs_ = {options_.bufferProcsVersion,
                    kCurrentBufferProcsCount,
                    AllocateBuffer,
                    LockBuffer,
                    UnlockBuffer,
                    FreeBuffer,
                    SpaceProcImpl};
    handleProcs_ = {kCurrentHandleProcsVersion,
                    kCurrentHandleProcsCount,
                    NewHandle,
                    DisposeHandle,
                    GetHandleSize,
                    SetHandleSize,
                    LockHandle,
                    UnlockHandle,
                    RecoverSpace};
    descriptorParams_.descriptorParametersVersion = 0;
    descriptorParams_.playInfo = options_.playInfo;
    descriptorParams_.recordInfo = 0;
    descriptorParams_.descriptor =
        options_.play.empty() ? nullptr : descriptors_.HandleOf(ImportList(options_.play));
    descriptors_.SetPlayed(descriptorParams_.descriptor);
    descriptorParams_.readDescriptorProcs = descriptors_.read();
    descriptorParams_.writeDescriptorProcs = descriptors_.write();
    platform_.hwnd = options_.window;

    AcquireRecord& r = record_;
    r.abortProc = AbortProc;
    r.progressProc = ProgressProcImpl;
    r.maxData = options_.freeSpace;
    r.imageHRes = r.imageVRes = 72 << 16;
    r.hostSig = MakeOSType('8', 'B', 'I', 'M');
    r.hostModes = (1 << plugInModeBitmap) | (1 << plugInModeGrayScale) | (1 << plugInModeIndexedColor) |
                  (1 << plugInModeRGBColor);
    for (int16_t i = 0; i < 16; ++i)
        r.planeMap[i] = i;
    r.diskSpace = options_.freeSpace;
    r.spaceProc = SpaceProcImpl;
    r.platformData = &platform_;
    r.canReadBack = options_.canReadBack ? 1 : 0;
    r.canFinalize = options_.canFinalize ? 1 : 0;
    const bool none = options_.hostile;
    r.bufferProcs = none || options_.withholdBufferProcs ? nullptr : &bufferProcs_;
    r.handleProcs = none || options_.withholdHandleProcs ? nullptr : &handleProcs_;
    r.descriptorParameters = none || options_.withholdScripting ? nullptr : &descriptorParams_;
    r.advanceState = options_.withholdAdvanceState ? nullptr : AdvanceStateProc;
    if (options_.hostile)
        r.canFinalize = 0;
}

std::optional<std::vector<char>> Host::GlobalsBytes() const {
    auto h = reinterpret_cast<HostHandle>(data_);
    if (!data_ || !handles_.IsLive(h))
        return std::nullopt;
    return std::vector<char>(*h, *h + handles_.SizeOf(h));
}

void Host::CheckUntouched(const AcquireRecord& before) {
    const auto* a = reinterpret_cast<const unsigned char*>(&before);
    const auto* b = reinterpret_cast<const unsigned char*>(&record_);
    for (const Field& f : kHostFields)
        if (std::memcmp(a + f.offset, b + f.offset, f.size) != 0)
            Violation(std::string("the module wrote the host's field ") + f.name);
    if (bufferProcs_.allocateProc != AllocateBuffer || bufferProcs_.spaceProc != SpaceProcImpl ||
        handleProcs_.newProc != NewHandle || handleProcs_.unlockProc != UnlockHandle ||
        descriptorParams_.readDescriptorProcs != descriptors_.read() ||
        descriptorParams_.writeDescriptorProcs != descriptors_.write())
        Violation("the module wrote into the host's service tables");
}

int16_t Host::Call(int16_t selector) {
    result_ = options_.hostile ? kHostilePreset : noErr;
    AboutRecord about{};
    about.platformData = &platform_;
    void* stuff =
        selector == acquireSelectorAbout ? static_cast<void*>(&about) : static_cast<void*>(&record_);
    const AcquireRecord before = record_;
    const AboutRecord aboutBefore = about;
    const PIDescriptorHandle given = descriptorParams_.descriptor;
    phase_ = selector;
    if (caller_)
        caller_(entry_, selector, stuff, &data_, &result_);
    else
        entry_(selector, stuff, &data_, &result_);
    phase_ = -1;
    calls_.push_back({selector, result_});
    Say("call " + std::to_string(selector) + " " + SelectorName(selector) + ": result " +
        std::to_string(result_));
    if (std::optional<std::string> handed = descriptors_.TakeHandedOver(descriptorParams_, given))
        Say(std::string("descriptor handed over at ") + SelectorName(selector) + ":\n" + *handed);
    CheckUntouched(before);
    if (std::memcmp(&about, &aboutBefore, sizeof about) != 0)
        Violation("the module wrote into the about record");
    if (record_.maxData > before.maxData)
        Violation("the module raised maxData from " + std::to_string(before.maxData) + " to " +
                  std::to_string(record_.maxData));
    buffers_.CheckGuards();
    handles_.CheckGuards();
    handles_.ReportLocked();
    return result_;
}

HostBoolean Host::Abort() {
    const int32_t n = abortQuestions_++;
    if (Interrupted()) {
        if (!saidInterrupted_)
            Say("interrupted: abortProc answers true from now on");
        saidInterrupted_ = true;
        return 1;
    }
    return options_.abortAfter >= 0 && n >= options_.abortAfter ? 1 : 0;
}

void Host::Progress(int32_t done, int32_t total) {
    ++progressCalls_;
    if (done < 0 || total <= 0 || done > total)
        Violation("progress " + std::to_string(done) + " of " + std::to_string(total));
    lastDone_ = done;
}

OSErr Host::AdvanceState() {
    const int32_t n = advanceCalls_++;
    if (phase_ != acquireSelectorContinue) {
        Violation("advanceState called outside the continue phase");
        return paramErr;
    }
    if (!current_) {
        Violation("advanceState called for an image the host refused");
        return paramErr;
    }
    const Strip s = StripOf(record_);
    if (!s.data && s.rect.top >= s.rect.bottom && s.rect.left >= s.rect.right)
        return noErr; // the module's end of the image
    if (n == options_.failAdvanceAt)
        return options_.failAdvanceCode;
    if (TakeStrip(s))
        return noErr;
    return current_->HostFailed() ? kIoErr : paramErr;
}

bool Host::TakeStrip(const Strip& s) {
    std::string why;
    std::optional<size_t> extent = StripExtent(current_->geometry(), s, why);
    if (!extent) {
        Violation(why);
        return false;
    }
    SpanInfo where = buffers_.Locate(s.data, *extent);
    if (where.span == Span::Overrun) {
        Violation("strip reaches " + std::to_string(where.past) + " bytes past the end of its buffer");
        return false;
    }
    if (where.span == Span::Inside && !where.locked) {
        Violation("strip data lies in a buffer that is not locked");
        return false;
    }
    if (!current_->Store(s, why)) {
        Violation(why);
        return false;
    }
    Meter(false);
    return true;
}

std::unique_ptr<DocumentWriter> Host::WriterFor(int index, const Geometry& g) {
    currentFile_.clear();
    if (options_.discard || options_.outDir.empty())
        return MakeDiscardWriter();
    char name[32];
    std::snprintf(name, sizeof name, "image-%03d.%s", index, options_.tiff ? "tif" : PnmExtension(g.mode));
    const std::string path = options_.outDir + "/" + name;
    if (!options_.tiff) {
        currentFile_ = path;
        return MakePnmWriter(path);
    }
#if defined(QV_HOST_HAVE_TIFF)
    currentFile_ = path;
    return MakeTiffWriter(path);
#else
    Violation("this build writes no TIFF");
    return MakeDiscardWriter();
#endif
}

void Host::Meter(bool hidden) {
    if (!options_.meter || !current_)
        return;
    const Geometry& g = current_->geometry();
    ImageProgress p;
    p.image = static_cast<int>(images_.size()) + 1;
    for (int plane = 0; plane < g.planes; ++plane)
        p.rowsDone += current_->RowsCovered(plane);
    p.rowsDone /= g.planes;
    p.rows = g.rows;
    p.bytes = current_->BytesTaken();
    p.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - imageStart_).count();
    p.hidden = hidden;
    options_.meter(p);
}

bool Host::BeginImage() {
    std::vector<std::string> problems;
    std::optional<Geometry> g = GeometryFromRecord(record_, problems);
    for (const std::string& p : problems)
        Violation(p);
    if (!g)
        return false;
    const Geometry& geo = *g;
    char line[160];
    std::snprintf(line, sizeof line, "image %zu: %d x %d, mode %d, depth %d, planes %d, %.2f x %.2f dpi",
                  images_.size() + 1, geo.cols, geo.rows, geo.mode, geo.depth, geo.planes, geo.hRes / 65536.0,
                  geo.vRes / 65536.0);
    Say(line);
    const int index = static_cast<int>(images_.size()) + 1;
    current_ = std::make_unique<Document>(geo, WriterFor(index, geo));
    std::string error;
    if (!current_->Begin(error)) {
        // The strips are still checked.
        Violation(error);
        currentFile_.clear();
        current_ = std::make_unique<Document>(geo, MakeDiscardWriter());
        current_->Begin(error);
    }
    imageStart_ = std::chrono::steady_clock::now();
    imageFailed_ = false;
    continueResult_ = noErr;
    return true;
}

void Host::RunContinue() {
    // The module may also hand pieces back through the record itself, one per call.
    const int64_t limit = static_cast<int64_t>(current_->geometry().rows) * current_->geometry().planes + 2;
    for (int64_t calls = 0;; ++calls) {
        record_.data = nullptr;
        continueResult_ = Call(acquireSelectorContinue);
        if (continueResult_ != noErr) {
            imageFailed_ = true;
            return;
        }
        if (!record_.data)
            return;
        if (calls >= limit) {
            Violation("the continue phase never ended the image");
            imageFailed_ = true;
            return;
        }
        if (!TakeStrip(StripOf(record_))) {
            imageFailed_ = true;
            return;
        }
    }
}

void Host::EndImage() {
    if (!current_)
        return;
    Document& doc = *current_;
    const Geometry& g = doc.geometry();
    ImageRecord rec;
    rec.index = static_cast<int>(images_.size()) + 1;
    rec.failed = imageFailed_;
    rec.rows = g.rows;
    std::string rows;
    for (int p = 0; p < g.planes; ++p) {
        rec.planeRows.push_back(doc.RowsCovered(p));
        if (p)
            rows += '/';
        rows += std::to_string(doc.RowsCovered(p));
    }
    rec.rowsDelivered = doc.RowsDelivered();
    rec.bytes = doc.BytesTaken();
    rec.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - imageStart_).count();
    rec.peakBuffered = doc.PeakBufferedBytes();
    std::string image = "image ";
    image += std::to_string(rec.index);
    std::string line = image +
                       (!rec.failed                          ? ": done"
                        : continueResult_ == userCanceledErr ? ": cancelled"
                                                             : ": failed") +
                       ", rows delivered " + rows + " of " + std::to_string(g.rows);
    std::string error;
    if (rec.failed) {
        doc.Cancel();
        if (!currentFile_.empty())
            line += "; " + currentFile_ + " removed";
    } else if (doc.Finish(error)) {
        rec.file = currentFile_;
        if (!rec.file.empty())
            line += " -> " + rec.file;
    } else {
        Violation(error);
    }
    Say(line);
    if (!rec.failed && rec.rowsDelivered < g.rows)
        Say(image + ": " + std::to_string(rec.rowsDelivered) + " of " + std::to_string(g.rows) +
            " rows delivered");
    if (!rec.failed && (!rec.file.empty() || options_.discard)) {
        static const char* const kModes[] = {"bitmap", "gray", "indexed", "RGB"};
        char summary[256];
        std::snprintf(summary, sizeof summary, "%s, %d x %d, %s, %.0f x %.0f dpi, %.1f MB, %.2f s, %.1f MB/s",
                      rec.file.empty() ? "discarded" : rec.file.c_str(), g.cols, g.rows, kModes[g.mode],
                      g.hRes / 65536.0, g.vRes / 65536.0, static_cast<double>(rec.bytes) / 1e6, rec.seconds,
                      rec.seconds > 0 ? static_cast<double>(rec.bytes) / 1e6 / rec.seconds : 0.0);
        Say(image + ": " + summary);
    }
    images_.push_back(std::move(rec));
    current_.reset();
}

void Host::RunSeries() {
    const bool hostile = options_.hostile;
    if (hostile)
        Say("hostile host: no service tables, result preset to " + std::to_string(kHostilePreset) +
            ", finish after a failed start, finalize without canFinalize");
    bool finalizeOwed = false;
    for (int image = 0; !Interrupted(); ++image) {
        record_.wantFinalize = 0;
        const OSErr prepared = Call(acquireSelectorPrepare);
        if (prepared == noErr && record_.wantFinalize)
            finalizeOwed = true;
        if (prepared != noErr && !hostile)
            break;
        record_.acquireAgain = 0;
        const bool started = Call(acquireSelectorStart) == noErr;
        if (started && BeginImage())
            RunContinue();
        EndImage();
        if (!started && !hostile)
            break;
        const OSErr finished = Call(acquireSelectorFinish);
        if (!started || finished != noErr || !record_.acquireAgain || Interrupted())
            break;
        if (image + 1 >= options_.maxImages) {
            Violation("the module still asks for another image after " + std::to_string(options_.maxImages));
            break;
        }
    }
    if (hostile || (finalizeOwed && record_.canFinalize))
        Call(acquireSelectorFinalize);
    End();
}

void Host::RunSequence(const std::vector<int16_t>& selectors) {
    for (int16_t selector : selectors) {
        const int allocatedBefore = handles_.Allocations();
        const intptr_t dataBefore = data_;
        const std::optional<std::vector<char>> globalsBefore = GlobalsBytes();
        Call(selector);
        std::string line = "  handles allocated " + std::to_string(handles_.Allocations() - allocatedBefore) +
                           ", live " + std::to_string(handles_.Live()) + "; data " +
                           (data_ == 0            ? "empty"
                            : data_ == dataBefore ? "kept"
                                                  : "set");
        const std::optional<std::vector<char>> globalsAfter = GlobalsBytes();
        if (globalsBefore && globalsAfter)
            line += *globalsBefore == *globalsAfter ? "; record unchanged" : "; record changed";
        Say(line);
    }
    End();
}

void Host::End() {
    if (ended_)
        return;
    ended_ = true;
    EndImage();
    // The record's handle and the last descriptor belong to the host.
    auto globals = reinterpret_cast<HostHandle>(data_);
    if (data_ && handles_.IsLive(globals))
        handles_.Dispose(globals);
    if (!options_.play.empty())
        Say(descriptors_.PlayedReport());
    if (PIDescriptorHandle d = descriptorParams_.descriptor) {
        if (auto items = descriptors_.ItemsOf(d))
            Say("descriptor:\n" + DescribeDescriptor(*items, 2));
        if (handles_.IsLive(d))
            handles_.Dispose(d);
        descriptorParams_.descriptor = nullptr;
    }
    buffers_.ReportLeaks();
    handles_.ReportLeaks();
    descriptors_.ReportOpenTokens();
    Say(violations_.empty() ? "strict checks: passed"
                            : "strict checks: " + std::to_string(violations_.size()) + " violation(s)");
}

} // namespace qv::host
