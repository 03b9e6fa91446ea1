#!/usr/bin/env bash
# The Windows program's tests under Wine on a virtual display:
#   core     the core test suite (tamlix_core_tests.exe), which runs the
#            companion too, and no test seam in the shipped programs
#   same     the same answers as the Linux build (tests/win/same-answers.sh)
#   window   the window test suite, and Tamlix.exe driven by real input
#            events (tests/win/window-keys.sh)
# Usage: windows-test.sh WINDOWS_BUILD LINUX_BUILD [PART...]; all parts by
# default, or those named (WINDOW_TESTS=0 leaves the window out).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
winbuild=$(cd "${1:-build/windows/cmake}" && pwd)
linbuild=$(cd "${2:-build}" && pwd)
shift 2 || true
parts=("$@")
if [ ${#parts[@]} -eq 0 ]; then
  parts=(core same)
  [ "${WINDOW_TESTS:-1}" = 0 ] || parts+=(window)
fi

# One virtual display for the whole run.
if [ -z "${TAMLIX_IN_XVFB:-}" ]; then
  exec env TAMLIX_IN_XVFB=1 xvfb-run -a -s "-screen 0 1280x1024x24" \
    bash "$0" "$winbuild" "$linbuild" "${parts[@]}"
fi

export WINEPREFIX=$root/build/windows/wine WINEDEBUG=-all
# No Mono or Gecko: nothing here needs them, and Wine would ask for them.
export WINEDLLOVERRIDES="mscoree,mshtml="
export TAMLIX_WIN_BUILD=$winbuild TAMLIX_LINUX_BUILD=$linbuild

# The private Wine prefix, made once. Wine has no Japanese fonts of its own:
# the two faces the dialog templates and the detail report ask for,
# "ＭＳ ゴシック" (fixed pitch) and "MS UI Gothic", become aliases of IPAGothic
# and IPAPGothic, and the faces Wine draws menus and message boxes with
# (Tahoma, MS Shell Dlg) link to IPAGothic for Japanese characters
# (tests/win/fonts.reg). The window tests depend on them: each dialog is laid
# out in dialog units of its template's face, the report's columns assume a
# half-width character one cell and a full-width one two cells of the
# fixed-pitch face, and Japanese labels must draw as text, not boxes.
aliases_in_prefix() {
  wine reg query 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS UI Gothic' >/dev/null 2>&1 &&
    wine reg query 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
      /v 'MS Shell Dlg' >/dev/null 2>&1
}
if [ ! -e "$WINEPREFIX/.tamlix-ready" ]; then
  echo "preparing the Wine prefix $WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  # The first start of a prefix goes on after wineboot returns; an import
  # made meanwhile can be lost.
  wineserver -w
  reg=$WINEPREFIX/tamlix-fonts.reg
  iconv -f UTF-8 -t UTF-16LE "$root/tests/win/fonts.reg" | (printf '\xff\xfe'; cat) > "$reg"
  # `wine regedit` returns while regedit is still at work (Wine starts it
  # through start.exe) and says nothing of a file it refused: the prefix is
  # ready only once both keys hold the aliases. An import that did not take
  # is tried again (a fresh prefix lost it in one CI run of many).
  for try in 1 2 3; do
    wine regedit "$(winepath -w "$reg")" >/dev/null 2>&1
    wineserver -w
    aliases_in_prefix && break
    echo "the font aliases of tests/win/fonts.reg are not in $WINEPREFIX (import $try of 3)"
    if [ "$try" = 3 ]; then
      wineserver -k 2>/dev/null || true
      exit 1
    fi
    sleep 2
  done
  wineserver -w
  touch "$WINEPREFIX/.tamlix-ready"
fi

failed=()
for part in "${parts[@]}"; do
  echo "== Windows tests: $part"
  case $part in
    core)
      (cd "$root" && wine "$winbuild/bin/tamlix_core_tests.exe" --gtest_brief=1) || failed+=(core)
      # No test seam in the shipped programs, read with MinGW's nm.
      nmdir=$(mktemp -d)
      ln -s "$(command -v x86_64-w64-mingw32-nm)" "$nmdir/nm"
      PATH="$nmdir:$PATH" bash "$root/tests/seams/check_shipped.sh" "$root/tests/seams/TestSeams.h" \
        "$winbuild/bin/Tamlix.exe" "$winbuild/bin/tamlix-cli.exe" "$winbuild/bin/Vornik2.dll" ||
        failed+=(seams)
      rm -rf "$nmdir" ;;
    same)
      bash "$root/tests/win/same-answers.sh" || failed+=(same) ;;
    window)
      (cd "$root" && wine "$winbuild/bin/tamlix_gui_tests.exe" --gtest_brief=1) || failed+=(window-suite)
      bash "$root/tests/win/window-keys.sh" || failed+=(window-keys) ;;
    *) echo "unknown part: $part"; exit 2 ;;
  esac
done
wineserver -k 2>/dev/null || true

if [ ${#failed[@]} -gt 0 ]; then
  echo "Windows tests FAILED: ${failed[*]}"
  exit 1
fi
echo "Windows tests passed: ${parts[*]}"
