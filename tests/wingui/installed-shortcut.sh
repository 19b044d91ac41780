#!/usr/bin/env bash
# The installed program as a user starts it, from its Start menu shortcut: it shows the connection
# dialog, and Exit ends it. For .ci/run, after a silent install.
# Usage (WINEPREFIX and DISPLAY set): installed-shortcut.sh PROBE_EXE
set -euo pipefail
probe=$1
wine=/usr/lib/wine/wine64
. "$(dirname "$0")/window-steps.sh"
shortcut=$(find "$WINEPREFIX/drive_c" -name Vemora.lnk | head -n 1)
[ -n "$shortcut" ] || fail "the installer made no Start menu shortcut"
"$wine" start /wait /unix "$shortcut" &
controls 'Vemora(V1.0.3a)' 'Check Communication' >/dev/null
click 'Vemora(V1.0.3a)' 2
wait $!
echo "The shortcut $(basename "$shortcut") started vemora.exe, which showed the connection dialog"
