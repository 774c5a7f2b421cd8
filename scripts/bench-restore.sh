#!/bin/bash
# Measures RESTORE DATABASE on the stand-in against a plain `cp` of the same backup file:
# the shipped vqdata, and a backup of about 100 MB made here. Not a test: it prints timings.
# Usage: scripts/bench-restore.sh [build-dir]   (needs tsql from freetds-bin)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/standin-lib.sh"

BUILD=${1:-build}
BIN="$BUILD/standin/sqlserver-standin"
VQDATA="$BUILD/data/vqdata"
[ -x "$BIN" ] && [ -f "$VQDATA" ] || { echo "build sqlserver-standin and backups first" >&2; exit 1; }

standin_start "$BIN" --sa-password bench

sql() { standin_tsql bench <<<"$1"; } # one batch

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
    printf '%s\n' "${times[@]}" | median
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
    printf '%s\n' "${times[@]}" | median
}

# About 100 MB.
sql "$(big_backup_batch big_data big_log "$WORK/big.bak")" >/dev/null
BIG="$WORK/big.bak"

for case in "vqdata|$VQDATA|hotel_data|hotel_log" "100MB|$BIG|big_data|big_log"; do
    IFS='|' read -r name file data log <<<"$case"
    restore=$(time_restore "$file" "$name" "$data" "$log")
    copy=$(time_cp "$file")
    size=$(stat -c %s "$file")
    ratio=$(awk -v r="$restore" -v c="$copy" 'BEGIN { printf "%.2f", (c > 0 ? r / c : r) }')
    printf '%-7s %10d bytes  restore %5d ms  cp %5d ms  ratio %s\n' "$name" "$size" "$restore" "$copy" "$ratio"
done
