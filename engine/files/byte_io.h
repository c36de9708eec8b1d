#pragma once

// Little-endian reading and writing of the engine's binary files. The reader
// never reads past its data: every read says whether the bytes were there,
// and a failed read leaves the position where it was.

#include <QByteArray>

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace lx {

class ByteReader {
public:
    ByteReader(const uint8_t* Data, size_t Size) : data_(Data), size_(Size) {}

    size_t position() const { return pos_; }
    size_t remaining() const { return size_ - pos_; }
    const uint8_t* current() const { return data_ + pos_; }

    bool seek(size_t Position) {
        if (Position > size_) return false;
        pos_ = Position;
        return true;
    }
    bool skip(size_t Count) {
        if (Count > remaining()) return false;
        pos_ += Count;
        return true;
    }
    bool read(void* Target, size_t Count) {
        if (Count > remaining()) return false;
        if (Count > 0) std::memcpy(Target, data_ + pos_, Count);
        pos_ += Count;
        return true;
    }
    // A plain record read byte for byte (the records are little-endian, as
    // is every machine the program runs on).
    template <typename T> bool readRecord(T& Value) {
        static_assert(std::is_trivially_copyable_v<T>);
        return read(&Value, sizeof(T));
    }
    bool u8(uint8_t& Value) { return readRecord(Value); }
    bool u16(uint16_t& Value) {
        uint8_t b[2];
        if (!read(b, 2)) return false;
        Value = uint16_t(b[0] | b[1] << 8);
        return true;
    }
    bool u32(uint32_t& Value) {
        uint8_t b[4];
        if (!read(b, 4)) return false;
        Value = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
        return true;
    }
    bool i32(int32_t& Value) {
        uint32_t v = 0;
        if (!u32(v)) return false;
        Value = int32_t(v);
        return true;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// Values at fixed offsets of a record held in memory; the caller sizes the
// record before writing into it.
inline void putU16(uint8_t* Record, size_t Offset, uint16_t Value) {
    Record[Offset] = uint8_t(Value);
    Record[Offset + 1] = uint8_t(Value >> 8);
}
inline void putU32(uint8_t* Record, size_t Offset, uint32_t Value) {
    for (int k = 0; k < 4; ++k)
        Record[Offset + size_t(k)] = uint8_t(Value >> (8 * k));
}
inline uint16_t getU16(const uint8_t* Record, size_t Offset) {
    return uint16_t(Record[Offset] | Record[Offset + 1] << 8);
}
inline uint32_t getU32(const uint8_t* Record, size_t Offset) {
    return uint32_t(Record[Offset]) | uint32_t(Record[Offset + 1]) << 8 |
           uint32_t(Record[Offset + 2]) << 16 | uint32_t(Record[Offset + 3]) << 24;
}
// Records with pinned layouts are copied whole: the files are little-endian,
// and so must the machine be for the copy to be the file's bytes.
static_assert(std::endian::native == std::endian::little,
              "whole-record copies assume a little-endian machine");
template <typename T> void putRecord(uint8_t* Record, size_t Offset, const T& Value) {
    static_assert(std::is_trivially_copyable_v<T>);
    std::memcpy(Record + Offset, &Value, sizeof(T));
}
template <typename T> void getRecord(const uint8_t* Record, size_t Offset, T& Value) {
    static_assert(std::is_trivially_copyable_v<T>);
    std::memcpy(&Value, Record + Offset, sizeof(T));
}

} // namespace lx
