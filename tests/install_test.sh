#!/usr/bin/env bash
# Installs the build into a fresh prefix and packs it as a .deb, then checks
# that both hold every program, a manual page for each name that man can
# open, and the copyright file and changelog.
# Usage: install_test.sh BUILD_DIR PROGRAM...
set -euo pipefail
build=$1
shift
programs=("$@")
status=0
fail() { echo "FAIL: $*" >&2; status=1; }

# Without its tools the test cannot say anything: ctest counts 77 as skipped.
for tool in man:man-db dpkg-deb:dpkg dpkg-shlibdeps:dpkg-dev file:file; do
    if ! command -v "${tool%%:*}" >/dev/null; then
        echo "SKIP: ${tool%%:*} is missing (apt-get install ${tool#*:})" >&2
        exit 77
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null
man1=$work/prefix/share/man/man1
for doc in copyright changelog.gz; do
    [[ -f $work/prefix/share/doc/parencheck/$doc ]] || fail "share/doc/parencheck/$doc is not installed"
done
for name in "${programs[@]}"; do
    [[ -x $work/prefix/bin/$name ]] || fail "bin/$name is not installed"
    [[ -f $man1/$name.1.gz ]] || fail "share/man/man1/$name.1.gz is not installed"
    # Both ways a user opens a page outside the system's paths: by name along
    # a MANPATH, and by its file from anywhere else.
    for how in "--manpath=$work/prefix/share/man $name" "-l $man1/$name.1.gz"; do
        # shellcheck disable=SC2086 # the words of $how are meant to split
        text=$(cd / && MANWIDTH=80 man -P cat $how 2>&1) || fail "man $how: $text"
        grep -q "EXIT STATUS" <<<"$text" || fail "man $how does not show the page"
        grep -q -- "$name" <<<"$text" || fail "man $how does not name $name"
    done
    out=$(printf '([)]' | "$work/prefix/bin/$name") || fail "installed $name failed"
    [[ $out == Mauvais* ]] || fail "installed $name answered: $out"
done

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >/dev/null)
deb=$(ls "$work"/deb/*.deb)
listing=$(dpkg-deb -c "$deb")
for doc in copyright changelog.gz; do
    grep -q "/usr/share/doc/parencheck/$doc\$" <<<"$listing" || fail "$deb lacks $doc"
done
for name in "${programs[@]}"; do
    grep -q "/usr/bin/$name\$" <<<"$listing" || fail "$deb lacks bin/$name"
    grep -q "/usr/share/man/man1/$name.1.gz" <<<"$listing" || fail "$deb lacks the compressed page of $name"
done
if grep "/usr/share/man/.*\.[0-9]\$" <<<"$listing"; then
    fail "$deb holds an uncompressed manual page"
fi
# Built as a user builds them, the programs need the C library alone, and
# the package says so; a sanitizer brings libraries of its own, which the
# package must name too.
depends=$(dpkg-deb -f "$deb" Depends)
needed=$(objdump -p "$work/prefix/bin/${programs[0]}" | awk '$1 == "NEEDED" { print $2 }' | sort -u)
if [[ $needed == libc.so.6 ]]; then
    [[ $depends =~ ^libc6\ \(\>=\ [0-9.]+\)$ ]] || fail "unexpected Depends: $depends"
else
    [[ $depends == *"libc6 (>= "* && $depends == *,* ]] || fail "Depends does not name the libraries needed: $depends"
fi

exit $status
