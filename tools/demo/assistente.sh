# shellcheck shell=bash disable=SC2034  # the ids and classes are for the scripts that source this
# Drives InstaladorVorlane.exe under Wine from a shell script, through vorlane-driver.exe:
# sourced by scripts/demo and bench/install.sh after scripts/lib/wine-env.sh.
#
# Set before use:
#   ASSIST_DRIVER   vorlane-driver.exe of the Windows build in use
#   ASSIST_SCRATCH  the current folder of every Windows program started here: never a folder
#                   that matters (the shell's delete operation can empty the current folder)
#   ASSIST_SHOTS    where assist_shot puts its PNG files (optional)
# Every function returns non-zero, with a message on stderr, when the wizard does not do
# what it is asked within the time allowed.

ASSIST_MAIN=TfrmInstalador     # class of the wizard window
ASSIST_DIALOG=TFRMensagem      # class of the message and question dialog
ASSIST_BROWSE='#32770'         # class of the folder-browse dialog
ASSIST_PID=""                  # the wine process running the installer

# Control ids of the wizard and of the dialog.
ID_PROXIMO=105 ID_CANCELAR=106 ID_PROCURAR=135 ID_DIRETORIO=134 ID_ESPACO_DISPONIVEL=137
ID_NOME=143 ID_NUMERO=145 ID_FTP=147 ID_STATUS=184 ID_FIM1=191 ID_FIM_MENSAGEM=192
ID_NAO_ENCONTRADOS=194 ID_OSTREL=195
ID_FRASE=301 ID_CAIXA_TEXTO=302 ID_OK=311 ID_SIM=312 ID_NAO=313 ID_ALTERNAR_TEXTO=321

assist_fail() { echo "assistente: $*" >&2; return 1; }

# Runs vorlane-driver.exe with its arguments in the scratch folder; its output on stdout,
# Windows line ends removed.
assist_drv() {
  (cd "$ASSIST_SCRATCH" && "$VORLANE_WINE" "$ASSIST_DRIVER" "$@") | tr -d '\r'
  return "${PIPESTATUS[0]}"
}

# Text of a control (id) or of the window itself (no id) of the first window of a class.
assist_text() {  # class [id]
  local class=$1; shift
  assist_drv --timeout 2000 --class "$class" text '*' "$@"
}

# Starts the installer from the scratch folder and waits for its window.
assist_start() {  # exe
  (cd "$ASSIST_SCRATCH" && exec "$VORLANE_WINE" "$1") >/dev/null 2>&1 &
  ASSIST_PID=$!
  assist_drv --timeout 60000 --class "$ASSIST_MAIN" wait-window '*' >/dev/null ||
    assist_fail "a janela do instalador não apareceu"
}

# Waits until a control of the first window of a class is visible.
assist_wait_visible() {  # class id [timeout_s]
  local deadline=$((SECONDS + ${3:-15}))
  while ((SECONDS < deadline)); do
    assist_drv --timeout 2000 --class "$1" visible '*' "$2" >/dev/null 2>&1 && return 0
    sleep 0.2
  done
  assist_fail "o controle $2 de $1 não apareceu"
}

# Waits until the wizard shows page index (0 to 7): the notebook shows one page at a time.
assist_page() {  # index [timeout_s]
  assist_wait_visible "$ASSIST_MAIN" $((1001 + $1)) "${2:-15}" 2>/dev/null || assist_fail "a página $1 não apareceu"
}

# Waits until a control's text satisfies a shell pattern; prints the text.
assist_wait_text() {  # class id pattern [timeout_s]
  local class=$1 id=$2 pattern=$3 deadline=$((SECONDS + ${4:-15})) text=""
  while ((SECONDS < deadline)); do
    text=$(assist_text "$class" "$id" 2>/dev/null) || text=""
    # shellcheck disable=SC2053  # the pattern is a pattern
    if [[ $text == $pattern ]]; then
      printf '%s\n' "$text"
      return 0
    fi
    sleep 0.1
  done
  assist_fail "o controle $id mostra \"$text\", esperado \"$pattern\""
}

assist_press() {  # class id
  assist_drv --class "$1" press '*' "$2" >/dev/null || assist_fail "não foi possível pressionar o botão $2"
}

# Next (Próximo) on the wizard.
assist_next() { assist_press "$ASSIST_MAIN" "$ID_PROXIMO"; }

# Replaces the text of an edit: Backspace over the old text, then the new one, typed.
assist_retype() {  # id text
  local old erase
  old=$(assist_text "$ASSIST_MAIN" "$1") || return 1
  erase=$(printf '%*s' "${#old}" '' | tr ' ' '\b')
  assist_drv --class "$ASSIST_MAIN" click '*' "$1" >/dev/null &&
    assist_drv --class "$ASSIST_MAIN" type '*' "$1" "$erase$2" >/dev/null ||
    assist_fail "não foi possível digitar no campo $1"
  local now
  now=$(assist_text "$ASSIST_MAIN" "$1")
  [ "$now" = "$2" ] || assist_fail "o campo $1 mostra \"$now\" em vez de \"$2\""
}

# Waits for the message dialog; checks that its text contains the given part.
assist_dialog() {  # part_of_text [timeout_s]
  local text
  assist_drv --timeout "$(( ${2:-15} * 1000 ))" --class "$ASSIST_DIALOG" wait-window '*' >/dev/null ||
    assist_fail "a caixa de mensagem não apareceu (esperada: $1)" || return 1
  text=$(assist_text "$ASSIST_DIALOG" "$ID_FRASE") || return 1
  [[ $text == *"$1"* ]] || assist_fail "a caixa de mensagem diz \"$text\", esperado \"$1\""
}

# Presses a button that closes its window: the driver may find the window gone before it
# could see the click taken, so what counts is that the window goes away.
assist_press_closing() {  # class id
  assist_drv --class "$1" press '*' "$2" >/dev/null 2>&1 || true
}

# Answers the dialog with one of its buttons and waits for it to close.
assist_answer() {  # button_id
  assist_press_closing "$ASSIST_DIALOG" "$1"
  assist_drv --timeout 10000 --class "$ASSIST_DIALOG" wait-gone '*' >/dev/null ||
    assist_fail "a caixa de mensagem não fechou"
}

# A screenshot of the first window of a class, as ASSIST_SHOTS/<name>.png.
assist_shot() {  # class name
  [ -n "${ASSIST_SHOTS:-}" ] || return 0
  local bmp="$2.bmp"
  assist_drv --class "$1" shot '*' "$bmp" >/dev/null || assist_fail "não foi possível capturar $2" || return 1
  convert "$ASSIST_SCRATCH/$bmp" "$ASSIST_SHOTS/$2.png" && rm -f "$ASSIST_SCRATCH/$bmp"
}

# Waits for the installer's process to end.
assist_wait_exit() {  # timeout_s
  local deadline=$((SECONDS + ${1:-20}))
  while ((SECONDS < deadline)); do
    kill -0 "$ASSIST_PID" 2>/dev/null || { wait "$ASSIST_PID" 2>/dev/null; ASSIST_PID=""; return 0; }
    sleep 0.2
  done
  assist_fail "o instalador não terminou"
}

# Points the desktop folder of the prefix's user at a folder of our own (a Windows path), so
# the shortcut lands there and not in the real home folder the prefix links to.
assist_desktop() {  # windows_path
  local key='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer'
  (cd "$ASSIST_SCRATCH" &&
    "$VORLANE_WINE" reg add "$key\\Shell Folders" /v Desktop /d "$1" /f &&
    "$VORLANE_WINE" reg add "$key\\User Shell Folders" /v Desktop /t REG_EXPAND_SZ /d "$1" /f) >/dev/null 2>&1 ||
    assist_fail "não foi possível definir a área de trabalho"
}

# The Linux path of a Windows path on drive C: of the prefix.
assist_unix_path() {  # 'C:\...'
  local rest=${1#[Cc]:}
  printf '%s/drive_c%s\n' "$WINEPREFIX" "${rest//\\//}"
}
