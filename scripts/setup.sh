# Sourced by run.sh and test.sh: installs what is missing on a Debian machine and
# prepares Wine. Idempotent; quiet when everything is there.

qm_need_packages() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "== installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  if printf '%s\n' "${missing[@]}" | grep -q ':i386$' && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

qm_setup() {
  qm_need_packages cmake make g++ python3 googletest libgtest-dev libbenchmark-dev libcurl4-openssl-dev \
    g++-mingw-w64-i686-posix wine wine32:i386 xvfb xauth fonts-wqy-microhei
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono/Gecko prompts in a fresh prefix
  local prefix="${WINEPREFIX:-$HOME/.wine}"
  if [ ! -f "$prefix/.quellmarsh-ready" ]; then
    echo "== preparing the Wine prefix"
    wineboot --init >/dev/null 2>&1 || true
    # Wine draws the window frames itself (Xvfb has no window manager), and Tahoma, the
    # UI font, falls back to a CJK font as it does on Windows.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Tahoma \
      /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1
    # Let the registry be written out, and no wineserver started without a display
    # linger into the Xvfb runs.
    timeout 60 wineserver -w 2>/dev/null || wineserver -k 2>/dev/null || true
    touch "$prefix/.quellmarsh-ready"
  fi
}

qm_build() {
  local preset
  for preset in "$@"; do
    echo "== building $preset"
    cmake --preset "$preset" >/dev/null || return 1
    cmake --build --preset "$preset" -j "$(nproc)" || return 1
  done
}
