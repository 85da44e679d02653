// The scanner object: lists the scanners, opens one, answers capability questions from
// its cached inquiry pages and issues the device commands of a scan.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/ScannerLibrary.h"
#include "scanner/WindowBlock.h"

// scanRead data types and qualifiers.
constexpr int32_t kReadImage = 0;
constexpr int32_t kReadStatus = 0x80;
constexpr int32_t kReadPictureSize = 0xFF;
constexpr int32_t kPictureSizeQualifier = 2;
// scanSend data types.
constexpr int32_t kSendGamma = 3;
constexpr int32_t kSendWhiteLevels = 0xFA;
// scanObjectPosition functions.
constexpr int32_t kPositionLoadOrStart = 1;
constexpr int32_t kPositionToWindow = 2;

constexpr int32_t kStatusBlockLength = 21;
constexpr int32_t kPictureSizeLength = 8;
constexpr int32_t kColorMatrixEntryLength = 18;

using ScannerStatusBlock = std::array<uint8_t, kStatusBlockLength>;

// Status block fields.
constexpr uint8_t kPaperInWindowBit = 0x08;
constexpr uint8_t kPaperPositioned0 = '0';
constexpr uint8_t kPaperPositioned1 = '1';
constexpr uint8_t kPaperMoveFailed = 0x12;
constexpr uint8_t kPaperStuck = 0x14;

class CScanner {
  public:
    static constexpr int32_t kMaxScanners = 30;
    static constexpr size_t kMaxDisplayName = 49;

    // Talks to `library`, or with nullptr to whatever qv::GetScannerLibrary() answers at
    // each call. The library must outlive the object.
    explicit CScanner(qv::ScannerLibrary* library = nullptr);
    ~CScanner();
    CScanner(const CScanner&) = delete;
    CScanner& operator=(const CScanner&) = delete;

    // Scanner list and the open scanner.
    int32_t OpenLib();
    void EnumerateScanners();
    int32_t OpenScanner(int32_t index);
    int32_t Close();
    bool IsOpen() const { return m_bScannerOpen != 0; }
    bool IsLibOpen() const { return m_bLibOpen != 0; }
    void ClearInquiryCache();
    // Fetches every page not cached yet; from then on the pages are only read, never fetched
    // again (a page that could not be had stays missing), until the cache is cleared. Done
    // before a second thread asks for capabilities, so that both read one unchanging view.
    void FreezeInquiryCache();
    uint32_t GetHandle() const { return m_dwHandle; }
    void SetHandle(uint32_t handle) { m_dwHandle = handle; }
    int32_t GetLastAsc();
    int32_t GetLastStatus() const { return m_iLastStatus.load(std::memory_order_relaxed); }
    std::string GetDisplayName();

    int32_t GetScannerCount() const { return m_iScannerCount; }
    // Entries outside the list read as handle 0, status -117 and an empty name.
    uint32_t GetListHandle(int32_t index) const;
    int32_t GetListOpenResult(int32_t index) const;
    std::string GetListName(int32_t index) const;

    // Capabilities; without their page they answer 0, false or the stated fallback.
    std::string GetProductId();
    int32_t GetFirmwareRevision();
    int32_t GetExecutableRevision();
    std::string GetReleaseDate();
    int32_t GetGeneration();
    int32_t GetFpgaRevision();
    bool IsColor();
    bool HasReducedDpiRange();
    uint8_t GetScannerClass();
    uint32_t GetBufferSize();
    uint32_t GetMaxScanWidth();
    bool IsGen4ColorAccepted();
    uint32_t GetSupportedBWModes();
    int32_t GetSharpenRange(int32_t& lowest, int32_t& highest);
    int32_t GetWindowLength();
    uint32_t GetSupportedBWModesLimited();
    uint32_t GetReducedDpiMin();
    uint32_t GetReducedDpiMax();
    uint32_t GetResolutionMaxY();
    uint32_t GetResolutionCount();
    uint32_t GetResolution(int32_t index);
    uint32_t GetMaxResolution();
    uint32_t GetGammaLength();
    bool IsWide600Model();
    bool HasCustomColorMatrix();
    // Entry 1 to 3 of the device's colour matrices: nine signed values.
    int32_t ReadColorMatrixEntry(int32_t entry, std::array<int16_t, 9>& values);

    // Window parameters of the next scan.
    void ClearWindowParameters() { m_Window = WindowParameters{}; }
    void SetScanArea(uint32_t xOffset, uint32_t yOffset, uint32_t width, uint32_t height);
    void SetMode(int32_t mode) { m_Window.enumMode = mode; }
    void SetResolution(uint32_t dpi) { m_Window.dwResolutionX = m_Window.dwResolutionY = dpi; }
    void SetResolutionX(uint32_t dpi) { m_Window.dwResolutionX = dpi; }
    void SetResolutionY(uint32_t dpi) { m_Window.dwResolutionY = dpi; }
    void SetThreshold(uint8_t threshold) { m_Window.byteThreshold = threshold; }
    void SetWord52(uint32_t value) { m_Window.dwWord52 = value; }
    void SetDSPAdaptiveLevel(uint8_t level) { m_Window.byteDSPAdaptiveLevel = level; }
    void SetBackgroundLevel(uint8_t level) { m_Window.byteBackgroundLevel = level; }
    void SetBlur(uint8_t blur) { m_Window.byteBlur = blur; }
    void SetSharpenSoften(uint8_t level) { m_Window.byteSharpenSoften = level; }
    void SetBufferWord(uint32_t value) { m_Window.dwBufferWord = value; }
    void SetScanSpeed(uint8_t speed) { m_Window.byteScanSpeed = speed; }
    void SetColorSpaceNtsc() { m_Window.byteColorSpace = 0; }
    void SetColorSpaceSrgb() { m_Window.byteColorSpace = 1; }
    const WindowParameters& GetWindowParameters() const { return m_Window; }

    // Commands.
    int32_t SetWindow();
    int32_t GammaCurve(double gamma, int32_t brightness, int32_t contrast);
    int32_t SendWhiteLevels(const std::array<int32_t, 6>& levels, uint32_t pauseMs);
    int32_t LoadPaper();
    int32_t MovePaperToStart();
    int32_t MovePaperToWindow();
    int32_t WaitForPaperPosition(int32_t limit);
    int32_t SendScanCommand();
    int32_t TestUnitReady();
    int32_t ReadScannerStatus(ScannerStatusBlock& block);
    uint8_t GetPaperState();
    bool IsPaperInWindow();
    int32_t ReadCameraWidths(int32_t& a, int32_t& b, int32_t& c, int32_t& d);
    int32_t GetPictureWidth(int32_t& width);
    int32_t ReadImage(uint8_t* buffer, int32_t length, int32_t& received);
    // The same read with the library's own status (a CHECK CONDITION stays 2), which is not
    // kept as the last status: another thread may be looking at that.
    int32_t ReadImageUnresolved(uint8_t* buffer, int32_t length, int32_t& received);
    int32_t ReceiveDiagnostic(uint8_t* buffer, int32_t length);
    // Replaces a CHECK CONDITION by the current handle's sense code.
    void ResolveStatus(int32_t& status);
    // The text of a status, a CHECK CONDITION read as the current handle's sense code.
    std::string GetErrorText(int32_t status);

  private:
    enum Page { kInquiry, kPageC0, kPageC1, kPageC2, kPageC3, kPageC4, kPageCount };

    qv::ScannerLibrary& Library() const;
    int32_t Store(int32_t status);
    // Fetches a page into the cache unless it is there; answers whether it is there.
    bool HavePage(Page page);
    int32_t FetchPage(Page page);
    // Page length less 4 as the page states it, -1 without the page.
    int32_t PageLengthField(Page page);
    uint8_t PageByte(Page page, size_t offset);
    uint32_t PageU32(Page page, size_t offset);
    int32_t PageDigits(Page page, size_t offset);
    std::string PageText(Page page, size_t offset, size_t length);
    void AddListEntry(int32_t openResult);
    int32_t PollWhileProgress(int32_t progress);

    qv::ScannerLibrary* m_pLibrary;

    std::array<uint32_t, kMaxScanners> m_dwHandles{};
    std::array<int32_t, kMaxScanners> m_iOpenResults{};
    std::array<std::string, kMaxScanners> m_Names;
    int32_t m_iScannerCount = 0;

    uint32_t m_dwHandle = 0;
    // Written by image reads on the reader thread while other threads may read it.
    std::atomic<int32_t> m_iLastStatus{0};

    std::array<std::vector<uint8_t>, kPageCount> m_Pages;
    // Set and cleared only while no other thread uses the object.
    bool m_bCacheFrozen = false;

    WindowParameters m_Window;

    uint8_t m_bLibOpen = 0;
    uint8_t m_bScannerOpen = 0;
};
