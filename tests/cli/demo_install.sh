# Sourced by the cli tests. demo_install FOLDER fills FOLDER with the demo install: a copy of the
# ctest run's (see tests/demo_install.h) when CORVALA_DEMO_TEMPLATE names it, else written by the
# generator "$gen".
demo_install() {
  if [ -z "${CORVALA_DEMO_TEMPLATE:-}" ]; then
    "$gen" "$1" >/dev/null
  elif [ -f "$CORVALA_DEMO_TEMPLATE/manifest.json" ]; then
    mkdir -p "$1" && cp -R "$CORVALA_DEMO_TEMPLATE/install/." "$1/"
  else
    echo "no demo template in $CORVALA_DEMO_TEMPLATE"
    return 1
  fi
}
