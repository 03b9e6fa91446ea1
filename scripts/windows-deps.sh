#!/usr/bin/env bash
# Builds what the Windows program links statically, once, into
# build/windows/deps: wxWidgets 3.2 (wxMSW), libjpeg-turbo, Brotli,
# GoogleTest and expat (for the tests),
# cross-compiled with MinGW-w64 from Debian's own source packages. Each part
# leaves a stamp file; a later run skips what is already built.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
win=$root/build/windows
deps=$win/deps
src=$win/src
jobs=${JOBS:-2}
host=x86_64-w64-mingw32
mkdir -p "$deps" "$src"

stamp() { [ -e "$deps/.stamp-$1" ]; }
done_stamp() { touch "$deps/.stamp-$1"; }

if stamp wx && stamp jpeg && stamp brotli && stamp gtest && stamp expat && stamp cli11 &&
   dpkg-query -W -f='${Status}' libz-mingw-w64-dev 2>/dev/null | grep -q 'install ok installed'; then exit 0; fi

# Packages, only the missing: the cross compilers and zlib, the SIMD assembler, dpkg-dev
# to unpack source packages, and Wine with a virtual display and xdotool
# for the tests.
packages=(g++-mingw-w64-x86-64 mingw-w64-tools libz-mingw-w64-dev wine wine64 nasm xvfb xauth xdotool dpkg-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  # Others may be installing at the same time: wait for the package lock.
  lock=(-o DPkg::Lock::Timeout=900)
  $sudo apt-get "${lock[@]}" update -qq >/dev/null
  $sudo apt-get "${lock[@]}" install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Source packages through a private apt list, leaving the system's apt
# configuration alone; the mirror is the one the system already uses.
fetch_sources() {
  local apt=$win/apt
  mkdir -p "$apt/lists/partial"
  local uri
  uri=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -1)
  [ -n "$uri" ] || uri=http://deb.debian.org/debian
  echo "deb-src $uri bookworm main" > "$apt/sources.list"
  local opts=(-o "Dir::Etc::SourceList=$apt/sources.list" -o Dir::Etc::SourceParts=/nonexistent
              -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache")
  apt-get "${opts[@]}" -qq update
  (cd "$src" && apt-get "${opts[@]}" -qq source "$@")
}

need=()
stamp wx || [ -d "$src"/wxwidgets3.2-* ] 2>/dev/null || need+=(wxwidgets3.2)
stamp jpeg || [ -d "$src"/libjpeg-turbo-* ] 2>/dev/null || need+=(libjpeg-turbo)
stamp expat || [ -d "$src"/expat-* ] 2>/dev/null || need+=(expat)
stamp brotli || [ -d "$src"/brotli-* ] 2>/dev/null || need+=(brotli)
[ ${#need[@]} -eq 0 ] || fetch_sources "${need[@]}"

if ! stamp jpeg; then
  echo "building libjpeg-turbo for Windows"
  start=$SECONDS
  jsrc=$(ls -d "$src"/libjpeg-turbo-*/ | head -1)
  cmake -S "$jsrc" -B "$win/build-jpeg" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$deps" -DENABLE_SHARED=0 -DWITH_SIMD=1 \
    -DWITH_JAVA=0 -DCMAKE_POSITION_INDEPENDENT_CODE=ON >/dev/null
  # The program uses the TurboJPEG interface alone: only that library, none
  # of the tools and test programs, put in place by hand (the package's
  # install step would build them all).
  cmake --build "$win/build-jpeg" -j"$jobs" --target turbojpeg-static >/dev/null
  mkdir -p "$deps/lib/pkgconfig" "$deps/include"
  cp "$win/build-jpeg/libturbojpeg.a" "$deps/lib/"
  cp "$jsrc/turbojpeg.h" "$deps/include/"
  cp "$win/build-jpeg/pkgscripts/libturbojpeg.pc" "$deps/lib/pkgconfig/"
  echo "libjpeg-turbo: $((SECONDS - start)) s"
  done_stamp jpeg
fi

if ! stamp brotli; then
  echo "building Brotli for Windows"
  start=$SECONDS
  # The static libraries alone (JPEG XL's compressed metadata boxes).
  bsrc=$(ls -d "$src"/brotli-*/ | head -1)
  cmake -S "$bsrc" -B "$win/build-brotli" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$deps" -DBROTLI_DISABLE_TESTS=ON >/dev/null
  cmake --build "$win/build-brotli" -j"$jobs" --target brotlienc-static brotlidec-static brotlicommon-static >/dev/null
  mkdir -p "$deps/lib" "$deps/include"
  cp "$win/build-brotli"/libbrotli{enc,dec,common}-static.a "$deps/lib/"
  cp -r "$bsrc/c/include/brotli" "$deps/include/"
  echo "Brotli: $((SECONDS - start)) s"
  done_stamp brotli
fi

if ! stamp gtest; then
  echo "building GoogleTest for Windows"
  start=$SECONDS
  # GoogleTest alone: the tests use no mocks.
  cmake -S /usr/src/googletest -B "$win/build-gtest" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$deps" -Dgtest_disable_pthreads=OFF \
    -DBUILD_GMOCK=OFF >/dev/null
  cmake --build "$win/build-gtest" -j"$jobs" >/dev/null
  cmake --install "$win/build-gtest" >/dev/null
  echo "GoogleTest: $((SECONDS - start)) s"
  done_stamp gtest
fi

# CLI11 is headers only, the same for both systems; a copy of its own keeps
# the host's other headers out of the Windows build.
if ! stamp cli11; then
  [ -e /usr/include/CLI/CLI.hpp ] || { echo "CLI11 is missing: run make deps"; exit 1; }
  mkdir -p "$deps/include"
  cp -r /usr/include/CLI "$deps/include/"
  done_stamp cli11
fi

if ! stamp expat; then
  echo "building expat for Windows"
  start=$SECONDS
  # Without DTDs: a Debian patch tests XML_DTD as a number, which the
  # CMake build defines empty. The tests only check well-formedness.
  esrc=$(ls -d "$src"/expat-*/expat/ | head -1)
  cmake -S "$esrc" -B "$win/build-expat" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$deps" -DEXPAT_SHARED_LIBS=OFF \
    -DEXPAT_BUILD_TOOLS=OFF -DEXPAT_BUILD_EXAMPLES=OFF -DEXPAT_BUILD_TESTS=OFF \
    -DEXPAT_BUILD_DOCS=OFF -DEXPAT_DTD=OFF >/dev/null
  cmake --build "$win/build-expat" -j"$jobs" >/dev/null
  cmake --install "$win/build-expat" >/dev/null
  echo "expat: $((SECONDS - start)) s"
  done_stamp expat
fi

if ! stamp wx; then
  echo "building wxWidgets for Windows (several minutes)"
  start=$SECONDS
  wsrc=$(ls -d "$src"/wxwidgets3.2-*/ | head -1)
  rm -rf "$win/build-wx"
  mkdir -p "$win/build-wx"
  # The libraries only (base and core; no samples, demos or utilities), and
  # of them only what the program can use: no image formats but the
  # system's, no networking, help, HTML, XML resources, web view, media or
  # OpenGL, and none of the controls, books, pickers, grids and document
  # frameworks the windows never create. Precompiled headers: most of a
  # source file's time here is spent reading wx's own headers.
  off=(webview mediactrl xrc html richtext aui propgrid ribbon stc svg
       sockets protocols url fs_inet webrequest ipc dialupman fswatcher debugreport
       help mshtmlhelp uiactionsim secretstore creddlg prefseditor
       grid dataviewctrl calendar datepick timepick mdi mdidoc docview wizarddlg
       treebook toolbook listbook choicebook treelist joystick sound taskbaricon
       taskbarbutton notifmsg richtooltip richmsgdlg bannerwindow commandlinkbutton
       addremovectrl rearrangectrl animatectrl actindicator hyperlink infobar
       searchctrl collpane fontpicker colourpicker dirpicker filepicker splash tipdlg)
  (cd "$win/build-wx" &&
    CC=$host-gcc-posix CXX=$host-g++-posix "$wsrc/configure" --host=$host --with-msw \
      --disable-shared --prefix="$deps" --without-subdirs --enable-precomp-headers \
      --without-libpng --without-libjpeg --without-libtiff --without-zlib --without-expat \
      --without-regex --without-liblzma --without-opengl "${off[@]/#/--disable-}" >/dev/null &&
    make -j"$jobs" >/dev/null && make install >/dev/null && rm -rf .pch)
  echo "wxWidgets: $((SECONDS - start)) s"
  done_stamp wx
fi
