#!/usr/bin/env bash
# corvala-cli replay over the demo install: a whole day at speeds 5 and 30, a script of user
# actions, a mid-session start with its trace, and the failures.
set -u
cli="$1"; gen="$2"
dir=$(mktemp -d); trap 'rm -rf "$dir"' EXIT
. "$(dirname "$0")/demo_install.sh"
demo_install "$dir" || { echo "no demo install"; exit 1; }
cp "$cli" "$dir/"
run() { "$dir/corvala-cli" replay --data "$dir/日中データ" "$@"; }
passed=0; fail=0
check() {  # name, haystack, needle
  if [[ "$2" != *"$3"* ]]; then echo "FAIL $1: missing $3 in ${2:0:300}"; fail=1; else echo "ok   $1"; passed=$((passed+1)); fi
}
status() {  # name, expected, actual
  if [ "$2" -eq "$3" ]; then echo "ok   $1"; passed=$((passed+1)); else echo "FAIL $1: status $3"; fail=1; fi
}

# Speed 5: pre-open notice 3000 ms and flash 800 ms, a 300 ms slice waiting for play, the same at
# lunch with a 100 ms slice, and 3600 steps of five ⌊5300/6⌋ ms slices.
out=$(run --date 221102 --code 8473)
check "speed 5 end" "$out" '"end":"15:00:00","steps":3600,"lunchStopRow":1800'
check "speed 5 virtual time" "$out" "\"virtualMs\":$((3800 + 300 + 3800 + 100 + 3600 * 5 * 883)),\"stopped\":false"

out=$(run --date 221102 --code 8473 --speed 30)
check "speed 30 virtual time" "$out" '"virtualMs":8000'

cat > "$dir/script.jsonl" <<'JSON'
{"at":"10:00:00","press":"||"}
{"at":"10:00:00","press":"≫"}

{"at":"10:00:00","press":"||"}
{"at":"11:00:00","speed":30}
{"at":"13:00:00","press":"■"}
JSON
out=$(run --date 221102 --code 8473 --script "$dir/script.jsonl")
check "script stop" "$out" '"end":"13:00:00"'
check "script stopped" "$out" '"stopped":true'
check "script lunch" "$out" '"lunchStopRow":1800'

out=$(run --date 221102 --code 8473 --speed 30 --start 14:50 --trace)
check "mid-session steps" "$out" '"steps":120,"lunchStopRow":null'
check "trace first step" "$out" '"trace":[{"row":3480,"clock":"14:50:00"'

out=$(run --date 221108 --code 6501)
status "missing stock exit" 3 $?
check "missing stock message" "$out" '6501のこの日のデータはありません。'

err=$("$dir/corvala-cli" replay --data "$dir/none" --date 221102 --code 8473 2>&1)
status "missing data folder exit" 2 $?
check "missing data folder error" "$err" "1012 エラー"

printf '{"at":"10:00:00","press":"||"}\n' > "$dir/paused.jsonl"
err=$(run --date 221102 --code 8473 --speed 30 --script "$dir/paused.jsonl" 2>&1)
status "left paused exit" 1 $?
check "left paused message" "$err" "leaves the replay paused at 10:00:0"

printf '{"at":"10:00:00","press":"||"}\n{"at":"10:30:00","press":"||"}\n' > "$dir/unreachable.jsonl"
err=$(timeout 20 "$dir/corvala-cli" replay --data "$dir/日中データ" --date 221102 --code 8473 --script "$dir/unreachable.jsonl" 2>&1)
status "resume after a pause never comes due" 1 $?
check "resume after a pause message" "$err" "leaves the replay paused"

printf '{"at":"10:00","press":"!"}\n' > "$dir/bad.jsonl"
err=$(run --date 221102 --code 8473 --script "$dir/bad.jsonl" 2>&1)
status "bad script exit" 1 $?
check "bad script line" "$err" "bad.jsonl line 1"

err=$(run --date 221102 --code 8473 --series 日経JAS 2>&1)
status "series not offered exit" 1 $?
check "series not offered" "$err" "is not offered on 221102"

"$dir/corvala-cli" replay --help | grep -q "replay \[--data DIR\]" ; status "help" 0 $?

# The tape: reproducible by seed, every line "hh:nn:ss volume price[ @]".
tape() { "$dir/corvala-cli" tape --data "$dir/日中データ" --date 221102 --code 8473 "$@"; }
a=$(tape --seed 5 | md5sum); b=$(tape --seed 5 | md5sum); c=$(tape --seed 6 | md5sum)
[ "$a" = "$b" ] && { echo "ok   same seed, same tape"; passed=$((passed+1)); } || { echo "FAIL same seed"; fail=1; }
[ "$a" != "$c" ] && { echo "ok   another seed, another tape"; passed=$((passed+1)); } || { echo "FAIL other seed"; fail=1; }
bad=$(tape --seed 5 | grep -cvE '^[0-9]{2}:[0-9]{2}:[0-9]{2} [0-9,]+ [0-9,]+(\.[0-9])?( @)?$')
status "every tape line well formed" 0 "$bad"
first=$(tape --seed 5 | head -1)
check "opening print" "$first" "09:00:00 "
out=$(run --date 221102 --code 8473 --speed 30 --start 14:55 --trace --seed 5)
check "trace carries the board" "$out" '"board":['
out2=$(run --date 221102 --code 8473 --speed 30 --start 14:55 --trace --seed 5)
# Each kept run names its own new session file; everything else is the same.
[ "$(jq -c 'del(.sessionFile)' <<<"$out")" = "$(jq -c 'del(.sessionFile)' <<<"$out2")" ] && { echo "ok   replay reproducible by seed"; passed=$((passed+1)); } || { echo "FAIL replay seed"; fail=1; }
"$dir/corvala-cli" tape --data "$dir/日中データ" --date 221102 --code 8473 --seed x >/dev/null 2>&1
status "bad seed" 1 $?
# The time cursor fixed on the day shown: the replay starts at its bar (minutes down to five, as
# a typed start is), whatever --start said; a cursor outside the sessions is refused.
out=$(run --date 221102 --code 8473 --speed 30 --cursor 10:07 --start 11:00)
check "a start at the cursor" "$(jq -c '[.start, .steps]' <<<"$out")" '["10:05",2820]'
out=$(run --date 221102 --code 8473 --speed 30 --cursor 13:08 --bar-length 10)
check "the cursor's ten-minute bar" "$(jq -c '[.start, .steps]' <<<"$out")" '["13:00",1440]'
run --date 221102 --code 8473 --cursor 11:45 >/dev/null 2>&1
status "a cursor at lunch" 1 $?
# Price alerts pause the replay at the step whose prints reach them, at any speed (the clock
# within the step may differ), once each; one never reached stays silent; a played session
# pauses where its run did.
printf '%s\n' '{"at":"09:00:00","alert":3175}' '{"at":"09:00:00","alert":3300}' '{"at":"09:00:00","alert":3170}' \
  '{"at":"12:00:00","alert":3150}' > "$dir/alerts.jsonl"
steps() { jq -c '[.alerts[] | [.price, (.time[0:7] + (if (.time[7:8] | tonumber) < 5 then "0" else "5" end))]]'; }
fast=$(run --date 221102 --code 8473 --speed 30 --script "$dir/alerts.jsonl")
slow=$(run --date 221102 --code 8473 --speed 5 --script "$dir/alerts.jsonl")
check "alerts pause at their steps" "$(steps <<<"$fast")" '[[3175,"09:14:30"],[3170,"09:54:00"],[3150,"12:44:30"]]'
check "the same steps at speed 5" "$(steps <<<"$slow")" "$(steps <<<"$fast")"
check "and the day plays on" "$(jq -c '[.end, .steps]' <<<"$slow")" '["15:00:00",3600]'
played=$(run --session "$(jq -r '.sessionFile' <<<"$slow")")
check "a played session pauses where its run did" "$(jq -c '.alerts' <<<"$played")" "$(jq -c '.alerts' <<<"$slow")"
printf '%s\n' '{"at":"09:00:00","alert":-5}' > "$dir/bad-alert.jsonl"
run --date 221102 --code 8473 --script "$dir/bad-alert.jsonl" >/dev/null 2>&1
status "an alert below zero" 1 $?

# The fill-luck band: resting buys below the market on a rising day fill more often the kinder
# the assumption of how they fill, so pessimistic <= described <= optimistic (here the
# optimistic run fills the lowest order too); market orders alone leave a band of zero width.
# --fills plays the kept run under one assumption.
limit() { printf '{"at":"09:10:00","new":{"side":"買建","type":"通常注文","normal":"指値","price":%s,"qty":100}}\n' "$@"; }
limit 3150 3149 3148 3146 > "$dir/resting.jsonl"
kept=$(run --date 221110 --code 8473 --speed 30 --orders "$dir/resting.jsonl" | jq -r '.sessionFile')
band=$("$dir/corvala-cli" replay --session "$kept" --report | jq -c '.report.fillBand')
check "the band's order" "$(jq '.pessimistic <= .described and .described <= .optimistic and .pessimistic < .optimistic' <<<"$band")" true
check "the described result is the kept run's" "$(jq -c '.described' <<<"$band")" \
  "$("$dir/corvala-cli" replay --session "$kept" --report | jq -c '.report.equity[-1]')"
optimistic=$("$dir/corvala-cli" replay --session "$kept" --fills optimistic)
for rule in pessimistic optimistic; do
  check "$rule plays to 15:00" "$("$dir/corvala-cli" replay --session "$kept" --fills $rule | jq -c '[.end, .stopped]')" '["15:00:00",false]'
done
check "optimistic fills the lowest order too" "$(jq -c '[.fills, ([.executions[] | select(.trade == "新規")] | length)]' <<<"$optimistic")" '["optimistic",4]'
printf '%s\n' '{"at":"09:10:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":100}}' \
  '{"at":"10:00:00","close":{"side":"売埋","type":"通常注文","normal":"成行","positions":"all"}}' > "$dir/market.jsonl"
kept=$(run --date 221110 --code 8473 --speed 30 --orders "$dir/market.jsonl" | jq -r '.sessionFile')
check "market orders alone: zero width" "$("$dir/corvala-cli" replay --session "$kept" --report | jq '.report.fillBand | .pessimistic == .described and .described == .optimistic')" true
run --date 221110 --code 8473 --fills optimistic >/dev/null 2>&1
status "--fills without --session" 1 $?

echo "$passed passed, $fail failed"
exit $fail
