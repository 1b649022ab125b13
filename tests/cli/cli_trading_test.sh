#!/usr/bin/env bash
# corvala-cli replay with orders over the demo install and a given tape: fills, refusals,
# corrections and cancellations, cash-only trading, the account, and the history files as CP932
# with CR LF.
set -u
cli="$1"; gen="$2"
dir=$(mktemp -d); trap 'rm -rf "$dir"' EXIT
. "$(dirname "$0")/demo_install.sh"
demo_install "$dir" || { echo "no demo install"; exit 1; }
cp "$cli" "$dir/"
run() { "$dir/corvala-cli" replay --data "$dir/日中データ" --date 221102 --code 8473 --speed 30 --tape "$dir/tape.txt" "$@"; }
passed=0; fail=0
check() {  # name, haystack, needle
  if [[ "$2" != *"$3"* ]]; then echo "FAIL $1: missing $3 in ${2:0:600}"; fail=1; else echo "ok   $1"; passed=$((passed+1)); fi
}
lacks() {  # name, haystack, needle
  if [[ "$2" == *"$3"* ]]; then echo "FAIL $1: unexpected $3"; fail=1; else echo "ok   $1"; passed=$((passed+1)); fi
}
status() {  # name, expected, actual
  if [ "$2" -eq "$3" ]; then echo "ok   $1"; passed=$((passed+1)); else echo "FAIL $1: status $3"; fail=1; fi
}
history() { iconv -f CP932 -t UTF-8 "$dir/売買履歴/$1"; }

cat > "$dir/tape.txt" <<'TAPE'
09:00:00 10,000 3,181
09:00:10 300 3,181
09:30:00 500 3,175
10:00:00 200 3,180
14:59:00 100 3,185
TAPE

cat > "$dir/orders.jsonl" <<'JSON'
{"at":"08:30:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":100}}
{"at":"08:31:00","new":{"side":"買建","type":"通常注文","normal":"指値","price":3000,"qty":100}}
{"at":"09:05:00","correct":101,"price":3010}
{"at":"09:06:00","new":{"side":"買建","type":"通常注文","normal":"指値","price":3000,"qty":1000000}}
{"at":"09:07:00","new":{"side":"買建","qty":100}}
{"at":"09:08:00","cashOnly":true}
{"at":"09:10:00","cancel":101}
{"at":"09:11:00","cancel":999}
{"at":"09:20:00","close":{"side":"売埋","type":"通常注文","normal":"成行","positions":"all"}}
{"at":"09:40:00","new":{"side":"売建","type":"逆指値注文","trigger":3200,"when":"以上","stop":"成行","qty":200}}
JSON
out=$(run --orders "$dir/orders.jsonl")
status "orders run" 0 $?
# At speed 30 a step is matched in one pass; its fills carry the step's time, as the clock shows.
check "pre-open market fill at the opening print" "$out" '"executions":[{"time":"09:00:00","trade":"新規","side":"買建","quantity":100.0,"price":3181.0,"order":100.0,"position":200.0}'
check "market close" "$out" '"trade":"返済","side":"売埋","quantity":100.0'
check "close names its position" "$out" '"order":300.0,"position":[200.0]'
check "funds refused" "$out" '"message":"資金が足りません。"'
check "missing price refused" "$out" '"line":5,"message":"価格が入力されていません。"'
check "account panel locked" "$out" '"line":6,"message":"再生中は'
check "unknown order" "$out" '"line":8,"message":"注文999は未約定の注文にありません。"'
lacks "cancelled order never fills" "$out" '"order":101.0'
check "unfired stop left at the end" "$out" '"pendingOrders":[],"positions":[]'
check "account figures" "$out" '"account":{"investment":'
check "caption" "$out" '"buyingPowerCaption":"新規建余力"'
lacks "no stop fill below its trigger" "$out" '"side":"売建"'

executions=$(history 約定履歴.csv)
check "execution rows" "$executions" ',8473,白鷺フィナンシャル,信用,新規買建,100,3181,318100'
check "closing row" "$executions" ',信用,返済売埋,100,'
crlf=$(grep -c $'\r$' "$dir/売買履歴/約定履歴.csv"); lines=$(wc -l < "$dir/売買履歴/約定履歴.csv")
status "every line ends in CR LF" "$lines" "$crlf"
iconv -f CP932 -t UTF-8 "$dir/売買履歴/実現損益.csv" >/dev/null; status "realised file is CP932" 0 $?
check "realised summary" "$(history 実現損益.csv)" ',,,,,,,,,,,今回の損益,'

# A corrected order fills with its new quantity and number; a discarded run leaves no order,
# holding or list line behind.
cat > "$dir/correct.jsonl" <<'JSON'
{"at":"08:31:00","new":{"side":"買建","type":"通常注文","normal":"指値","price":3000,"qty":100}}
{"at":"09:05:00","correct":100,"price":3180,"qty":200}
{"at":"09:40:00","press":"■","answers":["はい","いいえ"]}
JSON
out=$(run --orders "$dir/correct.jsonl" --install "$dir")
check "corrected order filled" "$out" '"trade":"新規","side":"買建","quantity":200.0'
check "corrected order keeps its number" "$out" '"order":100.0,"position":200.0'
check "stopped" "$out" '"stopped":true'
check "discarded run leaves nothing" "$out" '"pendingOrders":[],"positions":[]'

# A closing order corrected keeps its allocation.
cat > "$dir/close-correct.jsonl" <<'JSON'
{"at":"08:30:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":200}}
{"at":"09:05:00","close":{"side":"売埋","type":"通常注文","normal":"指値","price":3840,"positions":"all"}}
{"at":"09:06:00","correct":300,"price":3170}
JSON
out=$(run --orders "$dir/close-correct.jsonl")
check "closing order corrected" "$out" '"trade":"返済","side":"売埋","quantity":200.0'
check "corrected close names its position" "$out" '"order":300.0,"position":[200.0]'
lacks "closing correction refused" "$out" '"line":3'

# Cash only: 買付 and 売付, 売建 refused; a small investment forces it.
cat > "$dir/cash.jsonl" <<'JSON'
{"at":"08:30:00","new":{"side":"買付","type":"通常注文","normal":"成行","qty":100}}
{"at":"08:31:00","new":{"side":"売建","type":"通常注文","normal":"成行","qty":100}}
{"at":"10:30:00","close":{"side":"売付","type":"通常注文","normal":"成行","positions":{"200":100}}}
JSON
out=$(run --orders "$dir/cash.jsonl" --cash-only)
check "cash buy" "$out" '"side":"買付","quantity":100.0,"price":3181.0'
check "cash sell" "$out" '"side":"売付","quantity":100.0'
check "short refused in cash mode" "$out" '"line":2,"message":"現物のみ: 買付だけを注文できます。"'
check "cash caption" "$out" '"buyingPowerCaption":"買付可能額"'
check "cash history rows" "$(history 約定履歴.csv)" ',現物,新規買付,100,3181,318100'

out=$(run --investment 250000)
check "below 300,000 only cash" "$out" '"buyingPower":"250,000","buyingPowerCaption":"買付可能額"'
out=$(run --investment 12x 2>&1)
status "bad investment" 1 $?

# Discarded: nothing written.
rows_before=$(history 約定履歴.csv | wc -l)
printf '%s\n' '{"at":"08:30:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":100}}' \
  '{"at":"09:30:00","press":"■","answers":["はい","いいえ"]}' > "$dir/discard.jsonl"
out=$(run --orders "$dir/discard.jsonl")
check "discarded run filled" "$out" '"trade":"新規"'
status "discarded run writes nothing" "$rows_before" "$(history 約定履歴.csv | wc -l)"

# The totals of a kept run, reset before the next: the marker stands between the runs.
printf '%s\n' '{"at":"08:00:00","reset":true}' > "$dir/reset.jsonl"
run --orders "$dir/reset.jsonl" --investment 1000000 >/dev/null
lacks "nothing to reset, no marker" "$(history 実現損益.csv)" "全損益をリセットしました"
printf '%s\n' '{"at":"08:30:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":100}}' \
  '{"at":"15:00:00","reset":true}' > "$dir/reset.jsonl"
out=$(run --orders "$dir/reset.jsonl")
check "reset after the run" "$out" '"netPnl":"0","netPnlAfterTax":"0","profitTotal":0,"lossTotal":0'
realized=$(history 実現損益.csv)
check "marker after the kept run" "${realized: -120}" "全損益をリセットしました   ******************************"
check "marker date" "$realized" "******************************   $(date +%Y/%m/%d)全損益をリセットしました"

# A kept run that the history files cannot take is told, with exit status 5; neither file changes.
realized=$(history 実現損益.csv)
mv "$dir/売買履歴/約定履歴.csv" "$dir/kept.csv" && mkdir "$dir/売買履歴/約定履歴.csv"  # a folder in its place
out=$(run --orders "$dir/orders.jsonl" 2>"$dir/err")
status "unwritten run exit" 5 $?
check "unwritten run told" "$out" '"historyProblem":"売買履歴の 約定履歴.csv に書き込めませんでした。'
check "unwritten run on stderr" "$(cat "$dir/err")" "the kept run could not be written"
[ "$(history 実現損益.csv)" == "$realized" ]; status "realised file unchanged" 0 $?
pending="$dir/売買履歴_未書込.dat"
check "the rows wait beside the history" "$out" "$pending に保持し"
[ -f "$pending" ]; status "the pending file" 0 $?
per_run=$(jq '.executions | length' <<<"$out")
# With --save-settings failing too, the unwritten run (one without trades) is what the status tells.
mv "$dir/setsim" "$dir/setsim.kept" 2>/dev/null; mkdir "$dir/setsim"
run --save-settings >/dev/null 2>&1
status "unwritten run and unsaved settings" 5 $?
rmdir "$dir/setsim"; mv "$dir/setsim.kept" "$dir/setsim" 2>/dev/null
rmdir "$dir/売買履歴/約定履歴.csv" && mv "$dir/kept.csv" "$dir/売買履歴/約定履歴.csv"
# The next run appends the two waiting runs first, in order, and says so.
fills_before=$(history 約定履歴.csv | grep -c ',8473,')
runs_before=$(history 実現損益.csv | grep -c '今回の損益')
out=$(run --orders "$dir/orders.jsonl" 2>"$dir/err")
status "the next run" 0 $?
check "waiting rows said" "$(cat "$dir/err")" "前に書き込めなかった記録を、先に売買履歴へ書き込みました。"
status "every waiting fill written" $((fills_before + 2 * per_run)) "$(history 約定履歴.csv | grep -c ',8473,')"
status "three summaries" $((runs_before + 3)) "$(history 実現損益.csv | grep -c '今回の損益')"
[ ! -e "$pending" ]; status "nothing left waiting" 0 $?

# A session file that cannot be written is told, and the status is not 0.
mv "$dir/売買履歴/セッション" "$dir/sessions.kept" && touch "$dir/売買履歴/セッション"
out=$(run --orders "$dir/orders.jsonl" 2>/dev/null)
status "unwritten session" 5 $?
check "unwritten session told" "$out" '"sessionProblem":"セッションファイル'
lacks "no session file named" "$out" '"sessionFile"'
rm "$dir/売買履歴/セッション" && mv "$dir/sessions.kept" "$dir/売買履歴/セッション"

# Another program holds the history's lock: one wait, said before it, and the rows wait.
flock -o "$dir/売買履歴" sleep 30 >/dev/null 2>&1 &
holder=$!
sleep 0.5
began=$(date +%s%N)
out=$(run --orders "$dir/orders.jsonl" 2>"$dir/err")
st=$?
waited=$(( ($(date +%s%N) - began) / 1000000 ))
kill "$holder"
status "held lock: not written" 5 "$st"
check "what it waits for" "$(cat "$dir/err")" "他のプログラムが売買履歴に書き込んでいます。終わるのを待っています"
[ "$waited" -lt 6000 ]; status "one wait of 3 s, not three (${waited} ms)" 0 $?
check "held lock: the rows wait" "$out" "$pending に保持し"
run --orders "$dir/orders.jsonl" >/dev/null 2>&1
status "free again" 0 $?
[ ! -e "$pending" ]; status "the waiting run went in" 0 $?

# One-key orders through the same entry as the dialogs: a buy at the best ask refused for funds,
# then accepted (one trading unit); a short at the bid that the sparse tape never fills; every
# position closed at market, every pending order cancelled. A played session does the same.
printf '%s\n' '{"at":"09:05:00","key":"buyAtAsk","qty":100000}' '{"at":"09:05:00","key":"buyAtAsk"}' \
  '{"at":"09:06:00","key":"sellAtBid","qty":200}' '{"at":"10:00:00","key":"closeAll"}' \
  '{"at":"10:01:00","key":"cancelAll"}' '{"at":"10:02:00","key":"cancelAll"}' > "$dir/keys.jsonl"
out=$(run --script "$dir/keys.jsonl")
check "one-key buy refused for funds" "$(jq -c '.rejected[0]' <<<"$out")" '{"at":"09:05:00","line":1,"message":"資金が足りません。"}'
check "one-key buy at the ask, closed at market" "$(jq -c '[.executions[] | [.trade, .side, .quantity]]' <<<"$out")" \
  '[["新規","買建",100],["返済","売埋",100]]'
check "the ask it bought at" "$(jq -c '.executions[0] | [.time, .price]' <<<"$out")" '["09:05:05",3178]'
check "nothing left to cancel" "$(jq -c '[.rejected[1:][] | .message], .pendingOrders' <<<"$out")" '["取消できる注文がありません。"]
[]'
check "every yen back" "$(jq -r '.account.buyingPower' <<<"$out")" "2,998,800"
played=$("$dir/corvala-cli" replay --session "$(jq -r '.sessionFile' <<<"$out")")
check "a played session keys the same" "$(jq -c '.executions, .account' <<<"$played")" "$(jq -c '.executions, .account' <<<"$out")"
err=$(printf '%s\n' '{"at":"09:05:00","key":"buyAll"}' > "$dir/badkey.jsonl"; run --script "$dir/badkey.jsonl" 2>&1)
status "an unknown key" 1 $?
printf '%s\n' '{"at":"09:05:00","key":"buyAtAsk","qty":0}' > "$dir/badkey.jsonl"
run --script "$dir/badkey.jsonl" >/dev/null 2>&1
status "a quantity of 0" 1 $?
# The default quantity comes from the settings (3 units here); a session keeps the shares it
# ordered, so it plays the same after the setting changed back.
"$dir/corvala-cli" settings --apply oneKeyUnits=3 --save >/dev/null
printf '%s\n' '{"at":"09:05:00","key":"buyAtAsk"}' > "$dir/key.jsonl"
out=$(run --script "$dir/key.jsonl")
check "three units by default" "$(jq -c '[.executions[] | .quantity]' <<<"$out")" '[300,300]'
"$dir/corvala-cli" settings --apply oneKeyUnits=1 --save >/dev/null
played=$("$dir/corvala-cli" replay --session "$(jq -r '.sessionFile' <<<"$out")")
check "played with its own shares" "$(jq -c '.executions, .session.matched' <<<"$played")" "$(jq -c '.executions' <<<"$out")
true"

bad='{"at":"09:00:00","new":{"side":"買う","qty":100}}'
printf '%s\n' "$bad" > "$dir/bad.jsonl"
err=$(run --orders "$dir/bad.jsonl" 2>&1)
status "bad side exit" 1 $?
check "bad side message" "$err" 'bad.jsonl line 1: "side" must be one of'
printf '%s\n' '09:00:00 100' > "$dir/badtape.txt"
err=$("$dir/corvala-cli" replay --data "$dir/日中データ" --date 221102 --code 8473 --tape "$dir/badtape.txt" 2>&1)
status "bad tape exit" 1 $?
check "bad tape message" "$err" "badtape.txt line 1: not a tape line"

echo "$passed passed, $fail failed"
exit $fail
