#!/bin/bash
# smoke_installed.sh: runs an installed program once on $DISPLAY: closes its driver report
# with Return, quits with Esc, and expects exit status 0.
#   smoke_installed.sh PROGRAM TITLE CLASS [ARGUMENT]
set -u
program=$1 title=$2 class=$3
shift 3
"$program" "$@" > /tmp/smoke-$$.out 2>&1 &
pid=$!
# the viewable window with that title, and with (or without, "none") that class
find_window() {
    if [ "$1" = none ]; then pattern="\"$title\": ()"; else pattern="\"$title\": (\"$1\""; fi
    for id in $(xwininfo -root -children | grep -F "$pattern" | awk '{print $1}'); do
        xwininfo -id "$id" 2>/dev/null | grep -q IsViewable && { echo "$id"; return; }
    done
}
wait_window() {
    for _ in $(seq 100); do
        id=$(find_window "$1")
        [ -n "$id" ] && { echo "$id"; return; }
        sleep 0.1
    done
}
box=$(wait_window none)
[ -n "$box" ] || { echo "smoke: $program showed no report box"; kill $pid; exit 1; }
xdotool key --window "$box" Return
main=$(wait_window "$class")
[ -n "$main" ] || { echo "smoke: $program showed no main window"; kill $pid; exit 1; }
sleep 0.5
xdotool key --window "$main" Escape 2>/dev/null
wait $pid
status=$?
cat /tmp/smoke-$$.out
rm -f /tmp/smoke-$$.out
echo "smoke: $program ended with status $status"
[ $status -eq 0 ]
