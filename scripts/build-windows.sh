#!/bin/sh
# Cross-builds the Windows program on Debian with MinGW-w64: build-windows/i686/
# Tessary.exe (32-bit) and build-windows/x86_64/Tessary.exe, each linked statically
# (it needs no DLL beside the system's), and one portable zip per architecture in
# build-windows/ with the program, the panel logo, the sample picture and a read-me.
# Only the program is built here; scripts/run-tests.sh builds the tests in the same
# folders. Needs what `scripts/install-deps.sh --test` installs.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
out="$here/build-windows"
jobs=$(nproc)
version=$(sed -n 's/^project(Tessary VERSION \([0-9.]*\).*/\1/p' "$here/CMakeLists.txt")

for arch in i686 x86_64; do
  build="$out/$arch"
  cmake -S "$here" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_EXE_LINKER_FLAGS_RELEASE=-s -DTESSARY_BENCH=OFF \
    -DTESSARY_WINEPREFIX="$out/wineprefix" >/dev/null
  cmake --build "$build" -j "$jobs" --target tessary

  # Nothing beyond the system's own DLLs.
  dlls=$("$arch-w64-mingw32-objdump" -p "$build/Tessary.exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
  for dll in $dlls; do
    case $dll in
      kernel32.dll | user32.dll | gdi32.dll | ole32.dll | oleaut32.dll | shell32.dll | windowscodecs.dll | \
      advapi32.dll | msvcrt.dll | comdlg32.dll | comctl32.dll | shlwapi.dll | api-ms-win-*) ;;
      *) echo "build-windows: $arch/Tessary.exe needs $dll, which Windows does not ship" >&2; exit 1 ;;
    esac
  done

  stage="$out/stage-$arch/Tessary"
  rm -rf "$out/stage-$arch"
  mkdir -p "$stage"
  cp "$build/Tessary.exe" "$here/assets/CORVALIS.jpg" "$here/assets/sample.jpg" "$stage/"
  # Notepad reads UTF-8 with its mark and Windows line ends.
  { printf '\357\273\277'; sed 's/$/\r/' "$here/assets/readme-windows.txt"; } >"$stage/README.txt"
  zip="$out/Tessary-$version-windows-$arch.zip"
  rm -f "$zip"
  (cd "$out/stage-$arch" && zip -q -r -X "$zip" Tessary)
  rm -rf "$out/stage-$arch"
  echo "build-windows: $build/Tessary.exe and $zip"
done
