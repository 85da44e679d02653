// The host's PNM reader on any file content. A file it accepts must compare equal to
// itself, which reads every pixel its shape promises; a file it refuses must say why.
#include "ScratchFiles.h"
#include "host/Document.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = qv::fuzz::ScratchFolder() + "/input.pnm";
    qv::fuzz::WriteScratchFile(path, data, size);
    std::string error;
    auto image = qv::host::ReadPnm(path, error);
    if (!image) {
        if (error.empty())
            std::abort();
        return 0;
    }
    if (auto difference = qv::host::ComparePnm(*image, *image)) {
        std::fprintf(stderr, "read image is not itself: %s\n", difference->c_str());
        std::abort();
    }
    return 0;
}
