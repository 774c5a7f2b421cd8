#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace standin::tds {

// Bounds-checked cursor over a received payload. Every read either succeeds completely or
// fails without moving, so a parser can give up at the first short field.
class ByteReader {
  public:
    ByteReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    std::size_t remaining() const { return m_size - m_pos; }
    std::size_t pos() const { return m_pos; }
    bool atEnd() const { return m_pos == m_size; }

    bool peek(std::uint8_t& v) const {
        if (remaining() < 1)
            return false;
        v = m_data[m_pos];
        return true;
    }
    bool u8(std::uint8_t& v) {
        if (!peek(v))
            return false;
        ++m_pos;
        return true;
    }
    bool u16le(std::uint16_t& v) { return le(v); }
    bool u32le(std::uint32_t& v) { return le(v); }
    bool u64le(std::uint64_t& v) { return le(v); }
    bool i32le(std::int32_t& v) {
        std::uint32_t u = 0;
        if (!le(u))
            return false;
        v = static_cast<std::int32_t>(u);
        return true;
    }
    bool bytes(std::size_t n, const std::uint8_t*& p) {
        if (remaining() < n)
            return false;
        p = m_data + m_pos;
        m_pos += n;
        return true;
    }
    bool skip(std::size_t n) {
        const std::uint8_t* p = nullptr;
        return bytes(n, p);
    }

  private:
    template <typename T> bool le(T& v) {
        if (remaining() < sizeof(T))
            return false;
        T r = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i)
            r |= static_cast<T>(static_cast<T>(m_data[m_pos + i]) << (8 * i));
        v = r;
        m_pos += sizeof(T);
        return true;
    }

    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

} // namespace standin::tds
