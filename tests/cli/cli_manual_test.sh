#!/usr/bin/env bash
# The manual page of corvala-cli names every command that `corvala-cli --help` lists and every
# exit status the commands return (the statuses of commands.h), and each command's section says
# what each status its code returns means, and no other (".IP N" items).
# usage: cli_manual_test.sh CORVALA-CLI PAGE COMMANDS_H   (PAGE may be gzip-compressed; the
# commands' sources lie beside COMMANDS_H)
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
# The statuses a source returns: "return 2;", "return Fail(…), 1;", "status = 5;", "? 0 : 2;" and
# a played session's "{nullptr, 1, …}", read with the string literals taken out.
returned() {
  sed -e 's/"\([^"\\]\|\\.\)*"//g' "$@" | grep -E '\<return\>|\<status = |PlayedSession\{' |
    grep -oE '(\<return|\<status =|\),|\?|:) *[0-9]+ *(;|:)|\{nullptr, [0-9]+,' | grep -oE '[0-9]+'
}
sources=$(dirname "$statuses")
raw=$(zcat -f "$page" | sed -e 's/\\-/-/g')
for command in $commands; do
  source="$sources/${command//-/_}_command.cpp"
  [ -f "$source" ] || { echo "FAIL no source $source for $command"; fail=1; continue; }
  # Every command refuses bad arguments with 1; the day commands open the day as OpenDay does.
  code=$( { echo 1; returned "$source"
            if grep -q 'OpenDay(' "$source"; then
              sed -n '/^int OpenDay(/,/^}/p' "$sources/day_options.cpp" | returned; fi; } | grep -v '^0$' | sort -u)
  said=$(sed -n "/^\.SS $command\( \|\$\)/,/^\.S[SH]/p" <<<"$raw" | sed -n 's/^\.IP \([0-9]*\) .*/\1/p' | sort -u)
  missing="" extra=""
  for n in $code; do grep -qx "$n" <<<"$said" || missing+=" $n"; done
  for n in $said; do grep -qx "$n" <<<"$code" || extra+=" $n"; done
  if [ -z "$missing$extra" ]; then echo "ok   $command's exit statuses:" $code; continue; fi
  fail=1
  [ -z "$missing" ] || echo "FAIL the page does not say what $command's exit status$missing means"
  [ -z "$extra" ] || echo "FAIL the page gives $command exit status$extra, which its code never returns"
done
exit $fail
