#include "PeResources.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>

namespace pe {
namespace {

// Bounded little-endian reads: a field past the end fails instead of reading outside.
class Cursor8 {
  public:
    Cursor8(const std::vector<uint8_t>& bytes, size_t at, size_t end)
        : b_(bytes), at_(at), end_(std::min(end, bytes.size())) {}
    bool ok() const { return ok_; }
    size_t at() const { return at_; }
    void Seek(size_t at) { at_ = at; }
    void Align4(size_t base) { at_ = base + ((at_ - base + 3) & ~size_t(3)); }
    uint16_t U16() { return uint16_t(Take(2)); }
    uint32_t U32() { return uint32_t(Take(4)); }
    int16_t I16() { return int16_t(U16()); }
    // NUL-terminated UTF-16, narrowed to one byte per character (the module's texts are ANSI).
    std::string Wide() {
        std::string text;
        for (uint16_t c = U16(); ok_ && c != 0; c = U16())
            text.push_back(char(c < 256 ? c : '?'));
        return text;
    }
    // UTF-16 of a counted length, narrowed the same way.
    std::string Counted() {
        std::string text;
        for (uint16_t n = U16(); ok_ && n > 0; --n) {
            const uint16_t c = U16();
            text.push_back(char(c < 256 ? c : '?'));
        }
        return text;
    }
    Key WideOrOrdinal() {
        uint16_t first = U16();
        if (first == 0xFFFF)
            return Key(U16());
        if (first == 0)
            return Key("");
        at_ -= 2;
        std::string text = Wide();
        return Key(text.c_str());
    }

  private:
    uint64_t Take(size_t n) {
        if (!ok_ || at_ > end_ || end_ - at_ < n) {
            ok_ = false;
            return 0;
        }
        uint64_t v = 0;
        for (size_t i = 0; i < n; ++i)
            v |= uint64_t(b_[at_ + i]) << (8 * i);
        at_ += n;
        return v;
    }
    const std::vector<uint8_t>& b_;
    size_t at_, end_;
    bool ok_ = true;
};

std::string Upper(std::string text) {
    for (char& c : text)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// One node of a version block: length, value length, type, key, value, children.
struct VersionNode {
    size_t start, end, valueAt, childrenAt;
    uint16_t valueLength, type;
    std::string key;
};

std::optional<VersionNode> ReadVersionNode(const std::vector<uint8_t>& data, size_t at, size_t limit) {
    Cursor8 c(data, at, limit);
    VersionNode node{};
    node.start = at;
    uint16_t length = c.U16();
    node.valueLength = c.U16();
    node.type = c.U16();
    node.key = c.Wide();
    if (!c.ok() || length < 6 || at + length > limit)
        return std::nullopt;
    node.end = at + length;
    c.Align4(0);
    node.valueAt = c.at();
    size_t valueBytes = node.type == 1 ? size_t(node.valueLength) * 2 : node.valueLength;
    c.Seek(node.valueAt + valueBytes);
    c.Align4(0);
    node.childrenAt = c.at();
    return node;
}

std::optional<VersionNode> FindChild(const std::vector<uint8_t>& data, const VersionNode& parent,
                                     const std::string& key) {
    size_t at = parent.childrenAt;
    while (at + 6 <= parent.end) {
        auto child = ReadVersionNode(data, at, parent.end);
        if (!child)
            return std::nullopt;
        if (child->key == key)
            return child;
        at = (child->end + 3) & ~size_t(3);
    }
    return std::nullopt;
}

} // namespace

bool Key::Matches(const Key& other) const {
    if (id || other.id)
        return id == other.id;
    return Upper(name) == Upper(other.name);
}

std::string Key::Text() const {
    return id ? "#" + std::to_string(*id) : name;
}

std::optional<Image> Image::Load(const std::string& path, std::string* error) {
    auto fail = [&](const std::string& why) {
        *error = path + ": " + why;
        return std::nullopt;
    };
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return fail("cannot be opened");
    Image image;
    image.file_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    const auto& b = image.file_;
    Cursor8 c(b, 0, b.size());
    if (c.U16() != 0x5A4D)
        return fail("no MZ header");
    c.Seek(0x3C);
    uint32_t peAt = c.U32();
    c.Seek(peAt);
    if (c.U32() != 0x4550)
        return fail("no PE signature");
    c.U16(); // machine
    uint16_t sectionCount = c.U16();
    c.Seek(c.at() + 12);
    uint16_t optionalSize = c.U16();
    c.U16();
    size_t optionalAt = c.at();
    uint16_t magic = c.U16();
    if (magic != 0x10B && magic != 0x20B)
        return fail("unknown optional header");
    size_t countAt = optionalAt + (magic == 0x10B ? 92 : 108);
    c.Seek(countAt);
    uint32_t directoryCount = c.U32();
    if (directoryCount > 2) {
        c.Seek(countAt + 4 + 2 * 8);
        uint32_t rva = c.U32(), size = c.U32();
        c.Seek(optionalAt + optionalSize);
        for (uint16_t i = 0; i < sectionCount; ++i) {
            size_t at = c.at();
            c.Seek(at + 8);
            Section s{};
            s.size = c.U32();
            s.rva = c.U32();
            s.rawSize = c.U32();
            s.offset = c.U32();
            c.Seek(at + 40);
            image.sections_.push_back(s);
        }
        if (!c.ok())
            return fail("truncated headers");
        if (rva != 0) {
            auto offset = image.RvaToOffset(rva, size);
            if (!offset)
                return fail("resource directory outside the file");
            image.resourceOffset_ = *offset;
            image.resourceSize_ = size;
        }
    }
    if (!c.ok())
        return fail("truncated headers");
    return image;
}

std::optional<uint32_t> Image::RvaToOffset(uint32_t rva, uint32_t size) const {
    for (const Section& s : sections_) {
        uint64_t span = std::min(s.size ? s.size : s.rawSize, s.rawSize);
        if (rva >= s.rva && uint64_t(rva) + size <= s.rva + span) {
            uint64_t offset = uint64_t(s.offset) + (rva - s.rva);
            if (offset + size <= file_.size())
                return uint32_t(offset);
        }
    }
    return std::nullopt;
}

bool Image::Entries(uint32_t directory, std::vector<Entry>* out) const {
    size_t base = resourceOffset_, end = size_t(resourceOffset_) + resourceSize_;
    Cursor8 c(file_, base + directory, end);
    c.Seek(c.at() + 12);
    unsigned count = c.U16();
    count += c.U16();
    for (unsigned i = 0; i < count && c.ok(); ++i) {
        uint32_t name = c.U32(), target = c.U32();
        Key key{uint16_t(name)};
        if (name & 0x80000000u) {
            Cursor8 s(file_, base + (name & 0x7FFFFFFFu), end);
            const std::string text = s.Counted();
            if (!s.ok())
                return false;
            key = Key(text.c_str());
        }
        out->push_back(Entry{key, target & 0x7FFFFFFFu, (target & 0x80000000u) != 0});
    }
    return c.ok();
}

std::optional<std::vector<uint8_t>> Image::Find(const Key& type, const Key& name) const {
    if (resourceSize_ == 0)
        return std::nullopt;
    std::vector<Entry> level;
    uint32_t directory = 0;
    for (const Key* want : {&type, &name}) {
        level.clear();
        if (!Entries(directory, &level))
            return std::nullopt;
        auto hit = std::find_if(level.begin(), level.end(),
                                [&](const Entry& e) { return e.directory && e.key.Matches(*want); });
        if (hit == level.end())
            return std::nullopt;
        directory = hit->offset;
    }
    level.clear();
    if (!Entries(directory, &level) || level.empty() || level.front().directory)
        return std::nullopt;
    Cursor8 c(file_, size_t(resourceOffset_) + level.front().offset, size_t(resourceOffset_) + resourceSize_);
    uint32_t rva = c.U32(), size = c.U32();
    if (!c.ok())
        return std::nullopt;
    auto offset = RvaToOffset(rva, size);
    if (!offset)
        return std::nullopt;
    return std::vector<uint8_t>(file_.begin() + *offset, file_.begin() + *offset + size);
}

std::optional<std::string> Image::String(uint16_t id) const {
    auto block = Find(kString, uint16_t(id / 16 + 1));
    if (!block)
        return std::nullopt;
    Cursor8 c(*block, 0, block->size());
    for (unsigned i = 0; i < 16 && c.ok(); ++i) {
        const std::string text = c.Counted();
        if (i == id % 16 && c.ok() && !text.empty())
            return text;
    }
    return std::nullopt;
}

std::optional<std::string> Image::VersionValue(const std::string& path) const {
    auto data = Find(kVersion, uint16_t(1));
    if (!data)
        return std::nullopt;
    auto node = ReadVersionNode(*data, 0, data->size());
    if (!node || node->key != "VS_VERSION_INFO")
        return std::nullopt;
    node = FindChild(*data, *node, "StringFileInfo");
    for (size_t from = 0; node && from <= path.size();) {
        size_t slash = std::min(path.find('/', from), path.size());
        node = FindChild(*data, *node, path.substr(from, slash - from));
        from = slash + 1;
    }
    if (!node || node->type != 1)
        return std::nullopt;
    Cursor8 c(*data, node->valueAt, node->end);
    std::string text = c.Wide();
    return c.ok() ? std::optional<std::string>(text) : std::nullopt;
}

std::optional<Dialog> Image::FindDialog(const Key& name) const {
    auto data = Find(kDialog, name);
    if (!data)
        return std::nullopt;
    Cursor8 c(*data, 0, data->size());
    Dialog d;
    // The module's template is a plain one; an extended one is refused, not misread.
    d.style = c.U32();
    if (d.style == 0xFFFF0001u)
        return std::nullopt;
    d.exStyle = c.U32();
    const unsigned count = c.U16();
    d.x = c.I16();
    d.y = c.I16();
    d.cx = c.I16();
    d.cy = c.I16();
    c.WideOrOrdinal(); // menu
    c.WideOrOrdinal(); // class
    d.title = c.Wide();
    if (d.style & 0x40) { // DS_SETFONT
        d.pointSize = c.U16();
        d.font = c.Wide();
    }
    for (unsigned i = 0; i < count && c.ok(); ++i) {
        c.Align4(0);
        DialogItem item;
        item.style = c.U32();
        item.exStyle = c.U32();
        item.x = c.I16();
        item.y = c.I16();
        item.cx = c.I16();
        item.cy = c.I16();
        item.id = c.U16();
        item.windowClass = c.WideOrOrdinal();
        Key text = c.WideOrOrdinal();
        item.text = text.id ? text.Text() : text.name;
        const uint16_t extra = c.U16(); // creation data
        c.Seek(c.at() + extra);
        d.items.push_back(item);
    }
    if (!c.ok())
        return std::nullopt;
    return d;
}

std::optional<Cursor> Image::FindCursor(const Key& name) const {
    auto group = Find(kGroupCursor, name);
    if (!group)
        return std::nullopt;
    Cursor8 g(*group, 0, group->size());
    g.U16();
    if (g.U16() != 2 || g.U16() < 1)
        return std::nullopt;
    g.Seek(6 + 12); // the first entry's resource id
    uint16_t id = g.U16();
    auto image = g.ok() ? Find(kCursor, id) : std::nullopt;
    if (!image)
        return std::nullopt;
    Cursor8 c(*image, 0, image->size());
    Cursor cursor;
    cursor.hotX = c.U16();
    cursor.hotY = c.U16();
    c.U32(); // BITMAPINFOHEADER size
    cursor.width = uint16_t(c.U32());
    cursor.height = uint16_t(c.U32() / 2);
    c.U16();
    cursor.bitCount = c.U16();
    if (!c.ok())
        return std::nullopt;
    return cursor;
}

} // namespace pe
