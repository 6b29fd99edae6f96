#!/usr/bin/env bash
# Installs the dev build into a temporary prefix and checks what an installation gets: every
# file in its place and in its package's component, the desktop entry, the AppStream data, both
# manual pages, the bash completion, and the installed sonquill-cli running from there. Run
# after scripts/test.sh, whose dev build it reuses.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --test

build=build/dev
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake --preset dev >/dev/null
fi
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" >/dev/null

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

passed=0
failed=0
check() {
    local what=$1
    shift
    local output
    if output=$("$@" 2>&1); then
        passed=$((passed + 1))
        echo "ok: $what"
    else
        failed=$((failed + 1))
        echo "FAILED: $what"
        printf '%s\n' "$output" | sed 's/^/    /'
    fi
}

app=org.sonquill.Sonquill
# What each of the two packages holds: the command-line tool, and the window on top of it.
cli_files=(
    bin/sonquill-cli
    share/man/man1/sonquill-cli.1
    share/bash-completion/completions/sonquill-cli
    share/doc/sonquill/SonquillHelp.html
    share/doc/sonquill/sonquill-cli.schema.json
)
window_files=(
    bin/sonquill
    share/applications/$app.desktop
    share/icons/hicolor/scalable/apps/$app.svg
    share/metainfo/$app.metainfo.xml
    share/man/man1/sonquill.1
)
for file in "${cli_files[@]}" "${window_files[@]}"; do
    check "installed $file" test -f "$prefix/$file"
done
# Each component installs exactly its own files, so neither package misses or repeats one.
holds_exactly() {
    diff <(cd "$1" && find . -type f -printf '%P\n' | sort) <(shift && printf '%s\n' "$@" | sort)
}
for component in cli window; do
    cmake --install "$build" --prefix "$tmp/$component" --component "$component" >/dev/null
done
check "the cli component holds the tool's files" holds_exactly "$tmp/cli" "${cli_files[@]}"
check "the window component holds the window's files" \
    holds_exactly "$tmp/window" "${window_files[@]}"

check "desktop-file-validate" desktop-file-validate "$prefix/share/applications/$app.desktop"
# Warnings are allowed; errors fail.
check "appstreamcli validate" appstreamcli validate --no-net "$prefix/share/metainfo/$app.metainfo.xml"

# man prints its formatter's warnings on stderr and still succeeds, so any output fails.
silent() {
    local output
    output=$("$@" 2>&1 >/dev/null) || return 1
    [ -z "$output" ] || { printf '%s\n' "$output"; return 1; }
}
for page in sonquill.1 sonquill-cli.1; do
    check "man renders $page without warnings" silent \
        env LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$prefix/share/man/man1/$page"
    check "groff -ww checks $page" silent groff -ww -man -z "$prefix/share/man/man1/$page"
done

completion=$prefix/share/bash-completion/completions/sonquill-cli
check "bash -n on the completion" bash -n "$completion"
check "the completion loads and completes commands" bash -c '
    source /usr/share/bash-completion/bash_completion
    source "$1"
    complete -p sonquill-cli >/dev/null
    COMP_WORDS=(sonquill-cli di) COMP_CWORD=1 COMP_LINE="sonquill-cli di" COMP_POINT=15
    _sonquill_cli sonquill-cli di sonquill-cli
    [ "${COMPREPLY[*]}" = distribute ]' bash "$completion"

check "the installed sonquill-cli runs" "$prefix/bin/sonquill-cli" --version

echo "install check: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
