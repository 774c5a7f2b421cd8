#!/bin/bash
# Measures RESTORE DATABASE on the stand-in against a plain `cp` of the same backup file:
# the shipped vqdata, and a backup of about 100 MB made here. Not a test: it prints timings.
# Usage: scripts/bench-restore.sh [build-dir]   (needs tsql from freetds-bin)
set -euo pipefail

BUILD=${1:-build}
BIN="$BUILD/standin/sqlserver-standin"
VQDATA="$BUILD/data/vqdata"
[ -x "$BIN" ] && [ -f "$VQDATA" ] || { echo "build sqlserver-standin and backups first" >&2; exit 1; }

WORK=$(mktemp -d)
SERVER_PID=
cleanup() {
    [ -n "$SERVER_PID" ] && kill "$SERVER_PID" 2>/dev/null && wait "$SERVER_PID" 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

mkfifo "$WORK/ready"
"$BIN" --listen 127.0.0.1:0 --root "$WORK/root" --sa-password bench >"$WORK/ready" 2>"$WORK/server.log" &
SERVER_PID=$!
read -r _ ADDRESS <"$WORK/ready"
PORT=${ADDRESS##*:}

sql() { # runs one batch, prints what the server said
    printf '%s\ngo\nexit\n' "$1" | tsql -H 127.0.0.1 -p "$PORT" -U sa -P bench -o q 2>&1
}
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# Median of five wall-clock runs (ms) of a restore, each into a fresh name.
time_restore() { # backup-file tag
    local times=() i start end
    for i in 1 2 3 4 5; do
        mkdir -p "$WORK/r$2$i"
        start=$(now_ms)
        sql "restore database b$2$i from disk='$1' WITH MOVE '$3' TO '$WORK/r$2$i/d', MOVE '$4' TO '$WORK/r$2$i/l'" >/dev/null
        end=$(now_ms)
        [ -f "$WORK/r$2$i/d" ] || { echo "restore of $1 failed" >&2; exit 1; }
        times+=($((end - start)))
        # Like the copies below, each restored database is removed before the next run.
        sql "drop database b$2$i" >/dev/null
    done
    printf '%s\n' "${times[@]}" | sort -n | sed -n 3p
}
time_cp() {
    local times=() i start end
    for i in 1 2 3 4 5; do
        start=$(now_ms)
        cp "$1" "$WORK/copy$i"
        end=$(now_ms)
        rm -f "$WORK/copy$i"
        times+=($((end - start)))
    done
    printf '%s\n' "${times[@]}" | sort -n | sed -n 3p
}

# About 100 MB: a 1000-character row doubled until the table holds 2^17 rows.
ROW=$(head -c 1000 /dev/zero | tr '\0' 'x')
BATCH="create database big on (name = big_data, filename = '$WORK/root/big.mdf') log on (name = big_log, filename = '$WORK/root/big.ldf')
use big
create table t (id int, v varchar(1000))
insert into t values (1, '$ROW')"
for _ in $(seq 17); do BATCH="$BATCH
insert into t select id, v from t"; done
BATCH="$BATCH
use master
backup database big to disk = '$WORK/big.bak'"
sql "$BATCH" >/dev/null
BIG="$WORK/big.bak"

for case in "vqdata|$VQDATA|hotel_data|hotel_log" "100MB|$BIG|big_data|big_log"; do
    IFS='|' read -r name file data log <<<"$case"
    restore=$(time_restore "$file" "$name" "$data" "$log")
    copy=$(time_cp "$file")
    size=$(stat -c %s "$file")
    ratio=$(awk -v r="$restore" -v c="$copy" 'BEGIN { printf "%.2f", (c > 0 ? r / c : r) }')
    printf '%-7s %10d bytes  restore %5d ms  cp %5d ms  ratio %s\n' "$name" "$size" "$restore" "$copy" "$ratio"
done
