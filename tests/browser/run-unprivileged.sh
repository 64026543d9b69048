#!/bin/sh
# Runs a test program as the unprivileged user nobody when started as root, so that file
# permissions bind it. When nobody cannot reach the program (a build below a private home
# folder), or not started as root, it runs as it is, and its tests skip themselves as root.
if [ "$(id -u)" = 0 ] && command -v setpriv >/dev/null 2>&1; then
  drop="setpriv --reuid=nobody --regid=nogroup --clear-groups --"
  if $drop test -x "$1"; then
    exec $drop "$@"
  fi
fi
exec "$@"
