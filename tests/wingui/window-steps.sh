# What the scripts that drive vemora.exe's windows share (sourced): reading the controls of a
# window with vemora-window-probe and clicking them with xdotool. Needs $wine and $probe set, and
# DISPLAY.

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

# The controls of the window titled $1, a line each: id, enabled, x, y, text; waits up to 20 s
# for the window, and for a control with the text $2 when given.
controls() {
    local shown
    for _ in $(seq 100); do
        if shown=$("$wine" "$probe" "$1") &&
            { [ -z "${2:-}" ] || cut -d' ' -f5- <<<"$shown" | grep -qxF "$2"; }; then
            echo "$shown"
            return
        fi
        sleep 0.2
    done
    fail "no window \"$1\"${2:+ showing \"$2\"}"
}

# Clicks the control $2 of the window $1 once it can be used.
click() {
    local x= y=
    for _ in $(seq 50); do
        read -r x y < <(controls "$1" | awk -v id="$2" '$1 == id && $2 == 1 { print $3, $4 }')
        [ -n "$x" ] && break
        sleep 0.2
    done
    [ -n "$x" ] || fail "control $2 of \"$1\" cannot be used"
    xdotool mousemove "$x" "$y" click 1
}
