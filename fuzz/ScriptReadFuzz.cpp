// The played list read through the test host's descriptor services: lists of any shape, keys
// of any type, counts that promise more than there is, entries that are no descriptor, hosts
// that do not pin, or the raw bytes of the host's handle. The record only ever holds pixels
// inside 1..30000 and a mode 0..3, the list is closed once and given back, every entry read
// is recorded as read, and the host finds nothing left open or behind.
#include "host/Host.h"
#include "host/ImportScript.h"
#include "plugin/Scripting.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace qh = qv::host;

// Input: a flags byte, then the list's items (or, with kRaw, the handle's bytes).
constexpr uint8_t kShowDialog = 1;
constexpr uint8_t kRaw = 2;
constexpr uint8_t kUnpinned = 4;
constexpr uint8_t kPrepareFailed = 8;

class Input {
  public:
    Input(const uint8_t* data, size_t size) : at_(data), end_(data + size) {}
    bool More() const { return at_ < end_; }
    uint8_t Byte() { return More() ? *at_++ : 0; }
    template <typename T> T Take() {
        T value{};
        const size_t n = std::min(sizeof(T), static_cast<size_t>(end_ - at_));
        std::memcpy(&value, at_, n);
        at_ += n;
        return value;
    }
    std::vector<uint8_t> Rest() { return std::vector<uint8_t>(std::exchange(at_, end_), end_); }

  private:
    const uint8_t* at_;
    const uint8_t* end_;
};

const DescriptorKeyID kKeys[] = {keyImportList,          keyRows,        keyColumns, keyMode, keyInvert,
                                 keyAlphaIsTransparency, classImportInfo};
const DescriptorEnumID kCodes[] = {enumBitmap, enumGrayscale, enumIndexedColor, enumRGBColor};

std::vector<qh::DescItem> Items(Input& in, int depth);

qh::DescItem Item(Input& in, int depth) {
    qh::DescItem item;
    const uint8_t key = in.Byte();
    item.key = key < std::size(kKeys) * 32 ? kKeys[key % std::size(kKeys)] : in.Take<uint32_t>();
    item.kind = static_cast<qh::DescItem::Kind>(in.Byte() % 7);
    item.unit = unitPixels;
    switch (item.kind) {
    case qh::DescItem::Kind::UnitFloat:
    case qh::DescItem::Kind::Float:
        item.number = in.Take<double>();
        break;
    case qh::DescItem::Kind::Enumerated: {
        item.type = typeColorMode;
        const uint8_t code = in.Byte();
        item.unit = code < 4 * 48 ? kCodes[code % 4] : in.Take<uint32_t>();
        break;
    }
    case qh::DescItem::Kind::Object:
        item.type = classImportInfo;
        if (depth == 0 && in.Byte() % 8 != 0) {
            item.object = qh::EncodeDescriptor(Items(in, depth + 1));
        } else {
            item.object.resize(in.Byte() % 32);
            for (uint8_t& b : item.object)
                b = in.Byte();
        }
        break;
    default:
        item.integer = in.Take<int32_t>();
        break;
    }
    return item;
}

std::vector<qh::DescItem> Items(Input& in, int depth) {
    std::vector<qh::DescItem> items;
    const size_t most = depth == 0 ? 24 : in.Byte() % 8;
    while (in.More() && items.size() < most)
        items.push_back(Item(in, depth));
    return items;
}

void Fail(const char* what, long value = 0) {
    std::fprintf(stderr, "%s (%ld)\n", what, value);
    std::abort();
}

Globals g_globals;
std::function<void(Globals*)> g_body;
OSErr(HOSTAPI* g_unitFloat)(PIReadDescriptor, DescriptorUnitID*, double*) = nullptr;

void HOSTAPI Entry(int16_t, void* stuff, intptr_t*, int16_t* result) {
    g_globals.gStuff = static_cast<AcquireRecord*>(stuff);
    g_globals.result = result;
    g_body(&g_globals);
}

// A host that hands over the value as it is held.
OSErr HOSTAPI Unpinned(PIReadDescriptor token, const double*, const double*, DescriptorUnitID* unit,
                       double* value) {
    return g_unitFloat(token, unit, value);
}

void CheckRecord() {
    if (g_globals.gLastRows < 1 || g_globals.gLastRows > 30000)
        Fail("rows outside 1..30000", g_globals.gLastRows);
    if (g_globals.gLastCols < 1 || g_globals.gLastCols > 30000)
        Fail("columns outside 1..30000", g_globals.gLastCols);
    if (g_globals.gLastMode < 0 || g_globals.gLastMode > 3)
        Fail("mode outside 0..3", g_globals.gLastMode);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in(data, size);
    const uint8_t flags = in.Byte();
    qh::HostOptions options;
    options.playInfo = flags & kShowDialog ? plugInDialogDisplay : plugInDialogDontDisplay;
    qh::Host host(Entry, options);
    qh::HandlePool& handles = host.handles();
    PIDescriptorParameters& params = host.descriptorParameters();
    std::vector<uint8_t> bytes = flags & kRaw ? in.Rest() : qh::EncodeDescriptor(Items(in, 0));
    params.descriptor = handles.New(static_cast<int32_t>(bytes.size()));
    if (!bytes.empty())
        std::memcpy(*params.descriptor, bytes.data(), bytes.size());
    PIDescriptorHandle given = params.descriptor;
    if (flags & kUnpinned) {
        g_unitFloat = host.descriptors().read()->getUnitFloatProc;
        host.descriptors().read()->getPinnedUnitFloatProc = Unpinned;
    }

    std::memset(static_cast<void*>(&g_globals), 0, sizeof g_globals);
    g_globals.gLastRows = g_globals.gLastCols = 300;
    g_globals.gLastMode = plugInModeGrayScale;
    auto call = [&host](std::function<void(Globals*)> body) {
        g_body = std::move(body);
        host.Call(acquireSelectorPrepare);
    };
    call([flags](Globals* g) {
        if (flags & kPrepareFailed)
            *g->result = userCanceledErr;
        ReadScriptParams(g);
    });
    const bool opened = g_globals.readToken != nullptr;
    if ((flags & kPrepareFailed) && opened)
        Fail("a failed prepare opened the list");
    if (g_globals.queryForParameters != ((flags & kShowDialog) != 0))
        Fail("the play mode did not decide the dialog");

    // Every start takes an entry and every finish records it; the host's list holds fewer
    // entries than its size in bytes, so the read must end long before.
    std::vector<int16_t> rows;
    for (size_t start = 0; g_globals.readToken; ++start) {
        if (start > bytes.size())
            Fail("the read never ended", static_cast<long>(start));
        call(ReadNextImport);
        CheckRecord();
        call(RecordImportInfo);
        rows.push_back(g_globals.gLastRows);
    }
    if (opened && (params.descriptor || handles.IsLive(given)))
        Fail("the played list was not given back");
    if (g_globals.gContinueImport || g_globals.remainingImports)
        Fail("the series goes on after its list ended");
    call(WriteScriptParams);

    const auto& handed = host.descriptors().handedOver();
    const std::vector<qh::PlayedImport> recorded = qh::ImportsOf(handed);
    if (rows.empty() != handed.empty() || recorded.size() != std::min<size_t>(rows.size(), 50))
        Fail("the recorded series does not hold the entries read", static_cast<long>(recorded.size()));
    // The 51st and later take the last of the 50 places.
    for (size_t i = 0; i < recorded.size(); ++i)
        if (recorded[i].rows != (i == 49 ? rows.back() : rows[i]))
            Fail("a recorded entry differs from the one read", static_cast<long>(i));
    host.End();
    for (const std::string& v : host.violations())
        if (v != "read descriptor opened on a handle that holds no descriptor")
            Fail(v.c_str());
    return 0;
}
