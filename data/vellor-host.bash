# Bash completion of vellor-host: its commands, each command's options, and
# the files each takes (MIF documents, books, a mapping document). Installed
# as share/bash-completion/completions/vellor-host; or source it by hand.
# It names the same commands and options as the program's help (a test
# compares them).

_vellor_host_commands="apply apply-book list list-book insert-marker remove-marker send menus check map help"
_vellor_host_common="--host-dir --mapping --dry-run --plugin --quiet --verbose --help --version -q -v -h"

# The options of one command, beyond the common ones.
_vellor_host_options() {
    case "$1" in
        apply) echo "--explain --format --exit-code" ;;
        apply-book) echo "--path-map --explain --format --exit-code" ;;
        list) echo "--report --format" ;;
        list-book) echo "--report --path-map --format" ;;
        insert-marker|remove-marker) echo "--page --position --category" ;;
        send) echo "--open --report" ;;
        check) echo "--format --accept --path-map" ;;
        map) echo "-o --output --path-map" ;;
        *) echo "" ;;
    esac
}

# Files ending in one of the given extensions, and folders to walk into.
_vellor_host_files() {
    local ext
    for ext in "$@"; do compgen -f -X "!*.$ext" -- "$cur"; done
    compgen -d -- "$cur"
}

_vellor_host() {
    local cur="${COMP_WORDS[COMP_CWORD]}"
    local prev=""
    [ "$COMP_CWORD" -gt 0 ] && prev="${COMP_WORDS[COMP_CWORD-1]}"
    local command="" opening="" i
    for ((i = 1; i < COMP_CWORD; i++)); do
        [ "${COMP_WORDS[i]}" = "--open" ] && opening=1
        [ -n "$command" ] && continue
        case " $_vellor_host_commands " in
            *" ${COMP_WORDS[i]} "*) command="${COMP_WORDS[i]}" ;;
        esac
    done
    COMPREPLY=()

    # The value an option takes.
    case "$prev" in
        --host-dir)
            COMPREPLY=($(compgen -d -- "$cur")); return ;;
        --mapping)
            COMPREPLY=($(_vellor_host_files fm mif)); return ;;
        --report|--plugin|--open|--accept)
            COMPREPLY=($(compgen -f -- "$cur")); return ;;
        -o|--output)
            COMPREPLY=($(_vellor_host_files html)); return ;;
        --format)
            COMPREPLY=($(compgen -W "text json tsv" -- "$cur")); return ;;
        --page|--position|--category|--path-map)
            return ;;
    esac

    if [[ "$cur" == -* ]]; then
        COMPREPLY=($(compgen -W "$_vellor_host_common $(_vellor_host_options "$command")" -- "$cur"))
        return
    fi
    case "$command" in
        "")
            COMPREPLY=($(compgen -W "$_vellor_host_commands" -- "$cur")) ;;
        help)
            COMPREPLY=($(compgen -W "$_vellor_host_commands" -- "$cur")) ;;
        apply-book|list-book)
            COMPREPLY=($(_vellor_host_files book)) ;;
        send)
            # Messages are free text; after --open come files.
            [ -n "$opening" ] && COMPREPLY=($(_vellor_host_files mif fm book)) ;;
        menus)
            ;;
        *)
            COMPREPLY=($(_vellor_host_files mif fm book)) ;;
    esac
}

complete -o filenames -F _vellor_host vellor-host
