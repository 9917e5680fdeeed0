#!/usr/bin/env bash
# Completes command lines with the bash completion of trellmark, as bash would
# after a Tab, and compares the candidates with the expected ones.
# Usage: check_completion.sh COMPLETION_FILE
set -uo pipefail

completion_file=$(realpath "$1")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 2
mkdir sub takes
touch a.png b.svg c.pdf d.txt e.wav

# shellcheck source=/dev/null
source "$completion_file"
failures=0

# Each case: the words typed so far, split as bash splits them ("=" is a word
# of its own, and the word being completed right after it), "|", then the
# candidates offered, sorted. A blank before "|" starts a new, empty word.
cases=(
    'trellmark |compare'
    'trellmark c|compare'
    'trellmark x|'
    'trellmark --|--cluster-statistic --fft-size --help --html --permutations --plot --plot-size --seed --spectrum --verdict --version'
    'trellmark --verdict --|--cluster-statistic --fft-size --help --html --permutations --plot --plot-size --seed --spectrum --version'
    'trellmark --plot |a.png b.svg c.pdf sub takes'
    'trellmark --plot t|takes'
    'trellmark --plot-size |1600x1000'
    'trellmark compare --cluster-statistic |mass size'
    'trellmark compare --channel a|all'
    'trellmark compare --align |impulse none'
    'trellmark compare --scale |level none'
    'trellmark --verdict |'
    'trellmark compare --|--accept-notes --align --channel --cluster-statistic --comparison --comparison-core --comparison-mean --confidence --csv --difference --fft-size --help --html --json --length --peak-tolerance --permutations --plot --plot-size --quiet --reference --reference-core --reference-mean --report --scale --seed --spectrum --spectrum-csv --start --threshold --tolerance'
    'trellmark compare --ref|--reference --reference-core --reference-mean'
    'trellmark compare --reference |sub takes'
    'trellmark compare --comparison s|sub'
    'trellmark compare --reference-core |'
    'trellmark compare --confidence |95 99'
    'trellmark compare --confidence 9|95 99'
    'trellmark compare --confidence =|95 99'
    'trellmark compare --plot =|a.png b.svg c.pdf sub takes'
    'trellmark compare --plot = b|b.svg'
    'trellmark compare --plot d|'
    'trellmark compare --report |a.png b.svg c.pdf d.txt e.wav sub takes'
    'trellmark compare --difference e|e.wav'
    'trellmark compare --json |- a.png b.svg c.pdf d.txt e.wav sub takes'
    'trellmark compare --csv - --q|--quiet'
    'trellmark compare --spectrum-csv |- a.png b.svg c.pdf d.txt e.wav sub takes'
    'trellmark compare --fft-size |'
    'trellmark compare --threshold |'
    'trellmark compare --threshold 10 --length 5 --th|'
    'trellmark compare --quiet --seed 3 --|--accept-notes --align --channel --cluster-statistic --comparison --comparison-core --comparison-mean --confidence --csv --difference --fft-size --help --html --json --length --peak-tolerance --permutations --plot --plot-size --reference --reference-core --reference-mean --report --scale --spectrum --spectrum-csv --start --threshold --tolerance'
    'trellmark compare c|'
    'trellmark --plot compare --|--cluster-statistic --fft-size --help --html --permutations --plot-size --seed --spectrum --verdict --version'
)

for entry in "${cases[@]}"; do
    typed=${entry%%|*}
    expected=${entry#*|}
    read -ra COMP_WORDS <<<"$typed"
    [[ $typed == *' ' ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE=$typed
    COMP_POINT=${#typed}
    COMPREPLY=()
    _trellmark
    offered=$(printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | paste -sd ' ')
    if [[ $offered != "$expected" ]]; then
        printf 'FAIL: "%s" offers "%s", expected "%s"\n' "$typed" "$offered" "$expected"
        failures=$((failures + 1))
    fi
done

registered=$(complete -p trellmark)
if [[ $registered != 'complete -o filenames -F _trellmark trellmark' ]]; then
    echo "FAIL: trellmark's completion is registered as: $registered"
    failures=$((failures + 1))
fi

echo "completion: ${#cases[@]} cases, $failures failed"
((failures == 0))
