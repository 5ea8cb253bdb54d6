#pragma once
// Replies on the FTP control connection (RFC 959, 4.2): a three-digit code, and either one line
// "123 text" or several lines from "123-text" up to the first line that starts with "123 ".
// Lines in between may hold anything, also other codes or an indented copy of the code.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane::ftp {

struct Reply {
    int code = 0;
    std::vector<std::string> lines;  // as received, without the line ends

    bool Preliminary() const { return code / 100 == 1; }
    bool Positive() const { return code / 100 == 2; }
    // One line for messages: "550 No such file." (lines joined by spaces, control characters
    // blanked, long texts cut).
    std::string Describe() const;
    // The text of the last line after its code ("(1234 bytes)" of "213 1234" is "1234").
    std::string LastText() const;
};

// Builds replies from the bytes of the control connection as they arrive.
class ReplyReader {
public:
    // A reply longer than this (all its lines together) is refused.
    static constexpr size_t kMaxReplyBytes = 64 * 1024;

    void Feed(const char* data, size_t size);
    // Takes the next complete reply. False when more bytes are needed. Raises vorlane::Error
    // for a reply that does not start with a code, or one that grows past kMaxReplyBytes.
    bool Next(Reply& reply);
    void Clear();

private:
    std::string buffer_;
    size_t scanned_ = 0;  // bytes of buffer_ already split into pending_ lines
    Reply pending_;
    bool inReply_ = false;
};

// A text from the server made fit for a message: control characters (also the bytes that
// Windows-1252 leaves undefined) blanked, cut at max.
std::string PrintableServerText(std::string_view text, size_t max = 300);

}  // namespace vorlane::ftp
