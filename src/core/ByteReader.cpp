#include "core/ByteReader.h"

#include "core/Dib.h"

namespace tsl {

bool ByteReader::Fail() {
    m_ok = false;
    m_pos = m_size;
    return false;
}

bool ByteReader::Seek(std::size_t pos) {
    if (pos > m_size) return Fail();
    m_pos = pos;
    return true;
}

bool ByteReader::Skip(std::size_t n) {
    if (!Has(n)) return Fail();
    m_pos += n;
    return true;
}

const std::uint8_t* ByteReader::Take(std::size_t n) {
    if (!Has(n)) {
        Fail();
        return nullptr;
    }
    const std::uint8_t* p = m_data + m_pos;
    m_pos += n;
    return p;
}

std::uint8_t ByteReader::U8() {
    const std::uint8_t* p = Take(1);
    return p ? p[0] : 0;
}

std::uint16_t ByteReader::Le16() {
    const std::uint8_t* p = Take(2);
    return p ? ReadLe16(p) : 0;
}

std::uint32_t ByteReader::Le32() {
    const std::uint8_t* p = Take(4);
    return p ? ReadLe32(p) : 0;
}

std::uint16_t ByteReader::Be16() {
    const std::uint8_t* p = Take(2);
    return p ? static_cast<std::uint16_t>((p[0] << 8) | p[1]) : 0;
}

std::uint32_t ByteReader::Be32() {
    const std::uint8_t* p = Take(4);
    return p ? (static_cast<std::uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3] : 0;
}

} // namespace tsl
