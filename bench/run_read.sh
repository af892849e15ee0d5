#!/bin/sh
# run_read.sh: generates the large models if needed, then loads each RUNS times in each way
# (one process per load) and prints the medians of time and peak memory, with ratios.
#   bench/run_read.sh BUILD_DIR [RUNS]
set -e
build=${1:-build/release}
runs=${2:-5}
data=$(dirname "$0")/data
mkdir -p "$data"
[ -f "$data/full.obj" ] || "$build/bench/gen_obj" full "$data"
[ -f "$data/positions.obj" ] || "$build/bench/gen_obj" positions "$data"
for file in full positions; do
    size=$(stat -c %s "$data/$file.obj")
    for i in $(seq "$runs"); do
        for way in read glm tinyobj; do
            "$build/bench/bench_read" "$way" "$data/$file.obj"
        done
    done | awk -v file="$file" -v size="$size" '
        { t[$1] = t[$1] " " $2; m[$1] = m[$1] " " $3; a[$1] = $4 }
        function median(list,   n, v, i, j, x) {
            n = split(list, v, " ")
            for (i = 2; i <= n; i++) { x = v[i]; for (j = i - 1; j >= 1 && v[j] > x; j--) v[j + 1] = v[j]; v[j + 1] = x }
            return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
        }
        END {
            r = median(t["read"]); g = median(t["glm"]); y = median(t["tinyobj"])
            printf "%s.obj (%.0f MB): read %.3f s (%.0f MB/s), glmReadOBJ %.3f s (%.0f MB/s, %.2fx read), tinyobjloader %.3f s (%.0f MB/s, %.2fx glmReadOBJ)\n",
                file, size / 1e6, r, size / 1e6 / r, g, size / 1e6 / g, g / r, y, size / 1e6 / y, y / g
            gm = median(m["glm"]) * 1024
            printf "  glmReadOBJ peak memory %.0f MB; model arrays %.0f MB + file %.0f MB = %.0f MB (peak is %.2fx that)\n",
                gm / 1e6, a["glm"] / 1e6, size / 1e6, (a["glm"] + size) / 1e6, gm / (a["glm"] + size)
        }'
done
