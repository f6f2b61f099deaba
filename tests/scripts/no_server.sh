#!/usr/bin/env bash
# scripts/pg and scripts/demo on a machine that lacks what they need. Each
# must say what is missing and what to run, never end silently:
#
# - without PostgreSQL's server programs (an empty folder mounted over
#   /usr/lib/postgresql in a private mount namespace): the sub-commands that
#   only name a folder work, and so does stop (nothing runs); init, check,
#   and scripts/demo after its package check, name the apt-get command and
#   make no cluster;
# - a user who may not install packages, on a machine without them (an empty
#   package database mounted over /var/lib/dpkg): scripts/demo prints the
#   exact apt-get line of every package and exits with 1;
# - no display: scripts/demo says so before anything else.
#
# Needs root (mount namespaces); skipped otherwise.
#
#   no_server.sh SOURCE_DIR BUILD_DIR SANITIZE(ON|OFF)
set -euo pipefail
if [[ $(id -u) -ne 0 ]] || ! unshare --mount true 2>/dev/null; then
    echo "skipped: needs root and unshare --mount, to hide the server programs in a private" \
        "mount namespace"
    exit 77
fi
if [[ "${KESTRUM_NO_SERVER_INSIDE:-}" != 1 ]]; then
    KESTRUM_NO_SERVER_INSIDE=1 exec unshare --mount --propagation private "$0" "$@"
fi
src=$1
. "$(dirname "$0")/demo_env.sh"
demo_build "$2" "$3"

work=$(mktemp -d /tmp/kestrum-noserver.XXXXXX)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
failed=0
fail() { echo "FAIL: $*" >&2; failed=$((failed + 1)); }
# run NAME EXPECTED_EXIT_CODE COMMAND...: output in $work/NAME.out
run() {
    local name=$1 want=$2 rc=0
    shift 2
    timeout 300 "$@" >"$work/$name.out" 2>&1 || rc=$?
    [[ $rc -eq $want ]] || fail "$name: exit code $rc, not $want; printed: $(cat "$work/$name.out")"
}
says() { grep -qF -- "$2" "$work/$1.out" || fail "$1 does not say '$2': $(cat "$work/$1.out")"; }

# ---- no server programs
mount -t tmpfs -o mode=755 kestrum-no-server /usr/lib/postgresql
unset KESTRUM_DEMO_DIR
run pg-dir 0 "$src/scripts/pg" dir
grep -qxE '/var/tmp/kestrum-demo-[0-9a-f]{12}' "$work/pg-dir.out" ||
    fail "scripts/pg dir names $(cat "$work/pg-dir.out")"
run pg-dir-demo 0 env KESTRUM_DEMO_DIR="$work/demo/" "$src/scripts/pg" dir
[[ "$(cat "$work/pg-dir-demo.out")" == "$work/demo/cluster" ]] ||
    fail "scripts/pg dir with KESTRUM_DEMO_DIR names $(cat "$work/pg-dir-demo.out")"
run pg-socket 0 "$src/scripts/pg" socket "$work/pg"
[[ "$(cat "$work/pg-socket.out")" == "$work/pg/sock" ]] ||
    fail "scripts/pg socket names $(cat "$work/pg-socket.out")"
# nothing to stop: as scripts/test's clean-up after a failed start needs it
run pg-stop 0 "$src/scripts/pg" stop "$work/pg"
for c in init check; do
    run pg-$c 1 "$src/scripts/pg" $c "$work/pg"
    says pg-$c "apt-get install -y postgresql"
done
[[ ! -e "$work/pg/data" ]] || fail "scripts/pg init made a cluster without initdb"

export KESTRUM_DEMO_DIR=$work/demo QT_QPA_PLATFORM=offscreen
run demo 1 "$src/scripts/demo" "${demo_args[@]}"
says demo "server programs are not installed"
says demo "apt-get install -y postgresql"
[[ ! -e "$work/demo/cluster/data" && ! -e "$work/demo/Kestrum.ini" ]] ||
    fail "scripts/demo without server programs left a cluster or Kestrum.ini"
umount /usr/lib/postgresql

# ---- no packages at all, a user who may not install them
checkout=$work/checkout
mkdir -p "$checkout"
cp -r "$src/scripts" "$checkout/"
chmod -R a+rX "$checkout"
mount -t tmpfs -o mode=755 kestrum-no-packages /var/lib/dpkg
touch /var/lib/dpkg/status
# the packages scripts/setup asks for
packages=$(sed -n '/^PACKAGES=(/,/^)/p' "$src/scripts/setup" | sed '1d;$d;/"\$@"/d' | xargs)
run demo-user 1 runuser -u nobody -- env -C / KESTRUM_DEMO_DIR="$work/demo-user" \
    "$checkout/scripts/demo"
says demo-user "    apt-get update && apt-get install -y $packages"
[[ ! -e "$work/demo-user" ]] || fail "scripts/demo as a user without packages made its folder"
umount /var/lib/dpkg

# ---- no display
run demo-nodisplay 1 env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
    "$src/scripts/demo" "${demo_args[@]}"
says demo-nodisplay "DISPLAY is not set"

if ((failed)); then
    echo "no_server: $failed checks failed" >&2
    exit 1
fi
echo "no_server: without server programs and without packages every script says what to run"
