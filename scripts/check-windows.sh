#!/usr/bin/env bash
# Checks the Windows cross builds against the Linux build:
#  1. every DLL in build-win32/plugins and build-win64/plugins is a DLL of its target,
#     exports `main` and nothing else, and imports only Windows' own system libraries;
#  2. under Wine, the load entry of a DLL built like the plug-ins stores the DLL's own
#     module handle (build-win64/bin/module_handle_module.dll), and our Windows host
#     (build-win64/bin/fxhost-win.exe) writes each 64-bit plug-in's report (record,
#     texts, processed blocks), which must match the report that build/bin/fxreport
#     writes for the Linux plug-in of the same name.
#  3. on a virtual X server (xvfb-run), fxhost-win opens the 64-bit squeezer's editor in a
#     window of its own, turns a knob with real mouse input while audio is processed,
#     checks that the knob's parameter and the meter followed, and saves a picture of the
#     editor as build-win64/screenshots/squeezer-editor.png;
#  4. on a virtual X server, fxhost-win loads the 64-bit trio, answers its three "Notice"
#     boxes with the mouse and checks their texts, buttons and order.
# 32-bit programs cannot run here, so the 32-bit DLLs get the checks of step 1 only.
#
# usage: scripts/check-windows.sh [LINUX_BUILD [WIN32_BUILD [WIN64_BUILD]]]
# Installs nothing (see scripts/install-deps.sh); builds nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
linux=$(realpath "${1:-build}")
win32=$(realpath "${2:-build-win32}")
win64=$(realpath "${3:-build-win64}")

# Windows' own libraries that a plug-in may import; anything else would have to be
# shipped beside it.
system_dlls=" kernel32.dll user32.dll gdi32.dll msvcrt.dll advapi32.dll shell32.dll ole32.dll comctl32.dll "

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

check_dll() { # objdump, expected PE magic, dll
  local objdump=$1 magic=$2 dll=$3
  local headers exports imports
  headers=$("$objdump" -p "$dll")
  grep -q "^Magic[[:space:]]*$magic" <<<"$headers" || fail "$dll: not a PE file with magic $magic"
  exports=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$headers" |
    sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p' | tr '\n' ' ')
  [ "$exports" = "main " ] || fail "$dll exports [${exports% }], expected only main"
  imports=$(sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' <<<"$headers" | tr 'A-Z' 'a-z')
  for import in $imports; do
    [[ "$system_dlls" == *" $import "* ]] || fail "$dll needs $import, which is not part of Windows"
  done
}

echo "== Windows DLLs: exports and imports"
for build in "$win32:i686-w64-mingw32-objdump:010b" "$win64:x86_64-w64-mingw32-objdump:020b"; do
  IFS=: read -r dir objdump magic <<<"$build"
  shopt -s nullglob
  dlls=("$dir"/plugins/*.dll)
  shopt -u nullglob
  [ ${#dlls[@]} -gt 0 ] || fail "no DLLs in $dir/plugins"
  for dll in "${dlls[@]}"; do
    check_dll "$objdump" "$magic" "$dll"
    printf '  %-40s %8d bytes\n' "${dll#"$PWD"/}" "$(stat -c %s "$dll")"
  done
done
# The same plug-ins on every platform.
for dir in "$win32" "$win64"; do
  for so in "$linux"/plugins/*.so; do
    name=$(basename "$so" .so)
    [ -f "$dir/plugins/$name.dll" ] || fail "$dir/plugins/$name.dll is missing"
  done
done

echo "== 64-bit DLLs under Wine against the Linux build"
wine=/usr/lib/wine/wine64
if [ ! -x "$wine" ]; then
  echo "FAIL: $wine not found: install wine64 (scripts/install-deps.sh)" >&2
  exit 1
fi
work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# No desktop for these runs: a plug-in that shows a message box gets an immediate answer
# instead of waiting for a user.
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
  "${wine%/*}/wineserver" -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
"$wine" wineboot -i >/dev/null 2>&1
windows_path() { local p=$1; echo "Z:${p//\//\\}"; }
"$wine" "$win64/bin/fxhost-win.exe" load "$(windows_path "$win64/bin/module_handle_module.dll")" \
  >/dev/null || fail "the load entry does not hand the module handle over"
for dll in "$win64"/plugins/*.dll; do
  name=$(basename "$dll" .dll)
  so=$linux/plugins/$name.so
  [ -f "$so" ] || { fail "$name: no Linux plug-in to compare with"; continue; }
  "$linux/bin/fxreport" write "$so" "$work/$name.linux.txt" || { fail "$name: fxreport"; continue; }
  if ! "$wine" "$win64/bin/fxhost-win.exe" report "$(windows_path "$dll")" \
      "$(windows_path "$work/$name.win64.txt")"; then
    fail "$name: fxhost-win report"
    continue
  fi
  "$linux/bin/fxreport" compare "$work/$name.linux.txt" "$work/$name.win64.txt" ||
    fail "$name: the 64-bit DLL behaves differently from the Linux plug-in"
done

echo "== squeezer's editor under Wine on a virtual X server"
# A user's mouse on a knob while audio runs (crosscheck/editor_check_win.cpp), and a
# picture of the editor in build-win64/screenshots. The Wine processes so far ran without
# a display; they go, so that the next ones start on the virtual one.
"${wine%/*}/wineserver" -k 2>/dev/null || true
"${wine%/*}/wineserver" -w 2>/dev/null || true
if [ -f "$win64/plugins/squeezer.dll" ]; then
  shots=$win64/screenshots
  mkdir -p "$shots"
  rm -f "$shots/squeezer-editor.bmp" "$shots/squeezer-editor.png"
  # Wine's desktop process leaves with the program, before the virtual display goes.
  if timeout 180 xvfb-run -a -s "-screen 0 1024x768x24" bash -c \
      '"$1" "$2" editor "$3" "$4"; status=$?; "${1%/*}/wineserver" -k; exit $status' _ \
      "$wine" "$win64/bin/fxhost-win.exe" "$(windows_path "$win64/plugins/squeezer.dll")" \
      "$(windows_path "$shots/squeezer-editor.bmp")"; then
    convert "$shots/squeezer-editor.bmp" "$shots/squeezer-editor.png"
    echo "  ${shots#"$PWD"/}/squeezer-editor.png"
  else
    fail "squeezer: the editor check under Wine"
  fi
else
  fail "$win64/plugins/squeezer.dll is missing"
fi

echo "== trio's notices under Wine on a virtual X server"
# The boxes that `main` shows, read and answered with a click on OK
# (crosscheck/notice_check_win.cpp).
if [ -f "$win64/plugins/trio.dll" ]; then
  timeout 120 xvfb-run -a -s "-screen 0 1024x768x24" bash -c \
      '"$1" "$2" notices "$3"; status=$?; "${1%/*}/wineserver" -k; exit $status' _ \
      "$wine" "$win64/bin/fxhost-win.exe" "$(windows_path "$win64/plugins/trio.dll")" ||
    fail "trio: the notice check under Wine"
else
  fail "$win64/plugins/trio.dll is missing"
fi

if [ "$failures" -gt 0 ]; then
  echo "$failures Windows check(s) failed" >&2
  exit 1
fi
echo "Windows checks passed"
