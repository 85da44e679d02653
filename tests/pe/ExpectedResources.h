// The bytes the module's registration and terminology resources must hold, written field
// by field. Shared by the check that reads the file and the one that asks the loader.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace expected {

// Little-endian writer; four-character codes are stored as numbers.
struct Bytes {
    std::vector<uint8_t> b;
    void u8(uint8_t v) { b.push_back(v); }
    void u16(uint16_t v) {
        u8(uint8_t(v));
        u8(uint8_t(v >> 8));
    }
    void u32(uint32_t v) {
        u16(uint16_t(v));
        u16(uint16_t(v >> 16));
    }
    void code(const char (&four)[5]) {
        u32(uint32_t(uint8_t(four[0])) << 24 | uint32_t(uint8_t(four[1])) << 16 |
            uint32_t(uint8_t(four[2])) << 8 | uint8_t(four[3]));
    }
    void pstr(const std::string& text) {
        u8(uint8_t(text.size()));
        b.insert(b.end(), text.begin(), text.end());
    }
    void cstr(const std::string& text) {
        b.insert(b.end(), text.begin(), text.end());
        u8(0);
    }
    void pad4() {
        while (b.size() % 4)
            u8(0);
    }
    void property(const char (&key)[5], const Bytes& data) {
        Bytes padded = data;
        padded.pad4();
        code("8BIM");
        code(key);
        u32(0);
        u32(uint32_t(padded.b.size()));
        b.insert(b.end(), padded.b.begin(), padded.b.end());
    }
};

inline std::vector<uint8_t> Registration() {
    Bytes expected;
    expected.u16(1);
    expected.u32(0);
    expected.u32(5);
    Bytes kind, name, vers, wx86, hstm;
    kind.code("8BAM");
    name.pstr("Vellumix for Photoshop...");
    vers.u32(0x00040000);
    wx86.cstr("ENTRYPOINT");
    hstm.u32(0);
    hstm.code("OrvV");
    hstm.code("null");
    hstm.u16(16000);
    hstm.cstr("");
    expected.property("kind", kind);
    expected.property("name", name);
    expected.property("vers", vers);
    expected.property("wx86", wx86);
    expected.property("hstm", hstm);
    return expected.b;
}

// Where a host that reads the menu name at its fixed place finds it.
constexpr size_t kMenuNameAt = 47;

inline std::vector<uint8_t> Terminology() {
    Bytes e;
    e.u16(1);
    e.u8(1);
    e.u8(0);
    e.u16(0);
    e.u16(0);
    e.u16(1);
    e.pstr("Orv");
    e.pstr("Orv import modules");
    e.code("OrvS");
    e.u16(1);
    e.u16(1);
    e.u16(0);
    e.u16(2);
    auto property = [&](const char* name, const char(&key)[5], const char(&type)[5], const char* text,
                        uint16_t flags) {
        e.pstr(name);
        e.code(key);
        e.code(type);
        e.pstr(text);
        e.u16(flags);
    };
    e.pstr("Vellumix");
    e.code("OrvV");
    e.pstr("Vellumix scanner import");
    e.u16(2);
    property("<Inheritance>", "c@#^", "Impr", "", 0x1000);
    property("multi-import", "mulK", "mulS", "multiple import info structure", 0x5000);
    e.u16(0);
    e.pstr("import info");
    e.code("mulS");
    e.pstr("class import info");
    e.u16(5);
    property("rows", "Hrzn", "#Pxl", "number of rows", 0x1000);
    property("columns", "Vrtc", "#Pxl", "number of columns", 0x1000);
    property("mode", "Md  ", "grmT", "color mode", 0x3000);
    property("invert", "Invr", "bool", "invert image", 0x1000);
    property("alpha2transparency", "alpT", "bool", "alpha is transparency", 0x1000);
    e.u16(0);
    e.u16(0);
    e.u16(1);
    e.code("grmT");
    e.u16(4);
    auto value = [&](const char* name, const char(&id)[5], const char* text) {
        e.pstr(name);
        e.code(id);
        e.pstr(text);
    };
    value("bitmap", "bitM", "bitmap mode");
    value("grayscale", "gryS", "grayscale mode");
    value("indexed color", "indX", "indexed color mode");
    value("rgb color", "rgbC", "rgb color mode");
    return e.b;
}

} // namespace expected
