#pragma once
#include <stddef.h>
#include <stdint.h>

#include <string>

// A face name longer than this is cut: no font's name is, and a TextItem carries it whole.
constexpr size_t kMaxFaceChars = 255;

// The face name stored offset bytes into a font's metrics of size bytes: the UTF-16 string up
// to its terminator, read only inside the metrics, cut at kMaxFaceChars. Empty when the offset
// points outside them.
std::u16string FaceFromMetrics(const void* metrics, uint32_t size, int32_t offset);
