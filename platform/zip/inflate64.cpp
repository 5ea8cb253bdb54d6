// Deflate64 ("enhanced deflate", method 9): the deflate format with three changes. The window
// is 64 KiB; length code 285 carries 16 extra bits (lengths 3 to 65538) instead of meaning
// 258; distance codes 30 and 31 exist (14 extra bits, distances up to 65536). zlib only reads
// the 32 KiB form, so this decoder is our own. Huffman codes of up to ten bits are found in
// one table look-up; longer ones are walked bit by bit through the canonical code counts.
#include <array>
#include <cstring>

#include "platform/zip/decoders.h"

namespace vorlane::zip::detail {

namespace {

constexpr uint32_t kWindowSize = 1u << 16;
constexpr int kMaxCodeBits = 15;
constexpr int kFastBits = 10;
constexpr int kLiteralCodes = 288;  // 286 and 287 take part in the code but never occur
constexpr int kDistanceCodes = 32;
constexpr int kEndOfBlock = 256;

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 3};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 16};
constexpr uint32_t kDistanceBase[kDistanceCodes] = {
    1,    2,    3,    4,    5,    7,     9,     13,    17,    25,    33,   49,   65,   97,    129,   193,
    257,  385,  513,  769,  1025, 1537,  2049,  3073,  4097,  6145,  8193, 12289, 16385, 24577, 32769, 49153};
constexpr uint8_t kDistanceExtra[kDistanceCodes] = {0, 0, 0, 0, 1, 1, 2,  2,  3,  3,  4,  4,  5,  5,  6,  6,
                                                    7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
constexpr uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// A canonical Huffman code as deflate defines it (codes sent first bit first).
class HuffmanCode {
public:
    // False for lengths that over-subscribe the code; an incomplete code is allowed (a code
    // that never arrives is caught while decoding).
    bool Build(const uint8_t* lengths, int n) {
        count_.fill(0);
        fast_.fill(0);
        for (int s = 0; s < n; ++s) ++count_[lengths[s]];
        count_[0] = 0;
        int left = 1;
        for (int len = 1; len <= kMaxCodeBits; ++len) {
            left = (left << 1) - count_[len];
            if (left < 0) return false;
        }
        std::array<uint16_t, kMaxCodeBits + 2> offset{};
        for (int len = 1; len <= kMaxCodeBits; ++len) offset[len + 1] = offset[len] + count_[len];
        for (int s = 0; s < n; ++s) {
            if (lengths[s] != 0) symbol_[offset[lengths[s]]++] = static_cast<uint16_t>(s);
        }
        // Codes of up to kFastBits bits go in the table at every index whose low bits are the
        // code read first bit first.
        unsigned code = 0, index = 0;
        for (int len = 1; len <= kFastBits; ++len) {
            for (int k = 0; k < count_[len]; ++k, ++code, ++index) {
                unsigned reversed = 0;
                for (int b = 0; b < len; ++b) reversed |= ((code >> b) & 1u) << (len - 1 - b);
                const uint16_t entry = static_cast<uint16_t>(len << 9 | symbol_[index]);
                for (unsigned i = reversed; i < (1u << kFastBits); i += 1u << len) fast_[i] = entry;
            }
            code <<= 1;
        }
        return true;
    }

    // The table entry for the next kFastBits bits: bits 9-12 the code length (0: longer
    // code), bits 0-8 the symbol.
    uint16_t Fast(unsigned bits) const { return fast_[bits & ((1u << kFastBits) - 1)]; }

    // Walks the next bits (first bit in bit 0) through the code; -1 if no code matches.
    // Sets len to the code's length.
    int Slow(uint32_t bits, int& len) const {
        int code = 0, first = 0, index = 0;
        for (len = 1; len <= kMaxCodeBits; ++len) {
            code |= static_cast<int>(bits & 1);
            bits >>= 1;
            const int count = count_[len];
            if (code - first < count) return symbol_[index + code - first];
            index += count;
            first = (first + count) << 1;
            code <<= 1;
        }
        return -1;
    }

private:
    std::array<uint16_t, kMaxCodeBits + 1> count_{};
    std::array<uint16_t, kLiteralCodes> symbol_{};
    std::array<uint16_t, 1u << kFastBits> fast_{};
};

class Inflater {
public:
    Inflater(RangeReader& in, Sink& out) : in_(in), out_(out), window_(kWindowSize) {}

    Decoded Run() {
        for (;;) {
            const bool last = Bits(1) != 0;
            Decoded d;
            switch (Bits(2)) {
                case 0: d = Stored(); break;
                case 1: d = Fixed(); break;
                case 2: d = Dynamic(); break;
                default: return Decoded::Corrupt;
            }
            if (d != Decoded::End) return d;
            if (damaged_) return Decoded::Corrupt;
            if (last) break;
        }
        return Flush() ? Decoded::End : Decoded::Stopped;
    }

private:
    // Makes at least n bits (n <= 32) available. Past the end of the data it adds zero bytes
    // so decoding can finish its step, and marks the stream damaged once those are used.
    void Need(int n) {
        while (count_ < n) {
            int b = in_.Byte();
            if (b < 0) {
                b = 0;
                ++padding_;
            }
            bits_ |= static_cast<uint64_t>(b) << count_;
            count_ += 8;
        }
    }
    void Drop(int n) {
        bits_ >>= n;
        count_ -= n;
        if (padding_ > 0 && count_ < 8 * padding_) damaged_ = true;
    }
    uint32_t Bits(int n) {
        if (n == 0) return 0;
        Need(n);
        const uint32_t v = static_cast<uint32_t>(bits_ & ((uint64_t(1) << n) - 1));
        Drop(n);
        return v;
    }

    int Decode(const HuffmanCode& code) {
        Need(kMaxCodeBits);
        const uint16_t entry = code.Fast(static_cast<unsigned>(bits_));
        if (entry != 0) {
            Drop(entry >> 9);
            return entry & 0x1FF;
        }
        int len = 0;
        const int symbol = code.Slow(static_cast<uint32_t>(bits_), len);
        if (symbol < 0) return -1;
        Drop(len);
        return symbol;
    }

    bool Flush() {
        const bool ok = pos_ == flushed_ || out_.Put(window_.data() + flushed_, pos_ - flushed_);
        flushed_ = pos_;
        return ok;
    }
    bool Emit(unsigned char b) {
        window_[pos_++] = b;
        ++total_;
        if (pos_ < kWindowSize) return true;
        const bool ok = Flush();
        pos_ = flushed_ = 0;
        return ok;
    }

    Decoded Stored() {
        Drop(count_ % 8);
        const uint32_t len = Bits(16), check = Bits(16);
        if (len != (~check & 0xFFFF)) return Decoded::Corrupt;
        for (uint32_t i = 0; i < len; ++i) {
            const uint32_t b = Bits(8);
            if (damaged_) return Decoded::Corrupt;
            if (!Emit(static_cast<unsigned char>(b))) return Decoded::Stopped;
        }
        return Decoded::End;
    }

    Decoded Fixed() {
        if (!fixedReady_) {
            uint8_t lengths[kLiteralCodes];
            std::memset(lengths, 8, 144);
            std::memset(lengths + 144, 9, 112);
            std::memset(lengths + 256, 7, 24);
            std::memset(lengths + 280, 8, 8);
            uint8_t distances[kDistanceCodes];
            std::memset(distances, 5, kDistanceCodes);
            fixedLiterals_.Build(lengths, kLiteralCodes);
            fixedDistances_.Build(distances, kDistanceCodes);
            fixedReady_ = true;
        }
        return Codes(fixedLiterals_, fixedDistances_);
    }

    Decoded Dynamic() {
        const int literals = static_cast<int>(Bits(5)) + 257;
        const int distances = static_cast<int>(Bits(5)) + 1;
        const int lengthCodes = static_cast<int>(Bits(4)) + 4;
        if (literals > 286) return Decoded::Corrupt;
        uint8_t lengths[kLiteralCodes + kDistanceCodes] = {};
        for (int i = 0; i < lengthCodes; ++i) lengths[kCodeLengthOrder[i]] = static_cast<uint8_t>(Bits(3));
        HuffmanCode lengthCode;
        if (!lengthCode.Build(lengths, 19)) return Decoded::Corrupt;
        std::memset(lengths, 0, 19);
        for (int i = 0; i < literals + distances;) {
            if (damaged_) return Decoded::Corrupt;
            const int symbol = Decode(lengthCode);
            if (symbol < 0) return Decoded::Corrupt;
            if (symbol < 16) {
                lengths[i++] = static_cast<uint8_t>(symbol);
                continue;
            }
            uint8_t value = 0;
            int repeat;
            if (symbol == 16) {
                if (i == 0) return Decoded::Corrupt;
                value = lengths[i - 1];
                repeat = 3 + static_cast<int>(Bits(2));
            } else if (symbol == 17) {
                repeat = 3 + static_cast<int>(Bits(3));
            } else {
                repeat = 11 + static_cast<int>(Bits(7));
            }
            if (i + repeat > literals + distances) return Decoded::Corrupt;
            while (repeat-- > 0) lengths[i++] = value;
        }
        if (lengths[kEndOfBlock] == 0) return Decoded::Corrupt;
        HuffmanCode literalCode, distanceCode;
        if (!literalCode.Build(lengths, literals) || !distanceCode.Build(lengths + literals, distances)) {
            return Decoded::Corrupt;
        }
        return Codes(literalCode, distanceCode);
    }

    Decoded Codes(const HuffmanCode& literals, const HuffmanCode& distances) {
        for (;;) {
            if (damaged_) return Decoded::Corrupt;
            const int symbol = Decode(literals);
            if (symbol < 0) return Decoded::Corrupt;
            if (symbol < 256) {
                if (!Emit(static_cast<unsigned char>(symbol))) return Decoded::Stopped;
                continue;
            }
            if (symbol == kEndOfBlock) return Decoded::End;
            const int l = symbol - 257;
            if (l >= 29) return Decoded::Corrupt;
            const uint32_t length = kLengthBase[l] + Bits(kLengthExtra[l]);
            const int d = Decode(distances);
            if (d < 0 || d >= kDistanceCodes) return Decoded::Corrupt;
            const uint32_t distance = kDistanceBase[d] + Bits(kDistanceExtra[d]);
            if (damaged_ || distance > total_) return Decoded::Corrupt;
            for (uint32_t k = 0; k < length; ++k) {
                if (!Emit(window_[(pos_ - distance) & (kWindowSize - 1)])) return Decoded::Stopped;
            }
        }
    }

    RangeReader& in_;
    Sink& out_;
    std::vector<unsigned char> window_;
    uint32_t pos_ = 0, flushed_ = 0;
    uint64_t total_ = 0;
    uint64_t bits_ = 0;
    int count_ = 0;
    int padding_ = 0;
    bool damaged_ = false;
    bool fixedReady_ = false;
    HuffmanCode fixedLiterals_, fixedDistances_;
};

}  // namespace

Decoded Inflate64(RangeReader& in, Sink& out) { return Inflater(in, out).Run(); }

}  // namespace vorlane::zip::detail
