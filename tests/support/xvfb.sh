#!/usr/bin/env bash
# Starts or stops the Xvfb server shared by the tests labelled x11.
#   xvfb.sh start FILE   starts Xvfb, writes ":N" into FILE and FILE.pid
#   xvfb.sh stop FILE    stops the server named in FILE.pid
set -eu
action=$1 file=$2
case $action in
start)
  [ -f "$file.pid" ] && kill "$(cat "$file.pid")" 2>/dev/null || true
  exec 3> "$file.fd"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  pid=$!
  exec 3>&-
  for _ in $(seq 100); do
    [ -s "$file.fd" ] && break
    sleep 0.1
  done
  [ -s "$file.fd" ] || { echo "Xvfb did not start"; kill $pid 2>/dev/null; exit 1; }
  echo ":$(tr -d '[:space:]' < "$file.fd")" > "$file"
  echo $pid > "$file.pid"
  if command -v openbox >/dev/null; then
    DISPLAY=$(cat "$file") setsid openbox --sm-disable >/dev/null 2>&1 &
    echo $! > "$file.wm"
  fi
  echo "Xvfb on $(cat "$file")"
  ;;
stop)
  [ -f "$file.wm" ] && kill "$(cat "$file.wm")" 2>/dev/null || true
  [ -f "$file.pid" ] && kill "$(cat "$file.pid")" 2>/dev/null || true
  rm -f "$file" "$file.pid" "$file.fd" "$file.wm"
  ;;
esac
