#!/usr/bin/env bash
# The fleet playbook on two hosts, each a local connection with a simulated display of its own:
# the first run changes both displays, the second finds nothing to change, and both displays then
# hold the status file's switches.
# Usage: ansible-apply.sh VEMORA_CLI VEMORA_DISPLAY_SIM PLAYBOOK
set -euo pipefail
cli=$1 sim=$2 playbook=$3

if ! command -v ansible-playbook >/dev/null; then
    echo "SKIPPED: ansible-playbook is not installed (scripts/setup installs ansible-core)"
    exit 77
fi

work=$(mktemp -d)
pids=()
cleanup() {
    ((${#pids[@]})) && kill "${pids[@]}" 2>/dev/null
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# start_sim NAME: starts a simulated display and sets $port to its pseudo-terminal.
start_sim() {
    mkfifo "$work/$1.fifo"
    "$sim" >"$work/$1.fifo" 2>/dev/null &
    pids+=($!)
    exec {fd}<"$work/$1.fifo"
    read -r port <&"$fd"
}

# The wanted switches come from a display that was set by hand, as a technician would save them.
start_sim model
"$cli" -p "$port" --keep-printers set --brightness 40% --cursor 1 >/dev/null
"$cli" -p "$port" --keep-printers get --save "$work/wanted.sts" >/dev/null

start_sim till1
port1=$port
start_sim till2
port2=$port
cat >"$work/inventory.ini" <<INI
[displays]
till1 ansible_connection=local vemora_port=$port1
till2 ansible_connection=local vemora_port=$port2
INI

run_playbook() {
    ANSIBLE_NOCOLOR=1 ANSIBLE_LOCALHOST_WARNING=0 ANSIBLE_PYTHON_INTERPRETER=auto_silent \
        ansible-playbook -i "$work/inventory.ini" "$playbook" --skip-tags install \
        -e "vemora_cli=$cli" -e "vemora_status_file=$work/wanted.sts" \
        -e '{"vemora_options": ["--keep-printers"]}' >"$work/run.log" 2>&1 || {
        cat "$work/run.log"
        exit 1
    }
}

# expect_recap CHANGED: every host's recap line says changed=CHANGED and failed=0.
expect_recap() {
    for host in till1 till2; do
        if ! grep -Eq "^$host +: ok=[0-9]+ +changed=$1 +unreachable=0 +failed=0" "$work/run.log"; then
            echo "FAILED: $host did not report changed=$1"
            cat "$work/run.log"
            exit 1
        fi
    done
}

run_playbook
expect_recap 1
run_playbook
expect_recap 0

# switches JSON: the settings and cells of a get or show document.
switches() { python3 -c 'import json, sys; d = json.load(sys.stdin); print(d["settings"], d["cells"])'; }
wanted=$("$cli" --json show "$work/wanted.sts" | switches)
for p in "$port1" "$port2"; do
    held=$("$cli" -p "$p" --keep-printers --json get | switches)
    if [ "$held" != "$wanted" ]; then
        echo "FAILED: the display on $p holds $held, not $wanted"
        exit 1
    fi
done
