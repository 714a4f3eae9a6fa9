# Shared by the project's scripts: packages, locale, and one Xvfb plus one
# Wine prefix for a whole run (stopped by pid when the calling script ends).

qv_install_packages() {
  local want=(cmake g++ make googletest g++-mingw-w64-x86-64 g++-mingw-w64-i686 binutils-mingw-w64-x86-64
              binutils-mingw-w64-i686 wine wine64 xvfb locales "$@")
  local missing=()
  for p in "${want[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" != 0 ]; then
    echo "missing packages: ${missing[*]} (run as root to install them)" >&2
    return 1
  fi
  echo "== installing ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Wine takes the ANSI code page from the locale: ja_JP.UTF-8 gives 932.
qv_ensure_locale() {
  locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$' && return 0
  if [ "$(id -u)" != 0 ]; then
    echo "locale ja_JP.UTF-8 is missing (run as root to generate it)" >&2
    return 1
  fi
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
}

QV_XVFB_PID=
qv_stop_wine() {
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k 2>/dev/null || true; fi
  if [ -n "$QV_XVFB_PID" ]; then kill "$QV_XVFB_PID" 2>/dev/null || true; wait "$QV_XVFB_PID" 2>/dev/null || true; fi
  QV_XVFB_PID=
}

# Starts an Xvfb of our own and prepares the prefix; exports what
# cmake/wine-run.sh and the tests read.
qv_start_wine() {
  local prefix=$1 display
  for display in $(seq 91 120); do
    [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ] || break
  done
  Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  QV_XVFB_PID=$!
  trap qv_stop_wine EXIT
  export DISPLAY=":$display" WINEPREFIX=$prefix WINEDEBUG=-all LC_ALL=ja_JP.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
  if [ ! -f "$prefix/system.reg" ]; then
    mkdir -p "$prefix"
    wine wineboot --init >/dev/null 2>&1 || true
    wineserver -w
  fi
}

# The project's one version number, from project() in CMakeLists.txt.
qv_project_version() {
  sed -n 's/^project(Quorvel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt
}
