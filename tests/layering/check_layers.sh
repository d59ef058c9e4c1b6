#!/usr/bin/env bash
# The build keeps widgets out of the core library (it links QtCore only); this
# check keeps dialogs and desktop calls behind the desktop seam, and keeps the
# folders' floors: a file includes only from its own floor or lower ones.
set -u
top=${1:?project folder}
cd "$top/src" || exit 1
status=0

# Files allowed to talk to the desktop directly: the real desktop services (the
# printer among them) and the message dialog they show.
allowed='^app/(DesktopServices|DesktopPrinter|MessageDialog)\.(h|cpp)$'
while IFS= read -r hit; do
    file=${hit%%:*}
    if ! [[ $file =~ $allowed ]]; then
        echo "direct desktop call outside the seam: $hit"
        status=1
    fi
done < <(grep -rnE '\b(QMessageBox|QFileDialog|QDesktopServices)\b' --include='*.h' --include='*.cpp' . | sed 's|^\./||')

# Core sources (as listed for skribando_core) must not include widget headers.
for cm in $(find . -name CMakeLists.txt); do
    dir=$(dirname "$cm")
    awk '/target_sources\(skribando_core/{f=1;next} f&&/\)/{f=0} f{for(i=1;i<=NF;i++) print $i}' "$cm" |
    while read -r src; do
        f="$dir/$src"
        [ -f "$f" ] || continue
        if grep -nE '#include <Q(Widget|Widgets|Dialog|MainWindow|Application|MessageBox|Painter|Pixmap|Icon|Image|Font|Color|Action|Menu)\b' "$f" >/dev/null; then
            echo "core file includes a window header: ${f#./}"
            exit 1
        fi
    done || status=1
done

# The floors, bottom to top. The record store stands on the codecs alone.
declare -A floor=(
    [util]=1 [base]=2 [store]=3 [data]=4 [tree]=5 [forms]=6 [files]=7
    [documents]=8 [exchange]=8 [settings_pages]=8 [catalogue]=8 [app]=9
)
while IFS= read -r hit; do
    file=${hit%%:*}
    own=${file%%/*}
    target=$(sed -E 's/.*#[[:space:]]*include[[:space:]]+"([^"]+)".*/\1/' <<<"${hit#*:*:}")
    other=${target%%/*}
    [ "$other" != "$target" ] || continue
    [ -n "${floor[$other]:-}" ] || continue
    if [ -z "${floor[$own]:-}" ]; then
        echo "file in a folder that is no floor: $file"
        status=1
    elif [ "${floor[$other]}" -gt "${floor[$own]}" ]; then
        echo "include runs up a floor: $hit"
        status=1
    elif [ "$own" = store ] && [ "$other" != store ] && [ "$other" != util ]; then
        echo "the record store includes more than the codecs: $hit"
        status=1
    fi
done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"' --include='*.h' --include='*.cpp' . | sed 's|^\./||')
exit $status
