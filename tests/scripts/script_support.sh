# Sourced by the *_test.sh scripts that run the real programs: a scratch folder ($scratch)
# and background processes ($pids) that go when the script ends, fail and wait_for.

scratch=$(mktemp -d /tmp/karvin-test.XXXXXX)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$scratch"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# wait_for SECONDS COMMAND...: runs COMMAND every 0.1 s until it succeeds.
wait_for() {
    local tries=$(($1 * 10))
    shift
    for ((i = 0; i < tries; i++)); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}
