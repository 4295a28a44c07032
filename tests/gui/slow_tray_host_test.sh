#!/bin/bash
# A tray host that takes long to come up, as trayer does on a busy machine, is waited for: a
# desktop session started with a tray reaches its test only once the system tray selection is
# owned, and does not give up while the host is still starting.
source "$(dirname "$0")/gui_lib.sh"

here=$(cd "$(dirname "$0")" && pwd)
slow_bin="$PIGMORA_SESSION_DIR/slow-bin"
mkdir -p "$slow_bin"
cat >"$slow_bin/trayer" <<SCRIPT
#!/bin/sh
sleep 15
exec $(command -v trayer) "\$@"
SCRIPT
chmod +x "$slow_bin/trayer"

started=$(date +%s)
# The inner session's test asks, without waiting, whether the tray is there.
PATH="$slow_bin:$PATH" "$here/desktop_session.sh" --tray -- "$here/wait_for_tray_host.py" 0 \
  >"$PIGMORA_SESSION_DIR/inner.log" 2>&1
status=$?
took=$(($(date +%s) - started))
if [ $status -ne 0 ]; then
  fail "the session with a slow tray host ended with status $status: $(cat "$PIGMORA_SESSION_DIR/inner.log")"
elif [ $took -lt 15 ]; then
  fail "the slow tray host was not the one started (${took} s)"
else
  pass "a tray host that took ${took} s to come up was waited for"
fi
finish
