#!/usr/bin/env bash
# Cross-builds ICU 72 for 64-bit Windows from Debian's source package, into a
# cache folder outside the repository that later runs reuse:
#
#   ${VELLOR_CACHE:-$HOME/.cache/vellor}/icu-72-mingw64/   bin/*.dll  lib/*.dll.a  include/
#
# ICU cannot be cross-built on its own: its data and code generators must run
# here, so a native build comes first and the MinGW build borrows its tools
# (--with-cross-build). Tests, samples, extras and the Windows tools are left
# out; only the common, i18n and data libraries matter to us.
#
# The DLLs carry the C++ runtime inside them (libgcc, libstdc++ and winpthread
# linked statically), so they need only system DLLs and each other. ICU's
# MinGW build exports every symbol it links: the runtime's are excluded, or
# the next DLL would see _Unwind_Resume both in its own libgcc and in icuuc.
#
# Prints the install folder (alone on standard output; progress goes to
# standard error). Usage: build-icu-windows.sh [--print-prefix]
set -euo pipefail

cache=${VELLOR_CACHE:-$HOME/.cache/vellor}
prefix=$cache/icu-72-mingw64
stamp=$prefix/.complete
host=x86_64-w64-mingw32
jobs=${JOBS:-$(nproc)}

if [ "${1:-}" = --print-prefix ]; then echo "$prefix"; exit 0; fi
if [ -f "$stamp" ]; then echo "$prefix"; exit 0; fi

# Every build of the tree on this machine shares the cache: a second run
# waits for the first (whose start would otherwise delete the folders the
# first is building in) and then takes its result.
mkdir -p "$cache"
exec 9>"$cache/icu-72-mingw64.lock"
if ! flock -n 9; then
  echo "Waiting for another build of ICU for Windows in $cache" >&2
  flock 9
fi
if [ -f "$stamp" ]; then echo "$prefix"; exit 0; fi

sudo=""; [ "$(id -u)" = 0 ] || sudo=sudo
src_root=$cache/icu-src
work=$cache/icu-build
log=$work/build.log
mkdir -p "$src_root" "$work"

# apt-get source needs deb-src entries; derive them from the deb entries of
# the system's own sources so the source matches the installed ICU.
have_deb_src() { apt-get source --print-uris icu >/dev/null 2>&1; }
if ! have_deb_src; then
  echo "Adding deb-src entries for apt-get source" >&2
  list=/etc/apt/sources.list.d/vellor-deb-src
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | $sudo tee $list.sources >/dev/null
  else
    sed -n 's/^deb \(.*\)$/deb-src \1/p' /etc/apt/sources.list | $sudo tee $list.list >/dev/null
  fi
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -q >/dev/null
fi

src=$(ls -d "$src_root"/icu-72*/source 2>/dev/null | head -n1 || true)
if [ -z "$src" ]; then
  echo "Fetching Debian's ICU source package" >&2
  (cd "$src_root" && apt-get source -q icu >/dev/null)
  src=$(ls -d "$src_root"/icu-72*/source 2>/dev/null | head -n1 || true)
  [ -n "$src" ] || { echo "apt-get source icu gave no ICU 72 source tree in $src_root" >&2; exit 1; }
fi

run() { # runs a build step quietly, showing the log's tail when it fails
  if ! nice -n 10 "$@" >>"$log" 2>&1; then
    echo "failed: $*  (log: $log)" >&2; tail -n 40 "$log" >&2; exit 1
  fi
}
: >"$log"

# Only the static winpthread must be found for -lpthread: a folder holding it
# alone, searched before the toolchain's own (which prefers the import library).
static_libs=$work/static-libs
mkdir -p "$static_libs"
sysroot_lib=/usr/$host/lib
ln -sf "$sysroot_lib/libwinpthread.a" "$static_libs/libpthread.a"
ln -sf "$sysroot_lib/libwinpthread.a" "$static_libs/libwinpthread.a"

common=(--disable-tests --disable-samples --disable-extras --disable-icuio --disable-layoutex)

native=$work/native
if [ ! -f "$native/.complete" ]; then
  echo "Building ICU natively (for its tools) in $native" >&2
  rm -rf "$native"; mkdir -p "$native"
  (cd "$native" && run env CC=gcc CXX=g++ "$src/configure" "${common[@]}" && run make -j"$jobs")
  touch "$native/.complete"
fi

cross=$work/mingw64
echo "Cross-building ICU for $host into $prefix" >&2
rm -rf "$cross" "$prefix"; mkdir -p "$cross"
(cd "$cross" && \
  run env CC=$host-gcc-posix CXX=$host-g++-posix AR=$host-ar RANLIB=$host-ranlib \
      CFLAGS="-O2" CXXFLAGS="-O2" \
      LDFLAGS="-L$static_libs -static-libgcc -static-libstdc++ -Wl,--exclude-libs,ALL" \
      "$src/configure" --host=$host --with-cross-build="$native" --prefix="$prefix" \
      "${common[@]}" --disable-tools --with-data-packaging=library && \
  run make -j"$jobs" && run make install)

# Nothing but system DLLs and ICU's own may be imported.
for dll in "$prefix"/bin/icu*.dll "$prefix"/lib/icu*.dll; do
  [ -f "$dll" ] || continue
  if $host-objdump -p "$dll" | grep -iE 'DLL Name: (libstdc|libgcc|libwinpthread)' >&2; then
    echo "$dll still imports the MinGW runtime" >&2; exit 1
  fi
done
touch "$stamp"
echo "$prefix"
