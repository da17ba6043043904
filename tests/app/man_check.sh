#!/bin/bash
# A man page against its program's --help: the same options in both, and the
# page clean under man --warnings.
# usage: man_check.sh PROGRAM MANPAGE
set -u
program=$1 page=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

# Option names as words: "--name" or "-x" after a blank, a bracket, a bar or
# a parenthesis, without any "=VALUE"; "--option" is the help's placeholder
# for --option=VALUE.
options() { grep -oE -- '(^|[][ |(,])--?[a-z][a-z0-9-]*' | sed 's/^[][ |(,]//' | grep -vx -- '--option' | sort -u; }

"$program" --help | options >help.options || { echo "FAIL: $program --help"; exit 1; }
# The page's options are the tags of its .TP items, as troff writes \- for -.
awk '/^\.TP/ { getline; print }' "$page" | sed 's/\\-/-/g; s/\\f[BIRP]//g' | options >man.options
if ! diff -u --label "$program --help" --label "$page" help.options man.options; then
  echo "FAIL: the options of --help and of the man page differ"
  exit 1
fi
[ -s help.options ] || { echo "FAIL: no options found"; exit 1; }

warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
if [ -n "$warnings" ]; then
  echo "FAIL: man --warnings on $page:"
  echo "$warnings"
  exit 1
fi
echo "$(wc -l <help.options) options agree"
