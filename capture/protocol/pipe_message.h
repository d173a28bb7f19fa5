#pragma once
#include <stddef.h>
#include <stdint.h>

// One message of the capture pipe, from the rendering module to the relay: a 32-bit length
// that counts the whole message, a command byte, then the command's fields. Integers are
// little-endian, fields are packed, strings are UTF-16LE and end with a 0 code unit.
//
//   StartDoc   printer, data type, job id, dpi, document name   19 + 2 x (p + d + n) bytes
//   StartPage  width, height                                    13 bytes
//   TextItem   x0, y0, x1, y1, text, face name                  25 + 2 x (t + f) bytes
//   EndDoc     -                                                5 bytes
enum class PipeCommand : uint8_t { kStartDoc = 1, kStartPage = 2, kTextItem = 3, kEndDoc = 4 };

constexpr uint32_t kPipeLengthBytes = 4;
constexpr uint32_t kPipeHeaderBytes = 5; // length and command
// The reader holds what follows the length field in a buffer of this size.
constexpr uint32_t kPipeBodyRoom = 4096;
constexpr uint32_t kPipeMessageMaxBytes = kPipeLengthBytes + kPipeBodyRoom;

constexpr uint32_t kStartDocFixedBytes = 19;
constexpr uint32_t kStartPageBytes = 13;
constexpr uint32_t kTextItemFixedBytes = 25;
constexpr uint32_t kEndDocBytes = 5;

// The writer's own limits, well inside the reader's: a StartDoc fits a buffer of 2656 bytes
// and a TextItem one of 2208, so the strings of a StartDoc hold at most 1318 characters
// together, and text and face name of a TextItem at most 1091.
constexpr uint32_t kStartDocBufferBytes = 2656;
constexpr uint32_t kTextItemBufferBytes = 2208;
constexpr size_t kStartDocMaxChars = (kStartDocBufferBytes - kStartDocFixedBytes) / 2;
constexpr size_t kTextItemMaxChars = (kTextItemBufferBytes - kTextItemFixedBytes) / 2;
// A face name longer than this is cut, so that every TextItem of a split run carries text.
constexpr size_t kTextItemMaxFaceChars = 255;

// A whole message as it travels: size is the value of its length field.
struct PipeMessage {
    uint32_t size = 0;
    uint8_t bytes[kPipeMessageMaxBytes];
};

inline bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
inline bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}
