// A played import series as the host hands it to the module: a list 'mulK' of 'mulS'
// entries with rows, columns, mode and the two flags, written from a short text such as
// "3000x2000:1,2999.9x640:gryS:invert"; and the series a module recorded, in the same text.
#pragma once

#include "host/Descriptors.h"
#include "plugin/ScriptingTerms.h"

#include <string>
#include <vector>

namespace qv::host {

struct PlayedImport {
    double rows = 0;
    double cols = 0;
    DescriptorEnumID mode = enumGrayscale;
    bool hasMode = true;
    bool invert = false;
    bool alphaIsTransparency = false;
};

// Entries separated by ","; each ROWSxCOLS, then optional ":" parts: a mode number 0..3, a
// four-character mode code, "nomode" (the entry has no mode key), "invert", "alpha".
bool ParseImportScript(const std::string& text, std::vector<PlayedImport>& imports, std::string& error);
std::vector<DescItem> ImportList(const std::vector<PlayedImport>& imports);

// The entries of every list a module handed over, in order; an entry that is no descriptor is
// left out, one without a mode key is "nomode".
std::vector<PlayedImport> ImportsOf(const std::vector<std::vector<DescItem>>& lists);
// One entry per line in the form ParseImportScript reads, after a "#" line that says so.
std::string FormatImportScript(const std::vector<PlayedImport>& imports);
// `listOrFile` names a file that can be read, with an entry per line ("#" lines are notes), or
// is the inline list itself.
bool ReadImportScript(const std::string& listOrFile, std::vector<PlayedImport>& imports, std::string& error);
bool SaveImportScript(const std::string& path, const std::vector<PlayedImport>& imports, std::string& error);

} // namespace qv::host
