// The test host: one acquire record with the host's services behind it, the series of
// calls a host makes into an import module, and strict checks of everything the module
// writes or hands over. The module's entry comes in as a plain function pointer.
#pragma once

#include "host/Descriptors.h"
#include "host/Document.h"
#include "host/HostMemory.h"
#include "host/ImportScript.h"
#include "host/ProgressBar.h"
#include "plugin/HostInterface.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace qv::host {

using EntryFn = void (*)(int16_t selector, void* stuff, intptr_t* data, int16_t* result);
// How the host makes the call; the default calls the entry directly.
using EntryCaller = std::function<void(EntryFn, int16_t, void*, intptr_t*, int16_t*)>;

// What a careless host is known to do; see Host::RunSeries.
constexpr int16_t kHostilePreset = 0x5A5A;

struct HostOptions {
    int32_t freeSpace = 64 * 1024 * 1024;
    bool withholdBufferProcs = false;
    bool withholdHandleProcs = false;
    bool withholdScripting = false;
    bool withholdAdvanceState = false;
    int16_t bufferProcsVersion = kCurrentBufferProcsVersion;
    bool canFinalize = true;
    bool canReadBack = false;
    // Null service tables, a result preset before every call, finish after a failed start,
    // finalize without canFinalize.
    bool hostile = false;
    int16_t playInfo = plugInDialogDisplay;
    int32_t abortAfter = -1;     // abortProc answers true from this question on (0 = the first)
    int32_t failAdvanceAt = -1;  // this advanceState call (0 = the first) answers failAdvanceCode
    OSErr failAdvanceCode = -36; // ioErr
    int maxImages = 100;
    intptr_t window = 0;
    std::string outDir;                              // where documents are written; empty only checks them
    bool tiff = false;                               // TIFF instead of PNM, where the build can write it
    bool discard = false;                            // checks documents and writes none, even with outDir
    std::function<void(const ImageProgress&)> meter; // after every strip and at each image's end
    const std::atomic<bool>* interrupt = nullptr;    // once set, abortProc answers true
    std::vector<PlayedImport> play;                  // a recorded series handed to the module to play
};

struct CallRecord {
    int16_t selector;
    int16_t result;
};

struct ImageRecord {
    int index = 0;
    bool failed = false;
    std::string file;
    int32_t rows = 0;
    std::vector<int32_t> planeRows; // rows each plane filled
    int32_t rowsDelivered = 0;      // rows with every plane filled
    uint64_t bytes = 0;             // pixel bytes taken from strips
    double seconds = 0;
    size_t peakBuffered = 0;
};

const char* SelectorName(int16_t selector);
// A text in double quotes on one line: control bytes, quotes, backslashes and bytes
// outside ASCII are escaped, so that reports compare alike on every platform.
std::string Quoted(const std::string& text);

class Host {
  public:
    using Output = std::function<void(const std::string&)>;

    Host(EntryFn entry, HostOptions options, Output out = {});
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    void SetEntryCaller(EntryCaller caller) { caller_ = std::move(caller); }

    // One call of the entry with the record (the about record for selector 0).
    int16_t Call(int16_t selector);
    // The host's order: prepare, start, continue until the image is complete, finish,
    // again while the module asks for another image; finalize when both sides agree.
    void RunSeries();
    // The selectors exactly as given, with a report of handles and the module's record.
    void RunSequence(const std::vector<int16_t>& selectors);
    // Releases what the host owns and reports what the module left behind. Idempotent.
    void End();

    bool Passed() const { return violations_.empty(); }
    const std::vector<std::string>& violations() const { return violations_; }
    const std::vector<CallRecord>& calls() const { return calls_; }
    const std::vector<ImageRecord>& images() const { return images_; }
    AcquireRecord& record() { return record_; }
    intptr_t dataWord() const { return data_; }
    HandlePool& handles() { return handles_; }
    BufferPool& buffers() { return buffers_; }
    DescriptorSuites& descriptors() { return descriptors_; }
    PIDescriptorParameters& descriptorParameters() { return descriptorParams_; }
    int32_t progressCalls() const { return progressCalls_; }
    int32_t abortQuestions() const { return abortQuestions_; }
    int32_t advanceCalls() const { return advanceCalls_; }

    // Behind the record's callbacks.
    HostBoolean Abort();
    void Progress(int32_t done, int32_t total);
    OSErr AdvanceState();

    void Violation(const std::string& what);
    // Services are the host's only inside a call and only on its own thread.
    void CheckService(const char* name);

  private:
    void Say(const std::string& line);
    void SetUpRecord();
    bool BeginImage();
    void RunContinue();
    void EndImage();
    bool TakeStrip(const Strip& s);
    std::unique_ptr<DocumentWriter> WriterFor(int index, const Geometry& g);
    void Meter(bool hidden);
    bool Interrupted() const { return options_.interrupt && options_.interrupt->load(); }
    void CheckUntouched(const AcquireRecord& before);
    std::optional<std::vector<char>> GlobalsBytes() const;

    EntryFn entry_;
    HostOptions options_;
    Output out_;
    EntryCaller caller_;
    std::vector<std::string> violations_;
    BufferPool buffers_;
    HandlePool handles_;
    DescriptorSuites descriptors_;
    BufferProcs bufferProcs_{};
    HandleProcs handleProcs_{};
    PIDescriptorParameters descriptorParams_{};
    PlatformData platform_{};
    AcquireRecord record_{};
    intptr_t data_ = 0;
    int16_t result_ = 0;
    int16_t phase_ = -1;
    std::vector<CallRecord> calls_;
    std::unique_ptr<Document> current_;
    std::string currentFile_;
    std::chrono::steady_clock::time_point imageStart_;
    bool imageFailed_ = false;
    OSErr continueResult_ = noErr;
    bool saidInterrupted_ = false;
    std::vector<ImageRecord> images_;
    int32_t progressCalls_ = 0;
    int32_t abortQuestions_ = 0;
    int32_t advanceCalls_ = 0;
    int32_t lastDone_ = 0;
    bool ended_ = false;
    std::thread::id thread_ = std::this_thread::get_id();
};

} // namespace qv::host
