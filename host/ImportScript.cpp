#include "host/ImportScript.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace qv::host {

namespace {

const DescriptorEnumID kModeCodes[] = {enumBitmap, enumGrayscale, enumIndexedColor, enumRGBColor};

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::stringstream in(text);
    std::string part;
    while (std::getline(in, part, separator))
        parts.push_back(part);
    return parts;
}

bool ParseNumber(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end && *end == '\0';
}

// The shortest text that reads back as the same number.
std::string NumberText(double value) {
    char text[40];
    if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 1e15) {
        std::snprintf(text, sizeof text, "%.0f", value);
        return text;
    }
    for (int precision = 1; precision <= 17; ++precision) {
        std::snprintf(text, sizeof text, "%.*g", precision, value);
        if (std::strtod(text, nullptr) == value)
            break;
    }
    return text;
}

std::string ModeText(const PlayedImport& p) {
    if (!p.hasMode)
        return "nomode";
    for (int mode = 0; mode < 4; ++mode)
        if (kModeCodes[mode] == p.mode)
            return std::to_string(mode);
    return FourCC(p.mode);
}

} // namespace

bool ParseImportScript(const std::string& text, std::vector<PlayedImport>& imports, std::string& error) {
    imports.clear();
    for (const std::string& entry : Split(text, ',')) {
        std::vector<std::string> parts = Split(entry, ':');
        PlayedImport p;
        const size_t x = parts.empty() ? std::string::npos : parts[0].find('x');
        if (x == std::string::npos || !ParseNumber(parts[0].substr(0, x), p.rows) ||
            !ParseNumber(parts[0].substr(x + 1), p.cols)) {
            error = "import entry \"" + entry + "\" does not start with ROWSxCOLS";
            return false;
        }
        for (size_t i = 1; i < parts.size(); ++i) {
            const std::string& part = parts[i];
            if (part.size() == 1 && part[0] >= '0' && part[0] <= '3') {
                p.mode = kModeCodes[part[0] - '0'];
            } else if (part == "nomode") {
                p.hasMode = false;
            } else if (part == "invert") {
                p.invert = true;
            } else if (part == "alpha") {
                p.alphaIsTransparency = true;
            } else if (part.size() == 4) {
                p.mode = MakeOSType(part[0], part[1], part[2], part[3]);
            } else {
                error = "import entry \"" + entry + "\" has an unknown part \"" + part + "\"";
                return false;
            }
        }
        imports.push_back(p);
    }
    if (imports.empty()) {
        error = "no import entries";
        return false;
    }
    return true;
}

std::vector<DescItem> ImportList(const std::vector<PlayedImport>& imports) {
    std::vector<DescItem> list;
    DescItem count;
    count.key = keyImportList;
    count.kind = DescItem::Kind::Count;
    count.integer = static_cast<int32_t>(imports.size());
    list.push_back(count);
    for (const PlayedImport& p : imports) {
        std::vector<DescItem> entry;
        DescItem rows;
        rows.key = keyRows;
        rows.kind = DescItem::Kind::UnitFloat;
        rows.unit = unitPixels;
        rows.number = p.rows;
        entry.push_back(rows);
        rows.key = keyColumns;
        rows.number = p.cols;
        entry.push_back(rows);
        if (p.hasMode) {
            DescItem mode;
            mode.key = keyMode;
            mode.kind = DescItem::Kind::Enumerated;
            mode.type = typeColorMode;
            mode.unit = p.mode;
            entry.push_back(mode);
        }
        for (auto [flag, key] :
             {std::pair{p.invert, keyInvert}, std::pair{p.alphaIsTransparency, keyAlphaIsTransparency}}) {
            if (!flag)
                continue;
            DescItem b;
            b.key = key;
            b.kind = DescItem::Kind::Boolean;
            b.integer = 1;
            entry.push_back(b);
        }
        DescItem object;
        object.key = keyImportList;
        object.kind = DescItem::Kind::Object;
        object.type = classImportInfo;
        object.object = EncodeDescriptor(entry);
        list.push_back(std::move(object));
    }
    return list;
}

std::vector<PlayedImport> ImportsOf(const std::vector<std::vector<DescItem>>& lists) {
    std::vector<PlayedImport> imports;
    for (const std::vector<DescItem>& list : lists)
        for (const DescItem& item : list) {
            if (item.kind != DescItem::Kind::Object || item.key != keyImportList)
                continue;
            auto entry = DecodeDescriptor(item.object.data(), item.object.size());
            if (!entry)
                continue;
            PlayedImport p;
            p.hasMode = false;
            for (const DescItem& value : *entry) {
                if (value.key == keyRows) {
                    p.rows = value.number;
                } else if (value.key == keyColumns) {
                    p.cols = value.number;
                } else if (value.key == keyMode) {
                    p.mode = value.unit;
                    p.hasMode = true;
                } else if (value.key == keyInvert) {
                    p.invert = value.integer != 0;
                } else if (value.key == keyAlphaIsTransparency) {
                    p.alphaIsTransparency = value.integer != 0;
                }
            }
            imports.push_back(p);
        }
    return imports;
}

std::string FormatImportScript(const std::vector<PlayedImport>& imports) {
    std::string text = "# ROWSxCOLS:MODE[:invert][:alpha], one import per line\n";
    for (const PlayedImport& p : imports)
        text += NumberText(p.rows) + "x" + NumberText(p.cols) + ":" + ModeText(p) +
                (p.invert ? ":invert" : "") + (p.alphaIsTransparency ? ":alpha" : "") + "\n";
    return text;
}

bool ReadImportScript(const std::string& listOrFile, std::vector<PlayedImport>& imports, std::string& error) {
    std::ifstream in(listOrFile, std::ios::binary);
    if (!in)
        return ParseImportScript(listOrFile, imports, error);
    std::string line, list;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] != '#')
            list += (list.empty() ? "" : ",") + line;
    }
    if (ParseImportScript(list, imports, error))
        return true;
    error = listOrFile + ": " + error;
    return false;
}

bool SaveImportScript(const std::string& path, const std::vector<PlayedImport>& imports, std::string& error) {
    std::ofstream out(path, std::ios::binary);
    if (out << FormatImportScript(imports) && out.flush())
        return true;
    error = "cannot write the recorded series to " + path;
    return false;
}

} // namespace qv::host
