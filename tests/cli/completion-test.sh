#!/usr/bin/env bash
# What Tab offers after vemora-cli, with cli/vemora-cli.bash and the vemora-cli just built; and
# that the completion offers every option that vemora-cli --help-all names, and nothing else.
# Usage: completion-test.sh SOURCE_DIR VEMORA_CLI
set -uo pipefail
root=$1
export PATH="$(dirname "$2"):$PATH" VEMORA_COMPLETION="$root/cli/vemora-cli.bash"
offered() { "$root/scripts/complete" vemora-cli "$@" | sort | tr '\n' ' '; }
failed=0
expect() {
    local got
    got=$(offered "${@:2}")
    if [ "$got" != "$1" ]; then
        echo "vemora-cli ${*:2}<Tab> offers '$got', not '$1'"
        failed=1
    fi
}

cd "$(mktemp -d)" && touch shop.sts notes.txt
expect '100% 20% 40% 60% ' set --brightness ''
expect 'apply check direct get info items ports printers self-test set show ' -p COM2 ''
expect 'PC437\ \(USA:\ Standard\ Europe\) ' -m escpos set --code-table PC4
expect 'shop.sts ' show ''
expect 'shop.sts ' set --load ''
expect 'COM1 ' --port COM1
expect '/dev/null ' -p /dev/nul
expect 'brightness ' items b

named=$(vemora-cli --help-all | grep -oE -- '--[a-z-]+' | sort -u | tr '\n' ' ')
all=$(for command in '' get set apply direct ports printers; do offered $command --; done | tr ' ' '\n' | sort -u |
      grep . | tr '\n' ' ')
if [ "$all" != "$named" ]; then
    echo "Tab offers the options '$all'; the help names '$named'"
    failed=1
fi
rm -rf "$PWD"
exit $failed
