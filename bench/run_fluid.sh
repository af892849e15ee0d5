#!/bin/sh
# run_fluid.sh: Tavrin's window with tori of 1, 5 and 25 million triangles (bench_fluid), each
# drawn whole in every frame (as before the coarse copies) and as it is drawn now, in one run;
# then f3d's whole process rendering the largest to an 800 x 600 PNG, its time and peak memory.
# Starts Xvfb when DISPLAY is unset (for f3d).
#   bench/run_fluid.sh BUILD_DIR
set -e
build=${1:-build/release}
data=$(dirname "$0")/data
mkdir -p "$data"
for m in 1 5 25; do
    [ -f "$data/torus${m}m.obj" ] || "$build/bench/gen_obj" torus $m "$data"
    "$build/bench/bench_fluid" "$data/torus${m}m.obj" whole | grep -v '^glmVertexNormals'
    "$build/bench/bench_fluid" "$data/torus${m}m.obj" | grep -v '^glmVertexNormals'
done
if ! command -v f3d >/dev/null; then
    echo "run_fluid.sh: f3d is not installed (apt-get install f3d); skipped"
    exit 0
fi
display=88
. "$(dirname "$0")/xvfb.sh"
out=$(mktemp -d)
/usr/bin/time -f "f3d to an 800 x 600 PNG of torus25m.obj: %e s, peak %M KiB" \
    f3d --output="$out/f3d.png" --resolution=800,600 "$data/torus25m.obj" >/dev/null 2>"$out/log" || true
tail -1 "$out/log"
rm -rf "$out"
