#pragma once
// A bounds-checked reader over a span of outside bytes. A read past the end yields zeros, moves
// the cursor to the end and latches the failure: Ok() stays false from then on, so a parser may
// read a whole header and check once.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tsl {

class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size)
        : m_data(data), m_size(data ? size : 0) {}
    explicit ByteReader(const std::vector<std::uint8_t>& bytes)
        : ByteReader(bytes.data(), bytes.size()) {}

    bool Ok() const { return m_ok; }
    std::size_t Pos() const { return m_pos; }
    std::size_t Size() const { return m_size; }
    std::size_t Remaining() const { return m_size - m_pos; }
    bool Has(std::size_t n) const { return n <= Remaining(); }
    // Moves the cursor to pos (at most Size()); false, and failure, when it lies past the end.
    bool Seek(std::size_t pos);
    bool Skip(std::size_t n);
    // n bytes at the cursor, or nullptr (and failure) when fewer remain.
    const std::uint8_t* Take(std::size_t n);
    std::uint8_t U8();
    std::uint16_t Le16();
    std::uint32_t Le32();
    std::uint16_t Be16();
    std::uint32_t Be32();

private:
    bool Fail();

    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
    bool m_ok = true;
};

} // namespace tsl
