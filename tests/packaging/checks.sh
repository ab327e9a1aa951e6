# Checks of an installed Movra tree, shared by validate_installed.sh and deb_test.sh.
# Sourced; each function prints what is wrong and returns non-zero.

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
app_id=org.example.movra

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

need() {
    for tool in "$@"; do
        command -v "$tool" >/dev/null 2>&1 || fail "$tool is missing (scripts/install-deps.sh installs it)"
    done
}

# need_program PATH: the built program the install rules pick up.
need_program() {
    [ -x "$1" ] || fail "the program $1 is not built: cmake --build <build folder> --target movra"
}

# check_tree ROOT VERSION: the tree under ROOT (holding usr/) is exactly the installed program.
check_tree() {
    local root=$1 version=$2
    local share=$root/usr/share

    # Exactly the program and its files: no libraries, headers, tests or benchmarks.
    diff -u "$here/installed-files.txt" <(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort) \
        || fail "installed files differ from tests/packaging/installed-files.txt (- expected, + found)"
    [ -x "$root/usr/bin/movra" ] || fail "usr/bin/movra is not executable"

    # The desktop entry: valid, Polish by default, starting the installed program with its icon.
    local desktop=$share/applications/$app_id.desktop
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $desktop"
    grep -qx 'Exec=movra %f' "$desktop" || fail "desktop entry does not run movra with the file"
    grep -qx 'MimeType=application/x-movra-album;' "$desktop" || fail "desktop entry does not take albums"
    # On X11 the desktop matches windows to the entry by their WM_CLASS (Wayland: the desktop
    # file name the program sets).
    grep -qx 'StartupWMClass=Movra' "$desktop" || fail "desktop entry does not name the windows' class"
    grep -qx "Icon=$app_id" "$desktop" || fail "desktop entry names another icon"
    grep -qx 'Categories=Office;' "$desktop" || fail "desktop entry is not in category Office"
    grep -q '^Comment=.*zdjęciami' "$desktop" || fail "desktop entry's default comment is not Polish"
    grep -q '^GenericName=Album osób$' "$desktop" || fail "desktop entry's default generic name is not Polish"

    # The AppStream metadata: valid with warnings counted as errors, offline; the release is this
    # version; every screenshot it names is one the repository has.
    local metainfo=$share/metainfo/$app_id.metainfo.xml
    appstreamcli validate --no-net --strict "$metainfo" || fail "appstreamcli rejects $metainfo"
    appstreamcli validate-tree --no-net "$root/usr" >"$root.validate-tree.log" 2>&1 \
        || { cat "$root.validate-tree.log" >&2; fail "appstreamcli validate-tree rejects the installed tree"; }
    grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo has no release $version"
    grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" \
        || fail "metainfo does not launch the desktop entry"
    local shots
    shots=$(grep -o 'screenshots/[a-z-]*\.png' "$metainfo") || fail "metainfo has no screenshots"
    for shot in $shots; do
        [ -f "$here/../../docs/$shot" ] || fail "metainfo names $shot, which docs/ lacks"
    done

    # The album file type: well-formed, and the freedesktop.org database with it added knows *.db3
    # as a Movra album and that as a kind of SQLite 3 database (Debian's name for that type).
    local mime=$share/mime/packages/$app_id.xml mimedb=$root.mime
    xmllint --noout "$mime" || fail "$mime is not well-formed XML"
    mkdir -p "$mimedb/packages"
    cp /usr/share/mime/packages/freedesktop.org.xml "$mime" "$mimedb/packages/"
    update-mime-database "$mimedb" >"$mimedb.log" 2>&1 || { cat "$mimedb.log" >&2; fail "update-mime-database rejects $mime"; }
    grep -qx 'application/vnd.sqlite3' "$mimedb/types" \
        || fail "this system's MIME database has no application/vnd.sqlite3"
    grep -qx 'application/x-movra-album application/vnd.sqlite3' "$mimedb/subclasses" \
        || fail "a Movra album is not a sub-class of application/vnd.sqlite3"
    grep -q ':application/x-movra-album:\*\.db3' "$mimedb/globs2" || fail "*.db3 is not a Movra album"
    rm -rf "$mimedb" "$mimedb.log"

    # Icons: each PNG is the size its folder says, and the scalable one is an SVG.
    local f size
    for f in "$share"/icons/hicolor/*x*/apps/$app_id.png; do
        size=$(basename "$(dirname "$(dirname "$f")")")
        file "$f" | grep -q "PNG image data, ${size%x*} x ${size#*x}," || fail "$f is not a ${size} PNG"
    done
    file "$share/icons/hicolor/scalable/apps/$app_id.svg" | grep -q 'SVG' || fail "scalable icon is not an SVG"
    return 0
}
