#!/usr/bin/env bash
# The file-list benchmark: what the user waits for, against a floor.
#
# The program (bench_filelist.exe) is the real main window and file-list
# window, shown on the X display and driven through their commands. At
# 1,000, 5,000 and 20,000 rows: in the file-list window the open-folder
# command on a folder of that many entries, then on its rows refresh,
# select all, invert, move up and down, a sort by a column and delete; in
# the main window the loading of a task list file of that many tasks (every
# other one a compression task of one file, the others extraction tasks),
# then on its rows select all, invert, move up and down, a sort, deleting
# the Done tasks, deleting the selected ones and clearing the list. Also
# loading two task list files (1,000 tasks of 10 files, 20 tasks of 1,000
# files). Each time runs from the command until every message is handled
# and everything painted.
#
# The floor (bench_floor.exe) lists the same folder, opens each entry for
# its size and time and inserts a four-cell row into a shown list view
# ("rows"); for the task lists ("tasks") the same files spread over as many
# list views, each with its row in a shown list, and the extraction tasks'
# rows besides. It runs in the same Wine prefix before and after the
# program; the lower time counts, and every operation is divided by the
# floor of adding the rows it works on.
#
#   tools/bench-filelist.sh [build-dir] [sizes...]
# build-dir defaults to build/win64-release (the optimised build the run
# command starts); sizes default to "1000 5000 20000". FARDELIX_BENCH_ROUNDS
# sets the program's rounds (default 3; the best round counts).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/win64-release}"
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1000 5000 20000)
case "$build" in
    build/win64-release) preset=win64-release ;;
    build/win64) preset=win64 ;;
    *) echo "$0: unknown build folder $build" >&2; exit 2 ;;
esac
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target bench_filelist bench_floor

# Folders of N entries: N-1 small files and one subfolder of ten files, so a
# folder row and its tree are part of the totals.
root="build/bench-data"
winpath() { echo "Z:$(realpath "$1" | tr '/' '\\')"; }
make_folder() {
    local folder="$root/n$1"
    if [ ! -f "$folder/.complete" ]; then
        rm -rf "$folder"
        mkdir -p "$folder/sub"
        for i in $(seq 1 10); do printf 'inner %d\n' "$i" > "$folder/sub/inner$i.txt"; done
        (cd "$folder" && seq -f 'file%05g.txt' 1 $(($1 - 1)) | xargs -n 1000 touch)
        for f in "$folder"/file0000*.txt; do printf 'some bytes\n' > "$f"; done
        touch "$folder/.complete"
    fi
}
# A task list file of $1 compression tasks of $2 files each, taken in order
# from the 20,000-entry folder.
make_list() {
    local file="$root/tasks$1x$2.fdl"
    if [ ! -f "$file" ]; then
        local folder; folder="$(winpath "$root/n20000")"
        python3 - "$file" "$1" "$2" "$folder" <<'PY'
import sys
path, tasks, files, folder = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
lines = ["#fardelix"]
n = 1
for t in range(tasks):
    lines += ["#TASKSTART", "arcpath=%s\\out%04d.zip" % (folder, t), "task=0", "flag=0"]
    for f in range(files):
        lines.append("%s\\file%05d.txt" % (folder, (n - 1) % 19999 + 1))
        n += 1
    lines.append("#TASKEND")
open(path, "wb").write(("\r\n".join(lines) + "\r\n").encode("ascii"))
PY
    fi
}
# A task list file of $1 tasks: every other one a compression task of one
# file of the 20,000-entry folder, the others extraction tasks of an archive
# no library serves (they end as errors at once, without a library call).
make_mixed_list() {
    local file="$root/mixed$1.fdl"
    if [ ! -f "$file" ]; then
        local folder; folder="$(winpath "$root/n20000")"
        python3 - "$file" "$1" "$folder" <<'PY'
import sys
path, tasks, folder = sys.argv[1], int(sys.argv[2]), sys.argv[3]
lines = ["#fardelix"]
for t in range(tasks):
    name = "%s\\file%05d.txt" % (folder, t % 19999 + 1)
    if t % 2 == 0:
        lines += ["#TASKSTART", "arcpath=%s\\out%05d.zip" % (folder, t), "task=0", "flag=0", name, "#TASKEND"]
    else:
        lines += ["#TASKSTART", "arcpath=%s" % name, "task=1", "flag=0", "%s\\" % folder, "#TASKEND"]
open(path, "wb").write(("\r\n".join(lines) + "\r\n").encode("ascii"))
PY
    fi
}
for n in "${sizes[@]}"; do make_folder "$n"; make_mixed_list "$n"; done
make_folder 20000
make_list 1000 10
make_list 20 1000

# Each measurement: the floor, the program, the floor again, so that the
# load of a shared machine drifts as little as possible between them.
jobs=()
for n in "${sizes[@]}"; do
    half=$(((n + 1) / 2))
    jobs+=("$(winpath "$root/n$n") $(winpath "$root/n20000")|$half|$half|$n#rows=$(winpath "$root/n$n") tasks=$(winpath "$root/mixed$n.fdl")")
done
jobs+=("$(winpath "$root/n20000")|10000|1000#tasklist=$(winpath "$root/tasks1000x10.fdl")")
jobs+=("$(winpath "$root/n20000")|20000|20#tasklist=$(winpath "$root/tasks20x1000.fdl")")

run() { xvfb-run -a -s "-screen 0 1280x1024x24" tools/wine-run.sh "$@" 2>/dev/null | tr -d '\r'; }
log="$build/bench-filelist.log"
: > "$log"
printf '%-24s %10s %10s %8s\n' "command" "ms" "floor ms" "ratio"
for job in "${jobs[@]}"; do
    floor_job="${job%%#*}"
    program_job="${job#*#}"
    {
        # shellcheck disable=SC2086 # each job holds one or two space-free arguments
        run "$build/bench_floor.exe" $floor_job
        # shellcheck disable=SC2086
        run "$build/bench_filelist.exe" "rounds=${FARDELIX_BENCH_ROUNDS:-3}" $program_job
        # shellcheck disable=SC2086
        run "$build/bench_floor.exe" $floor_job
    } > "$log.part"
    cat "$log.part" >> "$log"
    # floor <entries> <lists> <ms>: "rows" without lists, "tasks" with;
    # program <what> <rows or tasks> <ms> <rows|tasks>
    awk '
    $1 == "floor" { kind = ($3 > 0) ? "tasks" : "rows"; if (!(kind in floor) || $4 < floor[kind]) floor[kind] = $4 }
    $1 == "program" { what[++n] = $2; size[n] = $3; ms[n] = $4; against[n] = $5 }
    END {
        for (i = 1; i <= n; ++i) {
            if (what[i] == "tasklist") label = (size[i] == 1000) ? "task list 1,000 x 10" : "task list 20 x 1,000"
            else label = what[i] " " size[i]
            f = floor[against[i]]
            printf "%-24s %10d %10d %8.2f\n", label, ms[i], f, (f > 0) ? ms[i] / f : 0
        }
    }' "$log.part"
done
rm -f "$log.part"
