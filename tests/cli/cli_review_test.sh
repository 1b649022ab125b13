#!/usr/bin/env bash
# The review's figures through corvala-cli: a scripted day with known fills (a given tape), its
# report checked against figures worked out by hand, and the statistics across the kept runs.
set -u
cli="$1"; gen="$2"
dir=$(mktemp -d); trap 'rm -rf "$dir"' EXIT
. "$(dirname "$0")/demo_install.sh"
demo_install "$dir" || { echo "no demo install"; exit 1; }
cp "$cli" "$dir/"
export APPDATA="$dir/appdata"
fail=0
expect() {  # name, expected, actual
  if [ "$2" = "$3" ]; then echo "ok   $1"; else echo "FAIL $1: expected $2, got $3"; fail=1; fi
}

cat > "$dir/tape.txt" <<'TAPE'
09:00:00 10,000 3,181
09:30:00 500 3,175
10:00:00 200 3,190
14:59:00 100 3,185
TAPE
# Market orders: a long bought at the opening print, 3,181, and sold at 3,175 at 09:20:01 (−600); a
# short sold at 3,174 at 09:40:01 and bought back at 3,165 at 10:30:01 (+900).
cat > "$dir/orders.jsonl" <<'JSON'
{"at":"08:30:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":100}}
{"at":"09:20:00","close":{"side":"売埋","type":"通常注文","normal":"成行","positions":"all"}}
{"at":"09:40:00","new":{"side":"売建","type":"通常注文","normal":"成行","qty":100}}
{"at":"10:30:00","close":{"side":"買埋","type":"通常注文","normal":"成行","positions":"all"}}
JSON
run() { "$dir/corvala-cli" replay --data "$dir/日中データ" --date 221102 --code 8473 --speed 30 --tape "$dir/tape.txt" \
          --orders "$dir/orders.jsonl" --install "$dir" "$@"; }
out=$(run --report)
report() { jq -c "$1" <<<"$out"; }
expect "fills" 4 "$(report '.executions | length')"
expect "counts" '[2,1,1,0.5]' "$(report '[.report.trades,.report.wins,.report.losses,.report.winRate]')"
expect "average win and loss" '[900,-600]' "$(report '[.report.avgWin,.report.avgLoss]')"
expect "profit factor" 1.5 "$(report '.report.profitFactor')"
expect "largest" '[900,-600,300]' "$(report '[.report.largestWin,.report.largestLoss,.report.netPnl]')"
expect "by side" '{"売建":{"trades":1,"wins":1,"pnl":900},"買建":{"trades":1,"wins":0,"pnl":-600}}' \
  "$(report '.report.bySide')"
# Held 09:00:00–09:20:01 and 09:40:01–10:30:01.
expect "holding time" 2100.5 "$(report '.report.avgHoldingSeconds')"
expect "one equity figure per step" "$(report '.steps')" "$(report '.report.equity | length')"
expect "equity starts flat and ends at the result" '[0,300]' "$(report '[.report.equity[0], .report.equity[-1]]')"
# After the long was sold the result stood at −600 with nothing open, from a start at 0: at least
# that deep a fall.
expect "drawdown" "true" "$(report '.report.maxDrawdown >= 600 and (.report.equity | index(-600) != null)')"
expect "the run was kept" "true" "$(report '.report.kept')"

# The kept run left its session file; played again it reaches the same fills and account, and
# the history text it would append is byte for byte what the run appended.
session=$(report '.sessionFile')
session=${session//\"/}
expect "a kept run leaves a session" "true" "$([ -f "$session" ] && echo true)"
played=$("$dir/corvala-cli" replay --session "$session" --install "$dir" --report)
expect "played again: fills" "$(report '.executions')" "$(jq -c '.executions' <<<"$played")"
expect "played again: account" "$(report '.account')" "$(jq -c '.account' <<<"$played")"
expect "played again: report" "$(report '.report | del(.kept)')" "$(jq -c '.report | del(.kept, .fillBand)' <<<"$played")"
expect "played again: as recorded" '{"actionsLeft":0,"answersLeft":0,"cutShort":false,"matched":true,"outcomeChecked":true}' \
  "$(jq -c '.session' <<<"$played")"
for f in 実現損益.csv 約定履歴.csv; do
  jq -j --arg f "$f" '.history[$f]' <<<"$played" | iconv -f UTF-8 -t CP932 > "$dir/played.csv"
  size=$(stat -c %s "$dir/played.csv")
  expect "played again: $f bytes" "$(tail -c "$size" "$dir/売買履歴/$f" | md5sum)" "$(md5sum < "$dir/played.csv")"
done
expect "played again, nothing is appended" "$(md5sum < "$dir/売買履歴/実現損益.csv")" \
  "$("$dir/corvala-cli" replay --session "$session" --install "$dir" >/dev/null; md5sum < "$dir/売買履歴/実現損益.csv")"
# A stopped run not kept leaves none.
count=$(ls "$dir/売買履歴/セッション" | wc -l)
echo '{"at":"09:10:00","press":"■","answers":["はい","いいえ"]}' > "$dir/stop.jsonl"
out2=$(run --script "$dir/stop.jsonl")
expect "an unkept run leaves no session" "null $count" "$(jq -c '.sessionFile' <<<"$out2") $(ls "$dir/売買履歴/セッション" | wc -l)"
# Data that changed since is refused; so is a file that is no session.
cp -r "$dir/日中データ" "$dir/changed"
printf 'x' >> "$dir/changed/221102/8473.csv"
refused=$("$dir/corvala-cli" replay --session "$session" --install "$dir" --data "$dir/changed")
expect "changed data: exit 3" 3 $?
expect "changed data: says which" "true" "$(jq -r '.message | contains("221102/8473.csv が記録したときから変わっています")' <<<"$refused")"
# A file that lies: its start edited (another day, no data files) is refused; an order edited
# plays to another outcome than the one written at its end.
sed '1s/"date":"221102"/"date":"221104"/' "$session" > "$dir/lie.jsonl"
"$dir/corvala-cli" replay --session "$dir/lie.jsonl" --install "$dir" >/dev/null 2>"$dir/err.txt"
expect "another day in the start: exit 1" "1 true" "$? $(grep -q '書き換えられています' "$dir/err.txt" && echo true)"
sed -E '1s/"files":\[[^]]*\]/"files":[]/' "$session" > "$dir/lie.jsonl"
"$dir/corvala-cli" replay --session "$dir/lie.jsonl" --install "$dir" >/dev/null 2>&1
expect "no data files in the start: exit 1" 1 $?
sed '0,/"PlaceNewOrder"/s/false,"100"/false,"200"/' "$session" > "$dir/lie.jsonl"
lie=$("$dir/corvala-cli" replay --session "$dir/lie.jsonl" --install "$dir" 2>/dev/null)
expect "an edited order: exit 4, not matched" "4 false" "$? $(jq -c '.session.matched' <<<"$lie")"
# The data folder moved: the program's own data folder holds the same files, and serves.
mv "$dir/日中データ" "$dir/moved"
"$dir/corvala-cli" settings --install "$dir" --apply "folder=$dir/moved" --save >/dev/null
moved=$("$dir/corvala-cli" replay --session "$session" --install "$dir")
expect "a moved data folder: played from the one in use" "0 true" "$? $(jq -c '.session.matched' <<<"$moved")"
mv "$dir/moved" "$dir/日中データ"
rm "$dir/setsim"  # the runs below take the install folder's data again
printf 'hello\n' > "$dir/bad.jsonl"
"$dir/corvala-cli" replay --session "$dir/bad.jsonl" --install "$dir" 2>"$dir/err.txt" >/dev/null
expect "not a session: exit 1" 1 $?
expect "not a session: says so" "true" "$(grep -q 'JSON の行ではありません\|セッションファイルではありません' "$dir/err.txt" && echo true)"
rm -rf "$dir/changed"

second=$(run)
expect "without --report no report" "null" "$(jq -c '.report' <<<"$second")"
# The second run started from the first one's totals; played in a fresh install folder (no
# history there, another stock list) it still starts from them and names the stock as then.
mkdir -p "$dir/fresh"
printf '8473,8473.T,\x83e\x83X\x83g\r\n' > "$dir/fresh/銘柄リスト.csv"
session2=$(jq -r '.sessionFile' <<<"$second")
fresh=$("$dir/corvala-cli" replay --session "$session2" --install "$dir/fresh")
expect "fresh install: same account" "$(jq -c '.account' <<<"$second")" "$(jq -c '.account' <<<"$fresh")"
expect "fresh install: as recorded" "true" "$(jq -c '.session.matched' <<<"$fresh")"
expect "fresh install: the recorded name" "true" "$(jq -r '.history["実現損益.csv"] | contains("白鷺")' <<<"$fresh")"
expect "fresh install: no history written" "false" "$([ -e "$dir/fresh/売買履歴/実現損益.csv" ] && echo true || echo false)"
# A session that ends otherwise than its file says is exit status 4.
grep -v '"press"' "$session2" > "$dir/pressless.jsonl"
"$dir/corvala-cli" replay --session "$dir/pressless.jsonl" --install "$dir" >/dev/null 2>&1
expect "not as recorded: exit 4" 4 $?

# Across the runs kept in 売買履歴: three runs of the same day, the totals reset after the last.
cp "$dir/orders.jsonl" "$dir/with-reset.jsonl"
echo '{"at":"15:00:00","reset":true}' >> "$dir/with-reset.jsonl"
"$dir/corvala-cli" replay --data "$dir/日中データ" --date 221102 --code 8473 --speed 30 --tape "$dir/tape.txt" \
  --orders "$dir/with-reset.jsonl" --install "$dir" >/dev/null
out=$("$dir/corvala-cli" stats --install "$dir")
expect "runs" '[3,6,0,1]' "$(jq -c '[.runs,.trades,.skippedLines,.resets]' <<<"$out")"
expect "cumulative" '[300,600,900]' "$(jq -c '.cumulative' <<<"$out")"
expect "by day" '[{"date":"2022/11/02","pnl":900,"runs":3}]' "$(jq -c '.byDay' <<<"$out")"
expect "by weekday" '{"水":[6,3]}' "$(jq -c '.byWeekday | map_values([.trades,.wins])' <<<"$out")"
expect "by code" '[6,0.5]' "$(jq -c '.byCode["8473"] | [.trades,.winRate]' <<<"$out")"
printf 'garbage\r\n' >> "$dir/売買履歴/実現損益.csv"
expect "a damaged line is counted" 1 "$("$dir/corvala-cli" stats --install "$dir" | jq '.skippedLines')"
expect "no history is no runs" 0 "$("$dir/corvala-cli" stats --install "$dir/none" | jq '.runs')"
"$dir/corvala-cli" stats --bogus >/dev/null 2>&1
expect "bad arguments" 1 $?
exit $fail
