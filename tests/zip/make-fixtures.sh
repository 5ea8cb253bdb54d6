#!/usr/bin/env bash
# Makes the archives the unzipper tests read, with the real tools: Info-ZIP zip, 7z and
# Python's zipfile. Usage: make-fixtures.sh <output folder>. Both the host tests and the
# Windows tests under Wine read the same folder.
set -euo pipefail
out=${1:?output folder}
python=/usr/bin/python3
rm -rf "$out"
mkdir -p "$out/src"
cd "$out/src"

# Compressible text of about n kilobytes, different for each seed.
text() {
  local seed=$1 kb=$2 i
  for ((i = 0; i < kb * 16; i++)); do printf '%s linha %05d do arquivo de teste %s\n' "$seed" "$i" "$seed"; done
}
stamp() { touch -d "$2" "$1"; }

# Flat extraction: a file inside a folder and one at the top, with the folder's own entry.
mkdir xsd
text a 8 > xsd/a.xsd
text b 4 > b.xsd
stamp xsd/a.xsd '2019-07-08 09:10:12'
stamp b.xsd '2020-02-29 23:59:58'
zip -q -r ../flat.zip xsd b.xsd
# The same entries stored, so a test can damage the data and not the deflate stream.
zip -q -0 -r ../stored.zip xsd b.xsd

# Two entries with the same last component: the later one wins.
mkdir um dois
printf 'primeiro\n' > um/x.txt
printf 'segundo\n' > dois/x.txt
zip -q ../dup.zip um/x.txt dois/x.txt

# A read-only Unix file; its modification time is kept as the entry's DOS date-time.
text ro 1 > somente.txt
stamp somente.txt '2018-01-02 03:04:06'
chmod 444 somente.txt
zip -q ../readonly.zip somente.txt b.xsd
chmod 644 somente.txt
date -d '2018-01-02 03:04:06' +%s > ../somente.epoch

# Every method in one archive, with an encrypted entry and an empty file.
for n in ok1 d64 bz lz ppmd enc ok2 ok3; do text "$n" 6 > "$n.txt"; done
: > vazio.txt
zip -q ../mixed.zip ok1.txt
7z a -tzip -mm=Deflate64 ../mixed.zip d64.txt >/dev/null
7z a -tzip -mm=BZip2 ../mixed.zip bz.txt >/dev/null
7z a -tzip -mm=LZMA ../mixed.zip lz.txt >/dev/null
7z a -tzip -mm=PPMd ../mixed.zip ppmd.txt >/dev/null
zip -q -e -P x ../mixed.zip enc.txt
7z a -tzip -mm=Deflate ../mixed.zip ok2.txt >/dev/null
zip -q -0 ../mixed.zip ok3.txt vazio.txt

# Data descriptors: Info-ZIP reading a pipe, Python writing to a pipe.
text pipe 5 | zip -q - - | cat > ../descriptor.zip
"$python" - <<'PY' | cat > ../pydescriptor.zip
import sys, zipfile
with zipfile.ZipFile(sys.stdout.buffer, "w") as z:
    with z.open(zipfile.ZipInfo("fluxo1.txt", (2021, 3, 4, 5, 6, 8)), "w") as f:
        f.write(b"fluxo um\n" * 3000)
    info = zipfile.ZipInfo("fluxo2.txt", (2021, 3, 4, 5, 6, 8))
    info.compress_type = zipfile.ZIP_DEFLATED
    with z.open(info, "w") as f:
        f.write(b"fluxo dois\n" * 3000)
PY

# Zip64 end records and extra fields.
zip -q -fz ../zip64.zip xsd/a.xsd b.xsd

# Bytes in front of an archive whose offsets do not count them (a self-extractor stub).
head -c 3000 /dev/urandom > stub.bin
cat stub.bin ../flat.zip > ../sfx.zip

# DOS host entries: attributes and date-times, including a date-time that is no date.
"$python" - <<'PY'
import zipfile
def entry(z, name, attrs, when, data):
    i = zipfile.ZipInfo(name, when)
    i.create_system = 0
    i.external_attr = attrs
    i.compress_type = zipfile.ZIP_DEFLATED
    z.writestr(i, data)
with zipfile.ZipFile("../attrs.zip", "w") as z:
    entry(z, "leitura.txt", 0x21, (2021, 3, 4, 5, 6, 8), b"somente leitura\n")
    entry(z, "oculto.txt", 0x22, (2022, 12, 31, 23, 58, 30), b"oculto\n")
    entry(z, "normal.txt", 0x20, (1980, 1, 1, 0, 0, 0), b"normal\n")
    entry(z, "datainvalida.txt", 0x21, (2020, 13, 1, 0, 0, 0), b"data invalida\n")
    entry(z, "horainvalida.txt", 0x21, (2020, 1, 1, 25, 0, 0), b"hora invalida\n")
# The longest comment there is, holding the end record's signature to mislead a search.
with zipfile.ZipFile("../comment.zip", "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("comentado.txt", b"arquivo com comentario\n" * 50)
    fake = b"PK\x05\x06" + b"\x00" * 18
    z.comment = (b"c" * 30000 + fake + b"c" * 65535)[:65535 - 200] + fake + b"\x00" * 178
PY

# Names: traversal, absolute paths, drive and stream colons, device names, control
# characters and links (a Unix link entry written by Python and a real one by Info-ZIP).
"$python" - <<'PY'
import zipfile
names = [
    "../../fora.txt", "/absoluto/abs.txt", "C:\\Windows\\win.txt", "..\\..\\barra.txt",
    "pasta/..", "pasta/.", "C:unidade.txt", "fluxo.txt:oculto", "CON", "pasta/aux.txt", "nul",
    "COM1.log", "LPT9", "Con.txt", "ponto.", "espaco ", "ctl\x01.txt", "pergunta?.txt",
    "estrela*.txt", "CONIN$", "menor<.txt", "pasta/", "ok.txt",
]
with zipfile.ZipFile("../names.zip", "w", zipfile.ZIP_DEFLATED) as z:
    for n in names:
        z.writestr(zipfile.ZipInfo(n, (2021, 1, 1, 0, 0, 0)), ("conteudo de %s\n" % n).encode())
    link = zipfile.ZipInfo("ligacao.txt", (2021, 1, 1, 0, 0, 0))
    link.create_system = 3
    link.external_attr = 0o120777 << 16
    z.writestr(link, b"../../fora-da-pasta.txt")
    z.writestr(zipfile.ZipInfo("depois.txt", (2021, 1, 1, 0, 0, 0)), b"depois\n")
PY
ln -s ../../alvo.txt atalho
zip -q -y ../links.zip atalho b.xsd

# Non-ASCII names: UTF-8 flagged (Python) and raw UTF-8 from a Unix host (Info-ZIP).
"$python" - <<'PY'
import zipfile
with zipfile.ZipFile("../accents.zip", "w") as z:
    z.writestr("ação.txt", b"utf-8 marcado\n")
PY
printf 'utf-8 cru\n' > 'reunião.txt'
zip -q ../accents.zip 'reunião.txt'

# Every method beyond deflate as the real tools write it: 7z's Deflate64, BZip2, LZMA (with
# and without its end marker) and PPMd, and Info-ZIP's bzip2. Each archive holds the same
# files: text; a random block written twice, farther apart than deflate's 32 KiB window
# reaches, then a run of zeros (Deflate64's long distances and lengths); a read-only file.
# The originals stay in originais/ for the tests to compare with.
mkdir "$out/originais"
(
  cd "$out/originais"
  text metodo 24 > texto.xsd
  head -c 40000 /dev/urandom > bloco
  { cat bloco bloco; head -c 70000 /dev/zero; } > repetido.bin
  rm bloco
  text leitura 2 > leitura.txt
  stamp texto.xsd '2021-06-15 10:20:30'
  stamp leitura.txt '2017-05-06 07:08:10'
  chmod 444 leitura.txt
  files=(texto.xsd repetido.bin leitura.txt)
  for m in Deflate64 BZip2 LZMA LZMA:eos=off PPMd; do
    name=$(printf '%s' "$m" | tr 'A-Z:=' 'a-z--')
    7z a -tzip -mm="$m" "../metodo-$name.zip" "${files[@]}" >/dev/null
  done
  zip -q -Z bzip2 ../metodo-zip-bzip2.zip "${files[@]}"
  chmod 644 leitura.txt
)

# Zip bombs: 50 MB of zeros shrink to a few dozen kilobytes or less, far past 200 times the
# archive, with deflate (Info-ZIP) and with each of 7z's other methods.
printf 'pequeno\n' > pequeno.txt
head -c 50000000 /dev/zero > zeros.bin
printf 'depois\n' > depois.txt
zip -q ../bomb.zip pequeno.txt zeros.bin depois.txt
for m in Deflate64 BZip2 LZMA PPMd; do
  7z a -tzip -mm="$m" "../bomb-$(printf '%s' "$m" | tr 'A-Z' 'a-z').zip" pequeno.txt zeros.bin depois.txt >/dev/null
done
rm zeros.bin

cd ..
rm -rf src
