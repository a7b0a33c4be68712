#!/usr/bin/env bash
# The installed program, end to end: builds the Debian package from a build
# tree with CPack, checks it with lintian (errors fail), unpacks it into a
# fresh root, checks that every library the binary names comes with a package
# in Depends, the hardening of an optimised build, and its files with the
# desktop's own validators, then runs the installed program under Xvfb as a
# user with an empty home whose program folder is read-only (the installed
# case): the main window shows, the options window saves into the user's
# configuration folder, the next start reads them, and a list named on the
# command line opens in the main window. Input is real: xdotool clicks and
# key presses. Screenshots are left in the artefact folder.
#
# Usage: package-test.sh BUILD_DIR ARTEFACT_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
shots=$2
mkdir -p "$shots"
rm -f "$shots"/*.png

export LC_ALL=C.UTF-8
step() { echo "== $*"; }
fail() { echo "FAIL: $*" >&2; exit 1; }

work=$(mktemp -d /tmp/kvilmar-package.XXXXXX)
chmod 755 "$work"
xvfb_pid=""
program_pid=""
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# ---------------------------------------------------------------- the package
step "building the package with CPack from $build"
(cd "$build" && cpack -G DEB -B "$work/deb" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/deb/*.deb)
echo "package: $(basename "$deb")"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# Package names in Depends, alternatives included, without versions.
depends_names=$(tr ',|' '\n\n' <<<"$depends" | sed 's/(.*//; s/[[:space:]]//g')
needs_package() { grep -qx "$1" <<<"$depends_names" || fail "Depends lacks $1${2:+ ($2)}"; }
# What the program reaches at run time without linking it.
for p in libreoffice-writer libreoffice-calc ure qt6-translations-l10n; do
  needs_package "$p"
done
# The office in Russian, with Russian spelling, as a clerk expects it.
dpkg-deb -f "$deb" Recommends | grep -q 'libreoffice-l10n-ru, hunspell-ru | myspell-ru' || fail "Recommends lacks the Russian office"

step "lintian"
lintian_rc=0
lintian --fail-on error --display-info "$deb" >"$work/lintian.log" 2>&1 || lintian_rc=$?
grep -v '^running with root privileges' "$work/lintian.log" || true
[ "$lintian_rc" -eq 0 ] || fail "lintian found errors"

root="$work/root"
step "unpacking into a fresh root $root"
dpkg -x "$deb" "$root"
app=ru.kvilmar.Kvilmar
share="$root/usr/share"
files=(
  usr/bin/kvilmar
  "usr/share/applications/$app.desktop"
  "usr/share/metainfo/$app.metainfo.xml"
  "usr/share/mime/packages/$app.xml"
  "usr/share/icons/hicolor/scalable/apps/$app.svg"
  usr/share/man/man1/kvilmar.1.gz
  usr/share/doc/kvilmar/copyright
  usr/share/doc/kvilmar/changelog.gz
  usr/share/lintian/overrides/kvilmar
)
for size in 16 32 48 64 128 256; do
  files+=("usr/share/icons/hicolor/${size}x${size}/apps/$app.png")
done
for f in "${files[@]}"; do
  [ -f "$root/$f" ] || fail "missing /$f"
done
echo "all ${#files[@]} files present"
bin="$root/usr/bin/kvilmar"
[ -x "$bin" ] || fail "kvilmar is not executable"
runpath=$(readelf -d "$bin" | sed -n 's/.*R\(UN\)\?PATH.*\[\(.*\)\]/\2/p')
[ "$runpath" = /usr/lib/libreoffice/program ] || fail "run path \"$runpath\", not the office's program folder alone"
zcat "$root/usr/share/doc/kvilmar/changelog.gz" >"$work/changelog"
[ "$(dpkg-parsechangelog -l "$work/changelog" -S Version)" = "$(dpkg-deb -f "$deb" Version)" ] \
  || fail "the changelog's newest entry is not the package's version"

step "every library the binary names comes with a package in Depends"
for lib in $(objdump -p "$bin" | awk '$1 == "NEEDED" { print $2 }'); do
  # Where the loader finds it; dpkg may know a /lib file under /usr/lib.
  path=$(ldd "$bin" | awk -v lib="$lib" '$1 == lib && $2 == "=>" { print $3 } $1 ~ "/" lib "$" { print $1 }')
  [ -e "$path" ] || fail "the loader does not find $lib"
  owner=$(dpkg-query -S "$path" 2>/dev/null || dpkg-query -S "/usr$path" 2>/dev/null) || fail "no package ships $path"
  needs_package "${owner%%:*}" "$lib"
  echo "$lib: ${owner%%:*}"
done

step "hardening"
cache_value() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
build_type=$(cache_value CMAKE_BUILD_TYPE)
if [ "$(cache_value KVILMAR_SANITIZE)" != ON ] && [[ $build_type =~ ^(Release|RelWithDebInfo|MinSizeRel)$ ]]; then
  readelf -lW "$bin" | grep -q GNU_RELRO || fail "no read-only relocations (relro)"
  readelf -d "$bin" | grep -q 'FLAGS.*BIND_NOW' || fail "symbols are not bound at start (bindnow)"
  imports=$(nm -D --undefined-only "$bin")
  grep -q ' __stack_chk_fail@' <<<"$imports" || fail "no stack protector"
  grep -Eq ' __[a-z0-9]+_chk@' <<<"$imports" || fail "no checked buffer functions (fortify)"
  echo "relro, bindnow, stack protector, checked buffer functions"
else
  echo "not checked: hardening belongs to optimised builds without sanitizers, this is ${build_type:-a plain build}"
fi

step "icons"
for size in 16 32 48 64 128 256; do
  got=$(identify -format '%wx%h' "$share/icons/hicolor/${size}x${size}/apps/$app.png")
  [ "$got" = "${size}x${size}" ] || fail "icon ${size}: $got"
done
rsvg-convert -w 16 "$share/icons/hicolor/scalable/apps/$app.svg" >/dev/null || fail "scalable icon"
echo "six sizes and the scalable one"

step "desktop-file-validate"
desktop-file-validate "$share/applications/$app.desktop" || fail "desktop entry"
grep -qx 'Exec=kvilmar %f' "$share/applications/$app.desktop" || fail "Exec line"
step "appstreamcli validate --no-net"
appstreamcli validate --no-net "$share/metainfo/$app.metainfo.xml" || fail "metainfo"
grep -q "release version=\"$(dpkg-deb -f "$deb" Version)\"" "$share/metainfo/$app.metainfo.xml" \
  || fail "the metainfo's release is not the package's version"

step "MIME entry: xmllint, update-mime-database, update-desktop-database"
xmllint --noout "$share/mime/packages/$app.xml" || fail "MIME entry is not well-formed"
cp -r "$share" "$work/share"
XDG_DATA_DIRS="$work/share" update-mime-database "$work/share/mime" 2>"$work/mime.err" || fail "update-mime-database"
[ -s "$work/mime.err" ] && { cat "$work/mime.err"; fail "update-mime-database complained"; }
grep -Eqx '[0-9]+:application/x-kvilmar-list:\*\.fdp:cs' "$work/share/mime/globs2" || fail "no case-sensitive *.fdp glob"
grep -q 'application/x-kvilmar-list text/plain' "$work/share/mime/subclasses" || fail "not a text file"
update-desktop-database "$work/share/applications" || fail "update-desktop-database"
grep -qx "application/x-kvilmar-list=$app.desktop;" "$work/share/applications/mimeinfo.cache" \
  || fail ".fdp files do not open with Kvilmar"
echo "*.fdp -> application/x-kvilmar-list -> $app.desktop"

step "man page: man --warnings, lexgrog"
man --warnings -E UTF-8 -l "$share/man/man1/kvilmar.1.gz" >"$work/man.txt" 2>"$work/man.err" || fail "man"
[ -s "$work/man.err" ] && { cat "$work/man.err"; fail "man page warnings"; }
lexgrog "$share/man/man1/kvilmar.1.gz" || fail "lexgrog"
for section in SYNOPSIS OPTIONS FILES ENVIRONMENT; do
  grep -q "^$section" "$work/man.txt" || fail "man page lacks $section"
done

# ------------------------------------------------------- the installed program
# The installed folder is read-only for the user who runs the program: root
# (as on CI) runs it as nobody, anyone else gets a write-protected tree.
chmod -R a-w "$root"
home="$work/home"
runtime="$work/run"
mkdir -p "$home" "$runtime"
chmod 700 "$runtime"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chown nobody:nogroup "$home" "$runtime"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
config="$home/.config/Квилмар"

step "Xvfb"
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$work/display")"
echo "display $DISPLAY"

# A sanitizer build checks for leaks at every exit, with the tests'
# suppressions (LSAN_OPTIONS from CTest), copied where the user can read them.
lsan_options=${LSAN_OPTIONS:-}
case "$lsan_options" in
  suppressions=*)
    supp=${lsan_options#suppressions=}
    cp "${supp%%:*}" "$work/lsan.supp"
    chmod 644 "$work/lsan.supp"
    lsan_options="suppressions=$work/lsan.supp${supp#"${supp%%:*}"}"
    ;;
esac

# Polls until the command succeeds; fails naming what did not come.
wait_for() {
  for _ in $(seq 300); do "${@:2}" && return 0; sleep 0.1; done
  cat "$work/program.log"; fail "$1 did not come"
}

start_program() {
  env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$runtime" DISPLAY="$DISPLAY" \
    XDG_DATA_DIRS="$root/usr/share:/usr/share" LANG=C.UTF-8 QT_QPA_PLATFORM=xcb LSAN_OPTIONS="$lsan_options" \
    "${as_user[@]}" "$root/usr/bin/kvilmar" "$@" >>"$work/program.log" 2>&1 &
  program_pid=$!
}

# Waits for a visible window whose title is exactly $1 and prints its id.
wait_window() {
  local id
  id=$(timeout 60 xdotool search --sync --onlyvisible --name "^$1\$" | head -n1) || true
  [ -n "$id" ] || { cat "$work/program.log"; fail "no window \"$1\""; }
  sleep 0.7   # let it paint
  echo "$id"
}

# Waits for the program to end by itself, with its exit status 0.
wait_gone() {
  local status=0
  for _ in $(seq 300); do
    if ! kill -0 "$program_pid" 2>/dev/null; then
      wait "$program_pid" || status=$?
      program_pid=""
      [ "$status" -eq 0 ] || { cat "$work/program.log"; fail "the program ended with $status"; }
      return 0
    fi
    sleep 0.1
  done
  fail "the program did not end"
}

shot() {
  import -window root "$shots/$1.png"
  echo "screenshot $shots/$1.png"
}

visible_windows() { xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null | wc -l; }

# Opens the main window's menu bar at "Файл" with a click, waits for the menu,
# then moves with keys.
menu_keys() {
  local window=$1 before
  shift
  before=$(visible_windows)
  eval "$(xdotool getwindowgeometry --shell "$window")"
  xdotool mousemove $((X + 16)) $((Y + 10)) click 1
  for _ in $(seq 100); do [ "$(visible_windows)" -gt "$before" ] && break; sleep 0.1; done
  [ "$(visible_windows)" -gt "$before" ] || fail "the File menu did not open"
  sleep 0.3
  for k in "$@"; do xdotool key "$k"; sleep 0.4; done
}

step "first start: empty home, read-only program folder"
start_program
main=$(wait_window "Квилмар")
shot 1-main-window
[ -z "$(ls -A "$config" 2>/dev/null)" ] || fail "settings before any save"

step "Правка → Настройка: switch on the start window option, «Сохранить»"
menu_keys "$main" Right Up Return
wait_window "Настройка параметров программы" >/dev/null
# Focus starts on «Изменить...»; then the two check boxes, «Справка», «Сохранить».
xdotool key Tab space
sleep 0.3
shot 2-options-window
xdotool key Tab Tab Tab
sleep 0.3
xdotool key space
switches_saved() { [ "$(od -An -tx1 "$config/nstrbol.dan" 2>/dev/null | tr -d ' \n')" = "0100" ]; }
wait_for "nstrbol.dan holding 01 00 in $config" switches_saved
[ "$(stat -c %s "$config/nstrfon.dan")" -eq 268 ] || fail "nstrfon.dan is not one 268-byte record"
echo "saved in $config: nstrbol.dan 01 00, nstrfon.dan 268 bytes"

step "Файл → Выход"
menu_keys "$main" Up Return
wait_gone

step "second start: the saved option offers the file selection window"
start_program
start=$(wait_window "Выбор файлов")
shot 3-start-window-offered
xdotool key Escape   # «Прервать», then «Да»
wait_window "Подтверждение" >/dev/null
xdotool key Return
wait_gone

step "third start: kvilmar LIST.fdp opens the list in the main window"
printf '2\r\n19\r\n#FIO#\r\nname\r\nIvanov\r\n#DATE#\r\n\r\n01.02.2003\r\n' >"$work/list.fdp"
chmod 644 "$work/list.fdp"
start_program "$work/list.fdp"
main=$(wait_window "Квилмар")
shot 4-list-from-command-line
menu_keys "$main" Up Return
wait_gone
grep -q "^1$work/list.fdp" "$config/nstrtxt.dan" || { cat "$config/nstrtxt.dan"; fail "the list was not remembered"; }
echo "nstrtxt.dan in $config remembers $work/list.fdp"

[ -z "$(find "$root" -name '*.dan')" ] || fail "settings written into the installed folder"
if grep -E "ERROR: AddressSanitizer|runtime error:" "$work/program.log"; then fail "the program reported a fault"; fi
echo "package test: every check passed"
