# Shared steps of ./run: packages, locale, build, Wine prefix, X server. Sourced, not run.
KX_PACKAGES="cmake make g++-mingw-w64-x86-64-posix wine64 xvfb fonts-wqy-microhei googletest locales imagemagick libvips-tools
             nasm patch gcc libc6-dev pkg-config libvips-dev"
KX_WINE=/usr/lib/wine/wine64
KX_PREFIX="$KX_BUILD_DIR/wineprefix"
export WINEPREFIX="$KX_PREFIX" WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG="${WINEDEBUG:--all}"

kx_log() { printf '== %s\n' "$*" >&2; }

kx_missing_packages() {
  local p missing=()
  for p in $KX_PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  echo "${missing[@]:-}"
}

kx_install() {
  local missing; missing=$(kx_missing_packages)
  if [ -n "$missing" ]; then
    if [ "$(id -u)" != 0 ]; then echo "missing Debian packages: $missing (run as root to install them)" >&2; exit 1; fi
    kx_log "installing $missing"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $missing >/dev/null
  fi
  # Wine takes its active code page from the locale: zh_CN.UTF-8 gives code page 936.
  if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
    kx_log "generating the zh_CN.UTF-8 locale"
    sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen >/dev/null
  fi
}

# Sample photographs from a Debian package, unpacked into the build folder (never committed).
kx_samples() {
  local dir="$KX_BUILD_DIR/samples"
  [ -f "$dir/.done" ] && return 0
  kx_log "fetching the sample pictures"
  local tmp; tmp=$(mktemp -d)
  (cd "$tmp" && apt-get download python3-skimage >/dev/null 2>&1 && dpkg -x python3-skimage_*.deb x)
  mkdir -p "$dir"
  local f
  for f in astronaut.png chelsea.png coffee.png rocket.jpg motorcycle_left.png hubble_deep_field.jpg; do
    cp "$tmp/x/usr/lib/python3/dist-packages/skimage/data/$f" "$dir/"
  done
  rm -rf "$tmp"
  touch "$dir/.done"
}

# libjpeg-turbo from Debian's source package, pinned to one version and checked by its hashes,
# unpacked and patched into the build folder (never committed); CMake cross-builds it
# (cmake/libjpeg-turbo.cmake). apt-get runs with a source list and state of its own, so the
# machine's apt configuration and package lists stay as they are.
KX_JPEG_VERSION="1:2.1.5-2"
KX_JPEG_SUITE=bookworm   # the Debian release that carries that version
KX_JPEG_SHA256="254f3642b04e309fee775123133c6464181addc150499561020312ec61c1bf7c  libjpeg-turbo_2.1.5.orig.tar.gz
cdb2433c2f7101345c1ffa14efb943787c675b86354691a32490845fe4bc9237  libjpeg-turbo_2.1.5-2.debian.tar.xz"

kx_jpeg_source() {
  local dir="$KX_BUILD_DIR/libjpeg-turbo"
  [ -f "$dir/src/.done" ] && return 0
  kx_log "fetching the libjpeg-turbo source package $KX_JPEG_VERSION"
  # The archive this machine's apt already uses, for the release that carries the pinned version.
  local site
  site=$(apt-get indextargets --format '$(SITE)' 'Identifier: Packages' 2>/dev/null | grep -m1 '/debian/\?$' || true)
  site=${site:-http://deb.debian.org/debian}
  local apt="$dir/apt"
  rm -rf "$apt" "$dir/src"
  mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/download"
  echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $site $KX_JPEG_SUITE main" > "$apt/sources.list"
  local opts=(-o Dir::Etc::SourceList="$apt/sources.list" -o Dir::Etc::SourceParts=/dev/null
              -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache" -o APT::Sandbox::User=root -qq)
  apt-get "${opts[@]}" update >/dev/null
  (cd "$apt/download" && apt-get "${opts[@]}" source --download-only "libjpeg-turbo=$KX_JPEG_VERSION" >/dev/null)
  (cd "$apt/download" && echo "$KX_JPEG_SHA256" | sha256sum --quiet -c -) ||
    { echo "the libjpeg-turbo source does not have the pinned hashes" >&2; exit 1; }
  local tmp; tmp=$(mktemp -d)
  tar -xzf "$apt/download"/libjpeg-turbo_*.orig.tar.gz -C "$tmp"
  mv "$tmp"/libjpeg-turbo-* "$dir/src"
  tar -xJf "$apt/download"/libjpeg-turbo_*.debian.tar.xz -C "$dir/src"
  # Debian's own patches, as its package builds them.
  local p
  while read -r p; do
    case "$p" in ''|'#'*) continue ;; esac
    patch -s -p1 -d "$dir/src" < "$dir/src/debian/patches/$p"
  done < "$dir/src/debian/patches/series"
  rm -rf "$tmp" "$apt/lists" "$apt/cache"
  touch "$dir/src/.done"
}

kx_build() {
  if [ ! -f "$KX_BUILD_DIR/CMakeCache.txt" ]; then
    cmake -S "$top" -B "$KX_BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64.cmake" \
          -DCMAKE_BUILD_TYPE="${KX_BUILD_TYPE:-Release}" >/dev/null
  fi
  # The progress lines are filtered out, and the build's own status is what counts: grep fails
  # when it leaves no line, which is no failure, and an "|| true" after the whole pipe would
  # hide a failed build.
  local -
  set -o pipefail
  local status=0
  cmake --build "$KX_BUILD_DIR" -j"$(nproc)" 2>&1 | { grep -v -E '^\[ *[0-9]+%\]|^(Consolidate|Scanning)' || true; } ||
    status=$?
  [ "$status" = 0 ] || { echo "build failed (status $status)" >&2; exit 1; }
}

kx_prefix() {
  [ -f "$KX_PREFIX/.kx-ready" ] && return 0
  kx_log "creating the Wine prefix in $KX_PREFIX"
  mkdir -p "$KX_PREFIX"
  LANG=zh_CN.UTF-8 "$KX_WINE" wineboot -i >/dev/null 2>&1 || true
  # regedit reads UTF-16 files whatever the code page, so the Chinese face names arrive intact.
  { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$top/tools/prefix.reg"; } > "$KX_PREFIX/kx.reg"
  "$top/tools/wine-run" regedit "$(winepath_of "$KX_PREFIX/kx.reg")" >/dev/null 2>&1
  # Caption buttons are drawn with Marlett; under code page 936 Wine finds it only in the prefix.
  cp /usr/share/wine/fonts/marlett.ttf "$KX_PREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  /usr/lib/wine/wineserver -w
  touch "$KX_PREFIX/.kx-ready"
}

# A private X server for the run, with a Wine server kept alive so each start is cheap.
kx_xserver() {
  if [ -n "${KX_DISPLAY:-}" ]; then export DISPLAY="$KX_DISPLAY"; return 0; fi
  local fifo; fifo=$(mktemp -u); mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  KX_XVFB_PID=$!
  local n; read -r n < "$fifo"; rm -f "$fifo"
  export DISPLAY=":$n"
  # A Wine server left from an earlier run would keep its desktop on that run's display.
  /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver -w >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver -p
  # Start Wine's background services now, with their output going nowhere: started by the
  # first test instead, they would inherit CTest's output pipe and keep it waiting after the
  # test has ended.
  "$top/tools/wine-run" cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
  trap kx_stop EXIT
}

kx_stop() {
  /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  [ -n "${KX_XVFB_PID:-}" ] && kill "$KX_XVFB_PID" 2>/dev/null || true
}

kx_prepare() { kx_install; kx_samples; kx_jpeg_source; kx_build; kx_prefix; }

kx_test() {
  kx_xserver
  rm -rf "$KX_BUILD_DIR/test-results"; mkdir -p "$KX_BUILD_DIR/test-results"
  local rc=0
  ctest --test-dir "$KX_BUILD_DIR" --output-on-failure "$@" || rc=$?
  # One closing line over every GoogleTest case of every executable.
  local tests=0 failures=0 f t fl
  for f in "$KX_BUILD_DIR"/test-results/*.xml; do
    [ -f "$f" ] || continue
    t=$(grep -o -m1 '<testsuites tests="[0-9]*" failures="[0-9]*"' "$f" | grep -o '[0-9]*' | sed -n 1p)
    fl=$(grep -o -m1 '<testsuites tests="[0-9]*" failures="[0-9]*"' "$f" | grep -o '[0-9]*' | sed -n 2p)
    tests=$((tests + ${t:-0})); failures=$((failures + ${fl:-0}))
  done
  echo "tests: $((tests - failures)) passed, $failures failed"
  return $rc
}

kx_demo() {
  local shots="$KX_BUILD_DIR/screenshots"
  if [ -n "${DISPLAY:-}" ] && [ "${1:-}" != "--tour" ]; then
    "$top/tools/wine-run" "$KX_BUILD_DIR/bin/kxdemo.exe"
  else
    kx_xserver
    rm -rf "$shots" "$KX_BUILD_DIR/output" "$KX_BUILD_DIR/slice"; mkdir -p "$shots"
    "$top/tools/wine-run" "$KX_BUILD_DIR/bin/kxdemo.exe" --tour "$(winepath_of "$shots")"
    kx_log "screenshots in $shots"
    ls "$shots"
  fi
}

winepath_of() { echo "Z:$(echo "$1" | tr '/' '\\')"; }

kx_bench() {
  kx_xserver
  "$top/tools/bench.sh" "$@"
}
