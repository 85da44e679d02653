#include "scanner/Scanner.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "scanner/ErrorText.h"
#include "scanner/GammaCurve.h"
#include "scanner/ScannerClock.h"

namespace {

constexpr int32_t kHardwareUsb = 1;
constexpr int32_t kHardwareScsi = 2;
constexpr int32_t kInquiryLength = 36;
constexpr uint8_t kPageHeaderLength = 6;
constexpr int32_t kColorMatrixBuffer = 7;
constexpr int32_t kReadBufferMode = 1;
constexpr uint32_t kPositionSettleMs = 1000;
constexpr uint32_t kPositionPollMs = 200;
constexpr int32_t kGen5PositionLimit = 10;

uint16_t Be16(const uint8_t* bytes) {
    return static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
}

const char* HardwareSuffix(int32_t type) {
    switch (type) {
    case kHardwareUsb:
        return " ( USB )";
    case kHardwareScsi:
        return " ( SCSI )";
    default:
        return " ( UNKNOWN )";
    }
}

bool IsUnitMatrix(const std::array<int16_t, 9>& m) {
    // The device's two neutral matrices: the identity in units of 512 and the plain
    // averaging matrix in units of 256.
    constexpr std::array<int16_t, 9> identity{512, 0, 0, 0, 512, 0, 0, 0, 512};
    constexpr std::array<int16_t, 9> averaging{256, 256, 0, 256, 0, 256, 0, 256, 256};
    return m == identity || m == averaging;
}

} // namespace

CScanner::CScanner(qv::ScannerLibrary* library) : m_pLibrary(library) {}

CScanner::~CScanner() {
    ClearInquiryCache();
}

qv::ScannerLibrary& CScanner::Library() const {
    return m_pLibrary ? *m_pLibrary : qv::GetScannerLibrary();
}

int32_t CScanner::Store(int32_t status) {
    m_iLastStatus.store(status, std::memory_order_relaxed);
    return status;
}

void CScanner::ResolveStatus(int32_t& status) {
    ::ResolveStatus(status, m_dwHandle, Library());
}

std::string CScanner::GetErrorText(int32_t status) {
    return ::GetErrorText(status, m_dwHandle, Library());
}

int32_t CScanner::GetLastAsc() {
    return Library().scanGetLastAsc(m_dwHandle);
}

// ---- scanner list -------------------------------------------------------------------

int32_t CScanner::OpenLib() {
    if (Store(Library().scanOpenLib()) != 0)
        return GetLastStatus();
    m_bLibOpen = 1;
    uint32_t handle = 0;
    uint32_t reserved = 0;
    const int32_t status = Store(Library().scanGetNextScanner(&handle, &reserved, 1));
    m_dwHandle = handle;
    if (status != 0)
        return status;
    if (Store(Library().scanOpenScanner(m_dwHandle)) == 0)
        m_bScannerOpen = 1;
    return GetLastStatus();
}

void CScanner::AddListEntry(int32_t openResult) {
    const std::string name = GetDisplayName();
    Library().scanCloseScanner(m_dwHandle);
    if (name.empty())
        return;
    m_dwHandles[m_iScannerCount] = m_dwHandle;
    m_iOpenResults[m_iScannerCount] = openResult;
    m_Names[m_iScannerCount] = name;
    ++m_iScannerCount;
}

void CScanner::EnumerateScanners() {
    m_iScannerCount = 0;
    ClearInquiryCache();
    AddListEntry(OpenLib());
    // The list has room for 30; further scanners are not asked for.
    while (GetLastStatus() != qv::kStatusNoScanner && m_iScannerCount < kMaxScanners) {
        uint32_t handle = 0;
        uint32_t reserved = 0;
        if (Store(Library().scanGetNextScanner(&handle, &reserved, 0)) == qv::kStatusNoScanner)
            break;
        m_dwHandle = handle;
        const int32_t openResult = Store(Library().scanOpenScanner(handle));
        ClearInquiryCache();
        AddListEntry(openResult);
    }
}

int32_t CScanner::OpenScanner(int32_t index) {
    if (index < 0 || index >= m_iScannerCount)
        return Store(qv::kStatusNoScanner);
    m_dwHandle = m_dwHandles[index];
    const int32_t status = Store(Library().scanOpenScanner(m_dwHandle));
    ClearInquiryCache();
    return status;
}

int32_t CScanner::Close() {
    if (m_bScannerOpen) {
        if (const int32_t status = Library().scanCloseScanner(m_dwHandle); status != 0)
            return Store(status);
        m_bScannerOpen = 0;
    }
    if (m_bLibOpen) {
        if (const int32_t status = Library().scanCloseLib(); status != 0)
            return Store(status);
        m_bLibOpen = 0;
    }
    return Store(0);
}

uint32_t CScanner::GetListHandle(int32_t index) const {
    return index >= 0 && index < m_iScannerCount ? m_dwHandles[index] : 0;
}

int32_t CScanner::GetListOpenResult(int32_t index) const {
    return index >= 0 && index < m_iScannerCount ? m_iOpenResults[index] : qv::kStatusNoScanner;
}

std::string CScanner::GetListName(int32_t index) const {
    return index >= 0 && index < m_iScannerCount ? m_Names[index] : std::string();
}

std::string CScanner::GetDisplayName() {
    std::string name = GetProductId() + HardwareSuffix(Library().scanGetHardwareType(m_dwHandle));
    if (name.size() > kMaxDisplayName)
        name.resize(kMaxDisplayName);
    return name;
}

// ---- inquiry cache ------------------------------------------------------------------

void CScanner::ClearInquiryCache() {
    for (auto& page : m_Pages)
        std::vector<uint8_t>().swap(page);
    m_bCacheFrozen = false;
}

void CScanner::FreezeInquiryCache() {
    for (int page = kInquiry; page < kPageCount; ++page)
        FetchPage(Page(page));
    m_bCacheFrozen = true;
}

int32_t CScanner::FetchPage(Page page) {
    std::vector<uint8_t>& cached = m_Pages[page];
    if (!cached.empty() || m_bCacheFrozen)
        return GetLastStatus();
    if (page == kInquiry) {
        std::vector<uint8_t> buffer(kInquiryLength, 0);
        if (Store(Library().scanInquiry(m_dwHandle, buffer.data(), kInquiryLength)) == 0)
            cached.swap(buffer);
        return GetLastStatus();
    }
    const auto code = static_cast<uint8_t>(0xC0 + (page - kPageC0));
    uint8_t header[kPageHeaderLength] = {};
    if (Store(Library().scanInquiryPage(m_dwHandle, header, kPageHeaderLength, code)) != 0)
        return GetLastStatus();
    // A page longer than 255 bytes is asked for with its length cut to 8 bits; the rest
    // of the buffer then stays zero.
    std::vector<uint8_t> buffer(static_cast<size_t>(header[3]) + 4, 0);
    if (Store(Library().scanInquiryPage(m_dwHandle, buffer.data(), static_cast<uint8_t>(buffer.size()),
                                        code)) == 0)
        cached.swap(buffer);
    return GetLastStatus();
}

bool CScanner::HavePage(Page page) {
    FetchPage(page);
    return !m_Pages[page].empty();
}

int32_t CScanner::PageLengthField(Page page) {
    return HavePage(page) && m_Pages[page].size() > 3 ? m_Pages[page][3] : -1;
}

uint8_t CScanner::PageByte(Page page, size_t offset) {
    if (!HavePage(page))
        return 0;
    const auto& bytes = m_Pages[page];
    return offset < bytes.size() ? bytes[offset] : 0;
}

uint32_t CScanner::PageU32(Page page, size_t offset) {
    if (!HavePage(page))
        return 0;
    const auto& bytes = m_Pages[page];
    if (offset >= bytes.size() || bytes.size() - offset < 4)
        return 0;
    const uint8_t* p = bytes.data() + offset;
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

int32_t CScanner::PageDigits(Page page, size_t offset) {
    if (!HavePage(page))
        return 0;
    const auto& bytes = m_Pages[page];
    if (offset >= bytes.size() || bytes.size() - offset < 4)
        return 0;
    int32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value = value * 10 + (bytes[offset + i] - '0');
    return value;
}

std::string CScanner::PageText(Page page, size_t offset, size_t length) {
    std::string text;
    if (!HavePage(page))
        return text;
    const auto& bytes = m_Pages[page];
    for (size_t i = offset; i < offset + length && i < bytes.size() && bytes[i] != 0; ++i)
        text.push_back(static_cast<char>(bytes[i]));
    return text;
}

// ---- capabilities -------------------------------------------------------------------

std::string CScanner::GetProductId() {
    return PageText(kInquiry, 16, 16);
}

int32_t CScanner::GetFirmwareRevision() {
    return PageDigits(kInquiry, 32);
}

int32_t CScanner::GetExecutableRevision() {
    return PageDigits(kPageC0, 28);
}

std::string CScanner::GetReleaseDate() {
    if (!HavePage(kPageC0))
        return "No Release Date";
    return PageText(kPageC0, 36, 16);
}

int32_t CScanner::GetGeneration() {
    return PageByte(kPageC0, 60) * 1000 + PageByte(kPageC0, 61) * 100 + PageByte(kPageC0, 62) * 10 +
           PageByte(kPageC0, 63);
}

int32_t CScanner::GetFpgaRevision() {
    return PageDigits(kPageC0, 72);
}

bool CScanner::IsColor() {
    return PageByte(kPageC1, 8) == 1;
}

bool CScanner::HasReducedDpiRange() {
    return PageByte(kPageC1, 12) == 1;
}

uint8_t CScanner::GetScannerClass() {
    return PageByte(kPageC1, 19);
}

uint32_t CScanner::GetBufferSize() {
    return PageU32(kPageC1, 24);
}

uint32_t CScanner::GetMaxScanWidth() {
    return PageU32(kPageC1, 28);
}

bool CScanner::IsGen4ColorAccepted() {
    return PageByte(kPageC1, 50) == 1;
}

uint32_t CScanner::GetSupportedBWModes() {
    return PageLengthField(kPageC1) >= 61 ? PageU32(kPageC1, 51) : 0;
}

int32_t CScanner::GetSharpenRange(int32_t& lowest, int32_t& highest) {
    lowest = 0;
    highest = 0;
    if (!HavePage(kPageC1))
        return GetLastStatus();
    if (PageLengthField(kPageC1) < 55)
        return kStatusPageTooShort;
    lowest = static_cast<int8_t>(PageByte(kPageC1, 55));
    highest = PageByte(kPageC1, 56);
    return GetLastStatus();
}

int32_t CScanner::GetWindowLength() {
    if (PageLengthField(kPageC1) >= 63)
        return PageByte(kPageC1, 66);
    if (GetGeneration() == 4)
        return 63;
    return GetFirmwareRevision() < 20 ? 67 : 68;
}

uint32_t CScanner::GetSupportedBWModesLimited() {
    return PageLengthField(kPageC2) + 4 >= 56 ? PageU32(kPageC2, 36) : 0;
}

uint32_t CScanner::GetReducedDpiMin() {
    return PageU32(kPageC2, 40);
}

uint32_t CScanner::GetReducedDpiMax() {
    return PageU32(kPageC2, 44);
}

uint32_t CScanner::GetResolutionMaxY() {
    return PageU32(kPageC2, 52);
}

uint32_t CScanner::GetResolutionCount() {
    return PageU32(kPageC3, 4);
}

uint32_t CScanner::GetResolution(int32_t index) {
    if (index < 0 || static_cast<uint32_t>(index) >= GetResolutionCount())
        return 0;
    // Computed wide so that a bogus count cannot wrap the offset back into the page.
    const uint64_t offset = 12 + 4 * uint64_t(static_cast<uint32_t>(index));
    return offset < m_Pages[kPageC3].size() ? PageU32(kPageC3, static_cast<size_t>(offset)) : 0;
}

uint32_t CScanner::GetMaxResolution() {
    const uint32_t count = GetResolutionCount();
    if (count == 0)
        return 0;
    const uint64_t offset = 12 + 4 * uint64_t(count - 1);
    return offset < m_Pages[kPageC3].size() ? PageU32(kPageC3, static_cast<size_t>(offset)) : 0;
}

uint32_t CScanner::GetGammaLength() {
    return PageU32(kPageC4, 36);
}

bool CScanner::IsWide600Model() {
    if (GetGeneration() != 5 || !IsColor() || GetMaxResolution() != 600)
        return false;
    const uint32_t width = GetMaxScanWidth();
    return width == 48000 || GetScannerClass() == 3 || width / 1200.0 > 45.0;
}

int32_t CScanner::ReadColorMatrixEntry(int32_t entry, std::array<int16_t, 9>& values) {
    values.fill(0);
    if (entry < 1 || entry > 3)
        return Store(kStatusParameterInvalid);
    uint8_t bytes[kColorMatrixEntryLength] = {};
    const int32_t status =
        Store(Library().scanReadBuffer(m_dwHandle, bytes, kReadBufferMode, kColorMatrixBuffer,
                                       (entry - 1) * kColorMatrixEntryLength, kColorMatrixEntryLength));
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<int16_t>(Be16(bytes + 2 * i));
    return status;
}

bool CScanner::HasCustomColorMatrix() {
    if (GetGeneration() < 5)
        return false;
    std::array<int16_t, 9> matrix{};
    // A matrix that could not be read is no reason to offer a choice.
    if (ReadColorMatrixEntry(2, matrix) != 0)
        return false;
    return !IsUnitMatrix(matrix);
}

// ---- window parameters and commands -------------------------------------------------

void CScanner::SetScanArea(uint32_t xOffset, uint32_t yOffset, uint32_t width, uint32_t height) {
    m_Window.dwXOffset = xOffset;
    m_Window.dwYOffset = yOffset;
    m_Window.dwWidth = width;
    m_Window.dwHeight = height;
}

int32_t CScanner::SetWindow() {
    const int32_t generation = GetGeneration();
    const int32_t length = generation == 4 ? kGen4WindowLength : GetWindowLength();
    const std::vector<uint8_t> block = BuildWindowBlock(m_Window, generation, length);
    const int32_t status = Library().scanSetWindow(m_dwHandle, block.data(), length);
    ClearWindowParameters();
    return Store(status);
}

int32_t CScanner::GammaCurve(double gamma, int32_t brightness, int32_t contrast) {
    const int32_t statusBefore = GetLastStatus();
    const bool color = IsColor();
    if (!color && GetGeneration() == 4)
        return Store(statusBefore);
    const uint32_t entries = GetGammaLength();
    if (entries > 0x7FFFFFFFu / 3)
        return Store(-1);
    const auto n = static_cast<int32_t>(entries);
    CGammaCurve curve(n);
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[3 * static_cast<size_t>(n)]());
    if (!buffer || (n > 0 && curve.IsEmpty()))
        return Store(-1);
    curve.SetGamma(gamma);
    curve.Apply(buffer.get(), brightness, contrast);
    // A gray device takes the one curve followed by two empty channels.
    if (color) {
        std::memcpy(buffer.get() + n, buffer.get(), static_cast<size_t>(n));
        std::memcpy(buffer.get() + 2 * n, buffer.get(), static_cast<size_t>(n));
    }
    return Store(Library().scanSend(m_dwHandle, buffer.get(), 3 * n, kSendGamma, 0));
}

int32_t CScanner::SendWhiteLevels(const std::array<int32_t, 6>& levels, uint32_t pauseMs) {
    if (GetGeneration() == 4) {
        uint8_t bytes[6];
        for (size_t i = 0; i < levels.size(); ++i)
            bytes[i] = static_cast<uint8_t>(levels[i]);
        const int32_t status = Store(Library().scanSend(m_dwHandle, bytes, 6, kSendWhiteLevels, 0));
        qv::GetScannerClock().Sleep(pauseMs);
        return status;
    }
    uint8_t bytes[24];
    for (size_t i = 0; i < levels.size(); ++i) {
        const int32_t v = levels[i];
        const auto converted =
            static_cast<uint32_t>(v == 0 ? 0 : static_cast<int32_t>(255.0 / v * 255.0 + 0.5));
        // This block alone is in the machine's own little-endian order.
        for (size_t k = 0; k < 4; ++k)
            bytes[4 * i + k] = static_cast<uint8_t>(converted >> (8 * k));
    }
    return Store(Library().scanSend(m_dwHandle, bytes, 24, kSendWhiteLevels, 2));
}

int32_t CScanner::TestUnitReady() {
    return Library().scanTestUnitReady(m_dwHandle);
}

int32_t CScanner::PollWhileProgress(int32_t progress) {
    // The device answers with the progress code until the move is done; a device that
    // never finishes is given up on and the progress code reported as the failure.
    const qv::ProgressDeadline deadline;
    int32_t status = TestUnitReady();
    ResolveStatus(status);
    while (status == progress && !deadline.Expired()) {
        status = TestUnitReady();
        ResolveStatus(status);
    }
    return status;
}

int32_t CScanner::LoadPaper() {
    if (Store(Library().scanObjectPosition(m_dwHandle, kPositionLoadOrStart, 0)) != 0)
        return GetLastStatus();
    return Store(PollWhileProgress(kSenseMediaLoadProgress));
}

int32_t CScanner::MovePaperToStart() {
    return Library().scanObjectPosition(m_dwHandle, kPositionLoadOrStart, 0);
}

int32_t CScanner::MovePaperToWindow() {
    if (IsPaperInWindow())
        return Store(0);
    int32_t status = Library().scanObjectPosition(m_dwHandle, kPositionToWindow, 0);
    if (status != 0) {
        ResolveStatus(status);
        return Store(status);
    }
    qv::GetScannerClock().Sleep(kPositionSettleMs);
    if (GetGeneration() == 4)
        return Store(PollWhileProgress(kSenseObjectPositionProgress));
    return WaitForPaperPosition(kGen5PositionLimit);
}

int32_t CScanner::WaitForPaperPosition(int32_t limit) {
    const int64_t lastPass = int64_t{limit} * 5;
    for (int64_t pass = 1;; ++pass) {
        ScannerStatusBlock block;
        const int32_t status = ReadScannerStatus(block);
        const uint8_t paper = block[1];
        const bool positioned = paper == kPaperPositioned0 || paper == kPaperPositioned1;
        if (!positioned)
            qv::GetScannerClock().Sleep(kPositionPollMs);
        if (block[6] & kPaperInWindowBit) {
            if (paper == kPaperMoveFailed)
                return Store(-1);
            if (paper == 0)
                return Store(0);
        }
        // Good reads of a sheet that never arrives are no success.
        if (pass > lastPass)
            return Store(status != 0 || positioned ? status : kSenseObjectPositionProgress);
        if (positioned && status == 0)
            return Store(0);
    }
}

int32_t CScanner::SendScanCommand() {
    const uint8_t windowList[2] = {0, 0};
    int32_t status = Library().scanScan(m_dwHandle, windowList, GetGeneration() == 4 ? 2 : 1);
    ResolveStatus(status);
    return Store(status == kSenseScanAccepted ? 0 : status);
}

int32_t CScanner::ReadScannerStatus(ScannerStatusBlock& block) {
    // A read that fails leaves a zeroed block rather than stale bytes.
    block.fill(0);
    int32_t received = 0;
    return Store(Library().scanRead(m_dwHandle, block.data(), kStatusBlockLength, kReadStatus, 0, &received));
}

uint8_t CScanner::GetPaperState() {
    ScannerStatusBlock block;
    ReadScannerStatus(block);
    return block[1];
}

bool CScanner::IsPaperInWindow() {
    ScannerStatusBlock block;
    ReadScannerStatus(block);
    return (block[6] & kPaperInWindowBit) != 0;
}

int32_t CScanner::ReadCameraWidths(int32_t& a, int32_t& b, int32_t& c, int32_t& d) {
    uint8_t bytes[kPictureSizeLength] = {};
    int32_t received = 0;
    const int32_t status = Store(Library().scanRead(m_dwHandle, bytes, kPictureSizeLength, kReadPictureSize,
                                                    kPictureSizeQualifier, &received));
    a = Be16(bytes);
    b = Be16(bytes + 2);
    c = Be16(bytes + 4);
    d = Be16(bytes + 6);
    return status;
}

int32_t CScanner::GetPictureWidth(int32_t& width) {
    width = 0;
    int32_t a = 0;
    int32_t b = 0;
    int32_t c = 0;
    int32_t d = 0;
    int32_t status = ReadCameraWidths(a, b, c, d);
    if (status != 0) {
        ResolveStatus(status);
        if (status != kSenseEndOfMedium)
            return Store(status);
    }
    width = a + b + c + d;
    return Store(0);
}

int32_t CScanner::ReadImage(uint8_t* buffer, int32_t length, int32_t& received) {
    int32_t status = ReadImageUnresolved(buffer, length, received);
    ResolveStatus(status);
    return Store(status);
}

int32_t CScanner::ReadImageUnresolved(uint8_t* buffer, int32_t length, int32_t& received) {
    received = 0;
    const int32_t status = Library().scanRead(m_dwHandle, buffer, length, kReadImage, 0, &received);
    // A count beyond the buffer would send the caller past its end.
    received = std::clamp(received, 0, std::max(length, 0));
    return status;
}

int32_t CScanner::ReceiveDiagnostic(uint8_t* buffer, int32_t length) {
    return Store(Library().scanReceiveDiagnostic(m_dwHandle, buffer, length));
}
