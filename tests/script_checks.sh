# Sourced by the tests written in shell: a scratch folder that goes when the test ends, and
# `fail`, which says what is wrong and lets the test go on to find the rest; such a test
# ends with `[ "$failures" -eq 0 ]`.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}
