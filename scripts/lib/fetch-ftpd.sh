#!/usr/bin/env bash
# Unpacks the FTP daemons that cannot be installed beside vsftpd into <folder>/<package>:
#   proftpd-core  ProFTPD (its libraries are installed by scripts/setup)
#   pure-ftpd     Pure-FTPd
# Debian's daemon packages conflict with each other (each provides ftp-server), so only vsftpd
# is installed; the other two are downloaded with apt-get download and unpacked with dpkg -x,
# and the tests run them from there (tools/ftpd/daemon_ftp.py). The versions are the ones
# this machine's apt offers. Idempotent: a package already unpacked at the offered version is
# left alone, and nothing is printed.
# Usage: fetch-ftpd.sh <folder>
set -euo pipefail
dest=${1:?folder}
mkdir -p "$dest"
dest=$(cd "$dest" && pwd)
packages=(proftpd-core pure-ftpd)

sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo

# The version apt offers of each package ("package version" lines), asked once.
offers() {
  apt-cache show --no-all-versions "${packages[@]}" 2>/dev/null |
    awk '/^Package:/ { p = $2 } /^Version:/ { print p, $2 }' || true
}
offered=$(offers)
# A machine whose package lists were never fetched offers nothing.
if [ -z "$offered" ] && [ ! -f "$dest/${packages[0]}/.version" ]; then
  $sudo apt-get update -qq >/dev/null
  offered=$(offers)
fi

for p in "${packages[@]}"; do
  version=$(awk -v p="$p" '$1 == p { print $2 }' <<<"$offered")
  have=$(cat "$dest/$p/.version" 2>/dev/null || true)
  if [ -z "$version" ]; then
    # apt knows no version (no package lists yet): what is unpacked serves.
    [ -n "$have" ] && continue
    echo "fetch-ftpd: apt offers no $p" >&2
    exit 1
  fi
  [ "$have" = "$version" ] && continue
  work=$(mktemp -d "$dest/.fetch.XXXXXX")
  # apt's download user must be able to write the folder, or apt warns on every download.
  [ "$(id -u)" -eq 0 ] && id _apt >/dev/null 2>&1 && chown _apt "$work"
  if ! (cd "$work" && apt-get download -qq "$p=$version" >"$work/log" 2>&1); then
    cat "$work/log" >&2
    rm -rf "$work"
    # A newer version that could not be fetched: the one unpacked still serves.
    [ -n "$have" ] && { echo "fetch-ftpd: keeping $p $have" >&2; continue; }
    echo "fetch-ftpd: apt-get download $p failed" >&2
    exit 1
  fi
  mkdir "$work/root"
  dpkg -x "$work"/*.deb "$work/root"
  echo "$version" >"$work/root/.version"
  rm -rf "${dest:?}/$p"
  mv "$work/root" "$dest/$p"
  rm -rf "$work"
done
