#!/bin/sh
# Builds korvexa.exe and runs it on the bundled demo: demo/korvexa.ini points
# it at demo/index.html served on 127.0.0.1:8731. With no DISPLAY it runs
# under a private Xvfb, saves a screenshot to build/korvexa-demo.png and ends
# the shell; with a DISPLAY it stays open until you close it.
set -eu
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset mingw >/dev/null
cmake --build --preset mingw --target korvexa -j "$(nproc)"

run=build/demo
rm -rf "$run" && mkdir -p "$run"
cp build/mingw/app/korvexa.exe demo/korvexa.ini "$run/"

python3 -m http.server 8731 --bind 127.0.0.1 --directory demo >/dev/null 2>&1 &
server=$!
trap 'kill $server 2>/dev/null || true' EXIT INT TERM

if [ -n "${DISPLAY:-}" ]; then
  scripts/wine-session scripts/wine-run "$run/korvexa.exe"
  exit 0
fi

scripts/with-display scripts/wine-session sh -c '
  scripts/wine-run "$1/korvexa.exe" &
  shell=$!
  i=0
  until xwininfo -root -tree 2>/dev/null | grep -q "Korvexa"; do
    i=$((i + 1)); [ $i -gt 300 ] && { echo "demo: the window did not appear" >&2; break; }
    sleep 0.1
  done
  sleep 3
  import -window root build/korvexa-demo.png
  echo "demo: screenshot saved to build/korvexa-demo.png"
  kill $shell 2>/dev/null || true
' demo "$run"
