// PPMd entries: PPMd variant I revision 1, decoded by the PPMd library of 7-Zip's C sources.
// The zip form starts with two bytes (little-endian): the model order minus one (bits 0-3),
// the model's memory in MiB minus one (bits 4-11) and how the model restarts when that
// memory is full (bits 12-15: 0 restart, 1 cut off). The data has no end marker: it holds
// exactly the entry's size of symbols.
#include <cstdlib>

extern "C" {
#include "Ppmd8.h"
}

#include "platform/zip/decoders.h"

namespace vorlane::zip::detail {

namespace {

struct Input {
    IByteIn vt;  // first: the library gets a pointer to it
    RangeReader* in;
    bool overrun;
};

Byte ReadByte(IByteInPtr p) {
    auto* input = reinterpret_cast<Input*>(const_cast<IByteIn*>(p));
    int b = input->in->Byte();
    if (b >= 0) return static_cast<Byte>(b);
    input->overrun = true;
    return 0;
}

void* Allocate(ISzAllocPtr, size_t size) { return std::malloc(size); }
void Release(ISzAllocPtr, void* address) { std::free(address); }
const ISzAlloc kAllocator = {Allocate, Release};

}  // namespace

Decoded DecodePpmd(const EntryData& entry, RangeReader& in, Sink& out, std::vector<unsigned char>& scratch) {
    unsigned char header[2];
    if (!in.Read(header, sizeof header)) return Decoded::Corrupt;
    const unsigned parameters = header[0] | header[1] << 8;
    const unsigned order = (parameters & 0xF) + 1;
    const uint32_t memory = (((parameters >> 4) & 0xFF) + 1) << 20;
    const unsigned restart = parameters >> 12;
    if (order < PPMD8_MIN_ORDER || restart > PPMD8_RESTORE_METHOD_CUT_OFF) return Decoded::Corrupt;

    Input input{{ReadByte}, &in, false};
    CPpmd8 model;
    Ppmd8_Construct(&model);
    if (!Ppmd8_Alloc(&model, memory, &kAllocator)) return Decoded::NoMemory;
    struct Free {
        CPpmd8& model;
        ~Free() { Ppmd8_Free(&model, &kAllocator); }
    } free{model};
    model.Stream.In = &input.vt;
    if (!Ppmd8_Init_RangeDec(&model) || input.overrun) return Decoded::Corrupt;
    Ppmd8_Init(&model, order, restart);

    uint64_t left = entry.size;
    while (left > 0) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(left, scratch.size()));
        for (size_t i = 0; i < n; ++i) {
            const int symbol = Ppmd8_DecodeSymbol(&model);
            if (symbol < 0 || input.overrun) return Decoded::Corrupt;
            scratch[i] = static_cast<unsigned char>(symbol);
        }
        if (!out.Put(scratch.data(), n)) return Decoded::Stopped;
        left -= n;
    }
    return Decoded::End;
}

}  // namespace vorlane::zip::detail
