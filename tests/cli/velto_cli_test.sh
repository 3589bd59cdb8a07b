#!/usr/bin/env bash
# The command-line program end to end: exit codes on good, malformed and
# missing projects, a small run that writes every result file, a second run on
# another number of threads that writes the very same bytes, and the same for
# diffuse processing with hit and late-ray files.
# Usage: velto_cli_test.sh VELTO_CLI EXAMPLES_DIR
set -u
cli=$1
examples=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

expect() { # expected-code description command...
    local want=$1 what=$2
    shift 2
    "$@" >"$work/out.txt" 2>&1
    local got=$?
    if [ "$got" -ne "$want" ]; then
        echo "FAIL: $what: exit code $got, expected $want"
        tail -5 "$work/out.txt"
        failures=$((failures + 1))
    else
        echo "ok: $what"
    fi
}

expect 0 "version" "$cli" --version
expect 1 "missing project" "$cli" info "$work/none.txt"
grep -q "Cannot open $work/none.txt for reading" "$work/out.txt" || { echo "FAIL: missing-project message"; failures=$((failures + 1)); }

cp -r "$examples/shoebox" "$work/bad"
sed -i 's/^2.00 3.00 1.50 20252 0.0 0.0 90.0 omni NONE$/2.00 3.00 1.50 20252 0.0 0.0 90.0 omni NONE extra/' "$work/bad/shoebox.txt"
expect 1 "malformed project" "$cli" simulate "$work/bad/shoebox.txt"
grep -q "Wrong number of parameters reading source 1" "$work/out.txt" || { echo "FAIL: malformed-project message"; failures=$((failures + 1)); }

expect 0 "info" "$cli" info "$examples/shoebox/shoebox.txt"
grep -q "Volume = 144.00 m3" "$work/out.txt" || { echo "FAIL: report"; failures=$((failures + 1)); }

cp -r "$examples/auditorium" "$work/a"
expect 0 "simulate on every core" "$cli" simulate "$work/a/auditorium.txt" --rays 1000
cp -r "$examples/auditorium" "$work/b"
expect 0 "simulate on one thread" "$cli" simulate "$work/b/auditorium.txt" --rays 1000 --threads 1
expect 105 "zero threads refused" "$cli" simulate "$work/b/auditorium.txt" --threads 0
for f in S001-R001.txt S002-R003.txt PARAMS-S001-R001.txt PARAMS-SALL-R002.txt PARAMS-SALL-RALL.txt \
         S001-R001-IR.wav S002-R003.wav SALL-R001.wav; do
    if [ ! -s "$work/a/$f" ]; then
        echo "FAIL: $f not written"
        failures=$((failures + 1))
    elif ! cmp -s "$work/a/$f" "$work/b/$f"; then
        echo "FAIL: $f differs between two runs"
        failures=$((failures + 1))
    fi
done

for run in c d; do
    cp -r "$examples/shoebox" "$work/$run"
    sed -i -e 's/^DIFFUSE_PROCESSING = 0/DIFFUSE_PROCESSING = 1/' -e 's/ 0\.10 0\.00$/ 0.10 0.20/' \
        -e 's/^SAVE_LATE_RAYS = 0/SAVE_LATE_RAYS = 1\nHIT_FILES = 1/' "$work/$run/shoebox.txt"
done
expect 0 "diffuse on one thread" "$cli" simulate "$work/c/shoebox.txt" --rays 500 --threads 1
expect 0 "diffuse on seven threads" "$cli" simulate "$work/d/shoebox.txt" --rays 500 --threads 7
for f in "$work"/c/*; do
    name=$(basename "$f")
    if ! cmp -s "$f" "$work/d/$name"; then
        echo "FAIL: $name differs between one and seven threads"
        failures=$((failures + 1))
    fi
done
[ -s "$work/c/HITS-S001-R001.txt" ] || { echo "FAIL: no hit file"; failures=$((failures + 1)); }

# Ctrl-C stops the run: exit code 130 and no result saved.
cp -r "$examples/auditorium" "$work/interrupted"
"$cli" simulate "$work/interrupted/auditorium.txt" --rays 400000 >"$work/out.txt" 2>&1 &
pid=$!
sleep 1
kill -INT "$pid"
wait "$pid"
code=$?
if [ "$code" -ne 130 ] || [ -e "$work/interrupted/PARAMS-SALL-RALL.txt" ]; then
    echo "FAIL: interrupted run: exit code $code, expected 130 and no saved results"
    failures=$((failures + 1))
else
    echo "ok: interrupted run"
fi

echo "$((failures == 0 ? 1 : 0)) passed, $failures failed"
[ "$failures" -eq 0 ]
