#pragma once
// The decoders of the compression methods an entry may use. Each one reads the entry's
// compressed bytes front to back and hands what it decodes to a sink piece by piece, so its
// memory depends on the method's own parameters (window, dictionary, model size), never on
// the size of the entry. The sink checks size, CRC-32 and limits and writes the file.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/zip/range_reader.h"

namespace vorlane::zip::detail {

// Where decoded bytes go. Put returns false to stop the decoder (the sink knows why).
class Sink {
public:
    virtual bool Put(const unsigned char* data, size_t n) = 0;

protected:
    ~Sink() = default;
};

enum class Decoded {
    End,        // the method's data ended where it should; the sink has every byte
    Corrupt,    // damaged, cut short or with parameters the method does not allow
    Stopped,    // the sink refused more
    NoMemory,   // the method's parameters ask for more memory than there is
};

// What the decoder of an entry needs to know of it.
struct EntryData {
    uint16_t method = 0;
    uint16_t flags = 0;   // general-purpose flags: bit 1 tells an LZMA end marker is present
    uint64_t size = 0;    // declared uncompressed size
};

// Methods: 0 stored, 8 deflated, 9 Deflate64, 12 BZip2, 14 LZMA, 98 PPMd (variant I).
bool IsReadableMethod(uint16_t method);

// The decoders with what they keep between entries (buffers, zlib's state).
class Decoders {
public:
    Decoders();
    ~Decoders();
    Decoders(const Decoders&) = delete;
    Decoders& operator=(const Decoders&) = delete;

    Decoded Run(const EntryData& entry, RangeReader& in, Sink& out);

private:
    struct State;
    std::unique_ptr<State> s_;
};

// One method each (own files). `out` is a scratch buffer the decoder may fill and hand over.
Decoded Inflate64(RangeReader& in, Sink& out);
Decoded DecodeBzip2(RangeReader& in, Sink& out, std::vector<unsigned char>& scratch);
Decoded DecodeLzma(const EntryData& entry, RangeReader& in, Sink& out, std::vector<unsigned char>& scratch);
Decoded DecodePpmd(const EntryData& entry, RangeReader& in, Sink& out, std::vector<unsigned char>& scratch);

}  // namespace vorlane::zip::detail
