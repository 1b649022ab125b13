#!/usr/bin/env bash
# corvala-cli settings and replay --install: the settings loaded as the program starts (the
# factory copy, the hand-over, old and malformed files), typed into the dialog and saved, and
# the totals carried from one run to the next.
set -u
cli="$1"; gen="$2"
dir=$(mktemp -d); trap 'rm -rf "$dir"' EXIT
. "$(dirname "$0")/demo_install.sh"
demo_install "$dir" || { echo "no demo install"; exit 1; }
cp "$cli" "$dir/"
cp "$(dirname "$cli")/setsim(初期)" "$dir/" || { echo "no setsim(初期) beside $cli"; exit 1; }
export APPDATA="$dir/appdata"  # never the user's own hand-over
settings() { "$dir/corvala-cli" settings --install "$dir" "$@"; }
passed=0; fail=0
expect() {  # name, expected, actual
  if [ "$2" == "$3" ]; then echo "ok   $1"; passed=$((passed+1)); else echo "FAIL $1: expected $2, got $3"; fail=1; fi
}
line() { sed -n "${1}p" "$dir/setsim" | tr -d '\r'; }

# The first start copies the factory file and shows the disclaimer.
out=$(settings)
expect "first start" 0 $?
expect "factory copy" "true" "$(cmp -s "$dir/setsim" "$dir/setsim(初期)" && echo true)"
expect "45 lines" 45 "$(jq '.lines | length' <<<"$out")"
expect "factory values" "5 5 12 1000000 0 0 false true" \
  "$(jq -r '"\(.barLength) \(.ma1) \(.ma2) \(.investment) \(.profitTotal) \(.lossTotal) \(.cashOnly) \(.showDisclaimer)"' <<<"$out")"
expect "the install folder's data stands in, but is not what is saved" "$dir/日中データ/ " \
  "$(jq -r '"\(.dataFolder) \(.lines[14])"' <<<"$out")"

# The dialog: 30 becomes 24, a date folder its parent, and --save writes it in CP932 with CR LF.
out=$(settings --apply ma1=30 --apply barLength=10 --apply "folder=$dir/日中データ/221104" --save)
expect "apply" 0 $?
expect "applied values" "24 12 10 $dir/日中データ/" "$(jq -r '"\(.ma1) \(.ma2) \(.barLength) \(.dataFolder)"' <<<"$out")"
expect "saved lines" "24 12 10" "$(line 16) $(line 17) $(line 18)"
expect "saved folder in CP932" "$dir/日中データ/" "$(line 15 | iconv -f CP932 -t UTF-8)"
expect "every line ends in CR LF" "45" "$(grep -c $'\r$' "$dir/setsim")"
# The one-key orders and 値幅を隠す, after the described lines: a key taken by another order
# leaves it; a quantity that is no number keeps the old one.
out=$(settings --apply oneKey.closeAll=F6 --apply oneKey.cancelAll= --apply oneKeyConfirm=0 --apply oneKeyUnits=3 \
  --apply hideRange=1 --save)
expect "own lines" ",F7,F6, 0 3 1" "$(line 42) $(line 43) $(line 44) $(line 45)"
expect "own lines in the JSON" '{"keys":{"buyAtAsk":"","sellAtBid":"F7","closeAll":"F6","cancelAll":""},"confirm":false,"units":3,"hideRange":true}' \
  "$(jq -c '.own' <<<"$out")"
settings --apply oneKeyUnits=abc >/dev/null 2>&1
expect "a quantity that is no number" 1 $?
settings --apply oneKey.buyAtAsk=F3 >/dev/null 2>&1
expect "a key the order dialogs use" 1 $?
out=$(settings --apply ma2=)
expect "an empty period keeps the old one" "12" "$(jq -r '.ma2' <<<"$out")"
settings --apply barLength=7 >/dev/null 2>&1
expect "a bar length the list lacks" 1 $?

# A hand-over in the Corvala folder of the application data, taken once when line 15 is empty.
LC_ALL=C sed -i "15s/.*/\r/" "$dir/setsim"
mkdir -p "$APPDATA/Corvala" "$dir/handed"
printf '%s\r\n' "$dir/handed" > "$APPDATA/Corvala/setfolder"
out=$(settings)
expect "hand-over taken" "$dir/handed" "$(jq -r '.dataFolder' <<<"$out")"
expect "hand-over consumed" "no" "$([ -e "$APPDATA/Corvala/setfolder" ] && echo yes || echo no)"

# An older, shorter file and a five-character date.
head -n 30 "$dir/setsim(初期)" > "$dir/setsim"
sed -i '3s/.*/71225\r/' "$dir/setsim"
out=$(settings)
expect "short file read" 0 $?
expect "date with its zero" "071225" "$(jq -r '.lines[2]' <<<"$out")"
expect "the missing lines are the factory's" "$(sed -n '31,41p' "$dir/setsim(初期)" | tr -d '\r' | paste -sd' ')" \
  "$(jq -r '.lines[30:41] | join(" ")' <<<"$out")"

# Malformed values never stop the start.
printf 'x\r\n\r\nabc\r\n12\r\n9\r\n0\r\n' > "$dir/setsim"
out=$(settings)
expect "malformed file read" "0 5" "$(jq -r '"\(.lines[0]) \(.lines[5])"' <<<"$out")"

# A file with CR line ends (an old editor's) reads line by line, and is saved with CR LF.
sed -e '16s/.*/7\r/' -e '25s/.*/2000000\r/' "$dir/setsim(初期)" | tr -d '\n' > "$dir/setsim"
out=$(settings --save)
expect "CR line ends read" "7 2000000" "$(jq -r '"\(.ma1) \(.investment)"' <<<"$out")"
expect "saved with CR LF" "45 7" "$(grep -c $'\r$' "$dir/setsim") $(line 16)"
# Totals that would wrap 32 bits take the factory values and are told; amounts beyond 32 bits are kept.
sed -e '32s/.*/1\r/' -e '33s/.*/-2147483648\r/' "$dir/setsim(初期)" > "$dir/setsim"
out=$(settings)
expect "a negative total is refused" "1 0 true" \
  "$(jq -r '"\(.profitTotal) \(.lossTotal) \(.message | contains("33行目の金額が正しくない"))"' <<<"$out")"
sed -e '25s/.*/5000000000\r/' -e '32s/.*/3000000000\r/' "$dir/setsim(初期)" > "$dir/setsim"
out=$(settings --save)
expect "64-bit amounts" "5000000000 3000000000 5000000000 3000000000" \
  "$(jq -r '"\(.investment) \(.profitTotal)"' <<<"$out") $(line 25) $(line 32)"
# A folder typed into setsim in UTF-8 is told, and saved back as it was, not as "?".
sed -e "15s|.*|$dir/データ/\r|" "$dir/setsim(初期)" > "$dir/setsim"
out=$(settings --save)
expect "bytes that are no CP932 are told" "true" "$(jq -r '.message | contains("15行目にシフトJISで読めない文字")' <<<"$out")"
expect "and saved back as they were" "$dir/データ/" "$(line 15)"

# A folder that refuses writes: the save fails, says so, and leaves the file.
cp "$dir/setsim(初期)" "$dir/setsim"
if [ "$(id -u)" -ne 0 ]; then
  chmod 555 "$dir"
  settings --apply ma1=3 --save >/dev/null 2>"$dir/err"
  expect "refused save" 2 $?
  chmod 755 "$dir"
  expect "old file intact" "true" "$(cmp -s "$dir/setsim" "$dir/setsim(初期)" && echo true)"
fi

# Two runs in a row carry the totals across through setsim.
cat > "$dir/tape.txt" <<'TAPE'
09:00:00 10,000 3,181
14:59:00 100 3,185
TAPE
printf '%s\n' '{"at":"08:30:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":100}}' > "$dir/orders.jsonl"
run() { "$dir/corvala-cli" replay --data "$dir/日中データ" --date 221104 --code 8473 --speed 30 --tape "$dir/tape.txt" \
          --orders "$dir/orders.jsonl" --install "$dir" "$@"; }
first=$(run --save-settings)
expect "first run" 0 $?
p1=$(jq '.account.profitTotal' <<<"$first"); l1=$(jq '.account.lossTotal' <<<"$first")
expect "the run realised something" "true" "$(jq '.account.profitTotal + .account.lossTotal > 0' <<<"$first")"
second=$(run --save-settings)
expect "totals carried" "$((2 * p1)) $((2 * l1))" "$(jq -r '"\(.account.profitTotal) \(.account.lossTotal)"' <<<"$second")"
expect "saved totals" "$((2 * p1)) $((2 * l1))" "$(line 32) $(line 33)"
expect "the run's data folder is not saved" "" "$(line 15)"
third=$(run)
expect "a third run adds to the saved totals" "$((3 * l1))" "$(jq '.account.lossTotal' <<<"$third")"
expect "without --save-settings nothing is written" "$((2 * l1))" "$(line 33)"
# Below 300,000 yen only cash trading: the margin order is refused, the saved totals stay.
out=$(run --investment 250000)
expect "--investment overrides, totals kept" "true $((2 * l1))" \
  "$(jq -r '"\(.account.buyingPowerCaption == "買付可能額") \(.account.lossTotal)"' <<<"$out")"

# Without --install the program's own folder (it holds the stock list) is the install folder: its
# settings start the run and --save-settings writes them back there.
out=$("$dir/corvala-cli" replay --data "$dir/日中データ" --date 221104 --code 8473 --speed 30 --tape "$dir/tape.txt" \
        --orders "$dir/orders.jsonl" --save-settings)
expect "without --install: the folder's totals" "$((3 * l1))" "$(jq '.account.lossTotal' <<<"$out")"
expect "without --install: saved there" "$((3 * l1))" "$(line 33)"
# A replay never takes the program's hand-over: its data folder is --data.
printf '%s\r\n' "$dir/handed" > "$APPDATA/Corvala/setfolder"
LC_ALL=C sed -i "15s/.*/\r/" "$dir/setsim"
run >/dev/null
expect "a replay leaves the hand-over" "yes" "$([ -e "$APPDATA/Corvala/setfolder" ] && echo yes || echo no)"

# A total beyond 32 bits reaches the account panel and the kept run's summary in the history.
sed -i '32s/.*/3000000000\r/' "$dir/setsim"
out=$(run)
expect "a total beyond 32 bits in the run" "true" \
  "$(jq -r '.account.profitTotal == 3000000000 and (.account.netPnl | gsub(",";"") | tonumber) == 3000000000 - .account.lossTotal' <<<"$out")"
expect "and in the history's summary" "$(jq -r '.account.netPnl' <<<"$out")" \
  "$(iconv -f CP932 -t UTF-8 "$dir/売買履歴/実現損益.csv" | grep '^,,,,,,,,,,,全損益,' | tail -n 1 | cut -d, -f13- | tr -d '\r')"

echo "$passed passed"
exit $fail
