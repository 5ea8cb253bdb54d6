#!/usr/bin/python3
"""A production FTP daemon on loopback serving one folder, as the company's Linux server does.

  daemon_ftp.py start vsftpd|proftpd|pure-ftpd PASTA [--unpacked DIR]
  daemon_ftp.py stop PASTA

"start" empties PASTA/raiz and serves it with the chosen daemon on 127.0.0.1, on a free port
of its own, to the account ravelco / pomelito, whose login folder it is. The port goes into
PASTA/porta (digits only, as tools/demo/servidor_ftp.py writes it) once the daemon has sent
its greeting. Passive data connections are on 127.0.0.1 and listing dates are in UTC. The
daemon only reads: whoever uses it writes the files into PASTA/raiz through the file system.
What the daemon logged is in PASTA/daemon.log (vsftpd: every command and reply; ProFTPD: every
command with its reply code and text; Pure-FTPd: the transfers, the rest goes to syslog) and
PASTA/daemon.out.

"stop" ends the daemon by the process group recorded in PASTA/pid. "start" stops an earlier
run in the same PASTA first, so both are idempotent.

vsftpd is the installed one. ProFTPD and Pure-FTPd conflict with it as Debian packages, so
they run from where scripts/lib/fetch-ftpd.sh unpacked them (--unpacked, by default the
repository's build/ftpd); start unpacks them there first when they are missing.

All three log in a real account's uid: vsftpd the system account itself (through PAM, as
tests/ftp/ftp_servers.py sets it up), ProFTPD and Pure-FTPd a virtual user of their own user
files mapped to that account's uid and gid, with the login folder as home. So the account must
be able to read PASTA/raiz; when a folder above it keeps others out, start serves a folder
under /tmp instead and makes PASTA/raiz a link to it (stop removes both). Needs root, as the
daemons do.
"""
import ctypes
import os
import pwd
import random
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(REPO, "tests", "ftp"))
from ftp_servers import USER, PASSWORD, ensure_account, free_port  # noqa: E402

DAEMONS = ("vsftpd", "proftpd", "pure-ftpd")
# The daemons that run from their unpacked packages: the program under --unpacked.
UNPACKED = {"proftpd": "proftpd-core/usr/sbin/proftpd", "pure-ftpd": "pure-ftpd/usr/sbin/pure-ftpd"}
# How long a daemon may take to greet: generous, for an emulated machine under load.
GREETING_S = 60
# A daemon left behind by an interrupted run (its stop never came) ends on its own.
LIFETIME = "6h"


def crypt_sha512(password):
    """The password as /etc/shadow holds it ($6$), by libcrypt (Python's crypt module is going)."""
    libcrypt = ctypes.CDLL("libcrypt.so.1")
    libcrypt.crypt.restype = ctypes.c_char_p
    libcrypt.crypt.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
    salt = "$6$" + "".join(random.choice("abcdefghijklmnopqrstuvwxyz0123456789") for _ in range(16))
    return libcrypt.crypt(password.encode(), salt.encode()).decode()


def write(path, text, mode=0o600):
    with open(path, "w") as f:
        f.write(text)
    os.chmod(path, mode)


def passive_range():
    low = random.randint(20000, 59000)
    return low, low + 200


# --- one function per daemon: (argv, banner) for a folder, a port and a state folder --------

def vsftpd_command(raiz, port, state, unpacked, account):
    binary = shutil.which("vsftpd") or "/usr/sbin/vsftpd"
    if not os.path.exists(binary):
        raise RuntimeError("vsftpd is not installed (scripts/setup installs it)")
    empty = os.path.join(state, "vazio")
    os.makedirs(empty, exist_ok=True)
    os.chmod(empty, 0o755)
    low, high = passive_range()
    conf = os.path.join(state, "vsftpd.conf")
    # As tests/ftp/ftp_servers.py runs it: no sandboxes (they need namespaces a container may
    # lack), the system account through PAM, its root the served folder, GMT listings.
    write(conf, "\n".join([
        "listen=YES", "listen_ipv6=NO", "listen_address=127.0.0.1", "listen_port=%d" % port,
        "background=NO", "anonymous_enable=NO", "local_enable=YES", "write_enable=NO",
        "local_root=" + raiz, "secure_chroot_dir=" + empty, "pam_service_name=vsftpd",
        "seccomp_sandbox=NO", "isolate=NO", "isolate_network=NO",
        "pasv_enable=YES", "pasv_address=127.0.0.1", "pasv_min_port=%d" % low, "pasv_max_port=%d" % high,
        "use_localtime=NO", "xferlog_enable=YES", "xferlog_std_format=NO", "dual_log_enable=NO",
        "log_ftp_protocol=YES",
        "vsftpd_log_file=" + os.path.join(state, "daemon.log"), "max_per_ip=0", "max_clients=0",
        "idle_session_timeout=600", "data_connection_timeout=120", ""]))
    return [binary, conf]


def proftpd_command(raiz, port, state, unpacked, account):
    binary = os.path.join(unpacked, UNPACKED["proftpd"])
    uid, gid = account
    users = os.path.join(state, "proftpd.passwd")
    write(users, "%s:%s:%d:%d::%s:/bin/false\n" % (USER, crypt_sha512(PASSWORD), uid, gid, raiz))
    low, high = passive_range()
    conf = os.path.join(state, "proftpd.conf")
    # Only the compiled-in modules (no LoadModule): the virtual user of the user file, locked
    # in its folder, no writes; no reverse lookups, no login delay, nothing in the system's
    # log files. TimesGMT lists dates in UTC whatever the daemon's time zone.
    write(conf, "\n".join([
        'ServerName "Vorlane"', "ServerType standalone", "Port %d" % port, "DefaultAddress 127.0.0.1",
        "SocketBindTight on", "UseIPv6 off", "UseReverseDNS off", "User nobody", "Group nogroup",
        "PidFile " + os.path.join(state, "proftpd.pid"),
        "ScoreboardFile " + os.path.join(state, "proftpd.scoreboard"),
        "DelayEngine off", "WtmpLog off", "TransferLog none",
        "SystemLog " + os.path.join(state, "proftpd.system.log"),
        'LogFormat comandos "%t %a %m %r -> %s %S"',
        "ExtendedLog %s ALL comandos" % os.path.join(state, "daemon.log"),
        "AuthOrder mod_auth_file.c", "AuthUserFile " + users, "RequireValidShell off",
        "DefaultRoot ~", "TimesGMT on", "PassivePorts %d %d" % (low, high), "MasqueradeAddress 127.0.0.1",
        "MaxInstances 50", "<Limit WRITE>", "  DenyAll", "</Limit>", ""]))
    return [binary, "--nodaemon", "--ipv4", "--config", conf]


def pure_ftpd_command(raiz, port, state, unpacked, account):
    bin_dir = os.path.join(unpacked, "pure-ftpd", "usr")  # UNPACKED["pure-ftpd"] and pure-pw
    uid, gid = account
    users, db = os.path.join(state, "pureftpd.passwd"), os.path.join(state, "pureftpd.pdb")
    # The user file as pure-pw writes it (home "/./": locked in there), with a SHA-512 crypt
    # hash: pure-pw's own Argon2 hash takes the daemon seconds to check at every login.
    write(users, "%s:%s:%d:%d::%s/./::::::::::::\n" % (USER, crypt_sha512(PASSWORD), uid, gid, raiz))
    if os.path.exists(db):
        os.unlink(db)
    subprocess.run([os.path.join(bin_dir, "bin", "pure-pw"), "mkdb", db, "-f", users],
                   stdin=subprocess.DEVNULL, capture_output=True, check=True)
    low, high = passive_range()
    # Virtual users of the PureDB file, every one locked in its folder (-A), no anonymous
    # login (-E), no reverse lookups (-H), passive replies naming 127.0.0.1 (-P). Dates are
    # listed in the daemon's time zone: TZ=UTC in its environment.
    return [os.path.join(bin_dir, "sbin", "pure-ftpd"), "--bind", "127.0.0.1,%d" % port, "--ipv4only",
            "--dontresolve", "--noanonymous", "--chrooteveryone", "--login", "puredb:" + db,
            "--passiveportrange", "%d:%d" % (low, high), "--forcepassiveip", "127.0.0.1",
            "--altlog", "clf:" + os.path.join(state, "daemon.log")]


COMMANDS = {"vsftpd": vsftpd_command, "proftpd": proftpd_command, "pure-ftpd": pure_ftpd_command}


# --- start and stop -------------------------------------------------------------------------

def greeting(port):
    """The daemon's first reply line, or None while nothing listens or nothing came."""
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=5) as s:
            line = b""
            while not line.endswith(b"\n") and len(line) < 4096:
                part = s.recv(4096)
                if not part:
                    break
                line += part
            return line.split(b"\r\n")[0].decode("latin-1")
    except OSError:
        return None


def alive(pid):
    """True while the process runs (a zombie waiting for its parent counts as ended)."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except (OSError, IndexError):
        return False


def ours(pid):
    """Whether pid is still the daemon start left: the leader of its own process group,
    running timeout with this script's lifetime."""
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            argv = f.read().split(b"\0")
        return os.getpgid(pid) == pid and argv[:2] == [b"timeout", LIFETIME.encode()]
    except (OSError, IndexError):
        return False


def stop(pasta):
    pid_file = os.path.join(pasta, "pid")
    if os.path.exists(os.path.join(pasta, "porta")):
        os.unlink(os.path.join(pasta, "porta"))
    try:
        _stop_daemon(pid_file)
    finally:
        # The folder under /tmp that start served in place of PASTA/raiz, if it did.
        served_file = os.path.join(pasta, "servida")
        if os.path.exists(served_file):
            served = open(served_file).read().strip()
            if os.path.basename(served).startswith("vorlane-ftpd-") and os.path.dirname(served) == "/tmp":
                shutil.rmtree(served, ignore_errors=True)
            os.unlink(served_file)
            raiz = os.path.join(pasta, "raiz")
            if os.path.islink(raiz):
                os.unlink(raiz)


def _stop_daemon(pid_file):
    try:
        pid = int(open(pid_file).read())
    except (OSError, ValueError):
        return
    if not ours(pid):
        os.unlink(pid_file)  # left by a run whose daemon is gone; the number may be another's now
        return
    # The daemon was started as the leader of a session and process group of its own: the
    # group holds its master and every session it forked.
    for sig in (signal.SIGTERM, signal.SIGKILL):
        try:
            os.killpg(pid, sig)
        except ProcessLookupError:
            break
        end = time.time() + 10
        while alive(pid) and time.time() < end:
            time.sleep(0.05)
        if not alive(pid):
            break
    os.unlink(pid_file)


def readable_by(path, uid, gid):
    """Whether the account can enter and list path (each folder above must let it through)."""
    return subprocess.run(["test", "-r", path, "-a", "-x", path], user=uid, group=gid, extra_groups=[]).returncode == 0


def start(daemon, pasta, unpacked):
    os.makedirs(pasta, exist_ok=True)
    stop(pasta)
    raiz = os.path.join(pasta, "raiz")
    if os.path.islink(raiz):
        os.unlink(raiz)
    shutil.rmtree(raiz, ignore_errors=True)
    os.makedirs(raiz)
    os.chmod(raiz, 0o755)
    if os.geteuid() != 0:
        raise RuntimeError("the FTP daemons need root (to log in an account and lock it in its folder)")
    if daemon in UNPACKED and not os.path.exists(os.path.join(unpacked, UNPACKED[daemon])):
        subprocess.run([os.path.join(REPO, "scripts", "lib", "fetch-ftpd.sh"), unpacked], check=True)
    error = ensure_account()
    if error:
        raise RuntimeError(error)
    account = pwd.getpwnam(USER).pw_uid, pwd.getpwnam(USER).pw_gid
    if not readable_by(raiz, *account):
        # A folder above it keeps others out (a build under /root, a home folder of mode 700):
        # the daemon serves a folder under /tmp instead, and PASTA/raiz leads there, so whoever
        # writes into PASTA/raiz still writes what the daemon serves.
        os.rmdir(raiz)
        served = tempfile.mkdtemp(prefix="vorlane-ftpd-", dir="/tmp")
        os.chmod(served, 0o755)
        write(os.path.join(pasta, "servida"), served, 0o644)
        os.symlink(served, raiz)
        raiz = served
        if not readable_by(raiz, *account):
            raise RuntimeError("the account %s cannot read %s" % (USER, raiz))

    env = dict(os.environ, TZ="UTC", LC_ALL="C")
    out_path = os.path.join(pasta, "daemon.out")
    log_path = os.path.join(pasta, "daemon.log")
    for attempt in range(5):
        # The port is free when asked; another program may take it before the daemon binds
        # it, and then the daemon ends and another port is tried.
        port = free_port()
        argv = COMMANDS[daemon](raiz, port, pasta, unpacked, account)
        if os.path.exists(log_path):
            os.unlink(log_path)
        with open(out_path, "ab") as out:
            proc = subprocess.Popen(["timeout", LIFETIME] + argv, stdin=subprocess.DEVNULL, stdout=out, stderr=out,
                                    env=env, start_new_session=True, cwd=pasta)
        write(os.path.join(pasta, "pid"), str(proc.pid), 0o644)
        end = time.time() + GREETING_S
        line = None
        while line is None and proc.poll() is None and time.time() < end:
            line = greeting(port)
            if line is None:
                time.sleep(0.1)
        if line is not None and line.startswith("220"):
            tmp = os.path.join(pasta, "porta.tmp")
            write(tmp, str(port), 0o644)
            os.replace(tmp, os.path.join(pasta, "porta"))
            print("%s: 127.0.0.1:%d  %s" % (daemon, port, line))
            return 0
        ended = proc.poll() is not None
        stop(pasta)
        if line is not None:
            raise RuntimeError("%s greeted with %r instead of 220" % (daemon, line))
        if not ended:
            raise RuntimeError("%s did not greet within %d s (see %s)" % (daemon, GREETING_S, out_path))
    raise RuntimeError("%s ended at every start (see %s):\n%s" % (daemon, out_path, tail(out_path)))


def tail(path, lines=10):
    try:
        with open(path, errors="replace") as f:
            return "".join(f.readlines()[-lines:])
    except OSError:
        return ""


def main(argv):
    args = argv[1:]
    unpacked = os.path.join(REPO, "build", "ftpd")
    if "--unpacked" in args:
        i = args.index("--unpacked")
        unpacked = os.path.abspath(args[i + 1])
        del args[i:i + 2]
    try:
        if len(args) == 3 and args[0] == "start" and args[1] in DAEMONS:
            return start(args[1], os.path.abspath(args[2]), unpacked)
        if len(args) == 2 and args[0] == "stop":
            stop(os.path.abspath(args[1]))
            return 0
    except (RuntimeError, subprocess.CalledProcessError) as e:
        sys.stderr.write("daemon_ftp: %s\n" % e)
        return 1
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
