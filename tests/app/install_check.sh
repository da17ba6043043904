#!/bin/bash
# The install tree: cmake --install into a temporary prefix, then what an
# installed system would see.
# usage: install_check.sh BUILD_DIR VERSION GUI(0|1)
set -u
build=$1 version=$2 gui=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; fail "cmake --install"; }
share=$prefix/share
for f in bin/tevaro-cli share/tevaro/examples/Location.dat share/tevaro/examples/Limits.dat \
         share/tevaro/examples/stars.csv share/tevaro/examples/stars-named.csv share/applications/org.tevaro.Tevaro.desktop \
         share/icons/hicolor/scalable/apps/tevaro.svg share/metainfo/org.tevaro.Tevaro.metainfo.xml \
         share/man/man1/tevaro.1.gz share/man/man1/tevaro-cli.1.gz \
         share/doc/tevaro/copyright share/doc/tevaro/changelog.gz; do
  [ -f "$prefix/$f" ] || fail "not installed: $f"
done
[ "$gui" != 1 ] || [ -x "$prefix/bin/tevaro" ] || fail "not installed: bin/tevaro"

# The README's example, run by the installed program from another folder,
# gives the build's report byte for byte.
mkdir "$work/elsewhere" && cd "$work/elsewhere" || fail "no folder"
ex=$share/tevaro/examples
"$prefix/bin/tevaro-cli" --stars "$ex/stars.csv" --locations "$ex/Location.dat" --limits "$ex/Limits.dat" \
  --date 2025-01-10 --nights 3 --events I,II >installed.txt || fail "the installed tevaro-cli failed"
"$build/tevaro-cli" --stars "$ex/stars.csv" --locations "$ex/Location.dat" --limits "$ex/Limits.dat" \
  --date 2025-01-10 --nights 3 --events I,II >built.txt || fail "the built tevaro-cli failed"
cmp -s installed.txt built.txt || fail "the installed tevaro-cli's report differs from the build's"
[ "$(wc -l <installed.txt)" -gt 14 ] || fail "the example report lists no event"
[ "$("$prefix/bin/tevaro-cli" --version)" = "tevaro-cli $version" ] || fail "installed --version"

desktop-file-validate "$share/applications/org.tevaro.Tevaro.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$share/metainfo/org.tevaro.Tevaro.metainfo.xml" || fail "appstreamcli validate"
grep -q "<release version=\"$version\"" "$share/metainfo/org.tevaro.Tevaro.metainfo.xml" || fail "metainfo release is not $version"
for page in tevaro tevaro-cli; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man --warnings $page: $warnings"
done

[ "$gui" = 1 ] || exit 0
# The installed window program in a new folder: the folder is made and given
# the installed start-up files. The window runs until it is stopped; stopped
# without Exit it writes no settings.
QT_QPA_PLATFORM=offscreen timeout 5 "$prefix/bin/tevaro" --folder "$work/home/Tevaro" 2>tevaro.err
cmp -s "$work/home/Tevaro/Location.dat" "$ex/Location.dat" || fail "--folder: no copy of Location.dat"
cmp -s "$work/home/Tevaro/Limits.dat" "$ex/Limits.dat" || fail "--folder: no copy of Limits.dat"
cmp -s "$work/home/Tevaro/stars.csv" "$ex/stars.csv" || fail "--folder: no copy of stars.csv in the new folder"
[ "$(ls "$work/home/Tevaro" | wc -l)" -eq 3 ] ||
  fail "--folder wrote more than the three copies: $(ls "$work/home/Tevaro")"
# --user-folder is the home folder's Tevaro.
HOME=$work/home2 QT_QPA_PLATFORM=offscreen timeout 5 "$prefix/bin/tevaro" --user-folder 2>tevaro.err
[ -f "$work/home2/Tevaro/Location.dat" ] && [ -f "$work/home2/Tevaro/stars.csv" ] ||
  fail "--user-folder did not make ~/Tevaro with its star file"
# A folder that cannot be created: the reason on stderr (and in a box, left
# open until the timeout), nothing written.
echo "a file" >"$work/file"
QT_QPA_PLATFORM=offscreen timeout 5 "$prefix/bin/tevaro" --folder "$work/file/Tevaro" 2>tevaro.err
grep -q "cannot create the folder '$work/file/Tevaro'" tevaro.err || fail "--folder under a file: $(cat tevaro.err)"
[ "$(cat "$work/file")" = "a file" ] || fail "--folder under a file changed the file"
[ ! -e tevaro6.ini ] && [ ! -e "$work/tevaro6.ini" ] || fail "--folder under a file wrote a settings file"
echo "install tree checked"
