// Reads the resources of a 32- or 64-bit PE file without loading it, so the module's
// resources can be checked on machines that cannot run Windows programs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pe {

// A resource type or name: a number, or a string (compared without regard to case).
struct Key {
    Key(uint16_t number) : id(number) {}
    Key(const char* text) : name(text) {}
    std::optional<uint16_t> id;
    std::string name;
    bool Matches(const Key& other) const;
    std::string Text() const;
};

enum : uint16_t { kCursor = 1, kDialog = 5, kString = 6, kGroupCursor = 12, kVersion = 16 };

struct DialogItem {
    uint32_t style = 0, exStyle = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    uint32_t id = 0;
    Key windowClass{uint16_t(0)}; // 0x80 button, 0x81 edit, 0x82 static, 0x85 combo box, or a name
    std::string text;
};

struct Dialog {
    uint32_t style = 0, exStyle = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    std::string title, font;
    uint16_t pointSize = 0;
    std::vector<DialogItem> items;
};

struct Cursor {
    uint16_t width = 0, height = 0; // height of the image, not of the XOR+AND pair
    uint16_t bitCount = 0;
    uint16_t hotX = 0, hotY = 0;
};

class Image {
  public:
    // Empty with *error set when the file is missing or not a well-formed PE file.
    static std::optional<Image> Load(const std::string& path, std::string* error);

    // The first language's data of a resource.
    std::optional<std::vector<uint8_t>> Find(const Key& type, const Key& name) const;

    std::optional<std::string> String(uint16_t id) const;
    // A value below "StringFileInfo", e.g. "040904e4/FileVersion".
    std::optional<std::string> VersionValue(const std::string& path) const;
    std::optional<Dialog> FindDialog(const Key& name) const;
    std::optional<Cursor> FindCursor(const Key& name) const;

  private:
    struct Entry {
        Key key;
        uint32_t offset; // within the resource section: a directory or a data entry
        bool directory;
    };
    bool Entries(uint32_t directory, std::vector<Entry>* out) const;
    std::optional<uint32_t> RvaToOffset(uint32_t rva, uint32_t size) const;

    std::vector<uint8_t> file_;
    struct Section {
        uint32_t rva, size, offset, rawSize;
    };
    std::vector<Section> sections_;
    uint32_t resourceOffset_ = 0, resourceSize_ = 0;
};

} // namespace pe
