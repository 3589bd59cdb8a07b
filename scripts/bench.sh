#!/usr/bin/env bash
# Times velto-cli on a fixed set of scenes and prints one Markdown table.
# Usage: scripts/bench.sh [--rays N] [SCENE...]
#
# Scenes (all of them when none is named):
#   shoebox                   examples/shoebox as shipped (specular only)
#   shoebox-diffuse           the same with scattering 0.1 on the walls and diffuse processing
#   auditorium                examples/auditorium as shipped
#   auditorium-diffuse-5000   the auditorium with diffuse processing, 5000 rays per source
#   auditorium-diffuse-20252  the same with 20 252 rays per source (the slowest)
#   planes-1000               a generated 8 x 6 x 3 m room of 1005 planes (pyramid ceiling)
# --rays N gives every scene N rays per source instead of its own count: a quick
# check that everything runs, not figures to compare.
#
# Each scene runs once per thread count of VELTO_BENCH_THREADS (default "1 <nproc>"),
# when velto-cli has --threads; otherwise once, and the columns velto-cli does not
# report yet show "-". The scenes are copies made in a temporary folder; examples/
# is never written to. velto-cli is built in build-bench/ (Release). The table goes
# to standard output, progress to standard error, so that
#     scripts/bench.sh > table.md
# keeps just the table. Exits non-zero, naming the runs, when any run fails.
set -euo pipefail
cd "$(dirname "$0")/.."

# Prints the comment at the top of this file: to standard output when asked
# for, to standard error after a wrong argument.
usage() {
    local fd=1
    [ "$1" -eq 0 ] || fd=2
    sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$0" >&"$fd"
    exit "$1"
}

all_scenes=(shoebox shoebox-diffuse auditorium auditorium-diffuse-5000 auditorium-diffuse-20252 planes-1000)
rays_override=
scenes=()
while [ $# -gt 0 ]; do
    case $1 in
        --rays)
            [ $# -ge 2 ] || usage 2
            rays_override=$2
            shift 2
            ;;
        -h | --help) usage 0 ;;
        -*)
            echo "Unknown option: $1" >&2
            usage 2
            ;;
        *)
            scenes+=("$1")
            shift
            ;;
    esac
done
if [ ${#scenes[@]} -eq 0 ]; then
    scenes=("${all_scenes[@]}")
fi
for scene in "${scenes[@]}"; do
    if [[ " ${all_scenes[*]} " != *" $scene "* ]]; then
        echo "Unknown scene: $scene (known: ${all_scenes[*]})" >&2
        exit 2
    fi
done
if [ -n "$rays_override" ] && ! [[ $rays_override =~ ^[1-9][0-9]*$ ]]; then
    echo "--rays needs a positive whole number, not '$rays_override'" >&2
    exit 2
fi

thread_counts=()
for n in ${VELTO_BENCH_THREADS:-1 $(nproc)}; do
    if ! [[ $n =~ ^[1-9][0-9]*$ ]]; then
        echo "VELTO_BENCH_THREADS holds '$n', not a positive whole number" >&2
        exit 2
    fi
    # "1 1" on a one-core machine would only measure the same run twice.
    if [[ " ${thread_counts[*]} " != *" $n "* ]]; then
        thread_counts+=("$n")
    fi
done

# GNU time reports the peak resident memory of the process it runs; the
# package is asked for here only, since nothing else needs it.
scripts/install-deps.sh time >&2

echo "== Building velto-cli (build-bench/, Release)" >&2
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release \
    -DVELTO_BUILD_GUI=OFF -DVELTO_BUILD_BENCH=OFF -DBUILD_TESTING=OFF >/dev/null
cmake --build build-bench --parallel "$(nproc)" --target velto-cli >&2
cli=$(pwd)/build-bench/bin/velto-cli

has_threads=0
if "$cli" simulate --help | grep -q -- '--threads'; then
    has_threads=1
else
    echo "velto-cli has no --threads yet: each scene runs once with its default threading" >&2
    thread_counts=(-)
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

die() {
    echo "$*" >&2
    exit 1
}

# Sets the project's setting KEY = VALUE, after checking that the line is there
# to change, so that a renamed setting cannot pass unnoticed.
set_setting() {
    local file=$1 key=$2 value=$3
    grep -q "^$key = " "$file" || die "$file has no $key setting"
    sed -i "s/^$key = .*/$key = $value/" "$file"
}

# Gives every material of the project the scattering coefficient VALUE (the
# last field of a material line, after the absorption of each band).
set_scattering() {
    local file=$1 value=$2
    awk -v value="$value" '
        /^<MATERIALS>/ { inside = 1; print; next }
        /^<\/MATERIALS>/ { inside = 0 }
        inside && NF > 1 && $1 !~ /^#/ { $NF = value; changed++ }
        { print }
        END { if (!changed) exit 1 }
    ' "$file" >"$file.new" || die "$file has no material to scatter"
    mv "$file.new" "$file"
}

# An 8 x 6 x 3 m room whose ceiling is a field of 25 x 10 shallow pyramids
# (four triangles each, 5 to 25 cm deep), over a floor and four plain walls:
# 1005 planes that close the room exactly, with no overlapping surfaces, and
# face many directions, as a diffusing ceiling does. The depths follow a fixed
# integer pattern rather than awk's rand(), whose sequence differs between
# awk implementations. Every plane's vertices run so that its normal points
# into the room, as in the shipped examples.
write_planes_room() {
    cat <<'EOF'
# Generated by scripts/bench.sh: an 8 x 6 x 3 m room with a ceiling of 250 shallow
# pyramids (1000 triangles), a floor and four walls. One source, one receiver.

<ENVIRONMENT>
TEMPERATURE = 20.0
PRESSURE = 1.00
HUMIDITY = 50.0
</ENVIRONMENT>

<SIMULATION>
MAX_TIME = 2.00
STOP_DECAY = -60
SAMPLE_RATE = 44100
MAX_RAYTRAC_REF = -1
SAVE_LATE_RAYS = 0
DIFFUSE_PROCESSING = 0
SAVE_DIFFUSE_RAYS = 0
ARTIFICIAL_TAIL = 0
AURALIZATION = 0
</SIMULATION>

<LAYERS::SOURCE>
omni OMNI 0.0 0.0 0.0 0.0 0.0 0.0 0.0 0.0 0.0
</LAYERS::SOURCE>

<SOURCES>
2.00 3.00 1.50 20252 0.0 0.0 90.0 omni NONE
</SOURCES>

<LAYERS::RECEIVER>
mic OMNI
</LAYERS::RECEIVER>

<RECEIVERS>
6.00 2.50 1.20 0.5 0.0 mic
</RECEIVERS>

<MATERIALS>
wall20 0.20 0.20 0.20 0.20 0.20 0.20 0.20 0.20 0.20 0.00
wood 0.15 0.12 0.10 0.08 0.08 0.10 0.10 0.10 0.10 0.00
</MATERIALS>

<LAYERS::PLANE>
walls wall20
ceiling wood
</LAYERS::PLANE>

<LAYERS::COLOR>
walls 200 200 200
ceiling 160 110 60
</LAYERS::COLOR>

<PLANES>
EOF
    awk 'BEGIN {
        lx = 8; ly = 6; h = 3; nx = 25; ny = 10
        dx = lx / nx; dy = ly / ny
        print "4 0.00 0.00 0.00 8.00 0.00 0.00 8.00 6.00 0.00 0.00 6.00 0.00 walls"
        print "4 0.00 0.00 0.00 0.00 0.00 3.00 8.00 0.00 3.00 8.00 0.00 0.00 walls"
        print "4 0.00 6.00 0.00 8.00 6.00 0.00 8.00 6.00 3.00 0.00 6.00 3.00 walls"
        print "4 0.00 0.00 0.00 0.00 6.00 0.00 0.00 6.00 3.00 0.00 0.00 3.00 walls"
        print "4 8.00 0.00 0.00 8.00 0.00 3.00 8.00 6.00 3.00 8.00 6.00 0.00 walls"
        for (i = 0; i < nx; i++) {
            for (j = 0; j < ny; j++) {
                xa = i * dx; xb = xa + dx; ya = j * dy; yb = ya + dy
                apex = sprintf("%.4f %.4f %.4f", xa + dx / 2, ya + dy / 2,
                               h - 0.05 * (1 + (i * i + 3 * j * j + i * j) % 5))
                # Corners counter-clockwise seen from above; a triangle
                # (corner, apex, next corner) then faces down, into the room.
                c[0] = sprintf("%.4f %.4f %.4f", xa, ya, h)
                c[1] = sprintf("%.4f %.4f %.4f", xb, ya, h)
                c[2] = sprintf("%.4f %.4f %.4f", xb, yb, h)
                c[3] = sprintf("%.4f %.4f %.4f", xa, yb, h)
                for (k = 0; k < 4; k++) {
                    print "3 " c[k] " " apex " " c[(k + 1) % 4] " ceiling"
                }
            }
        }
    }'
    echo "</PLANES>"
}

# Each scene is a folder in $scratch/scenes/ holding its project (and whatever
# the project reads beside it); scene_project and scene_rays say how to run it.
declare -A scene_label scene_project scene_rays
prepare_scene() {
    local scene=$1 dir=$scratch/scenes/$1
    mkdir -p "$scratch/scenes"
    case $scene in
        shoebox)
            scene_label[$scene]="shoebox specular"
            mkdir "$dir" && cp examples/shoebox/shoebox.txt "$dir"/
            scene_project[$scene]=shoebox.txt
            ;;
        shoebox-diffuse)
            scene_label[$scene]="shoebox diffuse"
            mkdir "$dir" && cp examples/shoebox/shoebox.txt "$dir"/
            set_scattering "$dir/shoebox.txt" 0.10
            set_setting "$dir/shoebox.txt" DIFFUSE_PROCESSING 1
            scene_project[$scene]=shoebox.txt
            ;;
        auditorium)
            scene_label[$scene]="auditorium"
            cp -r examples/auditorium "$dir"
            scene_project[$scene]=auditorium.txt
            ;;
        auditorium-diffuse-5000 | auditorium-diffuse-20252)
            scene_label[$scene]="auditorium diffuse ${scene##*-}"
            cp -r examples/auditorium "$dir"
            set_setting "$dir/auditorium.txt" DIFFUSE_PROCESSING 1
            scene_project[$scene]=auditorium.txt
            scene_rays[$scene]=${scene##*-}
            ;;
        planes-1000)
            scene_label[$scene]="1000 planes"
            mkdir "$dir"
            write_planes_room >"$dir/planes.txt"
            scene_project[$scene]=planes.txt
            ;;
    esac
    if [ -n "$rays_override" ]; then
        scene_rays[$scene]=$rays_override
    fi
}

# Prints REPLACEMENT (which names groups of PATTERN, an extended regular
# expression) for the last line of FILE that PATTERN matches, or nothing.
# Usage: last_match FILE PATTERN REPLACEMENT
last_match() {
    sed -nE "s/.*$2.*/$3/p" "$1" | tail -n 1
}

rows=()
failures=()
run_scene() {
    local scene=$1 threads=$2
    local run=$scratch/run out=$scratch/out.txt timing=$scratch/time.txt
    local label=${scene_label[$scene]}
    local run_name=$label
    if [ "$has_threads" -eq 1 ]; then
        run_name="$label, threads $threads"
    fi
    rm -rf "$run"
    cp -r "$scratch/scenes/$scene" "$run"
    local command=("$cli" simulate "$run/${scene_project[$scene]}")
    if [ -n "${scene_rays[$scene]:-}" ]; then
        command+=(--rays "${scene_rays[$scene]}")
    fi
    if [ "$has_threads" -eq 1 ]; then
        command+=(--threads "$threads")
    fi

    echo "== $run_name" >&2
    local status=0
    /usr/bin/time -f '%e %M' -o "$timing" "${command[@]}" >"$scratch/raw.txt" 2>"$scratch/err.txt" ||
        status=$?
    # Progress lines are rewritten in place with carriage returns.
    tr '\r' '\n' <"$scratch/raw.txt" >"$out"

    local wall=- peak_kb=0
    if [ -s "$timing" ]; then
        read -r wall peak_kb < <(tail -n 1 "$timing")
    fi
    if [ "$status" -ne 0 ]; then
        failures+=("$run_name (exit code $status)")
        echo "   failed with exit code $status; the end of its standard output:" >&2
        tail -n 15 "$out" >&2
        echo "   and its standard error:" >&2
        tail -n 15 "$scratch/err.txt" >&2
        rows+=("| $label | $threads | failed (exit $status) | - | - | - | - | - | - |")
        return
    fi

    local number='([0-9.eE+-]+)'
    local tracing rays=- trace_s=- rate=- responses_s=- saving_s=-
    tracing=$(last_match "$out" \
        "Tracing done: $number rays, $number segments in $number s \\($number M segments\\/s\\) on $number threads?" \
        '\1 \3 \4')
    if [ -n "$tracing" ]; then
        read -r rays trace_s rate <<<"$tracing"
    else
        # Without the summary line, the ray count comes from the line that
        # starts each source's tracing.
        rays=$(sed -nE 's/^NumRays = ([0-9]+)$/\1/p' "$out" | awk '{ sum += $1 } END { print sum ? sum : "-" }')
    fi
    responses_s=$(last_match "$out" "Responses done: $number pairs in $number s on $number threads?" '\2')
    saving_s=$(last_match "$out" "Saving done: $number pairs in $number s" '\2')

    local lost
    lost=$(sed -nE 's/^100\.00 % - SOURCE .* LOST = ([0-9]+) .*/\1/p' "$out" |
        awk '{ sum += $1 } END { print sum + 0 }')
    if [ "$lost" -gt 0 ]; then
        echo "   note: $lost rays were lost (left the room)" >&2
    fi
    echo "   $wall s, peak $((peak_kb / 1024)) MB" >&2

    # awk rounds the megabytes: the shell's printf reads numbers in the
    # user's locale, where the decimal point may be a comma.
    local peak_mb
    peak_mb=$(awk -v kb="$peak_kb" 'BEGIN { printf "%.1f", kb / 1024 }')
    rows+=("| $label | $threads | $rays | ${trace_s:--} | ${rate:--} | ${responses_s:--} | ${saving_s:--} | $wall | $peak_mb |")
}

for scene in "${scenes[@]}"; do
    prepare_scene "$scene"
done
for scene in "${scenes[@]}"; do
    for threads in "${thread_counts[@]}"; do
        run_scene "$scene" "$threads"
    done
done

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
commit=$(git rev-parse --short HEAD 2>/dev/null || echo unknown)
echo "Velto $commit on ${cpu:-an unknown CPU}, $(nproc) cores, $(date -u '+%Y-%m-%d %H:%M UTC')"
echo
echo "| scene | threads | rays | tracing s | segments/s (M) | responses s | saving s | whole run s | peak memory MB |"
echo "| --- | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: |"
printf '%s\n' "${rows[@]}"

if [ ${#failures[@]} -gt 0 ]; then
    echo "Failed runs:" >&2
    printf '  %s\n' "${failures[@]}" >&2
    exit 1
fi
