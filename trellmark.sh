#!/usr/bin/env bash
# The commands of a fresh Debian machine, where make may not exist yet:
#   ./trellmark.sh run      build Trellmark, create the demo recordings, start it
#   ./trellmark.sh test     build and run every test, plainly and with sanitizers,
#                           and run the fuzz targets briefly
#   ./trellmark.sh package  build the Debian package (build/trellmark_*.deb)
# Each first installs what is missing (make included) with apt-get when run as
# root, or prints the apt-get command to run and stops; then it runs the make
# target of the same name.
set -euo pipefail
cd "$(dirname "$0")"

case "${1:-}" in
run | test | package) ;;
*)
    echo "usage: ./trellmark.sh run|test|package" >&2
    exit 2
    ;;
esac
bash scripts/install-deps.sh
exec make "$1"
