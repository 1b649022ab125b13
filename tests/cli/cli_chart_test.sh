#!/usr/bin/env bash
# corvala-cli chart over the demo install, and replay --chart: the scales, labels, bar counts and
# pitch the window draws, the left column without a previous day, the balance of a simulation,
# the TSPM labels, the moving-average captions, and the markers of a replay.
set -u
cli="$1"; gen="$2"
dir=$(mktemp -d); trap 'rm -rf "$dir"' EXIT
. "$(dirname "$0")/demo_install.sh"
demo_install "$dir" || { echo "no demo install"; exit 1; }
cp "$cli" "$dir/"
chart() { "$dir/corvala-cli" chart --data "$dir/日中データ" --install "$dir" "$@"; }
passed=0; fail=0
expect() {  # name, expected, actual
  if [ "$2" == "$3" ]; then echo "ok   $1"; passed=$((passed+1)); else echo "FAIL $1: expected $2, got $3"; fail=1; fi
}

out=$(chart --date 221104 --code 8473)
expect "display" 0 $?
expect "design size" "0 0" "$(jq -r '"\(.W) \(.H)"' <<<"$out")"
expect "a day's bars in every panel" "60 60 60 60" "$(jq -r '[.slots[].bars | length] | join(" ")' <<<"$out")"
expect "labels run from max to min by step" "true" \
  "$(jq '[.rows[] | (.labels | length) == (.span / .step) + 1] | all' <<<"$out")"
expect "stock volume axis" '["800","400","0"] 800' "$(jq -r '.rows[1] | "\(.volumeLabels | tojson) \(.vmax)"' <<<"$out")"
expect "no volume axis for an index" "[] 1" "$(jq -r '.rows[0] | "\(.volumeLabels) \(.vmax)"' <<<"$out")"
expect "captions" "5分足 5本平均 12本平均" "$(jq -r '.captions | "\(.bars) \(.ma1) \(.ma2)"' <<<"$out")"
expect "legend at the end of the day" "true" "$(jq '.legend | (.ma1 | length > 0) and (.vwap | length > 0)' <<<"$out")"
expect "an index has no VWAP" "0 true" "$(jq -r '"\(.slots[1].vwap | length) \(.slots[3].vwap | length >= 300)"' <<<"$out")"
expect "no MA point before a full period on the left" "true true" "$(jq -r '"\(.slots[2].ma1[0:4] | all(. == 0)) \(.slots[2].ma1[4] > 0)"' <<<"$out")"
expect "the chosen day's line starts at bar 0" "true" "$(jq '.slots[3].ma1[0] > 0 and .slots[3].ma2[0] > 0' <<<"$out")"
expect "bars inside their band" "true" \
  "$(jq '.slots | all(.bars | all(.yHigh <= .yOpen and .yHigh <= .yClose and .yLow >= .yOpen and .yLow >= .yClose))' <<<"$out")"
expect "falling or unchanged bars are filled" "true" "$(jq '.slots | all(.bars | all(.filled == (.open >= .close)))' <<<"$out")"

# 開 始: the scales balance around the previous close and the chosen day waits for play.
sim=$(chart --date 221104 --code 8473 --simulation)
expect "simulation waits with an empty right column" "60 0 60 0" "$(jq -r '[.slots[].bars | length] | join(" ")' <<<"$sim")"
expect "and legends that tell nothing of the day yet" '{"ma1":"","ma2":"","vwap":""}' "$(jq -c '.legend' <<<"$sim")"
expect "the balance widens the range" "true" "$(jq -n --argjson a "$out" --argjson b "$sim" \
  '$b.rows[0].max - $b.rows[0].min >= $a.rows[0].max - $a.rows[0].min')"

# N = 1 and N = 10; a wider window.
one=$(chart --date 221104 --code 8473 --bar-length 1)
expect "N = 1: 300 bars at 1.05 × s" "300 true" \
  "$(jq -r '"\(.slots[3].bars | length) \((.barPitch / .barWidth * 100 | round) == 105)"' <<<"$one")"
ten=$(chart --date 221104 --code 8473 --bar-length 10 --width 1600 --height 1000)
expect "N = 10 in a wider window" "30 4800 3300 true" \
  "$(jq -r '"\(.slots[3].bars | length) \(.W) \(.H) \((.barPitch / .barWidth) == 2)"' <<<"$ten")"

# The first demo date has no previous trading day: the left column stays empty.
first=$(chart --date 220330 --code 8473)
expect "no previous day" "0 60 0 60 null" "$(jq -r '"\([.slots[].bars | length] | join(" ")) \(.slots[2].prevCloseY)"' <<<"$first")"

# ﾌﾟﾗｲﾑ: the upper row is labelled in hundredths.
prime=$(chart --date 221104 --code 8473 --series ﾌﾟﾗｲﾑ)
expect "TSPM labels ÷ 100" "true" "$(jq '.rows[0].labels | all(test("^[0-9]+\\.[0-9]{2}$"))' <<<"$prime")"
expect "moving-average periods" "3本平均 24本平均" \
  "$(chart --date 221104 --code 8473 --ma1 3 --ma2 24 | jq -r '.captions | "\(.ma1) \(.ma2)"')"
chart --date 221104 --code 8473 --ma1 25 >/dev/null 2>&1
expect "a period beyond 24 is refused" 1 $?

# Pointing: 10:00:00 in the right column, the left column (nothing), the right edge (the day's
# last row); during a replay's wait nothing; with N = 10 the last readable bar is 30.
points=$(chart --date 221104 --code 8473 --point 7980,3000 --point 2000,3000 --point 12790,3000)
expect "a readout at 10:00:00" "720 12 10:00:00" "$(jq -r '.readouts[0] | "\(.row) \(.bar) \(.time)"' <<<"$points")"
expect "its figures" "true" "$(jq '.readouts[0] | (.price | length > 0) and (.percent | endswith("%")) and (.board | length == 20)' <<<"$points")"
expect "the left column reads nothing" "null" "$(jq -c '.readouts[1]' <<<"$points")"
expect "the right edge reads the last row" "3599 14:59:55" "$(jq -r '.readouts[2] | "\(.row) \(.time)"' <<<"$points")"
expect "a waiting replay keeps its readouts" "[null]" "$(chart --date 221104 --code 8473 --simulation --point 7980,3000 | jq -c '.readouts')"
expect "N = 10 reads up to bar 30" "true" "$(chart --date 221104 --code 8473 --bar-length 10 --point 12790,3000 | jq '.readouts[0].bar <= 30')"
# With 1-minute bars the bar scale outruns the row scale: near the close of a slightly wider
# window the bar passes 309 and nothing is shown.
expect "N = 1 stops reading past bar 309" "null true" \
  "$(chart --date 221104 --code 8473 --bar-length 1 --width 1351 --point 13800,3000 --point 9000,3000 | jq -c '[.readouts[0], (.readouts[1].bar <= 309)] | map(tostring) | join(" ")' | tr -d '"')"
for bad in 7980 7980, ,3000 a,b; do
  chart --date 221104 --code 8473 --point "$bad" >/dev/null 2>&1
  expect "a point needs X,Y ($bad)" 1 $?
done

# A replay stopped at 10:30 with a long and a short: the right column up to 10:25, two markers.
cat > "$dir/orders.jsonl" <<'JSON'
{"at":"08:30:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":100}}
{"at":"10:00:00","new":{"side":"売建","type":"通常注文","normal":"成行","qty":100}}
{"at":"10:30:00","press":"■","answers":["はい","いいえ"]}
JSON
run=$("$dir/corvala-cli" replay --data "$dir/日中データ" --date 221104 --code 8473 --install "$dir" --speed 30 \
      --orders "$dir/orders.jsonl" --chart)
expect "replay --chart" 0 $?
# After the stop the chart is empty again, as the window shows it.
expect "a stopped replay leaves the empty frame" "0 0 0 0" "$(jq -r '[.chart.slots[].bars | length] | join(" ")' <<<"$run")"
expect "markers of the long and the short" "0/0 1/0" "$(jq -r '[.chart.markers[] | "\(.side)/\(.kind)"] | join(" ")' <<<"$run")"
cat > "$dir/pause.jsonl" <<'JSON'
{"at":"08:30:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":100}}
{"at":"10:30:00","press":"||"}
{"at":"10:30:00","press":"■","answers":["はい","はい"]}
JSON
run=$("$dir/corvala-cli" replay --data "$dir/日中データ" --date 221104 --code 8473 --install "$dir" --speed 30 \
      --script "$dir/pause.jsonl" --chart)
expect "markers stand in the right column" "true" \
  "$(jq '.chart.markers | all(.x > 6800 and .x < 12800)' <<<"$run")"

# 値幅を隠す: stopped at 10:00 the chosen day's scales know only what was played (the previous
# day, its close and the prints so far), not the low of 3,074 that comes later; the index's scale
# grew when its prints left it. Played to the end, they are the scales the whole day gives.
scales() {  # stop time, options…
  local stop=$1; shift
  printf '{"at":"%s","press":"■","answers":["はい","いいえ"]}\n' "$stop" > "$dir/stop.jsonl"
  "$dir/corvala-cli" replay --data "$dir/日中データ" --install "$dir" --date 221104 --code 8473 --speed 30 \
    --script "$dir/stop.jsonl" --chart "$@" | jq -c '[.chart.rows[] | [.max, .min]]'
}
expect "hidden at 09:10" '[[28050,27650],[3200,3100]]' "$(scales 09:10:00 --hide-range)"
expect "hidden at 10:00" '[[28100,27600],[3200,3100]]' "$(scales 10:00:00 --hide-range)"
expect "shown at 10:00" '[[28600,27400],[3200,3060]]' "$(scales 10:00:00)"
expect "hidden to the end" "$(scales 15:00:00)" "$(scales 15:00:00 --hide-range)"

echo "$passed passed, $([ $fail -eq 0 ] && echo 0 || echo some) failed"
exit $fail
