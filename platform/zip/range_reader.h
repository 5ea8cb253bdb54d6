#pragma once
// Reads a range of the archive front to back through one fixed buffer: the central directory,
// or one entry's compressed data for its decoder.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/zip/zip_file.h"

namespace vorlane::zip::detail {

class RangeReader {
public:
    RangeReader(ArchiveFile& file, uint64_t begin, uint64_t end, std::vector<unsigned char>& buffer)
        : file_(file), next_(begin), end_(end), buffer_(buffer) {}

    // Copies the next n bytes (or skips them when out is null); false if the range ends first.
    bool Read(void* out, size_t n) {
        auto* p = static_cast<unsigned char*>(out);
        while (n > 0) {
            if (pos_ == filled_ && !Refill()) return false;
            size_t take = std::min(n, filled_ - pos_);
            if (p) std::copy_n(buffer_.data() + pos_, take, p), p += take;
            pos_ += take;
            n -= take;
        }
        return true;
    }
    bool Skip(size_t n) { return Read(nullptr, n); }

    // Hands out what is buffered, reading the next piece first when nothing is; false at the
    // end of the range (or when the archive cannot be read).
    bool Next(const unsigned char*& data, size_t& n) {
        if (pos_ == filled_ && !Refill()) return false;
        data = buffer_.data() + pos_;
        n = filled_ - pos_;
        pos_ = filled_;
        return true;
    }

    // The next byte, or -1 at the end of the range.
    int Byte() {
        if (pos_ == filled_ && !Refill()) return -1;
        return buffer_[pos_++];
    }

private:
    bool Refill() {
        if (next_ >= end_) return false;
        size_t take = static_cast<size_t>(std::min<uint64_t>(buffer_.size(), end_ - next_));
        if (!file_.ReadAt(next_, buffer_.data(), take)) return false;
        next_ += take;
        pos_ = 0;
        filled_ = take;
        return true;
    }

    ArchiveFile& file_;
    uint64_t next_, end_;
    std::vector<unsigned char>& buffer_;
    size_t pos_ = 0, filled_ = 0;
};

}  // namespace vorlane::zip::detail
