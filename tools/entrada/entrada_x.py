#!/usr/bin/python3
"""Real pointer and keyboard input for the tests, through the X server (XTest, by xdotool).

  entrada_x.py start <pasta>    starts the input server for the X display in DISPLAY
  entrada_x.py stop <pasta>

The Windows programs under test run under Wine on that display; a test (a Windows program
too) reaches this server on loopback, port in <pasta>/porta, and sends one command per line.
Each command runs to its end before the reply "ok" (or "erro <why>") is written back:

  move X Y                  the pointer to screen point X,Y
  click X Y [BUTTON [N]]    moves there, then presses and releases BUTTON (1 left, 3 right,
                            4/5 wheel up/down) N times
  key KEY...                keys as xdotool names them: Return, Escape, ctrl+a, ctrl+c, Tab
  type TEXT                 types the UTF-8 text

Screen coordinates are Windows' own: Wine puts its screen at the X root window's origin.
Without a window manager the X keyboard focus follows the pointer (PointerRoot), so a test
moves the pointer over the window it types into.
"""
import os
import signal
import socket
import socketserver
import subprocess
import sys
import time

LIFETIME_S = 3 * 3600  # a server left behind by an interrupted run ends on its own


def xdotool(*args):
    r = subprocess.run(["xdotool", *args], capture_output=True, text=True, timeout=30)
    if r.returncode != 0:
        raise RuntimeError((r.stderr or r.stdout or "xdotool failed").strip())


def move(x, y):
    # --sync waits for the pointer to arrive, and for a pointer already there it waits for a
    # motion that never comes: move only when it is elsewhere.
    r = subprocess.run(["xdotool", "getmouselocation", "--shell"], capture_output=True, text=True, timeout=30)
    at = dict(l.split("=", 1) for l in r.stdout.split() if "=" in l)
    if at.get("X") == str(x) and at.get("Y") == str(y):
        return
    xdotool("mousemove", "--sync", str(x), str(y))


def run(line):
    verb, _, rest = line.partition(" ")
    a = rest.split()
    if verb == "move":
        move(a[0], a[1])
    elif verb == "click":
        button = a[2] if len(a) > 2 else "1"
        count = a[3] if len(a) > 3 else "1"
        move(a[0], a[1])
        xdotool("click", "--repeat", count, "--delay", "60", button)
    elif verb == "key":
        xdotool("key", "--delay", "30", *a)
    elif verb == "type":
        xdotool("type", "--delay", "20", "--", rest)
    else:
        raise ValueError("comando desconhecido: " + verb)


class Handler(socketserver.StreamRequestHandler):
    def handle(self):
        for raw in self.rfile:
            line = raw.decode("utf-8", "replace").rstrip("\r\n")
            if not line:
                continue
            started = time.monotonic()
            try:
                run(line)
                reply = "ok"
            except Exception as e:  # the test reads why
                reply = "erro " + str(e).replace("\n", " ")
            # The log says how long the X server took for each command.
            print("%.3f s  %s -> %s" % (time.monotonic() - started, line[:80], reply), flush=True)
            self.wfile.write((reply + "\n").encode())
            self.wfile.flush()


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def serve(folder):
    server = Server(("127.0.0.1", 0), Handler)
    signal.signal(signal.SIGTERM, lambda *_: os._exit(0))
    signal.signal(signal.SIGALRM, lambda *_: os._exit(0))
    signal.alarm(LIFETIME_S)
    tmp = os.path.join(folder, "porta.tmp")
    with open(tmp, "w") as f:
        f.write(str(server.server_address[1]))
    os.replace(tmp, os.path.join(folder, "porta"))
    server.serve_forever()


def start(folder):
    stop(folder)
    os.makedirs(folder, exist_ok=True)
    if not os.environ.get("DISPLAY"):
        sys.exit("entrada_x: DISPLAY is not set")
    try:
        os.remove(os.path.join(folder, "porta"))
    except FileNotFoundError:
        pass
    log = open(os.path.join(folder, "entrada.log"), "w")
    p = subprocess.Popen([sys.executable, __file__, "serve", folder], stdout=log, stderr=log,
                         stdin=subprocess.DEVNULL, start_new_session=True)
    with open(os.path.join(folder, "pid"), "w") as f:
        f.write(str(p.pid))
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline:
        if os.path.exists(os.path.join(folder, "porta")):
            return
        if p.poll() is not None:
            sys.exit("entrada_x: the server ended: see " + log.name)
        time.sleep(0.02)
    sys.exit("entrada_x: the server did not start")


def stop(folder):
    try:
        with open(os.path.join(folder, "pid")) as f:
            pid = int(f.read())
        os.kill(pid, signal.SIGTERM)
    except (FileNotFoundError, ValueError, ProcessLookupError):
        pass
    for name in ("pid", "porta"):
        try:
            os.remove(os.path.join(folder, name))
        except FileNotFoundError:
            pass


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in ("start", "stop", "serve"):
        sys.exit(__doc__)
    {"start": start, "stop": stop, "serve": serve}[sys.argv[1]](os.path.abspath(sys.argv[2]))
