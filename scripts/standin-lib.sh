# Sourced by the bench scripts: the stand-in on a free loopback port in a scratch directory,
# tsql against it, and the timing helpers they share.

# standin_start BIN [OPTION...]: makes $WORK (removed on exit, after the server is stopped),
# starts BIN there with its root in $WORK/root and OPTIONs, waits for it to report ready and
# sets SERVER_PID and PORT.
standin_start() {
    local bin=$1 address
    shift
    WORK=$(mktemp -d)
    SERVER_PID=
    trap standin_cleanup EXIT
    mkfifo "$WORK/ready"
    "$bin" --listen 127.0.0.1:0 --root "$WORK/root" "$@" >"$WORK/ready" 2>"$WORK/server.log" &
    SERVER_PID=$!
    read -r _ address <"$WORK/ready"
    PORT=${address##*:}
}

standin_cleanup() {
    [ -n "$SERVER_PID" ] && kill "$SERVER_PID" 2>/dev/null && wait "$SERVER_PID" 2>/dev/null
    rm -rf "$WORK"
}

# standin_tsql PASSWORD [TSQL-OPTION...] <batch: runs the batch as sa, prints what the server
# said.
standin_tsql() {
    local password=$1
    shift
    { cat; printf '\ngo\nexit\n'; } | tsql -H 127.0.0.1 -p "$PORT" -U sa -P "$password" "$@" -o q 2>&1
}

# big_backup_batch DATA LOG FILE: a batch that makes a database "big" of about 100 MB (a
# 1000-character row doubled to 2^17 rows) whose files have the logical names DATA and LOG,
# and backs it up to FILE.
big_backup_batch() {
    local row batch
    row=$(head -c 1000 /dev/zero | tr '\0' 'x')
    batch="create database big on (name = $1, filename = '$WORK/root/big.mdf') log on (name = $2, filename = '$WORK/root/big.ldf')
use big
create table t (id int, v varchar(1000))
insert into t values (1, '$row')"
    for _ in $(seq 17); do batch="$batch
insert into t select id, v from t"; done
    printf '%s\n' "$batch
use master
backup database big to disk = '$3'"
}

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# The median of the numbers on stdin, one a line (the lower middle one of an even count).
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
