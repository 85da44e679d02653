// Identification data a simulated device answers: the standard inquiry and the vendor
// pages 0xC0..0xC4, big-endian, cut to the profile's page lengths.
#pragma once

#include "sim/Profile.h"

#include <cstdint>
#include <vector>

namespace qv::sim {

constexpr int kInquiryLength = 36;
constexpr uint8_t kFirstPage = 0xC0;
constexpr uint8_t kLastPage = 0xC4;

std::vector<uint8_t> BuildInquiry(const Profile& profile);
// Empty for a code outside 0xC0..0xC4.
std::vector<uint8_t> BuildPage(const Profile& profile, uint8_t code);
// Buffer 7: the three colour-matrix entries, 18 bytes each.
std::vector<uint8_t> BuildColorMatrixBuffer(const Profile& profile);

void PutBe16(uint8_t* at, uint32_t value);
void PutBe32(uint8_t* at, uint32_t value);

} // namespace qv::sim
