#!/usr/bin/env bash
# The squeezer's editor on a real X server (Xvfb), opened by `fxhost editor` as a host
# opens it: real X events press and drag a knob and click another, the parameters must
# follow, and a screenshot of the editor must match the in-memory backend's drawing of
# the same state pixel for pixel (the moving meter aside).
#
# Usage: squeezer_x11_test.sh FXHOST PLUGIN SNAPSHOT_TOOL
# Exits 77 (skipped) only when Xvfb is not installed.
set -euo pipefail

fxhost=$1 plugin=$2 snapshot=$3
for tool in Xvfb xdotool import; do
    if ! command -v "$tool" >/dev/null; then
        [[ $tool == Xvfb ]] && { echo "Xvfb is not installed: skipped"; exit 77; }
        echo "$tool is missing (scripts/install-deps.sh installs it)" >&2
        exit 1
    fi
done

work=$(mktemp -d)
xvfb_pid="" host_pid=""
cleanup() {
    [[ -n $host_pid ]] && kill "$host_pid" 2>/dev/null || true
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# A display number nobody uses.
display=""
for n in $(seq 90 140); do
    if [[ ! -e /tmp/.X11-unix/X$n && ! -e /tmp/.X$n-lock ]]; then display=:$n; break; fi
done
[[ -n $display ]] || { echo "no free display number" >&2; exit 1; }
Xvfb "$display" -screen 0 640x480x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
for _ in $(seq 100); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
xdotool getdisplaygeometry >/dev/null || { cat "$work/xvfb.log" >&2; exit 1; }

"$fxhost" editor "$plugin" --seconds 60 >"$work/host.log" 2>&1 &
host_pid=$!
for _ in $(seq 100); do grep -q "editor open" "$work/host.log" && break; sleep 0.1; done
grep -q "editor open" "$work/host.log" || { cat "$work/host.log" >&2; exit 1; }
sleep 0.5

# Without a window manager the host's window sits at the screen's origin, and the editor
# at the origin of that window.
read -r left top < <(xdotool search --name "fxhost: squeezer" getwindowgeometry --shell |
    awk -F= '/^X=/{x=$2} /^Y=/{y=$2} END{print x, y}')

# RATIO (centre 86, 42): pressed at the lower left, dragged over the top to the right.
xdotool mousemove $((left + 66)) $((top + 62)) mousedown 1 \
    mousemove $((left + 70)) $((top + 30)) sleep 0.1 \
    mousemove $((left + 86)) $((top + 10)) sleep 0.1 \
    mousemove $((left + 108)) $((top + 42)) sleep 0.2 mouseup 1
sleep 0.3
# THRESHOLD: a click straight above its centre (130, 42).
xdotool mousemove $((left + 130)) $((top + 21)) click 1
# The host handles the editor's events at its idle calls: wait until it has.
for _ in $(seq 100); do grep -q "^automate 2 " "$work/host.log" && break; sleep 0.1; done
sleep 0.3
import -window root "$work/screen.png"
kill -TERM "$host_pid"
wait "$host_pid" || { cat "$work/host.log" >&2; exit 1; }
host_pid=""

value() { awk -v i="$1" '$1 == "parameter" && $2 == i { print $3 }' "$work/host.log"; }
ratio=$(value 1) threshold=$(value 2)
echo "RATIO $ratio, THRESHOLD $threshold"
grep -q "^automate 1 0.000000" "$work/host.log" || { echo "the drag did not start at 0" >&2; exit 1; }
[[ $ratio == 0.833333 ]] || { echo "RATIO should end at 5/6" >&2; cat "$work/host.log" >&2; exit 1; }
[[ $threshold == 0.500000 ]] || { echo "THRESHOLD should be 0.5" >&2; exit 1; }

params=()
for i in 0 1 2 3 4 5; do params+=(--param "$i=$(value "$i")"); done
"$snapshot" --compare "$work/screen.png" "$left" "$top" "${params[@]}"
if [[ -n ${FX_SCREENSHOT_OUT:-} ]]; then
  mkdir -p "$(dirname "$FX_SCREENSHOT_OUT")"
  cp "$work/screen.png" "$FX_SCREENSHOT_OUT"
fi
