#!/usr/bin/env bash
# The fleet playbook and its collection on hosts that are local connections, each with a simulated
# display of its own: --check --diff says both displays would change, and how, and writes nothing;
# the first run changes both displays, the second finds nothing to change; a host whose display is
# missing fails alone, with vemora-cli's reason. The modules' documented choices are vemora-cli's
# items.
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
fail() {
    echo "FAILED: $1"
    cat "$work/run.log" 2>/dev/null
    exit 1
}
export ANSIBLE_NOCOLOR=1 ANSIBLE_LOCALHOST_WARNING=0 ANSIBLE_PYTHON_INTERPRETER=auto_silent
export ANSIBLE_COLLECTIONS_PATH=$(dirname "$playbook")/collections

# The settings' choices in the modules' documentation are the items vemora-cli takes.
ansible-doc --json vemora.fleet.display_apply >"$work/doc.json"
"$cli" --json items | python3 -c '
import json, sys
items = list(json.load(sys.stdin)["items"].values())
options = json.load(open(sys.argv[1]))["vemora.fleet.display_apply"]["doc"]["options"]
choices = [o["choices"] for o in options["settings"]["suboptions"].values()]
sys.exit(0 if sorted(choices) == sorted(items) else "FAILED: the choices are not the items")
' "$work/doc.json"
ansible-doc vemora.fleet.display_info >/dev/null

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

# run_playbook [OPTION ...]: runs the playbook into run.log; its exit status is kept in $status.
run_playbook() {
    status=0
    ansible-playbook -i "$work/inventory.ini" "$playbook" --skip-tags install \
        -e "vemora_cli=$cli" -e "vemora_status_file=$work/wanted.sts" \
        -e vemora_keep_printers=true "$@" >"$work/run.log" 2>&1 || status=$?
}

# expect_recap HOST CHANGED FAILED: the host's recap line says changed=CHANGED, failed=FAILED.
expect_recap() {
    grep -Eq "^$1 +: ok=[0-9]+ +changed=$2 +unreachable=0 +failed=$3" "$work/run.log" ||
        fail "$1 did not report changed=$2 failed=$3"
}

# held PORT: the settings and cells the display on PORT holds; wanted: those of the status file.
switches() { python3 -c 'import json, sys; d = json.load(sys.stdin); print(d["settings"], d["cells"])'; }
held() { "$cli" -p "$1" --keep-printers --json get 2>/dev/null | switches; }
wanted=$("$cli" --json show "$work/wanted.sts" | switches)
untouched=$(held "$port1")

run_playbook --check --diff
((status == 0)) || fail "--check --diff ended with $status"
for host in till1 till2; do expect_recap $host 1 0; done
grep -q '^-brightness: 100%$' "$work/run.log" && grep -q '^+brightness: 40%$' "$work/run.log" ||
    fail "--diff did not show the brightness going from 100% to 40%"
[ "$(held "$port1")" = "$untouched" ] || fail "--check wrote to the display on $port1"


run_playbook
((status == 0)) || fail "the first run ended with $status"
for host in till1 till2; do expect_recap $host 1 0; done
run_playbook
for host in till1 till2; do expect_recap $host 0 0; done
for p in "$port1" "$port2"; do
    [ "$(held "$p")" = "$wanted" ] || fail "the display on $p does not hold the status file"
done

echo "till3 ansible_connection=local vemora_port=$work/no-display" >>"$work/inventory.ini"
run_playbook
((status == 2)) || fail "a host without a display ended the run with $status, not 2"
for host in till1 till2; do expect_recap $host 0 0; done
expect_recap till3 0 1
grep -q "Can't open port and Display is disconnected" "$work/run.log" ||
    fail "till3 did not fail with vemora-cli's reason"
