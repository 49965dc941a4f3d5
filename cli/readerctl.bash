# bash completion for readerctl
_readerctl() {
    local cur prev words cword
    # COM3=NAME and by-path names (pci-0000:00:14.0-...) are one word each.
    _init_completion -n =: 2>/dev/null || {
        cur=${COMP_WORDS[COMP_CWORD]}
        prev=${COMP_WORDS[COMP_CWORD - 1]}
        words=("${COMP_WORDS[@]}")
        cword=$COMP_CWORD
    }
    local general="--port --line --json --trace --language --help --version"
    local lines="4800,n,8,1 4800,e,8,1 9600,n,8,1 9600,e,8,1 19200,n,8,1 19200,e,8,1 38400,n,8,1 38400,e,8,1
        57600,n,8,1 57600,e,8,1 115200,n,8,1 115200,e,8,1"

    case $prev in
    --port)
        mapfile -t COMPREPLY < <(compgen -W "$(seq 1 16)" -- "$cur")
        return ;;
    --line)
        mapfile -t COMPREPLY < <(compgen -W "$lines" -- "$cur")
        return ;;
    --language)
        mapfile -t COMPREPLY < <(compgen -W "en gb big5" -- "$cur")
        return ;;
    --trace | --record | --report | --out)
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        return ;;
    --count | --replace | --expect | --name)
        return ;;
    --pin)
        # An optional value: COM<N>=, then a name in /dev/serial/by-id or by-path; otherwise the words as usual.
        if [[ $cur == *=* ]]; then
            local name names=()
            for name in /dev/serial/by-id/* /dev/serial/by-path/*; do
                [[ -e $name ]] && names+=("${name##*/}")
            done
            cur=${cur#*=}
            mapfile -t COMPREPLY < <(compgen -W "${names[*]}" -- "$cur")
            declare -F __ltrim_colon_completions >/dev/null && __ltrim_colon_completions "$cur"
            return
        elif [[ $cur == [Cc]* ]]; then
            mapfile -t COMPREPLY < <(compgen -W "$(printf 'COM%s= ' {1..16})" -- "$cur")
            compopt -o nospace 2>/dev/null
            return
        fi ;;
    esac

    # The command and its words: neither options nor their values, except after "--".
    local command="" args=() ended="" i
    for ((i = 1; i < cword; i++)); do
        if [[ -z $ended ]]; then
            case ${words[i]} in
            --) ended=1; continue ;;
            --port | --line | --language | --trace | --count | --record | --report | --replace | --expect | --out | --name)
                ((i++)); continue ;;
            --pin) [[ ${words[i + 1]} == [Cc][Oo][Mm]*=* ]] && ((i++)); continue ;;
            -[0-9]*) ;; # a negative number is a value, as readerctl takes it
            -*) continue ;;
            esac
        fi
        if [[ -z $command ]]; then command=${words[i]}; else args+=("${words[i]}"); fi
    done

    local options candidates=""
    case $command in
    "") options="$general --all-lines --count --no-verify --pin --record --repeat --replace --replace-failed --report --views --expect --out --name --linetest --card"
        candidates="ports scan set default monitor apply diff audit linetest enrol" ;;
    scan) options="$general --all-lines --record" ;;
    set | default) options="$general --all-lines --no-verify --record --repeat --report" ;;
    monitor) options="$general --count --views --expect" ;;
    linetest) options="$general --count" ;;
    enrol) options="$general --out --name" ;;
    ports) options="$general --pin" ;;
    apply) options="$general --no-verify --record --replace --replace-failed --report --linetest --card" ;;
    diff) options="$general --all-lines" ;;
    audit) options="$general --record --report" ;;
    *) options=$general ;;
    esac
    # A plan's file after apply, diff and audit, once.
    if [[ $command == apply || $command == diff || $command == audit ]] && ((${#args[@]} == 0)) &&
        [[ $cur != -* || -n $ended ]]; then
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        return
    fi

    if [[ $command == set ]]; then
        # Walk the settings given; the word at hand is either a value of the last one or the next setting.
        local settings=" id keys mode parity line " count value=""
        i=0
        while ((i < ${#args[@]})); do
            case ${args[i]} in
            id | keys | line | parity) count=1 ;;
            mode) count=3 ;;
            *) settings="" && break ;;
            esac
            if ((i + count >= ${#args[@]})); then
                value="${args[i]} $((${#args[@]} - i))"
                break
            fi
            settings=${settings/ ${args[i]} / }
            ((i += 1 + count))
        done
        case $value in
        "line 1") candidates=$lines ;;
        "mode 1") candidates="wiegand rs485" ;;
        "mode 2") candidates="26 34 42" ;;
        "mode 3") candidates="24 32 40" ;;
        "parity 1") candidates="0 1" ;;
        "") candidates=$settings ;;
        esac
    fi
    # No options after "--"; nor words after a command other than set.
    if [[ -z $ended ]]; then
        if [[ $cur == -* || (-n $command && $command != set) ]]; then
            candidates=$options
        elif [[ -z $command ]]; then
            candidates+=" $options"
        fi
    elif [[ -n $command && $command != set ]]; then
        candidates=""
    fi
    mapfile -t COMPREPLY < <(compgen -W "$candidates" -- "$cur")
}
complete -F _readerctl readerctl
