#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer, and
# runs every test with CTest (GUI tests offscreen), then prints one line of Qt Test's totals.
#
# The tests start our stand-in server. With VARNOSET_TEST_SERVER (and VARNOSET_TEST_SA_PASSWORD,
# optionally VARNOSET_TEST_DBPARM and VARNOSET_TEST_SERVER_TMP) in the environment they use that
# server instead; see docs/real-sql-server.md.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
build=${VARNOSET_TEST_BUILD:-build-test}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVARNOSET_SANITIZE=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
if [ -n "${VARNOSET_TEST_SERVER:-}" ]; then
  echo "server under test: $VARNOSET_TEST_SERVER"
fi
rm -f "$build"/test-results/*.txt
status=0
ctest --test-dir "$build" --output-on-failure -j2 || status=$?
scripts/test-totals.sh "$build"/test-results
exit $status
