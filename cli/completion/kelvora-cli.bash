# bash completion for kelvora-cli: commands, their options, and the values
# of options that take one of a few (folders, files, WHEN, ALGORITHM).

_kelvora_cli()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local commands='scan fix undo journals manifest version help'
    local command='' i
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
        scan | fix | undo | journals | manifest | version | help)
            command=${COMP_WORDS[i]}
            break
            ;;
        esac
    done
    if [[ -z $command ]]; then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W '-h --help -V --version' -- "$cur"))
        else
            COMPREPLY=($(compgen -W "$commands" -- "$cur"))
        fi
        return
    fi

    local walk='-h --help --against --verify --exclude --include --json -j --jobs --progress -q --quiet'
    local options
    case $command in
    scan) options="$walk --top --list --shift --tolerance" ;;
    fix) options="$walk --shift --tolerance --modify-window -n --dry-run -v --verbose --utc --report --force
                  --hard-links --folders --journal --no-journal" ;;
    undo) options='-h --help --last -n --dry-run -v --verbose --utc --journal --json --report -q --quiet -j --jobs' ;;
    journals) options='-h --help --json -q --quiet --utc --prune --older-than --keep -n --dry-run' ;;
    manifest) options='-h --help -o --output --digest --exclude --include --progress -q --quiet' ;;
    version) options='-h --help' ;;
    help)
        COMPREPLY=($(compgen -W "$commands" -- "$cur"))
        return
        ;;
    esac

    case $prev in
    --progress)
        COMPREPLY=($(compgen -W 'auto always never' -- "$cur"))
        return
        ;;
    --list)
        COMPREPLY=($(compgen -W 'missing orphans other-size equal differing matching' -- "$cur"))
        return
        ;;
    --digest)
        COMPREPLY=($(compgen -W 'sha256' -- "$cur"))
        return
        ;;
    --shift)
        COMPREPLY=($(compgen -W '1h +1h -1h 30m any' -- "$cur"))
        return
        ;;
    --tolerance | --modify-window)
        COMPREPLY=($(compgen -W '2s 0s 1m' -- "$cur"))
        return
        ;;
    --older-than)
        COMPREPLY=($(compgen -W '90d 30d 12h' -- "$cur"))
        return
        ;;
    -j | --jobs | --top | --keep)
        return
        ;;
    --report | --journal | -o | --output | --against)
        compopt -o filenames 2>/dev/null
        COMPREPLY=($(compgen -f -- "$cur"))
        return
        ;;
    esac

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    elif [[ $command == undo ]]; then
        compopt -o filenames 2>/dev/null
        COMPREPLY=($(compgen -f -- "$cur"))
    elif [[ $command != journals && $command != version ]]; then
        compopt -o filenames 2>/dev/null
        COMPREPLY=($(compgen -d -- "$cur"))
    fi
}
complete -F _kelvora_cli kelvora-cli
