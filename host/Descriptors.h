// The host's scripting services: write descriptors collect keyed values and close into a
// handle of the host's handle memory; read descriptors walk such a handle key by key.
// An object value is itself a closed descriptor, so lists of objects nest.
#pragma once

#include "host/HostMemory.h"
#include "plugin/HostInterface.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace qv::host {

constexpr DescriptorTypeID typeUnitFloat = MakeOSType('U', 'n', 't', 'F');
constexpr DescriptorTypeID typeFloat = MakeOSType('d', 'o', 'u', 'b');
constexpr DescriptorTypeID typeInteger = MakeOSType('l', 'o', 'n', 'g');
constexpr DescriptorTypeID typeBoolean = MakeOSType('b', 'o', 'o', 'l');
constexpr DescriptorTypeID typeEnumerated = MakeOSType('e', 'n', 'u', 'm');
constexpr DescriptorTypeID typeObject = MakeOSType('O', 'b', 'j', 'c');
constexpr DescriptorTypeID typeValueList = MakeOSType('V', 'l', 'L', 's');
constexpr OSErr coercedParamErr = 2;

struct DescItem {
    enum class Kind : uint32_t { UnitFloat, Float, Integer, Boolean, Enumerated, Count, Object };
    DescriptorKeyID key = 0;
    Kind kind = Kind::Integer;
    DescriptorTypeID type = 0; // enumeration type or object class
    DescriptorUnitID unit = 0; // unit, or enumerated value
    double number = 0;
    int32_t integer = 0;         // integer, Boolean or count
    std::vector<uint8_t> object; // a nested closed descriptor
};

std::vector<uint8_t> EncodeDescriptor(const std::vector<DescItem>& items);
std::optional<std::vector<DescItem>> DecodeDescriptor(const uint8_t* bytes, size_t size);
// One line per item, nested objects indented; for the host's report.
std::string DescribeDescriptor(const std::vector<DescItem>& items, int indent = 0);
std::string FourCC(uint32_t code);

class DescriptorSuites {
  public:
    DescriptorSuites(HandlePool& handles, ViolationSink report);
    ~DescriptorSuites();

    ReadDescriptorProcs* read() { return &read_; }
    WriteDescriptorProcs* write() { return &write_; }
    // Reports tokens the module opened and never closed.
    int ReportOpenTokens();

    // Entry points behind the tables.
    PIReadDescriptor OpenRead(PIDescriptorHandle handle, const DescriptorKeyID* keys);
    OSErr CloseRead(PIReadDescriptor token);
    bool GetKey(PIReadDescriptor token, DescriptorKeyID* key, DescriptorTypeID* type, int32_t* flags);
    OSErr GetValue(PIReadDescriptor token, DescItem::Kind kind, DescItem& item);
    OSErr GetObject(PIReadDescriptor token, DescriptorTypeID* type, PIDescriptorHandle* handle);
    PIWriteDescriptor OpenWrite();
    OSErr CloseWrite(PIWriteDescriptor token, PIDescriptorHandle* handle);
    OSErr Put(PIWriteDescriptor token, DescItem item);
    OSErr PutObject(PIWriteDescriptor token, DescriptorKeyID key, DescriptorTypeID type,
                    PIDescriptorHandle h);
    OSErr Unsupported(const char* what);

    std::optional<std::vector<DescItem>> ItemsOf(PIDescriptorHandle handle);
    PIDescriptorHandle HandleOf(const std::vector<DescItem>& items);

    // After a call that began with `given` as the descriptor: a new one there is what the
    // module handed over. The host keeps its items and takes the handle, as a host records
    // an action; answers the items described, or nothing when none was handed over.
    std::optional<std::string> TakeHandedOver(PIDescriptorParameters& parameters, PIDescriptorHandle given);
    // Every descriptor handed over, in order.
    const std::vector<std::vector<DescItem>>& handedOver() const { return handedOver_; }

    // The list given to the module to play, and how many of its entries the module took.
    void SetPlayed(PIDescriptorHandle handle);
    std::string PlayedReport() const;

  private:
    struct Reader;
    struct Writer;
    template <typename T>
    T* FindOpen(const std::set<T*>& open, void* token, const char* operation, const char* kind);
    Reader* FindReader(PIReadDescriptor token, const char* operation);
    Writer* FindWriter(PIWriteDescriptor token, const char* operation);

    HandlePool& handles_;
    ViolationSink report_;
    ReadDescriptorProcs read_{};
    WriteDescriptorProcs write_{};
    std::set<Reader*> readers_;
    std::set<Writer*> writers_;
    std::vector<std::vector<DescItem>> handedOver_;
    PIDescriptorHandle played_ = nullptr;
    int playedEntries_ = 0;
    int playedTaken_ = 0;
};

// The suites the record's tables call into; one host at a time.
void SetCurrentDescriptorSuites(DescriptorSuites* suites);

} // namespace qv::host
