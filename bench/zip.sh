#!/usr/bin/env bash
# The unzipper (tools/zipbench, host build) against Info-ZIP unzip and bsdtar, in one run.
#
# Archives, made once with Info-ZIP zip and kept in build/bench-zip/:
#   many.zip   2,000 files, 200 MiB in all, in 20 folders: text, random and mixed content
#              (so both deflated and stored entries), four large entries of 15 to 30 MiB and
#              1,996 files of 512 bytes to 1 MiB;
#   one100.zip a single 100 MiB entry;  one1.zip a single 1 MiB entry (same kind of content);
#   many-<method>.zip  the same 2,000 files written by 7z with each method beyond deflate
#              (deflate64, bzip2, lzma, ppmd; 7z stores the files that do not shrink).
# Each side extracts each archive into a fresh folder, a few times, the sides taking turns so
# a busy moment of the machine hits them alike; the median time counts. The Info-ZIP archives
# are extracted by ours, unzip and bsdtar; each method's archive by ours and `7z e` (which,
# like ours, extracts flat). The first run of each
# side is checked file by file against the checksums taken when the content was made.
# Peak memory is the maximum resident set size (/usr/bin/time, else VmHWM polled in /proc).
# Last line (ratios above 1 mean faster than the peer):
#   zip-vs-unzip ratio=<unzip time / ours> vs-bsdtar=<bsdtar time / ours> peak_mib=<ours>
#     deflate64=<7z time / ours> bzip2=<...> lzma=<...> ppmd=<...>
# ZIP_BENCH_REPS sets the repetitions (default 3).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
reps=${ZIP_BENCH_REPS:-3}
py=/usr/bin/python3
cache="$root/build/bench-zip"
ours="$root/build/host/tools/zipbench/zipbench"

for tool in zip unzip bsdtar 7z sha256sum; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: run scripts/setup" >&2; exit 1; }
done

if [ ! -f build/host/build.ninja ]; then
  scripts/build host
else
  cmake --build build/host --target zipbench >/dev/null
fi

# The archives. The recipe's version is kept beside them: a new recipe remakes them.
recipe=3
methods=(deflate64 bzip2 lzma ppmd)
if [ "$(cat "$cache/recipe" 2>/dev/null)" != "$recipe" ]; then
  echo "making the archives in $cache (once)..." >&2
  rm -rf "$cache"
  mkdir -p "$cache"
  src="$cache/src"
  $py - "$src" <<'EOF'
# Deterministic content. Text is drawn from a vocabulary (deflates about 3:1), random bytes do
# not deflate (zip stores them), mixed files alternate 64 KiB blocks of both. Every base name
# is unique: the unzipper extracts flat. Writes <set>.sha256 with the checksums by base name.
import hashlib, math, os, random, sys
src = sys.argv[1]
rng = random.Random(20240611)
MiB = 1 << 20
words = ["".join(rng.choices("abcdefghijlmnoprstuvxz", k=rng.randint(2, 10))) for _ in range(3000)]
line = []
pool = bytearray()
while len(pool) < 8 * MiB:
    line = rng.choices(words, k=rng.randint(4, 14))
    pool += (" ".join(line) + ".\r\n").encode()
pool = bytes(pool)

def text(n):
    out = bytearray()
    while len(out) < n:
        at = rng.randrange(len(pool) - 65536)
        out += pool[at:at + rng.randint(4096, 65536)]
    return bytes(out[:n])

def content(kind, n):
    if kind == "txt":
        return text(n)
    if kind == "bin":
        return rng.randbytes(n)
    out = bytearray()
    while len(out) < n:
        out += text(65536) if (len(out) // 65536) % 2 == 0 else rng.randbytes(65536)
    return bytes(out[:n])

def write(folder, manifest, rel, kind, n):
    data = content(kind, n)
    path = os.path.join(folder, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    manifest.write("%s  %s\n" % (hashlib.sha256(data).hexdigest(), os.path.basename(rel)))

with open(os.path.join(os.path.dirname(src), "many.sha256"), "w") as m:
    folder = os.path.join(src, "many")
    large = [("txt", 30), ("bin", 25), ("dat", 20), ("txt", 15)]
    for i, (kind, mib) in enumerate(large):
        write(folder, m, "grandes/grande%d.%s" % (i + 1, kind), kind, mib * MiB)
    count = 2000 - len(large)
    budget = 200 * MiB - sum(mib for _, mib in large) * MiB
    raw = [math.exp(rng.uniform(math.log(512), math.log(MiB))) for _ in range(count)]
    sizes = [max(1, int(r * budget / sum(raw))) for r in raw]
    sizes[-1] += budget - sum(sizes)
    for i, n in enumerate(sizes):
        kind = rng.choices(["txt", "bin", "dat"], weights=[5, 3, 2])[0]
        write(folder, m, "pasta%02d/arquivo%04d.%s" % (i % 20, i, kind), kind, n)
for name, mib in (("one100", 100), ("one1", 1)):
    with open(os.path.join(os.path.dirname(src), name + ".sha256"), "w") as m:
        write(os.path.join(src, name), m, "unica/entrada.dat", "dat", mib * MiB)
EOF
  for set in many one100 one1; do
    (cd "$src/$set" && zip -q -r "$cache/$set.zip" .)
  done
  for m in "${methods[@]}"; do
    (cd "$src/many" && 7z a -tzip -mm="$m" "$cache/many-$m.zip" . >/dev/null)
    cp "$cache/many.sha256" "$cache/many-$m.sha256"
  done
  rm -rf "$src"
  echo "$recipe" >"$cache/recipe"
fi

work="$cache/out"
cleanup() { rm -rf "$work"; }
trap cleanup EXIT
rm -rf "$work"
mkdir -p "$work"

now() { date +%s.%N; }
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { printf "%.3f", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
maxof() { printf '%s\n' "$@" | sort -g | tail -1; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }

# Runs a command; sets `seconds` (wall clock) and `peak_kib` (maximum resident set size).
# Its output goes to $work/log; a failure stops the benchmark with that output.
measure() {
  local t0 t1 rc=0
  if [ -x /usr/bin/time ] && [ -z "${ZIP_BENCH_POLL:-}" ]; then
    t0=$(now)
    /usr/bin/time -f %M -o "$work/mem" "$@" >"$work/log" 2>&1 || rc=$?
    t1=$(now)
    peak_kib=$(tail -1 "$work/mem")
  else
    local pid key value rest
    peak_kib=0
    t0=$(now)
    "$@" >"$work/log" 2>&1 &
    pid=$!
    while kill -0 "$pid" 2>/dev/null; do
      while read -r key value rest; do
        [ "$key" = VmHWM: ] && peak_kib=$value
      done 2>/dev/null <"/proc/$pid/status" || true
      sleep 0.005
    done
    wait "$pid" || rc=$?
    t1=$(now)
  fi
  seconds=$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')
  if [ "$rc" != 0 ]; then
    echo "$* failed (exit $rc):" >&2
    cat "$work/log" >&2
    exit 1
  fi
}

# One extraction of an archive by a side into a fresh folder.
extract() {  # side, archive, folder
  mkdir -p "$3"
  case $1 in
    ours)   measure "$ours" "$2" "$3" ;;
    unzip)  measure unzip -o -q "$2" -d "$3" ;;
    bsdtar) measure bsdtar -xf "$2" -C "$3" ;;
    7z)     measure 7z e -y -bso0 -bsp0 -o"$3" "$2" ;;
  esac
}

# Every file of the set, found by base name anywhere under the folder, has its checksum, and
# the folder holds no other file.
check() {  # side, set, folder
  local want got
  want=$(wc -l <"$cache/$2.sha256")
  got=$(find "$3" -type f | wc -l)
  [ "$got" = "$want" ] || { echo "$1 left $got files of $2 (want $want)" >&2; exit 1; }
  (cd "$3" && find . -type f -printf '%f %p\n' | LC_ALL=C sort >"$work/paths")
  LC_ALL=C sort -k2 "$cache/$2.sha256" | LC_ALL=C join -1 2 -2 1 -o 1.1,2.2 - "$work/paths" \
    | sed 's/ /  /' >"$work/sums"
  got=$(wc -l <"$work/sums")
  [ "$got" = "$want" ] || { echo "$1 left $((want - got)) files of $2 missing" >&2; exit 1; }
  (cd "$3" && sha256sum --quiet -c -) <"$work/sums" >&2 || { echo "$1 extracted $2 wrongly" >&2; exit 1; }
}

sets=(many one100 one1)
for m in "${methods[@]}"; do sets+=("many-$m"); done
sides_of() { case $1 in many-*) echo ours 7z ;; *) echo ours unzip bsdtar ;; esac; }
declare -A times peaks
for set in "${sets[@]}"; do
  cat "$cache/$set.zip" >/dev/null  # the archive comes from the page cache for every side
done
for rep in $(seq "$reps"); do
  for set in "${sets[@]}"; do
    for side in $(sides_of "$set"); do
      out="$work/$side-$set-$rep"
      sync
      extract "$side" "$cache/$set.zip" "$out"
      times[$side.$set]+=" $seconds"
      peaks[$side.$set]+=" $peak_kib"
      [ "$rep" = 1 ] && check "$side" "$set" "$out"
      rm -rf "$out"
    done
  done
done

size_mib() { awk -v b="$(stat -c %s "$1")" 'BEGIN { printf "%.0f", b / 1048576 }'; }
echo "archives: many.zip $(size_mib "$cache/many.zip") MiB (2000 files, 200 MiB)," \
     "one100.zip $(size_mib "$cache/one100.zip") MiB (one 100 MiB entry), one1.zip (one 1 MiB entry); $reps runs, medians"
for set in "${sets[@]}"; do
  line="$set:"
  for side in $(sides_of "$set"); do
    # shellcheck disable=SC2086
    line+=" $side $(median ${times[$side.$set]})s peak $(mib "$(maxof ${peaks[$side.$set]})") MiB;"
  done
  echo "${line%;}"
done
# shellcheck disable=SC2086
{
  peak_many=$(maxof ${peaks[ours.many]})
  peak_one100=$(maxof ${peaks[ours.one100]})
  peak_one1=$(maxof ${peaks[ours.one1]})
  ours_t=$(median ${times[ours.many]})
  unzip_t=$(median ${times[unzip.many]})
  bsdtar_t=$(median ${times[bsdtar.many]})
}
echo "memory by entry size (ours): 1 MiB entry $(mib "$peak_one1") MiB, 100 MiB entry $(mib "$peak_one100") MiB," \
     "2000 entries up to 30 MiB $(mib "$peak_many") MiB"
by_method=""
for m in "${methods[@]}"; do
  # shellcheck disable=SC2086
  by_method+=" $m=$(ratio "$(median ${times[7z.many-$m]})" "$(median ${times[ours.many-$m]})")"
done
echo "zip-vs-unzip ratio=$(ratio "$unzip_t" "$ours_t") vs-bsdtar=$(ratio "$bsdtar_t" "$ours_t") peak_mib=$(mib "$peak_many")$by_method"
