#!/usr/bin/env bash
# Installs a built tree into a scratch DESTDIR and builds its Debian package,
# then checks what a user gets: every file in its place and nothing else, a
# manual page that man finds and renders without a warning, and a package
# that names its version, section, dependencies and files.
# Usage: check_install.sh BUILD_DIR VERSION
set -uo pipefail

build_dir=$(realpath "$1")
version=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
root=$scratch/root
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# Files only; directories come with them. Sorted as ls -R would not: by bytes.
expected_files=(
    usr/bin/trellmark
    usr/share/bash-completion/completions/trellmark
    usr/share/doc/trellmark/README.md
    usr/share/doc/trellmark/copyright
    usr/share/doc/trellmark/uplot-LICENSE
    usr/share/man/man1/trellmark.1.gz
)
compare_options=(
    --reference --reference-core --comparison --comparison-core --threshold
    --length --start --confidence --report --reference-mean --comparison-mean
    --difference --json --csv --plot --plot-size --html --permutations --seed --cluster-statistic --quiet
    --accept-notes --channel
    --spectrum --fft-size --spectrum-csv --help --version --verdict
)

# --- cmake --install -------------------------------------------------------

if ! DESTDIR=$root cmake --install "$build_dir" --prefix /usr >"$scratch/install.log" 2>&1; then
    cat "$scratch/install.log"
    fail "cmake --install failed"
fi
installed=$(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort | paste -sd ' ')
[[ $installed == "${expected_files[*]}" ]] ||
    fail "cmake --install wrote: $installed; expected: ${expected_files[*]}"
[[ -x $root/usr/bin/trellmark ]] || fail "the installed program is not executable"
cmp -s "$root/usr/share/doc/trellmark/copyright" "$(dirname "$0")/../../LICENSE" ||
    fail "doc/trellmark/copyright is not the licence"
grep -q '^Copyright (c) 2026 The Trellmark developers$' "$root/usr/share/doc/trellmark/copyright" ||
    fail "the copyright file does not name the copyright holders"

# --- the manual page --------------------------------------------------------

page=$root/usr/share/man/man1/trellmark.1.gz
# gzip -9n: magic, deflate, no flags (no file name), time stamp 0, best
# compression (2), Unix (3); so the page is the same in every build.
header=$(od -An -tx1 -N10 "$page" | tr -d ' \n')
[[ $header == 1f8b0800000000000203 ]] || fail "the manual page is not compressed with gzip -9n: header $header"
found=$(MANPATH=$root/usr/share/man man -w trellmark 2>&1)
[[ $found == "$page" ]] || fail "man -w trellmark finds \"$found\", not the installed page"
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
[[ -z $warnings ]] || fail "man reports on the page: $warnings"
# A source line that roff takes for a request ("..." or "'" at its start)
# swallows its text without a warning.
swallowed=$(zcat "$page" | grep -n "^\.\.\|^'")
[[ -z $swallowed ]] || fail "page lines that roff takes for requests: $swallowed"
rendered=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$page" 2>/dev/null)
for section in NAME SYNOPSIS DESCRIPTION COMPARE 'WHAT THE FIGURES MEAN' 'EXIT STATUS' FILES \
    ENVIRONMENT EXAMPLES; do
    grep -q "^$section\$" <<<"$rendered" || fail "the page has no section $section"
done
for option in "${compare_options[@]}"; do
    grep -Eq -- "^ +(-[A-Za-z], )?$option( |$)" <<<"$rendered" || fail "the page does not describe $option"
done
grep -q "^trellmark $version  " <<<"$rendered" || fail "the page's footer does not name trellmark $version"
wide=$(awk 'length > 80' <<<"$rendered")
[[ -z $wide ]] || fail "rendered lines wider than 80 columns: $wide"

# --- the Debian package -----------------------------------------------------

if ! cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$scratch/package" \
    >"$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log"
    fail "cpack -G DEB failed"
fi
package=$scratch/package/trellmark_${version}_$(dpkg --print-architecture).deb
if [[ ! -f $package ]]; then
    fail "no package $(basename "$package"); cpack made: $(ls "$scratch/package")"
else
    field() { dpkg-deb --field "$package" "$1"; }
    [[ $(field Package) == trellmark ]] || fail "Package: $(field Package)"
    [[ $(field Version) == "$version" ]] || fail "Version: $(field Version), expected $version"
    [[ $(field Section) == sound ]] || fail "Section: $(field Section)"
    [[ $(field Maintainer) == ?*' <'?*@?*'>' ]] || fail "Maintainer: $(field Maintainer)"
    [[ $(field Description) == 'tells whether two sets of recordings'* ]] ||
        fail "Description: $(field Description)"
    depends=$(field Depends)
    needed=(libc6 libstdc++6 libncursesw6)
    # The figure is drawn with cairo once the program links it.
    if readelf -d "$build_dir/trellmark" | grep -q 'NEEDED.*libcairo\.so'; then
        needed+=(libcairo2)
    fi
    depended_on=$(sed 's/ *([^)]*)//g; s/ *[,|] */\n/g' <<<"$depends")
    for dependency in "${needed[@]}"; do
        grep -Fqx "$dependency" <<<"$depended_on" || fail "Depends lacks $dependency: $depends"
    done
    dpkg-deb --info "$package" >/dev/null || fail "dpkg-deb --info cannot read the package"

    # Every entry belongs to root, and the modes are those dpkg expects.
    listing=$(dpkg-deb --contents "$package")
    packaged=$(awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' <<<"$listing" | LC_ALL=C sort | paste -sd ' ')
    [[ $packaged == "${expected_files[*]}" ]] ||
        fail "the package holds: $packaged; expected: ${expected_files[*]}"
    odd=$(awk '$2 != "root/root" ||
               ($1 ~ /^d/ && $1 != "drwxr-xr-x") ||
               ($1 ~ /^-/ && $6 ~ /bin\/trellmark$/ && $1 != "-rwxr-xr-x") ||
               ($1 ~ /^-/ && $6 !~ /bin\/trellmark$/ && $1 != "-rw-r--r--")' <<<"$listing")
    [[ -z $odd ]] || fail "package entries with an odd owner or mode: $odd"

    dpkg-deb -x "$package" "$scratch/unpacked"
    program=$scratch/unpacked/usr/bin/trellmark
    if readelf -S "$program" | grep -q '\.debug_'; then
        fail "the packaged program still carries its debugging sections"
    fi
    cmp -s "$scratch/unpacked/usr/share/man/man1/trellmark.1.gz" "$page" ||
        fail "the packaged manual page differs from the installed one"

    # Without a controlling terminal the dialogue cannot start, so this never
    # waits for a key; a program that knows --version must print its version.
    if reported=$(setsid -w timeout 10 "$program" --version </dev/null 2>/dev/null); then
        [[ $reported == "trellmark $version" ]] ||
            fail "trellmark --version prints \"$reported\", expected \"trellmark $version\""
    else
        echo "note: the packaged program does not answer --version yet"
    fi
fi

echo "install and package: $failures failed"
((failures == 0))
