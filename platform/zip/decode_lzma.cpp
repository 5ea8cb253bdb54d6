// LZMA entries, decoded by liblzma. The zip form puts in front of the raw LZMA data the
// encoder's version (2 bytes), the size of the properties (2 bytes, always 5) and the
// properties: lc/lp/pb in one byte and the dictionary size. Flag bit 1 says the data ends
// with an end marker: the data, not the declared size, then says where the entry ends, so
// data that goes on past the declared size is seen. Without the marker the data ends at the
// entry's size.
#include <lzma.h>

#include <algorithm>
#include <cstdlib>

#include "platform/zip/decoders.h"

namespace vorlane::zip::detail {

namespace {
constexpr size_t kPropertiesSize = 5;
constexpr uint32_t kSmallestDictionary = 4096;
constexpr uint16_t kEndMarkerFlag = 2;
}  // namespace

Decoded DecodeLzma(const EntryData& entry, RangeReader& in, Sink& out, std::vector<unsigned char>& scratch) {
    unsigned char header[4 + kPropertiesSize];
    if (!in.Read(header, sizeof header)) return Decoded::Corrupt;
    if ((header[2] | header[3] << 8) != kPropertiesSize) return Decoded::Corrupt;

    lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, nullptr}, {LZMA_VLI_UNKNOWN, nullptr}};
    if (lzma_properties_decode(&filters[0], nullptr, header + 4, kPropertiesSize) != LZMA_OK) return Decoded::Corrupt;
    lzma_options_lzma options = *static_cast<lzma_options_lzma*>(filters[0].options);
    std::free(filters[0].options);
    const bool endMarker = (entry.flags & kEndMarkerFlag) != 0;
    // Distances never reach before the start of the entry, and no more than one scratch
    // buffer is decoded past what the entry declares before the output is refused: a larger
    // dictionary would only cost memory (a damaged header may ask for 4 GiB).
    const uint64_t reach = std::max<uint64_t>(entry.size + scratch.size(), kSmallestDictionary);
    if (options.dict_size > reach) options.dict_size = static_cast<uint32_t>(reach);
    const uint64_t size = endMarker ? UINT64_MAX : entry.size;
    options.ext_flags = LZMA_LZMA1EXT_ALLOW_EOPM;
    options.ext_size_low = static_cast<uint32_t>(size);
    options.ext_size_high = static_cast<uint32_t>(size >> 32);
    filters[0] = {LZMA_FILTER_LZMA1EXT, &options};

    lzma_stream z = LZMA_STREAM_INIT;
    lzma_ret rc = lzma_raw_decoder(&z, filters);
    if (rc == LZMA_MEM_ERROR) return Decoded::NoMemory;
    if (rc != LZMA_OK) return Decoded::Corrupt;
    struct End {
        lzma_stream& z;
        ~End() { lzma_end(&z); }
    } end{z};
    for (;;) {
        if (z.avail_in == 0) {
            const unsigned char* data;
            size_t n;
            if (in.Next(data, n)) z.next_in = data, z.avail_in = n;
        }
        const size_t inBefore = z.avail_in;
        z.next_out = scratch.data();
        z.avail_out = scratch.size();
        rc = lzma_code(&z, LZMA_RUN);
        const size_t produced = scratch.size() - z.avail_out;
        if (rc == LZMA_MEM_ERROR) return Decoded::NoMemory;
        if (rc != LZMA_OK && rc != LZMA_STREAM_END && rc != LZMA_BUF_ERROR) return Decoded::Corrupt;
        if (produced > 0 && !out.Put(scratch.data(), produced)) return Decoded::Stopped;
        if (rc == LZMA_STREAM_END) return Decoded::End;
        if (produced == 0 && z.avail_in == inBefore) return Decoded::Corrupt;
    }
}

}  // namespace vorlane::zip::detail
