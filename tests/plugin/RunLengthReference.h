// The run-length rule decoded one pixel at a time, as plainly as it reads: the fast decoders
// must agree with it byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv::test {

inline size_t ReferenceDecode(const uint8_t* block, size_t received, uint8_t* out, size_t size,
                              int32_t ratio) {
    if (size == 0)
        return 0;
    size_t o = 0;
    int bit = 7;
    int32_t k = ratio;
    out[0] = 0;
    for (size_t i = 0; i < received; ++i) {
        const uint8_t code = block[i];
        if (code == 0) {
            k = ratio;
            if (bit != 7) {
                bit = 7;
                if (++o == size)
                    return o;
                out[o] = 0;
            }
            continue;
        }
        for (int pixel = 0; pixel < (code & 0x7F); ++pixel) {
            int copies = 1;
            if (ratio > 0 && --k == 0) {
                copies = 2;
                k = ratio;
            }
            for (; copies > 0; --copies) {
                if ((code & 0x80) == 0)
                    out[o] |= static_cast<uint8_t>(1 << bit);
                if (--bit < 0) {
                    bit = 7;
                    if (++o == size)
                        return o;
                    out[o] = 0;
                }
            }
        }
    }
    return o;
}

} // namespace qv::test
