#!/usr/bin/env bash
# The package's figures: its size, its installed size, and the time of a first start (the
# per-user install folder filled from the package) against a later start, for corvala-cli
# loading a demo day from a fresh home folder. Median of RUNS runs (default 7).
set -euo pipefail
deb=${1:?usage: package_bench.sh corvala_VERSION_amd64.deb [RUNS]}
runs=${2:-7}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work/root"
cli="$work/root/usr/bin/corvala-cli"
unset XDG_DATA_HOME APPDATA  # the per-user folder under each run's own home

ms() { date +%s%N; }
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
first=() later=()
for i in $(seq "$runs"); do
  home="$work/home$i"
  mkdir -p "$home"
  sync
  t0=$(ms); HOME="$home" "$cli" load --date 221104 --code 8473 >/dev/null; t1=$(ms)
  HOME="$home" "$cli" load --date 221104 --code 8473 >/dev/null; t2=$(ms)
  first+=($(( (t1 - t0) / 1000 ))); later+=($(( (t2 - t1) / 1000 )))
  rm -rf "$home"
done
echo "package:          $(du -k "$deb" | cut -f1) KiB ($deb)"
echo "installed size:   $(dpkg-deb --field "$deb" Installed-Size) KiB"
echo "user folder:      $(HOME="$work/h" "$cli" load --date 221104 --code 8473 >/dev/null && du -sk "$work/h/.local/share/Corvala" | cut -f1) KiB after the first start"
echo "first start:      $(printf '%s\n' "${first[@]}" | median) µs (median of $runs: fills the folder, loads a day)"
echo "later start:      $(printf '%s\n' "${later[@]}" | median) µs (loads the same day)"
