#!/usr/bin/env bash
# Records the golden sessions of cli_golden_test.sh again, into this folder (or GOLDEN_DIR):
# NAME.session, the session file a run left, as written, and NAME.json, what
# `corvala-cli replay --session NAME.session --report` prints for it over a demo install.
#
#   tests/cli/golden/record.sh CORVALA_CLI CORVALA_DEMO_DATA [CORVALA_SOAK] [CORVALA_BENCH]
#
# Run it only when a change of behaviour is meant, with the binaries of that change, and read
# the diff of the .json files before committing them: every difference is a behaviour changed.
# The demo install comes from CORVALA_DEMO_TEMPLATE when set (see demo_install.sh), else from
# CORVALA_DEMO_DATA. Most cases are runs of `corvala-cli replay` with a script; those the
# command line cannot make come from elsewhere:
# - quiz_day: the quiz package is made with lha from the demo's day files and installed with
#   `corvala-cli quiz --package`, and the run plays from the quiz folder it unpacked, as the
#   出 題 toggle does (the toggle itself has no command line; the quiz's start is typed as
#   --start, which gives the same start line for a quiz starting on a bar).
# - screening_handover: `corvala-cli screen --use` picks the row and its start, and the run
#   starts there, as the hand-over does.
# - soak_*: sessions of `corvala-soak 1 --seed S --keep DIR`, which writes every run's session
#   (also runs that were not kept) and answers questions with いいえ too. Only a few soak
#   sessions replay as they ran: the soak's user mostly acts from inside the replay's step
#   callback, which the program takes for its own doing and does not write down.
# - dialog_traded_day: the session corvala_bench (BM_PlayATradedDayFromItsSession) records,
#   trading through the order dialogs' operations.
# Without lha, corvala-soak or corvala_bench those cases are left as they are, and so are the
# files of a case taken out of this script (delete them by hand). The history rows in the .json
# carry the computer's clock of the recording, so every case's .json changes there whenever it
# is recorded again.
set -u
[ $# -ge 2 ] || { echo "usage: $0 CORVALA_CLI CORVALA_DEMO_DATA [CORVALA_SOAK] [CORVALA_BENCH]" >&2; exit 2; }
cli=$(realpath "$1"); gen=$(realpath "$2")
soak=${3:+$(realpath "$3")}; bench=${4:+$(realpath "$4")}
here=$(cd "$(dirname "$0")" && pwd)
out=$(realpath "${GOLDEN_DIR:-$here}")
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
. "$here/../demo_install.sh"
demo_install "$work/demo" || exit 1
fail=0

fresh() { rm -rf "$1"; mkdir -p "$1" && cp -R "$work/demo/." "$1/"; }

. "$here/data_for.sh"

# Keeps SESSION as NAME.session and what it plays to, over a fresh install, as NAME.json; it must
# play as recorded and end where its file says it ended.
keep() {  # NAME SESSION
  local name=$1 play="$work/play" json status
  [ -f "$2" ] || { echo "FAIL $name: no session file"; fail=1; return; }
  cp "$2" "$out/$name.session"
  fresh "$play"
  json=$("$cli" replay --session "$out/$name.session" --install "$play" \
         --data "$(data_for "$out/$name.session" "$play")" --report)
  status=$?
  printf '%s\n' "$json" > "$out/$name.json"
  local played recorded
  played=$(jq -r '.end' <<<"$json")
  recorded=$(tail -n1 "$out/$name.session" | jq -r '.at')
  if [ $status -ne 0 ] || [ "$(jq '.session.matched' <<<"$json")" != true ] || [ "$played" != "$recorded" ]; then
    echo "FAIL $name: status $status, $(jq -c '.session' <<<"$json"), ended $played, recorded $recorded"
    fail=1
  else
    echo "ok   $name: $(jq '.executions | length' <<<"$json") fills, ended $played"
  fi
  rm -rf "$play"
}

# A replay run with the script on stdin; its session is kept as NAME.
rec() {  # NAME [INSTALL] -- replay options
  local name=$1 inst="$work/$1"; shift
  if [ "$1" != "--" ]; then inst=$1; shift; else fresh "$inst"; fi
  shift
  cat > "$work/$name.jsonl"
  local json
  json=$("$cli" replay --install "$inst" --data "${data:-$inst/日中データ}" --script "$work/$name.jsonl" "$@")
  keep "$name" "$(jq -r '.sessionFile // empty' <<<"$json")"
  [ -n "$(jq -c '.rejected[]' <<<"$json")" ] && echo "     refused: $(jq -c '[.rejected[].message]' <<<"$json")"
  rm -rf "$inst"
}

# ---- Orders before the open and at the lunch break, every order type, corrections ----------

rec preopen_orders -- --date 221102 --code 8473 --series TOPIX --speed 30 --seed 11 <<'EOF'
{"at":"08:59:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":300}}
{"at":"08:59:00","new":{"side":"売建","type":"通常注文","normal":"指値","price":3180,"qty":200}}
{"at":"08:59:00","new":{"side":"買建","type":"通常注文","normal":"指値","price":3170,"qty":100}}
{"at":"08:59:00","new":{"side":"売建","type":"通常注文","normal":"指値","price":3190,"qty":100}}
{"at":"09:40:00","close":{"side":"売埋","type":"通常注文","normal":"成行","positions":{"200":100}}}
{"at":"10:10:00","close":{"side":"買埋","type":"通常注文","normal":"指値","price":3170,"positions":"all"}}
{"at":"11:00:00","new":{"side":"売建","type":"通常注文","normal":"成行","qty":100}}
{"at":"11:20:00","close":{"side":"売埋","type":"通常注文","normal":"指値","price":3160,"qty":200,"positions":{"200":200}}}
{"at":"13:00:00","close":{"side":"買埋","type":"通常注文","normal":"成行","positions":"all"}}
EOF

rec lunch_orders -- --date 221104 --code 8473 --speed 30 --seed 12 <<'EOF'
{"at":"09:05:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":200}}
{"at":"10:00:00","new":{"side":"売建","type":"通常注文","normal":"指値","price":3135,"qty":100}}
{"at":"10:00:00","new":{"side":"買建","type":"通常注文","normal":"指値","price":3080,"qty":100}}
{"at":"12:00:00","close":{"side":"売埋","type":"通常注文","normal":"成行","positions":{"200":100}}}
{"at":"12:00:00","new":{"side":"買建","type":"通常注文","normal":"指値","price":3104,"qty":100}}
{"at":"12:00:00","new":{"side":"売建","type":"通常注文","normal":"成行","qty":100}}
{"at":"12:00:00","correct":101,"price":3110}
{"at":"12:00:00","cancel":102}
{"at":"12:00:00","new":{"side":"買建","type":"通常注文","normal":"指値","price":3095,"qty":300}}
{"at":"13:30:00","close":{"side":"売埋","type":"通常注文","normal":"成行","positions":"all"}}
{"at":"14:00:00","close":{"side":"買埋","type":"通常注文","normal":"指値","price":3101,"positions":"all"}}
EOF

rec stop_orders -- --date 221107 --code 8473 --speed 30 --seed 13 <<'EOF'
{"at":"08:59:00","new":{"side":"買建","type":"逆指値注文","trigger":3104,"when":"以上","stop":"成行","qty":100}}
{"at":"09:10:00","new":{"side":"売建","type":"逆指値注文","trigger":3090,"when":"以下","stop":"成行","qty":200}}
{"at":"09:10:00","new":{"side":"買建","type":"逆指値注文","trigger":3099,"when":"以上","stop":"指値","stopPrice":3100,"qty":100}}
{"at":"09:10:00","new":{"side":"売建","type":"逆指値注文","trigger":3070,"when":"以下","stop":"指値","stopPrice":3069,"qty":100}}
{"at":"09:10:00","new":{"side":"買建","type":"逆指値注文","trigger":3150,"when":"以上","stop":"成行","qty":100}}
{"at":"09:10:00","new":{"side":"売建","type":"逆指値注文","trigger":3110,"when":"以上","stop":"指値","stopPrice":3112,"qty":100}}
{"at":"09:10:00","new":{"side":"買建","type":"逆指値注文","trigger":3060,"when":"以下","stop":"成行","qty":100}}
{"at":"11:30:00","close":{"side":"買埋","type":"逆指値注文","trigger":3065,"when":"以上","stop":"成行","positions":"all"}}
{"at":"13:00:00","close":{"side":"売埋","type":"逆指値注文","trigger":3040,"when":"以下","stop":"指値","stopPrice":3038,"positions":"all"}}
EOF

rec stop_with_limit -- --date 221110 --code 8473 --speed 30 --seed 14 <<'EOF'
{"at":"09:05:00","new":{"side":"買建","type":"逆指値付通常注文","normal":"指値","price":3120,"trigger":3148,"when":"以上","stop":"成行","qty":200}}
{"at":"09:05:00","new":{"side":"売建","type":"逆指値付通常注文","normal":"指値","price":3240,"trigger":3150,"when":"以下","stop":"指値","stopPrice":3149,"qty":100}}
{"at":"09:05:00","new":{"side":"買建","type":"逆指値付通常注文","normal":"指値","price":3135,"trigger":3170,"when":"以上","stop":"指値","stopPrice":3171,"qty":100}}
{"at":"09:05:00","new":{"side":"売建","type":"逆指値付通常注文","normal":"成行","trigger":3100,"when":"以下","stop":"成行","qty":100}}
{"at":"10:30:00","close":{"side":"売埋","type":"逆指値付通常注文","normal":"指値","price":3200,"trigger":3150,"when":"以下","stop":"成行","positions":"all"}}
{"at":"11:00:00","close":{"side":"買埋","type":"逆指値付通常注文","normal":"指値","price":3140,"trigger":3175,"when":"以上","stop":"指値","stopPrice":3178,"positions":"all"}}
EOF

rec corrections_cancels -- --date 221111 --code 8473 --speed 30 --seed 15 <<'EOF'
{"at":"08:59:00","new":{"side":"買建","type":"通常注文","normal":"指値","price":3100,"qty":100}}
{"at":"08:59:00","correct":100,"price":3150,"qty":300}
{"at":"09:10:00","new":{"side":"売建","type":"通常注文","normal":"指値","price":3300,"qty":200}}
{"at":"09:10:00","new":{"side":"買建","type":"逆指値注文","trigger":3250,"when":"以上","stop":"成行","qty":100}}
{"at":"09:10:00","new":{"side":"買建","type":"通常注文","normal":"指値","price":3000,"qty":100}}
{"at":"09:30:00","correct":101,"price":3180,"qty":100}
{"at":"09:30:00","correct":102,"trigger":3190}
{"at":"09:30:00","cancel":103}
{"at":"10:00:00","close":{"side":"売埋","type":"通常注文","normal":"指値","price":3400,"positions":"all"}}
{"at":"10:30:00","correct":300,"price":3200}
{"at":"10:30:00","close":{"side":"買埋","type":"通常注文","normal":"指値","price":3100,"positions":"all"}}
{"at":"11:00:00","cancel":301}
{"at":"11:00:00","new":{"side":"売建","type":"通常注文","normal":"指値","price":3400,"qty":100}}
{"at":"11:05:00","correct":104,"normal":"成行"}
{"at":"13:00:00","close":{"side":"買埋","type":"通常注文","normal":"指値","price":3100,"positions":"all"}}
{"at":"13:30:00","correct":302,"type":"逆指値付通常注文","trigger":3260,"when":"以上","stop":"成行"}
EOF

rec bulk_close -- --date 221108 --code 8473 --speed 30 --seed 16 <<'EOF'
{"at":"09:02:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":100}}
{"at":"09:04:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":200}}
{"at":"09:06:00","new":{"side":"売建","type":"通常注文","normal":"成行","qty":100}}
{"at":"09:08:00","new":{"side":"売建","type":"通常注文","normal":"成行","qty":300}}
{"at":"09:10:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":100}}
{"at":"09:30:00","close":{"side":"売埋","type":"通常注文","normal":"成行","positions":"all"}}
{"at":"09:40:00","close":{"side":"買埋","type":"通常注文","normal":"指値","price":3060,"positions":"all"}}
{"at":"10:00:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":100}}
{"at":"10:01:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":100}}
{"at":"10:02:00","new":{"side":"売建","type":"通常注文","normal":"成行","qty":200}}
{"at":"10:03:00","new":{"side":"売建","type":"通常注文","normal":"成行","qty":100}}
{"at":"11:00:00","close":{"side":"売埋","type":"通常注文","normal":"指値","price":3090,"positions":"all"}}
{"at":"13:00:00","close":{"side":"買埋","type":"通常注文","normal":"成行","positions":"all"}}
EOF

# 現物のみ with a new investment (the account panel before the day is shown), prices in tenths.
rec cash_only -- --date 221109 --code 3350 --speed 30 --seed 17 <<'EOF'
{"at":"08:00:00","investment":800000}
{"at":"08:00:00","cashOnly":true}
{"at":"08:59:00","new":{"side":"買付","type":"通常注文","normal":"成行","qty":200}}
{"at":"09:10:00","new":{"side":"買付","type":"通常注文","normal":"指値","price":"999.8","qty":300}}
{"at":"09:10:00","new":{"side":"買付","type":"逆指値注文","trigger":1010,"when":"以上","stop":"成行","qty":100}}
{"at":"09:12:00","new":{"side":"売建","type":"通常注文","normal":"成行","qty":100}}
{"at":"10:00:00","close":{"side":"売付","type":"通常注文","normal":"成行","positions":{"200":100}}}
{"at":"12:00:00","close":{"side":"売付","type":"通常注文","normal":"指値","price":"1020.5","positions":"all"}}
{"at":"13:30:00","new":{"side":"買付","type":"逆指値付通常注文","normal":"指値","price":1000,"trigger":"1045.5","when":"以上","stop":"成行","qty":200}}
{"at":"14:10:00","close":{"side":"売付","type":"逆指値注文","trigger":"1044.5","when":"以下","stop":"成行","positions":"all"}}
EOF

# ---- The playback buttons, the speed and 低速, a start mid-session -------------------------

rec playback_buttons -- --date 221102 --code 9984 --speed 20 --seed 18 --investment 5000000 <<'EOF'
{"at":"09:20:00","new":{"side":"売建","type":"通常注文","normal":"指値","price":25100,"qty":100}}
{"at":"09:30:00","press":"||"}
{"at":"09:30:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":100}}
{"at":"09:30:00","press":"→"}
{"at":"09:30:00","press":"→"}
{"at":"09:30:00","press":"||"}
{"at":"09:45:00","new":{"side":"売建","type":"通常注文","normal":"成行","qty":200}}
{"at":"10:00:00","press":"≫"}
{"at":"10:10:00","press":">"}
{"at":"10:20:00","new":{"side":"買建","type":"通常注文","normal":"指値","price":25000,"qty":100}}
{"at":"10:22:00","press":"≪"}
{"at":"10:23:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":100}}
{"at":"10:30:00","speed":10}
{"at":"11:00:00","lowSpeed":true}
{"at":"11:02:00","close":{"side":"売埋","type":"通常注文","normal":"成行","positions":"all"}}
{"at":"11:10:00","lowSpeed":false}
{"at":"11:10:00","speed":25}
{"at":"13:00:00","press":"||"}
{"at":"13:00:00","press":"≪"}
{"at":"13:00:00","press":"→"}
{"at":"13:00:00","press":"||"}
{"at":"13:10:00","close":{"side":"買埋","type":"通常注文","normal":"成行","positions":"all"}}
{"at":"13:30:00","press":"≫"}
{"at":"13:30:00","press":"≫"}
{"at":"14:00:00","speed":1}
{"at":"14:05:00","speed":30}
EOF

rec mid_session_start -- --date 221104 --code 6501 --start 13:15 --speed 30 --seed 19 <<'EOF'
{"at":"13:00:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":200}}
{"at":"13:00:00","new":{"side":"売建","type":"通常注文","normal":"指値","price":4560,"qty":100}}
{"at":"13:40:00","close":{"side":"売埋","type":"通常注文","normal":"指値","price":4550,"positions":{"200":100}}}
{"at":"14:00:00","new":{"side":"売建","type":"逆指値注文","trigger":4520,"when":"以下","stop":"成行","qty":100}}
{"at":"14:30:00","close":{"side":"買埋","type":"通常注文","normal":"成行","positions":"all"}}
EOF

# ---- ■: stop? はい, then keep the run: with holdings open, with trades only; stop? いいえ -----
# The command line writes a session only for a kept run, so ■ before anything traded (soak_*
# below) and keep? いいえ (the run discarded) leave none from it.

rec stop_keep_holdings -- --date 220331 --code 8473 --speed 30 --seed 20 <<'EOF'
{"at":"08:59:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":200}}
{"at":"09:20:00","new":{"side":"売建","type":"通常注文","normal":"成行","qty":100}}
{"at":"09:40:00","close":{"side":"売埋","type":"通常注文","normal":"成行","positions":{"200":100}}}
{"at":"10:00:00","new":{"side":"買建","type":"通常注文","normal":"指値","price":3100,"qty":100}}
{"at":"10:00:00","new":{"side":"売建","type":"逆指値注文","trigger":3120,"when":"以下","stop":"成行","qty":100}}
{"at":"10:45:00","press":"■","answers":["はい","はい"]}
EOF

rec stop_keep_trades -- --date 220401 --code 8473 --speed 30 --seed 21 <<'EOF'
{"at":"09:05:00","new":{"side":"売建","type":"通常注文","normal":"成行","qty":100}}
{"at":"09:05:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":300}}
{"at":"10:00:00","close":{"side":"買埋","type":"通常注文","normal":"成行","positions":"all"}}
{"at":"10:30:00","close":{"side":"売埋","type":"通常注文","normal":"指値","price":3190,"positions":"all"}}
{"at":"12:00:00","new":{"side":"買建","type":"通常注文","normal":"指値","price":3150,"qty":100}}
{"at":"13:20:00","press":"■","answers":["はい","はい"]}
EOF

rec stop_declined -- --date 221101 --code 8473 --speed 30 --seed 22 <<'EOF'
{"at":"09:10:00","new":{"side":"売建","type":"通常注文","normal":"成行","qty":200}}
{"at":"10:00:00","press":"■","answers":["いいえ"]}
{"at":"10:30:00","close":{"side":"買埋","type":"通常注文","normal":"成行","positions":{"200":100}}}
{"at":"12:00:00","press":"■","answers":["いいえ"]}
{"at":"12:00:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":100}}
{"at":"14:00:00","close":{"side":"売埋","type":"通常注文","normal":"成行","positions":"all"}}
EOF

# ---- Every bar length but 5 (the cases above): ≫ and ≪ move by N-minute bars --------------

rec bar1 -- --date 221101 --code 1301 --bar-length 1 --speed 30 --seed 23 <<'EOF'
{"at":"08:59:00","new":{"side":"買建","type":"通常注文","normal":"指値","price":3505,"qty":100}}
{"at":"09:20:00","press":"≫"}
{"at":"09:25:00","press":"≫"}
{"at":"09:40:00","new":{"side":"売建","type":"通常注文","normal":"成行","qty":100}}
{"at":"09:50:00","press":"≪"}
{"at":"10:00:00","press":"||"}
{"at":"10:00:00","press":"≪"}
{"at":"10:00:00","press":"→"}
{"at":"10:00:00","press":"||"}
{"at":"11:00:00","close":{"side":"売埋","type":"通常注文","normal":"成行","positions":"all"}}
{"at":"12:00:00","new":{"side":"買建","type":"逆指値注文","trigger":3590,"when":"以上","stop":"成行","qty":100}}
{"at":"13:00:00","close":{"side":"買埋","type":"通常注文","normal":"指値","price":3560,"positions":"all"}}
{"at":"14:00:00","press":">"}
{"at":"14:30:00","close":{"side":"売埋","type":"通常注文","normal":"成行","positions":"all"}}
EOF

rec bar2 -- --date 221107 --code 3350 --bar-length 2 --speed 30 --seed 24 <<'EOF'
{"at":"08:59:00","new":{"side":"売建","type":"通常注文","normal":"成行","qty":500}}
{"at":"09:15:00","new":{"side":"買建","type":"通常注文","normal":"指値","price":"989.5","qty":300}}
{"at":"09:40:00","press":"≫"}
{"at":"09:40:00","press":"≫"}
{"at":"10:00:00","close":{"side":"買埋","type":"通常注文","normal":"指値","price":"988.7","positions":{"200":200}}}
{"at":"10:30:00","press":"≪"}
{"at":"11:00:00","close":{"side":"売埋","type":"逆指値注文","trigger":"988.2","when":"以下","stop":"成行","positions":"all"}}
{"at":"12:00:00","new":{"side":"売建","type":"逆指値付通常注文","normal":"指値","price":"990.4","trigger":"985.0","when":"以下","stop":"成行","qty":200}}
{"at":"14:00:00","close":{"side":"買埋","type":"通常注文","normal":"成行","positions":"all"}}
EOF

rec bar3 -- --date 221110 --code 2315 --series ｸﾞﾛｰｽ --bar-length 3 --speed 30 --seed 25 <<'EOF'
{"at":"08:59:00","new":{"side":"売建","type":"通常注文","normal":"指値","price":380,"qty":1000}}
{"at":"09:20:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":500}}
{"at":"09:30:00","press":"≫"}
{"at":"09:45:00","close":{"side":"買埋","type":"通常注文","normal":"指値","price":345,"positions":{"200":500}}}
{"at":"10:00:00","press":"||"}
{"at":"10:00:00","press":"→"}
{"at":"10:00:00","press":"→"}
{"at":"10:00:00","press":"≪"}
{"at":"10:00:00","press":"||"}
{"at":"10:15:00","close":{"side":"売埋","type":"通常注文","normal":"成行","positions":"all"}}
{"at":"11:00:00","new":{"side":"買建","type":"逆指値注文","trigger":335,"when":"以上","stop":"指値","stopPrice":336,"qty":1000}}
{"at":"13:00:00","close":{"side":"買埋","type":"通常注文","normal":"成行","positions":"all"}}
{"at":"14:30:00","close":{"side":"売埋","type":"通常注文","normal":"指値","price":338,"positions":"all"}}
EOF

rec bar4 -- --date 221111 --code 9984 --bar-length 4 --speed 30 --seed 26 --investment 5000000 <<'EOF'
{"at":"08:59:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":100}}
{"at":"08:59:00","new":{"side":"売建","type":"通常注文","normal":"指値","price":25700,"qty":200}}
{"at":"09:40:00","press":"≫"}
{"at":"09:40:00","press":"≫"}
{"at":"09:40:00","press":"≫"}
{"at":"10:20:00","close":{"side":"売埋","type":"通常注文","normal":"指値","price":25780,"positions":"all"}}
{"at":"10:40:00","press":"≪"}
{"at":"11:10:00","new":{"side":"買建","type":"逆指値付通常注文","normal":"指値","price":25600,"trigger":25850,"when":"以上","stop":"成行","qty":100}}
{"at":"12:00:00","close":{"side":"買埋","type":"通常注文","normal":"成行","positions":{"201":100}}}
{"at":"13:30:00","press":"||"}
{"at":"13:30:00","lowSpeed":true}
{"at":"13:30:00","press":"||"}
{"at":"13:40:00","lowSpeed":false}
{"at":"14:00:00","close":{"side":"買埋","type":"通常注文","normal":"成行","positions":"all"}}
EOF

# 4385 opens late on 221108: the order before the open waits for its first print.
rec bar10 -- --date 221108 --code 4385 --bar-length 10 --speed 30 --seed 27 <<'EOF'
{"at":"08:59:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":200}}
{"at":"08:59:00","new":{"side":"売建","type":"通常注文","normal":"指値","price":1780,"qty":300}}
{"at":"09:10:00","new":{"side":"買建","type":"通常注文","normal":"指値","price":1760,"qty":100}}
{"at":"09:40:00","press":"≫"}
{"at":"10:10:00","close":{"side":"売埋","type":"通常注文","normal":"成行","positions":"all"}}
{"at":"10:25:00","press":"≪"}
{"at":"11:00:00","close":{"side":"売埋","type":"通常注文","normal":"指値","price":1754,"positions":{"201":100}}}
{"at":"12:00:00","new":{"side":"売建","type":"逆指値注文","trigger":1745,"when":"以下","stop":"指値","stopPrice":1744,"qty":200}}
{"at":"14:10:00","close":{"side":"買埋","type":"通常注文","normal":"成行","positions":"all"}}
EOF

# ---- Days with something of their own ---------------------------------------------------

# 2315 reaches its upper limit (402) on 221109 and stays there; 403 is refused.
rec limit_up -- --date 221109 --code 2315 --speed 30 --seed 28 <<'EOF'
{"at":"08:59:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":1000}}
{"at":"09:30:00","new":{"side":"買建","type":"逆指値注文","trigger":380,"when":"以上","stop":"成行","qty":1000}}
{"at":"13:00:00","new":{"side":"売建","type":"通常注文","normal":"指値","price":400,"qty":500}}
{"at":"13:40:00","close":{"side":"売埋","type":"通常注文","normal":"指値","price":402,"positions":{"200":500}}}
{"at":"13:50:00","new":{"side":"買建","type":"通常注文","normal":"指値","price":402,"qty":500}}
{"at":"13:50:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":500}}
{"at":"14:00:00","new":{"side":"売建","type":"通常注文","normal":"成行","qty":500}}
{"at":"14:10:00","new":{"side":"売建","type":"通常注文","normal":"指値","price":403,"qty":100}}
{"at":"14:20:00","close":{"side":"売埋","type":"通常注文","normal":"成行","positions":"all"}}
EOF

# The day's prints given (--tape), every third line of an estimate of another seed: the
# session carries them.
tape_inst="$work/tape"; fresh "$tape_inst"
"$cli" tape --install "$tape_inst" --data "$tape_inst/日中データ" --date 221108 --code 1301 --seed 5 |
  awk 'NR % 3 == 1' > "$work/given.tape"
rec given_tape "$tape_inst" -- --date 221108 --code 1301 --tape "$work/given.tape" --speed 30 --seed 31 <<'EOF'
{"at":"08:59:00","new":{"side":"売建","type":"通常注文","normal":"成行","qty":100}}
{"at":"09:40:00","close":{"side":"買埋","type":"通常注文","normal":"指値","price":3525,"positions":"all"}}
{"at":"10:00:00","new":{"side":"買建","type":"通常注文","normal":"指値","price":3540,"qty":200}}
{"at":"12:00:00","new":{"side":"売建","type":"逆指値注文","trigger":3510,"when":"以下","stop":"成行","qty":100}}
{"at":"13:30:00","close":{"side":"売埋","type":"通常注文","normal":"成行","positions":"all"}}
{"at":"14:00:00","close":{"side":"買埋","type":"通常注文","normal":"成行","positions":"all"}}
EOF

# The totals a kept run saved (--save-settings, as the program's exit does) are the next run's
# start; 220330 is the first demo day, without a day before it.
totals_inst="$work/totals"; fresh "$totals_inst"
cat > "$work/first.jsonl" <<'EOF'
{"at":"09:05:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":200}}
{"at":"09:30:00","close":{"side":"売埋","type":"通常注文","normal":"成行","positions":"all"}}
{"at":"10:00:00","new":{"side":"売建","type":"通常注文","normal":"成行","qty":100}}
EOF
"$cli" replay --install "$totals_inst" --data "$totals_inst/日中データ" --date 221111 --code 1301 --speed 30 \
  --script "$work/first.jsonl" --save-settings >/dev/null || { echo "FAIL carried_totals: the first run"; fail=1; }
rec carried_totals "$totals_inst" -- --date 220330 --code 1301 --series 日経JAS --speed 30 --seed 32 <<'EOF'
{"at":"08:59:00","new":{"side":"買建","type":"通常注文","normal":"指値","price":3500,"qty":300}}
{"at":"09:10:00","new":{"side":"売建","type":"通常注文","normal":"成行","qty":100}}
{"at":"09:50:00","close":{"side":"売埋","type":"通常注文","normal":"指値","price":3495,"positions":"all"}}
{"at":"11:00:00","close":{"side":"買埋","type":"通常注文","normal":"成行","positions":"all"}}
{"at":"13:00:00","new":{"side":"売建","type":"逆指値付通常注文","normal":"指値","price":3500,"trigger":3440,"when":"以下","stop":"成行","qty":200}}
EOF

# ---- A quiz's day and a screening's hand-over ----------------------------------------------

if command -v lha >/dev/null; then
  quiz_inst="$work/quiz"; fresh "$quiz_inst"
  mkdir -p "$work/quizsrc/出題/221104"
  cp "$quiz_inst/日中データ/221104/8473.csv" "$quiz_inst/日中データ/221104/N225.csv" "$work/quizsrc/出題/221104/"
  printf 'Q47\r\n221104\r\n8473\r\n10:30:00\r\n18\r\n' > "$work/quizsrc/出題/data.txt"
  (cd "$work/quizsrc" && LANG=C.UTF-8 LC_ALL=C.UTF-8 \
     JAVA_TOOL_OPTIONS='-Dlha.encoding=windows-31j -Dsun.jnu.encoding=UTF-8' lha a2qo5 "$work/quest.lzh" 出題 >/dev/null 2>&1)
  quiz=$("$cli" quiz --install "$quiz_inst" --package "$work/quest.lzh")
  start=$(jq -r '.startTime[0:5]' <<<"$quiz")
  data=$(jq -r '.folder' <<<"$quiz")  # the quiz's folder is the data folder of its run
  rec quiz_day "$quiz_inst" -- --date "$(jq -r .date <<<"$quiz")" --code "$(jq -r .code <<<"$quiz")" --start "$start" \
    --speed 30 --seed 29 <<'EOF'
{"at":"10:00:00","new":{"side":"売建","type":"通常注文","normal":"成行","qty":200}}
{"at":"10:00:00","new":{"side":"買建","type":"通常注文","normal":"指値","price":3100,"qty":100}}
{"at":"11:00:00","close":{"side":"買埋","type":"通常注文","normal":"指値","price":3106,"positions":{"200":100}}}
{"at":"12:00:00","new":{"side":"買建","type":"逆指値注文","trigger":3100,"when":"以下","stop":"成行","qty":100}}
{"at":"13:30:00","close":{"side":"売埋","type":"通常注文","normal":"成行","positions":"all"}}
EOF
  unset data
else
  echo "skip quiz_day: no lha"
fi

screen_inst="$work/screen"; fresh "$screen_inst"
use=$("$cli" screen --install "$screen_inst" --data "$screen_inst/日中データ" --month 202211 --direction 両方 \
      --threshold 3 --sort change --use 1 --near-start --bar-length 5 --seed 7 | jq '.use')
rec screening_handover "$screen_inst" -- --date "$(jq -r .date <<<"$use")" --code "$(jq -r .code <<<"$use")" \
  --start "$(jq -r '.startTime[0:5]' <<<"$use")" --bar-length 5 --speed 30 --seed 30 <<'EOF'
{"at":"10:00:00","new":{"side":"買建","type":"通常注文","normal":"成行","qty":1000}}
{"at":"10:00:00","new":{"side":"売建","type":"通常注文","normal":"指値","price":336,"qty":500}}
{"at":"10:40:00","new":{"side":"売建","type":"逆指値注文","trigger":325,"when":"以下","stop":"成行","qty":500}}
{"at":"11:10:00","close":{"side":"売埋","type":"通常注文","normal":"指値","price":333,"positions":"all"}}
{"at":"13:00:00","close":{"side":"買埋","type":"通常注文","normal":"成行","positions":"all"}}
{"at":"14:00:00","new":{"side":"買建","type":"逆指値付通常注文","normal":"指値","price":323,"trigger":329,"when":"以上","stop":"成行","qty":1000}}
EOF

# ---- Sessions of other front ends ------------------------------------------------------------

soak_case() {  # NAME SEED RUN: the soak session SEED's run RUN (1 first)
  local dir="$work/soak-$2" file
  "$soak" 1 --seed "$2" --keep "$dir" >/dev/null
  file=$(ls "$dir/demo/売買履歴/セッション/" | sort -V | sed -n "$3p")
  keep "$1" "$dir/demo/売買履歴/セッション/$file"
  rm -rf "$dir"
}
if [ -n "$soak" ]; then
  # 221111 4385 (opens late): an order's confirmation answered いいえ, another placed, then ■
  # and はい before anything filled: the run is not kept.
  soak_case soak_declined_order 144 1
  # 221108 3350, 現物のみ, the second run of the session: started at 11:00, ≪ before play, ■.
  soak_case soak_cash_restart 29 2
else
  echo "skip soak_*: no corvala-soak given"
fi

if [ -n "$bench" ]; then
  mkdir -p "$work/benchtmp"
  TMPDIR="$work/benchtmp" "$bench" --benchmark_filter=BM_PlayATradedDayFromItsSession \
    --benchmark_min_time=0.01 >/dev/null 2>&1
  keep dialog_traded_day "$(ls "$work"/benchtmp/corvala-bench-install/売買履歴/セッション/*.jsonl | head -n1)"
else
  echo "skip dialog_traded_day: no corvala_bench given"
fi

exit $fail
