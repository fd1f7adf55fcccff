# bash completion of tessaly: the window's options and folders, the console
# search's options and the words they take.

_tessaly() {
    local cur prev words cword
    _init_completion -n =: || return

    # The options of each mode, as `tessaly --help` lists them.
    local window_opts="--search-now --choose-folder --search --details --cache --help --version"
    local search_opts="-l --location -n --name -t --types --exact -c --contains --in
        -s --case-sensitive --regex -w --whole-words --all-words --matches --max-matches --pdf-text
        --no-folders --no-pdf -a --archives
        --smaller-or-equal --bigger-or-equal --date --between --after --before --same
        --sort --descending --rows --unreadable --timeout -j --jobs --walk-threads --walk-timeout
        -o --report --no-cache --cache-size"

    local mode="" i
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            --search | --details | --cache) mode=${words[i]}; break ;;
        esac
    done

    case $mode in
        --details)
            _filedir
            return
            ;;
        --cache)
            [[ $prev == --cache-size ]] && return
            COMPREPLY=($(compgen -W "stats prune clear --cache-size" -- "$cur"))
            return
            ;;
        "")
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W "$window_opts" -- "$cur"))
            else
                _filedir -d
            fi
            return
            ;;
    esac

    case $prev in
        -l | --location)
            # Semicolon-separated folders: the last one is completed.
            local head="" last=$cur
            if [[ $cur == *\;* ]]; then
                head=${cur%\;*}\;
                last=${cur##*\;}
            fi
            local IFS=$'\n'
            COMPREPLY=($(compgen -d -- "$last"))
            COMPREPLY=("${COMPREPLY[@]/#/$head}")
            compopt -o filenames -o nospace 2>/dev/null
            return
            ;;
        --in)
            COMPREPLY=($(compgen -W "Full-Text Author Title Subject Keywords Creator Producer" -- "$cur"))
            return
            ;;
        -a | --archives)
            # A comma-separated list: the last word is completed.
            local head="" last=$cur
            if [[ $cur == *,* ]]; then
                head=${cur%,*},
                last=${cur##*,}
            fi
            COMPREPLY=($(compgen -W "zip cab tar rar ace arj lzh zoo arc 7z iso gz sfx all none" -- "$last"))
            COMPREPLY=("${COMPREPLY[@]/#/$head}")
            compopt -o nospace 2>/dev/null
            return
            ;;
        --date)
            COMPREPLY=($(compgen -W "created accessed modified" -- "$cur"))
            return
            ;;
        --sort)
            COMPREPLY=($(compgen -W "name size path" -- "$cur"))
            return
            ;;
        --pdf-text)
            COMPREPLY=($(compgen -W "helper pdftotext" -- "$cur"))
            return
            ;;
        -o | --report)
            _filedir
            return
            ;;
        -n | --name | -t | --types | -c | --contains | --smaller-or-equal | --bigger-or-equal | \
            --between | --after | --before | --same | --timeout | -j | --jobs | --walk-threads | --walk-timeout | \
            --cache-size | --max-matches)
            return
            ;;
    esac
    COMPREPLY=($(compgen -W "$search_opts" -- "$cur"))
} &&
    complete -F _tessaly tessaly
