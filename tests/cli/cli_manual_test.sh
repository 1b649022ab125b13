#!/usr/bin/env bash
# The manual page of corvala-cli names every command that `corvala-cli --help` lists and every
# exit status the commands return (the statuses of commands.h).
# usage: cli_manual_test.sh CORVALA-CLI PAGE COMMANDS_H   (PAGE may be gzip-compressed)
set -u
cli="$1"; page="$2"; statuses="$3"
fail=0
# The page's words without its macros: ".BR load ," reads "load ,", ".SH EXIT STATUS" a heading.
text=$(zcat -f "$page" | sed -e 's/^\.SH *//' -e 's/^\.[A-Za-z]* *//' -e 's/\\-/-/g')
[ -n "$text" ] || { echo "FAIL cannot read $page"; exit 1; }
section() { sed -n "/^$1\$/,/^[A-Z][A-Z ]*\$/p" <<<"$text" | sed '1d' | tr -s ' \n' '  '; }
commands=$("$cli" --help | sed -n 's/^  \([a-z][a-z-]*\) .*/\1/p' | sort -u)
[ -n "$commands" ] || { echo "FAIL --help lists no commands"; exit 1; }
description=$(section DESCRIPTION)
for command in $commands; do
  if grep -Eq "(^| )$command[ ,;.]" <<<"$description"; then echo "ok   command $command"
  else echo "FAIL the page does not name the command $command"; fail=1; fi
done
# Every status a command returns (commands.h says them all), each under EXIT STATUS.
numbers=$(grep -o '[0-9] [a-z]' "$statuses" | cut -c1 | sort -u)
[ -n "$numbers" ] || { echo "FAIL $statuses names no exit status"; exit 1; }
exits=$(section "EXIT STATUS")
for n in $numbers; do
  if grep -Eq "(^|[ ,])$n +[a-z]" <<<"$exits"; then echo "ok   status $n"
  else echo "FAIL the page does not explain exit status $n"; fail=1; fi
done
exit $fail
