#!/usr/bin/env bash
# Installs the build into a temporary root the way the Debian package does
# (prefix /usr) and checks what lands there: the file list and rights, the
# desktop entry, and that the installed program answers --version and --help
# without a display, naming the folder of its own files.
#
#   install_layout.sh BUILD_DIR PACKAGING_DIR VERSION
set -euo pipefail
build=$1
packaging=$2
version=$3

root=$(mktemp -d /tmp/kestrum-install.XXXXXX)
trap 'chmod -R u+w "$root"; rm -rf "$root"' EXIT
chmod 755 "$root"
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null

failed=0
fail() { echo "FAIL: $*" >&2; failed=$((failed + 1)); }

# ---- files and rights
expected="644 usr/share/applications/kestrum.desktop
644 usr/share/doc/kestrum/README.md
644 usr/share/doc/kestrum/docs/lists.md
644 usr/share/icons/hicolor/128x128/apps/kestrum.png
644 usr/share/icons/hicolor/16x16/apps/kestrum.png
644 usr/share/icons/hicolor/256x256/apps/kestrum.png
644 usr/share/icons/hicolor/32x32/apps/kestrum.png
644 usr/share/icons/hicolor/48x48/apps/kestrum.png
644 usr/share/icons/hicolor/64x64/apps/kestrum.png
644 usr/share/icons/hicolor/scalable/apps/kestrum.svg
755 usr/bin/Kestrum"
actual=$(cd "$root" && find . ! -type d -printf '%m %P\n' | LC_ALL=C sort)
[[ "$actual" == "$(LC_ALL=C sort <<<"$expected")" ]] ||
    fail "installed files differ:$(diff <(LC_ALL=C sort <<<"$expected") <(echo "$actual"))"

# ---- desktop entry
desktop=$root/usr/share/applications/kestrum.desktop
key() { sed -n "s/^$1=//p" "$desktop"; }
[[ "$(head -n 1 "$desktop")" == "[Desktop Entry]" ]] || fail "desktop entry has no group header"
[[ "$(key Type)" == Application ]] || fail "desktop entry Type is '$(key Type)'"
exe=$(key Exec | cut -d' ' -f1)
[[ -x "$root/usr/bin/$exe" ]] || fail "desktop entry Exec '$exe' is not an installed program"
icon=$(key Icon)
[[ -f "$root/usr/share/icons/hicolor/48x48/apps/$icon.png" &&
   -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ]] ||
    fail "desktop entry Icon '$icon' is not installed"
for k in 'Name\[ru\]' 'Comment\[ru\]'; do
    grep -qP '^'"$k"'=.*\p{Cyrillic}' "$desktop" || fail "desktop entry has no Russian $k"
done

# ---- the installed program without a display
noscreen=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
out=$("${noscreen[@]}" "$root/usr/bin/Kestrum" --version 2>&1) || fail "--version exits with $?"
[[ "$out" == "Kestrum $version" ]] || fail "--version prints '$out'"

# A copied program folder that is writable keeps the files beside the program.
out=$("${noscreen[@]}" "$root/usr/bin/Kestrum" --help 2>&1) || fail "--help exits with $?"
grep -q -- '--version' <<<"$out" || fail "--help does not name --version"
grep -qx "  $root/usr/bin/" <<<"$out" ||
    fail "--help for a writable program folder names: $(tail -n 1 <<<"$out")"

# A program folder the user may not write to sends them to the user's
# configuration folder. Root may write anywhere, so as root the check runs as
# the user nobody.
home=$root/home
mkdir -m 700 "$home"
chmod 555 "$root/usr/bin"
if [[ $(id -u) -eq 0 ]]; then
    chown nobody "$home"
    as_user=(runuser -u nobody --)
else
    as_user=()
fi
out=$("${as_user[@]}" "${noscreen[@]}" HOME="$home" XDG_CONFIG_HOME= \
    "$root/usr/bin/Kestrum" --help 2>&1) || fail "--help as a user exits with $?"
grep -qx "  $home/.config/Kestrum/" <<<"$out" ||
    fail "--help for a read-only program folder names: $(tail -n 1 <<<"$out")"
[[ ! -e "$home/.config" ]] || fail "--help created the configuration folder"

if ((failed)); then
    echo "install_layout: $failed checks failed" >&2
    exit 1
fi
echo "install_layout: installed files, desktop entry and options are right"
