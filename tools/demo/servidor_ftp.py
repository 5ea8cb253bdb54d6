#!/usr/bin/python3
"""The company's FTP server for the demo and the end-to-end tests: pyftpdlib on loopback,
serving one folder with the installer's fixed account.

    servidor_ftp.py --root PASTA [--port N] [--port-file ARQ] [--rate BYTES_POR_S]

Port 0 takes a free port; the port in use is written to --port-file and printed as
"Servidor FTP: 127.0.0.1:<porta>". The server stops on SIGTERM or SIGINT.
"""
import argparse
import logging
import os
import signal
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer

USER, PASSWORD = "ravelco", "pomelito"


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--root", required=True)
    p.add_argument("--host", default="127.0.0.1")
    p.add_argument("--port", type=int, default=0)
    p.add_argument("--port-file")
    p.add_argument("--rate", type=int, default=0, help="limit downloads to this many bytes per second")
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
    logging.basicConfig(level=logging.WARNING)
    server = FTPServer((a.host, a.port), handler)
    port = server.socket.getsockname()[1]
    if a.port_file:
        with open(a.port_file + ".tmp", "w") as f:
            f.write(str(port))
        os.replace(a.port_file + ".tmp", a.port_file)
    print(f"Servidor FTP: {a.host}:{port}", flush=True)
    signal.signal(signal.SIGTERM, lambda *_: server.close_all())
    try:
        server.serve_forever(handle_exit=True)
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
