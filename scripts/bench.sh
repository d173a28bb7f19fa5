#!/usr/bin/env bash
# Speed figures, apart from the tests (which assert no time). Each figure is printed beside a
# reference measured in the same run, with their ratio, so that runs on machines of different
# speed compare; every time is the best of several tries, since the machine may be shared.
# Builds what it needs: the native code without the sanitizers (tree native-bench, see
# trees.sh), whose allocator would otherwise be what is measured. Usage: scripts/bench.sh
#
# To add a figure: write a bench_* function that measures and calls `figure`, and list it in
# `benches` at the end. Exits non-zero when a figure is past its limit.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
source "$here/trees.sh"
python=/usr/bin/python3 # Debian's, with reportlab (scripts/install-deps.sh)
work="$qlx_build_root/bench"
mkdir -p "$work"
status=0

# Builds the targets of a tree: build_targets TREE TARGET...
build_targets() {
    local tree=$1 dir="$qlx_build_root/$1"
    shift
    # shellcheck disable=SC2046 # the settings are separate words
    cmake -S "$root" -B "$dir" -G Ninja $(tree_settings "$tree") >/dev/null
    cmake --build "$dir" --target "$@" >/dev/null
}

now_us() { echo $(($(date +%s%N) / 1000)); }

# The smaller of two numbers, the second when the first is empty: smaller A B
smaller() {
    awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b + 0 < a + 0) ? b : a }'
}

# The fastest of RUNS runs of a command, in microseconds: best_run_us RUNS COMMAND...
best_run_us() {
    local runs=$1 best="" start spent
    shift
    for ((i = 0; i < runs; i++)); do
        start=$(now_us)
        "$@" >/dev/null
        spent=$(($(now_us) - start))
        if [ -z "$best" ] || [ "$spent" -lt "$best" ]; then best=$spent; fi
    done
    echo "$best"
}

# figure NAME VALUE REFERENCE_NAME REFERENCE_VALUE [LIMIT]: one line with the ratio
# VALUE / REFERENCE_VALUE; past LIMIT it is marked and the script fails.
figure() {
    local name=$1 value=$2 reference=$3 reference_value=$4 limit=${5:-}
    local ratio verdict=""
    ratio=$(awk -v a="$value" -v b="$reference_value" 'BEGIN { printf "%.3g", a / b }')
    if [ -n "$limit" ]; then
        if awk -v r="$ratio" -v l="$limit" 'BEGIN { exit !(r > l) }'; then
            verdict="  OVER THE LIMIT OF $limit"
            status=1
        else
            verdict="  (at most $limit)"
        fi
    fi
    printf '%-32s %9s   %-32s %9s   ratio %s%s\n' "$name" "$value" "$reference" \
        "$reference_value" "$ratio" "$verdict"
}

# The text-with-layout layout, microseconds per page, on tall pages of one-word items in four
# columns, against pdftotext -layout on the same page drawn into a PDF (its whole run); and how
# the layout scales from 1,000 to 10,000 items (linear is 10).
bench_layout() {
    echo "== bench: text-with-layout layout (microseconds per page)"
    build_targets native-bench twl_page_tool
    local tool="$qlx_build_root/native-bench/tests/plugins/format/twl/twl_page_tool"
    local pages="$root/tests/plugins/format/twl/twl_pages.py"
    local items sizes=(1000 10000)
    for items in "${sizes[@]}"; do
        "$python" "$pages" dense "$items" "$work/dense-$items.page" "$work/dense-$items.pdf"
    done
    # The sizes take turns, so that both meet the same load of a shared machine.
    local -A layout=() reference=()
    local round
    for round in 1 2 3 4 5; do
        for items in "${sizes[@]}"; do
            layout[$items]=$(smaller "${layout[$items]:-}" \
                "$("$tool" --time $((2000000 / items)) "$work/dense-$items.page")")
            reference[$items]=$(smaller "${reference[$items]:-}" \
                "$(best_run_us 2 pdftotext -layout "$work/dense-$items.pdf" -)")
        done
    done
    for items in "${sizes[@]}"; do
        figure "layout, $items items" "${layout[$items]}" "pdftotext -layout, same page" \
            "${reference[$items]}"
    done
    figure "layout, 10000 items" "${layout[10000]}" "layout, 1000 items" "${layout[1000]}" 12
}

# A print job's capture path end to end under Wine: a client process sends a job of realistic
# runs (the demo's sample, repeated) through the capture calls, and the time runs until the
# core has rendered it and the file transport has written it. The floor is the same number of
# calls from a client process to a server whose calls do nothing. Also the core's peak memory
# during a job of 1,000 pages.
bench_end_to_end() {
    echo "== bench: a print job end to end (client process -> core -> text file)"
    local main="$qlx_build_root/$qlx_main_tree"
    build_targets "$qlx_main_tree" qlx_core qlx_core_ps qlx_collection qlx_plugin_2d xfer_file \
        qlx_install qlx_bench_send qlx_bench_floor
    [ -f "$main/core/qlx_core_ps64.dll" ] || build_targets "$qlx_main_tree" qlx_core_ps64 || true
    export QLX_PREFIX_NAME=demo-wineprefix
    source "$here/wine-env.sh"
    source "$here/system-setup.sh"
    start_test_session
    setup_system --autosave >/dev/null
    wine "$main/tests/bench/qlx_bench_floor.exe" /RegServer
    local core_class="{2082E06B-0673-42EC-9BF2-599D31BAB8B5}"
    local floor_class="{6C1D5E0B-3A2F-4C7E-9B8A-1F0E2D3C4B5A}"
    local runs sample repeat=70 documents
    sample=$(winepath -w "$here/sample-job.runs" 2>/dev/null)
    documents=$(documents_folder)
    # "pages P runs R us T" of one job
    send() { wine "$main/tests/bench/qlx_bench_send.exe" "$@" | tr -d '\r'; }
    local line pages=0 runs=0 best="" floor="" round
    for round in 1 2 3; do
        line=$(send "$core_class" "$sample" "$repeat" --until-saved)
        read -r _ pages _ runs _ spent <<<"$line"
        best=$(smaller "$best" "$spent")
        line=$(send "$floor_class" "$sample" "$repeat")
        read -r _ _ _ _ _ spent <<<"$line"
        floor=$(smaller "$floor" "$spent")
        rm -f "$documents/bench.txt"
    done
    local per_second
    per_second() { awk -v n="$1" -v us="$2" 'BEGIN { printf "%.0f", n * 1e6 / us }'; }
    echo "   $pages pages, $runs runs a job: $(per_second "$runs" "$best") runs/s," \
        "$(per_second "$pages" "$best") pages/s through the core;" \
        "$(per_second "$runs" "$floor") calls/s to the floor"
    figure "job to text file (us)" "$best" "as many bare calls (us)" "$floor"
    stop_test_session

    # The peak is the process's own high-water mark, read while it still runs.
    start_test_session
    local peak=0 sender
    send "$core_class" "$sample" 334 --until-saved >/dev/null &
    sender=$!
    while kill -0 "$sender" 2>/dev/null; do
        local pid
        pid=$(pgrep -f 'qlx_core\.exe' | head -n 1 || true)
        if [ -n "$pid" ]; then
            peak=$(awk -v p="$peak" '/^VmHWM/ { print ($2 > p) ? $2 : p }' "/proc/$pid/status" \
                2>/dev/null || echo "$peak")
        fi
        sleep 0.2
    done
    wait "$sender" || true
    rm -f "$documents/bench.txt"
    echo "   core's peak memory during a job of 1,002 pages: $((peak / 1024)) MB (resident)"
    wine "$main/tests/bench/qlx_bench_floor.exe" /UnregServer
    stop_test_session
}

benches=(bench_layout bench_end_to_end)
for bench in "${benches[@]}"; do
    "$bench"
done
exit "$status"
