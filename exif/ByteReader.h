// The bounded, byte-order-aware reader through which every byte of a file's
// content is read. A read answers false when its bytes are not all inside
// the content, and then leaves its output untouched.
//
// What the Exif walk records at the edge of the content:
// - a TIFF header counts only when its 8 bytes (magic and 0th-IFD offset)
//   are all inside; a TIFF offset is added to the header position in 64 bits
//   as an unsigned number, and a position that is not a non-negative 32-bit
//   number is recorded as -1 and never read;
// - an IFD walk stops at the first entry whose 12 bytes are not all inside:
//   the declared count is kept, the processed count says how many were read;
// - a text value is copied up to its NUL, its field's size or the end of the
//   content, whichever comes first; a rational is captured only when its 8
//   bytes are inside, and the rationals after it are not captured either.
//
// Content may be brought into memory as it is asked for: a reader with a
// ByteSource asks it for bytes before it touches them, so a file is read
// only where the walk goes. A source that cannot bring them (an I/O error,
// a file cut short meanwhile) makes the read answer false and notes it.
#pragma once
#include <cstdint>

class ByteSource {
public:
    // Makes the n bytes at pos (inside the content) present in memory.
    virtual bool Bring(int64_t pos, int64_t n) = 0;

protected:
    ~ByteSource() = default;
};

class ByteReader {
public:
    enum Order { kBigEndian = 1, kLittleEndian = 2 };

    ByteReader(const uint8_t* data, int64_t len, int order = kLittleEndian,
               ByteSource* source = nullptr)
        : m_data(data), m_len(data ? len : 0), m_order(order), m_source(source) {}

    // The same content read in another byte order.
    ByteReader WithOrder(int order) const { return ByteReader(m_data, m_len, order, m_source); }
    // The content's first n bytes (all of it when n is longer).
    ByteReader Prefix(int64_t n) const {
        return ByteReader(m_data, n < 0 ? 0 : n < m_len ? n : m_len, m_order, m_source);
    }

    int64_t Length() const { return m_len; }

    // True when the n bytes at pos lie inside the content (and are in memory).
    bool Has(int64_t pos, int64_t n) const {
        return pos >= 0 && n >= 0 && n <= m_len && pos <= m_len - n &&
               (m_source == nullptr || m_source->Bring(pos, n));
    }

    bool U8(int64_t pos, uint8_t& out) const {
        if (!Has(pos, 1)) return false;
        out = m_data[pos];
        return true;
    }

    bool U16(int64_t pos, uint16_t& out) const {
        if (!Has(pos, 2)) return false;
        const uint8_t* p = m_data + pos;
        out = m_order == kBigEndian ? static_cast<uint16_t>(p[0] << 8 | p[1])
                                    : static_cast<uint16_t>(p[1] << 8 | p[0]);
        return true;
    }

    bool U32(int64_t pos, uint32_t& out) const {
        if (!Has(pos, 4)) return false;
        const uint8_t* p = m_data + pos;
        if (m_order == kBigEndian)
            out = uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
        else
            out = uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
        return true;
    }

    // Signed view of a 32-bit field, as the analysis record holds numbers.
    bool I32(int64_t pos, int32_t& out) const {
        uint32_t u;
        if (!U32(pos, u)) return false;
        out = static_cast<int32_t>(u);
        return true;
    }

    // True when the four bytes at pos equal a, b, c, d.
    bool Matches(int64_t pos, uint8_t a, uint8_t b, uint8_t c, uint8_t d) const {
        return Has(pos, 4) && m_data[pos] == a && m_data[pos + 1] == b &&
               m_data[pos + 2] == c && m_data[pos + 3] == d;
    }

    // Pointer to n bytes at pos, or null when they are not all inside.
    const uint8_t* Span(int64_t pos, int64_t n) const {
        return Has(pos, n) ? m_data + pos : nullptr;
    }

private:
    const uint8_t* m_data;
    int64_t m_len;
    int m_order;
    ByteSource* m_source;
};
