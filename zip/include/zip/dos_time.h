// MS-DOS dates and times as archives record them (time low word, date high word).
#pragma once

#include <cstdint>

namespace zip {

// Clamps the fields of an MS-DOS date-time into range; a value that needs no clamping is
// returned bit for bit.
uint32_t NormalizeDosDateTime(uint32_t value);
// Days since 1899-12-30 plus the fraction of the day, or 0 when the value is no valid date.
double DosDateTimeToDateTime(uint32_t value);
bool IsValidDosDate(uint32_t value);

}  // namespace zip
