#!/bin/bash
# Smoke tests of tevaro-cli: exit status, stdout and stderr of each case.
# usage: cli_test.sh CLI EXAMPLES_DIR EXPECTED_DIR CASE
# With REGENERATE=1 the report cases write their expected files instead of
# comparing against them.
set -u

cli=$1 examples=$2 expected=$3 case=$4

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Every case runs in an empty folder, so no settings or data file is found by
# its bare name unless the case puts it there.
cd "$work" || exit 2

fail() {
  echo "FAIL [$case]: $*" >&2
  echo "--- status: $status" >&2
  echo "--- stdout:" >&2
  head -c 2000 out >&2
  echo "--- stderr:" >&2
  head -c 2000 err >&2
  exit 1
}

# run ARGS...: runs the CLI, keeping status, stdout in ./out, stderr in ./err.
run() {
  "$cli" "$@" >out 2>err
  status=$?
}

expect_status() { [ "$status" -eq "$1" ] || fail "exit status $status, expected $1"; }
expect_err() { grep -qF -- "$1" err || fail "stderr lacks: $1"; }
expect_no_stdout() { [ ! -s out ] || fail "stdout is not empty"; }
expect_no_settings_written() { [ ! -e tevaro6.ini ] || fail "the settings file was written"; }
# `KEY = on` in the options file beside the settings gives the report saved
# in ON, and --no-KEY turns it off again (the report saved in OFF).
expect_options_switch() {  # KEY ON OFF run-arguments...
  local key=$1 on=$2 off=$3
  shift 3
  mkdir -p conf
  printf '%s = on\n' "$key" >conf/tevaro-options.ini
  run "$@" --settings conf/tevaro6.ini
  cmp -s out "$on" || fail "$key = on in the options file is not --$key"
  run "$@" --settings conf/tevaro6.ini "--no-$key"
  cmp -s out "$off" || fail "--no-$key does not turn the options file's choice off"
}

# Start-up files by their default names in the current folder.
defaults() { cp "$examples/Location.dat" "$examples/Limits.dat" .; }

# compare NAME: stdout against the stored report, or stores it.
compare() {
  if [ "${REGENERATE:-0}" = 1 ]; then
    cp out "$expected/$1"
    echo "wrote $expected/$1"
    return
  fi
  cmp -s out "$expected/$1" || { diff "$expected/$1" out | head -20 >&2; fail "report differs from $1"; }
}

# pdf_matches_report TEXT PDF: every line of the text report, in order, in
# the PDF's text (pdftotext -layout), once the footers, the headings repeated
# on later pages and the blank lines are left aside; blanks are compared as
# one, as pdftotext sets words by their positions. The footers must count
# the pages pdfinfo gives, 1 to M in order.
pdf_matches_report() {
  local text=$1 pdf=$2 pages
  pdftotext -layout "$pdf" pdf.txt || fail "pdftotext failed on $pdf"
  pages=$(pdfinfo "$pdf" | sed -n 's/^Pages: *//p')
  [ -n "$pages" ] || fail "pdfinfo gives no page count"
  grep -oE 'page [0-9]+ of [0-9]+$' pdf.txt >footers
  seq 1 "$pages" | sed "s/.*/page & of $pages/" >footers.expected
  cmp -s footers footers.expected || fail "footers do not count pdfinfo's $pages pages"
  squeeze() { tr -d '\f' | sed -e 's/  */ /g' -e 's/^ //' -e 's/ $//' | grep -v '^$'; }
  squeeze <"$text" >want
  # The column headings: the two lines above the first line of "=" and that line.
  rule=$(grep -n '^=*$' want | head -1 | cut -d: -f1)
  sed -n "$((rule - 2)),${rule}p" want >headings
  squeeze <pdf.txt | grep -vE 'page [0-9]+ of [0-9]+$' |
    awk 'NR == FNR { h[$0] = 1; next } ($0 in h) { if (seen[$0]++) next } { print }' headings - >got
  cmp -s want got || { diff want got | head -20 >&2; fail "the PDF's text is not the report's lines"; }
  echo "$pages"
}

# controls_in FILE [MORE]: the number of control characters in FILE other
# than LF, CR before LF and those MORE names (a tr set).
controls_in() { LC_ALL=C sed 's/\r$//' "$1" | LC_ALL=C tr -d '\n\040-\176\200-\377'"${2:-}" | wc -c; }
expect_clean() {  # FILE [MORE]
  local n
  n=$(controls_in "$@")
  [ "$n" -eq 0 ] || fail "$n raw control characters in $1"
}

stars=$examples/stars.csv
nights="--stars $stars --date 2011-05-04 --nights 2 --events I,II"

case $case in
  help)
    run --help
    expect_status 0
    grep -q '^usage: tevaro-cli --stars FILE' out || fail "no usage on stdout"
    grep -q -- '--option=VALUE' out || fail "the usage does not tell of --option=VALUE"
    [ ! -s err ] || fail "stderr is not empty"
    ;;
  version)
    # Both programs print the one version CMake gives, on stdout, exit 0.
    for program in "$cli" "$(dirname "$cli")/tevaro"; do
      [ -x "$program" ] || continue
      "$program" --version >out 2>err
      status=$?
      expect_status 0
      [ "$(cat out)" = "$(basename "$program") ${TEVARO_VERSION:?}" ] || fail "$program --version printed '$(cat out)'"
      [ ! -s err ] || fail "stderr is not empty"
    done
    ;;
  option-equals)
    # Every option that takes a value takes it after '=' too, to the same
    # bytes; only the first '=' splits. A switch refuses a value.
    defaults
    cp "$stars" "a=b.csv"
    run --stars "$stars" --locations Location.dat --limits Limits.dat --settings none.ini --site 1 \
        --date 2011-05-04 --nights 2 --max-sun -12 --min-star 25 --events I,II --columns airmass \
        --dst --output spaced.txt
    expect_status 0
    run --stars=a=b.csv --locations=Location.dat --limits=Limits.dat --settings=none.ini --site=1 \
        --date=2011-05-04 --nights=2 --max-sun=-12 --min-star=25 --events=I,II --columns=airmass \
        --dst --output=equals.txt
    expect_status 0
    sed 's/a=b.csv/'"$(basename "$stars")"'/' equals.txt | cmp -s - spaced.txt || fail "--option=value differs from --option value"
    run $nights --longitude=120.3015 --latitude=37.2030 --zone=8
    expect_status 0
    cp out equals
    run $nights --longitude 120.3015 --latitude 37.2030 --zone 8
    cmp -s out equals || fail "--longitude= --latitude= --zone= differ from the spaced forms"
    for switch in --dst --no-dst --ignore-ea --no-ignore-ea --uncertainty --help --version; do
      run $nights "$switch=1"
      expect_status 2
      expect_err "$switch takes no value"
    done
    run $nights --nights=
    expect_status 2
    expect_no_stdout
    ;;
  missing-stars)
    defaults
    run --date 2011-05-04
    expect_status 2
    expect_err "--stars"
    expect_no_stdout
    ;;
  unknown-option)
    defaults
    run $nights --bogus
    expect_status 2
    expect_err "unknown option '--bogus'"
    expect_no_stdout
    ;;
  option-without-value)
    defaults
    run $nights --nights
    expect_status 2
    expect_err "--nights"
    ;;
  bad-star-file)
    defaults
    printf 'Stars\nname,RA,Dec,HJDo,Period\nLone star,1.0,2.0\n' >bad.csv
    run --stars bad.csv --date 2011-05-04
    expect_status 2
    expect_err "bad.csv: line 3:"
    expect_no_stdout
    ;;
  missing-star-file)
    defaults
    run --stars nowhere.csv --date 2011-05-04
    expect_status 2
    expect_err "nowhere.csv"
    ;;
  missing-locations)
    # A missing default start-up file is a file not loaded: the input checks
    # speak first, then the loaded-files check, naming the file.
    cp "$examples/Limits.dat" .
    run $nights --nights 0
    expect_status 2
    expect_err "Hmm!  You probably don't want to calculate for this many days!"
    grep -qF "Load the appropriate" err && fail "the loaded-files check came before the input checks"
    run $nights
    expect_status 2
    expect_err "Load the appropriate file first, please.  To do so, click 'File' on the menu bar."
    expect_err "Location.dat"
    expect_no_stdout
    run $nights --site 1
    expect_status 2
    expect_err "Load the appropriate file first, please."
    ;;
  missing-limits)
    cp "$examples/Location.dat" .
    run $nights
    expect_status 2
    expect_err "Load the appropriate file first, please.  To do so, click 'File' on the menu bar."
    expect_err "Limits.dat"
    # A file named on the command line is reported at once.
    run $nights --limits nowhere.dat --date 1850-01-01
    expect_status 2
    expect_err "nowhere.dat: the file does not exist"
    ;;
  bad-limits-file)
    defaults
    printf 'Limits\nDec, E, W\n0, -3, 3\nten, -4, 4\n' >lim.dat
    run $nights --limits lim.dat
    expect_status 2
    expect_err "lim.dat: line 4:"
    ;;
  site-out-of-range)
    defaults
    run $nights --site 3
    expect_status 2
    expect_err "--site 3"
    run $nights --site -1
    expect_status 2
    expect_err "--site"
    run $nights --site two
    expect_status 2
    expect_err "--site"
    ;;
  bad-date)
    defaults
    # Each part is a field of the window: a part that is empty or not a
    # number is refused with its text, a number meets the field's check.
    for d in -05-04 x-05-04 2011/05/04; do
      run --stars "$stars" --date "$d"
      expect_status 2
      expect_err "The year \""
      expect_err "\" is not a number."
      expect_no_stdout
    done
    for d in 2011--04 2011-May-04 2011; do
      run --stars "$stars" --date "$d"
      expect_status 2
      expect_err "The month \""
      expect_no_stdout
    done
    run --stars "$stars" --date 2011-13-04
    expect_status 2
    expect_err "Well!  The month is not one I know!"
    for d in 2011-05- 2011-05-xx; do
      run $nights --date "$d"
      expect_status 2
      expect_err "The day \""
      expect_no_stdout
    done
    # A day that is not in its month is refused, where the window's fields
    # would carry it into the month before or after; February 29 is a day
    # of a leap year only.
    for d in 2011-05-0 2025-02-30 2011-04-31 2011-05-32 2023-02-29 2100-02-29; do
      run $nights --date "$d"
      expect_status 2
      expect_err "--date takes a calendar date YYYY-MM-DD, not '$d'"
      expect_no_stdout
    done
    run $nights --date 2024-02-29
    [ "$status" -le 1 ] || fail "February 29 of a leap year is refused"
    ;;
  bad-number)
    defaults
    # A value that is not one number, or a place off the globe, runs nothing.
    run $nights --latitude 5O.123
    expect_status 2
    [ "$(cat err)" = 'tevaro-cli: The latitude "5O.123" is not a number.' ] || fail "wrong message for 5O.123"
    expect_no_stdout
    run $nights --longitude 200
    expect_status 2
    expect_err 'The longitude "200" is beyond 180 degrees east or west.'
    run $nights --latitude " 47.2015 "
    expect_status 0
    # A saved site's field that is not one number is refused as when the
    # site is picked with --site, and a zone that is no zone is named when
    # the locations file is read.
    printf '1,2,3,4\r\n1\r\n99.5,-10\r\n3\r\n3\r\n-15.5\r\n25\r\n0,-1,0,-1\r\n9\r\n2\r\n0\r\n' >saved.ini
    for site in "12x, 47.2015, -1" "-11.3, 5O.123, -1" "-11.3, 47.2015, 5x"; do
      printf 'h\nh\nFirst, 1, 2, 3\nSecond, %s\n' "$site" >Location.dat
      run $nights --site 1
      expect_status 2
      cp err picked
      run $nights --settings saved.ini
      expect_status 2
      cmp -s err picked || fail "the saved site [$site] is not checked as --site 1 is"
      grep -q 'is not a number' err || fail "the site [$site] is not refused for its number"
    done
    expect_err 'tevaro-cli: warning: Location.dat: line 4: the time zone "5x" is neither a number of hours nor a zone name the system knows'
    ;;
  bad-events)
    defaults
    for e in III "I,,II" ".5" "i"; do
      run --stars "$stars" --date 2011-05-04 --events "$e"
      expect_status 2
      expect_err "--events"
    done
    # No event wanted: the run finds nothing.
    run --stars "$stars" --date 2011-05-04 --events ""
    expect_status 1
    [ "$(cat err)" = "Sorry!  There is no minimum within this range." ] || fail "no event wanted is not the no-event outcome"
    # Blanks after a comma are allowed.
    run --stars "$stars" --date 2011-05-04 --nights 2 --events "I, .25, II, .75"
    expect_status 0
    cp out spaced
    run --stars "$stars" --date 2011-05-04 --nights 2 --events "I,.25,II,.75"
    cmp -s out spaced || fail "blanks after commas change the report"
    ;;
  bad-columns)
    defaults
    run $nights --columns azimuth
    expect_status 2
    expect_err "--columns"
    ;;
  invalid-input)
    defaults
    run --stars "$stars" --date 2011-05-04 --nights 0
    expect_status 2
    expect_err "Hmm!  You probably don't want to calculate for this many days!"
    expect_no_stdout
    run --stars "$stars" --date 1850-05-04
    expect_status 2
    expect_err "Hey!  The year is not for anyone presently living!"
    run --stars "$stars" --date 2011-13-04
    expect_status 2
    expect_err "Well!  The month is not one I know!"
    run $nights --max-sun 5
    expect_status 2
    expect_err "Mais non!  You probably don't want the Sun above the horizon!"
    run $nights --min-star -5
    expect_status 2
    expect_err "Ha ha!  You probably can't observe stars below the horizon!"
    run $nights --zone 40000
    expect_status 2
    expect_err "time zone"
    # Zones whose night start or daylight hour would wrap around 16 bits.
    run $nights --zone 32767
    expect_status 2
    expect_err "time zone"
    run $nights --zone -32768 --dst
    expect_status 2
    expect_err "time zone"
    expect_no_settings_written
    ;;
  time-model)
    # Named zones and corrected epochs: bad values are refused, the header
    # names the choices, and the options file beside the settings gives the
    # default epochs without ever being written.
    defaults
    # The machine's own zone and the zone folder's other files are no zones.
    for z in Europe/Berln localtime posixrules Factory; do
      run $nights --zone $z
      expect_status 2
      expect_err "The time zone \"$z\" is not one I know"
    done
    run $nights --epochs BJD
    expect_status 2
    expect_err "--epochs takes hjd-as-ut, hjd or bjd, not 'BJD'"
    run $nights --zone Europe/Berlin --epochs bjd
    expect_status 0
    grep -qxF " Time zone = Europe/Berlin (UT+2)" out || fail "no named time-zone line"
    grep -qxF " Epochs: BJD (TDB), corrected for light time to the Earth and from TDB to UTC" out ||
      fail "no epochs line"
    cp out bjd
    run $nights --zone Europe/Berlin
    grep -q "Epochs" out && fail "an epochs line without corrected epochs"
    mkdir conf
    printf 'epochs = bjd\r\nkept = yes\r\n' >conf/tevaro-options.ini
    cp conf/tevaro-options.ini options.before
    run $nights --zone Europe/Berlin --settings conf/tevaro6.ini
    expect_status 0
    cmp -s out bjd || fail "the options file's epochs are not the run's"
    cmp -s conf/tevaro-options.ini options.before || fail "the options file was written"
    [ ! -e conf/tevaro6.ini ] || fail "the settings file was written"
    # Values in capitals are read; one it does not know is named with its line.
    printf 'epochs = BJD\r\nmoon = yes\r\n' >conf/tevaro-options.ini
    run $nights --zone Europe/Berlin --settings conf/tevaro6.ini
    expect_status 0
    cmp -s out bjd || fail "epochs = BJD in the options file is not bjd"
    expect_err 'tevaro-cli: warning: conf/tevaro-options.ini: line 2: moon takes on or off, not "yes"; off is used'
    ;;
  whole-eclipse)
    # --eclipse marks minima only partly observable with " part" and changes
    # nothing else; the options file gives the default, --no-eclipse turns it
    # off, and a star file without durations gives the same bytes either way.
    defaults
    eclipse="--stars $examples/stars-durations.csv --date 2025-01-10 --nights 5 --events I,II"
    run $eclipse
    expect_status 0
    cp out off
    grep -q " part$" off && fail "a part mark without --eclipse"
    run $eclipse --eclipse
    expect_status 0
    cp out on
    grep -q " part$" on || fail "no part mark with --eclipse"
    grep -v " part$" on | grep -q " I \| II " || fail "every minimum marked part"
    sed 's/ part$//' on | cmp -s - off || fail "--eclipse changed more than the part marks"
    expect_options_switch eclipse on off $eclipse
    run $nights --eclipse
    cp out nine
    run $nights
    cmp -s out nine || fail "--eclipse changed a report of stars without durations"
    ;;
  moon)
    # --moon, or moon = on in the options file, ends every night line with
    # the night's Moon and leaves the event lines' columns as they were;
    # without either the report has no Moon. The switch takes no value.
    defaults
    run $nights
    cp out plain
    run $nights --moon
    expect_status 0
    nightLines=$(grep -c ' night ---' out)
    [ "$nightLines" -ge 2 ] || fail "fewer than two night lines"
    [ "$(grep -cE ' night -+ Moon [0-9]+% lit, (up|not up)' out)" = "$nightLines" ] || fail "a night line without its Moon"
    sed -E 's/ Moon [0-9]+% lit, .*$//; s/ moon$//' out | cmp -s - plain || fail "the Moon changed more than the night lines and marks"
    grep -q ' Moon ' plain && fail "a Moon without --moon"
    cp out moon
    expect_options_switch moon moon plain $nights
    run $nights --moon=on
    expect_status 2
    expect_err "--moon takes no value"
    ;;
  uncertainty)
    # --uncertainty, or uncertainty = on in the options file, marks only stars
    # that give errors: a report of stars without them keeps its bytes.
    defaults
    run $nights
    cp out plain
    run $nights --uncertainty
    expect_status 0
    cmp -s out plain || fail "--uncertainty changed a report of stars without errors"
    expect_options_switch uncertainty plain plain $nights
    ;;
  no-event)
    defaults
    printf 'Stars\nname,RA,Dec,HJDo,Period,Type,Max,Min,Comment\nFar south,6.0,-80.0,55000.1,1.5,EA,9,10,x\n' >south.csv
    run --stars south.csv --date 2011-05-04 --nights 3
    expect_status 1
    [ "$(cat err)" = "Sorry!  There is no minimum within this range." ] || fail "stderr is not the no-event message"
    expect_no_stdout
    ;;
  unusable-stars)
    # Stars no run can use are named on stderr; the others are listed.
    defaults
    { head -n 3 "$stars"
      printf 'Fast one,6.0,60.0,55000.25,2.1e-7,EA,9,10,x\n'
      printf 'Bell\033[31mred,6.0,60.0,55000.25,0,EA,9,10,x\n'; } >mixed.csv
    run --stars mixed.csv --date 2011-05-04 --nights 30 --events I,.25,II,.75
    expect_status 0
    expect_err "tevaro-cli: warning: mixed.csv: line 4: Fast one: the period 2.1e-07 days is below 0.004 days"
    expect_err "tevaro-cli: warning: mixed.csv: line 5: Bell [31mred: the period 0 is not a positive number of days; it is left out"
    [ "$(grep -c warning err)" -eq 2 ] || fail "not one warning per unusable star"
    grep -q $'\033' err && fail "an escape character reached the terminal"
    grep -q "Fast one" out && fail "an unusable star was listed"
    [ -s out ] || fail "no report"
    ;;
  report-altaz)
    # Default start-up files, no settings file: the saved site 0 and DST on.
    defaults
    run $nights
    expect_status 0
    [ ! -s err ] || fail "stderr is not empty"
    compare report_altaz.txt
    expect_no_settings_written
    ;;
  report-airmass)
    defaults
    run --stars "$stars" --limits "$examples/Limits.dat" --site 1 --date 2011-07-01 --nights 1 \
        --events I,.25,II,.75 --columns airmass --ignore-ea --no-dst --max-sun -18 --min-star 30
    expect_status 0
    compare report_airmass.txt
    ;;
  report-dec)
    defaults
    run --stars "$stars" --site 0 --longitude -11.3 --latitude 47.2015 --zone -1 --date 2011-10-01 \
        --nights 1 --events I,.75 --columns dec --dst
    expect_status 0
    compare report_dec.txt
    ;;
  output-file)
    defaults
    run $nights
    expect_status 0
    cp out printed
    run $nights -o saved.txt
    expect_status 0
    expect_no_stdout
    [ -s saved.txt ] || fail "no report file"
    sed 's/$/\r/' printed >printed.crlf
    cmp -s saved.txt printed.crlf || fail "the saved report is not the printed one with CR LF line ends"
    [ "$(tail -c 2 saved.txt | od -An -c | tr -d ' ')" = '\r\n' ] || fail "the last line does not end in CR LF"
    run $nights -o "$work/no/such/folder/saved.txt"
    expect_status 2
    expect_err "saved.txt"
    ;;
  telescope-files)
    # --esl, --plan and --targets: the scheduler list valid against its schema,
    # window columns only with --margin; --esl needs --esl-sequence, --margin a
    # number and a window format.
    defaults
    tel="--stars $examples/stars-durations.csv --date 2025-01-10 --nights 3 --events I,II"
    run $tel --csv e.csv --margin 30 --esl e.esl --esl-sequence /seq/minimum.esq --plan e.txt --targets t.csv
    expect_status 0
    xmllint --noout --schema "$TEVARO_ESL_SCHEMA" e.esl 2>err || fail "e.esl fails its schema"
    head -1 e.csv | grep -q ',window_start_utc,window_end_utc' || fail "no window columns with --margin"
    run $tel --csv plain.csv
    head -1 plain.csv | grep -q window_ && fail "window columns without --margin"
    run $tel --esl e.esl
    expect_status 2
    expect_err "--esl FILE needs --esl-sequence FILE.esq"
    run $tel --ics e.ics --margin 30
    expect_status 2
    expect_err "--margin goes with --csv, --esl or --plan"
    run $tel --plan e.txt --margin 3,5
    expect_status 2
    expect_err "--margin takes minutes from 0 to 720, not '3,5'"
    ;;
  events-files)
    # --csv and --ics: to files beside -o, whose report stays the same bytes,
    # or to standard output; a file that cannot be written is named and a
    # file already there is kept.
    defaults
    run $nights -o plain.txt
    expect_status 0
    run $nights -o with.txt --csv events.csv --ics events.ics
    expect_status 0
    expect_no_stdout
    cmp -s plain.txt with.txt || fail "the report changed with --csv and --ics"
    head -c 15 events.ics | grep -q 'BEGIN:VCALENDAR' || fail "events.ics is not iCalendar"
    head -1 events.csv | grep -q '^star,type,event,' || fail "events.csv has no header row"
    run $nights --csv -
    expect_status 0
    cmp -s out events.csv || fail "--csv - differs from the file"
    run $nights --ics=-
    expect_status 0
    [ "$(grep -c '^BEGIN:VEVENT' out)" = "$(($(wc -l <events.csv) - 1))" ] || fail "not one VEVENT per CSV row"
    run $nights --csv - --ics -
    expect_status 2
    expect_err "cannot both write to standard output"
    echo kept >old.csv
    run $nights --csv "$work/no/such/folder/e.csv" --ics old.csv
    expect_status 2
    expect_err "e.csv"
    [ "$(cat old.csv)" = kept ] || fail "a failed run replaced another file"
    run $nights --ics
    expect_status 2
    expect_err "--ics needs a value"
    ;;
  output-names)
    # Two outputs naming one file, however the paths spell it and whether it
    # exists yet, are refused before anything is written; "-" is standard
    # output for every output, one at most.
    defaults
    mkdir d
    echo kept >d/x.txt
    ln -s d/x.txt link
    ln -s d dl
    while read -r first second; do
      run $nights $first $second
      expect_status 2
      expect_err "name the same file"
      expect_no_stdout
      [ "$(ls d)" = x.txt ] && [ "$(cat d/x.txt)" = kept ] || fail "$first $second wrote a file"
    done <<'PAIRS'
-o d/x.txt --csv ./d/x.txt
--csv d/x.txt --ics d/../d/x.txt
--pdf d/x.txt --csv link
--chart dl/x.txt --ics d/x.txt
-o d/new.txt --pdf ./d//new.txt
--plan d/x.txt --targets ./d/x.txt
PAIRS
    # Nor may an output replace a file the run reads.
    cp "$examples/stars.csv" mine.csv
    cp mine.csv mine.orig
    while read -r args; do
      run --stars mine.csv --date 2025-01-10 --nights 3 $args
      expect_status 2
      expect_err "which the run reads"
      cmp -s mine.csv mine.orig && cmp -s Location.dat "$examples/Location.dat" \
        || fail "$args replaced an input"
    done <<'INPUTS'
-o ./mine.csv
--csv Location.dat
--ics d/../tevaro-options.ini
INPUTS
    run $nights -o - --csv -
    expect_status 2
    expect_err "-o - and --csv - cannot both write to standard output"
    run $nights -o saved.txt
    run $nights -o - --csv d/e.csv
    expect_status 0
    cmp -s out saved.txt || fail "-o - is not the saved report on standard output"
    [ ! -e ./- ] && [ -s d/e.csv ] || fail "-o - wrote a file named -, or --csv beside it wrote nothing"
    ;;
  control-names)
    # Names holding control characters reach no output and no message raw.
    # The file names hold all 33 (0x01-0x1F, 0x7F; NUL cannot be in a path or
    # an argument); the star's texts and the site's name hold the 31 that
    # a field of their files can (CR and LF end lines) and NUL.
    all=$(printf "$(printf '\\%03o' {1..31} 127)")
    [ ${#all} -eq 32 ] || fail "the names do not hold every control character"
    line=${all//[$'\r\n']/}
    { printf 'Stars\nname,RA,Dec,HJDo,Period,Type,Max,Min,Comment\n'
      printf 'Star%s\000Z,2.48555,69.3803,43200.3063,1.1952499,E%s\000A,6.18,7.72,c%s\000d\n' "$line" "$line" "$line"
      printf 'Null%s\000Z,2.48555,69.3803,43200.3063,0,EA,6.18,7.72,x\n' "$line"; } >"s$all.csv"
    { printf 'Sites\nName, Lon, Lat, Zone\n'
      printf 'Obs%s\000Z, 120.3015, 50.1230, 8\n' "$line"; } >"l$all.dat"
    cp "$examples/Limits.dat" "m$all.dat"
    names=(--stars "s$all.csv" --locations "l$all.dat" --limits "m$all.dat" --site 0 --date 2025-01-10 --nights 3)
    run "${names[@]}" -o "r$all.txt" --pdf "p$all.pdf" --chart "c$all.svg" --csv "e$all.csv" --ics "i$all.ics"
    expect_status 0
    expect_clean err
    expect_err "warning: s\x01\x02"
    pdftotext -layout "p$all.pdf" pdf.txt || fail "pdftotext failed"
    for file in "r$all.txt" pdf.txt "c$all.svg" "e$all.csv" "i$all.ics"; do
      expect_clean "$file" '\f'
      grep -aq 'Obs  *Z\|Star  *Z' "$file" || fail "the names did not reach $file"
    done
    [ "$(LC_ALL=C tr -cd '\f' <pdf.txt | wc -c)" -eq "$(pdfinfo "p$all.pdf" | sed -n 's/^Pages: *//p')" ] ||
      fail "a form feed in the PDF's text that is not a page's end"
    # Messages that echo a name: an option, a file that is missing, cannot
    # be written or is named twice, a site past the end of the file.
    for option in "--x$all" "--columns=$all" "--csv=./no$all/e.csv" "--site=5" "--pdf=./r$all.txt"; do
      run "${names[@]}" -o "r$all.txt" "$option"
      expect_status 2
      expect_clean err
    done
    run --stars "no$all.csv"
    expect_status 2
    expect_clean err
    expect_err 'no\x01\x02'
    window=$(dirname "$cli")/tevaro
    echo >"f$all"
    QT_QPA_PLATFORM=offscreen "$window" --folder "f$all" >out 2>err &
    pid=$!
    for _ in $(seq 100); do grep -q "is not a folder" err && break; sleep 0.1; done
    sleep 0.2
    kill "$pid" 2>/dev/null
    wait "$pid"
    expect_err "is not a folder"
    expect_clean err
    ;;
  chart-png)
    # The first night with an event as a 1600 x 1000 PNG; nothing on stdout.
    defaults
    run --stars "$stars" --date 2025-01-10 --nights 3 --events I,.25,II,.75 --chart night.png
    expect_status 0
    expect_no_stdout
    [ ! -s err ] || fail "stderr is not empty"
    [ "$(head -c 8 night.png | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "not a PNG"
    size=$(od -An -tu1 -j16 -N8 night.png | tr -s ' ' | sed 's/^ //')
    [ "$size" = "0 0 6 64 0 0 3 232" ] || fail "PNG size bytes $size, not 1600 x 1000"
    run --stars "$stars" --date 2025-01-10 --nights 3 --events I,.25,II,.75 --chart -
    expect_status 0
    cmp -s out night.png && [ ! -e ./- ] || fail "--chart - is not the PNG on standard output"
    ;;
  chart-svg)
    defaults
    run --stars "$stars" --date 2025-01-10 --nights 3 --chart night.svg --chart-night 2025-01-11 -o report.txt
    expect_status 0
    grep -q '<svg' night.svg || fail "not an SVG"
    grep -q 'width="1600' night.svg || fail "SVG not 1600 wide"
    grep -q 'Saturday 11 Jan 2025' night.svg || fail "SVG title lacks the evening of --chart-night"
    [ -s report.txt ] || fail "the report was not written with the chart"
    ;;
  chart-bad-night)
    defaults
    for d in 2025-1-11 9999-99-99 2025-02-30 2025-13-01 2025-00-10 2025-04-00; do
      run --stars "$stars" --chart night.png --chart-night "$d"
      expect_status 2
      expect_err "--chart-night takes an evening date YYYY-MM-DD, not '$d'"
      [ ! -e night.png ] || fail "a chart was written"
    done
    run --stars "$stars" --chart-night 2025-01-11
    expect_status 2
    expect_err "--chart-night goes with --chart FILE"
    ;;
  pdf-altaz|pdf-airmass|pdf-dec)
    # A report of several hundred lines in each column layout.
    defaults
    columns=${case#pdf-}
    long="--stars $stars --date 2025-01-10 --nights 20 --events I,.25,II,.75 --columns $columns"
    run $long
    expect_status 0
    cp out report.txt
    [ "$(wc -l <report.txt)" -ge 300 ] || fail "the report is too short for the test: $(wc -l <report.txt) lines"
    run $long --pdf report.pdf
    expect_status 0
    expect_no_stdout
    [ ! -s err ] || fail "stderr is not empty"
    pages=$(pdf_matches_report report.txt report.pdf)
    [ "$pages" -ge 3 ] || fail "only $pages pages"
    pdfinfo report.pdf | grep -qE '^Page size: +595 x 842 pts \(A4\)' || fail "the default paper is not A4"
    pdfinfo report.pdf | grep -qE '^Title: +.*, evening of 2025-01-10$' || fail "no title of the observatory and date"
    ;;
  pdf-with-output)
    defaults
    run $nights --pdf both.pdf -o both.txt --paper letter
    expect_status 0
    expect_no_stdout
    [ -s both.txt ] || fail "no text report beside the PDF"
    tr -d '\r' <both.txt >both.lf
    pdf_matches_report both.lf both.pdf >/dev/null
    pdfinfo both.pdf | grep -qE '^Page size: +612 x 792 pts \(letter\)' || fail "--paper letter did not give Letter pages"
    run $nights --pdf - -o both2.txt --paper letter
    expect_status 0
    pdf_matches_report both.lf out >/dev/null
    [ ! -e ./- ] || fail "--pdf - wrote a file named -"
    run $nights --pdf "$work/no/such/folder/r.pdf"
    expect_status 2
    expect_err "Could not write $work/no/such/folder/r.pdf"
    run $nights --paper a5 --pdf r.pdf
    expect_status 2
    expect_err "--paper takes a4 or letter"
    run $nights --paper letter
    expect_status 2
    expect_err "--paper goes with --pdf"
    ;;
  *)
    echo "unknown case $case" >&2
    exit 2
    ;;
esac
exit 0
