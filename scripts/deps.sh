#!/bin/sh
# Installs, by Debian package name, what building and testing Korvexa needs.
# Does nothing when everything is already there; needs root (or sudo) otherwise.
set -eu

packages="cmake ninja-build g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools googletest \
clang clang-format libclang-rt-14-dev pkg-config libunicorn-dev wine wine64 xvfb xauth x11-utils \
imagemagick locales python3 fonts-dejavu-core fonts-droid-fallback"

missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

if [ -n "$missing" ]; then
  echo "deps: installing$missing"
  as_root apt-get update -q
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q $missing
fi

# Wine takes its ANSI code page from the locale: the shell's users run code page 936.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  echo "deps: generating the zh_CN.UTF-8 locale"
  as_root sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  as_root locale-gen >/dev/null
fi
