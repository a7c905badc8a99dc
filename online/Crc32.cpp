#include "online/Crc32.h"

namespace
{
// Eight tables, so that the loop takes eight bytes per step.
struct Crc32Tables {
    uint32_t t[8][256];
    Crc32Tables()
    {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[0][n] = c;
        }
        for (uint32_t n = 0; n < 256; ++n)
            for (int k = 1; k < 8; ++k)
                t[k][n] = (t[k - 1][n] >> 8) ^ t[0][t[k - 1][n] & 0xFF];
    }
};

const Crc32Tables& Tables()
{
    static const Crc32Tables tables;
    return tables;
}
} // namespace

uint32_t UpdateCrc32(uint32_t crc, const void* data, size_t length)
{
    const Crc32Tables& tables = Tables();
    const uint32_t(&t)[8][256] = tables.t;
    const unsigned char* p = static_cast<const unsigned char*>(data);
    crc = ~crc;
    for (; length >= 8; length -= 8, p += 8) {
        uint32_t low = crc ^ (p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24));
        uint32_t high = p[4] | (p[5] << 8) | (p[6] << 16) | (uint32_t(p[7]) << 24);
        crc = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24] ^
              t[3][high & 0xFF] ^ t[2][(high >> 8) & 0xFF] ^ t[1][(high >> 16) & 0xFF] ^ t[0][high >> 24];
    }
    for (; length > 0; --length, ++p)
        crc = t[0][(crc ^ *p) & 0xFF] ^ (crc >> 8);
    return ~crc;
}
