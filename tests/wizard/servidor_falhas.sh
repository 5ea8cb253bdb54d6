#!/usr/bin/env bash
# ctest fixture: starts (start) or stops (stop) the fault-injecting FTP server that the table of
# server faults drives the installation run against.
#
#   servidor_falhas.sh start <pasta> <servidor_falhas.py>
#   servidor_falhas.sh stop <pasta>
#
# <pasta>/raiz is the login folder, which each case fills through Wine's Z: drive;
# <pasta>/roteiro names the fault of the next sessions (each case rewrites it);
# <pasta>/registro.log is the server's log, which the cases wait on;
# <pasta>/porta holds the port once the server listens, <pasta>/pid its process.
set -euo pipefail
dir=$2
mkdir -p "$dir/raiz"
case $1 in
  start)
    if [ -f "$dir/pid" ]; then kill "$(cat "$dir/pid")" 2>/dev/null || true; fi
    rm -f "$dir/porta" "$dir/pid" "$dir/registro.log"
    : >"$dir/roteiro"
    setsid /usr/bin/python3 "$3" --root "$dir/raiz" --port 0 --port-file "$dir/porta" \
      --roteiro "$dir/roteiro" --log "$dir/registro.log" >"$dir/servidor.log" 2>&1 </dev/null &
    pid=$!
    echo $pid >"$dir/pid"
    for _ in $(seq 600); do
      [ -s "$dir/porta" ] && exit 0
      kill -0 $pid 2>/dev/null || break
      sleep 0.1
    done
    echo "the fault-injecting FTP server did not start:" >&2
    cat "$dir/servidor.log" >&2
    exit 1
    ;;
  stop)
    if [ -f "$dir/pid" ]; then kill "$(cat "$dir/pid")" 2>/dev/null || true; fi
    rm -f "$dir/pid"
    ;;
  *)
    echo "usage: $0 start|stop <folder> [server script]" >&2
    exit 2
    ;;
esac
