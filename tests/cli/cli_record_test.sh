#!/usr/bin/env bash
# corvala-cli over a recorded day: the files the recorder wrote from the stand-in station load,
# replay and trade; record refuses a password on the command line and a station it cannot reach
# without touching the data folder.
set -u
cli="$1"; recorder_tests="$2"
dir=$(mktemp -d); trap 'rm -rf "$dir"' EXIT
. "$(dirname "$0")/demo_install.sh"
demo_install "$dir" || { echo "no demo install"; exit 1; }
passed=0; fail=0
expect() {  # name, expected, actual
  if [ "$2" == "$3" ]; then echo "ok   $1"; passed=$((passed+1)); else echo "FAIL $1: expected $2, got $3"; fail=1; fi
}
data="$dir/日中データ"
CORVALA_RECORD_OUT="$data" "$recorder_tests" --gtest_filter='*ADayRecordsRowForRow*' >/dev/null
expect "the stand-in day is recorded" 0 $?
load=$("$cli" load --install "$dir" --data "$data" --date 261209 --code 8473 --series 大証先物)
expect "it loads" 0 $?
expect "both chosen-day slots, full days" '[3600,3600]' "$(jq -c '[.slots[] | select(.name == "DayIndex" or .name == "DayStock") | .lastRow]' <<<"$load")"
expect "the stock's unit" 100 "$(jq '.tradingUnit' <<<"$load")"
printf '%s\n' '{"at":"09:30:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":100}}' \
  '{"at":"14:00:00","close":{"side":"売埋","type":"通常注文","normal":"成行","positions":"all"}}' > "$dir/orders.jsonl"
replay=$("$cli" replay --install "$dir" --data "$data" --date 261209 --code 8473 --orders "$dir/orders.jsonl")
expect "it replays to the close" "15:00:00" "$(jq -r '.end' <<<"$replay")"
expect "and trades 100 shares each way" '[100,100]' "$(jq -c '[.executions[].quantity]' <<<"$replay")"

# The same day as a recording begun at 14:57:30 left it: nothing traded before (rows without a
# price), then the rows with the day's open and volume. The tape prints only what traded after.
late="$dir/late"; mkdir -p "$late/261209"; cp "$data/261209/"*.csv "$late/261209/"
awk -F, -v OFS=, '{ if (NR <= 3570) { $3 = ""; $4 = "-"; $6 = "-"; for (i = 7; i <= 14; i++) $i = "";
  for (i = 15; i <= 34; i++) $i = "0"; $36 = "\r" } print }' "$data/261209/8473.csv" > "$late/261209/8473.csv"
tape=$("$cli" tape --install "$dir" --data "$late" --date 261209 --code 8473)
expect "the late day's tape" 0 $?
cum() { sed -n "$1p" "$late/261209/8473.csv" | cut -d, -f6; }
expect "it prints what traded from 14:57:30 on" $(( $(cum 3601) - $(cum 3571) )) \
  "$(tr -d , <<<"$tape" | awk '{ s += $2 } END { print s }')"
expect "from 14:57:30 on" true "$(head -1 <<<"$tape" | awk '{ print ($1 >= "14:57:30") }' | sed 's/1/true/;s/0/false/')"

before=$(find "$data" -type f -exec md5sum {} + | sort | md5sum)
"$cli" record --codes 8473 --password secret --data "$data" --install "$dir" >/dev/null 2>&1
expect "no password on the command line" 1 $?
"$cli" record --codes 8473 --series DOW --data "$data" --install "$dir" >/dev/null 2>&1
expect "an unknown series" 1 $?
"$cli" record --codes 84730 --data "$data" --install "$dir" >/dev/null 2>&1
expect "a code of five digits" 1 $?
# --late and a close at 23:59 keep the time of day out of it (only the last 50 s before midnight in
# Japan would still be refused as after the close).
anytime=(--late --close 23:59)
err=$(CORVALA_API_PASSWORD=x "$cli" record --codes 8473 "${anytime[@]}" --api http://127.0.0.1:9/kabusapi --data "$data" --install "$dir" 2>&1 >/dev/null)
expect "no station" 2 $?
expect "it says so" true "$(grep -q 'に接続できません' <<<"$err" && echo true || echo false)"
printf 'x\n' > "$dir/password"
err=$("$cli" record --codes 8473 "${anytime[@]}" --api http://127.0.0.1:9/kabusapi --password-file "$dir/password" --data "$data" \
  --install "$dir" 2>&1 >/dev/null </dev/null)
expect "the password from a file, the same" 2 $?
expect "and it says so" true "$(grep -q 'に接続できません' <<<"$err" && echo true || echo false)"
expect "the data folder untouched" "$before" "$(find "$data" -type f -exec md5sum {} + | sort | md5sum)"
echo "$passed passed"
exit $fail
