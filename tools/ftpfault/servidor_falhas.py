#!/usr/bin/python3
"""A company FTP server on loopback that misbehaves on purpose, one fault at a time, for the
tests that drive the installation run against it.

    servidor_falhas.py --root PASTA [--port N] [--port-file ARQ] [--log ARQ]
                       [--roteiro ARQ] [--falha NOME [--param CHAVE=VALOR]...]

It serves the company tree under --root to the installer's fixed account (ravelco/pomelito):
the login folder and its subfolders, passive data connections only (EPSV and PASV), binary
transfers. Names pass as bytes, never decoded, so a name on disk in UTF-8 reaches the client
in UTF-8.

The fault: --falha with its --param values holds for every session; with --roteiro the server
reads that file at the start of every session instead, so a test sets the fault of its next
run by rewriting one file. The file holds one line, "NOME CHAVE=VALOR ...", or nothing (no
fault). Every fault takes "id=TEXT", which marks its lines in the log, and "vezes=N", the
most times it fires while the file keeps the same text (default: every time its moment comes).

Faults (NOME, its parameters, what the server does):

  nenhuma                     behaves.
  sem_saudacao                accepts the connection and never sends its greeting.
  mudo_apos_user              answers nothing from USER on.
  mudo_apos_150 arquivo=A     RETR A: "150", then no byte and no reply; the data
                              connection stays open.
  corta_metade arquivo=A      RETR A: half the file, then the data connection is reset and
                              the reply is 426.
  curto_226 arquivo=A         RETR A: half the file, the data connection closed in order, and
                              226 as if it were all.
  recusa_425 arquivo=A        RETR A: 425 at once; the data connection is closed unused.
  aborta_426 arquivo=A        RETR A: "150", a quarter of the file, then 426 while the data
                              connection stays open.
  pasv_estranho [endereco=IP] EPSV refused with 500, PASV names another host (192.0.2.7).
  epsv_estranho [endereco=IP] EPSV names another host: "(|1|192.0.2.7|porta|)".
  epsv_recusado [codigo=425]  EPSV refused with that 4xx code; PASV works.
  multilinha_ruido            every final reply but 227 and 229 comes as several lines with
                              other text between them: lines without a code, an indented
                              copy of the code, another code, a second "NNN-" line.
  linha_longa [comando=CWD] [tamanho=102400]
                              the reply to that command is one line of that many bytes.
  queda_421 arquivo=A         RETR A: "421", then the control connection is closed.
  queda_apos_listagem [listagens=5]
                              once that many listings of the session have been sent, the
                              next command gets no reply: the control connection is closed.
  nomes_estranhos             both listings of the login folder start with names no Windows
                              file can take, all with "fora-da-pasta" in them (".." and "\\",
                              "/", ":", < > | ? * and a double quote, a trailing dot or space,
                              device names), and two libraries whose names are UTF-8 text.
                              The server serves them all on SIZE and RETR.
  listagem_iso                LIST dates as "2020-08-15 12:00".
  listagem_dos                LIST in the MS-DOS layout: "08-15-20  12:00PM  <DIR>  Dll".
  listagem_meses_pt           LIST month names in Portuguese: "ago 15  2020".
  listagem_grande [extras=50000]
                              both listings of the login folder start with that many more
                              names (empty files, listed only, never meant to be fetched).
  troca_apos_size arquivo=A   SIZE A is answered, then A is replaced on disk by a smaller
                              file before the client asks for it.
  cdup_recusado               CDUP refused with 550.

A file fault (arquivo=A) matches the name as the client sends it, ignoring ASCII case.

The log (--log) gets one line per event, flushed at once, so a test can wait for a line:

  <unix time> <id> s<session> <event> <detail>

events: conexao (a session starts, with its fault), comando (the line received; the password
hidden), resposta (the reply sent, cut at 200 characters), falha (the fault fires, with its
name and what it did), fim (the session ends). <id> is "-" when the fault has none.

Port 0 takes a free port; the port in use is written to --port-file (atomically) and printed
as "Servidor FTP: 127.0.0.1:<porta>". SIGTERM or SIGINT stops the server; it also stops on its
own after --vida seconds (three hours), so one left behind by an interrupted run goes away.
"""
import argparse
import asyncio
import calendar
import os
import shlex
import signal
import socket
import struct
import sys
import time

USER, PASSWORD = b"ravelco", b"pomelito"
MONTHS_EN = ["Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"]
MONTHS_PT = ["jan", "fev", "mar", "abr", "mai", "jun", "jul", "ago", "set", "out", "nov", "dez"]
FOREIGN_HOST = "192.0.2.7"  # TEST-NET-1: nobody answers there
DATA_WAIT_S = 30  # how long a transfer waits for the client's data connection
VIRTUAL_DATE = calendar.timegm((2020, 8, 15, 12, 0, 0))

FAULTS = {
    "nenhuma", "sem_saudacao", "mudo_apos_user", "mudo_apos_150", "corta_metade", "curto_226",
    "recusa_425", "aborta_426", "pasv_estranho", "epsv_estranho", "epsv_recusado",
    "multilinha_ruido", "linha_longa", "queda_421", "queda_apos_listagem", "nomes_estranhos",
    "listagem_iso", "listagem_dos", "listagem_meses_pt", "listagem_grande", "troca_apos_size",
    "cdup_recusado",
}
FILE_FAULTS = {"mudo_apos_150", "corta_metade", "curto_226", "recusa_425", "aborta_426", "queda_421",
               "troca_apos_size"}


def odd_names():
    """(name, bytes) of the names of nomes_estranhos, in listing order."""
    unsafe = [
        b"..\\fora-da-pasta.DLL", b"..\\..\\fora-da-pasta.JPG", b"sub/fora-da-pasta.DLL",
        b"/tmp/fora-da-pasta.DLL", b"C:fora-da-pasta.DLL", b"C:\\fora-da-pasta.DLL",
        b"fora-da-pasta.DLL:fluxo", b"fora<da>pasta.DLL", b"fora|da|pasta.DLL", b"fora-da-pasta?.DLL",
        b"fora-da-pasta*.DLL", b"fora\"da\"pasta.DLL", b"fora-da-pasta.DLL.", b"fora-da-pasta.DLL ",
        b"NUL.DLL", b"nul.dll", b"CON.DLL", b"COM1.DLL", b"LPT1.JPG", b"AUX.DLL", b"PRN",
        b"CONOUT$.DLL",
    ]
    names = [(n, b"fora da pasta: " + n + b"\r\n") for n in unsafe]
    for text in ("Relatório.DLL", "ÁREA.DLL"):
        n = text.encode("utf-8")
        names.append((n, b"biblioteca de nome UTF-8: " + n + b"\r\n"))
    return names


class Fault:
    def __init__(self, name="nenhuma", params=None):
        self.name = name
        self.params = params or {}
        self.id = self.params.get("id", "-")

    @staticmethod
    def parse(text):
        words = shlex.split(text.strip()) if text.strip() else []
        if not words:
            return Fault()
        params = {}
        for w in words[1:]:
            key, _, value = w.partition("=")
            params[key] = value
        if words[0] not in FAULTS:
            raise ValueError("falha desconhecida: %s" % words[0])
        return Fault(words[0], params)

    def get(self, key, default=None):
        return self.params.get(key, default)

    def on_file(self, name):
        """Whether this is a file fault aimed at the name the client sent."""
        target = self.get("arquivo")
        return self.name in FILE_FAULTS and target is not None and \
            name.lower() == os.fsencode(target).lower()


class Server:
    def __init__(self, args):
        self.root = os.fsencode(os.path.abspath(args.root))
        self.log_file = open(args.log, "a", buffering=1, encoding="utf-8", errors="backslashreplace") if args.log else None
        self.script = args.roteiro
        self.fixed = Fault(args.falha, dict(p.split("=", 1) for p in args.param)) if args.falha else Fault()
        self.sessions = 0
        self.armed_text = None
        self.fired = {}

    def log(self, fault, session, event, detail=""):
        if not self.log_file:
            return
        self.log_file.write("%.6f %s s%d %s %s\n" % (time.time(), fault.id, session, event, detail))

    def current_fault(self):
        if not self.script:
            return self.fixed
        try:
            with open(self.script, encoding="utf-8") as f:
                text = f.read()
        except FileNotFoundError:
            text = ""
        if text != self.armed_text:
            self.armed_text = text
            self.fired = {}
        try:
            return Fault.parse(text)
        except ValueError as e:
            sys.stderr.write("%s\n" % e)
            return Fault()

    def may_fire(self, fault):
        """Counts a firing; False once the fault has fired vezes times."""
        limit = fault.get("vezes")
        count = self.fired.get(fault.name, 0)
        if limit is not None and count >= int(limit):
            return False
        self.fired[fault.name] = count + 1
        return True

    async def handle(self, reader, writer):
        self.sessions += 1
        session = Session(self, self.sessions, self.current_fault(), reader, writer)
        try:
            await session.run()
        except (ConnectionError, asyncio.IncompleteReadError):
            pass
        except Exception as e:  # a fault of this server: in its log, not hidden
            session.log("erro", repr(e))
            sys.stderr.write("sessão %d: %r\n" % (session.number, e))
        finally:
            session.finish()


class Session:
    def __init__(self, server, number, fault, reader, writer):
        self.server, self.number, self.fault = server, number, fault
        self.reader, self.writer = reader, writer
        self.user = None
        self.logged_in = False
        self.cwd = []  # folder names below the root, as bytes
        self.listener = None  # the passive listener of the next transfer
        self.accepted = None  # future of (reader, writer) of its data connection
        self.listings = 0
        self.mute = False
        self.held = []  # data connections a fault leaves open

    # --- the log and the fault

    def log(self, event, detail=""):
        self.server.log(self.fault, self.number, event, detail)

    def fires(self, name, detail=""):
        if self.fault.name != name or not self.server.may_fire(self.fault):
            return False
        self.log("falha", ("%s %s" % (name, detail)).strip())
        return True

    # --- the control connection

    async def send(self, line):
        """Sends one reply (its lines joined by CR LF), rewritten by multilinha_ruido."""
        if self.fault.name == "multilinha_ruido" and "\r\n" not in line and not line.startswith(("1", "227", "229")):
            code, text = line[:3], line[4:]
            if self.fires("multilinha_ruido", code):
                line = ("%s-Reply in several lines\r\n"
                        "a line without a code\r\n"
                        " %s indented, not the end\r\n"
                        "999 another code in between\r\n"
                        "%s-not over yet\r\n"
                        "%s %s") % (code, code, code, code, text)
        self.log("resposta", line[:200].replace("\r\n", " | "))
        self.writer.write(line.encode("utf-8", "surrogateescape") + b"\r\n")
        await self.writer.drain()

    async def run(self):
        peer = self.writer.get_extra_info("peername")
        self.log("conexao", "%s:%s %s %s" % (peer[0], peer[1], self.fault.name,
                                             " ".join("%s=%s" % kv for kv in self.fault.params.items())))
        if self.fires("sem_saudacao"):
            await self.reader.read()  # until the client gives up
            return
        await self.send("220 Company server ready.")
        while True:
            raw = await self.reader.readline()
            if not raw:
                return
            line = raw.rstrip(b"\r\n")
            verb, _, arg = line.partition(b" ")
            verb = verb.upper().decode("ascii", "replace")
            self.log("comando", "PASS ******" if verb == "PASS" else line.decode("utf-8", "backslashreplace"))
            if self.mute:
                continue
            if self.fault.name == "queda_apos_listagem" and self.listings >= int(self.fault.get("listagens", "5")):
                if self.fires("queda_apos_listagem", "conexão fechada sem resposta a %s" % verb):
                    return
            if self.fault.name == "linha_longa" and verb == self.fault.get("comando", "CWD").upper():
                size = int(self.fault.get("tamanho", "102400"))
                if self.fires("linha_longa", "%s: uma linha de %d bytes" % (verb, size)):
                    await self.send("250 " + "x" * size)
                    continue
            handler = getattr(self, "ftp_" + verb, None)
            if handler is None:
                await self.send("502 Command not implemented.")
            elif not self.logged_in and verb not in ("USER", "PASS", "QUIT", "SYST", "FEAT", "NOOP"):
                await self.send("530 Please login with USER and PASS.")
            elif await handler(arg) == "fim":
                return

    def finish(self):
        self.log("fim")
        self.close_data()
        for r, w in self.held:
            w.close()
        self.writer.close()

    # --- paths

    def folder(self, parts=None):
        return os.path.join(self.server.root, *(parts if parts is not None else self.cwd)) if (parts or self.cwd) \
            else self.server.root

    def virtual_names(self):
        """(name, bytes, mtime) of the names the fault adds to the login folder's listings."""
        if self.cwd:
            return []
        if self.fault.name == "nomes_estranhos":
            return [(n, data, VIRTUAL_DATE) for n, data in odd_names()]
        if self.fault.name == "listagem_grande":
            count = int(self.fault.get("extras", "50000"))
            return [(b"extra-%05d.dat" % i, b"", VIRTUAL_DATE) for i in range(1, count + 1)]
        return []

    def entries(self):
        """(name, is_folder, size, mtime) of the current folder: the added names first, then the
        folder's own entries in name order."""
        out = [(n, False, len(data), when) for n, data, when in self.virtual_names()]
        with os.scandir(self.folder()) as it:
            real = sorted(it, key=lambda e: e.name)
        for e in real:
            st = e.stat()
            out.append((e.name, e.is_dir(), st.st_size, int(st.st_mtime)))
        return out

    def file(self, name):
        """(bytes path or None, virtual bytes or None) of a file name of the current folder."""
        for n, data, _ in self.virtual_names():
            if n == name:
                return None, data
        if not name or name in (b".", b"..") or b"/" in name or b"\0" in name:
            return None, None
        path = os.path.join(self.folder(), name)
        return (path, None) if os.path.isfile(path) else (None, None)

    # --- listings

    def listing_line(self, name, is_folder, size, mtime):
        t = time.gmtime(mtime)
        kind = self.fault.name
        if kind == "listagem_dos":
            hour = t.tm_hour % 12 or 12
            stamp = "%02d-%02d-%02d  %02d:%02d%s" % (t.tm_mon, t.tm_mday, t.tm_year % 100, hour, t.tm_min,
                                                    "PM" if t.tm_hour >= 12 else "AM")
            middle = "%-14s" % "<DIR>" if is_folder else "%14d" % size
            return stamp.encode() + b"       " + middle.encode() + b" " + name
        mode = b"drwxr-xr-x" if is_folder else b"-rw-r--r--"
        if kind == "listagem_iso":
            stamp = time.strftime("%Y-%m-%d %H:%M", t)
        else:
            months = MONTHS_PT if kind == "listagem_meses_pt" else MONTHS_EN
            recent = abs(time.time() - mtime) < 180 * 86400
            stamp = "%s %2d %s" % (months[t.tm_mon - 1], t.tm_mday,
                                   "%02d:%02d" % (t.tm_hour, t.tm_min) if recent else " %d" % t.tm_year)
        return b"%s   1 ravelco  ravelco  %10d %s %s" % (mode, size, stamp.encode(), name)

    async def ftp_LIST(self, arg):
        items = self.entries()
        if self.fault.name in ("listagem_iso", "listagem_dos", "listagem_meses_pt"):
            self.fires(self.fault.name, "%d linhas" % len(items))
        elif self.fault.name in ("nomes_estranhos", "listagem_grande") and not self.cwd:
            self.fires(self.fault.name, "LIST")
        data = b"".join(self.listing_line(*item) + b"\r\n" for item in items)
        if await self.transfer(data, "file list"):
            self.listings += 1

    async def ftp_NLST(self, arg):
        data = b"".join(name + b"\r\n" for name, is_folder, _, _ in self.entries())
        if await self.transfer(data, "file list"):
            self.listings += 1

    # --- data connections

    def close_data(self):
        if self.listener:
            self.listener.close()
            self.listener = None
        if self.accepted and self.accepted.done() and not self.accepted.cancelled() and self.accepted.exception() is None:
            self.accepted.result()[1].close()
        self.accepted = None

    async def open_passive(self):
        self.close_data()
        loop = asyncio.get_running_loop()
        accepted = loop.create_future()

        def on_connect(reader, writer):
            if accepted.done():
                writer.close()
            else:
                accepted.set_result((reader, writer))

        host = self.writer.get_extra_info("sockname")[0]
        self.listener = await asyncio.start_server(on_connect, host, 0)
        self.accepted = accepted
        return self.listener.sockets[0].getsockname()[1]

    async def ftp_EPSV(self, arg):
        if self.fires("pasv_estranho", "EPSV recusado para obrigar ao PASV"):
            await self.send("500 EPSV not understood.")
            return
        if self.fault.name == "epsv_recusado" and self.fires("epsv_recusado", "EPSV"):
            await self.send("%s Extended passive mode not available now." % self.fault.get("codigo", "425"))
            return
        port = await self.open_passive()
        host = self.fault.get("endereco", FOREIGN_HOST)
        if self.fires("epsv_estranho", "EPSV com o endereço %s" % host):
            await self.send("229 Entering Extended Passive Mode (|1|%s|%d|)." % (host, port))
        else:
            await self.send("229 Entering Extended Passive Mode (|||%d|)." % port)

    async def ftp_PASV(self, arg):
        port = await self.open_passive()
        host = self.writer.get_extra_info("sockname")[0]
        if self.fault.name == "pasv_estranho":
            named = self.fault.get("endereco", FOREIGN_HOST)
            if self.fires("pasv_estranho", "PASV com o endereço %s" % named):
                host = named
        await self.send("227 Entering Passive Mode (%s,%d,%d)." % (host.replace(".", ","), port // 256, port % 256))

    async def data_connection(self):
        """The client's data connection for the transfer now asked for, or None after a 425."""
        if not self.accepted:
            await self.send("425 Use PASV or EPSV first.")
            return None
        try:
            conn = await asyncio.wait_for(asyncio.shield(self.accepted), DATA_WAIT_S)
        except asyncio.TimeoutError:
            self.close_data()
            await self.send("425 Failed to establish connection.")
            return None
        self.listener.close()
        self.listener, self.accepted = None, None
        return conn

    async def transfer(self, data, what):
        """Sends data over the data connection with 150 and 226; True when sent."""
        conn = await self.data_connection()
        if not conn:
            return False
        _, w = conn
        await self.send("150 Opening BINARY mode data connection for %s (%d bytes)." % (what, len(data)))
        try:
            w.write(data)
            await w.drain()
            w.close()
            await w.wait_closed()
        except OSError:
            await self.send("426 Connection closed; transfer aborted.")
            return False
        await self.send("226 Transfer complete.")
        return True

    # --- commands

    async def ftp_USER(self, arg):
        self.user = arg
        if self.fires("mudo_apos_user"):
            self.mute = True
            return
        await self.send("331 Please specify the password.")

    async def ftp_PASS(self, arg):
        if self.user == USER and arg == PASSWORD:
            self.logged_in = True
            await self.send("230 Login successful.")
        else:
            await self.send("530 Login incorrect.")

    async def ftp_QUIT(self, arg):
        await self.send("221 Goodbye.")
        return "fim"

    async def ftp_SYST(self, arg):
        await self.send("215 UNIX Type: L8")

    async def ftp_FEAT(self, arg):
        await self.send("211-Features:\r\n EPSV\r\n PASV\r\n SIZE\r\n211 End")

    async def ftp_NOOP(self, arg):
        await self.send("200 OK.")

    async def ftp_OPTS(self, arg):
        await self.send("200 OK.")

    async def ftp_TYPE(self, arg):
        if arg.upper() in (b"I", b"A", b"L 8"):
            await self.send("200 Switching to Binary mode.")
        else:
            await self.send("504 Bad TYPE command.")

    async def ftp_PWD(self, arg):
        await self.send('257 "/%s" is the current directory' % b"/".join(self.cwd).decode("utf-8", "surrogateescape"))

    async def ftp_CWD(self, arg):
        parts = list(self.cwd)
        for piece in arg.split(b"/"):
            if piece in (b"", b"."):
                if not piece and arg.startswith(b"/"):
                    parts = []
                continue
            if piece == b"..":
                parts = parts[:-1]
            else:
                parts.append(piece)
        if os.path.isdir(self.folder(parts)):
            self.cwd = parts
            await self.send("250 Directory successfully changed.")
        else:
            await self.send("550 Failed to change directory.")

    async def ftp_CDUP(self, arg):
        if self.fires("cdup_recusado"):
            await self.send("550 Failed to change to the parent directory.")
            return
        self.cwd = self.cwd[:-1]
        await self.send("250 Directory successfully changed.")

    async def ftp_SIZE(self, arg):
        path, virtual = self.file(arg)
        if virtual is not None:
            await self.send("213 %d" % len(virtual))
            return
        if path is None:
            await self.send("550 Could not get file size.")
            return
        size = os.path.getsize(path)
        await self.send("213 %d" % size)
        if self.fault.on_file(arg) and self.fires("troca_apos_size", "%s: %d bytes anunciados" % (os.fsdecode(arg), size)):
            # Replaced as an upload would replace it: a new, smaller file under the same name.
            smaller = b"substituto menor de " + arg + b"\r\n"
            temporary = path + b".troca"
            with open(temporary, "wb") as f:
                f.write(smaller)
            os.replace(temporary, path)
            self.log("falha", "troca_apos_size %s: agora %d bytes" % (os.fsdecode(arg), len(smaller)))

    async def ftp_RETR(self, arg):
        path, virtual = self.file(arg)
        if path is None and virtual is None:
            self.close_data()
            await self.send("550 Failed to open file.")
            return
        if virtual is not None:
            data = virtual
        else:
            with open(path, "rb") as f:
                data = f.read()
        name = os.fsdecode(arg)
        aimed = self.fault.on_file(arg)
        if aimed and self.fires("recusa_425", name):
            self.close_data()
            await self.send("425 Can't open data connection.")
            return
        if aimed and self.fires("queda_421", name):
            self.close_data()
            await self.send("421 Service not available, closing control connection.")
            return "fim"
        if not aimed or self.fault.name not in ("mudo_apos_150", "corta_metade", "curto_226", "aborta_426"):
            await self.transfer(data, name)
            return
        conn = await self.data_connection()
        if not conn:
            return
        _, w = conn
        await self.send("150 Opening BINARY mode data connection (%d bytes)." % len(data))
        if self.fires("mudo_apos_150", name):
            self.held.append(conn)
            self.mute = True
            return
        if self.fires("aborta_426", "%s: %d de %d bytes, conexão de dados aberta" % (name, len(data) // 4, len(data))):
            w.write(data[:len(data) // 4])
            await w.drain()
            self.held.append(conn)
            await self.send("426 Connection closed; transfer aborted.")
            return
        half = len(data) // 2
        w.write(data[:half])
        await w.drain()
        if self.fires("curto_226", "%s: %d de %d bytes" % (name, half, len(data))):
            w.close()
            await w.wait_closed()
            await self.send("226 Transfer complete.")
            return
        if self.fires("corta_metade", "%s: %d de %d bytes, depois RST" % (name, half, len(data))):
            # The bytes sent so far leave before the reset, which would otherwise drop them.
            await asyncio.sleep(0.2)
            sock = w.get_extra_info("socket")
            sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            w.transport.abort()
            await self.send("426 Failure writing network stream.")
            return
        # The fault has fired its times: the rest of the file, as usual.
        w.write(data[half:])
        await w.drain()
        w.close()
        await w.wait_closed()
        await self.send("226 Transfer complete.")


async def serve(args):
    server = Server(args)
    tcp = await asyncio.start_server(server.handle, args.host, args.port)
    port = tcp.sockets[0].getsockname()[1]
    if args.port_file:
        with open(args.port_file + ".tmp", "w") as f:
            f.write(str(port))
        os.replace(args.port_file + ".tmp", args.port_file)
    print("Servidor FTP: %s:%d" % (args.host, port), flush=True)
    stop = asyncio.get_running_loop().create_future()
    for sig in (signal.SIGTERM, signal.SIGINT):
        asyncio.get_running_loop().add_signal_handler(sig, lambda: stop.done() or stop.set_result(None))
    try:
        await asyncio.wait_for(stop, args.vida)
    except asyncio.TimeoutError:
        pass
    tcp.close()


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--root", required=True)
    p.add_argument("--host", default="127.0.0.1")
    p.add_argument("--port", type=int, default=0)
    p.add_argument("--port-file")
    p.add_argument("--log")
    p.add_argument("--roteiro", help="file with the fault of the next sessions")
    p.add_argument("--falha", choices=sorted(FAULTS), help="the fault of every session")
    p.add_argument("--param", action="append", default=[], help="CHAVE=VALOR of --falha")
    p.add_argument("--vida", type=float, default=3 * 3600, help="seconds before the server stops on its own")
    args = p.parse_args()
    asyncio.run(serve(args))
    return 0


if __name__ == "__main__":
    sys.exit(main())
