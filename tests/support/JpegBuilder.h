// Builds JPEG bytes with an APP1 Exif block for tests, so that each test
// shows what it feeds in: byte order, 0th-IFD and GPS-IFD entries, values
// placed after the IFDs, bytes before the APP1 segment.
//
// Layout of Build(): [prefix] FF D8 FF E1 len "Exif" 00 00 | TIFF header |
// 0th IFD | GPS IFD | values | FF D9. Without a prefix "Exif" is at 6 and
// the TIFF header at 12; offsets are relative to the TIFF header.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testjpeg {

using Bytes = std::vector<uint8_t>;
using Rational = std::pair<uint32_t, uint32_t>;

enum class Order { II, MM };

// Field types.
enum : uint16_t { kByte = 1, kAscii = 2, kShort = 3, kLong = 4, kRational = 5, kUndefined = 7 };

class ExifBuilder {
public:
    explicit ExifBuilder(Order order = Order::II) : m_order(order) {}

    // An entry whose value/offset field holds `value` as it stands.
    ExifBuilder& Ifd0(uint16_t tag, uint16_t type, uint32_t count, uint32_t value);
    // An entry whose value is `data`, stored after the IFDs (its offset is
    // filled in by Build); `count` is the field's count.
    ExifBuilder& Ifd0Data(uint16_t tag, uint16_t type, uint32_t count, Bytes data);
    // ASCII text with its NUL: inline when it fits 4 bytes, else after the IFDs.
    ExifBuilder& Ifd0Text(uint16_t tag, const std::string& text);

    ExifBuilder& Gps(uint16_t tag, uint16_t type, uint32_t count, uint32_t value);
    ExifBuilder& GpsData(uint16_t tag, uint16_t type, uint32_t count, Bytes data);
    // Reference letter entry (tags 1, 3): ASCII count 2, the letter inline.
    ExifBuilder& GpsRef(uint16_t tag, char letter);
    // Rationals entry (tags 2, 4): RATIONAL, count = number of rationals.
    ExifBuilder& GpsRationals(uint16_t tag, const std::vector<Rational>& values);

    // The GPS pointer (tag 34853) is added as the last 0th-IFD entry when
    // GPS entries exist or WithGpsPointer() was called.
    ExifBuilder& WithGpsPointer(uint32_t count = 1) { m_gpsPointer = count; return *this; }
    // Declared entry counts other than the number of entries given.
    ExifBuilder& Ifd0DeclaredCount(uint16_t n) { m_ifd0Declared = n; return *this; }
    ExifBuilder& GpsDeclaredCount(uint16_t n) { m_gpsDeclared = n; return *this; }
    // Bytes put before the SOI (to move the Exif signature).
    ExifBuilder& Prefix(Bytes bytes) { m_prefix = std::move(bytes); return *this; }

    Bytes Build() const;

    // Positions in the built file (valid for the builder's current state).
    int FilePosOfTiff() const { return static_cast<int>(m_prefix.size()) + 12; }
    int FilePosOfIfd0() const { return FilePosOfTiff() + 8; }
    int FilePosOfGpsIfd() const;
    int FilePosOfValues() const;

private:
    struct Entry {
        uint16_t tag, type;
        uint32_t count, value;
        std::optional<Bytes> data;
    };
    int Ifd0EntryCount() const;
    Order m_order;
    std::vector<Entry> m_ifd0, m_gps;
    std::optional<uint32_t> m_gpsPointer;
    std::optional<uint16_t> m_ifd0Declared, m_gpsDeclared;
    Bytes m_prefix;
};

// Numbers in a byte order, for building values and patching files.
void Put16(Bytes& b, size_t at, uint16_t v, Order o);
void Put32(Bytes& b, size_t at, uint32_t v, Order o);
Bytes Be32(uint32_t v);
Bytes RationalBytes(const std::vector<Rational>& values, Order o);

// A photo whose GPS IFD holds 5 entries: N, latitude 35/1 39/1 2910/100, E,
// longitude 139/1 44/1 2890/100, and a version entry (tag 0, inline).
ExifBuilder FiveEntryGps(Order o = Order::II);

// `f` with n bytes at pos set to zero.
Bytes Zeroed(Bytes f, size_t pos, size_t n);

// Reads a whole file; empty when it cannot.
Bytes ReadFileBytes(const std::string& path);
// Writes bytes to a file; false on failure.
bool WriteFileBytes(const std::string& path, const Bytes& b);

}  // namespace testjpeg
