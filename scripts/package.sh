#!/usr/bin/env bash
# Builds the release plug-in (optimised, stripped, Windows XP SP3 and
# later) and writes dist/DAVUman-<version>.zip: the folder DAVUman\ as a
# user copies it into FAR's Plugins folder, and the install note in
# English and in Russian (in the OEM code page 866, as FAR's viewer shows
# text files).
set -euo pipefail
export LC_ALL=C
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
build=${RELEASE_DIR:-$root/build/release}
dist=$root/dist

if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686-win32.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DDAVU_PRODUCT_ONLY=ON >/dev/null
fi
cmake --build "$build" -- -j2
version=$(cat "$build/davu-version.txt")
plugin=$build/plugin/DAVUman

# The release gate: the tables and the size.
bash "$root/scripts/check-dll-tables.sh" \
  --allow "$root/scripts/davuman-imports.txt" i686-w64-mingw32-objdump \
  "$plugin/DAVUman.dll" SetStartupInfo GetPluginInfo OpenPlugin \
  GetOpenPluginInfo GetFindData FreeFindData GetFiles PutFiles DeleteFiles \
  ProcessKey Configure >/dev/null
size=$(stat -c %s "$plugin/DAVUman.dll")
if [ "$size" -ge 1048576 ]; then
  echo "DAVUman.dll is $size bytes, not under 1 MB" >&2
  exit 1
fi

stage=$build/stage
rm -rf "$stage"
mkdir -p "$stage/DAVUman" "$dist"
for file in DAVUman.dll DAVUmanEng.lng DAVUmanRus.lng DAVUmanEng.hlf \
  DAVUmanRus.hlf; do
  cp "$plugin/$file" "$stage/DAVUman/"
done
# Text files for Windows: CRLF line ends.
note() { sed -e "s/@VERSION@/$version/" -e 's/$/\r/' "$1"; }
note "$root/packaging/Install.txt" >"$stage/Install.txt"
note "$root/packaging/Install-Rus.txt" | iconv -f UTF-8 -t CP866 \
  >"$stage/Install-Rus.txt"

zip=$dist/DAVUman-$version.zip
rm -f "$zip"
(cd "$stage" && cmake -E tar cf "$zip" --format=zip \
  DAVUman Install.txt Install-Rus.txt)
echo "Wrote $zip ($(stat -c %s "$zip") bytes; DAVUman.dll $size bytes)"
