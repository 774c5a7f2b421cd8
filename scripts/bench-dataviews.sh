#!/bin/bash
# Times the data views through the stand-in: entering pages 3 and 4 on vqdata (median of 21
# entries, from the tab click until the page's list is painted), and a retrieve and an update
# of 10,000 rows of a generated table against tsql running the same select and the same
# 10,000 updates as one batch. Not a test: it prints timings.
# Usage: scripts/bench-dataviews.sh [build-dir]   (default build-bench, an optimised build
# made here; needs tsql from freetds-bin and Xvfb or the offscreen platform)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/standin-lib.sh"

BUILD=${1:-build-bench}
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
    cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$BUILD" --target sqlserver-standin backups dataview_bench -j2 >/dev/null
BIN="$BUILD/standin/sqlserver-standin"
BENCH="$BUILD/bench/dataview_bench"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

standin_start "$BIN" --sa-password bench
SERVER="127.0.0.1,$PORT"

sql() { standin_tsql bench -D "$1" <"$2"; } # database, batch file

mkdir -p "$WORK/files"
echo "restore database benchdv from disk='$(realpath "$BUILD/data/vqdata")' WITH MOVE 'hotel_data' TO '$WORK/files/d', MOVE 'hotel_log' TO '$WORK/files/l'" >"$WORK/restore.sql"
sql master "$WORK/restore.sql" >/dev/null

echo "== page entry (vqdata) =="
"$BENCH" "$SERVER" bench benchdv entry

# The generated table: 10,000 rows.
{
    echo "CREATE TABLE bench_rows ( k varchar(5) NOT NULL PRIMARY KEY, a varchar(20) NULL, b varchar(20) NULL )"
    for i in $(seq -w 1 10000); do echo "INSERT INTO bench_rows VALUES ( '$i' , 'x$i' , 'b$i' )"; done
} >"$WORK/fill.sql"
sql benchdv "$WORK/fill.sql" >/dev/null

echo "== 10,000 rows: the data view =="
"$BENCH" "$SERVER" bench benchdv rows

echo "== 10,000 rows: tsql =="
echo "SELECT k, a, b FROM bench_rows" >"$WORK/select.sql"
start=$(now_ms)
rows=$(sql benchdv "$WORK/select.sql" | grep -c '^[0-9]\{5\}' || true)
echo "tsql_select_rows $rows"
echo "tsql_select_ms $(( $(now_ms) - start ))"
for i in $(seq -w 1 10000); do
    echo "UPDATE bench_rows SET a = 'z$i' WHERE k = '$i' AND a = 'y$i'"
done >"$WORK/update.sql"
start=$(now_ms)
sql benchdv "$WORK/update.sql" >/dev/null
echo "tsql_update_batch_ms $(( $(now_ms) - start ))"
echo "tsql_rows_updated $(sql benchdv <(echo "SELECT count(*) FROM bench_rows WHERE a LIKE 'z%'") | grep -o '^ *[0-9]\+' | tr -d ' ')"
