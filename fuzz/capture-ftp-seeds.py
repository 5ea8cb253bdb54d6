#!/usr/bin/python3
"""Captures the seeds of the FTP fuzz targets from real daemons on loopback.

  /usr/bin/python3 fuzz/capture-ftp-seeds.py       (as root: vsftpd logs in a system account)

Serves the FTP tests' tree (tests/ftp/ftp_servers.py: files of a few days ago and of 2019, a
folder, a link, names with spaces) from pyftpdlib and vsftpd, and from proftpd and pure-ftpd
when their Debian packages can be unpacked under build/fuzz-daemons (apt-get download +
dpkg -x; they conflict with the installed vsftpd as packages, but run as they are). Each daemon
gets one logged-in session, and its bytes are written as they came:

  fuzz/seeds/ftp_reply_fuzz/<daemon>-session.txt   the control connection: greeting, login,
      SYST, FEAT, HELP, STAT, PWD, CWD, SIZE, MDTM, their errors, an unknown command, STAT of
      the folder, the replies around each listing, QUIT
  fuzz/seeds/ftp_reply_fuzz/<daemon>-refused.txt   a refused password
  fuzz/seeds/ftp_listing_fuzz/<daemon>-<command>.txt   LIST, LIST -a, LIST of the subfolder,
      NLST and NLST -a, as the data connection brought them (one the same as an earlier one of
      the daemon is left out)

No MS-DOS/IIS server runs here: iis-*.txt are the same tree written in IIS's two listing
layouts (two-digit years with AM/PM, four-digit years with a 24-hour clock).
The seed files are rewritten on every run; a daemon that cannot run is reported and skipped.
"""
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "ftp"))
import ftp_servers  # noqa: E402  (the tests' servers, account and helpers)

STATE = os.path.join(ROOT, "build", "fuzz", "ftp-capture")
DAEMONS = os.path.join(ROOT, "build", "fuzz-daemons")
SEEDS = os.path.join(ROOT, "fuzz", "seeds")
LIBS = os.path.join(DAEMONS, "root", "usr", "lib", "x86_64-linux-gnu")
# proftpd-core links these; they are not installed with vsftpd.
PACKAGES = ["proftpd-core", "pure-ftpd", "libhiredis0.14", "libmemcached11", "libmemcachedutil2",
            "libhashkit2", "libpcre2-posix3"]


class Session:
    """A control connection that keeps every byte the server sends."""

    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=20)
        self.raw = bytearray()
        self.pending = b""

    def line(self):
        while b"\n" not in self.pending:
            data = self.sock.recv(4096)
            if not data:
                raise EOFError("the server closed the connection")
            self.pending += data
        line, self.pending = self.pending.split(b"\n", 1)
        self.raw += line + b"\n"
        return line.rstrip(b"\r")

    def reply(self):
        first = self.line()
        code = first[:3]
        lines = [first]
        if first[3:4] == b"-":
            while True:
                lines.append(self.line())
                if lines[-1][:3] == code and lines[-1][3:4] in (b" ", b""):
                    break
        return int(code), lines

    def greeting(self):
        """The greeting, after any preliminary "120" replies."""
        while self.reply()[0] // 100 == 1:
            pass

    def command(self, text):
        self.sock.sendall(text.encode("latin-1") + b"\r\n")
        return self.reply()

    def listing(self, command):
        """The bytes of a listing through a passive data connection, or None if refused."""
        code, lines = self.command("EPSV")
        if code == 229:
            port = int(re.search(rb"\(\|\|\|(\d+)\|\)", lines[-1]).group(1))
        else:
            code, lines = self.command("PASV")
            numbers = re.search(rb"(\d+),(\d+),(\d+),(\d+),(\d+),(\d+)", lines[-1]).groups()
            port = int(numbers[4]) * 256 + int(numbers[5])
        data = socket.create_connection(("127.0.0.1", port), timeout=20)
        code, _ = self.command(command)
        if code // 100 != 1:
            data.close()
            return None
        chunks = []
        while True:
            chunk = data.recv(65536)
            if not chunk:
                break
            chunks.append(chunk)
        data.close()
        self.reply()
        return b"".join(chunks)


def run_session(name, port, tree, cwd_tree, reply_dir, listing_dir):
    s = Session(port)
    s.greeting()
    s.command("USER " + ftp_servers.USER)
    s.command("PASS " + ftp_servers.PASSWORD)
    for command in ["SYST", "FEAT", "HELP", "STAT", "PWD"]:
        s.command(command)
    if cwd_tree:
        s.command("CWD " + tree)
    for command in ["TYPE I", "SIZE Ostrel.exe", "MDTM Ostrel.exe", "SIZE nada.txt", "CWD nada",
                    "XYZZY", "STAT ."]:
        s.command(command)
    listings = {"list": "LIST", "list-a": "LIST -a", "list-dll": "LIST Dll", "nlst": "NLST",
                "nlst-a": "NLST -a"}
    seen = set()
    for suffix, command in listings.items():
        data = s.listing(command)
        if data and data not in seen:
            seen.add(data)
            write(os.path.join(listing_dir, "%s-%s.txt" % (name, suffix)), data)
    s.command("QUIT")
    s.sock.close()
    write(os.path.join(reply_dir, name + "-session.txt"), s.raw)

    s = Session(port)
    s.greeting()
    s.command("USER " + ftp_servers.USER)
    s.command("PASS errada")
    s.command("QUIT")
    s.sock.close()
    write(os.path.join(reply_dir, name + "-refused.txt"), s.raw)


def write(path, data):
    with open(path, "wb") as f:
        f.write(bytes(data))


def iis_listings(tree, listing_dir):
    """The tree in IIS's MS-DOS layouts, from the files' local modification times."""
    two, four = [], []
    for name in sorted(os.listdir(tree), key=str.lower):
        st = os.lstat(os.path.join(tree, name))
        t = time.localtime(st.st_mtime)
        folder = os.path.isdir(os.path.join(tree, name))
        column = "       <DIR>         " if folder else "%21d" % st.st_size
        two.append("%s  %s%s %s" % (time.strftime("%m-%d-%y", t), time.strftime("%I:%M%p", t), column, name))
        four.append("%s  %s%s %s" % (time.strftime("%m-%d-%Y", t), time.strftime("%H:%M", t), "   " + column, name))
    write(os.path.join(listing_dir, "iis-list.txt"), ("\r\n".join(two) + "\r\n").encode())
    write(os.path.join(listing_dir, "iis-list-4digit.txt"), ("\r\n".join(four) + "\r\n").encode())


def unpack_daemons():
    """proftpd and pure-ftpd unpacked under build/fuzz-daemons; the reason when they are not."""
    binaries = [os.path.join(DAEMONS, "root", "usr", "sbin", b) for b in ("proftpd", "pure-ftpd")]
    if all(os.path.exists(b) for b in binaries):
        return None
    os.makedirs(DAEMONS, exist_ok=True)
    r = subprocess.run(["apt-get", "download"] + PACKAGES, cwd=DAEMONS, capture_output=True, text=True)
    if r.returncode != 0:
        return "apt-get download failed: " + r.stderr.strip()[-300:]
    for deb in sorted(f for f in os.listdir(DAEMONS) if f.endswith(".deb")):
        subprocess.run(["dpkg", "-x", deb, "root"], cwd=DAEMONS, check=True)
    return None


def start_proftpd(tree, work):
    port, pasv = ftp_servers.free_port(), ftp_servers.free_port()
    conf = os.path.join(work, "proftpd.conf")
    with open(conf, "w") as f:
        f.write("\n".join([
            'ServerName "Vorlane"', "ServerType standalone", "Port %d" % port,
            "DefaultAddress 127.0.0.1", "SocketBindTight on", "UseIPv6 off", "User nobody",
            "Group nogroup", "RequireValidShell off", "AuthOrder mod_auth_unix.c", "WtmpLog off",
            "UseReverseDNS off", "DelayEngine off", "TransferLog none",
            "ScoreboardFile " + os.path.join(work, "proftpd.scoreboard"),
            "PidFile " + os.path.join(work, "proftpd.pid"),
            "SystemLog " + os.path.join(work, "proftpd.log"),
            "PassivePorts %d %d" % (pasv, pasv + 50), "<Directory />", "  AllowOverwrite off",
            "</Directory>", ""]))
    env = dict(os.environ, LD_LIBRARY_PATH=LIBS)
    binary = os.path.join(DAEMONS, "root", "usr", "sbin", "proftpd")
    return start(binary, ["-n", "-q", "-c", conf], port, work, "proftpd", env)


def start_pure_ftpd(tree, work):
    port, pasv = ftp_servers.free_port(), ftp_servers.free_port()
    binary = os.path.join(DAEMONS, "root", "usr", "sbin", "pure-ftpd")
    args = ["-S", "127.0.0.1,%d" % port, "-E", "-l", "unix", "-H", "-p", "%d:%d" % (pasv, pasv + 50)]
    return start(binary, args, port, work, "pure-ftpd", dict(os.environ))


def start(binary, args, port, work, name, env):
    log = open(os.path.join(work, name + ".out"), "ab")
    proc = subprocess.Popen([binary] + args, stdout=log, stderr=log, stdin=subprocess.DEVNULL, env=env)
    if ftp_servers.wait_banner(port, b"220"):
        return proc, port
    proc.kill()
    proc.wait()
    return None, "%s did not start (see %s)" % (name, os.path.join(work, name + ".out"))


def main():
    reply_dir = os.path.join(SEEDS, "ftp_reply_fuzz")
    listing_dir = os.path.join(SEEDS, "ftp_listing_fuzz")
    for d in (reply_dir, listing_dir):
        shutil.rmtree(d, ignore_errors=True)
        os.makedirs(d)
    r = subprocess.run([sys.executable, ftp_servers.__file__, "start", STATE], capture_output=True, text=True)
    if r.returncode != 0:
        sys.exit("the test servers did not start: " + r.stderr)
    info = dict(line.split("=", 1) for line in r.stdout.splitlines() if "=" in line)
    tree = info["tree"]
    work = tempfile.mkdtemp(prefix="vorlane-ftp-seeds-")
    os.chmod(work, 0o755)
    procs = []
    try:
        run_session("pyftpdlib", int(info["port.normal"]), tree, False, reply_dir, listing_dir)
        s = Session(int(info["port.garbled"]))
        s.line()
        s.sock.close()
        write(os.path.join(reply_dir, "pyftpdlib-garbled.txt"), s.raw)
        if "vsftpd.port" in info:
            run_session("vsftpd", int(info["vsftpd.port"]), tree, False, reply_dir, listing_dir)
        else:
            print("vsftpd skipped: " + info.get("vsftpd.error", "?"))
        why = unpack_daemons()
        for name, starter in (("proftpd", start_proftpd), ("pure-ftpd", start_pure_ftpd)):
            if why:
                print("%s skipped: %s" % (name, why))
                continue
            proc, port = starter(tree, work)
            if not proc:
                print("%s skipped: %s" % (name, port))
                continue
            procs.append(proc)
            run_session(name, port, tree, True, reply_dir, listing_dir)
        iis_listings(tree, listing_dir)
    finally:
        for proc in procs:
            proc.terminate()
            proc.wait()
        subprocess.run([sys.executable, ftp_servers.__file__, "stop", STATE])
        shutil.rmtree(work, ignore_errors=True)
    for d in (reply_dir, listing_dir):
        for f in sorted(os.listdir(d)):
            print("%6d  %s" % (os.path.getsize(os.path.join(d, f)), os.path.relpath(os.path.join(d, f), ROOT)))


if __name__ == "__main__":
    main()
