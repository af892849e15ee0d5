#!/bin/sh
# run_startup.sh: Tavrin's start-up against a general viewer's, on one virtual X display:
# from the process's start to the first stereo picture of the million-triangle model, and of
# the same with four 4096 x 4096 JPEG maps (bench_startup), against f3d's whole process
# rendering the same file to an 800 x 600 PNG, RUNS times each, alternating; prints the
# medians of time and peak memory, with ratios, and glmReadOBJ alone (bench_read, a whole
# process) from the same runs, and Tavrin reading its model only once the window is made (as
# before the reading had a thread of its own). Starts Xvfb when DISPLAY is unset.
#   bench/run_startup.sh BUILD_DIR [RUNS]
set -e
build=${1:-build/release}
runs=${2:-5}
data=$(dirname "$0")/data
[ -f "$data/full.obj" ] || "$build/bench/gen_obj" full "$data"
[ -f "$data/textured.obj" ] || "$build/bench/gen_obj" textured "$data"
if ! command -v f3d >/dev/null; then
    echo "run_startup.sh: f3d is not installed (apt-get install f3d); skipped"
    exit 0
fi
display=87
. "$(dirname "$0")/xvfb.sh"
for model in full textured; do
out=$(mktemp -d)
for i in $(seq "$runs"); do
    start=$(date +%s.%N)
    drawn=$(/usr/bin/time -f "tavrin-memory %M" "$build/bench/bench_startup" "$data/$model.obj" 2>>"$out/log" | sed -n 's/^drawn //p')
    awk -v drawn="$drawn" -v start="$start" 'BEGIN { printf "tavrin %.3f 0\n", drawn - start }' >>"$out/log"
    start=$(date +%s.%N)
    drawn=$("$build/bench/bench_startup" "$data/$model.obj" serial 2>/dev/null | sed -n 's/^drawn //p')
    awk -v drawn="$drawn" -v start="$start" 'BEGIN { printf "serial %.3f 0\n", drawn - start }' >>"$out/log"
    /usr/bin/time -f "f3d %e %M" f3d --output="$out/f3d.png" --resolution=800,600 "$data/$model.obj" \
        >/dev/null 2>>"$out/log"
    /usr/bin/time -f "read %e %M" "$build/bench/bench_read" glm "$data/$model.obj" >/dev/null 2>>"$out/log"
done
grep -E '^(tavrin|serial|f3d|read) [0-9.]+ [0-9]+$|^tavrin-memory ' "$out/log" | awk -v model="$model" '
    $1 == "tavrin-memory" { m["tavrin"] = m["tavrin"] " " $2; next }
    { t[$1] = t[$1] " " $2; if ($1 != "tavrin") m[$1] = m[$1] " " $3 }
    function median(list,   n, v, i, j, x) {
        n = split(list, v, " ")
        for (i = 2; i <= n; i++) { x = v[i]; for (j = i - 1; j >= 1 && v[j] > x; j--) v[j + 1] = v[j]; v[j + 1] = x }
        return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
    }
    END {
        ts = median(t["tavrin"]); tf = median(t["f3d"]); tr = median(t["read"]); tb = median(t["serial"])
        ms = median(m["tavrin"]) * 1024 / 1048576; mf = median(m["f3d"]) * 1024 / 1048576
        printf "%s.obj, whole processes, medians:\n", model
        printf "  Tavrin to the first stereo picture  %.2f s  peak %4.0f MiB\n", ts, ms
        printf "  f3d to an 800 x 600 PNG             %.2f s  peak %4.0f MiB\n", tf, mf
        printf "  the same, read after the window      %.2f s (reading first: %.2fx)\n", tb, ts / tb
        printf "  glmReadOBJ alone                     %.2f s\n", tr
        printf "  Tavrin / f3d: time %.2fx, peak memory %.2fx; Tavrin / glmReadOBJ alone: %.2fx\n", ts / tf, ms / mf, ts / tr
    }'
rm -rf "$out"
done
