#!/bin/bash
# Takes the screenshots shown in the README and named in the AppStream metadata:
# docs/screenshots/{main-window,record-window,record-sheet}.png.
#
#   scripts/screenshots.sh [path/to/movra] [output folder]
#
# Builds nothing: it takes a built program (default build/bin/movra). The program is copied with
# its help text into a temporary program folder, where a sample album of four people with photos
# and a settings file that opens it are made; it then runs under Xvfb and is driven with xdotool
# as a user would: the main window, F2 for the record window, Alt+D (its "Drukowanie") for the
# record sheet. Each window is captured on its own.
# Needs: xvfb (xvfb-run), xdotool, imagemagick, sqlite3, iconv, fonts-liberation2.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)

fail() {
    echo "screenshots.sh: $*" >&2
    exit 1
}

# Waits for a visible window whose title matches; prints its id.
wait_window() {
    local id
    for _ in $(seq 200); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1) || true
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        kill -0 "$movra_pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

# Captures one window into a PNG small enough for the repository.
capture() {
    local id=$1 png=$2
    sleep 1.5 # let the window finish painting (photos decode, the sheet lays out)
    import -window "$id" "$work/shot.png"
    convert "$work/shot.png" -strip -define png:compression-level=9 "$png"
    echo "  $(basename "$png"): $(identify -format '%wx%h' "$png"), $(($(stat -c %s "$png") / 1024)) KB"
}

# The part that runs inside the X server started by xvfb-run.
if [ "${1:-}" = "--inside" ]; then
    work=$2
    out=$3
    cd "$work"
    HOME=$work/home XDG_RUNTIME_DIR=$work/home/run QT_QPA_PLATFORM=xcb LANG=C.UTF-8 \
        ./movra >"$work/movra.log" 2>&1 &
    movra_pid=$!
    trap 'kill "$movra_pid" 2>/dev/null || true' EXIT

    main=$(wait_window 'wer\. 1\.9') || { cat "$work/movra.log" >&2; fail "the main window did not appear"; }
    xdotool windowfocus --sync "$main"
    # The third person in the list, whose names show the Polish letters.
    xdotool key --clearmodifiers Down Down
    capture "$main" "$out/main-window.png"

    xdotool key --clearmodifiers F2
    record=$(wait_window 'Podgląd i edycja rekordu') || fail "F2 did not show the record window"
    capture "$record" "$out/record-window.png"

    xdotool windowfocus --sync "$record"
    xdotool key --clearmodifiers alt+d
    sheet=$(wait_window 'Podgląd i wydruk strony') || fail "Drukowanie did not show the record sheet"
    capture "$sheet" "$out/record-sheet.png"
    exit 0
fi

movra=${1:-$repo/build/bin/movra}
out=${2:-$repo/docs/screenshots}
[ -x "$movra" ] || fail "no program at $movra (build it first: ./scripts/build.sh build)"
for tool in xvfb-run xdotool import convert identify sqlite3 iconv od; do
    command -v "$tool" >/dev/null 2>&1 || fail "$tool is missing (scripts/install-deps.sh installs it)"
done
mkdir -p "$out"
out=$(cd "$out" && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/movra-shots.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home/run"
chmod 700 "$work/home/run"
cp "$movra" "$work/movra"
cp "$repo/resources/runtime/Movra.rtf" "$work/"

# --- Portraits: a soft gradient with the person's initials --------------------------------
# The font by its file (fonts-liberation2), as the end-to-end tests name theirs: a look-up by
# name could pick another font, or none, on another machine.
font=/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf
[ -f "$font" ] || fail "no font $font (fonts-liberation2)"
portrait() { # file initials top-colour bottom-colour
    convert -size 360x450 "gradient:$3-$4" \
        -fill 'rgba(255,255,255,0.22)' -draw 'circle 180,200 180,60' \
        -fill 'rgba(255,255,255,0.14)' -draw 'ellipse 180,470 150,120 0,360' \
        -font "$font" -pointsize 120 -gravity center \
        -fill 'rgba(0,0,0,0.18)' -annotate +4-21 "$2" \
        -fill white -annotate +0-25 "$2" \
        -quality 88 -sampling-factor 2x2 -interlace none "$work/$1"
}
portrait ak.jpg AK '#f6c7a6' '#c0583a'
portrait pn.jpg PN '#a9d8f2' '#2f78b5'
portrait mw.jpg MW '#f7dd92' '#d08a1e'
portrait lz.jpg ŁZ '#b9e4bf' '#3c8f5a'

# --- The album: texts as Windows-1250 bytes (line breaks CR LF), photos as JPEG blobs ------
cp1250() { # the text as an SQL blob literal of its Windows-1250 bytes, read back as text
    printf "CAST(X'%s' AS TEXT)" "$(printf '%s' "$1" | iconv -f UTF-8 -t CP1250 | od -An -v -tx1 | tr -d ' \n')"
}
person() { # first last nickname notes address photo
    printf 'INSERT INTO album(ID,Imie,Nazwisko,Ksywa,Notes,Adres,Picture) VALUES (NULL,%s,%s,%s,%s,%s,readfile(%s));\n' \
        "$(cp1250 "$1")" "$(cp1250 "$2")" "$(cp1250 "$3")" "$(cp1250 "$4")" "$(cp1250 "$5")" "'$work/$6'"
}
{
    echo 'CREATE TABLE album (ID INTEGER PRIMARY KEY,Imie VARCHAR(15),Nazwisko VARCHAR(20), Ksywa VARCHAR(20),Notes BLOB,Adres BLOB, Picture BLOB COLLATE NOCASE);'
    echo 'BEGIN;'
    person 'Anna' 'Kowalska' 'Ania' \
        $'Wychowawczyni klasy 3b w latach 2004–2008.\r\nUczy biologii, prowadzi kółko przyrodnicze.\r\nKocha góry: co roku Tatry.' \
        $'ul. Lipowa 12 m. 4\r\n31-512 Kraków\r\ntel. 600 123 456' ak.jpg
    person 'Piotr' 'Nowak' 'Pietrek' \
        $'Najlepszy bramkarz szkolnej drużyny.\r\nDziś inżynier w Gdańsku, dwoje dzieci.' \
        $'ul. Długa 7\r\n80-831 Gdańsk\r\nzjazd absolwentów 2019' pn.jpg
    person 'Małgorzata' 'Wiśniewska' 'Gosia' \
        $'Przewodnicząca samorządu uczniowskiego.\r\nŚpiewa w chórze, gra na skrzypcach.\r\nPamięta wszystkie urodziny.' \
        $'os. Słoneczne 3/15\r\n61-001 Poznań\r\nznajoma z obozu harcerskiego' mw.jpg
    person 'Łukasz' 'Zieliński' 'Łuki' \
        $'Fotograf klasowy, autor zdjęć w tym albumie.\r\nJeździ rowerem nad morze.' \
        $'ul. Żeromskiego 21\r\n90-626 Łódź\r\ntel. 512 987 654' lz.jpg
    echo 'COMMIT;'
} >"$work/album.sql"
sqlite3 "$work/klasa.db3" <"$work/album.sql"
[ "$(sqlite3 "$work/klasa.db3" 'SELECT count(*) FROM album WHERE length(Picture) > 0')" = 4 ] \
    || fail "the sample album was not made"

# --- The settings file: windows side by side on the screen, the sample album open ----------
cat >"$work/movra.ini" <<'EOF'
[Form1]
Left=16
Top=16
Width=568
Height=250
WysRow=24
[Plik]
Nazwa=klasa.db3
Sort=3
[Kolor]
FixedColor=-2147483633
[Fonty1]
Nazwa=Liberation Sans
Size=10
Kolor=0
FontStyle=0
[Kolumny]
Imie=140
Nazwisko=190
Ksywa=150
[Form2]
Left=620
Top=16
Width=454
Height=714
KolorF=-2147483633
KolorO=-2147483643
LiteryF=0
LiteryO=0
EOF

echo "Taking screenshots of $movra into $out"
xvfb-run -a -s "-screen 0 1280x900x24 -nolisten tcp" "$0" --inside "$work" "$out"
