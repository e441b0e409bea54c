#pragma once
// Little-endian fields (of BMP and PCX headers, of the sealed records and their keys), read
// from and written to byte arrays whose length the caller has already checked.

#include <cstdint>
#include <vector>

class C_LittleEndian {
public:
    static uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
    static uint32_t U32(const uint8_t* p)
    {
        return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16
            | static_cast<uint32_t>(p[3]) << 24;
    }
    static int32_t I32(const uint8_t* p) { return static_cast<int32_t>(U32(p)); }

    static void Put16(uint8_t* p, uint32_t v)
    {
        p[0] = static_cast<uint8_t>(v);
        p[1] = static_cast<uint8_t>(v >> 8);
    }
    static void Put32(uint8_t* p, uint32_t v)
    {
        Put16(p, v);
        Put16(p + 2, v >> 16);
    }
};
