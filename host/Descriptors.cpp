#include "host/Descriptors.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <sstream>

namespace qv::host {

namespace {

std::atomic<DescriptorSuites*> g_suites{nullptr};

DescriptorSuites& Suites() {
    return *g_suites.load();
}

template <typename T> void Append(std::vector<uint8_t>& out, T value) {
    const size_t at = out.size();
    out.resize(at + sizeof(T));
    std::memcpy(out.data() + at, &value, sizeof(T));
}

template <typename T> bool Take(const uint8_t*& p, const uint8_t* end, T& value) {
    if (static_cast<size_t>(end - p) < sizeof(T))
        return false;
    std::memcpy(&value, p, sizeof(T));
    p += sizeof(T);
    return true;
}

constexpr uint32_t kMagic = 0x51564453;

DescriptorTypeID TypeOf(const DescItem& item) {
    switch (item.kind) {
    case DescItem::Kind::UnitFloat:
        return typeUnitFloat;
    case DescItem::Kind::Float:
        return typeFloat;
    case DescItem::Kind::Integer:
        return typeInteger;
    case DescItem::Kind::Boolean:
        return typeBoolean;
    case DescItem::Kind::Enumerated:
        return item.type;
    case DescItem::Kind::Count:
        return typeValueList;
    case DescItem::Kind::Object:
        return item.type;
    }
    return 0;
}

} // namespace

std::string FourCC(uint32_t code) {
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) {
        char c = static_cast<char>((code >> shift) & 0xFF);
        s += (c >= 32 && c < 127) ? c : '?';
    }
    return s;
}

std::vector<uint8_t> EncodeDescriptor(const std::vector<DescItem>& items) {
    std::vector<uint8_t> out;
    Append(out, kMagic);
    Append(out, static_cast<uint32_t>(items.size()));
    for (const DescItem& it : items) {
        Append(out, it.key);
        Append(out, static_cast<uint32_t>(it.kind));
        Append(out, it.type);
        Append(out, it.unit);
        Append(out, it.number);
        Append(out, it.integer);
        Append(out, static_cast<uint32_t>(it.object.size()));
        out.insert(out.end(), it.object.begin(), it.object.end());
    }
    return out;
}

std::optional<std::vector<DescItem>> DecodeDescriptor(const uint8_t* p, size_t size) {
    const uint8_t* end = p + size;
    uint32_t magic = 0, count = 0;
    if (!Take(p, end, magic) || magic != kMagic || !Take(p, end, count))
        return std::nullopt;
    std::vector<DescItem> items;
    for (uint32_t i = 0; i < count; ++i) {
        DescItem it;
        uint32_t kind = 0, length = 0;
        if (!Take(p, end, it.key) || !Take(p, end, kind) || !Take(p, end, it.type) ||
            !Take(p, end, it.unit) || !Take(p, end, it.number) || !Take(p, end, it.integer) ||
            !Take(p, end, length) || kind > static_cast<uint32_t>(DescItem::Kind::Object) ||
            static_cast<size_t>(end - p) < length)
            return std::nullopt;
        it.kind = static_cast<DescItem::Kind>(kind);
        it.object.assign(p, p + length);
        p += length;
        items.push_back(std::move(it));
    }
    return items;
}

std::string DescribeDescriptor(const std::vector<DescItem>& items, int indent) {
    std::ostringstream out;
    const std::string pad(static_cast<size_t>(indent), ' ');
    for (const DescItem& it : items) {
        out << pad << "'" << FourCC(it.key) << "' ";
        switch (it.kind) {
        case DescItem::Kind::UnitFloat:
            out << it.number << " '" << FourCC(it.unit) << "'";
            break;
        case DescItem::Kind::Float:
            out << it.number;
            break;
        case DescItem::Kind::Integer:
            out << "integer " << it.integer;
            break;
        case DescItem::Kind::Boolean:
            out << (it.integer ? "true" : "false");
            break;
        case DescItem::Kind::Enumerated:
            out << "'" << FourCC(it.type) << "' '" << FourCC(it.unit) << "'";
            break;
        case DescItem::Kind::Count:
            out << "count " << it.integer;
            break;
        case DescItem::Kind::Object: {
            out << "object '" << FourCC(it.type) << "'";
            auto inner = DecodeDescriptor(it.object.data(), it.object.size());
            out << "\n" << (inner ? DescribeDescriptor(*inner, indent + 2) : pad + "  (unreadable)\n");
            continue;
        }
        }
        out << "\n";
    }
    return out.str();
}

struct DescriptorSuites::Reader {
    std::vector<DescItem> items;
    std::vector<DescriptorKeyID> wanted;
    std::set<DescriptorKeyID> seen;
    size_t next = 0;    // item the next key query yields
    size_t current = 0; // item the value queries read
    size_t objectCursor = 0;
    bool haveCurrent = false;
    bool played = false; // opened on the list the host gave to play
};

struct DescriptorSuites::Writer {
    std::vector<DescItem> items;
};

namespace {

PIReadDescriptor HOSTAPI OpenReadProc(PIDescriptorHandle h, DescriptorKeyIDArray keys) {
    return Suites().OpenRead(h, keys);
}
OSErr HOSTAPI CloseReadProc(PIReadDescriptor t) {
    return Suites().CloseRead(t);
}
HostBoolean HOSTAPI GetKeyProc(PIReadDescriptor t, DescriptorKeyID* key, DescriptorTypeID* type,
                               int32_t* flags) {
    return Suites().GetKey(t, key, type, flags) ? 1 : 0;
}

template <typename Out> OSErr Read(PIReadDescriptor t, DescItem::Kind kind, Out* out, Out DescItem::*field) {
    DescItem item;
    OSErr err = Suites().GetValue(t, kind, item);
    if (err == noErr && out)
        *out = item.*field;
    return err;
}

OSErr HOSTAPI GetIntegerProc(PIReadDescriptor t, int32_t* v) {
    return Read(t, DescItem::Kind::Integer, v, &DescItem::integer);
}
OSErr HOSTAPI GetFloatProc(PIReadDescriptor t, double* v) {
    return Read(t, DescItem::Kind::Float, v, &DescItem::number);
}
OSErr HOSTAPI GetUnitFloatProc(PIReadDescriptor t, DescriptorUnitID* unit, double* v) {
    DescItem item;
    OSErr err = Suites().GetValue(t, DescItem::Kind::UnitFloat, item);
    if (err == noErr) {
        if (unit)
            *unit = item.unit;
        if (v)
            *v = item.number;
    }
    return err;
}
OSErr HOSTAPI GetBooleanProc(PIReadDescriptor t, HostBoolean* v) {
    DescItem item;
    OSErr err = Suites().GetValue(t, DescItem::Kind::Boolean, item);
    if (err == noErr && v)
        *v = item.integer ? 1 : 0;
    return err;
}
OSErr HOSTAPI GetTextProc(PIReadDescriptor, HostHandle*) {
    return Suites().Unsupported("text read");
}
OSErr HOSTAPI GetAliasProc(PIReadDescriptor, HostHandle*) {
    return Suites().Unsupported("alias read");
}
OSErr HOSTAPI GetEnumeratedProc(PIReadDescriptor t, DescriptorEnumID* v) {
    return Read(t, DescItem::Kind::Enumerated, v, &DescItem::unit);
}
OSErr HOSTAPI GetClassProc(PIReadDescriptor, DescriptorTypeID*) {
    return Suites().Unsupported("class read");
}
OSErr HOSTAPI GetSimpleReferenceProc(PIReadDescriptor, void*) {
    return Suites().Unsupported("reference read");
}
OSErr HOSTAPI GetObjectProc(PIReadDescriptor t, DescriptorTypeID* type, PIDescriptorHandle* h) {
    return Suites().GetObject(t, type, h);
}
OSErr HOSTAPI GetCountProc(PIReadDescriptor t, uint32_t* v) {
    DescItem item;
    OSErr err = Suites().GetValue(t, DescItem::Kind::Count, item);
    if (err == noErr && v)
        *v = static_cast<uint32_t>(item.integer);
    return err;
}
OSErr HOSTAPI GetStringProc(PIReadDescriptor, unsigned char (*)[256]) {
    return Suites().Unsupported("string read");
}

// Values outside the range are pinned to it and reported as coerced.
template <typename T> OSErr Pin(T& value, T low, T high) {
    if (value < low) {
        value = low;
        return coercedParamErr;
    }
    if (value > high) {
        value = high;
        return coercedParamErr;
    }
    return noErr;
}

// Reads with get, then pins the value when bounds are given.
template <typename T, typename Get> OSErr ReadPinned(Get get, const T* low, const T* high, T* out) {
    T value{};
    OSErr err = get(&value);
    if (err != noErr)
        return err;
    if (low && high)
        err = Pin(value, *low, *high);
    if (out)
        *out = value;
    return err;
}

OSErr HOSTAPI GetPinnedIntegerProc(PIReadDescriptor t, int32_t low, int32_t high, int32_t* v) {
    return ReadPinned<int32_t>([t](int32_t* x) { return GetIntegerProc(t, x); }, &low, &high, v);
}
OSErr HOSTAPI GetPinnedFloatProc(PIReadDescriptor t, const double* low, const double* high, double* v) {
    return ReadPinned<double>([t](double* x) { return GetFloatProc(t, x); }, low, high, v);
}
OSErr HOSTAPI GetPinnedUnitFloatProc(PIReadDescriptor t, const double* low, const double* high,
                                     DescriptorUnitID* unit, double* v) {
    return ReadPinned<double>([t, unit](double* x) { return GetUnitFloatProc(t, unit, x); }, low, high, v);
}

PIWriteDescriptor HOSTAPI OpenWriteProc() {
    return Suites().OpenWrite();
}
OSErr HOSTAPI CloseWriteProc(PIWriteDescriptor t, PIDescriptorHandle* h) {
    return Suites().CloseWrite(t, h);
}

DescItem Item(DescriptorKeyID key, DescItem::Kind kind) {
    DescItem item;
    item.key = key;
    item.kind = kind;
    return item;
}

OSErr HOSTAPI PutIntegerProc(PIWriteDescriptor t, DescriptorKeyID key, int32_t v) {
    DescItem item = Item(key, DescItem::Kind::Integer);
    item.integer = v;
    return Suites().Put(t, item);
}
OSErr HOSTAPI PutFloatProc(PIWriteDescriptor t, DescriptorKeyID key, const double* v) {
    if (!v)
        return paramErr;
    DescItem item = Item(key, DescItem::Kind::Float);
    item.number = *v;
    return Suites().Put(t, item);
}
OSErr HOSTAPI PutUnitFloatProc(PIWriteDescriptor t, DescriptorKeyID key, DescriptorUnitID unit,
                               const double* v) {
    if (!v)
        return paramErr;
    DescItem item = Item(key, DescItem::Kind::UnitFloat);
    item.unit = unit;
    item.number = *v;
    return Suites().Put(t, item);
}
OSErr HOSTAPI PutBooleanProc(PIWriteDescriptor t, DescriptorKeyID key, HostBoolean v) {
    DescItem item = Item(key, DescItem::Kind::Boolean);
    item.integer = v ? 1 : 0;
    return Suites().Put(t, item);
}
OSErr HOSTAPI PutTextProc(PIWriteDescriptor, DescriptorKeyID, HostHandle) {
    return Suites().Unsupported("text");
}
OSErr HOSTAPI PutAliasProc(PIWriteDescriptor, DescriptorKeyID, HostHandle) {
    return Suites().Unsupported("alias");
}
OSErr HOSTAPI PutEnumeratedProc(PIWriteDescriptor t, DescriptorKeyID key, DescriptorTypeID type,
                                DescriptorEnumID v) {
    DescItem item = Item(key, DescItem::Kind::Enumerated);
    item.type = type;
    item.unit = v;
    return Suites().Put(t, item);
}
OSErr HOSTAPI PutClassProc(PIWriteDescriptor, DescriptorKeyID, DescriptorTypeID) {
    return Suites().Unsupported("class");
}
OSErr HOSTAPI PutSimpleReferenceProc(PIWriteDescriptor, DescriptorKeyID, const void*) {
    return Suites().Unsupported("reference");
}
OSErr HOSTAPI PutObjectProc(PIWriteDescriptor t, DescriptorKeyID key, DescriptorTypeID type,
                            PIDescriptorHandle h) {
    return Suites().PutObject(t, key, type, h);
}
OSErr HOSTAPI PutCountProc(PIWriteDescriptor t, DescriptorKeyID key, uint32_t count) {
    DescItem item = Item(key, DescItem::Kind::Count);
    item.integer = static_cast<int32_t>(count);
    return Suites().Put(t, item);
}
OSErr HOSTAPI PutStringProc(PIWriteDescriptor, DescriptorKeyID, const unsigned char*) {
    return Suites().Unsupported("string");
}
OSErr HOSTAPI PutScopedClassProc(PIWriteDescriptor, DescriptorKeyID, DescriptorTypeID) {
    return Suites().Unsupported("scoped class");
}
OSErr HOSTAPI PutScopedObjectProc(PIWriteDescriptor, DescriptorKeyID, DescriptorTypeID, PIDescriptorHandle) {
    return Suites().Unsupported("scoped object");
}

} // namespace

void SetCurrentDescriptorSuites(DescriptorSuites* suites) {
    g_suites.store(suites);
}

DescriptorSuites::DescriptorSuites(HandlePool& handles, ViolationSink report)
    : handles_(handles), report_(std::move(report)) {
    read_ = {kCurrentReadDescriptorProcsVersion,
             kCurrentReadDescriptorProcsCount,
             OpenReadProc,
             CloseReadProc,
             GetKeyProc,
             GetIntegerProc,
             GetFloatProc,
             GetUnitFloatProc,
             GetBooleanProc,
             GetTextProc,
             GetAliasProc,
             GetEnumeratedProc,
             GetClassProc,
             GetSimpleReferenceProc,
             GetObjectProc,
             GetCountProc,
             GetStringProc,
             GetPinnedIntegerProc,
             GetPinnedFloatProc,
             GetPinnedUnitFloatProc};
    write_ = {kCurrentWriteDescriptorProcsVersion,
              kCurrentWriteDescriptorProcsCount,
              OpenWriteProc,
              CloseWriteProc,
              PutIntegerProc,
              PutFloatProc,
              PutUnitFloatProc,
              PutBooleanProc,
              PutTextProc,
              PutAliasProc,
              PutEnumeratedProc,
              PutClassProc,
              PutSimpleReferenceProc,
              PutObjectProc,
              PutCountProc,
              PutStringProc,
              PutScopedClassProc,
              PutScopedObjectProc};
}

DescriptorSuites::~DescriptorSuites() {
    for (Reader* r : readers_)
        delete r;
    for (Writer* w : writers_)
        delete w;
}

int DescriptorSuites::ReportOpenTokens() {
    int open = static_cast<int>(readers_.size() + writers_.size());
    if (!readers_.empty())
        report_(std::to_string(readers_.size()) + " read descriptor(s) never closed");
    if (!writers_.empty())
        report_(std::to_string(writers_.size()) + " write descriptor(s) never closed");
    return open;
}

OSErr DescriptorSuites::Unsupported(const char* what) {
    report_(std::string(what) + " values are not kept by this host");
    return paramErr;
}

std::optional<std::vector<DescItem>> DescriptorSuites::ItemsOf(PIDescriptorHandle handle) {
    if (!handles_.IsLive(handle))
        return std::nullopt;
    return DecodeDescriptor(reinterpret_cast<const uint8_t*>(*handle),
                            static_cast<size_t>(handles_.GetSize(handle)));
}

PIDescriptorHandle DescriptorSuites::HandleOf(const std::vector<DescItem>& items) {
    std::vector<uint8_t> bytes = EncodeDescriptor(items);
    HostHandle h = handles_.New(static_cast<int32_t>(bytes.size()));
    std::memcpy(*h, bytes.data(), bytes.size());
    return h;
}

std::optional<std::string> DescriptorSuites::TakeHandedOver(PIDescriptorParameters& parameters,
                                                            PIDescriptorHandle given) {
    PIDescriptorHandle handed = parameters.descriptor;
    if (!handed || handed == given)
        return std::nullopt;
    parameters.descriptor = nullptr;
    if (!handles_.IsLive(handed)) {
        report_("the module handed over a descriptor handle the host does not hold");
        return std::nullopt;
    }
    std::optional<std::vector<DescItem>> items = ItemsOf(handed);
    handles_.Dispose(handed);
    if (!items) {
        report_("the module handed over a handle that holds no descriptor");
        return std::nullopt;
    }
    handedOver_.push_back(*items);
    std::string text = DescribeDescriptor(*items, 2);
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

void DescriptorSuites::SetPlayed(PIDescriptorHandle handle) {
    played_ = handle;
    playedEntries_ = 0;
    if (auto items = ItemsOf(handle))
        playedEntries_ = static_cast<int>(std::count_if(items->begin(), items->end(), [](const DescItem& it) {
            return it.kind == DescItem::Kind::Object;
        }));
}

std::string DescriptorSuites::PlayedReport() const {
    return "played list: " + std::to_string(playedTaken_) + " of " + std::to_string(playedEntries_) +
           " entries taken";
}

template <typename T>
T* DescriptorSuites::FindOpen(const std::set<T*>& open, void* token, const char* operation,
                              const char* kind) {
    auto* t = static_cast<T*>(token);
    if (!open.count(t)) {
        report_(std::string(operation) + " on a " + kind + " descriptor that is not open");
        return nullptr;
    }
    return t;
}

DescriptorSuites::Reader* DescriptorSuites::FindReader(PIReadDescriptor token, const char* operation) {
    return FindOpen(readers_, token, operation, "read");
}

DescriptorSuites::Writer* DescriptorSuites::FindWriter(PIWriteDescriptor token, const char* operation) {
    return FindOpen(writers_, token, operation, "write");
}

PIReadDescriptor DescriptorSuites::OpenRead(PIDescriptorHandle handle, const DescriptorKeyID* keys) {
    if (!handle)
        return nullptr;
    auto items = ItemsOf(handle);
    if (!items) {
        report_("read descriptor opened on a handle that holds no descriptor");
        return nullptr;
    }
    auto* r = new Reader;
    r->items = std::move(*items);
    r->played = handle == played_;
    for (const DescriptorKeyID* k = keys; k && *k; ++k)
        r->wanted.push_back(*k);
    readers_.insert(r);
    return r;
}

OSErr DescriptorSuites::CloseRead(PIReadDescriptor token) {
    Reader* r = FindReader(token, "close");
    if (!r)
        return paramErr;
    bool missing =
        std::any_of(r->wanted.begin(), r->wanted.end(), [r](DescriptorKeyID k) { return !r->seen.count(k); });
    readers_.erase(r);
    delete r;
    return missing ? errMissingParameter : noErr;
}

bool DescriptorSuites::GetKey(PIReadDescriptor token, DescriptorKeyID* key, DescriptorTypeID* type,
                              int32_t* flags) {
    Reader* r = FindReader(token, "key query");
    if (!r)
        return false;
    // Objects of a list are taken by object reads, not yielded as keys of their own.
    while (r->next < r->items.size() && r->items[r->next].kind == DescItem::Kind::Object && r->next > 0 &&
           r->items[r->next - 1].key == r->items[r->next].key)
        ++r->next;
    if (r->next >= r->items.size())
        return false;
    r->current = r->next++;
    r->objectCursor = r->current;
    r->haveCurrent = true;
    const DescItem& it = r->items[r->current];
    r->seen.insert(it.key);
    if (key)
        *key = it.key;
    if (type)
        *type = TypeOf(it);
    if (flags)
        *flags = it.kind == DescItem::Kind::Count        ? 0x4000
                 : it.kind == DescItem::Kind::Enumerated ? 0x2000
                                                         : 0;
    return true;
}

OSErr DescriptorSuites::GetValue(PIReadDescriptor token, DescItem::Kind kind, DescItem& item) {
    Reader* r = FindReader(token, "value read");
    if (!r)
        return paramErr;
    if (!r->haveCurrent) {
        report_("value read before any key was taken");
        return paramErr;
    }
    const DescItem& it = r->items[r->current];
    bool numeric = kind == DescItem::Kind::Float || kind == DescItem::Kind::UnitFloat;
    bool itNumeric = it.kind == DescItem::Kind::Float || it.kind == DescItem::Kind::UnitFloat;
    if (it.kind != kind && !(numeric && itNumeric))
        return paramErr;
    item = it;
    return noErr;
}

OSErr DescriptorSuites::GetObject(PIReadDescriptor token, DescriptorTypeID* type,
                                  PIDescriptorHandle* handle) {
    Reader* r = FindReader(token, "object read");
    if (!r)
        return paramErr;
    if (handle)
        *handle = nullptr;
    size_t i = r->objectCursor;
    while (i < r->items.size() && r->items[i].kind != DescItem::Kind::Object)
        ++i;
    if (i >= r->items.size())
        return -39; // end of the descriptor
    r->objectCursor = i + 1;
    playedTaken_ += r->played ? 1 : 0;
    const DescItem& it = r->items[i];
    if (type)
        *type = it.type;
    if (handle) {
        *handle = handles_.New(static_cast<int32_t>(it.object.size()));
        if (!it.object.empty())
            std::memcpy(**handle, it.object.data(), it.object.size());
    }
    return noErr;
}

PIWriteDescriptor DescriptorSuites::OpenWrite() {
    auto* w = new Writer;
    writers_.insert(w);
    return w;
}

OSErr DescriptorSuites::CloseWrite(PIWriteDescriptor token, PIDescriptorHandle* handle) {
    Writer* w = FindWriter(token, "close");
    if (!w)
        return paramErr;
    if (handle)
        *handle = HandleOf(w->items);
    writers_.erase(w);
    delete w;
    return noErr;
}

OSErr DescriptorSuites::Put(PIWriteDescriptor token, DescItem item) {
    Writer* w = FindWriter(token, "put");
    if (!w)
        return paramErr;
    w->items.push_back(std::move(item));
    return noErr;
}

OSErr DescriptorSuites::PutObject(PIWriteDescriptor token, DescriptorKeyID key, DescriptorTypeID type,
                                  PIDescriptorHandle h) {
    Writer* w = FindWriter(token, "put object");
    if (!w)
        return paramErr;
    if (!handles_.IsLive(h)) {
        report_("object put with a handle the host does not hold");
        return paramErr;
    }
    DescItem item = Item(key, DescItem::Kind::Object);
    item.type = type;
    const auto* bytes = reinterpret_cast<const uint8_t*>(*h);
    item.object.assign(bytes, bytes + handles_.GetSize(h));
    w->items.push_back(std::move(item));
    return noErr;
}

} // namespace qv::host
