// The run-length decoders on any block: byte 0 picks the ratio (0 the plain decoder), bytes 1
// and 2 the output size, the rest is the block. Both decoders write inside the output alone
// and agree, length and bytes, with the pixel-by-pixel rule.
#include "plugin/RowConversion.h"
#include "tests/plugin/RunLengthReference.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3)
        return 0;
    // Small ratios are the common ones; the last few reach ratios beyond any run.
    const int32_t ratio = data[0] < 250 ? data[0] : 1000 * (data[0] - 249);
    const size_t outSize = size_t{data[1]} | size_t{data[2]} << 8;
    const uint8_t* block = data + 3;
    const size_t received = size - 3;

    // Exactly the size given, so that a byte written past it is seen.
    std::vector<uint8_t> out(outSize), expected(outSize);
    const size_t length = ratio ? qv::DecodeRunLengthStretched(block, received, out.data(), outSize, ratio)
                                : qv::DecodeRunLength(block, received, out.data(), outSize);
    const size_t want = qv::test::ReferenceDecode(block, received, expected.data(), outSize, ratio);
    if (length != want || !std::equal(out.begin(), out.begin() + length, expected.begin())) {
        std::fprintf(stderr, "ratio %d, output %zu: decoded %zu bytes, the rule gives %zu\n", ratio, outSize,
                     length, want);
        std::abort();
    }
    return 0;
}
