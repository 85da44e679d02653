// Profile text on top of the default profile; an accepted profile must give the pages a
// device answers with the lengths it declares.
#include "sim/Pages.h"
#include "sim/Profile.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qv::sim::Profile profile;
    std::string error;
    if (!qv::sim::ParseProfile({reinterpret_cast<const char*>(data), size}, profile, error)) {
        if (error.empty())
            std::abort();
        return 0;
    }
    (void)qv::sim::BuildInquiry(profile);
    (void)qv::sim::BuildColorMatrixBuffer(profile);
    for (uint8_t code = qv::sim::kFirstPage; code <= qv::sim::kLastPage; ++code) {
        const auto page = qv::sim::BuildPage(profile, code);
        const size_t length = static_cast<size_t>(profile.PageLength(code - qv::sim::kFirstPage));
        if (page.size() != length || page[1] != code || page[3] != length - 4) {
            std::fprintf(stderr, "page %02X: %zu bytes, declared %zu\n", code, page.size(), length);
            std::abort();
        }
    }
    return 0;
}
