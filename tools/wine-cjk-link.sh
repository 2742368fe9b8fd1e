#!/usr/bin/env bash
# Links a Japanese font to Wine's UI fonts in $WINEPREFIX, which have no Japanese glyphs of
# their own: programs started afterwards show the editor's labels and the message boxes
# readably. It also changes how those fonts draw Latin text, so test prefixes stay without it.
set -euo pipefail
loader=${WINELOADER:-/usr/lib/wine/wine64}
cjk="NotoSansCJK-Regular.ttc,Noto Sans CJK JP"
for face in Tahoma 'MS Shell Dlg' 'MS Shell Dlg 2' 'Microsoft Sans Serif' 'MS Sans Serif' System; do
  WINEDEBUG=-all "$loader" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
    /v "$face" /t REG_MULTI_SZ /d "$cjk" /f >/dev/null 2>&1
done
