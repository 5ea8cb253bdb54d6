#!/usr/bin/env bash
# Fetches the Debian source packages of the compression libraries the Windows builds link
# statically (Debian ships no mingw builds of them) and unpacks each into <folder>/<package>:
#   bzip2     libbz2, for BZip2 entries
#   xz-utils  liblzma, for LZMA entries
#   7zip      its C library's PPMd variant I decoder, for PPMd entries (every build)
# The versions are the ones this machine's apt offers, so they follow Debian's security
# updates. A deb-src entry for the same archive, suites and components as the configured
# binary one is added when none is configured. Idempotent: a package already unpacked at the
# offered version is left alone.
# Usage: fetch-sources.sh <folder>
set -euo pipefail
dest=${1:?folder}
mkdir -p "$dest"
dest=$(cd "$dest" && pwd)
packages=(bzip2 xz-utils 7zip)

sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo

have_sources() { apt-get indextargets --format '$(IDENTIFIER)' 2>/dev/null | grep -qx Sources; }

candidate() { apt-cache showsrc --only-source "$1" 2>/dev/null | awk '/^Version:/ { print $2 }' | sort -V | tail -1; }

current=true
for p in "${packages[@]}"; do
  [ -f "$dest/$p/.version" ] || current=false
done
# Nothing to do when every package is unpacked and apt knows no newer version.
if $current && have_sources; then
  for p in "${packages[@]}"; do
    [ "$(cat "$dest/$p/.version")" = "$(candidate "$p")" ] || current=false
  done
  $current && exit 0
fi

if ! have_sources; then
  # The Debian entries of the binary sources, as source entries with the same options
  # (Signed-By must match for apt to take them).
  shopt -s nullglob
  $sudo rm -f /etc/apt/sources.list.d/vorlane-deb-src.{list,sources}
  lists=(/etc/apt/sources.list.d/*.list)
  [ -f /etc/apt/sources.list ] && lists+=(/etc/apt/sources.list)
  deb822=(/etc/apt/sources.list.d/*.sources)
  awk '/^[ \t]*deb[ \t]/ && /debian/ { sub(/deb/, "deb-src"); print }' \
    /dev/null "${lists[@]}" |
    $sudo tee /etc/apt/sources.list.d/vorlane-deb-src.list >/dev/null
  awk 'BEGIN { RS = ""; ORS = "\n\n" }
       /(^|\n)Types:[^\n]*deb/ && /(^|\n)URIs:[^\n]*debian/ {
         sub(/(^|\n)Types:[^\n]*/, "\nTypes: deb-src"); sub(/^\n/, ""); print }' \
    /dev/null "${deb822[@]}" |
    $sudo tee /etc/apt/sources.list.d/vorlane-deb-src.sources >/dev/null
  $sudo apt-get update -qq >/dev/null
  have_sources || { echo "fetch-sources: no Debian source archive could be configured" >&2; exit 1; }
fi

for p in "${packages[@]}"; do
  version=$(candidate "$p")
  [ -n "$version" ] || { echo "fetch-sources: apt offers no source of $p" >&2; exit 1; }
  [ "$(cat "$dest/$p/.version" 2>/dev/null)" = "$version" ] && continue
  work=$(mktemp -d "$dest/.fetch.XXXXXX")
  (cd "$work" && apt-get source -qq "$p=$version" >/dev/null 2>"$work/log") || {
    cat "$work/log" >&2
    rm -rf "$work"
    echo "fetch-sources: apt-get source $p failed" >&2
    exit 1
  }
  unpacked=$(find "$work" -mindepth 1 -maxdepth 1 -type d | head -1)
  echo "$version" >"$unpacked/.version"
  rm -rf "${dest:?}/$p"
  mv "$unpacked" "$dest/$p"
  rm -rf "$work"
done
