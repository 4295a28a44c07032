# KDE's shortcut service (kglobalaccel) as the tests ask it, over the session bus: the same
# interface whether the daemon runs alone (Plasma X11) or inside KWin (Plasma Wayland). Sourced
# after gui_lib.sh.

# Qt's key combinations, as kglobalaccel keeps them: modifier flags | key.
CTRL=$((0x04000000)) ALT=$((0x08000000)) SHIFT=$((0x02000000)) META=$((0x10000000))
PICKER_KEY=$((CTRL | ALT | 0x50))          # Ctrl+Alt+P
FORWARD_KEY=$((CTRL | ALT | META | 0x5d))  # Ctrl+Alt+Super+]
BACK_KEY=$((SHIFT | META | 0x01000034))    # Shift+Super+F5

kga() {
  gdbus call --session --dest org.kde.kglobalaccel --object-path /kglobalaccel \
    --method "org.kde.KGlobalAccel.$1" "${@:2}" 2>&1
}

# The keys kglobalaccel has bound to one of our actions, as numbers: "201326672"; "" for none.
# Key sequences ("a(ai)", four chords each), which Plasma 5 and 6 both answer; a hot key is the
# first chord of one, and 0 is no key.
bound_keys() {
  kga shortcutKeys "['$APP_ID', '$1', '', '']" | grep -o '(\[[0-9]\+' | tr -d '([' |
    grep -vx 0 | tr '\n' ' ' | sed 's/ $//'
}
sequence() { echo "[([$1, 0, 0, 0],)]"; }

# Waits (up to $3 seconds) until action $1 is bound to exactly the keys $2.
wait_for_bound() {
  for _ in $(seq 1 $(($3 * 10))); do
    [ "$(bound_keys "$1")" = "$2" ] && return 0
    sleep 0.1
  done
  return 1
}

# Gives action $1 (titled $2) the key $3, as System Settings → Shortcuts does: behind our back.
set_key_as_system_settings() {
  kga setForeignShortcutKeys "['$APP_ID', '$1', 'Pigmora', '$2']" "$(sequence "$3")" >/dev/null
}

# kglobalaccel's own activation of one of our actions, as System Settings' or KRunner's.
invoke_shortcut() {
  gdbus call --session --dest org.kde.kglobalaccel --object-path "/component/${APP_ID//./_}" \
    --method org.kde.kglobalaccel.Component.invokeShortcut "$1" >/dev/null
}
