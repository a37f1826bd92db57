#!/usr/bin/env bash
# Makes every download of a release into dist/, the version taken from the top CMakeLists.txt:
#   vorticel_V_amd64.deb            the Debian package (cpack, binaries stripped)
#   vorticel-V-windows-x86.zip      Vorticel.scr, Vorticel.exe, grottebl.jpg, README.txt and
#                                   LICENSE.txt (Windows line ends), binaries stripped
#   vorticel-V-setup.exe            the Windows installer (NSIS, packaging/windows/vorticel.nsi)
#   vorticel-V.tar.gz               the source: HEAD, or the working tree when it has changes
#   SHA256SUMS
# Builds what it needs in build/release (Linux) and build/win32 (32-bit Windows), configuring
# them when missing, so it works from a fresh clone.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
version=$(sed -n 's/^project(Vorticel VERSION \([0-9][0-9.]*\)[ )].*/\1/p' CMakeLists.txt)
[[ -n $version ]] || { echo "release: no version in CMakeLists.txt" >&2; exit 1; }
linux=$root/build/release
win32=$root/build/win32
dist=$root/dist
stage=$root/build/stage
jobs=$(nproc)
scripts/deps.sh --windows --release
rm -rf "$dist" "$stage"
mkdir -p "$dist" "$stage"
echo "== release $version"

# Linux: the package, built from the same rules as cmake --install.
[[ -f $linux/CMakeCache.txt ]] || cmake -S . -B "$linux" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$linux" -j"$jobs" --target Vorticel vorticel-saver wall_texture icon
(cd "$linux" && cpack -G DEB -B "$stage/deb" >/dev/null)
cp "$stage/deb/vorticel_${version}_amd64.deb" "$dist/"

# Windows: the 32-bit build runs on every Windows PC, 64-bit ones included.
# Configured every time: the .scr must carry the icon and the wall texture of this build.
cmake -S . -B "$win32" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DVORTICEL_BENCH=OFF -DVORTICEL_ARTWORK_DIR="$linux/bin" >/dev/null
cmake --build "$win32" -j"$jobs" --target Vorticel vorticel_scr
files=$stage/windows
mkdir -p "$files"
for program in Vorticel.exe Vorticel.scr; do
    i686-w64-mingw32-strip -o "$files/$program" "$win32/bin/$program"
done
cp "$linux/bin/grottebl.jpg" "$files/"
sed 's/\r*$/\r/' README.md >"$files/README.txt"
sed 's/\r*$/\r/' LICENSE >"$files/LICENSE.txt"
(cd "$files" && zip -q -X "$dist/vorticel-$version-windows-x86.zip" \
    Vorticel.scr Vorticel.exe grottebl.jpg README.txt LICENSE.txt)
size=$(du -k -c "$files"/* | tail -n 1 | cut -f1)
makensis -V2 -DVERSION="$version" -DFILES="$files" -DICON="$linux/bin/vorticel.ico" \
    -DSIZE_KB="$size" -DOUTFILE="$dist/vorticel-$version-setup.exe" packaging/windows/vorticel.nsi

# The source: what is committed, or the working tree's changes too (git stash create makes a
# commit of them without touching the tree or the stash).
tree=$(git stash create)
git archive --format=tar.gz --prefix="vorticel-$version/" -o "$dist/vorticel-$version.tar.gz" \
    "${tree:-HEAD}"

(cd "$dist" && sha256sum -- *.deb *.zip *.exe *.tar.gz >SHA256SUMS)
ls -l "$dist"
