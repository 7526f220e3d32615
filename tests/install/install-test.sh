#!/bin/sh
# install-test.sh BUILD_DIR BIN_DIR: installs the build to a temporary prefix and checks what a
# user and a desktop get: the installed ruzi-render renders the bundled loop from another folder,
# byte for byte what the build's does; the window program answers through its link; the desktop
# entry passes desktop-file-validate; the MIME type is well-formed XML with the song's globs and magic;
# the icons are there.
set -eu
build=$1
bin=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "install test: $*" >&2; exit 1; }
# The window program's memory tracker writes its report here, not into the home folder.
export XDG_STATE_HOME="$work/state"

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log" >&2; fail "cmake --install failed"; }

lib=$prefix/lib/ruzi-zevivuvo
for f in ruzi-render data/newsong.vdl samples/BD_std.wav skin/skin.dat; do
  [ -e "$lib/$f" ] || fail "$lib/$f is missing"
done
[ -L "$prefix/bin/ruzi-render" ] || fail "no link $prefix/bin/ruzi-render"

# From a folder of its own, with the build tree out of reach of its working directory.
mkdir "$work/elsewhere" "$work/reference"
(cd "$work/elsewhere" && "$prefix/bin/ruzi-render" --quiet) || fail "the installed ruzi-render failed"
(cd "$work/reference" && "$bin/ruzi-render" --quiet) || fail "the build's ruzi-render failed"
cmp "$work/elsewhere/newsong.wav" "$work/reference/newsong.wav" || fail "the installed render differs from the build's"

if [ -e "$bin/ruzi-zevivuvo" ]; then
  [ -L "$prefix/bin/ruzi-zevivuvo" ] || fail "no link $prefix/bin/ruzi-zevivuvo"
  (cd "$work/elsewhere" && "$prefix/bin/ruzi-zevivuvo" --version) | grep -q "^ruzi-zevivuvo " ||
    fail "the installed ruzi-zevivuvo --version"

  entry=$prefix/share/applications/ruzi-zevivuvo.desktop
  command -v desktop-file-validate >/dev/null || fail "desktop-file-validate is missing (scripts/deps.sh installs it)"
  desktop-file-validate "$entry" || fail "desktop-file-validate rejects $entry"
  grep -qx 'Exec=ruzi-zevivuvo %f' "$entry" || fail "the entry does not open songs with the program"

  mime=$prefix/share/mime/packages/ruzi-zevivuvo.xml
  command -v xmllint >/dev/null || fail "xmllint is missing (scripts/deps.sh installs it)"
  xmllint --noout "$mime" || fail "$mime is not well-formed"
  for pattern in 'glob pattern="\*\.vdl"' 'glob pattern="\*\.VDL"' 'match type="string" offset="0" value="VSF1"'; do
    grep -q "$pattern" "$mime" || fail "$mime has no $pattern"
  done
  # The magic is what the bundled song starts with.
  [ "$(head -c 4 "$lib/data/newsong.vdl")" = VSF1 ] || fail "the bundled song does not start with VSF1"

  for size in 48x48 128x128; do
    for icon in apps/ruzi-zevivuvo.png mimetypes/application-x-vandrelstudio-song.png; do
      f=$prefix/share/icons/hicolor/$size/$icon
      [ "$(od -An -c -N4 "$f" 2>/dev/null | tr -d ' ')" = "211PNG" ] || fail "$f is not a PNG"
    done
  done
fi
echo "install test: passed"
