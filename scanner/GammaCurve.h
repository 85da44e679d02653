// An 8-bit tone table built from gamma, brightness and contrast: sent to the device
// before a scan and used to show the preview as the scan will look.
#pragma once

#include <cstdint>
#include <memory>

class CGammaCurve {
  public:
    // A table of `entries` bytes holding the identity curve; gamma 1.0. A table that
    // cannot be had leaves the curve empty.
    explicit CGammaCurve(int32_t entries);

    // Clamps gamma to 0.1..9.0 and rebuilds the table.
    void SetGamma(double gamma);
    // Writes the table, adjusted by brightness and contrast, into `out` (Length() bytes).
    void Apply(uint8_t* out, int32_t brightness, int32_t contrast) const;

    int32_t Length() const { return m_Table ? m_iEntries : 0; }
    double Gamma() const { return m_dGamma; }
    bool IsEmpty() const { return !m_Table; }

  private:
    void BuildIdentity();

    int32_t m_iEntries;
    double m_dGamma = 1.0;
    std::unique_ptr<uint8_t[]> m_Table;
};
