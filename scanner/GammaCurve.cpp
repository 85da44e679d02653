#include "scanner/GammaCurve.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

uint8_t ClampToByte(int64_t value) {
    return static_cast<uint8_t>(std::clamp<int64_t>(value, 0, 255));
}

} // namespace

CGammaCurve::CGammaCurve(int32_t entries) : m_iEntries(entries) {
    if (entries > 0)
        m_Table.reset(new (std::nothrow) uint8_t[static_cast<size_t>(entries)]);
    BuildIdentity();
}

void CGammaCurve::BuildIdentity() {
    if (!m_Table)
        return;
    // Tables shorter than 256 entries map one to one rather than divide by zero.
    const int32_t step = std::max(m_iEntries / 256, 1);
    for (int32_t i = 0; i < m_iEntries; ++i)
        m_Table[i] = ClampToByte(i / step);
}

void CGammaCurve::SetGamma(double gamma) {
    if (!m_Table)
        return;
    if (std::isnan(gamma))
        gamma = 1.0;
    // The difference from 1.0 is taken on the value as given, before clamping.
    const bool identity = std::fabs(gamma - 1.0) < 1e-5;
    m_dGamma = std::clamp(gamma, 0.1, 9.0);
    if (identity) {
        BuildIdentity();
        return;
    }
    const double last = std::max(m_iEntries - 1, 1);
    const double exponent = 1.0 / m_dGamma;
    for (int32_t i = 0; i < m_iEntries; ++i)
        m_Table[i] = ClampToByte(static_cast<int64_t>(std::pow(i / last, exponent) * 255.0));
}

void CGammaCurve::Apply(uint8_t* out, int32_t brightness, int32_t contrast) const {
    if (!m_Table || out == nullptr)
        return;
    // 255 is odd, so the divisor is never zero for integer contrast.
    const int64_t divisor = 255 - 2 * int64_t{contrast};
    for (int32_t i = 0; i < m_iEntries; ++i) {
        const int64_t t = m_Table[i];
        out[i] = ClampToByte((t - contrast) * 255 / divisor + brightness);
    }
}
