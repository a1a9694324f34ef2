#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from this build folder and checks what it holds: the program, its
# data, the desktop entry, icon, MIME type, manual page and documents, each with its mode, and
# run-time dependencies computed from the binaries, its licence, its AppStream metainfo (the
# validator), the hardening of both programs (hardening-check). Does not install it.
# Usage: check-deb.sh CPACK BUILD_DIR
set -euo pipefail
cpack=$1
build=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$out" > "$out/cpack.log" 2>&1 || { cat "$out/cpack.log"; exit 1; }
deb=$(ls "$out"/tessaly_*_*.deb)
echo "package: $(basename "$deb")"
listing=$(dpkg-deb -c "$deb")
failed=0
expect() {  # MODE PATH
  if ! grep -qE "^$1 root/root +[0-9]+ [0-9-]+ [0-9:]+ \./usr/$2\$" <<<"$listing"; then
    echo "missing or wrong mode: $1 /usr/$2"
    failed=1
  fi
}
expect -rwxr-xr-x bin/tessaly
expect -rwxr-xr-x bin/tessaly-check
expect -rwxr-xr-x bin/tessaly-drill
expect -rwxr-xr-x bin/tessaly-align
expect -rw-r--r-- share/tessaly/pinyin.txt
expect -rw-r--r-- share/tessaly/words.txt
expect -rw-r--r-- share/tessaly/spelling-variants.txt
expect -rw-r--r-- share/applications/tessaly.desktop
expect -rw-r--r-- share/icons/hicolor/scalable/apps/tessaly.svg
expect -rw-r--r-- share/icons/hicolor/256x256/apps/tessaly.png
expect -rw-r--r-- share/mime/packages/tessaly-mime.xml
expect -rw-r--r-- share/man/man1/tessaly.1.gz
expect -rw-r--r-- share/man/man1/tessaly-check.1.gz
expect -rw-r--r-- share/man/man1/tessaly-drill.1.gz
expect -rw-r--r-- share/man/man1/tessaly-align.1.gz
expect -rw-r--r-- share/doc/tessaly/copyright
expect -rw-r--r-- share/doc/tessaly/changelog.gz
expect -rw-r--r-- share/tessaly/0091.htm
expect -rw-r--r-- share/metainfo/io.github.tessaly.tessaly.metainfo.xml
expect -rw-r--r-- share/tessaly/900_8.dat
expect -rw-r--r-- share/tessaly/voice/样例课文.wav
expect -rw-r--r-- share/tessaly/voice/样例课文.mp3
expect -rw-r--r-- share/tessaly/voice/样例课文.lst
if grep -vE '^(d|-)' <<<"$listing" | grep -q .; then
  echo "unexpected entries (links or devices):"
  grep -vE '^(d|-)' <<<"$listing"
  failed=1
fi
if grep -qE '\./(etc|opt|usr/local)/' <<<"$listing"; then
  echo "files outside /usr"
  failed=1
fi
depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libavformat59 libavcodec59 libsdl2-2.0-0 libc6; do
  grep -q "$library" <<<"$depends" || { echo "Depends lacks $library: $depends"; failed=1; }
done
[ "$(dpkg-deb -f "$deb" Package)" = tessaly ] || { echo "wrong package name"; failed=1; }
description=$(dpkg-deb -f "$deb" Description)  # not piped into grep -q: pipefail would see a broken pipe
grep -q '听写' <<<"$description" || { echo "no Chinese description"; failed=1; }
dpkg-deb -x "$deb" "$out/tree"
# The licence, in Debian's machine-readable form.
grep -q '^License: GPL-3.0-or-later' "$out/tree/usr/share/doc/tessaly/copyright" ||
  { echo "copyright names no GPL-3.0-or-later"; failed=1; }
# The software centres' validator on the installed tree: no error, no warning.
appstreamcli validate-tree --no-net "$out/tree" > "$out/appstream.log" 2>&1 ||
  { echo "the installed metainfo does not validate:"; cat "$out/appstream.log"; failed=1; }
# Every program hardened: stack protector, fortified calls, PIE, read-only relocations, bindnow.
# Not control-flow protection: Debian 12's start-up files carry no CET marks, so no program
# linked here can have it (and Debian 12's own flags do not ask for it).
for binary in tessaly tessaly-check tessaly-drill tessaly-align; do
  hardening-check --nocfprotection "$out/tree/usr/bin/$binary" > "$out/hardening.log" 2>&1 ||
    { echo "$binary is not hardened:"; cat "$out/hardening.log"; failed=1; }
done
exit $failed
