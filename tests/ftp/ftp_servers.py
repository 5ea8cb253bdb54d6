#!/usr/bin/python3
"""Real FTP servers on loopback for the FTP client tests and the benchmark.

  ftp_servers.py start STATE [--tree DIR] [--vsftpd-only]
  ftp_servers.py stop STATE

"start" builds the test tree (unless --tree names one), starts one pyftpdlib process that
listens on one port per fault mode, and a vsftpd with its own config on a free port, then
returns once they all answer. It writes STATE/servers.txt (key=value lines) for the tests:

  tree=<served folder>         log=<command log of the pyftpdlib modes>
  port.<mode>=<port>           vsftpd.port=<port> or vsftpd.error=<why it is not there>
  port.closed=<a loopback port nobody listens on>
  date.<name>=YYYY-MM-DD HH:MM  (how the servers list the file's modification time, UTC)

"stop" ends what "start" started (by the pids it recorded). "start" stops an earlier run of the
same STATE first, so both are idempotent.

Fault modes (one port each): normal, silent (accepts, never answers), nosize (SIZE refused),
cut (data connection reset half-way, then 426), short (226 after half of the file), pasvother
(EPSV refused, PASV names another address), noepsv (EPSV refused), epsv4xx (EPSV refused
with a 4xx reply), epsvaddr (EPSV's reply names another address), garbled (no FTP greeting),
oversized (a greeting that never ends), longline (a greeting line that never ends), drop421
(421 to every command after login), idle421 (421 after one idle second), slow (data in small
paced bursts), cutlie (data connection reset half-way, then 226 all the same).
"""
import errno
import hashlib
import os
import random
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time

USER, PASSWORD = "ravelco", "pomelito"
MODES = ["normal", "silent", "nosize", "cut", "short", "pasvother", "noepsv", "garbled",
         "oversized", "longline", "drop421", "idle421", "slow", "cutlie", "epsv4xx", "epsvaddr"]
LIFETIME_S = 3 * 3600  # servers left behind by an interrupted run end on their own
NOW = time.time()
# (relative path, size, mtime): recent files get "Mmm dd hh:mm" listings, old ones a year.
RECENT = int(NOW - 2 * 86400) // 60 * 60
OLD = 1552651200  # 2019-03-15 12:00 UTC
TREE = [
    ("Ostrel.exe", 300 * 1024 + 17, RECENT),
    ("Bevani.exe", 40 * 1024, OLD),
    ("Leia me agora.txt", 123, RECENT),
    ("vazio.txt", 0, OLD),
    ("grande.bin", 6 * 1024 * 1024 + 5, RECENT),
    ("lento.bin", 96 * 1024, RECENT),
    ("Dll/Empresa42.dll", 50 * 1024 + 3, RECENT),
    ("Dll/Comum.dll", 2048, OLD),
]
LINKS = [("atalho", "Ostrel.exe")]


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def make_tree(tree):
    rng = random.Random(42)
    os.makedirs(os.path.join(tree, "Dll"), exist_ok=True)
    os.chmod(os.path.dirname(tree), 0o755)
    for rel, size, mtime in TREE:
        path = os.path.join(tree, rel)
        with open(path, "wb") as f:
            f.write(rng.randbytes(size))
        os.utime(path, (mtime, mtime))
    for name, target in LINKS:
        path = os.path.join(tree, name)
        if os.path.lexists(path):
            os.unlink(path)
        os.symlink(target, path)
    for d in (tree, os.path.join(tree, "Dll")):
        os.chmod(d, 0o755)
        os.utime(d, (OLD, OLD))


# --- vsftpd ----------------------------------------------------------------------------

def ensure_account():
    """The daemon logs in real system accounts: make "ravelco" with its password (root only)."""
    if os.geteuid() != 0:
        return "vsftpd needs root to create the account %s" % USER
    if subprocess.run(["id", USER], capture_output=True).returncode != 0:
        r = subprocess.run(["useradd", "-m", "-s", "/bin/bash", USER], capture_output=True, text=True)
        if r.returncode != 0 and subprocess.run(["id", USER], capture_output=True).returncode != 0:
            return "useradd failed: " + r.stderr.strip()
    home = os.path.expanduser("~" + USER)
    os.makedirs(home, exist_ok=True)
    r = subprocess.run(["chpasswd"], input="%s:%s\n" % (USER, PASSWORD), capture_output=True, text=True)
    if r.returncode != 0:
        return "chpasswd failed: " + r.stderr.strip()
    return None


def start_vsftpd(state, tree):
    """Returns (process, port, error)."""
    binary = shutil.which("vsftpd") or "/usr/sbin/vsftpd"
    if not os.path.exists(binary):
        return None, 0, "vsftpd is not installed"
    error = ensure_account()
    if error:
        return None, 0, error
    empty = os.path.join(state, "vsftpd-empty")
    os.makedirs(empty, exist_ok=True)
    os.chmod(empty, 0o755)
    for attempt in range(5):
        port = free_port()
        pasv = random.randint(20000, 59000)
        conf = os.path.join(state, "vsftpd.conf")
        with open(conf, "w") as f:
            f.write("\n".join([
                "listen=YES", "listen_ipv6=NO", "listen_address=127.0.0.1", "listen_port=%d" % port,
                "background=NO", "anonymous_enable=NO", "local_enable=YES", "write_enable=NO",
                "local_root=" + tree, "secure_chroot_dir=" + empty, "pam_service_name=vsftpd",
                "seccomp_sandbox=NO", "isolate=NO", "isolate_network=NO", "pasv_enable=YES",
                "pasv_min_port=%d" % pasv, "pasv_max_port=%d" % (pasv + 200), "use_localtime=NO",
                "xferlog_enable=NO", "dual_log_enable=NO", "log_ftp_protocol=YES",
                "vsftpd_log_file=" + os.path.join(state, "vsftpd.log"), "max_per_ip=0",
                "max_clients=0", "idle_session_timeout=600", "data_connection_timeout=120", ""]))
        os.chmod(conf, 0o600)
        log = open(os.path.join(state, "vsftpd.out"), "ab")
        proc = subprocess.Popen([binary, conf], stdout=log, stderr=log, stdin=subprocess.DEVNULL)
        if wait_banner(port, b"220"):
            return proc, port, None
        proc.kill()
        proc.wait()
    return None, 0, "vsftpd did not start (see %s)" % os.path.join(state, "vsftpd.out")


def wait_banner(port, prefix, seconds=10):
    end = time.time() + seconds
    while time.time() < end:
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=2) as s:
                if s.recv(100).startswith(prefix):
                    return True
        except OSError:
            pass
        time.sleep(0.1)
    return False


# --- pyftpdlib fault modes --------------------------------------------------------------

def serve(state, tree, vsftpd_only):
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.handlers import FTPHandler, _FileReadWriteError
    from pyftpdlib.ioloop import IOLoop
    from pyftpdlib.servers import FTPServer
    import logging
    logging.basicConfig(level=logging.CRITICAL)

    info = {"tree": tree}
    for rel, _, mtime in TREE:
        info["date." + rel] = time.strftime("%Y-%m-%d %H:%M", time.gmtime(mtime))
    vsftpd, port, error = start_vsftpd(state, tree)
    if vsftpd:
        info["vsftpd.port"] = port
    else:
        info["vsftpd.error"] = error
    info["port.closed"] = free_port()
    servers = []
    held = []
    if not vsftpd_only:
        log_path = os.path.join(state, "commands.log")
        log = open(log_path, "a", buffering=1)
        info["log"] = log_path
        authorizer = DummyAuthorizer()
        authorizer.add_user(USER, PASSWORD, tree, perm="elr")
        sessions = [0]

        class Paced:
            """Sends a file in bursts of `chunk` bytes, `pause` seconds apart, and after `stop`
            bytes ends the stream: "fin" (normal close, 226) or "rst" (reset, then 426)."""

            def __init__(self, handler, fd, chunk, pause, stop=None, how="fin"):
                self.handler, self.fd, self.chunk, self.pause = handler, fd, chunk, pause
                self.stop, self.how, self.sent = stop, how, 0

            def more(self):
                dc = self.handler.data_channel
                want = self.chunk
                if self.stop is not None:
                    want = min(want, self.stop - self.sent)
                data = self.fd.read(want) if want > 0 else b""
                self.sent += len(data)
                at_stop = self.stop is not None and self.sent >= self.stop
                if data and (self.pause or (at_stop and self.how == "rst")):
                    dc.del_channel()
                    later = self.cut if at_stop and self.how == "rst" else self.resume
                    self.handler.ioloop.call_later(self.pause or 0.3, later, dc)
                if not data and self.how == "rst":
                    return b"\0"  # never reached: the reset comes first
                return data

            def resume(self, dc):
                if not dc._closed:
                    dc.add_channel(events=dc.ioloop.WRITE)

            def cut(self, dc):
                if not dc._closed:
                    dc.socket.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
                    if self.handler.mode == "cutlie":
                        dc._resp = ("226 Transfer complete.", logging.debug)
                    else:
                        dc._resp = ("426 Connection reset; transfer aborted.", logging.debug)
                    dc.close()

        class Handler(FTPHandler):
            mode = "normal"
            banner = "pyftpdlib"

            def handle(self):
                sessions[0] += 1
                self.session = sessions[0]
                if self.mode == "garbled":
                    self.push("SSH-2.0-OpenSSH_9.2p1 Debian-2\r\n")
                elif self.mode == "oversized":
                    self.push("220-" + "Bem-vindo " * 10 + "\r\n")
                    self.push(("220-" + "x" * 1000 + "\r\n") * 200)
                elif self.mode == "longline":
                    self.push("220 " + "y" * 200000)
                else:
                    # A preliminary reply, then a multi-line greeting whose inner lines look
                    # like ends of replies but are not (RFC 959, 4.2).
                    self.push("120 Aguarde um instante.\r\n"
                              "220-Servidor de testes\r\n"
                              "linha sem código\r\n"
                              " 220 linha recuada\r\n"
                              "123 outro código\r\n"
                              "220-ainda não acabou\r\n"
                              "220 Pronto.\r\n")

            def pre_process_command(self, line, cmd, arg):
                log.write("%s\t%d\t%s\n" % (self.mode, self.session, line))
                if self.mode == "drop421" and self.authenticated and cmd != "QUIT":
                    self.respond("421 Service not available, closing control connection.")
                    self.close_when_done()
                    return
                super().pre_process_command(line, cmd, arg)

            def respond(self, resp, logfun=None):
                # epsvaddr fills in the protocol and address fields of EPSV's reply, with an
                # address that is not the server's.
                if self.mode == "epsvaddr" and resp.startswith("229 "):
                    port = resp[resp.rindex("(|||") + 4:resp.rindex("|)")]
                    resp = "229 Entering Extended Passive Mode (|1|192.0.2.7|%s|)" % port
                super().respond(resp)

            def ftp_SIZE(self, path):
                if self.mode == "nosize":
                    self.respond("502 Command SIZE not implemented.")
                    return
                super().ftp_SIZE(path)

            def ftp_EPSV(self, line):
                if self.mode in ("noepsv", "pasvother"):
                    self.respond('500 Command "EPSV" not understood.')
                    return
                if self.mode == "epsv4xx":
                    self.respond("425 Can't open passive connection: no port free.")
                    return
                super().ftp_EPSV(line)

            def ftp_RETR(self, file):
                paced = {"cut": (1 << 20, 0, "rst"), "cutlie": (1 << 20, 0, "rst"), "short": (1 << 20, 0, "fin"),
                         "slow": (16 * 1024, 0.25, "fin")}.get(self.mode)
                if not paced:
                    return super().ftp_RETR(file)
                try:
                    fd = self.run_as_current_user(self.fs.open, file, "rb")
                except OSError as err:
                    self.respond("550 %s." % os.strerror(err.errno or errno.EIO))
                    return
                size = os.fstat(fd.fileno()).st_size
                chunk, pause, how = paced
                stop = size // 2 if self.mode in ("cut", "cutlie", "short") else None
                self.push_dtp_data(Paced(self, fd, chunk, pause, stop, how), isproducer=True, file=fd, cmd="RETR")

        ioloop = IOLoop.instance()
        for mode in MODES:
            if mode == "silent":
                # Accepts connections and holds them without a word.
                s = socket.socket()
                s.bind(("127.0.0.1", 0))
                s.listen(16)

                def hold(s=s):
                    while True:
                        conn, _ = s.accept()
                        held.append(conn)
                threading.Thread(target=hold, daemon=True).start()
                info["port.silent"] = s.getsockname()[1]
                continue
            # A refused login is answered after half a second (pyftpdlib's default is 3 s).
            attrs = {"mode": mode, "authorizer": authorizer, "use_sendfile": False, "auth_failed_timeout": 0.5}
            if mode == "pasvother":
                attrs["masquerade_address"] = "192.0.2.7"
            if mode == "idle421":
                attrs["timeout"] = 1
            cls = type("Handler_" + mode, (Handler,), attrs)
            server = FTPServer(("127.0.0.1", 0), cls, ioloop=ioloop)
            servers.append(server)
            info["port." + mode] = server.address[1]

    def finish(*_):
        if vsftpd:
            vsftpd.kill()
            vsftpd.wait()
        os._exit(0)

    signal.signal(signal.SIGTERM, finish)
    signal.signal(signal.SIGINT, finish)
    tmp = os.path.join(state, "servers.txt.tmp")
    with open(tmp, "w") as f:
        for k, v in info.items():
            f.write("%s=%s\n" % (k, v))
    os.replace(tmp, os.path.join(state, "servers.txt"))
    end = time.time() + LIFETIME_S
    if servers:
        while time.time() < end:
            ioloop.poll(0.05)
            ioloop.sched.poll()
    else:
        while time.time() < end and (vsftpd is None or vsftpd.poll() is None):
            time.sleep(1)
    finish()


def own_tree(state):
    key = hashlib.sha1(os.path.abspath(state).encode()).hexdigest()[:12]
    return os.path.join(tempfile.gettempdir(), "vorlane-ftp-" + key, "tree")


def stop(state):
    info = os.path.join(state, "servers.txt")
    if os.path.exists(info):
        os.unlink(info)
    shutil.rmtree(os.path.dirname(own_tree(state)), ignore_errors=True)
    pid_file = os.path.join(state, "servers.pid")
    try:
        pid = int(open(pid_file).read())
    except (OSError, ValueError):
        return
    try:
        os.kill(pid, signal.SIGTERM)
        for _ in range(50):
            os.kill(pid, 0)
            time.sleep(0.1)
        os.kill(pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    os.unlink(pid_file)


def start(state, tree, vsftpd_only):
    os.makedirs(state, exist_ok=True)
    stop(state)
    for name in ("servers.txt", "commands.log"):
        if os.path.exists(os.path.join(state, name)):
            os.unlink(os.path.join(state, name))
    if tree is None:
        # vsftpd serves the tree as the account, which must reach it whatever the permissions
        # of the checkout: the tree lives in a folder of its own under /tmp.
        tree = own_tree(state)
        if os.path.exists(tree):
            shutil.rmtree(tree)
        make_tree(tree)
    tree = os.path.abspath(tree)
    args = [sys.executable, os.path.abspath(__file__), "serve", state, tree] + (["--vsftpd-only"] if vsftpd_only else [])
    out = open(os.path.join(state, "servers.out"), "ab")
    proc = subprocess.Popen(args, stdout=out, stderr=out, stdin=subprocess.DEVNULL, start_new_session=True)
    with open(os.path.join(state, "servers.pid"), "w") as f:
        f.write(str(proc.pid))
    for _ in range(300):
        if os.path.exists(os.path.join(state, "servers.txt")):
            print(open(os.path.join(state, "servers.txt")).read(), end="")
            return 0
        if proc.poll() is not None:
            break
        time.sleep(0.1)
    sys.stderr.write("ftp servers did not start; see %s\n" % os.path.join(state, "servers.out"))
    return 1


def main(argv):
    if len(argv) < 3:
        sys.stderr.write(__doc__)
        return 2
    command, state = argv[1], os.path.abspath(argv[2])
    rest = argv[3:]
    vsftpd_only = "--vsftpd-only" in rest
    tree = rest[rest.index("--tree") + 1] if "--tree" in rest else None
    if command == "start":
        return start(state, tree, vsftpd_only)
    if command == "stop":
        stop(state)
        return 0
    if command == "serve":
        serve(state, rest[0], vsftpd_only)
        return 0
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
