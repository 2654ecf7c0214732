// The bytes a compressor takes, in order: as they are, or as a count of zero bytes that the
// caller knows of without having written them out, which a compressor may take faster.
#pragma once

#include <cstddef>

namespace qv {

class DeflateInput {
public:
    virtual void write(const unsigned char* data, size_t size) = 0;
    virtual void writeZeros(size_t count) = 0;

protected:
    ~DeflateInput() = default;
};

} // namespace qv
