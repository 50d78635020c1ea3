// Images for tests that talk to the simulated STB: a recognisable flash image and
// EEPROM block, and the download image file built from them.
#pragma once
#include "tools/stb_sim/sim_image.h"

#include <cstdint>
#include <vector>

StbImage MakeTestImage(uint16_t systemId, uint8_t modelId, uint8_t layoutVersion, uint32_t seed);
// Container header with the systemId, five flash chunks (type 2) and one EEPROM chunk (type 3).
std::vector<uint8_t> BuildDownloadImage(const StbImage& image);
