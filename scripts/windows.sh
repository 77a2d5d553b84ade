#!/usr/bin/env bash
# windows.sh: the tool and the command line as Windows programs. Installs what is missing,
# takes Qt for Windows, cross-builds vq830-tool.exe and vq830.exe (static, one file each) into
# build-windows/, writes dist/vq830-windows-x86_64.zip and the installer
# dist/vq830-setup-<version>-x86_64.exe (packaging/windows/vq830.nsi), then runs the Windows
# tests under wine (tests/windows/run.sh), the installer's included. Both programs carry Qt SQL
# with its SQLite driver (the line's database as a file); Qt's PostgreSQL driver is not in this
# Qt, so a Windows program reports it missing when --db names a server.
#
# Qt for Windows (a prefix: the folder holding bin/qt-cmake, with Qt SQL and the QSQLITE
# driver) comes from $VQ830_QT_WINDOWS when set; else from the team's shared build with SQL
# (../shared/toolchains/qt6-mingw-w64/qt6.4.2-mingw-w64-static-sql.tar.xz, checked against its
# sha256) unpacked into ~/.cache/vq830/qt6-win-static-<first 12 digits of the sha256>; else it
# is built from Debian's qt6-base and sqlite3 sources into ~/.cache/vq830/qt6-win-built-sql by
# scripts/qt-windows/build-qt.sh (15 to 30 minutes on 2 cores, once).
# VQ830_WINDOWS_TESTS=0 skips the tests.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cache="${VQ830_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/vq830}"
shared="$root/../shared/toolchains/qt6-mingw-w64"
# The shared build with Qt SQL (the SQLite and ODBC drivers, SQLite inside the tree).
shared_archive="$shared/qt6.4.2-mingw-w64-static-sql.tar.xz"
shared_sha256=c0d8ceb598e8865d7f1b43eccfcab60dcb344b8d474c3b2d6511aba1196b0ef8
build="$root/build-windows"
dist="$root/dist"

step() { printf '\n==== %s ====\n' "$*"; }

qt_prefix() {
  if [ -n "${VQ830_QT_WINDOWS:-}" ]; then
    [ -x "$VQ830_QT_WINDOWS/bin/qt-cmake" ] || { echo "no bin/qt-cmake in $VQ830_QT_WINDOWS" >&2; exit 1; }
    qt="$VQ830_QT_WINDOWS"
    echo "Qt for Windows from VQ830_QT_WINDOWS: $qt"
    return
  fi
  if [ -f "$shared_archive" ] && echo "$shared_sha256  $shared_archive" | sha256sum -c --status; then
    qt="$cache/qt6-win-static-${shared_sha256:0:12}/qt6-win-static"
    if [ ! -x "$qt/bin/qt-cmake" ]; then
      rm -rf "$(dirname "$qt")" && mkdir -p "$(dirname "$qt")"
      tar xJf "$shared_archive" -C "$(dirname "$qt")"
    fi
    echo "Qt for Windows from the shared build (sha256 checked): $qt"
    return
  fi
  qt="$cache/qt6-win-built-sql"
  if [ ! -x "$qt/bin/qt-cmake" ]; then
    echo "no shared Qt for Windows: building it from Debian's qt6-base and sqlite3 sources (15 to 30 min)"
    "$root/scripts/qt-windows/build-qt.sh" "$qt"
  fi
  echo "Qt for Windows built from Debian's source: $qt"
}

readme() {
  cat <<'EOF'
VQ830-A(B) 配置与测试工具（Windows 版）
=====================================

vq830-tool.exe  配置与测试工具（窗口）：双击启动。
vq830.exe       命令行工具，供生产线使用。

安装版（vq830-setup-<版本>-x86_64.exe）：普通用户安装到自己的
%LOCALAPPDATA%\Programs\VQ830，以管理员身份运行则为本机所有用户安装到
Program Files\VQ830。开始菜单“VQ830-A(B)”下有“VQ830-A(B) 智能分配器”（窗口）和
“vq830 命令行”（已把 vq830.exe 加入 PATH 的命令提示符）。在“设置 → 应用”中卸载；
卸载不删除用户的设置。新版本直接安装在旧版本上即可（先自动卸载旧版本）。
静默安装：vq830-setup-<版本>-x86_64.exe /S [/CurrentUser | /AllUsers] [/D=目录]
（/D= 放在最后，不加引号）；静默卸载：uninstall.exe /S。

界面语言：窗口右上角的“中文 / English”可切换为英文界面（下次启动时保持），
也可以用 vq830-tool.exe --lang en 启动。

选择串口：在窗口左上角的“端口号”中选择或输入 COM 口（例如 COM4、COM12）。
列表中 COM1-COM12 之后是本机现有的串口，鼠标停在某一项上可以看到它的描述、
序列号和 VID:PID，据此找到你的 USB 转串口适配器。也可以在“设备管理器 → 端口
(COM 和 LPT)”中查看适配器的 COM 号。一个串口同一时间只能由一个程序打开。

命令行（cmd 或 PowerShell）：
  vq830.exe --port COM4 read
  vq830.exe --port COM4 read --json > board.json
  vq830.exe --port COM4 write board.json
  vq830.exe --port COM4 set mode=1 Z=115200,Even,2
  vq830.exe ports
  vq830.exe --help

生产线数据库（SQLite 文件，程序内已包含 SQLite）：
  vq830.exe --db C:\line\line.sqlite serial --first 1000
  vq830.exe --db C:\line\line.sqlite --station 工位1 --port COM4 serial --next
  vq830.exe --db C:\line\line.sqlite --station 工位1 --port COM4 program board.json
  vq830.exe --db C:\line\line.sqlite records --csv > records.csv
serial --next 从数据库取下一个序列号写入板子，成功时打印 8 位序列号；每块板子都留有记录。
不写 --db 时使用 %LOCALAPPDATA%\vq830\line.sqlite。Windows 版不含 PostgreSQL 驱动
（QPSQL），不能连接生产线的 PostgreSQL 服务器。

VQ830-A(B) configuration and test tool (Windows)
================================================

vq830-tool.exe  the configuration and test tool (a window): double-click to start.
vq830.exe       the command line, for production lines.

The installer (vq830-setup-<version>-x86_64.exe) installs for the current user into
%LOCALAPPDATA%\Programs\VQ830, or, run as administrator, for every user of the PC into
Program Files\VQ830. The Start menu's "VQ830-A(B)" folder holds "VQ830-A(B) 智能分配器"
(the window) and "vq830 命令行" (a command prompt with vq830.exe on its PATH). Uninstall
from Settings > Apps; the user's settings stay. A newer version installs over an older one
(which is uninstalled first). Silent install:
vq830-setup-<version>-x86_64.exe /S [/CurrentUser | /AllUsers] [/D=FOLDER] (/D= last and
unquoted); silent uninstall: uninstall.exe /S.

The window in English: pick "English" in the "中文 / English" choice at the window's top
right (remembered for the next start), or start it as vq830-tool.exe --lang en.

Picking the port: choose or type the COM port (COM4, COM12, ...) in the 端口号 (Port)
field at the top left of the window. After COM1-COM12 the list shows the serial ports
present; hovering an entry shows its description, serial number and VID:PID, so that you
can find your USB serial adapter. Device Manager, under "Ports (COM & LPT)", also shows the
adapter's COM number. Windows lets one program at a time open a port.

Command line (cmd or PowerShell):
  vq830.exe --port COM4 read
  vq830.exe --port COM4 read --json > board.json
  vq830.exe --port COM4 write board.json
  vq830.exe --port COM4 set mode=1 Z=115200,Even,2
  vq830.exe ports
  vq830.exe --help

The line's database (a SQLite file; SQLite is inside the program):
  vq830.exe --db C:\line\line.sqlite serial --first 1000
  vq830.exe --db C:\line\line.sqlite --station W1 --port COM4 serial --next
  vq830.exe --db C:\line\line.sqlite --station W1 --port COM4 program board.json
  vq830.exe --db C:\line\line.sqlite records --csv > records.csv
serial --next takes the next serial number from the database and writes it to the board,
printing the 8-digit number on success; every board gets a record. Without --db the file is
%LOCALAPPDATA%\vq830\line.sqlite. The Windows build has no PostgreSQL driver (QPSQL): it
cannot reach a line's PostgreSQL server.
EOF
}

make_zip() {
  local stage="$build/zip/vq830-windows-x86_64"
  rm -rf "$build/zip" && mkdir -p "$stage"
  x86_64-w64-mingw32-strip -o "$stage/vq830-tool.exe" "$build/app/vq830-tool.exe"
  x86_64-w64-mingw32-strip -o "$stage/vq830.exe" "$build/cli/vq830.exe"
  readme | sed 's/$/\r/' >"$stage/README.txt"
  mkdir -p "$dist"
  rm -f "$dist/vq830-windows-x86_64.zip"
  (cd "$build/zip" && zip -qr -9 "$dist/vq830-windows-x86_64.zip" vq830-windows-x86_64)
  ls -l "$stage"/*.exe "$dist/vq830-windows-x86_64.zip"
}

# The installer (Debian's makensis, packaging/windows/vq830.nsi) of the programs staged for the
# zip, named after the project's version: dist/vq830-setup-<version>-x86_64.exe. VERSION and
# OUT make another one (the tests' "earlier version").
make_installer() { # [VERSION OUT]
  local version=${1:-$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")}
  local out=${2:-$dist/vq830-setup-$version-x86_64.exe}
  makensis -V2 -DVERSION="$version" -DPROGRAMS="$build/zip/vq830-windows-x86_64" \
    -DOUTFILE="$out" "$root/packaging/windows/vq830.nsi" >"$build/makensis.log" ||
    { cat "$build/makensis.log"; return 1; }
  ls -l "$out"
}

step "set-up"
"$root/scripts/setup.sh" windows
qt_prefix

step "Linux build (the simulator and the Linux side of the wine tests)"
linux_options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
# A build folder made before the Windows tests existed lists its test folders without them.
dirs="$(sed -n 's/^VQ830_TEST_DIRS:STRING=//p' "$root/build/CMakeCache.txt" 2>/dev/null || true)"
if [ -n "$dirs" ] && [[ ";$dirs;" != *";windows;"* ]]; then
  linux_options+=("-DVQ830_TEST_DIRS=$dirs;windows")
fi
"$root/scripts/build.sh" "$root/build" "${linux_options[@]}"

step "Windows build"
# A build folder made against another Qt for Windows (one without SQL, say) is made anew.
if [ -f "$build/build.ninja" ] && [ "$(cat "$build/qt-prefix" 2>/dev/null)" != "$qt" ]; then
  echo "build-windows/ was configured against another Qt for Windows: configuring it anew"
  rm -rf "$build/CMakeCache.txt" "$build/CMakeFiles" "$build/build.ninja"
fi
if [ ! -f "$build/build.ninja" ]; then
  "$qt/bin/qt-cmake" -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" >/dev/null
fi
echo "$qt" >"$build/qt-prefix"
ninja -C "$build" -j"${VQ830_WINDOWS_JOBS:-2}"

step "dist/vq830-windows-x86_64.zip and the installer"
make_zip
make_installer

if [ "${VQ830_WINDOWS_TESTS:-1}" != 0 ]; then
  step "Windows tests under wine"
  # An earlier version of the same programs, for the test of an upgrade.
  make_installer 0.9.0 "$build/vq830-setup-earlier.exe"
  "$root/tests/windows/run.sh" "$root/build" "$build"
else
  step "Windows tests skipped (VQ830_WINDOWS_TESTS=0): the programs above are untested"
fi
