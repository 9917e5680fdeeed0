# Bash completion for trellmark: the compare subcommand and the options of
# both forms, with directories, file names and fixed choices for their values.

_trellmark_dialogue_options=(
    --verdict --plot --plot-size --html --permutations --seed --cluster-statistic
    --spectrum --fft-size -h --help -V --version
)
_trellmark_compare_options=(
    --reference --reference-core --comparison --comparison-core
    --threshold --length --start --confidence --align --scale --tolerance --peak-tolerance
    --report --reference-mean --comparison-mean --difference
    --json --csv --plot --plot-size --html --spectrum-csv
    --permutations --seed --cluster-statistic --spectrum --fft-size --channel
    -q --quiet --accept-notes -h --help
)

# Candidates for the value of OPTION that begin with CURRENT, into COMPREPLY.
_trellmark_values() {
    local option=$1 current=$2 name
    case $option in
    --reference | --comparison)
        mapfile -t COMPREPLY < <(compgen -d -- "$current")
        ;;
    --confidence)
        mapfile -t COMPREPLY < <(compgen -W '95 99' -- "$current")
        ;;
    --cluster-statistic)
        mapfile -t COMPREPLY < <(compgen -W 'size mass' -- "$current")
        ;;
    --align)
        mapfile -t COMPREPLY < <(compgen -W 'impulse none' -- "$current")
        ;;
    --scale)
        mapfile -t COMPREPLY < <(compgen -W 'level none' -- "$current")
        ;;
    --plot-size)
        mapfile -t COMPREPLY < <(compgen -W '1600x1000' -- "$current")
        ;;
    --channel)
        mapfile -t COMPREPLY < <(compgen -W 'all' -- "$current")
        ;;
    --plot)
        # Only the endings the figure can be written in, and directories
        # to walk into on the way.
        COMPREPLY=()
        while IFS= read -r name; do
            if [[ -d $name || $name == *.png || $name == *.svg || $name == *.pdf ]]; then
                COMPREPLY+=("$name")
            fi
        done < <(compgen -f -- "$current")
        ;;
    --html)
        COMPREPLY=()
        while IFS= read -r name; do
            if [[ -d $name || $name == *.html || $name == *.htm ]]; then
                COMPREPLY+=("$name")
            fi
        done < <(compgen -f -- "$current")
        ;;
    --json | --csv | --spectrum-csv)
        mapfile -t COMPREPLY < <(compgen -W '-' -- "$current"; compgen -f -- "$current")
        ;;
    --report | --reference-mean | --comparison-mean | --difference)
        mapfile -t COMPREPLY < <(compgen -f -- "$current")
        ;;
    *)
        # Core names, numbers and seeds: nothing sensible to offer.
        COMPREPLY=()
        ;;
    esac
}

# Whether OPTION takes a value (the next word, or the text after "=").
_trellmark_takes_value() {
    case $1 in
    --reference | --reference-core | --comparison | --comparison-core) return 0 ;;
    --threshold | --length | --start | --confidence) return 0 ;;
    --report | --reference-mean | --comparison-mean | --difference) return 0 ;;
    --json | --csv | --plot | --plot-size | --html | --permutations | --seed) return 0 ;;
    --cluster-statistic | --fft-size | --spectrum-csv | --channel) return 0 ;;
    --align | --scale | --tolerance | --peak-tolerance) return 0 ;;
    *) return 1 ;;
    esac
}

_trellmark() {
    local current=${COMP_WORDS[COMP_CWORD]}
    local previous=
    ((COMP_CWORD > 0)) && previous=${COMP_WORDS[COMP_CWORD - 1]}

    # Bash splits "--plot=fig" into "--plot", "=" and "fig".
    if [[ $current == = ]]; then
        _trellmark_values "$previous" ""
        return 0
    fi
    if [[ $previous == = ]] && ((COMP_CWORD > 1)); then
        _trellmark_values "${COMP_WORDS[COMP_CWORD - 2]}" "$current"
        return 0
    fi
    if _trellmark_takes_value "$previous"; then
        _trellmark_values "$previous" "$current"
        return 0
    fi

    local -a options=("${_trellmark_dialogue_options[@]}")
    if ((COMP_CWORD > 1)) && [[ ${COMP_WORDS[1]} == compare ]]; then
        options=("${_trellmark_compare_options[@]}")
    fi

    if [[ $current != -* ]]; then
        # The subcommand comes first or not at all.
        COMPREPLY=()
        ((COMP_CWORD == 1)) && mapfile -t COMPREPLY < <(compgen -W compare -- "$current")
        return 0
    fi

    # An option given once is not offered again.
    local -a unused=()
    local option word used i
    for option in "${options[@]}"; do
        used=0
        for ((i = 1; i < COMP_CWORD; i++)); do
            word=${COMP_WORDS[i]}
            [[ $word == "$option" ]] && used=1 && break
        done
        ((used)) || unused+=("$option")
    done
    mapfile -t COMPREPLY < <(compgen -W "${unused[*]}" -- "$current")
    return 0
}

complete -o filenames -F _trellmark trellmark
