#!/usr/bin/env bash
# Reads Help\SweepHelp.chm back as a CHM reader does, through chmls: every file of
# the project's [FILES] list is in it, with the contents and the index; the
# contents list every page, the binary index every keyword; the start page is the
# project's default topic; and no link or picture of a page, the contents or the
# index leads to a file or a place that is not there.
# usage: check-help-file.sh CHMLS HELP-FILE PROJECT-FILE
set -uo pipefail
chmls=$1 help=$2 project=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

"$chmls" -p -n list "$help" 2>/dev/null | tr -d '\r' | sed -n 's|^/||p' >"$work/listed"
expected=$(sed -n '/^\[FILES\]/,/^\[/{/^\[/d;/^\s*$/d;p}' "$project" | tr -d '\r')
[ -n "$expected" ] || fail "no [FILES] in $project"
for file in $expected SweepHelp.hhc SweepHelp.hhk; do
    grep -qxF "$file" "$work/listed" || fail "$file is not in the help file"
done
grep -qxF '$WWKeywordLinks/BTree' "$work/listed" || fail "the help file has no binary index"

# Read whole before it is searched: grep -q leaving early would end chmls with
# SIGPIPE, which pipefail takes for a failure.
system=$("$chmls" printsystem "$help" 2>/dev/null | tr -d '\0')
grep -q 'Default topic from \[options\] *:welcome.html' <<<"$system" ||
    fail "the start page is not welcome.html"

"$chmls" extracttoc "$help" "$work/toc" >/dev/null 2>&1
for page in $(grep '\.html$' <<<"$expected"); do
    grep -qF "value=\"$page\"" "$work/toc" || fail "the contents do not list $page"
done

"$chmls" extract "$help" /SweepHelp.hhk "$work/SweepHelp.hhk" >/dev/null 2>&1
"$chmls" extractindex "$help" "$work/index" >/dev/null 2>&1
keywords=$(grep -o '<param name="Name" value="[^"]*">' "$work/SweepHelp.hhk" | sort -u)
[ -n "$keywords" ] || fail "the index names no keyword"
while read -r keyword; do
    grep -qF "$keyword" "$work/index" || fail "the binary index lacks $keyword"
done <<<"$keywords"

# Every local target, as "PAGE TARGET", from the pages and the two sitemaps.
for page in $(grep -E '\.(html|hhc|hhk)$' <<<"$expected") SweepHelp.hhc SweepHelp.hhk; do
    "$chmls" extract "$help" "/$page" "$work/page" >/dev/null 2>&1
    grep -oE '(href|src|value)="[^"]*"' "$work/page" | sed -E 's/^[a-z]+="(.*)"$/\1/' |
        grep -E '\.(html|css|png)(#|$)' | sed "s|^|$page |"
done | sort -u >"$work/targets"
[ -s "$work/targets" ] || fail "no page links to another"
while read -r page target; do
    file=${target%%#*}
    if ! grep -qxF "$file" "$work/listed"; then
        fail "$page leads to $file, which is not in the help file"
    elif [ "$file" != "$target" ]; then
        "$chmls" extract "$help" "/$file" "$work/target" >/dev/null 2>&1
        grep -qF "name=\"${target#*#}\"" "$work/target" || fail "$page leads to $target, which has no such place"
    fi
done <"$work/targets"

[ $failures -eq 0 ] && echo "$help: $(wc -l <"$work/listed") entries, every page, picture and link in place"
exit $((failures > 0))
