#!/bin/bash
# Builds the Debian package from a finished build, unpacks it into a temporary root (a tree that
# is not where it was built for, as after a move), runs the programs from there and checks the
# desktop files, the file managers' menus, the component description, the file types and the
# manual pages with the desktop's own tools, and the package as a whole with lintian.
# Usage: package_test.sh BUILD_DIR VERSION
set -uo pipefail
build=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 \
    || { cat "$work/cpack.log"; echo "FAIL: cpack"; exit 1; }
debs=("$work"/out/*.deb)
[ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: expected one package, got: ${debs[*]}"; exit 1; }
deb=${debs[0]}
root=$work/root
dpkg-deb -x "$deb" "$root" || { echo "FAIL: dpkg-deb -x"; exit 1; }
usr=$root/usr
echo "package $(basename "$deb"): $(stat -c %s "$deb") bytes, installed $(du -sk "$usr" | cut -f1) KiB"

# Control fields: the dependencies come from the programs' shared libraries.
depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libqt6core6 libc6; do
    [[ $depends == *"$library"* ]] || fail "Depends lacks $library: $depends"
done
package_version=$(dpkg-deb -f "$deb" Version)
[[ $package_version == "$version"-* ]] || fail "package version $package_version is not a revision of $version"
outside=$(dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '^\./usr/' | grep -v '^\./$')
[ -z "$outside" ] || fail "files outside /usr: $outside"

# The programs answer from the unpacked tree, without a display. The command-line program is
# checked once the build has it.
programs=(vexapad vexa-generate)
[ -x "$build/bin/vexa" ] && programs+=(vexa)
for program in "${programs[@]}"; do
    answer=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$usr/bin/$program" --version 2>&1)
    [ "$answer" = "$program $version" ] || fail "$program --version said: $answer"
    help=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$usr/bin/$program" --help 2>&1)
    [[ $help == *"--version"* ]] || fail "$program --help said: $help"
done

# Each program starts its window from the unpacked tree and stays up until it is stopped; its
# per-user folders, runtime folder included, lie in the temporary folder.
mkdir -m 700 -p "$work/home/run"
for program in vexapad vexa-generate; do
    HOME=$work/home XDG_DATA_HOME=$work/home/data XDG_CONFIG_HOME=$work/home/config \
        XDG_RUNTIME_DIR=$work/home/run QT_QPA_PLATFORM=offscreen timeout 3 "$usr/bin/$program" >"$work/run.log" 2>&1
    status=$?
    [ $status = 124 ] || fail "$program ended with $status before it was stopped: $(cat "$work/run.log")"
done

# The control libraries are found beside the tree through a relative RUNPATH, never the build.
# They lie in the architecture's folder, which ldconfig does not serve.
private=lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/vexa-password
for program in vexapad vexa-generate; do
    runpath=$(readelf -d "$usr/bin/$program" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
    [ "$runpath" = "\$ORIGIN/../$private" ] || fail "$program RUNPATH is '$runpath'"
    libraries=$(ldd "$usr/bin/$program")
    [[ $libraries != *"not found"* ]] || fail "$program: $(grep 'not found' <<<"$libraries")"
done
for library in libtoolpanel.so libstatline.so; do
    loaded=$(ldd "$usr/bin/vexapad" | sed -n "s|.*$library => \(.*\) (0x.*|\1|p")
    [ -n "$loaded" ] && [ "$(realpath "$loaded")" = "$usr/$private/$library" ] \
        || fail "vexapad loads $library from '$loaded', not from the installed tree"
done

# Menu entries: valid, offering both file types with a file list, the generator as an action.
applications=$usr/share/applications
for entry in "$applications"/*.desktop; do
    desktop-file-validate "$entry" || fail "desktop-file-validate $(basename "$entry")"
done
main=$applications/org.vexapassword.vexapad.desktop
grep -qx 'Exec=vexapad %F' "$main" || fail "main entry does not take files"
grep -qx 'MimeType=application/x-vexa-encrypted;application/x-vexa-hotlist;' "$main" \
    || fail "main entry does not offer both file types"
grep -qx 'Actions=generate;' "$main" && grep -qx 'Exec=vexa-generate' "$main" \
    || fail "main entry has no generator action"

# Encrypt and Decrypt for the "Open With" lists: hidden entries that name no file type, so that
# no file type ever gets them as its default program.
for command in encrypt decrypt; do
    entry=$applications/org.vexapassword.vexapad.$command.desktop
    grep -qx "Exec=vexapad --$command %F" "$entry" && grep -qx 'NoDisplay=true' "$entry" \
        || fail "$(basename "$entry") does not run vexapad --$command hidden"
    ! grep -q '^MimeType=' "$entry" || fail "$(basename "$entry") names file types"
done

# The service menus of the KIO file managers: Encrypt for every file, Decrypt for .vxp files.
# desktop-file-validate knows no "Service" type, so their keys are checked here.
menus=$usr/share/kio/servicemenus
service_menu() { # FILE FILE_TYPES COMMAND
    grep -qx 'Type=Service' "$menus/$1" && grep -qx "MimeType=$2" "$menus/$1" \
        && grep -qx "Actions=$3;" "$menus/$1" && grep -qx "Exec=vexapad --$3 %F" "$menus/$1" \
        || fail "service menu $1 does not offer $3 for $2"
}
service_menu vexa-password.desktop 'application/octet-stream;' encrypt
service_menu vexa-password-decrypt.desktop 'application/x-vexa-encrypted;' decrypt

# What a double-click runs, as GLib decides it from the installed entries alone (with the
# freedesktop file types, for text files): the main window for a .vxp file, never an action entry.
desktop=$work/desktop
mkdir -p "$desktop/data/mime/packages" "$desktop/config" "$desktop/home"
cp -r "$applications" "$desktop/data/"
cp /usr/share/mime/packages/freedesktop.org.xml "$usr/share/mime/packages/vexa-password.xml" "$desktop/data/mime/packages/"
{ update-mime-database "$desktop/data/mime" && update-desktop-database "$desktop/data/applications"; } \
    >"$work/desktop.log" 2>&1 || fail "the desktop databases cannot be built: $(cat "$work/desktop.log")"
printf 'plain text\n' >"$desktop/notes.txt"
printf 'x%.0s' {1..20} >"$desktop/notes.txt.vxp"
gio_in_desktop() {
    env -i PATH="$usr/bin:/usr/bin:/bin" HOME="$desktop/home" LC_ALL=C XDG_DATA_HOME="$desktop/home" \
        XDG_DATA_DIRS="$desktop/data" XDG_CONFIG_HOME="$desktop/config" XDG_CONFIG_DIRS="$desktop/config" gio "$@"
}
for file in notes.txt notes.txt.vxp; do
    type=$(gio_in_desktop info -a standard::content-type "$desktop/$file" | sed -n 's/^ *standard::content-type: //p')
    handlers=$(gio_in_desktop mime "$type")
    default=$(sed -n 's/^Default application for .*: //p' <<<"$handlers")
    case $file in
    *.vxp) [ "$type" = application/x-vexa-encrypted ] && [ "$default" = org.vexapassword.vexapad.desktop ] \
        || fail "$file ($type) opens with '$default'" ;;
    *) [ "$type" = text/plain ] || fail "$file is $type" ;;
    esac
    [[ $handlers != *vexapad.encrypt* && $handlers != *vexapad.decrypt* ]] \
        || fail "an action entry handles $file: $handlers"
done

appstreamcli validate --no-net "$usr/share/metainfo/org.vexapassword.vexapad.metainfo.xml" \
    || fail "appstreamcli validate"

# File types: the description builds a MIME database that knows both extensions.
mime=$work/mime
mkdir -p "$mime/packages"
cp "$usr/share/mime/packages/vexa-password.xml" "$mime/packages/"
xmllint --noout "$mime/packages/vexa-password.xml" || fail "MIME description is not well-formed"
XDG_DATA_DIRS=$work XDG_DATA_HOME=$work update-mime-database "$mime" >"$work/mime.log" 2>&1 || fail "update-mime-database: $(cat "$work/mime.log")"
[ ! -s "$work/mime.log" ] || fail "update-mime-database complained: $(cat "$work/mime.log")"
for expected in 'application/x-vexa-encrypted:\*\.vxp' 'application/x-vexa-hotlist:\*\.vexa'; do
    grep -q ":$expected$" "$mime/globs2" 2>/dev/null || fail "globs2 lacks $expected"
done

# Every icon the entries and the file types name is installed in the hicolor theme.
icons=$usr/share/icons/hicolor/scalable
for name in $(sed -n 's/^Icon=//p' "$applications"/*.desktop); do
    [ -f "$icons/apps/$name.svg" ] || fail "icon $name is not installed"
done
for name in $(sed -n 's/.*<icon name="\([^"]*\)".*/\1/p' "$usr/share/mime/packages/vexa-password.xml"); do
    [ -f "$icons/mimetypes/$name.svg" ] || fail "file-type icon $name is not installed"
done

# Manual pages, compressed, render without a warning; the guide is where the programs look
# for it.
pages=(vexapad vexa-generate)
[ -x "$build/bin/vexa" ] && pages+=(vexa)
for page in "${pages[@]}"; do
    warnings=$({ zcat "$usr/share/man/man1/$page.1.gz" | LC_ALL=C groff -man -Tutf8 -ww -z; } 2>&1)
    [ -z "$warnings" ] || fail "$page.1: $warnings"
done
[ -s "$usr/share/vexa-password/help/guide.html" ] || fail "the guide is not installed"
if [ -x "$build/bin/vexa" ]; then
    [ -s "$usr/share/bash-completion/completions/vexa" ] || fail "vexa's bash completion is not installed"
fi

# The licence and the changelog as Debian keeps them: a machine-readable copyright naming the
# GPL's text on the system, a changelog compressed without a name or time, for this version.
doc=$usr/share/doc/vexa-password
head -1 "$doc/copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
    && grep -qx 'License: GPL-3+' "$doc/copyright" && grep -q '/usr/share/common-licenses/GPL-3' "$doc/copyright" \
    || fail "the copyright file is not in the machine-readable form for GPL-3+"
[ "$(od -An -tx1 -j4 -N4 "$doc/changelog.Debian.gz" | tr -d ' ')" = 00000000 ] \
    || fail "changelog.Debian.gz holds a time (not gzip -n)"
changelog_version=$(zcat "$doc/changelog.Debian.gz" | dpkg-parsechangelog -l - -S Version 2>&1)
[ "$changelog_version" = "$package_version" ] || fail "changelog version '$changelog_version' is not $package_version"

# lintian finds no error or warning, but those overridden in the package's overrides file, each
# of which gives its reason in a comment just above it.
overrides=$usr/share/lintian/overrides/vexa-password
awk '/^[^#[:space:]]/ && previous !~ /^#/ { print "uncommented override: " $0; bad = 1 } { previous = $0 }
     END { exit bad }' "$overrides" || fail "the lintian overrides do not all say why"
lintian --fail-on error,warning --no-tag-display-limit "$deb" >"$work/lintian.log" 2>&1 \
    || fail "lintian: $(grep -v 'running with root privileges' "$work/lintian.log")"

# The command line answers without a display, loads Qt Core alone, and brings its page and
# its bash completion.
answer=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$usr/bin/vexa" --version 2>&1)
[ "$answer" = "vexa $version" ] || fail "vexa --version said: $answer"
libraries=$(ldd "$usr/bin/vexa")
[[ $libraries != *"not found"* && $libraries != *libQt6Gui* && $libraries != *libQt6Widgets* ]] || fail "vexa loads: $libraries"
warnings=$({ zcat "$usr/share/man/man1/vexa.1.gz" | LC_ALL=C groff -man -Tutf8 -ww -z; } 2>&1)
[ -z "$warnings" ] || fail "vexa.1: $warnings"
bash -n "$usr/share/bash-completion/completions/vexa" || fail "the bash completion of vexa does not parse"

[ $failures = 0 ] && echo "package checks passed"
exit $((failures > 0))
