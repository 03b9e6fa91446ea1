#include "tests/support/JpegBuilder.h"

#include <fstream>
#include <iterator>

namespace testjpeg {

void Put16(Bytes& b, size_t at, uint16_t v, Order o) {
    if (b.size() < at + 2) b.resize(at + 2);
    if (o == Order::MM) { b[at] = v >> 8; b[at + 1] = v & 0xFF; }
    else { b[at] = v & 0xFF; b[at + 1] = v >> 8; }
}

void Put32(Bytes& b, size_t at, uint32_t v, Order o) {
    if (b.size() < at + 4) b.resize(at + 4);
    for (int i = 0; i < 4; ++i) {
        int shift = o == Order::MM ? 24 - 8 * i : 8 * i;
        b[at + i] = static_cast<uint8_t>(v >> shift);
    }
}

Bytes Be32(uint32_t v) {
    Bytes b;
    Put32(b, 0, v, Order::MM);
    return b;
}

Bytes RationalBytes(const std::vector<Rational>& values, Order o) {
    Bytes b;
    for (const auto& [num, den] : values) {
        Put32(b, b.size(), num, o);
        Put32(b, b.size(), den, o);
    }
    return b;
}

ExifBuilder& ExifBuilder::Ifd0(uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
    m_ifd0.push_back({tag, type, count, value, std::nullopt});
    return *this;
}

ExifBuilder& ExifBuilder::Ifd0Data(uint16_t tag, uint16_t type, uint32_t count, Bytes data) {
    m_ifd0.push_back({tag, type, count, 0, std::move(data)});
    return *this;
}

ExifBuilder& ExifBuilder::Ifd0Text(uint16_t tag, const std::string& text) {
    Bytes data(text.begin(), text.end());
    data.push_back(0);
    uint32_t count = static_cast<uint32_t>(data.size());
    if (data.size() <= 4) {
        // Inline: the 4 bytes in file order, whatever the byte order (an
        // empty data blob marks inline bytes held big-endian in `value`).
        data.resize(4, 0);
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = v << 8 | data[i];
        m_ifd0.push_back({tag, kAscii, count, v, Bytes{}});
        return *this;
    }
    return Ifd0Data(tag, kAscii, count, std::move(data));
}

ExifBuilder& ExifBuilder::Gps(uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
    m_gps.push_back({tag, type, count, value, std::nullopt});
    return *this;
}

ExifBuilder& ExifBuilder::GpsData(uint16_t tag, uint16_t type, uint32_t count, Bytes data) {
    m_gps.push_back({tag, type, count, 0, std::move(data)});
    return *this;
}

ExifBuilder& ExifBuilder::GpsRef(uint16_t tag, char letter) {
    m_gps.push_back({tag, kAscii, 2, static_cast<uint32_t>(static_cast<uint8_t>(letter)) << 24,
                     Bytes{}});
    return *this;
}

ExifBuilder& ExifBuilder::GpsRationals(uint16_t tag, const std::vector<Rational>& values) {
    return GpsData(tag, kRational, static_cast<uint32_t>(values.size()),
                   RationalBytes(values, m_order));
}

int ExifBuilder::Ifd0EntryCount() const {
    bool pointer = m_gpsPointer.has_value() || !m_gps.empty();
    return static_cast<int>(m_ifd0.size()) + (pointer ? 1 : 0);
}

int ExifBuilder::FilePosOfGpsIfd() const { return FilePosOfIfd0() + 2 + 12 * Ifd0EntryCount() + 4; }

int ExifBuilder::FilePosOfValues() const {
    return FilePosOfGpsIfd() + 2 + 12 * static_cast<int>(m_gps.size()) + 4;
}

Bytes ExifBuilder::Build() const {
    const Order o = m_order;
    const int tiff = FilePosOfTiff();
    Bytes f = m_prefix;
    f.insert(f.end(), {0xFF, 0xD8, 0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0});
    if (o == Order::II) f.insert(f.end(), {'I', 'I', 0x2A, 0x00});
    else f.insert(f.end(), {'M', 'M', 0x00, 0x2A});
    Put32(f, f.size(), 8, o);

    size_t valueAt = static_cast<size_t>(FilePosOfValues());
    Bytes values;
    // Writes one entry; data blobs go to the value area (word-aligned).
    auto writeEntry = [&](size_t at, const Entry& e) {
        Put16(f, at, e.tag, o);
        Put16(f, at + 2, e.type, o);
        Put32(f, at + 4, e.count, o);
        if (e.data && e.data->empty()) {
            Put32(f, at + 8, e.value, Order::MM);  // inline bytes in file order
        } else if (e.data) {
            if (values.size() % 2) values.push_back(0);
            uint32_t off = static_cast<uint32_t>(valueAt + values.size() - tiff);
            values.insert(values.end(), e.data->begin(), e.data->end());
            Put32(f, at + 8, off, o);
        } else {
            Put32(f, at + 8, e.value, o);
        }
    };

    size_t at = static_cast<size_t>(FilePosOfIfd0());
    Put16(f, at, m_ifd0Declared.value_or(static_cast<uint16_t>(Ifd0EntryCount())), o);
    at += 2;
    for (const Entry& e : m_ifd0) { writeEntry(at, e); at += 12; }
    if (Ifd0EntryCount() > static_cast<int>(m_ifd0.size())) {
        Entry p{34853, kLong, m_gpsPointer.value_or(1),
                static_cast<uint32_t>(FilePosOfGpsIfd() - tiff), std::nullopt};
        writeEntry(at, p);
        at += 12;
    }
    Put32(f, at, 0, o);  // next-IFD offset
    at += 4;
    Put16(f, at, m_gpsDeclared.value_or(static_cast<uint16_t>(m_gps.size())), o);
    at += 2;
    for (const Entry& e : m_gps) { writeEntry(at, e); at += 12; }
    Put32(f, at, 0, o);
    f.insert(f.end(), values.begin(), values.end());

    size_t app1Len = f.size() - m_prefix.size() - 4;
    size_t lenAt = m_prefix.size() + 4;
    f[lenAt] = static_cast<uint8_t>(app1Len >> 8);
    f[lenAt + 1] = static_cast<uint8_t>(app1Len);
    f.insert(f.end(), {0xFF, 0xD9});
    return f;
}

ExifBuilder FiveEntryGps(Order o) {
    ExifBuilder b(o);
    b.Ifd0(0x010F, kAscii, 4, 0x41424300)
        .GpsRef(1, 'N')
        .GpsRationals(2, {{35, 1}, {39, 1}, {2910, 100}})
        .GpsRef(3, 'E')
        .GpsRationals(4, {{139, 1}, {44, 1}, {2890, 100}})
        .Gps(0, kByte, 4, 0x02030000);
    return b;
}

Bytes Zeroed(Bytes f, size_t pos, size_t n) {
    for (size_t i = 0; i < n; ++i) f.at(pos + i) = 0;
    return f;
}

Bytes ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteFileBytes(const std::string& path, const Bytes& b) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    return static_cast<bool>(out);
}

}  // namespace testjpeg
