#!/usr/bin/env bash
# Builds the libFuzzer targets (the `fuzz` preset: clang, ASan, UBSan) and runs each for the
# given number of seconds (default 60), starting from its saved corpus in tests/fuzz/corpus.
# New inputs go to build/fuzz/corpus/<target>; crashes to build/fuzz/findings/<target>.
# Usage: bench/fuzz.sh [seconds] [target…]
# (UBSan's "function" check stays off in that preset: clang 14 fails to build it into
# coroutines together with the coverage instrumentation.)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(ontime_answers stagetimer_answers translation_table powerpoint_output
             interface_list server_addresses ontime_socket_messages)
fi
# The targets never send anything; these only make sure of it.
export QT_QPA_PLATFORM=offscreen KLV_SCAN_INTERFACES=en9=127.0.1.20/24
export KLV_STAGETIMER_CLOUD=http://127.0.0.1:9/v1
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"
status=0
for target in "${targets[@]}"; do
    corpus=build/fuzz/corpus/$target
    findings=build/fuzz/findings/$target
    mkdir -p "$corpus" "$findings"
    echo "== $target (${seconds}s)"
    if ! "build/fuzz/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$findings/" -max_len=65536 "$corpus" "tests/fuzz/corpus/$target" \
        2>"build/fuzz/$target.log"; then
        status=1
    fi
    grep -E "stat::number_of_executed_units|stat::peak_rss_mb|ERROR|SUMMARY" \
        "build/fuzz/$target.log" || true
done
exit $status
