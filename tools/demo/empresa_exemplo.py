#!/usr/bin/python3
"""Builds the FTP login folder of a sample company from the built Windows programs.

    empresa_exemplo.py PASTA --recorder recorder.exe --dll empresa_exemplo.dll
                       [--numero 7] [--tamanho-modulo BYTES] [--dlls N] [--tamanho-dll BYTES]
                       [--schemas N]

PASTA must be empty or not exist yet; nothing is written outside it. It gets:

- "Ostrel.exe", the launcher: a copy of recorder.exe, which notes how it was started;
- "Dll/Empresa<n>.dll", the company library (a copy of empresa_exemplo.dll);
- one program for every base and optional module ("<Modulo>.exe"): recorder.exe with a few
  bytes of its own appended, so every file is distinct, padded to --tamanho-modulo when given;
- shared libraries: "NFeUtil.DLL" and "Relatorios.dll" (--dlls N: N libraries in all, the
  others "Biblioteca<nn>.dll"), each padded to --tamanho-dll when given;
- the company logo "LOGO<n>.JPG" and two other pictures, "Fachada.JPG" and "Mapa.BMP", drawn
  by ImageMagick;
- "SCHEMAS.ZIP", made by Info-ZIP zip: a few small XSD files, most of them in a folder
  "schemas/" (--schemas N: N files in all);
- "LEIAME.txt", a text file that the installer has no use for.

Every file gets a plausible modification time, some of them this year and some older, all in
the past, so that what the installer downloads is always newer than nothing and older than
the copies it writes.
"""
import argparse
import hashlib
import os
import shutil
import subprocess
import sys
import time

BASE_MODULES = ["Ostrel", "Bevani", "Crovalia", "Dunmar_Ekt", "Fesgol", "Gavrun", "Hol_Vir", "Imbra_Tosk",
                "Tosk_Jelvar", "ZURN", "Tosk_Mirela_LX", "NopraFeltis"]
OPTIONAL_MODULES = ["Ruvao", "Selta", "Travicao", "Ulvar", "VKX"]
MODULES = BASE_MODULES + OPTIONAL_MODULES

SHARED_LIBRARIES = ["NFeUtil.DLL", "Relatorios.dll"]
PICTURES = {  # name: ImageMagick arguments that draw it
    "Fachada.JPG": ["-size", "320x200", "gradient:#9cc3e6-#f2f2f2", "-fill", "#7a5230",
                    "-draw", "rectangle 60,80 260,190", "-fill", "#3b6ea5", "-draw", "rectangle 90,110 130,150",
                    "-draw", "rectangle 190,110 230,150", "-fill", "#4a2e16", "-draw", "rectangle 145,130 175,190"],
    "Mapa.BMP": ["-size", "240x160", "xc:#e8f0d8", "-stroke", "#c04040", "-strokewidth", "4",
                 "-draw", "line 10,150 230,20", "-stroke", "#606060", "-strokewidth", "2",
                 "-draw", "line 0,80 240,80", "-draw", "line 120,0 120,160", "-fill", "#c04040", "-stroke", "none",
                 "-draw", "circle 150,62 158,62"],
}
SCHEMA_FILES = ["schemas/nfe_v4.00.xsd", "schemas/leiauteNFe_v4.00.xsd", "schemas/tiposBasico_v4.00.xsd",
                "schemas/consStatServ_v4.00.xsd", "xmldsig-core-schema_v1.01.xsd"]

DAY = 86400.0


class Problema(Exception):
    """A problem with the arguments or the tools, told to the user in Portuguese."""


def days_ago(days, hour=9):
    """A moment days days before today, at a plausible working hour, in local time."""
    t = time.localtime(time.time() - days * DAY)
    return time.mktime((t.tm_year, t.tm_mon, t.tm_mday, hour, 30, 0, 0, 0, -1))


def plausible_age(name):
    """Days back for a file: spread over the last two years, the same for the same name."""
    digest = hashlib.sha1(name.encode()).digest()
    return 2 + digest[0] * 700 // 255


def run(args, cwd=None):
    try:
        subprocess.run(args, cwd=cwd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    except FileNotFoundError:
        raise Problema(f"o programa {args[0]} não está instalado (scripts/setup o instala)")
    except subprocess.CalledProcessError as e:
        raise Problema(f"{args[0]} falhou: {e.stderr.decode(errors='replace').strip()}")


class Tree:
    """The folder being filled: every write goes through here and stays below root."""

    def __init__(self, root):
        self.root = os.path.abspath(root)
        self.made = []

    def path(self, relative):
        full = os.path.abspath(os.path.join(self.root, relative))
        if os.path.commonpath([full, self.root]) != self.root:
            raise Problema(f"caminho fora da pasta da empresa: {relative}")
        return full

    def write(self, relative, data, age_days):
        full = self.path(relative)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "wb") as f:
            f.write(data)
        self.date(relative, age_days)

    def date(self, relative, age_days):
        stamp = days_ago(age_days)
        os.utime(self.path(relative), (stamp, stamp))
        self.made.append(relative)


def read(path, what):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError as e:
        raise Problema(f"não foi possível ler {what} {path}: {e.strerror}")


def padded(program, tag, size):
    """program with tag appended (an overlay: the program still runs), filled up to size bytes."""
    data = program + b"\0VORLANE-EXEMPLO:" + tag.encode() + b"\0"
    if size > len(data):
        block = hashlib.sha256(tag.encode()).digest() * 2048
        filler = bytearray()
        while len(filler) < size - len(data):
            filler += block
        data += bytes(filler[: size - len(data)])
    return data


def schema_text(name):
    base = os.path.splitext(os.path.basename(name))[0]
    return (f'<?xml version="1.0" encoding="UTF-8"?>\n'
            f'<xs:schema xmlns:xs="http://www.w3.org/2001/XMLSchema" elementFormDefault="qualified">\n'
            f'  <!-- {base} -->\n'
            f'  <xs:element name="{base.split("_")[0]}" type="xs:string"/>\n'
            f'</xs:schema>\n').encode()


def schema_names(count):
    if count <= len(SCHEMA_FILES):
        return SCHEMA_FILES[:count]
    return SCHEMA_FILES + [f"schemas/parte{i:05d}_v4.00.xsd" for i in range(count - len(SCHEMA_FILES))]


def make_schemas(tree, count):
    """SCHEMAS.ZIP by Info-ZIP zip, from files staged in a scratch folder inside the tree."""
    stage = tree.path(".schemas-em-preparo")
    os.makedirs(stage)
    try:
        names = schema_names(count)
        for i, name in enumerate(names):
            full = os.path.join(stage, name)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "wb") as f:
                f.write(schema_text(name))
            stamp = days_ago(30 + i % 400)
            os.utime(full, (stamp, stamp))
        for folder in {os.path.dirname(n) for n in names} - {""}:
            stamp = days_ago(30)
            os.utime(os.path.join(stage, folder), (stamp, stamp))
        tops = sorted({n.split("/")[0] for n in names})
        # -D would drop the folder entries; the installer must skip them itself, so keep them.
        run(["zip", "-q", "-r", "-X", os.path.join("..", "SCHEMAS.ZIP")] + tops, cwd=stage)
    finally:
        shutil.rmtree(stage, ignore_errors=True)
    tree.date("SCHEMAS.ZIP", 45)


def make_picture(tree, name, arguments, age_days):
    # BMP3: the classic 24-bit bitmap that every Windows program reads.
    target = ("BMP3:" if name.upper().endswith(".BMP") else "") + tree.path(name)
    run(["convert"] + arguments + ["-type", "TrueColor", target])
    tree.date(name, age_days)


def build(root, recorder, library, number, module_size=0, libraries=len(SHARED_LIBRARIES), library_size=0,
          schemas=len(SCHEMA_FILES)):
    if os.path.exists(root) and (not os.path.isdir(root) or os.listdir(root)):
        raise Problema(f"a pasta {root} já existe e não está vazia; escolha uma pasta nova ou vazia")
    program = read(recorder, "o programa")
    dll = read(library, "a biblioteca")
    os.makedirs(root, exist_ok=True)
    tree = Tree(root)

    tree.write("Ostrel.exe", padded(program, "Ostrel", module_size) if module_size else program, 20)
    tree.write(f"Dll/Empresa{number}.dll", dll, 60)
    tree.date("Dll", 60)
    for module in MODULES[1:]:
        tree.write(f"{module}.exe", padded(program, module, module_size), plausible_age(module))

    names = list(SHARED_LIBRARIES[:libraries])
    names += [f"Biblioteca{i:02d}.dll" for i in range(1, libraries - len(names) + 1)]
    for name in names:
        tree.write(name, padded(dll, name, library_size), plausible_age(name))

    make_picture(tree, f"LOGO{number}.JPG",
                 ["-size", "240x90", "gradient:#1f3b73-#6fa8dc", "-fill", "#ffffff",
                  "-draw", "circle 45,45 45,15", "-fill", "#1f3b73", "-draw", "rectangle 33,33 57,57"], 10)
    for i, (name, arguments) in enumerate(PICTURES.items()):
        make_picture(tree, name, arguments, 100 + 300 * i)
    if schemas > 0:
        make_schemas(tree, schemas)
    tree.write("LEIAME.txt",
               "Pasta do servidor FTP da Empresa Exemplo (número {0}).\n"
               "O instalador do Vorlane busca aqui os programas, as bibliotecas e as imagens.\n".format(number)
               .encode(), 400)
    return tree


def main():
    p = argparse.ArgumentParser(description="Monta a pasta FTP de uma empresa de exemplo.")
    p.add_argument("pasta")
    p.add_argument("--recorder", required=True, help="recorder.exe compilado (tools/recorder)")
    p.add_argument("--dll", required=True, help="empresa_exemplo.dll compilada (tools/sample)")
    p.add_argument("--numero", type=int, default=7, help="número da empresa (7)")
    p.add_argument("--tamanho-modulo", type=int, default=0, help="tamanho de cada programa de módulo, em bytes")
    p.add_argument("--dlls", type=int, default=len(SHARED_LIBRARIES), help="quantas bibliotecas compartilhadas")
    p.add_argument("--tamanho-dll", type=int, default=0, help="tamanho de cada biblioteca compartilhada, em bytes")
    p.add_argument("--schemas", type=int, default=len(SCHEMA_FILES), help="quantos arquivos XSD no SCHEMAS.ZIP")
    a = p.parse_args()
    try:
        if a.numero < 0:
            raise Problema("o número da empresa deve ser zero ou positivo")
        if min(a.tamanho_modulo, a.dlls, a.tamanho_dll, a.schemas) < 0:
            raise Problema("tamanhos e quantidades não podem ser negativos")
        tree = build(a.pasta, a.recorder, a.dll, a.numero, a.tamanho_modulo, a.dlls, a.tamanho_dll, a.schemas)
    except Problema as e:
        print(f"empresa_exemplo: {e}", file=sys.stderr)
        return 2
    print(f"Empresa de exemplo {a.numero}: {len(tree.made)} itens em {tree.root}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
