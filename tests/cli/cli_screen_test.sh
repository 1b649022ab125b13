#!/usr/bin/env bash
# corvala-cli screen: the demo month searched and sorted, the rows' hidden tails, a row handed
# over to the replay, bad lines counted, and a month downloaded from a server on 127.0.0.1.
set -u
cli="$1"; gen="$2"
dir=$(mktemp -d); server_pid=""
trap '[ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null; rm -rf "$dir"' EXIT
. "$(dirname "$0")/demo_install.sh"
demo_install "$dir" || { echo "no demo install"; exit 1; }
screen() { "$cli" screen --install "$dir" "$@"; }
passed=0; fail=0
expect() {  # name, expected, actual
  if [ "$2" == "$3" ]; then echo "ok   $1"; passed=$((passed+1)); else echo "FAIL $1: expected $2, got $3"; fail=1; fi
}

# Both directions beyond 3 %: every row moved that much, carries its date, start and number in
# its hidden tail, and is ○ exactly when its day file is there.
out=$(screen --month 202211 --direction 両方 --threshold 3)
expect "search" 0 $?
count=$(jq '.count' <<<"$out")
expect "rows found" "true" "$(jq '.count > 10 and .count == (.rows | length)' <<<"$out")"
expect "every change beyond 3 %" "true" "$(jq '[.rows[].change | fabs > 3] | all' <<<"$out")"
expect "hidden tails" "true" \
  "$(jq '[.rows | to_entries[] | (.value.text | split("@@")) as $p |
          ($p[1] == .value.date and $p[2] == .value.start and $p[3] == (.key | tostring))] | all' <<<"$out")"
marks_ok=true
while IFS=$'\t' read -r code date avail; do
  if [ -f "$dir/日中データ/$date/$code.csv" ]; then want=true; else want=false; fi
  [ "$want" == "$avail" ] || marks_ok=false
done < <(jq -r '.rows[] | [.code, .date, (.available | tostring)] | @tsv' <<<"$out")
expect "○ exactly when the day file exists" true "$marks_ok"
expect "the coin gives the same order for the same seed" "$(jq -c '[.rows[].text]' <<<"$out")" \
  "$(screen --month 202211 --direction 両方 --threshold 3 | jq -c '[.rows[].text]')"

# Sorting: by change the largest first, pressed again the smallest first; by code the smallest.
desc=$(screen --month 202211 --direction 両方 --threshold 3 --sort change | jq -c '[.rows[].change | fabs]')
expect "by change, largest first" "$(jq -c 'sort | reverse' <<<"$desc")" "$desc"
asc=$(screen --month 202211 --direction 両方 --threshold 3 --sort change --sort change | jq -c '[.rows[].change | fabs]')
expect "pressed again, smallest first" "$(jq -c 'sort' <<<"$desc")" "$asc"
codes=$(screen --month 202211 --direction 両方 --threshold 3 --sort code | jq -c '[.rows[].code]')
expect "by code" "$(jq -c 'sort' <<<"$codes")" "$codes"
expect "上昇 lists rises only" "true" \
  "$(screen --month 202211 --direction 上昇 --threshold 3 | jq '[.rows[].change > 0] | all')"
expect "hidden times leave blanks" "true" \
  "$(screen --month 202211 --direction 上昇 --threshold 3 --hide-start --hide-end | jq '[.rows[].text | contains("　　     　　     　")] | all')"

# The hand-over: a lead of 2–3 bars before the move for N = 5, as the start time says.
use=$(screen --month 202211 --direction 両方 --threshold 3 --sort change --use 0 --near-start --bar-length 5 --seed 7)
expect "use" 0 $?
check=$(jq -r '.rows[0] as $r | .use as $u | ($r.start | split(":") | map(tonumber)) as $t |
  (($t[0] * 3600 + $t[1] * 60 - 32400 - (if $t[0] >= 12 then 3600 else 0 end)) / 300 | floor) as $bar |
  ([0, $bar - $u.lead] | max) as $b0 |
  ($u.date == $r.date and $u.code == $r.code and $u.lead >= 2 and $u.lead <= 3 and $u.startBar == $b0 and
   $u.midSessionStart == ($b0 > 0))' <<<"$use")
expect "start before the move" true "$check"
expect "without --near-start the open" '0 "09:00:00" false' \
  "$(screen --month 202211 --direction 両方 --threshold 3 --use 0 | jq -r '.use | "\(.startBar) \"\(.startTime)\" \(.midSessionStart)"')"
screen --month 202211 --direction 両方 --threshold 3 --use 9999 >/dev/null 2>&1
expect "a row the list lacks" 1 $?

# A row whose day file is missing is refused with the dialog's message.
mkdir -p "$dir/x/検索データ" "$dir/x/日中データ"
cp "$dir/銘柄リスト.csv" "$dir/x/"
printf '221104,8473,3180,09:00,10:40,10:10,09:25,09:10,1,-1,1,-1,-1,1,-1,6.5,2,12345678\r\nnot a line\r\n' \
  > "$dir/x/検索データ/検索データ_202212.txt"
out=$("$cli" screen --install "$dir/x" --month 202212 --direction 上昇 --threshold 5)
expect "a capped volume and a bad line" "1 1 9999999 true false" \
  "$(jq -r '"\(.count) \(.skipped) \(.rows[0].volume) \(.rows[0].capped) \(.rows[0].available)"' <<<"$out")"
err=$("$cli" screen --install "$dir/x" --month 202212 --direction 上昇 --threshold 5 --use 0 2>&1 >/dev/null)
expect "× row refused" 2 $?
expect "× message" "日中データフォルダに該当銘柄のファイルがありません。" "$(head -n1 <<<"$err")"
expect "a month without its file" "0 0" \
  "$(screen --month 209901 --direction 上昇 --threshold 5 | jq -r '"\(.count) \(.rows | length)"')"
screen --month 2022 --direction 上昇 --threshold 5 >/dev/null 2>&1
expect "a bad month" 1 $?

# データダウンロード: from a server on 127.0.0.1 that answers three requests and stops.
mkdir -p "$dir/served"
head -n 20 "$dir/検索データ/検索データ_202211.txt" | sed 's/^2211/2212/' > "$dir/served/検索データ_202212.txt"
python3 - "$dir/served" > "$dir/port" <<'PY' &
import functools, http.server, sys
class Quiet(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass
handler = functools.partial(Quiet, directory=sys.argv[1])
with http.server.HTTPServer(("127.0.0.1", 0), handler) as httpd:
    print(httpd.server_address[1], flush=True)
    for _ in range(3):
        httpd.handle_request()
PY
server_pid=$!
for _ in $(seq 50); do [ -s "$dir/port" ] && break; sleep 0.1; done
url="http://127.0.0.1:$(cat "$dir/port")/"
out=$(screen --month 202212 --direction 両方 --threshold 1 --download "$url")
expect "downloaded and searched" 0 $?
expect "the file landed" true "$(cmp -s "$dir/served/検索データ_202212.txt" "$dir/検索データ/検索データ_202212.txt" && echo true)"
expect "its rows" true "$(jq '.count > 0 and ([.rows[].date | startswith("2212")] | all)' <<<"$out")"
before=$(md5sum < "$dir/検索データ/検索データ_202211.txt")
err=$(screen --month 202211 --direction 両方 --threshold 1 --download "http://127.0.0.1:$(cat "$dir/port")/missing/" 2>&1 >/dev/null)
expect "a 404 fails" 2 $?
expect "the 404 is told" true "$(grep -q 404 <<<"$err" && echo true)"
expect "the earlier file is kept" "$before" "$(md5sum < "$dir/検索データ/検索データ_202211.txt")"
expect "no temporary is left" "検索データ_202211.txt 検索データ_202212.txt" "$(ls "$dir/検索データ" | paste -sd' ')"
# A third request ends the server.
printf '<html>not data</html>\n' > "$dir/served/検索データ_202301.txt"
err=$(screen --month 202301 --direction 上昇 --threshold 1 --download "$url" 2>&1 >/dev/null)
expect "a page that is not search data" 2 $?
expect "nothing written for it" no "$([ -e "$dir/検索データ/検索データ_202301.txt" ] && echo yes || echo no)"
wait "$server_pid" 2>/dev/null; server_pid=""

# search-data builds the month from the day files: the demo's own month is built by the same
# code, byte for byte; every window it lists runs forward in time; a month without days is empty.
cp "$dir/検索データ/検索データ_202211.txt" "$dir/demo_month.txt"
out=$("$cli" search-data --month 202211 --install "$dir" --data "$dir/日中データ")
expect "search-data" 0 $?
expect "the demo month, rebuilt" true "$(cmp -s "$dir/demo_month.txt" "$dir/検索データ/検索データ_202211.txt" && echo true)"
expect "its counts" true "$(jq --argjson n "$(wc -l < "$dir/demo_month.txt")" '.read == $n and .read > 0 and .skipped == 0 and .problems == [] and (.path | endswith("検索データ_202211.txt"))' <<<"$out")"
expect "every window runs forward" true \
  "$(screen --month 202211 --direction 両方 --threshold 1 | jq '.count > 0 and ([.rows[] | .start <= .end] | all)')"
out=$("$cli" search-data --month 202105 --install "$dir" --data "$dir/日中データ")
expect "a month without days" '0 0' "$(jq -r '"\(.read) \(.skipped)"' <<<"$out")"
expect "its empty file" 0 "$(stat -c %s "$dir/検索データ/検索データ_202105.txt")"
"$cli" search-data --month 202113 --install "$dir" >/dev/null 2>&1
expect "a month that is not one" 1 $?
"$cli" search-data --month 202211 --install "$dir" --data "$dir/none" >/dev/null 2>&1
expect "a data folder that is not there" 2 $?

echo "$passed passed (of $count demo rows)"
exit $fail
