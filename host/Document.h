// One imported image as the host receives it from the strips a module hands over, checked
// and passed on to its file row by row as soon as every plane of a row is there; and the
// file forms (PBM for bitmap, PGM for gray, PPM for colour; TIFF natively).
#pragma once

#include "plugin/HostInterface.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qv::host {

struct Geometry {
    int32_t rows = 0;
    int32_t cols = 0;
    int16_t mode = 0;
    int16_t depth = 0;
    int16_t planes = 0;
    Fixed hRes = 0;
    Fixed vRes = 0;
    std::vector<uint8_t> lut[3]; // indexed colour only
};

// Reads what a module wrote into the record at start; empty when it makes no sense, with
// the reasons in problems.
std::optional<Geometry> GeometryFromRecord(const AcquireRecord& record, std::vector<std::string>& problems);

struct Strip {
    const uint8_t* data = nullptr;
    HostRect rect{};
    int16_t loPlane = 0;
    int16_t hiPlane = 0;
    int16_t colBytes = 0;
    int32_t rowBytes = 0;
    int32_t planeBytes = 0;
};

// Bytes from data that the strip reaches, or an empty value with the reason when its
// rectangle, planes or strides cannot describe memory of this document.
std::optional<size_t> StripExtent(const Geometry& g, const Strip& s, std::string& why);

// Takes a document's rows in order, as the file holds them: packed bits with a set bit
// black, gray bytes, or RGB triplets (indexed colour arrives already looked up).
class DocumentWriter {
  public:
    virtual ~DocumentWriter() = default;
    virtual bool Open(const Geometry& g, std::string& error) = 0;
    virtual bool WriteRow(const uint8_t* row, std::string& error) = 0;
    virtual bool Close(std::string& error) = 0;
    // Gives up an unfinished file: closed and deleted.
    virtual void Remove() = 0;
    // A writer that keeps nothing spares the document its copies.
    virtual bool WantsPixels() const { return true; }
    virtual std::string Path() const { return {}; }
};

std::unique_ptr<DocumentWriter> MakePnmWriter(std::string path);
std::unique_ptr<DocumentWriter> MakeDiscardWriter();
const char* PnmExtension(int16_t mode);

class Document {
  public:
    // The writer is opened by Begin.
    Document(Geometry g, std::unique_ptr<DocumentWriter> writer);
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    bool Begin(std::string& error);
    // Takes a strip already checked with StripExtent and writes every row it completes.
    // False with the reason when it delivers a row of a plane a second time, or when the
    // host cannot hold or write its rows (HostFailed tells which).
    bool Store(const Strip& s, std::string& why);
    bool HostFailed() const { return hostFailed_; }
    // Writes the rows still missing as white and closes the file.
    bool Finish(std::string& error);
    // Removes the file of an image that will not be finished.
    void Cancel();

    const Geometry& geometry() const { return g_; }
    // Rows of plane p that strips have filled, and rows with every plane filled.
    int32_t RowsCovered(int plane) const { return planeRows_[static_cast<size_t>(plane)]; }
    int32_t RowsDelivered() const { return rowsComplete_; }
    bool Complete() const { return rowsComplete_ == g_.rows; }
    uint64_t BytesTaken() const { return bytesTaken_; }
    // Memory held for rows that wait for their other planes or for rows above them: one
    // band when a module sends each band's planes in turn.
    size_t PeakBufferedBytes() const { return peakBuffered_; }

  private:
    struct Span {
        int32_t left, right;
    };
    struct Cover {
        int32_t cols = 0;
        std::vector<Span> parts; // only while a row is filled piece by piece
    };
    bool Claim(Cover& c, int32_t left, int32_t right);
    void Reach(int32_t bottom);
    void Copy(const Strip& s, int plane, int32_t row, const uint8_t* src);
    bool Flush(std::string& error);
    bool WriteSlot(const uint8_t* slot, std::string& error);

    Geometry g_;
    std::unique_ptr<DocumentWriter> writer_;
    bool keep_;
    int filePlanes_;
    size_t planeRowBytes_;
    size_t slotBytes_;
    uint8_t white_;
    int32_t next_ = 0;             // first row not yet written
    std::vector<uint8_t> pending_; // rows next_.. in slots of slotBytes_, planes one after another
    std::vector<Cover> cover_;     // per pending row and plane
    std::vector<uint8_t> line_;    // one interleaved file row
    std::vector<int32_t> planeRows_;
    int32_t rowsComplete_ = 0;
    uint64_t bytesTaken_ = 0;
    size_t peakBuffered_ = 0;
    bool open_ = false;
    bool hostFailed_ = false;
};

struct PnmImage {
    char kind = 0; // '4', '5' or '6'
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels;
};
// Binary PBM, PGM (8-bit) or PPM (8-bit) of sides 1..30000, the largest document a host
// takes; anything else is refused with the reason in error, before its size is allocated.
std::optional<PnmImage> ReadPnm(const std::string& path, std::string& error);
std::optional<PnmImage> ReadPnm(const std::string& path);

// Empty when both hold the same pixels; else where and how they first differ, or which of
// them has pixels that do not fill its shape. Bits beyond the last column of a bitmap row
// are not pixels and are not compared.
std::optional<std::string> ComparePnm(const PnmImage& a, const PnmImage& b);

} // namespace qv::host
