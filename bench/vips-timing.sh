# Timing helpers shared by the compare-vips*.sh scripts (sourced; expects $work and $runs).

# Mean wall time in milliseconds of a command over $runs runs (hyperfine when installed).
time_ms() {
    local runs=$runs
    if [[ $1 == --once ]]; then
        runs=1
        shift
    fi
    if command -v hyperfine >/dev/null; then
        hyperfine --runs "$runs" --export-json "$work/h.json" "$*" >/dev/null
        python3 -c 'import json,sys; print(f"{json.load(open(sys.argv[1]))["results"][0]["mean"]*1000:.1f}")' "$work/h.json"
        return
    fi
    local total=0 start end
    for _ in $(seq "$runs"); do
        start=$(date +%s%N)
        "$@" >/dev/null
        end=$(date +%s%N)
        total=$((total + end - start))
    done
    echo "scale=1; $total / $runs / 1000000" | bc
}

# Real time in milliseconds of one Google Benchmark case.
bench_ms() {
    "$1" --benchmark_filter="$2" --benchmark_min_time=0.2 --benchmark_format=csv 2>/dev/null \
        | awk -F, -v name="\"$2\"" '$1 == name { printf "%.1f\n", $3 }'
}

ratio() { echo "scale=2; $1 / $2" | bc; }
