#!/usr/bin/env bash
# ctest fixture: starts (start) or stops (stop) the FTP server that the wizard's Windows tests
# log in to. Its folder and port file live in the build folder; the tests fill the folder.
set -euo pipefail
dir=$2
mkdir -p "$dir/raiz"
case $1 in
  start)
    rm -f "$dir/porta"
    setsid /usr/bin/python3 "$3" --root "$dir/raiz" --port 0 --port-file "$dir/porta" --rate "${4:-0}" \
      >"$dir/servidor.log" 2>&1 < /dev/null &
    echo $! >"$dir/pid"
    for _ in $(seq 600); do [ -s "$dir/porta" ] && exit 0; sleep 0.1; done
    echo "the FTP server did not start" >&2
    exit 1
    ;;
  stop)
    [ -f "$dir/pid" ] && kill "$(cat "$dir/pid")" 2>/dev/null || true
    rm -f "$dir/pid"
    ;;
esac
