// Shared by the fuzz targets: the input as the bytes a read of the port brought, and a check
// that stops the run when something the decoders promise does not hold.
#pragma once

#include "frame.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <type_traits>

// The fuzzer's own buffer, not copied: a read one byte past the reply lands outside it and the
// address sanitizer stops the run there.
inline QByteArray wire(const uint8_t *data, size_t size)
{
    return QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
}

inline QByteArray zeroPadded(const QByteArray &reply)
{
    return reply + QByteArray(64, '\0');
}

#define MUST(condition)                                                                       \
    do {                                                                                      \
        if (!(condition)) {                                                                   \
            std::fprintf(stderr, "%s:%d: does not hold: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                     \
        }                                                                                     \
    } while (0)

// Field-by-field equality of the plain reply structs.
template <typename T>
bool sameBytes(const T &a, const T &b)
{
    static_assert(std::has_unique_object_representations_v<T>, "no padding to compare");
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// What holds for every reply of a sized read: a reply of no more than the header carries no
// value (what did not arrive reads as 0), and once the tool has the bytes it waits for, nothing
// after them changes what is decoded.
template <typename Decode, typename Same>
void checkSizedRead(const QByteArray &reply, int minimumReply, Decode decode, Same same)
{
    using Value = decltype(decode(reply));
    const Value value = decode(reply);
    MUST(reply.size() > radarlink::HeaderSize || same(value, Value{}));
    if (radarlink::checkSizedReply(reply, minimumReply) == radarlink::SizedReplyCheck::Valid)
        MUST(same(value, decode(reply.left(minimumReply))));
}
