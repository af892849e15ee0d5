#!/bin/sh
# run_read.sh: generates the large models if needed, then loads each RUNS times in each way,
# one process per load, the ways alternating, and prints the medians of whole-process time
# and peak memory, with ratios. fast_obj is timed where the benchmark was built with it.
#   bench/run_read.sh BUILD_DIR [RUNS]
set -e
build=${1:-build/release}
runs=${2:-5}
data=$(dirname "$0")/data
mkdir -p "$data"
[ -f "$data/full.obj" ] || "$build/bench/gen_obj" full "$data"
[ -f "$data/positions.obj" ] || "$build/bench/gen_obj" positions "$data"
[ -f "$data/groups.obj" ] || "$build/bench/gen_obj" groups "$data"
ways="read glm tinyobj"
"$build/bench/bench_read" fastobj /dev/null >/dev/null 2>&1 && ways="$ways fastobj"
for file in full positions groups; do
    size=$(stat -c %s "$data/$file.obj")
    for i in $(seq "$runs"); do
        for way in $ways; do
            start=$(date +%s%N)
            line=$("$build/bench/bench_read" "$way" "$data/$file.obj")
            end=$(date +%s%N)
            echo "$line $(( (end - start) / 1000 ))"
        done
    done | awk -v file="$file" -v size="$size" '
        # fields: way, seconds in the process, peak KiB, array bytes, whole-process microseconds
        { t[$1] = t[$1] " " $5 / 1e6; m[$1] = m[$1] " " $3; a[$1] = $4 }
        function median(list,   n, v, i, j, x) {
            n = split(list, v, " ")
            for (i = 2; i <= n; i++) { x = v[i]; for (j = i - 1; j >= 1 && v[j] > x; j--) v[j + 1] = v[j]; v[j + 1] = x }
            return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
        }
        END {
            g = median(t["glm"])
            printf "%s.obj (%.0f MB), whole processes, medians:\n", file, size / 1e6
            printf "  glmReadOBJ     %.3f s  %4.0f MB/s  peak %4.0f MB\n", g, size / 1e6 / g, median(m["glm"]) * 1024 / 1e6
            for (w in t) if (w != "glm") {
                x = median(t[w])
                printf "  %-13s  %.3f s  %4.0f MB/s  peak %4.0f MB  glmReadOBJ / %s = %.2fx\n", w, x, size / 1e6 / x,
                    median(m[w]) * 1024 / 1e6, w, g / x
            }
        }'
done
