#!/usr/bin/env bash
# corvala-cli replay --session over the golden sessions: each replay must still come out exactly
# as it did when it was recorded.
#
# golden/NAME.session is a session file as a run left it in 売買履歴/セッション (the data files'
# fingerprints, the seed, the start and every action of the user, stamped with the replay
# clock and the loop's step), and golden/NAME.json is what `corvala-cli replay --session
# NAME.session --report` printed for it over a demo install: the fills, the lists, the account,
# the text the run appended to the history files, the session's verdict and the run's
# statistics with its equity after every step. Together the cases trade every order type on
# both sides before the open, at the lunch break and during the session, correct, cancel and
# close (一括返済 too), press ||, →, >, ≫ and ≪, change the speed and 低速, start
# mid-session, stop with the answers that leave a session, play every bar length, a quiz's day,
# a screening's hand-over, a given tape, 現物のみ, a day at its upper limit, and sessions of the
# soak and of the order dialogs (golden/record.sh says where each comes from).
#
# The JSON is compared byte for byte: nothing in it differs between two plays of one file (the
# computer's clock of the history rows is the one the file recorded, and no path is printed).
# A difference means the replay behaves otherwise than when the file was recorded. When that
# is meant, record the files again with golden/record.sh and review the diff of the .json files.
#
# A session whose header names no day before its own (a quiz's folder holds its day alone)
# plays from a folder holding just its files: over the whole demo folder its display would also
# read the day before and the session would be refused.
set -u
cli="$1"; gen="$2"
golden="$(cd "$(dirname "$0")" && pwd)/golden"
dir=$(mktemp -d); trap 'rm -rf "$dir"' EXIT
. "$(dirname "$0")/demo_install.sh"
demo_install "$dir/install" || { echo "no demo install"; exit 1; }
passed=0; fail=0

. "$(dirname "$0")/golden/data_for.sh"

sessions=("$golden"/*.session)
[ -e "${sessions[0]}" ] || { echo "FAIL no golden sessions in $golden"; exit 1; }
for want in "$golden"/*.json; do
  [ -f "${want%.json}.session" ] || { echo "FAIL $(basename "$want"): no session of that name"; fail=1; }
done
for session in "${sessions[@]}"; do
  name=$(basename "$session" .session)
  want="$golden/$name.json"
  if [ ! -f "$want" ]; then echo "FAIL $name: no $name.json"; fail=1; continue; fi
  got=$("$cli" replay --session "$session" --install "$dir/install" --data "$(data_for "$session" "$dir/install")" --report 2>"$dir/err")
  status=$?
  ok=true
  if [ $status -ne 0 ]; then
    echo "FAIL $name: exit status $status: $(head -c 300 "$dir/err")"
    ok=false
  fi
  if [ "$got" != "$(cat "$want")" ]; then
    echo "FAIL $name: plays otherwise than recorded (- recorded, + now):"
    diff -u --label "$name.json" --label now <(jq -S . "$want") <(jq -S . <<<"$got" 2>/dev/null || printf '%s\n' "$got") |
      head -n 40
    [ "$(jq -S . "$want")" == "$(jq -S . <<<"$got" 2>/dev/null)" ] &&
      echo "     the same values, written otherwise (the order of the keys, a number's form, the spacing)"
    ok=false
  fi
  if $ok; then
    echo "ok   $name: $(jq '.executions | length' <<<"$got") fills, ended $(jq -r '.end' <<<"$got")"
    passed=$((passed+1))
  else
    fail=1
  fi
done

echo "$passed passed"
exit $fail
