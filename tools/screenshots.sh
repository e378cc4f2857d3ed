#!/bin/sh
# Screenshots of the five pages of the main window, into screenshots/.
# Builds the screenshot program (tooldb-screenshots, tools/screenshot_tour.cpp:
# the program with a scripted login and a tour of its windows) and the
# sample-database writer, writes a sample database with pictures into a
# temporary program folder, runs a copy of the screenshot program there under
# a virtual X server, logs in as "Администратор" and saves every page.
#   tools/screenshots.sh [build-folder]      (default: build)
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
case "$build" in /*) ;; *) build=$root/$build ;; esac

cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j2 --target tooldb tooldb-screenshots >/dev/null
if ! cmake --build "$build" -j2 --target tooldb-sample >/dev/null 2>&1 || [ ! -x "$build/bench/tooldb-sample" ]; then
    echo "screenshots.sh: tooldb-sample cannot be built yet; no sample database, no screenshots" >&2
    exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
"$build/bench/tooldb-sample" "$work/db_instr.db" --images "$work" --password 123 >/dev/null
# The program folder is the executable's folder: put a copy of the screenshot
# program beside the sample pictures, with the placeholder the program ships.
cp "$build/tools/tooldb-screenshots" "$work/"
mkdir -p "$work/Images/NoFoto"
cp "$build/app/Images/NoFoto/null_img_1.jpg" "$work/Images/NoFoto/"

(cd "$work" && LC_ALL=C.UTF-8 xvfb-run -a -s "-screen 0 1400x900x24" ./tooldb-screenshots "$work/shots" 123)

mkdir -p "$root/screenshots"
set -- sverla frezy derj_plast plastiny dolgi
page=0
for name in "$@"; do
    if [ ! -f "$work/shots/page-$page.png" ]; then
        echo "screenshots.sh: page $page was not saved" >&2
        exit 1
    fi
    cp "$work/shots/page-$page.png" "$root/screenshots/page-$page-$name.png"
    page=$((page + 1))
done
for name in people people-editor firms accounts; do
    [ -f "$work/shots/$name.png" ] && cp "$work/shots/$name.png" "$root/screenshots/$name.png"
done
echo "screenshots saved in $root/screenshots"
