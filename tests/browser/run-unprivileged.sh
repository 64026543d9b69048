#!/bin/sh
# Runs a test program as the unprivileged user nobody when started as root, so that file
# permissions bind it; as any other user it runs as it is.
if [ "$(id -u)" = 0 ] && command -v setpriv >/dev/null 2>&1; then
  exec setpriv --reuid=nobody --regid=nogroup --clear-groups -- "$@"
fi
exec "$@"
