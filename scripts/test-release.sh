#!/usr/bin/env bash
# The release: scripts/release.sh makes the downloads into dist/, then each is checked as a user
# meets it: the checksums and the source archive (tests/install/release_check.py; the .deb is
# the e2e package test's), the Windows installer and zip under wine32 on a private Xvfb
# (tests/windows/release_check.py). Needs build/release's x11-probe (the test command builds it).
# Ends with "test-release: N passed, M failed".
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
root=$PWD
. scripts/tally.sh test-release
. scripts/xvfb.sh
. scripts/wine.sh

if scripts/release.sh >build/release.log 2>&1; then
    pass "release.sh: $(cd dist && echo *)"
else
    fail "release.sh (log build/release.log)"
    finish
fi
took "release.sh"
cmake --build build/release --target x11-probe >/dev/null || { fail "x11-probe"; finish; }

python3 tests/install/release_check.py --dist dist 2>&1 | tee build/release-linux.log
count_unittest build/release-linux.log "Linux downloads"
took "Linux downloads"

trap '"$wineserver" -k >/dev/null 2>&1' EXIT
wine_prefix || { fail "wine prefix (log $WINEPREFIX.log)"; finish; }
on_xvfb timeout 600 python3 tests/windows/release_check.py --dist dist --launcher "$(wine_loader win32)" \
    --probe "$root/build/release/tests/e2e/x11-probe" 2>&1 | tee build/release-windows.log
count_unittest build/release-windows.log "Windows downloads"
took "Windows downloads"
finish
