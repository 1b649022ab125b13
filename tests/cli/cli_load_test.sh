#!/usr/bin/env bash
# corvala-cli load over the demo install: the JSON of a normal day, the no-data message and the
# exit status of an error box.
set -u
cli="$1"; gen="$2"
dir=$(mktemp -d); trap 'rm -rf "$dir"' EXIT
"$gen" "$dir" >/dev/null || { echo "generator failed"; exit 1; }
cp "$cli" "$dir/"
export APPDATA="$dir/appdata"  # a hand-over of the user's own is never looked at
fail=0
check() {  # name, haystack, needle
  if [[ "$2" != *"$3"* ]]; then echo "FAIL $1: missing $3"; fail=1; else echo "ok   $1"; fi
}

out=$("$dir/corvala-cli" load --data "$dir/日中データ" --date 221102 --code 8473 --rows)
check "normal day: code" "$out" '"code":"8473"'
check "normal day: previous day" "$out" '"prevTradingDay":"221101"'
check "normal day: message empty" "$out" '"message":""'
check "normal day: fine ticks" "$out" '"fineTickMode":true'
check "normal day: four slots" "$out" '"name":"DayStock"'
check "normal day: rows" "$out" '"time":"09:00:00"'
check "normal day: closing row" "$out" '"time":"14:59:55"'

# Without --data and --install: the program's own folder (it holds the stock list) and the data
# folder the program would use, the install folder's 日中データ until the settings name another.
out=$("$dir/corvala-cli" load --date 221102 --code 8473)
check "default data folder" "$out" '"prevTradingDay":"221101"'
cp -r "$dir/日中データ" "$dir/別のデータ" && rm -rf "$dir/別のデータ/221102"
"$dir/corvala-cli" settings --apply "folder=$dir/別のデータ/" --save >/dev/null
err=$("$dir/corvala-cli" load --date 221102 --code 8473 2>&1 >/dev/null)
check "the settings' data folder" "$err" "1014 エラー"
"$dir/corvala-cli" settings --apply "folder=$dir/日中データ/" --save >/dev/null

out=$("$dir/corvala-cli" load --data "$dir/日中データ" --date 221114 --code 8473)
check "marker day" "$out" '"message":"　　この日付のデータはありません。"'

out=$("$dir/corvala-cli" load --data "$dir/日中データ" --date 220401 --code 8473 --series 日経JAS)
check "old index" "$out" '"seriesCode":"NOTC"'

err=$("$dir/corvala-cli" load --data "$dir/日中データ" --date 221115 --code 8473 2>&1 >/dev/null)
status=$?
[ "$status" -eq 2 ] && echo "ok   error exit status" || { echo "FAIL error exit status $status"; fail=1; }
check "error text" "$err" "1014 エラー: 設定された日付のデータは存在しません。日付を変更して下さい。"

"$dir/corvala-cli" load --bogus >/dev/null 2>&1
[ $? -eq 1 ] && echo "ok   bad arguments" || { echo "FAIL bad arguments"; fail=1; }
"$dir/corvala-cli" --help | grep -q "load \[--data DIR\]" && echo "ok   help" || { echo "FAIL help"; fail=1; }

"$dir/corvala-cli" load --help 2>/dev/null | grep -q "load \[--data DIR\]" && echo "ok   load help on stdout" || { echo "FAIL load help"; fail=1; }
err=$("$dir/corvala-cli" load --data "$dir/none" --date 221102 --code 8473 2>&1 >/dev/null)
[ $? -eq 2 ] && echo "ok   missing --data folder" || { echo "FAIL missing --data folder"; fail=1; }
check "missing --data is 1012" "$err" "1012 エラー"
out=$("$dir/corvala-cli" load --data "$dir/日中データ" --date 221102 --code 3350)
check "decimal figures keep nine digits" "$out" '"decimalPrices":true'

# The generator's help and a mistyped option write nothing.
work=$(mktemp -d)
(cd "$work" && "$gen" --help) | grep -q "usage: corvala-demo-data INSTALL_DIR" && echo "ok   generator help" || { echo "FAIL generator help"; fail=1; }
(cd "$work" && "$gen" --bogus 2>/dev/null); [ $? -eq 2 ] && echo "ok   generator refuses an option" || { echo "FAIL generator option"; fail=1; }
[ -z "$(ls -A "$work")" ] && echo "ok   generator wrote nothing" || { echo "FAIL generator wrote $(ls "$work")"; fail=1; }
rm -rf "$work"

[ $fail -eq 0 ] && echo "20 passed, 0 failed" || echo "some failed"
exit $fail
