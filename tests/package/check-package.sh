#!/usr/bin/env bash
# Checks the Debian package that `make package` left in BUILD: its files and
# links, its dependencies, and the unpacked programs started through their
# links on PATH by a user who is not root: they find their files beside the
# link's target, and the window keeps its recent list in the user's
# settings folder (the program's folder belongs to root).
set -euo pipefail

build=${1:?usage: check-package.sh BUILD}
deb=$(ls -t "$build"/tamlix_*.deb | head -n 1)
fail() { echo "check-package: $*" >&2; exit 1; }

# Files (-), links (l, with their targets); folders aside.
expected='- /usr/lib/tamlix/JpegTIFFTag.csv
- /usr/lib/tamlix/Tamlix
- /usr/lib/tamlix/fonts.conf
- /usr/lib/tamlix/libVornik2.so
- /usr/lib/tamlix/sample.jpg
- /usr/lib/tamlix/tamlix-cli
- /usr/share/applications/tamlix.desktop
- /usr/share/doc/tamlix/copyright
- /usr/share/icons/hicolor/64x64/apps/tamlix.png
l /usr/bin/tamlix ../lib/tamlix/Tamlix
l /usr/bin/tamlix-cli ../lib/tamlix/tamlix-cli'
actual=$(dpkg-deb -c "$deb" | awk '{
    type = substr($1, 1, 1); path = $6; sub(/^\./, "", path)
    if (type == "l") print type, path, $8; else if (type != "d") print type, path
}' | LC_ALL=C sort)
[ "$actual" = "$(LC_ALL=C sort <<<"$expected")" ] ||
  fail "file list differs:"$'\n'"$(diff <(LC_ALL=C sort <<<"$expected") <(echo "$actual") || true)"

depends=$(dpkg-deb -f "$deb" Depends)
for d in fonts-ipafont-gothic libwxgtk3.2 libturbojpeg0; do
  [[ $depends == *"$d"* ]] || fail "Depends lacks $d: $depends"
done

tmp=$(mktemp -d /tmp/tamlix-package-XXXXXX)
trap 'rm -rf "$tmp"' EXIT
chmod 755 "$tmp"
dpkg-deb -x "$deb" "$tmp/root"
grep -qx 'Exec=tamlix %f' "$tmp/root/usr/share/applications/tamlix.desktop" ||
  fail "desktop entry does not start tamlix from PATH"
mkdir "$tmp/home"
cp "$tmp/root/usr/lib/tamlix/sample.jpg" "$tmp/home/photo.jpg"
as=()
if [ "$(id -u)" -eq 0 ]; then
  chown -R 65534:65534 "$tmp/home"
  as=(setpriv --reuid=65534 --regid=65534 --clear-groups)
else
  chmod -R a-w "$tmp/root/usr/lib/tamlix"
fi
user() { "${as[@]}" env -i HOME="$tmp/home" PATH=/usr/bin:/bin "$@"; }

# The tag names come from the table beside the real program.
user "$tmp/root/usr/bin/tamlix-cli" report "$tmp/home/photo.jpg" | grep -q '010F Make ' ||
  fail "tamlix-cli through its link did not find its tag table"

# The window: started on the photo, ended with Esc once it has painted.
user timeout 120 xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  "$0" "$1" 2>/dev/null & pid=$!
  xdotool search --sync --name "^Geoskim" >/dev/null
  xdotool mousemove --sync 5 60 click 1 key Escape
  wait $pid' "$tmp/root/usr/bin/tamlix" "$tmp/home/photo.jpg" ||
  fail "the window did not start and end"
settings="$tmp/home/.config/tamlix/SetteiQRV.bin"
[ "$(stat -c %s "$settings" 2>/dev/null)" = 9116 ] || fail "no settings file in $settings"
[ "$(head -c 256 "$settings" | tr -d '\0')" = "$tmp/home/photo.jpg" ] ||
  fail "the recent list does not hold the photo"
[ ! -e "$tmp/root/usr/lib/tamlix/SetteiQRV.bin" ] || fail "settings written into the program's folder"
echo "package ok: $(basename "$deb")"
