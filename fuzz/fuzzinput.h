#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>

// The fuzzer's bytes as the program would get them: text decoded from UTF-8.
inline QString fuzzText(const uint8_t *data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
}
