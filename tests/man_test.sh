#!/usr/bin/env bash
# Every manual page renders without a single groff warning.
# Usage: man_test.sh MAN_DIR (the directory that holds man1/)
set -euo pipefail
if ! command -v groff >/dev/null; then
    # ctest counts 77 as skipped.
    echo "SKIP: groff is missing (apt-get install groff-base)" >&2
    exit 77
fi
cd "$1"
status=0
for page in man1/*.1; do
    warnings=$(groff -man -ww -z "$page" 2>&1)
    if [[ -n $warnings ]]; then
        printf 'FAIL: %s\n%s\n' "$page" "$warnings" >&2
        status=1
    fi
done
exit $status
