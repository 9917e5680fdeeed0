#!/usr/bin/env bash
# Fills a small file system of its own, then lets a run's outputs hit the full
# disk: the old file of that name keeps every byte, the outputs after it are
# still written, no temporary file is left, and the run says what failed.
# Needs to mount a tmpfs in a mount namespace of its own (root, or a kernel
# that allows it); without that it is skipped (exit 77).
# Usage: full_disk.sh BUILD_DIR
set -uo pipefail

build=$(realpath "$1")
if [ "${TRELLMARK_IN_NAMESPACE:-}" != 1 ]; then
    if ! unshare -m true 2>/dev/null; then
        echo "cannot make a mount namespace here: skipped"
        exit 77
    fi
    TRELLMARK_IN_NAMESPACE=1 exec unshare -m bash "$0" "$@"
fi

scratch=$(mktemp -d)
trap 'umount "$scratch/disk" 2>/dev/null; rm -rf "$scratch"' EXIT
mkdir "$scratch/disk"
mount --make-rprivate / 2>/dev/null
if ! mount -t tmpfs -o size=256k tmpfs "$scratch/disk" 2>/dev/null; then
    echo "cannot mount a tmpfs here: skipped"
    exit 77
fi
"$build/make_demo_sets" "$scratch/demo" >/dev/null || exit 2

disk=$scratch/disk
head -c 120000 /dev/urandom >"$disk/old.wav"
cp "$disk/old.wav" "$scratch/old.copy"
# Leave about 40 KB: less than the 88 KB a difference signal of 44100 16-bit
# samples needs. The JSON, written after it, goes to a disk with room.
head -c 90000 /dev/zero >"$disk/filler"
free=$(df -k --output=avail "$disk" | tail -1)
failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}
[ "$free" -ge 20 ] && [ "$free" -le 80 ] || fail "free space is ${free} KB, not about 40"

"$build/trellmark" compare --reference "$scratch/demo/reference" --reference-core take \
    --comparison "$scratch/demo/comparison" --threshold 16000 --length 44100 \
    --permutations 0 --difference "$disk/old.wav" --json "$scratch/run.json" -q \
    2>"$scratch/err"
status=$?

[ "$status" -eq 2 ] || fail "exit status $status, not 2"
expected="trellmark: cannot write $disk/old.wav: the disk is full"
grep -qxF "$expected" "$scratch/err" || fail "standard error lacks '$expected': $(cat "$scratch/err")"
cmp -s "$disk/old.wav" "$scratch/old.copy" || fail "old.wav was changed"
python3 -c 'import json,sys; o=json.load(open(sys.argv[1]))["outputs"][0]; sys.exit(o["written"] or o["error"]!="the disk is full")' \
    "$scratch/run.json" || fail "run.json does not tell that old.wav was not written"
leftovers=$(find "$disk" -name '.trellmark-*' | wc -l)
[ "$leftovers" -eq 0 ] || fail "$leftovers temporary files left"

# A disk without a free inode cannot take the temporary file either; the old
# file must not be written over in its place.
umount "$disk"
mount -t tmpfs -o size=256k,nr_inodes=2 tmpfs "$disk" || exit 2
cp "$scratch/old.copy" "$disk/old.wav"
"$build/trellmark" compare --reference "$scratch/demo/reference" --reference-core take \
    --comparison "$scratch/demo/comparison" --threshold 16000 --length 44100 \
    --permutations 0 --difference "$disk/old.wav" -q 2>"$scratch/err"
status=$?
[ "$status" -eq 2 ] || fail "no inode: exit status $status, not 2"
grep -qxF "$expected" "$scratch/err" || fail "no inode: standard error lacks '$expected'"
cmp -s "$disk/old.wav" "$scratch/old.copy" || fail "no inode: old.wav was changed"

[ "$failures" -eq 0 ] && echo "full disk: the old file is whole and the failure is told"
exit $((failures > 0))
