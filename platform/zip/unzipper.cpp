#include "platform/zip/unzipper.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <new>
#include <thread>
#include <unordered_map>
#include <zlib.h>

#include "platform/base/date_format.h"
#include "platform/base/error.h"
#include "platform/base/file_io.h"
#include "platform/base/text.h"
#include "platform/zip/decoders.h"
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
constexpr size_t kMaxThreads = 4;

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

using detail::RangeReader;

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
        case Outcome::OutOfMemory: return "OutOfMemory";
    }
    return "?";
}

// What one extracting thread keeps between its entries.
struct Worker {
    std::vector<unsigned char> in = std::vector<unsigned char>(kBufferSize);
    detail::Decoders decoders;
};

struct Unzipper::State {
    std::string base;
    detail::ArchiveFile file;
    std::vector<Entry> entries;
    std::vector<EntryResult> results;
    std::vector<unsigned char> in;

    void Buffers() {
        if (in.empty()) in.resize(kBufferSize);
    }

    DirectoryLocation FindDirectory();
    void ReadDirectory();
    Outcome Screen(const Entry& e, const std::string& fileName) const;
    Outcome Write(const Entry& e, const std::string& fileName, Worker& w);
    Outcome Decode(const Entry& e, uint64_t dataStart, detail::NewFile& f, Worker& w);
    void WriteAll(const std::vector<std::vector<size_t>>& chains);
};

namespace {

// Takes an entry's decoded bytes into its new file: never more than the entry declares, with
// their CRC-32 kept.
class EntryOutput final : public detail::Sink {
public:
    EntryOutput(const Entry& e, detail::NewFile& f) : e_(e), f_(f) {}

    bool Put(const unsigned char* data, size_t n) override {
        if (n > e_.size - got_) {
            refused_ = Outcome::Oversized;
            return false;
        }
        if (!f_.Write(data, n)) {
            refused_ = Outcome::WriteFailed;
            return false;
        }
        crc_ = crc32(crc_, data, static_cast<uInt>(n));
        got_ += n;
        return true;
    }

    // The entry's outcome once its decoder is done.
    Outcome Result(detail::Decoded d) const {
        switch (d) {
            case detail::Decoded::Stopped: return refused_;
            case detail::Decoded::Corrupt: return Outcome::Corrupt;
            case detail::Decoded::NoMemory: return Outcome::OutOfMemory;
            case detail::Decoded::End: break;
        }
        if (got_ != e_.size) return Outcome::Corrupt;
        return crc_ == e_.crc ? Outcome::Extracted : Outcome::CrcMismatch;
    }

private:
    const Entry& e_;
    detail::NewFile& f_;
    uint64_t got_ = 0;
    uLong crc_ = crc32(0L, Z_NULL, 0);
    Outcome refused_ = Outcome::WriteFailed;
};

}  // namespace

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

Outcome Unzipper::State::Decode(const Entry& e, uint64_t dataStart, detail::NewFile& f, Worker& w) {
    // A stored entry holds its bytes as they are: more of them than declared is a bomb, fewer
    // a damaged entry.
    if (e.method == 0 && e.compressedSize > e.size) return Outcome::Oversized;
    RangeReader data(file, dataStart, dataStart + e.compressedSize, w.in);
    EntryOutput output(e, f);
    return output.Result(w.decoders.Run({e.method, e.flags, e.size}, data, output));
}

// What the entry alone tells: Extracted means it is to be written.
Outcome Unzipper::State::Screen(const Entry& e, const std::string& fileName) const {
    if (e.name.empty()) return Outcome::SkippedName;
    if (e.IsFolder()) return Outcome::SkippedFolder;
    if (e.IsSymlink()) return Outcome::SkippedLink;
    if (!IsPlainFileName(fileName)) return Outcome::SkippedName;
    if (e.IsEncrypted()) return Outcome::Encrypted;
    if ((e.versionNeeded & 0xFF) > kMaxVersionNeeded) return Outcome::UnsupportedVersion;
    if (!detail::IsReadableMethod(e.method)) return Outcome::UnsupportedMethod;
    return Outcome::Extracted;
}

Outcome Unzipper::State::Write(const Entry& e, const std::string& fileName, Worker& w) {
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

    detail::NewFile f;
    for (int n = 0; n < 100 && !f.Create(detail::JoinTarget(base, "~vz" + std::to_string(n) + ".tmp")); ++n) {
    }
    if (f.Path().empty()) return Outcome::WriteFailed;

    Outcome o = Decode(e, dataStart, f, w);
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
    State& s = *s_;
    s.results.clear();
    if (!IsOpen()) return;
    // First, from the entries alone and in their order: which ones are written, and the
    // output limit, counted by their declared sizes (no entry writes more than it declares).
    // Entries that write the same file form a chain, written in order so the later one wins.
    const uint64_t limit = OutputLimit();
    uint64_t planned = 0;
    bool limitHit = false;
    std::vector<std::vector<size_t>> chains;
    std::unordered_map<std::string, size_t> chainOf;
    s.results.reserve(s.entries.size());
    for (size_t i = 0; i < s.entries.size(); ++i) {
        const Entry& e = s.entries[i];
        EntryResult r{e.name, LastComponent(e.name), Outcome::Extracted};
        r.outcome = s.Screen(e, r.fileName);
        if (r.outcome == Outcome::Extracted) {
            if (limitHit || e.size > limit - planned) {
                limitHit = true;
                r.outcome = Outcome::LimitReached;
            } else {
                planned += e.size;
                auto [at, added] = chainOf.emplace(FoldedFileName(r.fileName), chains.size());
                if (added) chains.emplace_back();
                chains[at->second].push_back(i);
            }
        }
        s.results.push_back(std::move(r));
    }
    s.WriteAll(chains);
}

// The chains are shared out among a few threads: decoding is the work, and the files are
// independent. An entry whose decoder found no memory (several large models at once) stops
// its chain; those chains finish afterwards on one thread, with the others' memory freed.
void Unzipper::State::WriteAll(const std::vector<std::vector<size_t>>& chains) {
    struct Resume {
        size_t chain, from;
    };
    std::vector<Resume> later;
    std::mutex laterLock;
    auto write = [&](size_t chain, size_t from, Worker& w, bool last) {
        for (size_t k = from; k < chains[chain].size(); ++k) {
            const size_t i = chains[chain][k];
            Outcome o;
            try {
                o = Write(entries[i], results[i].fileName, w);
            } catch (const std::bad_alloc&) {
                o = Outcome::OutOfMemory;
            }
            if (o == Outcome::OutOfMemory && !last) {
                std::lock_guard<std::mutex> hold(laterLock);
                later.push_back({chain, k});
                return;
            }
            results[i].outcome = o;
        }
    };

    const size_t threads = std::min<size_t>({kMaxThreads, std::max(1u, std::thread::hardware_concurrency()), chains.size()});
    if (threads > 1) {
        std::atomic<size_t> next{0};
        auto run = [&] {
            Worker w;
            for (size_t c; (c = next++) < chains.size();) write(c, 0, w, false);
        };
        std::vector<std::thread> helpers;
        for (size_t t = 1; t < threads; ++t) helpers.emplace_back(run);
        run();
        for (auto& h : helpers) h.join();
    } else {
        later.reserve(chains.size());
        for (size_t c = 0; c < chains.size(); ++c) later.push_back({c, 0});
    }
    std::sort(later.begin(), later.end(), [](const Resume& a, const Resume& b) { return a.chain < b.chain; });
    if (later.empty()) return;
    Worker w;
    for (const Resume& r : later) write(r.chain, r.from, w, true);
}

}  // namespace vorlane::zip
