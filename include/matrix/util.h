// matrix - utilities: the JSON walker; transliteration, CRC-32 and sorting.
#ifndef MATRIX_UTIL_H_
#define MATRIX_UTIL_H_

#include <matrix/export.h>

// ---- JSON walker ----------------------------------------------------------

// ---- Text and checksum utilities -----------------------------------------

#endif  // MATRIX_UTIL_H_
