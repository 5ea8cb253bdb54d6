// BZip2 entries: one bzip2 stream ("BZh" header included), decoded by libbz2.
#include <bzlib.h>

#include "platform/zip/decoders.h"

namespace vorlane::zip::detail {

Decoded DecodeBzip2(RangeReader& in, Sink& out, std::vector<unsigned char>& scratch) {
    bz_stream bz{};
    if (BZ2_bzDecompressInit(&bz, 0, 0) != BZ_OK) return Decoded::NoMemory;
    struct End {
        bz_stream& bz;
        ~End() { BZ2_bzDecompressEnd(&bz); }
    } end{bz};
    for (;;) {
        if (bz.avail_in == 0) {
            const unsigned char* data;
            size_t n;
            if (in.Next(data, n)) {
                bz.next_in = reinterpret_cast<char*>(const_cast<unsigned char*>(data));
                bz.avail_in = static_cast<unsigned>(n);
            }
        }
        const unsigned inBefore = bz.avail_in;
        bz.next_out = reinterpret_cast<char*>(scratch.data());
        bz.avail_out = static_cast<unsigned>(scratch.size());
        int rc = BZ2_bzDecompress(&bz);
        const size_t produced = scratch.size() - bz.avail_out;
        if (rc == BZ_MEM_ERROR) return Decoded::NoMemory;
        if (rc != BZ_OK && rc != BZ_STREAM_END) return Decoded::Corrupt;
        if (produced > 0 && !out.Put(scratch.data(), produced)) return Decoded::Stopped;
        if (rc == BZ_STREAM_END) return Decoded::End;
        if (produced == 0 && bz.avail_in == inBefore) return Decoded::Corrupt;
    }
}

}  // namespace vorlane::zip::detail
