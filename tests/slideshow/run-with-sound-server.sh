#!/bin/sh
# Runs a test program against a private sound server: a pulseaudio daemon with one null sink,
# listening on a socket in a temporary folder, stopped when the program ends. Without
# pulseaudio the program runs as it is and its sound tests skip themselves.
if ! command -v pulseaudio >/dev/null 2>&1; then
  exec "$@"
fi
dir=$(mktemp -d "${TMPDIR:-/tmp}/tessaly-sound-XXXXXX")
mkdir -p "$dir/run"
HOME=$dir XDG_RUNTIME_DIR=$dir/run XDG_CONFIG_HOME=$dir pulseaudio -n --daemonize=no \
  --exit-idle-time=-1 --use-pid-file=no --system=false \
  -L module-null-sink -L "module-native-protocol-unix socket=$dir/socket auth-anonymous=1" \
  >"$dir/log" 2>&1 &
server=$!
tries=0
while [ ! -S "$dir/socket" ] && [ $tries -lt 100 ]; do
  sleep 0.05
  tries=$((tries + 1))
done
PULSE_SERVER=unix:$dir/socket TSL_SOUND_SERVER=unix:$dir/socket "$@"
status=$?
kill "$server" 2>/dev/null
wait "$server" 2>/dev/null
rm -rf "$dir"
exit $status
