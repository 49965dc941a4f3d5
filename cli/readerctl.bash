# bash completion for readerctl
_readerctl() {
    local cur prev words cword
    _init_completion 2>/dev/null || {
        cur=${COMP_WORDS[COMP_CWORD]}
        prev=${COMP_WORDS[COMP_CWORD - 1]}
        words=("${COMP_WORDS[@]}")
        cword=$COMP_CWORD
    }
    local options="--port --line --all-lines --json --count --trace --language --help --version"
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
    --trace)
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        return ;;
    --count)
        return ;;
    esac

    # The words that are not options or option values: the command and its arguments.
    local positional=() i
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
        --port | --line | --language | --trace | --count) ((i++)) ;;
        -*) ;;
        *) positional+=("${words[i]}") ;;
        esac
    done

    local candidates
    case "${positional[*]}" in
    "") candidates="ports scan set default monitor $options" ;;
    set) candidates="id keys line mode parity" ;;
    "set line") candidates=$lines ;;
    "set mode") candidates="wiegand rs485" ;;
    "set mode "*" "*" "*) candidates="" ;;
    "set mode "*" "*) candidates="24 32 40" ;;
    "set mode "*) candidates="26 34 42" ;;
    "set parity") candidates="0 1" ;;
    *) candidates=$options ;;
    esac
    [[ $cur == -* ]] && candidates=$options
    mapfile -t COMPREPLY < <(compgen -W "$candidates" -- "$cur")
}
complete -F _readerctl readerctl
