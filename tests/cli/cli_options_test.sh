#!/usr/bin/env bash
# corvala-cli refuses a bad option before it touches a day: a number with trailing junk, a negative
# count, a value out of range and an unknown option each exit 1 with a message naming the option.
# Every command has its --help, and the manual page names every option the help lists.
# usage: cli_options_test.sh CORVALA-CLI PAGE
set -u
cli="$1"; page="$2"
dir=$(mktemp -d); trap 'rm -rf "$dir"' EXIT
passed=0; fail=0
refused() {  # name, the option the message must name, command line…
  local name="$1" option="$2"; shift 2
  local err status
  err=$("$cli" "$@" --install "$dir" 2>&1 >/dev/null); status=$?
  if [ "$status" -eq 1 ] && grep -q -- "$option" <<<"$err"; then echo "ok   $name"; passed=$((passed+1))
  else echo "FAIL $name: status $status, message '${err:0:200}'"; fail=1; fi
}
refused "replay --speed 5abc" --speed replay --data "$dir" --date 221102 --code 8473 --speed 5abc
refused "replay --speed 31" --speed replay --data "$dir" --date 221102 --code 8473 --speed 31
refused "replay --investment 1e6" --investment replay --data "$dir" --date 221102 --code 8473 --investment 1e6
refused "tape --seed -1" --seed tape --data "$dir" --date 221102 --code 8473 --seed -1
refused "chart --width 1300px" --width chart --data "$dir" --date 221102 --code 8473 --width 1300px
refused "screen --use -1" --use screen --month 202211 --direction 上昇 --threshold 3 --use -1
refused "import --unit -100" --unit import --bars "$dir/bars.csv" --code 8473 --unit -100
refused "record --close 15:3x" --close record --codes 8473 --close 15:3x
refused "load --bogus" --bogus load --data "$dir" --date 221102 --code 8473 --bogus
refused "stats --rows" --rows stats --rows

# Each command's help, on stdout with status 0, and the page names each of its options.
text=$(zcat -f "$page" | sed -e 's/\\-/-/g')
commands=$("$cli" --help | sed -n 's/^  \([a-z][a-z-]*\) .*/\1/p' | sort -u)
[ "$(wc -w <<<"$commands")" -ge 11 ] || { echo "FAIL --help lists $(wc -w <<<"$commands") commands"; fail=1; }
for command in $commands; do
  help=$("$cli" "$command" --help 2>/dev/null); status=$?
  options=$(sed -n 's/^  \(--[a-z0-9-]*\).*/\1/p' <<<"$help")
  if [ "$status" -ne 0 ] || ! grep -q "^  $command " <<<"$help" || [ -z "$options" ]; then
    echo "FAIL $command --help: status $status"; fail=1; continue
  fi
  missing=""
  for option in $options; do grep -q -- "$option\b" <<<"$text" || missing+=" $option"; done
  if [ -z "$missing" ]; then echo "ok   $command --help and its options in the page"; passed=$((passed+1))
  else echo "FAIL the page lacks $command's$missing"; fail=1; fi
done
echo "$passed passed"
exit $fail
