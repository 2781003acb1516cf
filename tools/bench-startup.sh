#!/usr/bin/env bash
# The start-up benchmark: from the process start until the main window is
# shown and answers, the real program against a bare window program of its
# shape (800 x 600, a six-column list view, a two-part status bar, the same
# manifest), both in the same Wine prefix, started in turns. Prints every
# start, the medians and their ratio, and the load before and after.
#
#   tools/bench-startup.sh [build-dir] [rounds]
# build-dir defaults to build/win64-release; rounds to 5.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/win64-release}"
rounds="${2:-5}"
case "$build" in
    build/win64-release) preset=win64-release ;;
    build/win64) preset=win64 ;;
    *) echo "$0: unknown build folder $build" >&2; exit 2 ;;
esac
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target fardelix bench_bare bench_startup >/dev/null

# The programs start in a folder of their own: the program reads and
# writes its settings file in the folder it starts in.
folder="$build/bench-startup"
rm -rf "$folder"
mkdir -p "$folder"
winpath() { echo "Z:$(realpath "$1" | tr '/' '\\')"; }
export FARDELIX_BENCH_DIR
FARDELIX_BENCH_DIR="$(winpath "$folder")"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
out="$(xvfb-run -a -s "-screen 0 1280x1024x24" tools/wine-run.sh "$build/bench_startup.exe" "$rounds" \
    "$(winpath "$build/fardelix.exe")|fardelixclass" "$(winpath "$build/bench_bare.exe")|fardelixbareclass" \
    2>/dev/null | tr -d '\r')"
echo "load after:  $(cut -d' ' -f1-3 /proc/loadavg)"
echo "$out" | grep '^start'
echo "$out" | awk '
    $1 == "median" && $2 ~ /fardelix\.exe$/ { program = $3 }
    $1 == "median" && $2 ~ /bench_bare\.exe$/ { bare = $3 }
    END {
        if (program == "" || bare == "") { print "no result"; exit 1 }
        printf "program %.1f ms, bare window %.1f ms (median of starts), ratio %.2f\n", program, bare, program / bare
    }'
# The two starts of a round run one after the other, so they share the
# machine's state of the moment; the median of the rounds' own ratios is
# less moved by a slow stretch than the ratio of the medians. Cut into runs
# of 5 rounds (the default), the same starts show how far apart the ratios
# of single short runs land on this machine.
paste <(echo "$out" | awk '$1 == "start" && $2 ~ /fardelix\.exe$/ { print $3 }') \
      <(echo "$out" | awk '$1 == "start" && $2 ~ /bench_bare\.exe$/ { print $3 }') |
    python3 -c '
import statistics, sys
rows = [[float(x) for x in line.split()] for line in sys.stdin if line.strip()]
program = [r[0] for r in rows]
bare = [r[1] for r in rows]
print("median of the rounds\x27 ratios %.2f (%d rounds)"
      % (statistics.median(p / b for p, b in zip(program, bare)), len(rows)))
runs = sorted(statistics.median(program[i:i + 5]) / statistics.median(bare[i:i + 5])
              for i in range(0, len(rows) - 4, 5))
if len(runs) >= 2:
    print("runs of 5 rounds: %d of %d at or under 1.00, their median ratio %.2f (from %.2f to %.2f)"
          % (sum(r <= 1.0 for r in runs), len(runs), statistics.median(runs), runs[0], runs[-1]))
'
