#!/usr/bin/env bash
# corvala-cli replay on demo days and hand-edited copies of them: no money comes from nothing.
# Unknown opens and previous closes, late openers, short sales reserved at what they can fill at,
# the limit-up day, the user's own orders never supplying the user, a new order's pass taking no
# other order, prices off the grid, and orders after the replay has stopped.
set -u
cli="$1"; gen="$2"
dir=$(mktemp -d); trap 'rm -rf "$dir"' EXIT
. "$(dirname "$0")/demo_install.sh"
demo_install "$dir" || { echo "no demo install"; exit 1; }
data="$dir/日中データ"
passed=0; fail=0
expect() {  # name, jq filter that must print true, json
  if [ "$(jq -c "$2" <<<"$3")" = "true" ]; then echo "ok   $1"; passed=$((passed+1));
  else echo "FAIL $1: $2 on $(jq -c '{executions,rejected,account}' <<<"$3" | cut -c1-700)"; fail=1; fi
}
run() {  # data folder, date, code, orders file, more options…
  local folder="$1" date="$2" code="$3" orders="$4"; shift 4
  "$cli" replay --data "$folder" --install "$dir" --date "$date" --code "$code" --speed 30 --seed 1 \
    --orders "$orders" "$@"
}
orders() { local f="$dir/$1.jsonl"; shift; printf '%s\n' "$@" > "$f"; echo "$f"; }
# A copy of one day's data with the stock's file passed through an awk program (fields are
# comma-separated, numbered from 1: column c of the format is field c + 1).
edited() {  # name, date, code, awk program
  local copy="$dir/$1"
  mkdir -p "$copy/$2"
  cp "$data/$2"/* "$copy/$2/"
  local prev; prev=$(ls "$data" | grep -E '^[0-9]{6}$' | sort | awk -v d="$2" '$0 < d' | tail -n 1)
  [ -n "$prev" ] && mkdir -p "$copy/$prev" && cp "$data/$prev"/* "$copy/$prev/"
  LC_ALL=C awk -F, -v OFS=, "$4" "$data/$2/$3.csv" > "$copy/$2/$3.csv"
  echo "$copy"
}
market_buy='{"side":"買建","type":"通常注文","normal":"成行","qty":100}'

# An open written only on the first line: the pre-open market buy fills at that open, not at 0.
folder=$(edited open-first 221104 8473 'NR > 1 { $7 = "" } 1')
out=$(run "$folder" 221104 8473 "$(orders open "{\"at\":\"08:30:00\",\"new\":$market_buy}")")
expect "open on the first line only: the opening fill has its price" \
  '.executions[0].price == 3136 and .executions[0].time == "09:00:00"' "$out"

# No previous close ("-"): the current price is the row's, the limits come from the first trade,
# a market short of 50,000 is refused and a stop settles at the current price, not at 0.
folder=$(edited no-prev 221104 8473 '{ $5 = "-" } 1')
out=$(run "$folder" 221104 8473 "$(orders no-prev \
  '{"at":"09:10:00","new":{"side":"売建","type":"通常注文","normal":"成行","qty":50000}}' \
  '{"at":"09:10:00","new":{"side":"売建","type":"通常注文","normal":"成行","qty":100}}' \
  '{"at":"10:00:00","press":"■","answers":["はい","はい"]}')")
expect "no previous close: the big short is refused" '[.rejected[].message] == ["資金が足りません。"]' "$out"
expect "no previous close: settled at the current price" \
  '(.executions | length) == 2 and .executions[1].price > 3000 and .account.lossTotal + .account.profitTotal < 10000' "$out"

# A late opener before its first trade (4385 on 221101, asks only): a short is reserved at the
# upper limit, 2,191, whatever its own price; 1 yen is beyond the lower limit.
out=$(run "$data" 221101 4385 "$(orders late \
  '{"at":"09:05:00","new":{"side":"売建","type":"通常注文","normal":"指値","price":1,"qty":100000}}' \
  '{"at":"09:05:00","new":{"side":"売建","type":"通常注文","normal":"指値","price":1500,"qty":1500}}' \
  '{"at":"09:05:00","new":{"side":"売建","type":"通常注文","normal":"指値","price":1500,"qty":1300}}')")
expect "late opener: 1 yen is refused" '.rejected[0] == {"at":"09:05:00","line":1,"message":"価格の1円は値幅制限（1,391円～2,191円）の外です。"}' "$out"
expect "late opener: 1,500 × 1,500 is 3.3 million at the upper limit" '.rejected[1].message == "資金が足りません。"' "$out"
expect "late opener: the short that fits fills at the open" \
  '[.executions[] | select(.trade == "新規") | [.quantity, .price]] == [[1300, 1782]]' "$out"
out=$(run "$data" 221101 4385 "$(orders late-buy \
  '{"at":"08:30:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":1000}}')" --report)
expect "late opener: holdings are never valued at 0" '(.report.equity | min) > -100000' "$out"

# A short stop 以上 360 with a limit of 300 (2315 on 221109): it sells at 360 or more once it fires,
# so 9,000 shares need 3,240,000 yen; 8,000 fit, and fill within what they hold back.
out=$(run "$data" 221109 2315 "$(orders stop \
  '{"at":"09:00:30","new":{"side":"売建","type":"逆指値注文","trigger":360,"when":"以上","stop":"指値","stopPrice":300,"qty":9000}}' \
  '{"at":"09:00:30","new":{"side":"売建","type":"逆指値注文","trigger":360,"when":"以上","stop":"指値","stopPrice":300,"qty":8000}}')")
expect "short stop: reserved at its trigger" '[.rejected[] | [.line, .message]] == [[1, "資金が足りません。"]]' "$out"
expect "short stop: filled within its reservation" '.executions[0].quantity == 8000 and .executions[0].price <= 360' "$out"

# Before the open a short meets the opening print: reserved at the upper limit (3,815 on 221110)
# even above the bid. From a mid-session start (現時点) it is reserved at the bid, as a minute later.
out=$(run "$data" 221110 8473 "$(orders pre-short \
  '{"at":"08:30:00","new":{"side":"売建","type":"通常注文","normal":"指値","price":3130,"qty":900}}' \
  '{"at":"08:30:00","new":{"side":"売建","type":"通常注文","normal":"指値","price":3130,"qty":700}}')")
expect "pre-open short: 900 × 3,815 is refused" '[.rejected[].line] == [1]' "$out"
expect "pre-open short: 700 fill at the open" '.executions[0] | .quantity == 700 and .price == 3131' "$out"
out=$(run "$data" 221110 8473 "$(orders mid-short \
  '{"at":"08:30:00","new":{"side":"売建","type":"通常注文","normal":"指値","price":3100,"qty":900}}')" --start 10:00)
expect "mid-session short: reserved at the bid and filled" '.rejected == [] and .executions[0].quantity == 900' "$out"

# The limit-up afternoon (2315 at 402 on 221109): no synthetic ask above the limit, a market buy
# fills at 402 at most, and a short at the 402 bid sells at once instead of queueing behind it.
out=$(run "$data" 221109 2315 "$(orders limit-up \
  '{"at":"14:00:00","new":{"side":"売建","type":"通常注文","normal":"指値","price":402,"qty":100}}' \
  '{"at":"14:00:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":1000}}')" --trace)
expect "limit-up: no ask above 402" '[.trace[] | .board[0:5][] | select(. > 402)] == []' "$out"
expect "limit-up: fills at 402, the short at once" \
  '[.executions[] | select(.trade == "新規") | [.time, .side, .price]] == [["14:00:05","売建",402],["14:00:05","買建",402]]' "$out"

# A marked print ends its step at the next snapshot (9984 on 221109 prints 24,550 up to 09:00:43):
# a market buy just after it meets that snapshot's asks, not the step's own that the prints took.
out=$(run "$data" 221109 9984 "$(orders resync \
  '{"at":"09:00:44","new":{"side":"買建","type":"通常注文","normal":"成行","qty":1200}}')" --speed 20 --investment 100000000)
expect "a marked print: no stale ask" '.executions[0].price >= 24550' "$out"

# The user's own offer at 3,138 inside an empty spread (asks from 3,140 by hand) never sells to
# the user's market buy; a resting bid at 3,136 does not fill when an unrelated buy is placed
# before the next print at its price.
folder=$(edited spread 221104 8473 \
  'NR >= 340 && NR <= 380 { $15=3140; $16=3141; $17=3142; $18=3143; $19=3144; $20=3136; $21=3135; $22=3134; $23=3133; $24=3132 } 1')
printf '%s\n' '09:00:00 10,000 3,136' '09:45:00 9,000 3,136' '14:59:00 100 3,140' > "$dir/tape.txt"
out=$(run "$folder" 221104 8473 "$(orders own \
  '{"at":"09:30:00","new":{"side":"売建","type":"通常注文","normal":"指値","price":3138,"qty":5000}}' \
  "{\"at\":\"09:30:00\",\"new\":$market_buy}")" --tape "$dir/tape.txt" --investment 10000000)
expect "own offer: the market buy pays the market's ask" '.executions[0] | .order == 101 and .price == 3140' "$out"
out=$(run "$data" 221104 8473 "$(orders unrelated \
  '{"at":"09:10:00","new":{"side":"買建","type":"通常注文","normal":"指値","price":3136,"qty":100}}' \
  '{"at":"09:30:00","new":{"side":"買建","type":"通常注文","normal":"指値","price":3000,"qty":100}}' \
  '{"at":"09:31:00","new":{"side":"買建","type":"通常注文","normal":"指値","price":3136.5,"qty":100}}' \
  '{"at":"10:00:00","press":"■","answers":["はい","いいえ"]}' \
  "{\"at\":\"10:00:05\",\"new\":$market_buy}")" --tape "$dir/tape.txt")
expect "unrelated order: the resting bid waits for its print" '[.executions[] | select(.time < "09:44:00")] == []' "$out"
expect "off the grid" '.rejected[0] | .line == 3 and .message == "価格の3,136.5円は呼値の単位（1円）に合っていません。"' "$out"
expect "after the stop no order is taken" \
  '.rejected[1] == {"at":"10:00:00","line":5,"message":"シミュレーションの再生中ではないため、注文できません。"} and .pendingOrders == []' "$out"

# Nobody to trade with: from 10:00 to 10:20 no trade and no ask, the bids climbing from 3,131
# to 3,191. A market buy at 10:05 waits for the first seller (the step that leads to 10:20's
# trades, where the price falls back to 3,115), never filling at the last trade of 3,121, below
# every bid.
folder=$(edited no-ask 221104 8473 '$2 >= "10:00:00" && $2 < "10:20:00" {
  $4 = 3121; $6 = 240600; b = 3131 + int((NR - 721) / 4)
  for (i = 15; i <= 19; i++) { $i = 0; $(i + 10) = 0 }
  for (i = 20; i <= 24; i++) { $i = b - (i - 20); $(i + 10) = 1000 } } 1')
out=$(run "$folder" 221104 8473 "$(orders no-ask \
  '{"at":"10:05:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":700}}')")
expect "no ask, no print: the market buy waits for a seller" \
  '.executions[0] | .time >= "10:19:55" and .price <= 3121' "$out"

# The afternoon's first trade at 13:00:00 (a pass at speed 30 is stamped with its step's start,
# 12:59:55), 150 yen above the morning's last of 3,104, with no
# quotes before it: a market buy placed at lunch meets that opening print, not the morning's price.
folder=$(edited late-afternoon 221104 8473 '$2 >= "12:30:00" && $2 <= "13:00:00" {
  $4 = 3104; $6 = 383800; for (i = 15; i <= 34; i++) $i = 0 }
  $2 > "13:00:00" { $4 += 150; for (i = 15; i <= 24; i++) $i += 150 } 1')
out=$(run "$folder" 221104 8473 "$(orders late-afternoon "{\"at\":\"12:00:00\",\"new\":$market_buy}")")
expect "the afternoon opens at 13:00: the lunch order meets its print" \
  '.executions[0] | .time >= "12:59:55" and .price > 3200' "$out"

# Paused at 13:43:35 with the best bid 3,103 shown, a one-key sell at the bid is marketable: it
# sells at once at that bid (the next step's bid is 3,102), and no board is ever locked or crossed.
out=$(run "$data" 221104 8473 "$(orders paused-key '{"at":"13:43:30","press":"||"}' \
  '{"at":"13:43:35","key":"sellAtBid","qty":100}' '{"at":"13:43:35","press":"||"}')" --trace)
expect "a key while paused sells at the bid shown" \
  '(.trace[] | select(.clock == "13:43:30") | .board[5]) as $bid | .executions[0] | .time == "13:43:35" and .price == $bid' "$out"
expect "no locked or crossed board" \
  '[.trace[] | select(.board[0] > 0 and .board[5] > 0 and .board[0] <= .board[5])] == []' "$out"

# Forty minutes of locked quotes (best ask = best bid) while prices fall from 3,121 to 3,116: at
# speed 30 the tape keeps pace, so a sell at 3,119 placed at 10:15 meets the market of 10:15 (the
# day never trades above 3,118 after it), not the prints of 09:30 that a tape held from step to
# step brought up at the first unlocked one (sold at 3,119 at 10:20:05).
folder=$(edited locked 221104 8473 '$2 >= "09:30:00" && $2 <= "10:20:00" { $15 = $20 } 1')
out=$(run "$folder" 221104 8473 "$(orders locked \
  '{"at":"10:15:00","new":{"side":"売建","type":"通常注文","normal":"指値","price":3119,"qty":100}}')")
expect "locked quotes: the tape is not held from step to step" '.executions == []' "$out"

# A penny stock under water: 2315 made a 16-yen stock (limit 30 yen) that jumps to 44 at 10:00.
# A short of 60,000 (reserved at the upper limit, 46) covered at 10:30 loses 1,680,000, more than
# the 1,000,000 invested: the account then refuses a new order and shows a buying power of 0.
folder=$(edited penny 221109 2315 '{ p = $2 < "10:00:00" ? 16 : 44; $4 = p; $5 = 16; $7 = 16; $8 = p; $9 = 16; $36 = p
  for (i = 0; i < 5; i++) { a = p + 1 + i; $(15 + i) = a <= 46 ? a : 0; $(25 + i) = a <= 46 ? 50000 : 0; $(20 + i) = p - i; $(30 + i) = 50000 } } 1')
out=$(run "$folder" 221109 2315 "$(orders penny \
  '{"at":"09:10:00","new":{"side":"売建","type":"通常注文","normal":"成行","qty":60000}}' \
  '{"at":"10:30:00","close":{"side":"買埋","type":"通常注文","normal":"成行","qty":60000,"positions":"all"}}' \
  '{"at":"11:00:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":100}}')")
expect "under water: the loss is booked in full" \
  '[.executions[] | [.trade, .quantity]] == [["新規", 60000], ["返済", 60000]] and .account.lossTotal > 1000000' "$out"
expect "under water: a new order is refused" '[.rejected[] | [.line, .message]] == [[3, "資金が足りません。"]]' "$out"
expect "under water: buying power 0 (which ###,### shows blank)" '.account.buyingPower == "" and .account.investment == "-740,000"' "$out"

echo "$passed passed, $fail failed"
exit $fail
