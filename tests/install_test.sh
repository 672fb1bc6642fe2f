#!/usr/bin/env bash
# Installs the build into a fresh prefix and packs it as a .deb, then checks
# that both hold the four programs and a manual page for each name that man
# can render.
# Usage: install_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
programs=(parencheck parencheck-nonempty parencheck-strict parencheck-terse)
status=0
fail() { echo "FAIL: $*" >&2; status=1; }

cmake --install "$build" --prefix "$work/prefix" >/dev/null
for name in "${programs[@]}"; do
    [[ -x $work/prefix/bin/$name ]] || fail "bin/$name is not installed"
    page=$work/prefix/share/man/man1/$name.1
    [[ -f $page ]] || fail "share/man/man1/$name.1 is not installed"
    # man resolves the variants' .so links against the installed tree.
    if command -v man >/dev/null; then
        text=$(MANWIDTH=80 man --manpath="$work/prefix/share/man" -P cat "$name" 2>&1) || fail "man $name: $text"
        grep -q "EXIT STATUS" <<<"$text" || fail "man $name does not show the page"
        grep -q -- "$name" <<<"$text" || fail "man $name does not name $name"
    fi
    out=$(printf '([)]' | "$work/prefix/bin/$name") || fail "installed $name failed"
    [[ $out == Mauvais* ]] || fail "installed $name answered: $out"
done

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >/dev/null)
deb=$(ls "$work"/deb/*.deb)
listing=$(dpkg-deb -c "$deb")
for name in "${programs[@]}"; do
    grep -q "/bin/$name\$" <<<"$listing" || fail "$deb lacks bin/$name"
    grep -q "/share/man/man1/$name.1\$" <<<"$listing" || fail "$deb lacks the page of $name"
done
[[ $(dpkg-deb -f "$deb" Depends) == "libc6 (>= 2.34)" ]] || fail "unexpected Depends: $(dpkg-deb -f "$deb" Depends)"

exit $status
