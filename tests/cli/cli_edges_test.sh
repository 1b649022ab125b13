#!/usr/bin/env bash
# corvala-cli replay at the edges, over exact tapes: the board under resting orders through a step
# of prints and the step's trace, an order placed between steps, fill times at speed 30, and a
# script that steps through a paused replay.
set -u
cli="$1"; gen="$2"
dir=$(mktemp -d); trap 'rm -rf "$dir"' EXIT
. "$(dirname "$0")/demo_install.sh"
demo_install "$dir" || { echo "no demo install"; exit 1; }
cp "$cli" "$dir/"
run() { "$dir/corvala-cli" replay --data "$dir/日中データ" --date 221104 --code 8473 --tape "$dir/tape.txt" --install "$dir" "$@"; }
passed=0; fail=0
expect() {  # name, expected, actual
  if [ "$2" == "$3" ]; then echo "ok   $1"; passed=$((passed+1)); else echo "FAIL $1: expected $2, got $3"; fail=1; fi
}

# Row 0 records 400 at the fifth bid, 3,132; row 3 records 8,500 at 3,133 and 42,400 in all.
cat > "$dir/tape.txt" <<'TAPE'
09:00:00 32,100 3,136
09:00:01 100 3,137
09:00:02 100 3,137
09:00:03 100 3,137
09:00:04 100 3,137
09:00:30 100 3,136
TAPE
cat > "$dir/orders.jsonl" <<'JSON'
{"at":"08:30:00","new":{"side":"買建","type":"通常注文","normal":"指値","price":3132,"qty":100}}
{"at":"09:00:15","new":{"side":"買建","type":"通常注文","normal":"指値","price":3133,"qty":100}}
JSON
out=$(run --orders "$dir/orders.jsonl" --trace)
expect "run" 0 $?
# Four prints in the step leave the resting bid once on its level: 400 + 100.
# The opening print took the best bid, so the levels moved up one place; the trace shows the
# board after the step's prints, not the next row's.
bidAt() { jq --argjson row "$1" --argjson p "$2" '.trace[$row].board as $b | [range(5;10) | select($b[.] == $p)] | if length == 0 then 0 else $b[.[0] + 10] end' <<<"$out"; }
expect "traced board is the step's own" "09:00:00 3131" "$(jq -r '.trace[0] | "\(.clock) \(.board[9])"' <<<"$out")"
expect "resting order counted once" 500 "$(bidAt 0 3132)"
# Placed after row 2's last sub-step, the order is in row 3's board and total.
expect "order placed between steps is on the next board" 8600 "$(bidAt 3 3133)"
expect "and in its total" 42600 "$(jq '.trace[3].boardTotalQty' <<<"$out")"

# At speed 30 a step is matched in one pass: its fills carry the step's time, as the clock shows.
cat > "$dir/market.jsonl" <<'JSON'
{"at":"08:30:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":100}}
JSON
out=$(run --orders "$dir/market.jsonl" --speed 30)
expect "fill time at speed 30" "09:00:00" "$(jq -r '.executions[0].time' <<<"$out")"
grep -q ',09:00:00,8473,' <(iconv -f CP932 -t UTF-8 "$dir/売買履歴/約定履歴.csv")
expect "history time at speed 30" 0 $?

# Pausing and stepping with → is a valid script; pausing for good is not.
cat > "$dir/steps.jsonl" <<'JSON'
{"at":"09:00:30","press":"||"}
{"at":"09:00:35","press":"→"}
{"at":"09:00:40","press":"→"}
{"at":"09:00:45","press":"||"}
JSON
out=$(run --script "$dir/steps.jsonl" --speed 30 2>"$dir/err")
expect "stepping script runs" "0 15:00:00" "$? $(jq -r '.end' <<<"$out")"
echo '{"at":"10:00:00","press":"||"}' > "$dir/stuck.jsonl"
run --script "$dir/stuck.jsonl" --speed 30 >/dev/null 2>"$dir/err"
expect "a script that pauses for good fails" 1 $?
grep -q "leaves the replay paused at 10:00:0" "$dir/err"
expect "and says where" 0 $?

echo "$passed passed, $([ $fail -eq 0 ] && echo 0 || echo some) failed"
exit $fail
