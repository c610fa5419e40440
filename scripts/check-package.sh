#!/usr/bin/env bash
# Checks a built package without installing it: control fields, computed dependencies, file
# list, lintian, and the extracted korvel-cli running from the extracted tree.
#   bash scripts/check-package.sh dist/korvel-dsp_<version>_<arch>.deb
set -euo pipefail
deb=$1
cd "$(dirname "$0")/.."
version=$(sed -n 's/^project(KorvelDSPAudio VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
fail() {
    echo "check-package: $*" >&2
    exit 1
}
field() { dpkg-deb --field "$deb" "$1"; }

[[ $(field Package) == korvel-dsp ]] || fail "package name is '$(field Package)'"
[[ $(field Version) == "$version" ]] || fail "version is '$(field Version)', not $version"
[[ $(field Architecture) == "$(dpkg --print-architecture)" ]] || fail "wrong architecture"
depends=$(field Depends)
for library in libqt6widgets6 libhidapi-hidraw0 libcjson1; do
    [[ $depends =~ (^|, )$library( |,|$) ]] || fail "Depends lacks $library: $depends"
done

files=$(dpkg-deb --contents "$deb" | awk '{print $6}')
for path in usr/bin/korvel-dsp usr/bin/korvel-cli usr/bin/korvel-virtual-amp \
    usr/lib/udev/rules.d/70-korvel-tarvik7.rules usr/share/applications/korvel-dsp.desktop \
    usr/share/icons/hicolor/scalable/apps/korvel-dsp.svg usr/share/man/man1/korvel-dsp.1.gz \
    usr/share/man/man1/korvel-cli.1.gz usr/share/man/man1/korvel-virtual-amp.1.gz \
    usr/share/doc/korvel-dsp/copyright usr/share/doc/korvel-dsp/changelog.gz; do
    grep -qx "\./$path" <<<"$files" || fail "$path is missing"
done

status=0
report=$(lintian --fail-on error "$deb" 2>&1) || status=$?
grep -v 'root privileges' <<<"$report" >&2 || true
((status == 0)) || fail "lintian reports errors"

tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
dpkg-deb --extract "$deb" "$tree"
[[ $("$tree/usr/bin/korvel-cli" --version) == "korvel-cli $version" ]] || fail "korvel-cli --version"
zcat "$tree/usr/share/man/man1/korvel-cli.1.gz" | grep -q "korvel-cli $version" ||
    fail "the manual page of korvel-cli is not of version $version"
"$tree/usr/bin/korvel-cli" --device virtual info | grep -qx "model: 72" ||
    fail "korvel-cli --device virtual info from the package"
echo "check-package: $deb is sound (version $version, $(wc -l <<<"$files") entries)"
