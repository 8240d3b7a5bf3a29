# Plants a few harmless traces that the shipped database knows into the Wine
# prefix $WINEPREFIX (run with $wine): the places and names that the write-ups
# document, as text files and registry entries that run nothing. Sourced by
# tools/run.sh and tools/screenshots.sh.
drive=$WINEPREFIX/drive_c
# Files with the names and places that the write-ups document (text, nothing runs).
mkdir -p "$drive/Program Files/ISTbar"
echo "demo trace" >"$drive/Program Files/ISTbar/version.txt"
echo "demo trace" >"$drive/Program Files/ISTbar/xml_istbar.xml"
echo "demo trace" >"$drive/windows/TBONUnst.htm"
echo "demo trace" >"$drive/windows/newdotnet6_38.dll"   # New.net: reported for removal by hand
cookies=$(sed -n 's/^"Cookies"="\(.*\)"$/\1/p' "$WINEPREFIX/user.reg" | head -1 | sed 's/\\\\/\//g; s/^C://')
mkdir -p "$drive$cookies"
echo "demo trace" >"$drive$cookies/user@doubleclick[1].txt"
"$wine" reg add 'HKCU\Software\ISTbar' /f >/dev/null
"$wine" reg add 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run' /v Trickler \
  /d 'C:\Program Files\GAIN\Trickler\trickler.exe' /f >/dev/null
