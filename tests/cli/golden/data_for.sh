# The data folder a session plays from (sourced by the golden test and record.sh): the install's
# 日中データ, or for a session whose header names no earlier day (a quiz's folder holds its day
# alone) a folder with only the files it names, since the display reads the day before whenever
# the folder has one.
data_for() {  # SESSION INSTALL
  local files date
  files=$(head -n1 "$1" | jq -r '.files[].name')
  date=$(head -n1 "$1" | jq -r '.start.date')
  if grep -qv "^$date/" <<<"$files"; then echo "$2/日中データ"; return; fi
  local d="$2/only-$date"
  rm -rf "$d"; mkdir -p "$d/$date"
  while read -r f; do cp "$2/日中データ/$f" "$d/$f"; done <<<"$files"
  echo "$d"
}
