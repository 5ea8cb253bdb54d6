#include "platform/ftp/reply.h"

#include "platform/base/error.h"
#include "platform/base/text.h"

namespace vorlane::ftp {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Control characters, and the five bytes Windows-1252 leaves undefined: Windows turns those
// into the C1 control characters of the same value.
bool IsUnprintable(unsigned char c) {
    return c < 32 || c == 127 || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
}

// "123" at the start of the line, the first digit 1 to 5.
int CodeOf(std::string_view line) {
    if (line.size() < 3 || line[0] < '1' || line[0] > '5' || !IsDigit(line[1]) || !IsDigit(line[2])) return 0;
    if (line.size() > 3 && line[3] != ' ' && line[3] != '-') return 0;
    return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

// The text of a line after its "123 " or "123-".
std::string_view TextOf(std::string_view line, int code) {
    if (CodeOf(line) == code) return line.size() > 4 ? line.substr(4) : std::string_view();
    return line;
}

}  // namespace

std::string PrintableServerText(std::string_view text, size_t max) {
    std::string out;
    for (char c : text) {
        if (out.size() >= max) {
            out += "...";
            break;
        }
        out += IsUnprintable(static_cast<unsigned char>(c)) ? ' ' : c;
    }
    return out;
}

std::string Reply::Describe() const {
    std::string joined;
    for (const std::string& line : lines) {
        std::string part = Trim(TextOf(line, code));
        if (part.empty()) continue;
        if (!joined.empty()) joined += ' ';
        joined += part;
    }
    std::string text = std::to_string(code);
    if (!joined.empty()) text += " " + PrintableServerText(joined);
    return text;
}

std::string Reply::LastText() const { return lines.empty() ? std::string() : std::string(TextOf(lines.back(), code)); }

void ReplyReader::Clear() {
    buffer_.clear();
    scanned_ = 0;
    pending_ = Reply();
    inReply_ = false;
}

void ReplyReader::Feed(const char* data, size_t size) { buffer_.append(data, size); }

bool ReplyReader::Next(Reply& reply) {
    size_t replyBytes = scanned_;
    for (;;) {
        size_t end = buffer_.find('\n', scanned_);
        if (end == std::string::npos) {
            if (buffer_.size() > kMaxReplyBytes)
                throw Error("Resposta do servidor FTP longa demais (mais de 64 KiB).");
            return false;
        }
        std::string_view line(buffer_.data() + scanned_, end - scanned_);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        replyBytes = end + 1;
        if (replyBytes > kMaxReplyBytes) throw Error("Resposta do servidor FTP longa demais (mais de 64 KiB).");
        scanned_ = end + 1;
        if (!inReply_) {
            int code = CodeOf(line);
            if (code == 0)
                throw Error("Resposta inválida do servidor FTP: \"" + PrintableServerText(line, 80) + "\".");
            pending_ = Reply();
            pending_.code = code;
            pending_.lines.emplace_back(line);
            inReply_ = line.size() > 3 && line[3] == '-';
            if (inReply_) continue;
        } else {
            pending_.lines.emplace_back(line);
            if (!(line.size() >= 4 && CodeOf(line) == pending_.code && line[3] == ' ') &&
                !(line.size() == 3 && CodeOf(line) == pending_.code))
                continue;
            inReply_ = false;
        }
        reply = std::move(pending_);
        pending_ = Reply();
        buffer_.erase(0, scanned_);
        scanned_ = 0;
        return true;
    }
}

}  // namespace vorlane::ftp
