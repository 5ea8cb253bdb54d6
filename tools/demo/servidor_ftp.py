#!/usr/bin/python3
"""The company's FTP server for the demo and the end-to-end tests: pyftpdlib on loopback,
serving one folder with the installer's fixed account.

    servidor_ftp.py --root PASTA [--port N] [--port-file ARQ] [--rate BYTES_POR_S] [--log ARQ]

Port 0 takes a free port; the port in use is written to --port-file and printed as
"Servidor FTP: 127.0.0.1:<porta>". The server stops on SIGTERM or SIGINT.

--log appends one line per session event, for benchmarks that time a client from the
server's side: "<unix time> <event> <detail>", events connect, login, sent (a completed
download, detail the file's path), incomplete, disconnect.
"""
import argparse
import logging
import os
import signal
import sys
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer

USER, PASSWORD = "ravelco", "pomelito"


def session_log(handler_class, path):
    """handler_class with its session events appended to path, one line each, flushed."""
    log = open(path, "a", buffering=1)

    class LoggingHandler(handler_class):
        def note(self, event, detail=""):
            log.write(f"{time.time():.6f} {event} {detail}\n")

        def on_connect(self):
            self.note("connect", f"{self.remote_ip}:{self.remote_port}")

        def on_login(self, username):
            self.note("login", username)

        def on_file_sent(self, file):
            self.note("sent", file)

        def on_incomplete_file_sent(self, file):
            self.note("incomplete", file)

        def on_disconnect(self):
            self.note("disconnect")

    return LoggingHandler


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--root", required=True)
    p.add_argument("--host", default="127.0.0.1")
    p.add_argument("--port", type=int, default=0)
    p.add_argument("--port-file")
    p.add_argument("--rate", type=int, default=0, help="limit downloads to this many bytes per second")
    p.add_argument("--log", help="append session events to this file")
    a = p.parse_args()

    authorizer = DummyAuthorizer()
    authorizer.add_user(USER, PASSWORD, os.path.abspath(a.root), perm="elr")
    handler = FTPHandler
    handler.authorizer = authorizer
    handler.banner = "Servidor da empresa pronto."
    handler.passive_ports = None
    if a.rate > 0:
        dtp = ThrottledDTPHandler
        dtp.read_limit = a.rate
        dtp.write_limit = a.rate
        handler.dtp_handler = dtp
    if a.log:
        handler = session_log(handler, a.log)
    logging.basicConfig(level=logging.WARNING)
    server = FTPServer((a.host, a.port), handler)
    port = server.socket.getsockname()[1]
    if a.port_file:
        with open(a.port_file + ".tmp", "w") as f:
            f.write(str(port))
        os.replace(a.port_file + ".tmp", a.port_file)
    print(f"Servidor FTP: {a.host}:{port}", flush=True)
    # Closing the sockets from inside the handler would leave the poll loop on a closed
    # descriptor; leaving the loop the way Ctrl+C does lets it close everything itself.
    def stop(*_):
        raise SystemExit(0)

    signal.signal(signal.SIGTERM, stop)
    try:
        server.serve_forever(handle_exit=True)
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
