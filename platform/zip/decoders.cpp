#include "platform/zip/decoders.h"

#include <zlib.h>

namespace vorlane::zip::detail {

namespace {

constexpr size_t kScratchSize = 256 * 1024;

Decoded Copy(RangeReader& in, Sink& out) {
    const unsigned char* data;
    size_t n;
    while (in.Next(data, n)) {
        if (!out.Put(data, n)) return Decoded::Stopped;
    }
    return Decoded::End;
}

}  // namespace

bool IsReadableMethod(uint16_t method) {
    switch (method) {
        case 0: case 8: case 9: case 12: case 14: case 98: return true;
        default: return false;
    }
}

struct Decoders::State {
    std::vector<unsigned char> scratch = std::vector<unsigned char>(kScratchSize);
    z_stream z{};
    bool inflateReady = false;

    ~State() {
        if (inflateReady) inflateEnd(&z);
    }

    Decoded Inflate(RangeReader& in, Sink& out) {
        if (!inflateReady) {
            z = z_stream{};
            if (inflateInit2(&z, -15) != Z_OK) return Decoded::NoMemory;
            inflateReady = true;
        } else if (inflateReset(&z) != Z_OK) {
            return Decoded::Corrupt;
        }
        z.avail_in = 0;
        for (;;) {
            if (z.avail_in == 0) {
                const unsigned char* data;
                size_t n;
                if (in.Next(data, n)) {
                    z.next_in = const_cast<Bytef*>(data);
                    z.avail_in = static_cast<uInt>(n);
                }
            }
            const uInt inBefore = z.avail_in;
            z.next_out = scratch.data();
            z.avail_out = static_cast<uInt>(scratch.size());
            int rc = inflate(&z, Z_NO_FLUSH);
            const size_t produced = scratch.size() - z.avail_out;
            if (rc == Z_MEM_ERROR) return Decoded::NoMemory;
            if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) return Decoded::Corrupt;
            if (produced > 0 && !out.Put(scratch.data(), produced)) return Decoded::Stopped;
            if (rc == Z_STREAM_END) return Decoded::End;
            // No way forward: the compressed data ended before the stream did.
            if (produced == 0 && z.avail_in == inBefore) return Decoded::Corrupt;
        }
    }
};

Decoders::Decoders() : s_(std::make_unique<State>()) {}
Decoders::~Decoders() = default;

Decoded Decoders::Run(const EntryData& entry, RangeReader& in, Sink& out) {
    switch (entry.method) {
        case 0: return Copy(in, out);
        case 8: return s_->Inflate(in, out);
        case 9: return Inflate64(in, out);
        case 12: return DecodeBzip2(in, out, s_->scratch);
        case 14: return DecodeLzma(entry, in, out, s_->scratch);
        case 98: return DecodePpmd(entry, in, out, s_->scratch);
        default: return Decoded::Corrupt;
    }
}

}  // namespace vorlane::zip::detail
