#include "skin/os_version.h"

namespace skin {

namespace {
constexpr uint32_t Major(uint32_t version) { return version & 0xFF; }
constexpr uint32_t Minor(uint32_t version) { return (version >> 8) & 0xFF; }
}  // namespace

bool OsVersionAtLeast2000(uint32_t v) { return Major(v) > 5 || (Major(v) == 5 && Minor(v) <= 2); }
// 5.2 (the 64-bit XP and Server 2003) came after XP and counts as at least XP.
bool OsVersionAtLeastXP(uint32_t v) { return Major(v) > 5 || (Major(v) == 5 && Minor(v) >= 1); }
bool OsVersionAtLeastVista(uint32_t v) { return Major(v) > 5; }
bool OsVersionIsSeven(uint32_t v) { return Major(v) == 6 && Minor(v) == 1; }

}  // namespace skin
