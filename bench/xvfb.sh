# xvfb.sh, sourced by the benchmark scripts: a virtual X display numbered $display (set by
# the script) when DISPLAY is unset, ended with the script.
if [ -z "$DISPLAY" ]; then
    Xvfb ":$display" -screen 0 1280x1024x24 >/dev/null 2>&1 &
    xvfb=$!
    trap 'kill $xvfb' EXIT
    export DISPLAY=":$display"
    sleep 1
fi
