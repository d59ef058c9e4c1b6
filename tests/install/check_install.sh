#!/usr/bin/env bash
# Installs the build in BUILD into a temporary prefix and checks that every
# file lands where the desktop and the program look for it.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

status=0
need() {
    if [ ! -e "$prefix/$1" ]; then
        echo "missing after install: $1"
        status=1
    fi
}
need bin/skribando
[ -x "$prefix/bin/skribando" ] || { echo "bin/skribando is not executable"; status=1; }
need share/applications/org.skribando.Skribando.desktop
need share/metainfo/org.skribando.Skribando.metainfo.xml
need share/mime/packages/org.skribando.Skribando.xml
need share/icons/hicolor/scalable/apps/org.skribando.Skribando.svg
if command -v rsvg-convert >/dev/null; then
    need share/icons/hicolor/48x48/apps/org.skribando.Skribando.png
    need share/icons/hicolor/256x256/apps/org.skribando.Skribando.png
fi
need share/skribando/Hilfe/Skribando.html
# The direct install renews the file-type database of the prefix.
if command -v update-mime-database >/dev/null; then
    grep -q "application/x-skribando-review" "$prefix/share/mime/globs2" 2>/dev/null \
        || { echo "the file-type database of the prefix was not renewed"; status=1; }
fi
# A file manager of the GLib kind knows review files by their content.
if command -v gio >/dev/null && command -v update-mime-database >/dev/null; then
    printf '<?xml version="1.0" standalone="yes"?>\r\n  <DATAPACKET Version="2.0"></DATAPACKET>\r\n' \
        >"$prefix/bericht"
    type=$(XDG_DATA_HOME="$prefix/share" XDG_DATA_DIRS="$prefix/share:/usr/share" \
        gio info -a standard::content-type "$prefix/bericht" | sed -n 's/.*content-type: //p')
    [ "$type" = "application/x-skribando-review" ] \
        || { echo "an XML review file without extension is taken for $type"; status=1; }
fi
# The menu entry starts what is installed and names the file type.
grep -q '^Exec=skribando %F$' "$prefix/share/applications/org.skribando.Skribando.desktop" \
    || { echo "the menu entry does not start skribando with files"; status=1; }
grep -q '^MimeType=application/x-skribando-review;$' \
    "$prefix/share/applications/org.skribando.Skribando.desktop" \
    || { echo "the menu entry does not name the review file type"; status=1; }
exit $status
