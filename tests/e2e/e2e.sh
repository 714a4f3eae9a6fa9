#!/usr/bin/env bash
# One end-to-end case: starts the substitute host, runs Quorvel.exe against it
# in another process, quits the host and checks the saved bytes, selection,
# exit code and journal. Usage: e2e.sh BIN_DIR WINE_RUN CASE
set -u
BIN=$1 WINE_RUN=$2 CASE=$3
W=$(mktemp -d /tmp/qv-e2e.XXXXXX)
trap 'rm -rf "$W"' EXIT
win() { echo "Z:${1//\//\\}"; }   # Unix path -> path as the Windows program sees it
cp932() { printf '%s' "$1" | iconv -f UTF-8 -t CP932; }
fail() { echo "FAIL [$CASE]: $*"; [ -f "$W/j" ] && { echo "--- journal"; tail -40 "$W/j"; }; exit 1; }

start_host() {  # extra host switches
  rm -f "$W/ready"
  "$WINE_RUN" "$BIN/quorvel-testhost.exe" --ready "$(win "$W/ready")" --save "$(win "$W/out")" \
    --journal "$(win "$W/j")" --auto-dismiss "$@" >"$W/host.log" 2>&1 &
  HOST_PID=$!
  for _ in $(seq 300); do [ -f "$W/ready" ] && return 0; sleep 0.05; done
  fail "host did not get ready"
}
quit_host() {
  "$WINE_RUN" "$BIN/quorvel-testhost.exe" --quit >/dev/null 2>&1
  wait "$HOST_PID" 2>/dev/null
}
run_tool() {  # switches; sets RC (-1 read as 255 or 4294967295 -> -1)
  "$WINE_RUN" "$BIN/Quorvel.exe" "$@" >"$W/tool.log" 2>&1
  RC=$?
  [ "$RC" = 255 ] || [ "$RC" = 4294967295 ] && RC=-1
}
INI=$BIN/Quorvel.ini   # the tool's own settings, next to the executable
rm -f "$INI"
trap 'rm -rf "$W" "$INI"' EXIT
run_tool_with_dialog() {  # dialog actions, switches: the tool runs while the dialog is driven
  "$WINE_RUN" "$BIN/Quorvel.exe" "${@:2}" >"$W/tool.log" 2>&1 &
  local tool=$!
  "$WINE_RUN" "$BIN/quorvel-testhost.exe" --press "Quorvel 全角半角変換の設定" "$1" >/dev/null 2>&1 \
    || { kill "$tool" 2>/dev/null; fail "could not drive the options dialog ($1)"; }
  wait "$tool"; RC=$?
  [ "$RC" = 255 ] || [ "$RC" = 4294967295 ] && RC=-1
}
expect_rc() { [ "$RC" = "$1" ] || fail "exit code $RC, expected $1"; }
expect_text() {  # expected UTF-8 text of the first pane (or file suffix in $2)
  local want; want=$(cp932 "$1" | xxd -p | tr -d '\n')
  local got; got=$(xxd -p "$W/out${2:-}" | tr -d '\n')
  [ "$want" = "$got" ] || fail "text $(iconv -f CP932 -t UTF-8 "$W/out${2:-}" 2>/dev/null | head -c 200), expected $1"
}
expect_sel() { [ "$(cat "$W/out${2:-}.sel")" = "$1" ] || fail "selection $(cat "$W/out${2:-}.sel"), expected $1"; }
journal_has() { grep -q -- "$1" "$W/j" || fail "journal lacks '$1'"; }
journal_lacks() { grep -q -- "$1" "$W/j" && fail "journal has '$1'"; return 0; }
bytes_of() { cp932 "$1" | wc -c; }
load() { cp932 "$1" > "$W/in"; echo "$(win "$W/in")"; }

[ -x "$BIN/Quorvel.exe" ] || [ -f "$BIN/Quorvel.exe" ] || fail "Quorvel.exe not built"
V=$(win "$BIN/versions")

case $CASE in
  typical)  # the everyday run: half-width katakana selected, /xKJ, mapping-capable host
    DOC="ﾃｽﾄ ﾃﾞｰﾀ"
    start_host --load "$(load "$DOC")" --select 0,$(bytes_of "$DOC") --exe-name "$V\\0.73.0.1.dll"
    run_tool /xKJ; quit_host
    expect_rc 0; expect_text "テスト データ"; expect_sel "0 $(bytes_of "テスト データ")"
    journal_has "main HostMsgReadText 1 0 [1-9]"; journal_has "main HostMsgWriteText 1 "
    journal_lacks "EM_REPLACESEL" ;;
  full-to-half-selection)
    DOC="前ＡＢＣ１２３後"
    start_host --load "$(load "$DOC")" --select 2,14 --exe-name "$V\\0.73.0.1.dll"
    run_tool /dXANkjs; quit_host
    expect_rc 0; expect_text "前ABC123後"; expect_sel "2 8" ;;
  whole-text)  # no selection: the whole text converted, caret at 0 afterwards
    DOC="ﾃｽﾄ ﾃﾞｰﾀ"
    start_host --load "$(load "$DOC")" --select 3,3 --exe-name "$V\\0.73.0.1.dll"
    run_tool /dxKJ; quit_host
    expect_rc 0; expect_text "テスト データ"; expect_sel "0 0"
    journal_has "main HostMsgReadText 0 0 [1-9]"; journal_has "main HostMsgWriteText 0 " ;;
  version-*)  # each threshold decides which private messages the host gets
    VER=${CASE#version-}
    DOC="ｱｲｳ"
    start_host --load "$(load "$DOC")" --select 0,3 --exe-name "$V\\$VER.dll"
    run_tool /dxKJ; quit_host
    expect_rc 0; expect_text "アイウ"; expect_sel "0 6"
    case $VER in
      0.73.0.1) journal_has HostMsgGetSelectionState; journal_has HostMsgReadText; journal_has HostMsgWriteText ;;
      0.72.0.6|0.73.0.0) journal_has HostMsgGetSelectionState; journal_lacks HostMsgReadText; journal_lacks HostMsgWriteText; journal_has EM_REPLACESEL ;;
      *) journal_lacks HostMsgGetSelectionState; journal_lacks HostMsgReadText; journal_has EM_REPLACESEL ;;
    esac ;;
  no-mapping)  # a refusing host: the tool falls back to edit-control messages
    DOC="ｱｲｳ"
    start_host --load "$(load "$DOC")" --select 0,3 --exe-name "$V\\0.73.0.1.dll" --no-mapping
    run_tool /dxKJ; quit_host
    expect_rc 0; expect_text "アイウ"; expect_sel "0 6"
    journal_has "main HostMsgReadText 1 0 0"; journal_has EM_REPLACESEL ;;
  long-*)  # long whole texts through edit-control messages, read in pieces (4000000:
    # a write of 8 MB in one EM_REPLACESEL, which the host must survive)
    N=${CASE#long-}; LIMIT=""
    [ "$N" = replace ] && { N=70000; LIMIT="--replace-limit 30000"; }
    python3 -c "import sys; sys.stdout.buffer.write((b'\xb1'*$N))" > "$W/in"
    python3 -c "import sys; sys.stdout.buffer.write(('ア'*$N).encode('cp932'))" > "$W/want"
    start_host --load "$(win "$W/in")" --select 0,0 --exe-name "$V\\0.72.0.5.dll" $LIMIT
    run_tool /dxKJ; quit_host
    expect_rc 0
    cmp -s "$W/want" "$W/out" || fail "long text differs ($(wc -c <"$W/out") bytes)"
    expect_sel "0 0"
    if [ "$N" -gt 32760 ]; then journal_has "WM_CLEAR"; journal_has "EM_UNDO"; fi ;;
  quote-ini)  # lines starting with the INI's quote mark stay as they are
    printf '[Option]\r\nInyouhu=#\r\n' > "$W/host.ini"
    DOC=$'ｱ\r\n#ｲ\r\n>ｳ'
    start_host --load "$(load "$DOC")" --exe-name "$V\\0.73.0.1.dll" --ini-path "$(win "$W/host.ini")"
    run_tool /dxKJl; quit_host
    expect_rc 0; expect_text $'ア\r\n#ｲ\r\n>ウ' ;;
  quote-default)
    DOC=$'ｱ\r\n>ｲ'
    start_host --load "$(load "$DOC")" --exe-name "$V\\0.73.0.1.dll" --ini-path "$(win "$W/absent.ini")"
    run_tool /dxKJl; quit_host
    expect_rc 0; expect_text $'ア\r\n>ｲ' ;;
  second-pane)  # the active second pane is the one converted
    printf 'ｱ' | iconv -t CP932 > "$W/in"; printf 'ｲ' | iconv -t CP932 > "$W/in2"
    start_host --load "$(win "$W/in")" --second-pane "$(win "$W/in2")" --active 2 --exe-name "$V\\0.73.0.1.dll"
    run_tool /dxKJ; quit_host
    expect_rc 0; expect_text "ｱ"; expect_text "イ" .2 ;;
  no-host)  # nothing of the host in front: message, exit -1, after about 2.5 s
    T0=$(date +%s%N)
    "$WINE_RUN" "$BIN/Quorvel.exe" /dxKJ >"$W/tool.log" 2>&1 &
    TOOL=$!
    "$WINE_RUN" "$BIN/quorvel-testhost.exe" --press Quorvel ok >"$W/box" 2>/dev/null \
      || { kill "$TOOL"; fail "no message box"; }
    wait "$TOOL"; RC=$?; T1=$(date +%s%N)
    [ "$RC" = 255 ] || [ "$RC" = 4294967295 ] && RC=-1
    expect_rc -1
    tr -d "\r" < "$W/box" | grep -qx "text=TeraPad の捕捉に失敗しました。" || fail "message: $(cat "$W/box")"
    MS=$(( (T1 - T0) / 1000000 ))
    [ "$MS" -ge 2400 ] || fail "gave up after $MS ms" ;;
  bad-switch)  # message box naming the argument, then the options dialog; cancel changes nothing
    DOC="ｱ"
    start_host --load "$(load "$DOC")" --select 0,1 --exe-name "$V\\0.73.0.1.dll"
    run_tool_with_dialog "cancel" /dxKJ /Q; quit_host
    expect_rc -1; expect_text "ｱ"; expect_sel "0 1"
    journal_has "messagebox caption=Quorvel text=2 番目の引数が認識できません： '/Q'"
    [ "$(grep -c messagebox "$W/j")" = 1 ] || fail "more than one message box"
    [ -f "$INI" ] && fail "cancel wrote $INI"; true ;;
  dialog-ok)  # /D: the user picks half-width to full-width and katakana, then OK
    DOC="ｱA"
    start_host --load "$(load "$DOC")" --select 0,2 --exe-name "$V\\0.73.0.1.dll"
    run_tool_with_dialog "1002,1008,1003,ok" /D; quit_host
    expect_rc 0; expect_text "アA"
    [ -f "$INI" ] || fail "OK wrote no settings file"
    ini=$(tr -d '\r' < "$INI")
    for kv in ExchangeZenHan=0 ProcessAlphabet=0 ProcessKatakana=1 ProcessNumber=0 NoConnectVoiced=0; do
      grep -qx "$kv" <<<"$ini" || fail "settings file lacks $kv: $ini"
    done
    [ "$(grep -c '=' <<<"$ini")" = 12 ] || fail "settings file has not twelve keys: $ini" ;;
  dialog-cancel|dialog-esc|dialog-close)  # every way out but OK ends the run with nothing changed
    DOC="ｱ"
    start_host --load "$(load "$DOC")" --select 0,1 --exe-name "$V\\0.73.0.1.dll"
    run_tool_with_dialog "1002,1008,${CASE#dialog-}" /D; quit_host
    expect_rc -1; expect_text "ｱ"; expect_sel "0 1"
    [ -f "$INI" ] && fail "${CASE#dialog-} wrote $INI"; true ;;
  hostile-*)  # a host whose answers do not add up: never a crash, never a false success
    MODE=${CASE#hostile-}; VER=${MODE##*@}; MODE=${MODE%@*}
    DOC="ｱｲｳ"; SEL="0,3"
    case $MODE in
      grow|length-short) SEL="0,0" ;;  # the whole text, as the host measures it
      replace-ignore) DOC="ｶﾞ"; SEL="0,2" ;;  # as long as its conversion: only the caret tells
    esac
    if [ "$MODE" = clear-short ]; then  # deletions happen only on texts read in pieces
      python3 -c "import sys; sys.stdout.buffer.write(b'\xb1'*40000)" > "$W/in"; SEL="0,0"
      start_host --load "$(win "$W/in")" --select "$SEL" --exe-name "$V\\$VER.dll" --hostile "$MODE"
    else
      start_host --load "$(load "$DOC")" --select "$SEL" --exe-name "$V\\$VER.dll" --hostile "$MODE"
    fi
    run_tool /dxKJ; quit_host
    untouched() { cmp -s "$W/in" "$W/out" || fail "text changed: $(head -c 200 "$W/out" | iconv -f CP932 -t UTF-8)"; expect_sel "${SEL/,/ }"; }
    case $MODE in
      private-nonsense)  # the transfers themselves worked
        expect_rc 0; expect_text "アイウ" ;;
      replace-none|replace-ignore|replace-extra)  # the write-back undone and found as it was
        expect_rc -1; untouched
        journal_has "messagebox caption=Quorvel text=テキストの書き戻しに失敗しました。テキストは元のままです。" ;;
      replace-extra,undo-ignore)  # the undo did nothing: the user is told how to get the text back
        expect_rc -1; expect_text "アイウ+++"; expect_sel "0 3"
        journal_has "messagebox caption=Quorvel text=テキストの書き戻しに失敗しました。エディタの「元に戻す」で元に戻してください。" ;;
      grow)  # the host changed its own text while it was read: nothing written
        expect_rc -1
        iconv -f CP932 -t UTF-8 "$W/out" | grep -qxE "ｱｲｳ(grown)+" || fail "text $(iconv -f CP932 -t UTF-8 "$W/out")"
        journal_has "messagebox caption=Quorvel text=テキストの取得に失敗しました。" ;;
      *)
        expect_rc -1; untouched
        journal_has "messagebox caption=Quorvel text=テキストの取得に失敗しました。"
        journal_lacks EM_REPLACESEL; journal_lacks HostMsgWriteText ;;
    esac ;;
  ignored-whole-write)  # whole text, shared memory, as long as its conversion: the ignored write is found out
    start_host --load "$(load "ｶﾞｷﾞｸﾞ")" --select 2,2 --exe-name "$V\\0.73.0.1.dll" --hostile replace-ignore
    run_tool /xKJ; quit_host
    expect_rc -1; expect_text "ｶﾞｷﾞｸﾞ"; expect_sel "2 2"; journal_has "main HostMsgWriteText 0 6 1"; journal_lacks EM_UNDO
    journal_has "messagebox caption=Quorvel text=テキストの書き戻しに失敗しました。テキストは元のままです。" ;;
  nothing-to-convert)  # the conversion changes nothing: nothing is written, the caret stays
    start_host --load "$(load "abc 123")" --select 3,3 --exe-name "$V\\0.73.0.1.dll"
    run_tool /XANS; quit_host
    expect_rc 0; expect_text "abc 123"; expect_sel "3 3"; journal_lacks HostMsgWriteText; journal_lacks EM_REPLACESEL ;;
  lead-byte-at-end|split-selection)  # texts whose bytes Unicode does not carry: converted exactly, or left alone
    if [ "$CASE" = lead-byte-at-end ]; then  # ｱｲ and a lone lead byte, whole text, shared memory
      printf '\xb1\xb2\x82' > "$W/in"; printf '\x83\x41\x83\x43\x82' > "$W/want"; SEL="0 0"; DONE="0 0"; VER=0.73.0.1
    else  # アイウ selected from the middle of ア to the middle of ウ, edit-control messages
      printf '\x83\x41\x83\x43\x83\x45' > "$W/in"; printf '\x83\x82\x60\x83\x43\x83\x45' > "$W/want"
      SEL="1 5"; DONE="1 6"; VER=0.73.0.0
    fi
    start_host --load "$(win "$W/in")" --select "${SEL/ /,}" --exe-name "$V\\$VER.dll"
    run_tool /dxKJ; quit_host
    if [ "$RC" = 0 ]; then
      cmp -s "$W/want" "$W/out" || fail "exit 0 with $(xxd -p "$W/out")"; expect_sel "$DONE"
    else
      expect_rc -1; cmp -s "$W/in" "$W/out" || fail "exit -1 with $(xxd -p "$W/out")"; expect_sel "$SEL"
    fi
    echo "exit $RC; $(grep messagebox "$W/j" || true)" ;;
  new-M|new-G|new-C)  # the switches of normalisation and the kana case
    case $CASE in
      new-M) DOC="ＡＢＣ１２３　ｶﾞﾝﾀﾞﾑ｢ﾃｽﾄ｣"; SW=/MANSPJK; WANT="ABC123 ガンダム「テスト」" ;;
      new-G) DOC="ｶﾀｶﾅとカタカナ"; SW=/xaKG; WANT="かたかなとかたかな" ;;
      new-C) DOC="ひらがなとﾋﾗｶﾞﾅ"; SW=/C; WANT="ヒラガナトﾋﾗｶﾞﾅ" ;;
    esac
    start_host --load "$(load "$DOC")" --select 0,0 --exe-name "$V\\0.73.0.1.dll"
    run_tool "$SW"; quit_host
    expect_rc 0; expect_text "$WANT"; expect_sel "0 0" ;;
  keep-chars)  # KeepChars of the tool's own settings file, read without the dialog
    cp932 $'[Option]\r\nKeepChars=！\r\n' > "$INI"
    start_host --load "$(load "ＡＢ！？")" --select 0,0 --exe-name "$V\\0.73.0.1.dll"
    run_tool /XAP; quit_host
    expect_rc 0; expect_text "AB！?" ;;
  *) fail "unknown case" ;;
esac
echo "PASS [$CASE]"
