# Bash completion for vemora-cli: its commands and options, the port names that `vemora-cli ports
# --all` lists (else device files), the items each setting takes (`vemora-cli items SETTING`), and
# .sts status files.

# Offers the lines of its input that begin with the word being completed, quoted for the shell.
_vemora_cli_offer() {
    local line
    while IFS= read -r line; do
        [[ $line == "$cur"* ]] && COMPREPLY+=("$(printf '%q' "$line")")
    done
    __ltrim_colon_completions "$cur"
}

_vemora_cli() {
    local cur prev words cword
    _init_completion -n := || return

    local tool_options='-h --help --help-all -V --version -p --port --ports-from -b --baud -d
        --data-bits --parity -m --mode --keep-printers --json --trace --progress --quiet'
    local commands='ports check self-test get set apply direct info show items printers'
    # The settings' options (--code-table ...), as vemora-cli's table of settings names them.
    local settings
    settings=" $(vemora-cli items 2>/dev/null | sed -n 's/^\(--[a-z-]*\) (.*/\1/p' | tr '\n' ' ')"
    local command='' i
    for ((i = 1; i < cword; i++)); do
        case ${words[i - 1]} in
            -p | --port | --ports-from | -b | --baud | -d | --data-bits | --parity | -m | --mode | --save | \
                --load | --host)
                continue ;;
        esac
        [[ $settings == *" ${words[i - 1]} "* ]] && continue
        if [[ " $commands " == *" ${words[i]} "* ]]; then
            command=${words[i]}
            break
        fi
    done

    COMPREPLY=()
    if [[ $prev == --* && $settings == *" $prev "* ]]; then
        _vemora_cli_offer < <(vemora-cli items "${prev#--}" 2>/dev/null | cut -f2-)
        return
    fi
    case $prev in
        -p | --port)
            _vemora_cli_offer < <(vemora-cli ports --all 2>/dev/null | cut -f1)
            ((${#COMPREPLY[@]})) || _filedir
            return ;;
        -b | --baud) _vemora_cli_offer < <(printf '%s\n' 9600 19200 38400 57600 115200); return ;;
        -d | --data-bits) _vemora_cli_offer < <(printf '%s\n' 8 7); return ;;
        --parity) _vemora_cli_offer < <(printf '%s\n' none odd even); return ;;
        -m | --mode) _vemora_cli_offer < <(printf '%s\n' escpos korvant others); return ;;
        --save | --load) _filedir sts; return ;;
        --ports-from) _filedir; return ;;
        --host) return ;;
    esac

    local command_options=''
    case $command in
        get) command_options='--save' ;;
        set) command_options="--load $settings" ;;
        apply) command_options="--load $settings --dry-run" ;;
        ports) command_options='--all' ;;
        direct) command_options='--code-table --charset' ;;
        printers) command_options='--restore --host' ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$tool_options $command_options" -- "$cur"))
    elif [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "$commands" -- "$cur"))
    elif [[ $command == show ]]; then
        _filedir sts
    elif [[ $command == items ]]; then
        COMPREPLY=($(compgen -W "${settings//--/}" -- "$cur"))
    fi
}
complete -F _vemora_cli vemora-cli
