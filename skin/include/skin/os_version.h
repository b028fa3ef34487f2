// Tests of the platform's version number, which the skin engine's effects depend on.
#pragma once

#include <cstdint>

namespace skin {

// version is the low word of the platform's version number: major in the low byte.
bool OsVersionAtLeast2000(uint32_t version);
bool OsVersionAtLeastXP(uint32_t version);
bool OsVersionAtLeastVista(uint32_t version);
bool OsVersionIsSeven(uint32_t version);

}  // namespace skin
