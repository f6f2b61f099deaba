#!/usr/bin/env bash
# Runs scripts/demo as a newcomer runs it: the package check, the build, the
# cluster and the demo database, then Kestrum connected to it. Offscreen and
# bounded in time, with everything of the demo in a folder of its own
# (KESTRUM_DEMO_DIR): the checkout's demo cluster and build/Kestrum.ini stay
# untouched.
#
# First the folder holds a cluster left by another PostgreSQL major version:
# the demo must refuse it and name scripts/demo --reset. Then scripts/demo
# --reset must make the demo anew and Kestrum must reach the database: the
# server sees a session of the demo user in the demo database that the
# program opened and that read the reference tables.
#
#   demo_run.sh SOURCE_DIR BUILD_DIR SANITIZE(ON|OFF)
set -euo pipefail
src=$1
build=${2%/}
sanitize=$3
deadline=${KESTRUM_DEMO_TEST_SECONDS:-240}

. "$(dirname "$0")/demo_env.sh"
demo_build "$build" "$sanitize"

work=$(mktemp -d /tmp/kestrum-demotest.XXXXXX)
# the server runs as postgres when the test runs as root
chmod 755 "$work"
export KESTRUM_DEMO_DIR=$work/demo
cluster=$KESTRUM_DEMO_DIR/cluster
pid=
cleanup() {
    if [[ -n "$pid" ]]; then
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
    "$src/scripts/pg" stop "$cluster" || true
    rm -rf "$work" "$(cat "$cluster/sockdir" 2>/dev/null || true)" 2>/dev/null || true
}
trap cleanup EXIT

# the settings of the developer's own demo, which must stay as they are
own_ini=$(stat -c %y "$build/Kestrum.ini" 2>/dev/null || echo none)
failed=0
fail() { echo "FAIL: $*" >&2; failed=$((failed + 1)); }
export QT_QPA_PLATFORM=offscreen

# ---- a cluster of another major version: refused, scripts/demo --reset named
mkdir -p "$cluster/data"
echo 9 >"$cluster/data/PG_VERSION"
rc=0
timeout 300 "$src/scripts/demo" "${demo_args[@]}" >"$work/old.out" 2>&1 || rc=$?
[[ $rc -eq 1 ]] || fail "an old cluster: scripts/demo exits with $rc, not 1"
grep -q "made by PostgreSQL 9" "$work/old.out" ||
    fail "an old cluster: no word of its version: $(cat "$work/old.out")"
grep -q "scripts/demo --reset" "$work/old.out" ||
    fail "an old cluster: scripts/demo --reset not named: $(cat "$work/old.out")"
[[ ! -e "$KESTRUM_DEMO_DIR/Kestrum.ini" ]] || fail "an old cluster: Kestrum.ini written"

# ---- scripts/demo --reset: a new demo, Kestrum connected
"$src/scripts/demo" "${demo_args[@]}" --reset >"$work/demo.out" 2>&1 &
pid=$!
program=$KESTRUM_DEMO_DIR/Kestrum
psql_demo() {
    PGHOST=$(cat "$cluster/sockdir") PGUSER=postgres PGPASSWORD=$(cat "$cluster/pwfile") \
        psql -X -At -d metering -c "$1" 2>/dev/null
}
# The program's session: the demo user in the demo database once scripts/demo
# has become Kestrum (before, the sessions are those of the demo's psql),
# idle after the last step of connecting: the commit of the transaction the
# start-up lists were read in, or, where they were read without one, the
# opening of the electricity meters of the current abonent, whose last
# statement named their table (the driver asks for a table's columns by its
# oid).
session="SELECT count(*) FROM pg_stat_activity WHERE usename = 'operator'
    AND datname = 'metering' AND application_name <> 'psql' AND state = 'idle'
    AND (query = 'COMMIT' OR query ILIKE '%abondev%'
         OR query ~ ('\\m' || 'abondev'::regclass::oid || '\\M'))"
connected=0
start=$SECONDS
while ((SECONDS - start < deadline)); do
    if ! kill -0 "$pid" 2>/dev/null; then
        wait "$pid" && rc=0 || rc=$?
        pid=
        fail "scripts/demo ended (exit code $rc) before Kestrum connected"
        break
    fi
    if [[ "$(readlink "/proc/$pid/exe" 2>/dev/null)" == "$program" &&
          "$(psql_demo "$session")" == 1 ]]; then
        connected=1
        break
    fi
    sleep 1
done
if ((!connected)) && [[ -n "$pid" ]]; then
    fail "Kestrum did not connect within $deadline s"
    psql_demo "SELECT usename, datname, application_name, state, query
               FROM pg_stat_activity WHERE backend_type = 'client backend'" >&2 || true
fi
((connected)) && echo "Kestrum connected to the demo database in $((SECONDS - start)) s"
[[ -z "$pid" ]] || kill -0 "$pid" 2>/dev/null || fail "Kestrum ended after connecting"

# ---- what the demo wrote
ini=$KESTRUM_DEMO_DIR/Kestrum.ini
if [[ -f "$ini" ]]; then
    sock=$(cat "$cluster/sockdir")
    for line in "DBServer=$sock" DBName=metering DBUserName=operator DBAutoConnect=1 \
        "DBFFilePath=$KESTRUM_DEMO_DIR/buildings.dbf"; do
        grep -qxF "$line" "$ini" || fail "Kestrum.ini has no line $line"
    done
    [[ $(stat -c %a "$ini") == 600 ]] || fail "Kestrum.ini is readable by others"
else
    fail "no Kestrum.ini in $KESTRUM_DEMO_DIR"
fi
# a dBase III table: its first byte 0x03, then records
dbf=$KESTRUM_DEMO_DIR/buildings.dbf
if [[ -f "$dbf" ]]; then
    [[ $(head -c 1 "$dbf" | od -An -tx1 | tr -d ' ') == 03 ]] ||
        fail "$dbf is no dBase III table"
    (($(stat -c %s "$dbf") > 1000)) || fail "$dbf holds no buildings"
else
    fail "no building address file $dbf"
fi
[[ "$(stat -c %y "$build/Kestrum.ini" 2>/dev/null || echo none)" == "$own_ini" ]] ||
    fail "the build folder's own Kestrum.ini was written"

if ((failed)); then
    echo "--- scripts/demo --reset printed:" >&2
    cat "$work/demo.out" >&2
    echo "demo_run: $failed checks failed" >&2
    exit 1
fi
echo "demo_run: scripts/demo refused the old cluster, made the demo anew and Kestrum connected"
