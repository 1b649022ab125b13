#!/usr/bin/env bash
# corvala-cli import: a CSV of one-minute bars becomes day files that load, replay and trade,
# whose display says they were built; bad rows are told by line; a recorded file is never replaced.
set -u
cli="$1"; gen="$2"
dir=$(mktemp -d); trap 'rm -rf "$dir"' EXIT
. "$(dirname "$0")/demo_install.sh"
demo_install "$dir" || { echo "no demo install"; exit 1; }
passed=0; fail=0
expect() {  # name, expected, actual
  if [ "$2" == "$3" ]; then echo "ok   $1"; passed=$((passed+1)); else echo "FAIL $1: expected $2, got $3"; fail=1; fi
}
python3 - "$dir/bars.csv" <<'PY'
import sys
rows = ["日付,時刻,始値,高値,安値,終値,出来高"]
p = 1500
for d in ("2022/12/01", "2022/12/02"):
    for h, m0, m1 in ((9, 0, 60), (10, 0, 60), (11, 0, 31), (12, 30, 60), (13, 0, 60), (14, 0, 60), (15, 0, 1)):
        for m in range(m0, m1):
            o = p; c = o + (m % 5) - 2; hi = max(o, c) + m % 2; lo = min(o, c) - (m % 3 == 0)
            rows.append(f"{d},{h:02d}:{m:02d},{o},{hi},{lo},{c},{(m % 7 + 1) * 1200}")
            p = c
rows.append("2022/12/02,10:00,x,1,1,1,1")
open(sys.argv[1], "wb").write(("\r\n".join(rows) + "\r\n").encode("cp932"))
PY
data="$dir/日中データ"
for code in 8473 N225; do
  out=$("$cli" import --bars "$dir/bars.csv" --code $code --install "$dir" --data "$data")
  expect "import $code" 0 $?
done
expect "two days, their bars" '["221201",302,"221202",302]' "$(jq -c '[.days[] | .date, .bars]' <<<"$out")"
expect "the bad row by its line" '["行 606: 四本値が読めません。"]' "$(jq -c '.problems' <<<"$out")"
expect "the marker" "8473 N225" "$(tr -d '\r' < "$data/221202/分足から作成.txt" | paste -sd' ')"
load=$("$cli" load --install "$dir" --data "$data" --date 221202 --code 8473 --bar-length 1)
expect "it loads and says it was built" "　　この日は1分足から作ったデータです。板と歩み値は記録ではありません。" "$(jq -r '.message' <<<"$load")"
expect "the previous close is the day before's" true "$(jq '[.slots[] | select(.name == "DayStock") | .prevClose > 0] | all' <<<"$load")"
printf '%s\n' '{"at":"09:10:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":100}}' \
  '{"at":"10:00:00","close":{"side":"売埋","type":"通常注文","normal":"成行","positions":"all"}}' > "$dir/orders.jsonl"
replay=$("$cli" replay --install "$dir" --data "$data" --date 221202 --code 8473 --orders "$dir/orders.jsonl")
expect "it replays to the close" "15:00:00" "$(jq -r '.end' <<<"$replay")"
expect "and trades 100 shares each way" '[100,100]' "$(jq -c '[.executions[].quantity]' <<<"$replay")"
# Again over the built day: replaced. Over a recorded day: refused, the file untouched.
"$cli" import --bars "$dir/bars.csv" --code 8473 --date 221202 --install "$dir" --data "$data" >/dev/null
expect "a built day is built again" 0 $?
sed 's|2022/12/02|2022/11/11|' "$dir/bars.csv" > "$dir/recorded.csv"
before=$(md5sum < "$data/221111/8473.csv")
out=$("$cli" import --bars "$dir/recorded.csv" --code 8473 --date 221111 --install "$dir" --data "$data")
expect "a recorded day is not replaced" 2 $?
expect "it says so" true "$(jq '.problems | any(contains("置き換えません"))' <<<"$out")"
expect "the recorded file" "$before" "$(md5sum < "$data/221111/8473.csv")"
"$cli" import --bars "$dir/none.csv" --code 8473 --install "$dir" --data "$data" >/dev/null 2>&1
expect "a file that cannot be read" 2 $?
printf 'a,b\n1,2\n' > "$dir/nocolumns.csv"
"$cli" import --bars "$dir/nocolumns.csv" --code 8473 --install "$dir" --data "$data" >/dev/null 2>&1
expect "a file without the columns" 2 $?
"$cli" import --bars "$dir/bars.csv" --code 84 --install "$dir" --data "$data" >/dev/null 2>&1
expect "a code that is none" 1 $?
# Bars outside the session are told by line and give no previous close; an impossible high is
# told and left out, never turned into limit-up prints.
printf '%s\r\n' "日付,時刻,始値,高値,安値,終値,出来高" "2022/12/05,08:00,400,400,400,400,1000" \
  "2022/12/05,09:00,400,401,399,400,1000" "2022/12/05,15:00,400,400,400,400,1000" \
  "2022/12/05,15:30,650,650,650,650,1000" "2022/12/06,09:00,400,402,398,401,1000" \
  "2022/12/06,09:01,401,5000000,400,401,1000" "2022/12/06,15:00,401,401,401,401,1000" > "$dir/edges.csv"
out=$("$cli" import --bars "$dir/edges.csv" --code 8473 --install "$dir" --data "$dir/edges")
expect "edges imported" 0 $?
expect "the bars taken" '[2,2]' "$(jq -c '[.days[].bars]' <<<"$out")"
expect "the bars left out, by line" '["行 2: 08:00 は取引時間外です。この足は取り込みません。","行 5: 15:30 は取引時間外です。この足は取り込みません。","行 7: 値幅制限（320〜480円）を超えています。この足は取り込みません。"]' \
  "$(jq -c '.problems' <<<"$out")"
load=$("$cli" load --install "$dir" --data "$dir/edges" --date 221206 --code 8473 --bar-length 1)
expect "the previous close is the 15:00 close" 400 "$(jq '.slots[] | select(.name == "DayStock") | .prevClose' <<<"$load")"
expect "the day's high is the data's" 402 "$(jq '.slots[] | select(.name == "DayStock") | .high' <<<"$load")"
echo "$passed passed"
exit $fail
