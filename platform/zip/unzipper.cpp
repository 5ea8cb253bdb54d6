#include "platform/zip/unzipper.h"

#include <algorithm>
#include <zlib.h>

#include "platform/base/date_format.h"
#include "platform/base/error.h"
#include "platform/base/file_io.h"
#include "platform/base/text.h"
#include "platform/zip/entry_name.h"
#include "platform/zip/zip_file.h"

namespace vorlane::zip {

namespace {

constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kZip64EndSignature = 0x06064b50;
constexpr uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr size_t kEndSize = 22;
constexpr size_t kMaxCommentSize = 0xFFFF;
constexpr size_t kZip64LocatorSize = 20;
constexpr size_t kZip64EndSize = 56;
constexpr size_t kCentralSize = 46;
constexpr size_t kLocalSize = 30;
constexpr size_t kBufferSize = 256 * 1024;
constexpr uint64_t kMaxOutput = uint64_t(1) << 30;
constexpr uint64_t kMaxRatio = 200;
constexpr int kMaxVersionNeeded = 63;

const char* const kNotFound = "File not found";
const char* const kEmpty = "Invalid Stream";
const char* const kNotAnArchive = "Unhandled Archive Type";
const char* const kNoFolder = "Directory does not exist";
const char* const kBadDirectory = "Invalid file - not a PKZip file";
const char* const kShortDirectory = "Stream read error";

uint16_t Get16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const unsigned char* p) { return Get16(p) | (uint32_t(Get16(p + 2)) << 16); }
uint64_t Get64(const unsigned char* p) { return Get32(p) | (uint64_t(Get32(p + 4)) << 32); }

bool IsDosHost(int host) { return host == 0 || host == 6 || host == 11 || host == 14; }
bool IsUnixHost(int host) { return host == 3 || host == 19; }
uint32_t UnixType(uint32_t external) { return (external >> 16) & 0170000; }

// Reads a range of the archive front to back through one fixed buffer.
class RangeReader {
public:
    RangeReader(detail::ArchiveFile& file, uint64_t begin, uint64_t end, std::vector<unsigned char>& buffer)
        : file_(file), next_(begin), end_(end), buffer_(buffer) {}

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

    detail::ArchiveFile& file_;
    uint64_t next_, end_;
    std::vector<unsigned char>& buffer_;
    size_t pos_ = 0, filled_ = 0;
};

struct DirectoryLocation {
    uint64_t entries = 0;
    uint64_t size = 0;
    uint64_t offset = 0;
    uint64_t end = 0;      // where the directory must end: the zip64 end record or the end record
    uint64_t shift = 0;    // bytes found in front of the archive (self-extractor stubs)
};

// Entry fields the zip64 extra field carries when the 32-bit ones are saturated.
void ReadExtraFields(const std::string& extra, const std::string& rawName, Entry& e, std::string& unicodePath) {
    const auto* p = reinterpret_cast<const unsigned char*>(extra.data());
    size_t at = 0;
    while (at + 4 <= extra.size()) {
        uint16_t id = Get16(p + at), len = Get16(p + at + 2);
        at += 4;
        if (len > extra.size() - at) break;
        const unsigned char* d = p + at;
        if (id == 0x0001) {
            size_t k = 0;
            auto take = [&](uint64_t& field) {
                if (field != 0xFFFFFFFFu) return;
                if (k + 8 > len) return;
                field = Get64(d + k);
                k += 8;
            };
            take(e.size);
            take(e.compressedSize);
            take(e.localHeaderOffset);
        } else if (id == 0x7075 && len >= 5 && d[0] == 1) {
            uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(rawName.data()), static_cast<uInt>(rawName.size()));
            if (crc == Get32(d + 1)) unicodePath.assign(reinterpret_cast<const char*>(d + 5), len - 5);
        }
        at += len;
    }
}

}  // namespace

bool Entry::IsFolder() const {
    if (!name.empty() && (name.back() == '/' || name.back() == '\\')) return true;
    if (externalAttributes & 0x10) return true;
    return IsUnixHost(Host()) && UnixType(externalAttributes) == 0040000;
}

bool Entry::IsSymlink() const {
    if (IsUnixHost(Host())) return UnixType(externalAttributes) == 0120000;
    return IsDosHost(Host()) && (externalAttributes & 0x400) != 0;
}

const char* OutcomeName(Outcome outcome) {
    switch (outcome) {
        case Outcome::Extracted: return "Extracted";
        case Outcome::SkippedFolder: return "SkippedFolder";
        case Outcome::SkippedName: return "SkippedName";
        case Outcome::SkippedLink: return "SkippedLink";
        case Outcome::SkippedReadOnly: return "SkippedReadOnly";
        case Outcome::Encrypted: return "Encrypted";
        case Outcome::UnsupportedMethod: return "UnsupportedMethod";
        case Outcome::UnsupportedVersion: return "UnsupportedVersion";
        case Outcome::Corrupt: return "Corrupt";
        case Outcome::CrcMismatch: return "CrcMismatch";
        case Outcome::Oversized: return "Oversized";
        case Outcome::LimitReached: return "LimitReached";
        case Outcome::WriteFailed: return "WriteFailed";
    }
    return "?";
}

struct Unzipper::State {
    std::string base;
    detail::ArchiveFile file;
    std::vector<Entry> entries;
    std::vector<EntryResult> results;
    std::vector<unsigned char> in, out;
    z_stream z{};
    bool inflateReady = false;
    uint64_t written = 0;
    bool limitHit = false;

    ~State() {
        if (inflateReady) inflateEnd(&z);
    }

    void Buffers() {
        if (in.empty()) in.resize(kBufferSize);
        if (out.empty()) out.resize(kBufferSize);
    }

    DirectoryLocation FindDirectory();
    void ReadDirectory();
    Outcome Extract(const Entry& e, const std::string& fileName);
    Outcome CopyStored(const Entry& e, uint64_t dataStart, detail::NewFile& f);
    Outcome Inflate(const Entry& e, uint64_t dataStart, detail::NewFile& f);
    Outcome Put(const Entry& e, const unsigned char* data, size_t n, uint64_t& got, uLong& crc, detail::NewFile& f);
};

DirectoryLocation Unzipper::State::FindDirectory() {
    const uint64_t size = file.Size();
    if (size < kEndSize) throw Error(kNotAnArchive);
    // The end record sits in the last 22 bytes plus at most a 65535-byte comment. Prefer the
    // record whose comment ends exactly at the end of the file: a comment may itself hold the
    // record's signature.
    const size_t tailSize = static_cast<size_t>(std::min<uint64_t>(size, kEndSize + kMaxCommentSize));
    const uint64_t tailStart = size - tailSize;
    Buffers();
    std::vector<unsigned char>& tail = in;
    if (!file.ReadAt(tailStart, tail.data(), tailSize)) throw Error(kShortDirectory);
    size_t found = SIZE_MAX, fallback = SIZE_MAX;
    for (size_t i = tailSize - kEndSize + 1; i-- > 0;) {
        if (Get32(&tail[i]) != kEndSignature) continue;
        if (i + kEndSize + Get16(&tail[i + 20]) == tailSize) {
            found = i;
            break;
        }
        if (fallback == SIZE_MAX) fallback = i;
    }
    if (found == SIZE_MAX) found = fallback;
    if (found == SIZE_MAX) throw Error(kNotAnArchive);

    const unsigned char* end = &tail[found];
    DirectoryLocation loc;
    uint32_t disk = Get16(end + 4), directoryDisk = Get16(end + 6);
    loc.entries = Get16(end + 10);
    loc.size = Get32(end + 12);
    loc.offset = Get32(end + 16);
    loc.end = tailStart + found;
    const bool saturated = loc.entries == 0xFFFF || loc.size == 0xFFFFFFFFu || loc.offset == 0xFFFFFFFFu;

    unsigned char locator[kZip64LocatorSize];
    if (loc.end >= kZip64LocatorSize + kZip64EndSize &&
        file.ReadAt(loc.end - kZip64LocatorSize, locator, kZip64LocatorSize) &&
        Get32(locator) == kZip64LocatorSignature) {
        const uint64_t locatorAt = loc.end - kZip64LocatorSize;
        uint64_t recordAt = Get64(locator + 8);
        unsigned char record[kZip64EndSize];
        bool ok = recordAt <= locatorAt - kZip64EndSize && file.ReadAt(recordAt, record, kZip64EndSize) &&
                  Get32(record) == kZip64EndSignature;
        if (!ok) {
            // Bytes in front of the archive move the record; the smallest record sits right
            // before the locator.
            uint64_t moved = locatorAt - kZip64EndSize;
            if (moved > recordAt && file.ReadAt(moved, record, kZip64EndSize) && Get32(record) == kZip64EndSignature) {
                loc.shift = moved - recordAt;
                recordAt = moved;
                ok = true;
            }
        }
        if (ok) {
            disk = Get32(record + 16);
            directoryDisk = Get32(record + 20);
            loc.entries = Get64(record + 32);
            loc.size = Get64(record + 40);
            loc.offset = Get64(record + 48);
            loc.end = recordAt;
        } else if (saturated) {
            throw Error(kBadDirectory);
        }
    }
    if (disk != 0 || directoryDisk != 0) throw Error(kNotAnArchive);  // a piece of a split archive
    auto fits = [&](uint64_t shift) {
        return loc.offset <= loc.end && shift <= loc.end - loc.offset && loc.size <= loc.end - loc.offset - shift;
    };
    if (!fits(loc.shift) || loc.entries > loc.size / kCentralSize) throw Error(kShortDirectory);
    if (loc.entries == 0) return loc;

    unsigned char sig[4];
    auto signatureAt = [&](uint64_t at) { return file.ReadAt(at, sig, 4) && Get32(sig) == kCentralSignature; };
    if (!signatureAt(loc.offset + loc.shift)) {
        // Bytes in front of the archive that its offsets do not count: the directory then ends
        // right where the end record starts.
        const uint64_t gap = loc.end - loc.offset - loc.size;
        if (loc.shift == 0 && gap > 0 && signatureAt(loc.offset + gap)) loc.shift = gap;
        else throw Error(kBadDirectory);
    }
    return loc;
}

void Unzipper::State::ReadDirectory() {
    DirectoryLocation loc = FindDirectory();
    entries.clear();
    if (loc.entries == 0) return;
    RangeReader reader(file, loc.offset + loc.shift, loc.offset + loc.shift + loc.size, in);
    unsigned char h[kCentralSize];
    std::string rawName, extra, unicodePath;
    for (uint64_t k = 0; k < loc.entries; ++k) {
        if (!reader.Read(h, kCentralSize)) throw Error(kShortDirectory);
        if (Get32(h) != kCentralSignature) throw Error(kBadDirectory);
        Entry e;
        e.versionMadeBy = Get16(h + 4);
        e.versionNeeded = Get16(h + 6);
        e.flags = Get16(h + 8);
        e.method = Get16(h + 10);
        e.dosTime = Get16(h + 12);
        e.dosDate = Get16(h + 14);
        e.crc = Get32(h + 16);
        e.compressedSize = Get32(h + 20);
        e.size = Get32(h + 24);
        e.externalAttributes = Get32(h + 38);
        e.localHeaderOffset = Get32(h + 42);
        rawName.resize(Get16(h + 28));
        extra.resize(Get16(h + 30));
        if (!reader.Read(rawName.data(), rawName.size()) || !reader.Read(extra.data(), extra.size()) ||
            !reader.Skip(Get16(h + 32)))
            throw Error(kShortDirectory);
        unicodePath.clear();
        ReadExtraFields(extra, rawName, e, unicodePath);
        e.localHeaderOffset += loc.shift;
        e.name = DecodeEntryName(rawName, (e.flags & 0x800) != 0, e.Host(), unicodePath);
        entries.push_back(std::move(e));
    }
}

Outcome Unzipper::State::Put(const Entry& e, const unsigned char* data, size_t n, uint64_t& got, uLong& crc,
                             detail::NewFile& f) {
    if (n > e.size - got) return Outcome::Oversized;
    if (!f.Write(data, n)) return Outcome::WriteFailed;
    crc = crc32(crc, data, static_cast<uInt>(n));
    got += n;
    written += n;
    return Outcome::Extracted;
}

Outcome Unzipper::State::CopyStored(const Entry& e, uint64_t dataStart, detail::NewFile& f) {
    if (e.compressedSize > e.size) return Outcome::Oversized;
    if (e.compressedSize < e.size) return Outcome::Corrupt;
    uint64_t got = 0, at = dataStart;
    uLong crc = crc32(0L, Z_NULL, 0);
    while (got < e.size) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(in.size(), e.size - got));
        if (!file.ReadAt(at, in.data(), n)) return Outcome::Corrupt;
        at += n;
        Outcome o = Put(e, in.data(), n, got, crc, f);
        if (o != Outcome::Extracted) return o;
    }
    return crc == e.crc ? Outcome::Extracted : Outcome::CrcMismatch;
}

Outcome Unzipper::State::Inflate(const Entry& e, uint64_t dataStart, detail::NewFile& f) {
    if (!inflateReady) {
        z = z_stream{};
        if (inflateInit2(&z, -15) != Z_OK) return Outcome::WriteFailed;
        inflateReady = true;
    } else if (inflateReset(&z) != Z_OK) {
        return Outcome::Corrupt;
    }
    uint64_t left = e.compressedSize, at = dataStart, got = 0;
    uLong crc = crc32(0L, Z_NULL, 0);
    z.avail_in = 0;
    for (;;) {
        if (z.avail_in == 0 && left > 0) {
            size_t n = static_cast<size_t>(std::min<uint64_t>(in.size(), left));
            if (!file.ReadAt(at, in.data(), n)) return Outcome::Corrupt;
            at += n;
            left -= n;
            z.next_in = in.data();
            z.avail_in = static_cast<uInt>(n);
        }
        const uInt inBefore = z.avail_in;
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        int rc = inflate(&z, Z_NO_FLUSH);
        const size_t produced = out.size() - z.avail_out;
        if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) return Outcome::Corrupt;
        if (produced > 0) {
            Outcome o = Put(e, out.data(), produced, got, crc, f);
            if (o != Outcome::Extracted) return o;
        }
        if (rc == Z_STREAM_END) break;
        // No way forward: the compressed data ended before the stream did.
        if (produced == 0 && z.avail_in == inBefore) return Outcome::Corrupt;
    }
    if (got != e.size) return Outcome::Corrupt;
    return crc == e.crc ? Outcome::Extracted : Outcome::CrcMismatch;
}

Outcome Unzipper::State::Extract(const Entry& e, const std::string& fileName) {
    if (e.name.empty()) return Outcome::SkippedName;
    if (e.IsFolder()) return Outcome::SkippedFolder;
    if (e.IsSymlink()) return Outcome::SkippedLink;
    if (!IsPlainFileName(fileName)) return Outcome::SkippedName;
    if (e.IsEncrypted()) return Outcome::Encrypted;
    if ((e.versionNeeded & 0xFF) > kMaxVersionNeeded) return Outcome::UnsupportedVersion;
    if (e.method != 0 && e.method != 8) return Outcome::UnsupportedMethod;
    const uint64_t limit = std::min(kMaxOutput, kMaxRatio * file.Size());
    if (limitHit || e.size > limit - std::min(limit, written)) {
        limitHit = true;
        return Outcome::LimitReached;
    }

    const std::string target = detail::JoinTarget(base, fileName);
    switch (detail::InspectTarget(target)) {
        case detail::TargetState::ReadOnly: return Outcome::SkippedReadOnly;
        case detail::TargetState::Folder: return Outcome::WriteFailed;
        default: break;
    }

    unsigned char h[kLocalSize];
    if (!file.ReadAt(e.localHeaderOffset, h, kLocalSize) || Get32(h) != kLocalSignature) return Outcome::Corrupt;
    const uint64_t dataStart = e.localHeaderOffset + kLocalSize + Get16(h + 26) + Get16(h + 28);
    if (dataStart > file.Size() || e.compressedSize > file.Size() - dataStart) return Outcome::Corrupt;

    Buffers();
    detail::NewFile f;
    for (int n = 0; n < 100 && !f.Create(detail::JoinTarget(base, "~vz" + std::to_string(n) + ".tmp")); ++n) {
    }
    if (f.Path().empty()) return Outcome::WriteFailed;

    Outcome o = e.method == 0 ? CopyStored(e, dataStart, f) : Inflate(e, dataStart, f);
    if (o != Outcome::Extracted) return o;  // the unfinished file goes with f

    DosDateTime when = DecodeDosDateTime(e.dosDate, e.dosTime);
    const bool timed = when.IsValid() &&
                       f.SetLocalTime(when.year, when.month, when.day, when.hour, when.minute, when.second);
    const std::string temporary = f.Path();
    if (!f.Finish()) {
        RemoveFile(temporary);
        return Outcome::WriteFailed;
    }
    if (!RenameReplacing(temporary, target)) {
        RemoveFile(temporary);
        return Outcome::WriteFailed;
    }
    if (timed) {
        detail::FileAttributes a;
        a.dosKnown = IsDosHost(e.Host());
        a.dos = static_cast<uint8_t>(e.externalAttributes & 0xFF);
        const uint32_t mode = e.externalAttributes >> 16;
        a.readOnly = IsUnixHost(e.Host()) && mode != 0 ? (mode & 0200) == 0 : (a.dos & 1) != 0;
        detail::ApplyAttributes(target, a);
    }
    return Outcome::Extracted;
}

Unzipper::Unzipper() : s_(std::make_unique<State>()) {}
Unzipper::~Unzipper() = default;

void Unzipper::SetBaseDirectory(const std::string& folder) { s_->base = folder; }
const std::string& Unzipper::BaseDirectory() const { return s_->base; }

void Unzipper::Open(const std::string& archive) {
    Close();
    if (!FileExists(archive)) throw Error(kNotFound);
    if (s_->base.empty() || !FolderExists(s_->base)) throw Error(kNoFolder);
    if (!s_->file.Open(archive)) throw Error(LastFileErrorText());
    try {
        if (s_->file.Size() == 0) throw Error(kEmpty);
        s_->ReadDirectory();
    } catch (...) {
        Close();
        throw;
    }
}

void Unzipper::Close() {
    s_->file.Close();
    s_->entries.clear();
}

bool Unzipper::IsOpen() const { return s_->file.IsOpen(); }
const std::vector<Entry>& Unzipper::Entries() const { return s_->entries; }
const std::vector<EntryResult>& Unzipper::Results() const { return s_->results; }

uint64_t Unzipper::OutputLimit() const { return std::min(kMaxOutput, kMaxRatio * s_->file.Size()); }

void Unzipper::ExtractAll() {
    s_->results.clear();
    s_->written = 0;
    s_->limitHit = false;
    if (!IsOpen()) return;
    for (const Entry& e : s_->entries) {
        EntryResult r{e.name, LastComponent(e.name), Outcome::Extracted};
        r.outcome = s_->Extract(e, r.fileName);
        s_->results.push_back(std::move(r));
    }
}

}  // namespace vorlane::zip
