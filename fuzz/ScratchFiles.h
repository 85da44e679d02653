// A folder of this fuzzing process for the parsers that only read files; it goes when the
// process exits normally (a crash leaves it for a look).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qv::fuzz {

const std::string& ScratchFolder();
// Replaces the file's content; aborts when it cannot, as every later input would be lost.
void WriteScratchFile(const std::string& path, const void* data, size_t size);

} // namespace qv::fuzz
