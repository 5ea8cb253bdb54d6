// Feeds any bytes to the FTP reply reader as the control connection's stream: whole, one byte
// at a time (up to 8 KiB) and in pieces of sizes drawn from the input, and takes every reply.
// Besides the sanitizers' checks, it stops on anything that breaks the reader's promises:
//  - the replies and the error that stops the reading are the same however the bytes arrive,
//    and the same again after Clear();
//  - a reply has a code from 100 to 599 and is one line "123 text" or lines from "123-" up to
//    "123 ", all its lines together within kMaxReplyBytes, no line holding a line feed;
//  - Describe() starts with the code and is printable text of bounded length; LastText() is the
//    tail of the last line; PrintableServerText() gives printable text cut at its maximum;
//  - the only error is vorlane::Error, with one of the reader's two messages.
// Printable: no control character at the Windows boundary, that is no byte below 32, no DEL
// and none of the five bytes Windows-1252 leaves undefined (Windows turns them into the C1
// controls of the same value).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/error.h"
#include "platform/ftp/reply.h"

namespace {

using vorlane::ftp::PrintableServerText;
using vorlane::ftp::Reply;
using vorlane::ftp::ReplyReader;

[[noreturn]] void Broken(const std::string& what) {
    std::fprintf(stderr, "broken promise: %s\n", what.c_str());
    std::abort();
}

bool Printable(std::string_view text) {
    for (char ch : text) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c < 32 || c == 127 || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D) return false;
    }
    return true;
}

// The same input always gives the same pieces, so a crash replays from its file.
class Pieces {
public:
    explicit Pieces(std::string_view data) : small_(data.size() <= kSmallInput ? 5 : 1) {
        state_ = 1469598103934665603ull;
        for (char c : data) state_ = (state_ ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    // Small pieces, which cut lines and line ends anywhere, network-sized reads, and now and
    // then one bigger than a whole reply may be. Fewer small pieces in a long input: the reader
    // looks for the line end from the start of the unfinished line after every piece, which
    // makes thousands of tiny pieces of a 64 KiB line slow to fuzz.
    size_t Next() {
        uint64_t r = Draw() % 8;
        if (r < small_) return 1 + Draw() % 8;
        if (r == 7) return 1 + Draw() % 70000;
        return 1 + Draw() % 1500;
    }
    static constexpr size_t kSmallInput = 8 * 1024;
    uint64_t Draw() {
        state_ += 0x9E3779B97F4A7C15ull;
        uint64_t z = state_;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

private:
    uint64_t small_;
    uint64_t state_;
};

struct Outcome {
    std::vector<Reply> replies;
    std::string error;  // empty when the stream ended without one
};

// Feeds the stream in pieces of the sizes piece() gives and takes every reply after each piece,
// as the client does after each receive.
template <typename PieceSize>
Outcome Read(ReplyReader& reader, std::string_view stream, PieceSize piece) {
    Outcome out;
    try {
        for (size_t at = 0; at < stream.size();) {
            size_t n = std::min(piece(), stream.size() - at);
            reader.Feed(stream.data() + at, n);
            at += n;
            Reply reply;
            while (reader.Next(reply)) out.replies.push_back(std::move(reply));
        }
    } catch (const vorlane::Error& e) {
        out.error = e.what();
        if (out.error.empty()) Broken("an error without a message");
    } catch (const std::exception& e) {
        Broken(std::string("an error that is not vorlane::Error: ") + e.what());
    }
    return out;
}

void ExpectSame(const Outcome& a, const Outcome& b, const char* how) {
    if (a.error != b.error) Broken(std::string(how) + ": another error: \"" + a.error + "\" / \"" + b.error + "\"");
    if (a.replies.size() != b.replies.size()) Broken(std::string(how) + ": another number of replies");
    for (size_t i = 0; i < a.replies.size(); ++i)
        if (a.replies[i].code != b.replies[i].code || a.replies[i].lines != b.replies[i].lines)
            Broken(std::string(how) + ": reply " + std::to_string(i) + " differs");
}

bool StartsWithCode(std::string_view line, int code) {
    return line.size() >= 3 && line.substr(0, 3) == std::to_string(code);
}

void CheckError(const std::string& error) {
    static const std::string kTooLong = "Resposta do servidor FTP longa demais (mais de 64 KiB).";
    static const std::string kInvalid = "Resposta inválida do servidor FTP: \"";
    if (error.empty() || error == kTooLong) return;
    if (error.compare(0, kInvalid.size(), kInvalid) != 0 || error.size() < kInvalid.size() + 2 ||
        error.compare(error.size() - 2, 2, "\".") != 0)
        Broken("unknown error message: " + error);
    std::string_view quoted(error.data() + kInvalid.size(), error.size() - kInvalid.size() - 2);
    if (!Printable(quoted) || quoted.size() > 80 + 3) Broken("the quoted line is not short printable text: " + error);
}

void CheckPrintableServerText(std::string_view text, size_t max) {
    std::string shown = PrintableServerText(text, max);
    if (!Printable(shown)) Broken("PrintableServerText left a control character");
    if (text.size() <= max) {
        if (shown.size() != text.size()) Broken("PrintableServerText changed the length of a short text");
    } else if (shown.size() != max + 3 || shown.compare(max, 3, "...") != 0) {
        Broken("PrintableServerText did not cut at its maximum with \"...\"");
    }
    for (size_t i = 0; i < std::min(text.size(), max); ++i)
        if (shown[i] != text[i] && shown[i] != ' ') Broken("PrintableServerText changed a character into another");
}

void CheckReply(const Reply& r, Pieces& draw) {
    if (r.code < 100 || r.code > 599) Broken("code out of range: " + std::to_string(r.code));
    if (r.lines.empty()) Broken("a reply without lines");
    const std::string& first = r.lines.front();
    if (!StartsWithCode(first, r.code) || (first.size() > 3 && first[3] != ' ' && first[3] != '-'))
        Broken("first line does not start with its code: " + first);
    const bool multiLine = first.size() > 3 && first[3] == '-';
    if (!multiLine && r.lines.size() != 1) Broken("a one-line reply with more lines");
    if (multiLine) {
        const std::string& last = r.lines.back();
        if (r.lines.size() < 2 || !StartsWithCode(last, r.code) || (last.size() > 3 && last[3] != ' '))
            Broken("a multi-line reply not ended by its code and a space");
    }
    size_t total = 0;
    for (const std::string& line : r.lines) {
        if (line.find('\n') != std::string::npos) Broken("a line holding a line feed");
        total += line.size();
    }
    if (total > ReplyReader::kMaxReplyBytes) Broken("a reply longer than kMaxReplyBytes");

    const std::string described = r.Describe();
    const std::string code = std::to_string(r.code);
    if (described.compare(0, 3, code) != 0 || (described.size() > 3 && described[3] != ' '))
        Broken("Describe() does not start with the code: " + described);
    if (described.size() > 3 + 1 + 300 + 3) Broken("Describe() too long: " + std::to_string(described.size()));
    if (!Printable(described)) Broken("Describe() not printable: " + described);

    // The client reads numbers out of it (sizes, passive ports): the raw tail of the last line.
    const std::string lastText = r.LastText();
    const std::string& last = r.lines.back();
    if (lastText.size() > last.size() || last.compare(last.size() - lastText.size(), lastText.size(), lastText) != 0)
        Broken("LastText() is not the tail of the last line");

    for (const std::string& line : r.lines) CheckPrintableServerText(line, draw.Draw() % 400);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view stream(reinterpret_cast<const char*>(data), size);
    ReplyReader whole;
    const Outcome once = Read(whole, stream, [&] { return stream.size(); });
    CheckError(once.error);
    Pieces draw(stream);
    for (const Reply& r : once.replies) CheckReply(r, draw);
    CheckPrintableServerText(stream, draw.Draw() % 400);

    if (stream.size() <= Pieces::kSmallInput) {
        ReplyReader bytes;
        ExpectSame(once, Read(bytes, stream, [] { return size_t(1); }), "one byte at a time");
    }
    Pieces pieces(stream);
    ReplyReader pieced;
    ExpectSame(once, Read(pieced, stream, [&] { return pieces.Next(); }), "in pieces");
    // Clear() leaves the reader as new, whatever it was in the middle of.
    pieced.Clear();
    ExpectSame(once, Read(pieced, stream, [&] { return stream.size(); }), "after Clear()");
    return 0;
}
