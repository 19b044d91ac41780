#!/usr/bin/env bash
# vemora.exe as a user runs it, on an X display with xdotool's clicks, against vemora-display-sim
# on COM62: Check Communication gives "Connected." in a box titled "vemora", Run Manager opens the
# memory switch dialog, Get Status fills its lists with what the display holds (as the Linux
# vemora-cli reads it), and Exit gives a printer on the port its port back.
# Usage (WINEPREFIX and DISPLAY set):
#   end-to-end.sh VEMORA_EXE PROBE_EXE TEST_PRINTER_EXE LINUX_BUILD
set -euo pipefail
vemora=$1 probe=$2 printer=$3 linux=$4
wine=/usr/lib/wine/wine64
port=COM62
com_port=$(dirname "$0")/../support/wine-com-port
connection='Vemora(V1.0.3a)'
switches='Vemora V1.0.3a(Epson Mode)'
log=$(mktemp)

cleanup() {
    [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null
    "$wine" "$printer" remove Receipts >/dev/null 2>&1 || true
    "$com_port" down "$port"
    rm -f "$log"
}
trap cleanup EXIT
. "$(dirname "$0")/window-steps.sh"

printer_port() {
    "$wine" "$printer" port Receipts | tr -d '\r'
}
# The item each list of the memory switch dialog shows, in bank order, once the last shows $1.
shown_settings() {
    controls "$switches" "$1" | awk '$1 == 1001 || ($1 >= 1023 && $1 <= 1026)' | cut -d' ' -f5-
}

pty=$("$com_port" up "$port" "$linux/sim/vemora-display-sim" | sed 's/.* -> //')
expected=$("$linux/cli/vemora-cli" get -p "$pty" --json | python3 -c '
import json, sys
settings = json.load(sys.stdin)["settings"]
for key in ("codeTable", "characterSet", "brightness", "peripheralDevice", "cursorMode"):
    print(settings[key]["item"])')
"$wine" "$printer" add Receipts "$port:" || fail "no printer could be added"

"$wine" "$vemora" --port "$port" >"$log" 2>&1 &
pid=$!
click "$connection" 1001
controls vemora "Connected." >/dev/null
[ "$(printer_port)" = FILE: ] || fail "the printer on $port was not parked: $(printer_port)"
click vemora 1
click "$connection" 1030
click "$switches" 1002
controls vemora "Success to get status of ZRN." >/dev/null
click vemora 1
shown=$(shown_settings "$(tail -n 1 <<<"$expected")")
[ "$shown" = "$expected" ] ||
    fail "the lists show $(tr '\n' '|' <<<"$shown"), not $(tr '\n' '|' <<<"$expected")"
click "$switches" 1007
click "$connection" 2
# Wine's spooler cannot pause a printer, so at the end a box says it could not be paused.
for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    if box=$("$wine" "$probe" vemora) &&
        read -r x y < <(awk '$1 == 1 { print $3, $4 }' <<<"$box"); then
        echo "At the end, a box: $(cut -d' ' -f5- <<<"$box" | tr '\n' ' ')"
        xdotool mousemove "$x" "$y" click 1
    fi
    sleep 0.2
done
wait "$pid" || fail "vemora.exe ended with status $?: $(cat "$log")"
pid=
[ "$(printer_port)" = "$port:" ] || fail "the printer did not get $port back: $(printer_port)"
echo "vemora.exe: Connected., Get Status showed $(tr '\n' '|' <<<"$expected")" \
    "and the printer got $port back"
