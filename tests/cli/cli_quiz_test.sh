#!/usr/bin/env bash
# corvala-cli quiz: a package made with the lha tool taken from a file and from a server on
# 127.0.0.1 that fails at first, a server that never answers well, and a package that is not one.
set -u
cli="$1"; gen="$2"
dir=$(mktemp -d); server_pid=""
trap '[ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null; rm -rf "$dir"' EXIT
. "$(dirname "$0")/demo_install.sh"
demo_install "$dir/install" || { echo "no demo install"; exit 1; }
passed=0; fail=0
expect() {  # name, expected, actual
  if [ "$2" == "$3" ]; then echo "ok   $1"; passed=$((passed+1)); else echo "FAIL $1: expected $2, got $3"; fail=1; fi
}
install="$dir/install"

# The package: two day files of 221104 and data.txt, names in CP932, made as a maker would.
mkdir -p "$dir/src/出題/221104"
cp "$install/日中データ/221104/8473.csv" "$install/日中データ/221104/N225.csv" "$dir/src/出題/221104/"
printf 'Q47\r\n221104\r\n8473\r\n10:30:00\r\n18\r\n' > "$dir/src/出題/data.txt"
(cd "$dir/src" && LANG=C.UTF-8 LC_ALL=C.UTF-8 \
   JAVA_TOOL_OPTIONS='-Dlha.encoding=windows-31j -Dsun.jnu.encoding=UTF-8' lha a2qo5 "$dir/quest.lzh" 出題 >/dev/null 2>&1)
expect "package made" true "$([ -s "$dir/quest.lzh" ] && echo true)"

out=$("$cli" quiz --install "$install" --package "$dir/quest.lzh")
expect "from a file" 0 $?
expect "the quiz" "Q47 221104 8473 10:30:00 18 2" \
  "$(jq -r '"\(.id) \(.date) \(.code) \(.startTime) \(.startBar) \(.files)"' <<<"$out")"
expect "its folder" "$install/出題/" "$(jq -r '.folder' <<<"$out")"
expect "the day file as packed" true "$(cmp -s "$install/出題/221104/8473.csv" "$install/日中データ/221104/8473.csv" && echo true)"

# Not a package: refused, the quiz folder as it was, nothing left beside it.
printf '<html>nothing</html>' > "$dir/bad.lzh"
err=$("$cli" quiz --install "$install" --package "$dir/bad.lzh" 2>&1 >/dev/null)
expect "a bad package" 2 $?
expect "the old quiz kept" "Q47" "$(head -n1 "$install/出題/data.txt" | tr -d '\r')"
expect "no temporary" "" "$(ls -A "$install" | grep -F '.出題.new' || true)"
expect "the package of the quiz kept" true "$(cmp -s "$install/quest.lzh" "$dir/quest.lzh" && echo true)"

# A server on 127.0.0.1 that answers 500 twice, then the package, then 500 three times.
mkdir -p "$dir/served"; cp "$dir/quest.lzh" "$dir/served/"
printf 'Q48\r\n221104\r\n8473\r\n09:00:00\r\n0\r\n' > "$dir/src/出題/data.txt"
rm "$dir/served/quest.lzh"
(cd "$dir/src" && LANG=C.UTF-8 LC_ALL=C.UTF-8 \
   JAVA_TOOL_OPTIONS='-Dlha.encoding=windows-31j -Dsun.jnu.encoding=UTF-8' lha a2qo5 "$dir/served/quest.lzh" 出題 >/dev/null 2>&1)
python3 - "$dir/served" > "$dir/port" <<'PY' &
import http.server, os, sys
folder = sys.argv[1]
answers = [500, 500, 200, 500, 500, 500]
class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        status = answers.pop(0)
        body = open(os.path.join(folder, "quest.lzh"), "rb").read() if status == 200 else b"busy"
        self.send_response(status)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
    def log_message(self, *args):
        pass
with http.server.HTTPServer(("127.0.0.1", 0), Handler) as httpd:
    print(httpd.server_address[1], flush=True)
    while answers:
        httpd.handle_request()
PY
server_pid=$!
for _ in $(seq 50); do [ -s "$dir/port" ] && break; sleep 0.1; done
url="http://127.0.0.1:$(cat "$dir/port")/kensaku/"
start=$(date +%s)
out=$("$cli" quiz --install "$install" --url "$url")
expect "third try" 0 $?
expect "the new quiz replaces the old" "Q48 0" "$(jq -r '"\(.id) \(.startBar)"' <<<"$out")"
expect "waited a second, then three between tries" 1 "$(( $(date +%s) - start >= 6 ))"
kept=$(md5sum < "$install/quest.lzh")
err=$("$cli" quiz --install "$install" --url "${url}quest.lzh" 2>&1 >/dev/null)
expect "three failures" 2 $?
expect "the message" "出題ファイルのダウンロードに失敗しました。" "$(head -n1 <<<"$err")"
expect "the quiz kept" "Q48" "$(head -n1 "$install/出題/data.txt" | tr -d '\r')"
expect "the package of the quiz kept" "$kept" "$(md5sum < "$install/quest.lzh")"
wait "$server_pid" 2>/dev/null; server_pid=""

echo "$passed passed"
exit $fail
