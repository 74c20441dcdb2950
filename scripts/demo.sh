#!/usr/bin/env bash
# Builds the suite, renders the built-in test signal through every plug-in in
# build/plugins at its default program, and writes out/demo/index.html with each
# effect's waveform and spectrogram next to the dry signal's. Ends with a table of the
# effects and how many times faster than real time each ran.
#
# Runs from any folder. Set DEMO_JOBS to limit the build's parallel jobs.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build"
out="$root/out/demo"
fxhost="$build/bin/fxhost"
fxplot="$build/bin/fxplot"

die() {
    echo "demo: $*" >&2
    exit 1
}

build_everything() {
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    ninja -C "$build" ${DEMO_JOBS:+-j "$DEMO_JOBS"}
}

# pictures FILE.wav STEM TITLE: STEM-waveform.png and STEM-spectrogram.png
pictures() {
    "$fxplot" "$1" "$2-waveform.png"
    # A title that is a bare effect name of sox ("gain") would start the next effect of
    # its chain instead, hence the suffix.
    sox -V1 "$1" -n spectrogram -t "$3 spectrogram" -c "fxsuite demo" -o "$2-spectrogram.png"
}

html_escape() {
    sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g'
}

# section NAME TITLE SUMMARY-FILE|"" LINE
html_section() {
    local name=$1 title=$2 summary=$3 line=$4
    echo "<section id=\"$name\">"
    echo "<h2>$title</h2>"
    [[ -n $line ]] && echo "<p class=\"stats\">$(html_escape <<<"$line")</p>"
    [[ -n $summary ]] && echo "<pre>$(html_escape <"$summary")</pre>"
    echo "<audio controls preload=\"none\" src=\"$name.wav\"></audio>"
    echo "<div class=\"pictures\">"
    echo "<img src=\"$name-waveform.png\" alt=\"$title: waveform\">"
    echo "<img src=\"$name-spectrogram.png\" alt=\"$title: spectrogram\">"
    [[ -f $out/$name-editor.png ]] && echo "<img src=\"$name-editor.png\" alt=\"$title: editor\">"
    echo "</div></section>"
}

html_page() {
    cat <<'HEAD'
<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8"><title>fxsuite demo</title>
<style>
body { font-family: sans-serif; margin: 2em auto; max-width: 1100px; color: #222; background: #fcfcfa; }
section { border-top: 1px solid #ccc; padding: 1em 0; }
pre { background: #f1f1ec; padding: 0.8em; overflow-x: auto; font-size: 0.85em; }
.stats { font-family: monospace; }
.pictures img { display: block; max-width: 100%; margin: 0.5em 0; }
</style></head><body>
<h1>fxsuite demo</h1>
<p>The built-in test signal (clicks, an A minor chord, a 20 Hz to 20 kHz sweep) through
every plug-in at its default program, with two seconds of tail.</p>
HEAD
    html_section signal "Dry signal" "" ""
    local name
    for name in "${names[@]}"; do
        html_section "$name" "$name" "$out/$name-info.txt" "${lines[$name]}"
    done
    echo "</body></html>"
}

print_speed_table() {
    local name
    printf '\n%-12s %6s %7s %14s\n' effect inputs outputs "real time"
    for name in "${names[@]}"; do
        printf '%-12s %6s %7s %14s\n' "$name" \
            "$(awk '$1 == "inputs" { print $2 }' "$out/$name-info.txt")" \
            "$(awk '$1 == "outputs" { print $2 }' "$out/$name-info.txt")" \
            "${speeds[$name]}"
    done
    echo
    echo "open $out/index.html"
}

"$root/scripts/install-deps.sh"
build_everything

# Effects that show message boxes when they are created (trio's notices) print them to
# standard error instead, so that the renders do not wait for someone to press OK.
export FX_MESSAGE_BOX=${FX_MESSAGE_BOX:-stderr}

shopt -s nullglob
plugins=("$build"/plugins/*.so)
((${#plugins[@]} > 0)) || die "no plug-ins in $build/plugins"

mkdir -p "$out"
"$fxhost" signal "$out/signal.wav"
pictures "$out/signal.wav" "$out/signal" "dry signal"

names=()
declare -A lines speeds
for plugin in "${plugins[@]}"; do
    name=$(basename "$plugin" .so)
    names+=("$name")
    "$fxhost" info "$plugin" >"$out/$name-info.txt"
    lines[$name]=$("$fxhost" process "$plugin" "$out/signal.wav" "$out/$name.wav" --tail 2)
    echo "${lines[$name]}"
    speed=${lines[$name]##*, }
    speeds[$name]=${speed% real time}
    pictures "$out/$name.wav" "$out/$name" "$name"
done

# The squeezer's editor as it draws itself, its meter showing a steady reduction.
if [[ -x $build/bin/squeezer_snapshot && -f $build/plugins/squeezer.so ]]; then
    "$build/bin/squeezer_snapshot" "$out/squeezer-editor.png" --level 0.6
fi

html_page >"$out/index.html.partial"
mv "$out/index.html.partial" "$out/index.html"
print_speed_table
