#!/usr/bin/env bash
# Builds the demo as a page for the browser (WebGL2, WebAssembly) into
# build-web/: Vendrapolis.html, .js, .wasm and .data (the Data/ folder packed).
#
#   scripts/build-web.sh [BUILD_DIR]      # default build-web
#
# Installs Debian's emscripten when emcc is missing. zlib, libpng and SDL2 are
# built with emcc from Debian's source packages, fetched through a private apt
# configuration that adds the source lines for the archive this machine already
# uses (the system's own sources stay as they are); they are cached in
# BUILD_DIR/deps with the packages' licence files beside them, so only the first
# run takes the few minutes SDL2 needs.
# ZN_WEB_TESTS=1 also builds the engine's non-GL unit tests for node.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-build-web}"
case "$out" in /*) ;; *) out="$here/$out" ;; esac
deps="$out/deps"
prefix="$deps/prefix"
jobs="${ZN_WEB_JOBS:-$(nproc)}"

sudo_cmd=()
if [ "$(id -u)" != 0 ]; then sudo_cmd=(sudo); fi

# Debian's emscripten finds its JavaScript modules (acorn) through NODE_PATH.
export NODE_PATH="/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}"

if ! command -v emcc >/dev/null 2>&1; then
  echo "== installing emscripten"
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends emscripten >/dev/null
fi
for tool in cmake ninja dpkg-source; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq cmake ninja-build dpkg-dev >/dev/null
    break
  fi
done
mkdir -p "$deps" "$prefix"

# ---- the libraries' sources, through a private apt configuration ---------------
apt_dir="$deps/apt"
apt_conf="$apt_dir/apt.conf"
fetch_sources() {
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/archives/partial" "$apt_dir/sources.list.d"
  # The archive the machine installs from, as source lines: deb822 files and
  # one-line lists alike.
  : > "$apt_dir/sources.list"
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    sed -e 's/^Types:.*/Types: deb-src/' "$f" >> "$apt_dir/sources.list.d/system.sources"
    echo >> "$apt_dir/sources.list.d/system.sources"
  done
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    sed -n -e 's/^deb \(.*\)/deb-src \1/p' "$f" >> "$apt_dir/sources.list"
  done
  cat > "$apt_conf" <<EOF
Dir::Etc::SourceList "$apt_dir/sources.list";
Dir::Etc::SourceParts "$apt_dir/sources.list.d";
Dir::State::Lists "$apt_dir/lists";
Dir::Cache::Archives "$apt_dir/archives";
Dir::Cache::pkgcache "";
Dir::Cache::srcpkgcache "";
EOF
  APT_CONFIG="$apt_conf" apt-get update -qq -o APT::Sandbox::User=root
}

# source PACKAGE DIRNAME: unpacks the source package into deps/src/DIRNAME once.
source_package() {
  local package="$1" dir="$2"
  if [ -d "$deps/src/$dir" ]; then return; fi
  [ -f "$apt_conf" ] || fetch_sources
  mkdir -p "$deps/src/fetch-$dir"
  # The newest version first; should its files be missing from a mirror (a
  # security update may be listed before its files arrive), the release's own.
  local codename
  codename="$(. /etc/os-release && echo "${VERSION_CODENAME:-}")"
  if ! (cd "$deps/src/fetch-$dir" && APT_CONFIG="$apt_conf" apt-get source -qq -o APT::Sandbox::User=root \
          "$package" >/dev/null 2>"$deps/src/fetch-$dir.log"); then
    rm -rf "${deps:?}/src/fetch-$dir"/*
    [ -n "$codename" ] || { cat "$deps/src/fetch-$dir.log" >&2; exit 1; }
    echo "   (the newest $package is not on the mirror: taking $package/$codename)"
    (cd "$deps/src/fetch-$dir" && APT_CONFIG="$apt_conf" apt-get source -qq -o APT::Sandbox::User=root \
       "$package/$codename" >/dev/null)
  fi
  rm -f "$deps/src/fetch-$dir.log"
  local unpacked
  unpacked="$(find "$deps/src/fetch-$dir" -mindepth 1 -maxdepth 1 -type d | head -n1)"
  [ -n "$unpacked" ] || { echo "apt-get source $package gave no folder" >&2; exit 1; }
  mv "$unpacked" "$deps/src/$dir"
  rm -rf "$deps/src/fetch-$dir"
}

# keep_licence DIR NAME FILES...: the package's licence texts beside the library.
keep_licence() {
  local dir="$1" name="$2"; shift 2
  mkdir -p "$prefix/licences/$name"
  for f in "$@"; do
    if [ -f "$deps/src/$dir/$f" ]; then cp "$deps/src/$dir/$f" "$prefix/licences/$name/"; fi
  done
}

build_library() {
  local name="$1" stamp="$prefix/.$1.done"
  [ -f "$stamp" ] && return 0
  local start=$(date +%s)
  echo "== building $name for the web"
  case "$name" in
    zlib)
      source_package zlib zlib
      # Debian's zlib source leaves out the Windows files its CMake build names,
      # and the library is fifteen C files: compiled directly.
      mkdir -p "$deps/build-zlib" "$prefix/lib" "$prefix/include"
      local objects=()
      for c in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate \
               inftrees trees uncompr zutil; do
        emcc -O2 -DHAVE_UNISTD_H -DHAVE_STDARG_H -c "$deps/src/zlib/$c.c" -o "$deps/build-zlib/$c.o"
        objects+=("$deps/build-zlib/$c.o")
      done
      rm -f "$prefix/lib/libz.a"
      emar rcs "$prefix/lib/libz.a" "${objects[@]}"
      cp "$deps/src/zlib/zlib.h" "$deps/src/zlib/zconf.h" "$prefix/include/"
      keep_licence zlib zlib LICENSE README debian/copyright
      ;;
    libpng)
      source_package libpng1.6 libpng
      emcmake cmake -S "$deps/src/libpng" -B "$deps/build-libpng" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DPNG_SHARED=OFF -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
        -DPNG_HARDWARE_OPTIMIZATIONS=OFF -DZLIB_LIBRARY="$prefix/lib/libz.a" \
        -DZLIB_INCLUDE_DIR="$prefix/include" -DSKIP_INSTALL_EXECUTABLES=ON -DSKIP_INSTALL_PROGRAMS=ON \
        -DSKIP_INSTALL_FILES=ON >/dev/null
      cmake --build "$deps/build-libpng" -j"$jobs" >/dev/null
      cmake --install "$deps/build-libpng" >/dev/null
      keep_licence libpng libpng LICENSE README debian/copyright
      ;;
    sdl2)
      source_package libsdl2 sdl2
      emcmake cmake -S "$deps/src/sdl2" -B "$deps/build-sdl2" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF \
        -DSDL_PTHREADS=OFF -DSDL_THREADS=OFF >/dev/null
      cmake --build "$deps/build-sdl2" -j"$jobs" >/dev/null
      cmake --install "$deps/build-sdl2" >/dev/null
      keep_licence sdl2 sdl2 LICENSE.txt README.md debian/copyright
      ;;
  esac
  touch "$stamp"
  echo "== $name took $(( $(date +%s) - start )) s"
}

build_library zlib
build_library libpng
build_library sdl2

# ---- the page -----------------------------------------------------------------
echo "== building the page"
tests=OFF
if [ "${ZN_WEB_TESTS:-0}" = 1 ]; then tests=ON; fi
emcmake cmake -S "$here" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DZN_WEB_DEPS="$prefix" -DZN_TESTS="$tests" -DZN_BENCH=OFF -DZN_INSTALL=OFF \
  ${ZN_WERROR:+-DZN_WERROR=$ZN_WERROR} >/dev/null
targets=(Vendrapolis)
if [ "$tests" = ON ]; then targets+=(zn_test_core zn_test_files zn_test_math); fi
cmake --build "$out" -j"$jobs" --target "${targets[@]}"
# The libraries' licences travel with the page.
rm -rf "$out/licences" && cp -r "$prefix/licences" "$out/licences"
echo "== the page: $out/Vendrapolis.html"
ls -l "$out"/Vendrapolis.{html,js,wasm,data} | awk '{ printf "   %-40s %9d bytes\n", $9, $5 }'
