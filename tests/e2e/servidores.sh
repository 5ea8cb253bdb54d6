#!/usr/bin/env bash
# ctest fixture of the end-to-end tests.
#
#   servidores.sh start <pasta> <servidor_ftp.py>
#   servidores.sh stop <pasta>
#
# start runs two company FTP servers (tools/demo/servidor_ftp.py) on loopback:
#   <pasta>/principal/raiz  empty; each test puts its company tree there through Wine's Z: drive;
#   <pasta>/nomes/raiz      holds, besides what the test puts there, names that only the Linux
#                           server can hold (backslashes, a drive colon, a device name, a
#                           trailing dot): no Windows program can create them.
# Each server's port is in <pasta>/<servidor>/porta. It also builds, with Info-ZIP zip, the
# schema archive <pasta>/modelos/SCHEMAS.ZIP from the files under <pasta>/modelos/schemas.
set -euo pipefail
mkdir -p "$2"
dir=$(cd "$2" && pwd)

stop_all() {
  local pidfile
  for pidfile in "$dir"/*/pid; do
    [ -f "$pidfile" ] || continue
    kill "$(cat "$pidfile")" 2>/dev/null || true
    rm -f "$pidfile"
  done
}

start_one() {
  local name=$1 script=$2
  mkdir -p "$dir/$name/raiz"
  rm -f "$dir/$name/porta"
  setsid /usr/bin/python3 "$script" --root "$dir/$name/raiz" --port 0 --port-file "$dir/$name/porta" \
    >"$dir/$name/servidor.log" 2>&1 </dev/null &
  echo $! >"$dir/$name/pid"
  for _ in $(seq 600); do
    [ -s "$dir/$name/porta" ] && return 0
    sleep 0.1
  done
  echo "the FTP server $name did not start" >&2
  return 1
}

make_schemas() {
  local src=$dir/modelos/schemas
  rm -rf "$dir/modelos"
  mkdir -p "$src/xsd/sub" "$src/v1" "$src/v2"
  printf '<xs:schema nome="a"/>\r\n' >"$src/xsd/a.xsd"
  printf '<xs:schema nome="b"/>\r\n' >"$src/xsd/sub/b.xsd"
  printf '<xs:schema nome="c"/>\r\n' >"$src/c.xsd"
  printf 'comum, primeira versão\r\n' >"$src/v1/comum.xsd"
  printf 'comum, segunda versão\r\n' >"$src/v2/comum.xsd"
  # An even second: the archive's DOS time holds it exactly.
  find "$src" -exec touch -d '2023-06-15 10:20:30' {} +
  # Folder entries and paths as a user's zip makes them; the two comum.xsd in this order.
  (cd "$src" && zip -q -X "$dir/modelos/SCHEMAS.ZIP" \
    xsd/ xsd/a.xsd xsd/sub/ xsd/sub/b.xsd c.xsd v1/comum.xsd v2/comum.xsd)
}

case $1 in
  start)
    stop_all
    make_schemas
    rm -rf "$dir/principal/raiz" "$dir/nomes/raiz"
    mkdir -p "$dir/nomes/raiz"
    for n in '..\evil.DLL' 'a\b.DLL' '..\..\fora.JPG' 'C:evil.DLL' 'NUL.DLL' 'Y.DLL.' \
             'b?.DLL' 'x|y.DLL' 'r<s>.DLL' 'aspas".DLL' 'w*.DLL' 'CONOUT$.DLL'; do
      printf 'fora da pasta: %s\r\n' "$n" >"$dir/nomes/raiz/$n"
    done
    start_one principal "$3"
    start_one nomes "$3"
    ;;
  stop)
    stop_all
    ;;
  *)
    echo "usage: $0 start|stop <folder> [server script]" >&2
    exit 2
    ;;
esac
