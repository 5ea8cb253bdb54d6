# Sourced by scripts/test and scripts/demo: a private X display and a private Wine prefix.
# Usage: vorlane_wine_up [--own-display]; vorlane_wine_down runs from the EXIT trap.

VORLANE_ROOT=${VORLANE_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
export WINEPREFIX="${VORLANE_WINEPREFIX:-$VORLANE_ROOT/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
export WINEARCH=win64
VORLANE_XVFB_PID=""

# Some machines cannot execute 32-bit Linux programs, and Wine's 32-bit side is one: there the
# 64-bit loader runs the 64-bit build, and the 32-bit build is built but not run.
# Every Windows program runs through cmake/wine-run, which picks the loader and the users'
# locale (pt_BR).
export VORLANE_WINE="$VORLANE_ROOT/cmake/wine-run"
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  export VORLANE_WIN32_OK=1
else
  export VORLANE_WIN32_OK=0 WINELOADER=/usr/lib/wine/wine64
fi

vorlane_start_xvfb() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    VORLANE_XVFB_PID=$!
    for _ in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      sleep 0.1
    done
    if kill -0 "$VORLANE_XVFB_PID" 2>/dev/null; then
      export DISPLAY=":$n"
      return 0
    fi
  done
  echo "could not start Xvfb" >&2
  return 1
}

# The display must exist before the first wine call of the session: Wine's desktop process
# starts with it and keeps the display it found.
vorlane_wine_up() {
  local own=0
  if [ "${1:-}" = "--own-display" ] || [ -z "${DISPLAY:-}" ]; then
    vorlane_start_xvfb
    own=1
  fi
  # A prefix whose wineserver was killed while it saved (a machine stopped mid-run) can be
  # left with registry files cut short: Wine then refuses it, so it is made again.
  local hive
  for hive in system.reg user.reg; do
    if [ -f "$WINEPREFIX/$hive" ] && ! head -n 1 "$WINEPREFIX/$hive" | grep -q '^WINE REGISTRY Version'; then
      echo "wine-env: $WINEPREFIX/$hive is damaged; making the prefix again" >&2
      rm -rf "$WINEPREFIX"
      break
    fi
  done
  mkdir -p "$WINEPREFIX"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$VORLANE_WINE" wineboot.exe -i >/dev/null 2>&1 || true
  fi
  # Xvfb has no window manager: unmanaged windows keep Wine from waiting for one whenever a
  # window hides. On a user's desktop the windows stay managed.
  local managed=Y
  [ $own = 1 ] && managed=N
  vorlane_prefix_settings $managed
  wineserver -w >/dev/null 2>&1 || true
}

# A program that crashes ends at once: the crash debugger writes its backtrace to the
# program's stderr (the test's log) and ends the process, instead of showing its dialog on a
# display nobody looks at, where the program would wait until a timeout. Both registry views,
# for the 32-bit and the 64-bit programs.
vorlane_prefix_settings() {
  local reg="$WINEPREFIX/vorlane-settings.reg" aedebug
  {
    printf 'REGEDIT4\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Managed"="%s"\r\n\r\n' "$1"
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n"ShowCrashDialog"=dword:00000000\r\n\r\n'
    # Tests point the desktop at a scratch folder while they run; one that was killed before
    # it could put the values back leaves them pointing nowhere: the prefix's own are written
    # again (the user's profile folder is named after the Unix user).
    printf '[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders]\r\n'
    printf '"Desktop"="C:\\\\users\\\\%s\\\\Desktop"\r\n\r\n' "$(id -un)"
    printf '[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders]\r\n'
    printf '"Desktop"=hex(2):%s\r\n\r\n' "$(printf '%%USERPROFILE%%\\Desktop' | od -An -tx1 -v | tr -s ' \n' ',' | sed 's/^,//')00"
    for aedebug in 'Software\Microsoft' 'Software\Wow6432Node\Microsoft'; do
      printf '[HKEY_LOCAL_MACHINE\\%s\\Windows NT\\CurrentVersion\\AeDebug]\r\n' "$aedebug"
      printf '"Debugger"="winedbg --auto %%ld %%ld"\r\n"Auto"="1"\r\n\r\n'
    done
  } >"$reg"
  "$VORLANE_WINE" regedit /S "$(winepath_of "$reg")" >/dev/null 2>&1 || true
}

# The Windows path of a Linux file, through Wine's Z: drive.
winepath_of() {
  local p="Z:$1"
  printf '%s' "${p//\//\\}"
}

vorlane_wine_down() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$VORLANE_XVFB_PID" ]; then
    kill "$VORLANE_XVFB_PID" 2>/dev/null || true
    wait "$VORLANE_XVFB_PID" 2>/dev/null || true
  fi
}
