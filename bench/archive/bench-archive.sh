#!/usr/bin/env bash
# Packs a real documentation tree with pagolux-zlb, zip and tar|pigz, interleaved in one run,
# and prints times, sizes and ratios; then measures pagolux-zlb verify on a ~100 MB archive.
#
#   bench/archive/bench-archive.sh [PAGOLUX_ZLB] [ROUNDS]
#
# PAGOLUX_ZLB defaults to build/bin/pagolux-zlb, ROUNDS to 5. The tree is Debian's
# python3.11-doc HTML, copied with symlinks resolved. Each round runs the three packers, and a
# one-thread pagolux-zlb run that shows how much parallelism the machine allowed at that moment,
# in a rotated order, so that load changes on a shared machine hit all of them alike; the
# figures are medians over the rounds.
set -euo pipefail

here="$(cd "$(dirname "$0")/../.." && pwd)"
zlb="${1:-$here/build/bin/pagolux-zlb}"
rounds="${2:-5}"
source_tree=/usr/share/doc/python3.11/html

for tool in "$zlb" zip pigz tar /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done
[ -d "$source_tree" ] || { echo "missing: $source_tree (package python3.11-doc)" >&2; exit 1; }

work="$(mktemp -d "${TMPDIR:-/tmp}/pagolux-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
cp -rL "$source_tree" "$work/tree"
files=$(find "$work/tree" -type f | wc -l)
bytes=$(du -sb "$work/tree" | cut -f1)
echo "tree: $files files, $bytes bytes ($(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg))"

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }

run_zlb()  { rm -f "$work/out.zlb"; "$zlb" create "$work/out.zlb" "$work/tree" >/dev/null; }
run_zlb1() { rm -f "$work/out1.zlb"; "$zlb" create --threads 1 "$work/out1.zlb" "$work/tree" >/dev/null; }
run_zip()  { rm -f "$work/out.zip"; (cd "$work" && zip -r -6 -q out.zip tree); }
run_pigz() { tar -cf - -C "$work" tree | pigz -6 -p 2 >"$work/out.tgz"; }

tools=(zlb zip pigz zlb1)
declare -A times cpus
for ((r = 0; r < rounds; r++)); do
  line="round $((r + 1)):"
  for ((k = 0; k < 4; k++)); do
    t=${tools[$(((r + k) % 4))]}
    sync
    # Wall time, and the CPU seconds (user + system, with child processes) of the same run.
    /usr/bin/time -f "%e %U %S" -o "$work/time" bash -c "$(declare -f "run_$t"); zlb='$zlb' work='$work' run_$t"
    read -r wall user sys <"$work/time"
    cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
    times[$t]+="$wall "
    cpus[$t]+="$cpu "
    line+=" $t ${wall}s (cpu ${cpu}s)"
  done
  echo "$line"
done

median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
zlb_t=$(echo "${times[zlb]}" | median)
zip_t=$(echo "${times[zip]}" | median)
pigz_t=$(echo "${times[pigz]}" | median)
zlb_c=$(echo "${cpus[zlb]}" | median)
zip_c=$(echo "${cpus[zip]}" | median)
pigz_c=$(echo "${cpus[pigz]}" | median)
zlb1_t=$(echo "${times[zlb1]}" | median)
zlb1_c=$(echo "${cpus[zlb1]}" | median)
zlb_s=$(stat -c %s "$work/out.zlb")
zip_s=$(stat -c %s "$work/out.zip")
pigz_s=$(stat -c %s "$work/out.tgz")

echo
printf "%-26s %9s %9s %12s\n" "packer (median)" "wall s" "cpu s" "bytes"
printf "%-26s %9s %9s %12s\n" "pagolux-zlb create" "$zlb_t" "$zlb_c" "$zlb_s"
printf "%-26s %9s %9s %12s\n" "zip -r -6 -q" "$zip_t" "$zip_c" "$zip_s"
printf "%-26s %9s %9s %12s\n" "tar | pigz -6 -p 2" "$pigz_t" "$pigz_c" "$pigz_s"
printf "%-26s %9s %9s %12s\n" "pagolux-zlb --threads 1" "$zlb1_t" "$zlb1_c" "$(stat -c %s "$work/out1.zlb")"
cmp -s "$work/out.zlb" "$work/out1.zlb" && echo "one-thread archive: identical" || echo "one-thread archive: DIFFERENT"
awk -v z="$zlb_t" -v p="$zip_t" -v g="$pigz_t" -v zs="$zlb_s" -v ps="$zip_s" -v zc="$zlb_c" -v pc="$zip_c" -v o="$zlb1_t" 'BEGIN {
  tr = z / p; sr = zs / ps
  printf "time  pagolux-zlb / zip  = %.3f  (target <= 0.55: %s)\n", tr, (tr <= 0.55 ? "met" : "NOT met")
  printf "time  pagolux-zlb / pigz = %.3f  (target < 1: %s)\n", z / g, (z < g ? "met" : "NOT met")
  printf "size  pagolux-zlb / zip  = %.4f (target within 2%%: %s)\n", sr, ((sr >= 0.98 && sr <= 1.02) ? "met" : "NOT met")
  printf "cpu   pagolux-zlb / zip  = %.3f  (work done, independent of how many cores were free)\n", zc / pc
  printf "wall  all threads / one  = %.3f  (how much of the second core this run could use)\n", z / o
}'

# Verify throughput on an archive of about 100 MB: the same tree plus incompressible media
# files (stored raw), as a site with pictures and videos would be.
mkdir -p "$work/media"
head -c $((88 * 1024 * 1024)) /dev/urandom | split -b $((4 * 1024 * 1024)) - "$work/media/clip-"
"$zlb" create "$work/big.zlb" "$work/tree" "$work/media" >/dev/null
big_s=$(stat -c %s "$work/big.zlb")
"$zlb" verify "$work/big.zlb" >/dev/null # warm the page cache
# A run takes well under a second, so more of them steady the median on a shared machine.
vt=""
for ((r = 0; r < rounds * 3; r++)); do
  start=$(now)
  "$zlb" verify "$work/big.zlb" >/dev/null
  vt+="$(elapsed "$start" "$(now)") "
done
v=$(echo "$vt" | median)
awk -v s="$big_s" -v t="$v" 'BEGIN {
  r = s / t / 1e9
  printf "verify %d bytes: %.3f s median = %.2f GB/s (target >= 1 GB/s: %s)\n", s, t, r, (r >= 1 ? "met" : "NOT met")
}'
start=$(now)
"$zlb" verify "$work/out.zlb" >/dev/null
t=$(elapsed "$start" "$(now)")
awk -v s="$zlb_s" -v t="$t" 'BEGIN { printf "verify of the tree archive alone (%d bytes, all deflated): %.3f s = %.2f GB/s\n", s, t, s / t / 1e9 }'
