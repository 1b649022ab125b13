#!/usr/bin/env bash
# Checks the Debian package as a user gets it: its control data and files, lintian (no errors),
# the menu entry, and a first start from the unpacked package with a fresh home folder: the
# per-user install folder is made, a demo day loads and is replayed with a trade, the history is
# written there, and a second start and an upgrade leave the user's files alone.
set -euo pipefail

deb=${1:?usage: package_test.sh corvala_VERSION_amd64.deb}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "package_test: $*" >&2; exit 1; }

echo "-- control data and files"
dpkg-deb --info "$deb" >/dev/null
[ "$(dpkg-deb --field "$deb" Package)" = corvala ] || fail "package name"
depends=$(dpkg-deb --field "$deb" Depends)
[[ $depends == *fonts-noto-cjk* ]] || fail "fonts-noto-cjk is not a dependency"
[[ $depends == *libqt6widgets6* ]] || fail "the Qt libraries are not dependencies"
# Qt Multimedia's GStreamer backend cannot decode or play the sounds without these.
for plugins in gstreamer1.0-plugins-base gstreamer1.0-plugins-good; do
  [[ $depends == *$plugins* ]] || fail "$plugins is not a dependency"
done
dpkg-deb -x "$deb" "$work/root"
root="$work/root"
for f in usr/bin/corvala usr/bin/corvala-cli usr/share/applications/corvala.desktop \
         usr/share/icons/hicolor/256x256/apps/corvala.png usr/share/icons/hicolor/48x48/apps/corvala.png \
         usr/share/corvala/guide/guide.md usr/share/corvala/skel/銘柄リスト.csv \
         "usr/share/corvala/skel/setsim(初期)" usr/share/corvala/skel/約定音.mp3 \
         usr/share/corvala/skel/日中データ/221104/8473.csv usr/share/doc/corvala/copyright \
         usr/share/man/man1/corvala.1.gz; do
  [ -f "$root/$f" ] || fail "the package lacks $f"
done
# Every picture the guide shows is in the package.
for png in $(grep -o '([a-z0-9-]*\.png)' "$root/usr/share/corvala/guide/guide.md" | tr -d '()' | sort -u); do
  [ -f "$root/usr/share/corvala/guide/$png" ] || fail "the guide shows $png, which the package lacks"
done
# No maintainer scripts: installing and removing never touch a user's folder.
dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -Eq '(pre|post)(inst|rm)$' && fail "the package has maintainer scripts"
# Nothing of a build tree's own use slips into the template.
for f in setsim 売買履歴 出題; do
  [ ! -e "$root/usr/share/corvala/skel/$f" ] || fail "the template holds $f"
done

echo "-- the sounds decode without a warning"
command -v gst-launch-1.0 >/dev/null || fail "gst-launch-1.0 is missing (scripts/deps installs it)"
"$(dirname "$0")/sounds_test.sh" "$root"/usr/share/corvala/skel/*.mp3

echo "-- the manual page of corvala-cli: every command and exit status"
here=$(dirname "$0")
"$here/../cli/cli_manual_test.sh" "$root/usr/bin/corvala-cli" "$root/usr/share/man/man1/corvala-cli.1.gz" \
  "$here/../../cli/commands.h" >"$work/manual" || { cat "$work/manual"; fail "the manual page is incomplete"; }

echo "-- lintian and the menu entry"
desktop-file-validate "$root/usr/share/applications/corvala.desktop"
lintian --fail-on error --display-info --suppress-tags national-encoding,initial-upload-closes-no-bugs "$deb" \
  >"$work/lintian" 2>&1 || { cat "$work/lintian"; fail "lintian found errors"; }
# The programs are built with the distribution's hardening flags: lintian names each one it misses
# (bind-now, fortified functions, ...) only as information.
if grep -E ': hardening-' "$work/lintian"; then fail "the programs lack hardening"; fi

echo "-- first start from the unpacked package"
export HOME="$work/home"
unset XDG_DATA_HOME APPDATA
mkdir -p "$HOME"
user="$HOME/.local/share/Corvala"
cli="$root/usr/bin/corvala-cli"
cat >"$work/orders.jsonl" <<'ORDERS'
{"at":"09:30:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":100}}
{"at":"11:00:00","close":{"side":"売埋","type":"通常注文","normal":"成行","positions":"all"}}
ORDERS
touch "$work/before"
"$cli" replay --date 221104 --code 8473 --speed 30 --orders "$work/orders.jsonl" >"$work/replay.json"
jq -e '.end == "15:00:00" and .steps > 3000 and .stopped == false' "$work/replay.json" >/dev/null \
  || fail "the demo day was not replayed: $(head -c 400 "$work/replay.json")"
[ "$(jq '.executions | length' "$work/replay.json")" = 2 ] || fail "the two trades were not filled"
for f in 銘柄リスト.csv 銘柄リストold.csv "setsim(初期)" 約定音.mp3 逆指音.mp3 \
         日中データ/221104/8473.csv 検索データ/検索データ_202211.txt 売買履歴/実現損益.csv 売買履歴/約定履歴.csv; do
  [ -f "$user/$f" ] || fail "the first start did not make $user/$f"
done
cmp -s "$root/usr/share/corvala/skel/日中データ/221104/8473.csv" "$user/日中データ/221104/8473.csv" \
  || fail "a copied day file differs from the package's"
[ -z "$(find "$root" -newer "$work/before" -print -quit)" ] || fail "the start wrote into the package's own files"

echo "-- the user's files stay"
printf 'edited\r\n' >"$user/銘柄リストold.csv"
rm "$user/日中データ/221104/6501.csv"
"$cli" load --date 221104 --code 8473 >/dev/null
[ "$(cat "$user/銘柄リストold.csv")" = $'edited\r' ] || fail "a second start overwrote the user's file"
[ ! -e "$user/日中データ/221104/6501.csv" ] || fail "a second start brought back a file the user deleted"
echo "2.0" >"$user/.corvala-version"   # as after an upgrade from an older version
"$cli" load --date 221104 --code 8473 >/dev/null
[ -f "$user/日中データ/221104/6501.csv" ] || fail "an upgrade did not add the missing file"
[ "$(cat "$user/銘柄リストold.csv")" = $'edited\r' ] || fail "an upgrade overwrote the user's file"
grep -q . "$user/売買履歴/実現損益.csv" || fail "the history was lost"

echo "-- the window starts from the package"
export HOME="$work/window-home"
mkdir -p "$HOME"
status=0
QT_QPA_PLATFORM=offscreen timeout 5 "$root/usr/bin/corvala" >"$work/window.log" 2>&1 || status=$?
# Still running at the disclaimer of the first start when it was stopped: no crash, no 1013.
[ "$status" -eq 124 ] || { cat "$work/window.log"; fail "the window ended with status $status"; }
[ -f "$HOME/.local/share/Corvala/銘柄リスト.csv" ] || fail "the window's first start did not fill the folder"

echo "-- XDG_DATA_HOME"
XDG_DATA_HOME="$work/xdg" "$cli" load --date 221104 --code 8473 >/dev/null
[ -f "$work/xdg/Corvala/銘柄リスト.csv" ] || fail "XDG_DATA_HOME was not followed"
echo "package_test: passed"
