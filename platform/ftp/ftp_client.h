#pragma once
// The FTP client of the installation run: one control connection, passive data connections
// (EPSV, or PASV when the server refuses EPSV), binary transfers. Every wait is bounded and
// reports progress through the hook; every failure raises vorlane::Error with a Portuguese
// message that carries the server's reply where there is one.
//
// The calls are not re-entrant: a call made from inside the progress hook while another call
// runs raises an error (Size returns -1) and leaves the running call alone.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/base/text.h"
#include "platform/ftp/listing.h"

namespace vorlane::ftp {

class FtpClient {
public:
    FtpClient();
    ~FtpClient();
    FtpClient(const FtpClient&) = delete;
    FtpClient& operator=(const FtpClient&) = delete;

    void SetHost(const std::string& host, int port = 21);
    void SetCredentials(const std::string& user, const std::string& password);
    // Bound of a connect (name lookup included), and of the silence while waiting for a reply
    // or for transfer data. Defaults 15000 / 60000 ms.
    void SetTimeouts(int connectMs, int idleMs);
    // Called with the bytes transferred so far (0 outside a transfer) at least every 100 ms
    // while any network wait or transfer runs.
    void SetProgressHook(std::function<void(int64_t)> hook);

    // Connects and logs in (USER, PASS). A client that is connected already starts anew.
    void Connect();
    // False also when the server has closed the connection since the last call.
    bool Connected() const;
    // QUIT, then close. Ends closed even when it raises.
    void Disconnect();
    // SIZE: the size the server announces (213), else -1; never raises. A size announced here
    // is the least a following Get of the same name must receive.
    int64_t Size(const std::string& name);
    // RETR into localPath (Windows-1252): the bytes go to localPath + ".tmp", which replaces an
    // existing file only once the transfer is complete. After a failure an existing file is as
    // it was and no partial file is left. A failure inside the transfer may also close the
    // connection when it can no longer be trusted (see Connected).
    void Get(const std::string& name, const std::string& localPath);
    void ChangeDir(const std::string& name);  // CWD, relative to the current folder
    void ChangeDirUp();                       // CDUP
    // details=false: NLST, one name per line; true: LIST, the raw lines. dest (may be null) is
    // replaced by the lines. Either kind becomes the source of DirectoryListing.
    void List(StringList* dest, bool details);
    // Parsed listing of the most recent List, rebuilt the first time it is read after it.
    const Listing& DirectoryListing();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// "host" -> (host, 21); "host:port" -> (host, port); "[::1]:2121" and a bare IPv6 address too.
// False on an empty host or a port that is not 1 to 65535.
bool ParseHostPort(const std::string& address, std::string& host, int& port);

}  // namespace vorlane::ftp
