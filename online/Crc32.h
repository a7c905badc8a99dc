// The zip format's CRC-32 (reflected polynomial 0xEDB88320), with our own
// tables: the zip writer does not use zlib.
#pragma once

#include <cstddef>
#include <cstdint>

// Continues `crc` (0 to start) over the bytes.
uint32_t UpdateCrc32(uint32_t crc, const void* data, size_t length);
