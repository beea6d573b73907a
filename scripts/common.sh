# Shared by the scripts that run, test and measure Parcelo (scripts/run.sh, test.sh and
# windows-tests.sh, tests/fuzz/run.sh, bench/run.sh): install what is missing, build, prepare a
# Wine prefix, run ctest. Sourced, not run.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD="$ROOT/build"
# What running Parcelo needs: the cross compiler (its -posix thread model only), widl and Wine's
# oaidl.idl for the stand-in's type library, Wine, a virtual display with its fonts, xdpyinfo
# to tell whether there is a display, and ImageMagick's import for the screenshot without one.
RUN_PACKAGES=(cmake make g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools libwine-dev
              wine wine64 fonts-liberation xvfb xauth x11-utils imagemagick)
# What the tests need besides: GoogleTest, the host compiler and Xlib for the native tests and the
# X11 drag source, xdotool, clang with libFuzzer, NSIS for the setup, the glibc locales for the
# run under a double-byte code page, and Python for the share that does not answer and for the
# zlib-made PNG test images.
TEST_PACKAGES=("${RUN_PACKAGES[@]}" g++ googletest libx11-dev xdotool clang libclang-rt-14-dev nsis locales python3)
# The locale the tests' double-byte run takes its code page (932) from.
TEST_LOCALE=ja_JP.UTF-8

# install_packages [PACKAGE...]: installs those of the packages that are missing (all of
# TEST_PACKAGES when none are named).
install_packages() {
    local wanted=("$@") missing=() p
    ((${#wanted[@]})) || wanted=("${TEST_PACKAGES[@]}")
    for p in "${wanted[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if ((${#missing[@]})); then
        echo "== installing: ${missing[*]}"
        local sudo=""
        [[ $(id -u) -ne 0 ]] && sudo="sudo"
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    fi
}

# ensure_locale NAME: generates the glibc locale NAME (ja_JP.UTF-8, say) when it is missing. Wine
# takes a process's code page from its locale, and maps file names through the locale only
# when it exists.
ensure_locale() {
    local name=$1 sudo=""
    locale -a 2>/dev/null | grep -qix "${name/UTF-8/utf8}" && return 0
    [[ $(id -u) -ne 0 ]] && sudo="sudo"
    echo "== generating the locale $name"
    $sudo sed -i "s/^# *\($name \)/\1/" /etc/locale.gen
    $sudo locale-gen >/dev/null
}

# build_windows DIR TESTS [TARGET...]: configures build/DIR with the tests ON or OFF and builds
# the targets (everything when none are named). run.sh and test.sh keep folders of their own, so
# neither reconfigures the other's.
build_windows() {
    local dir=$1 tests=$2
    shift 2
    local targets=()
    (($#)) && targets=(--target "$@")
    echo "== building (MinGW-w64, x86_64) into $BUILD/$dir"
    cmake -S "$ROOT" -B "$BUILD/$dir" -DCMAKE_BUILD_TYPE=Release \
          -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" -DPARCELO_TESTS="$tests" >/dev/null
    cmake --build "$BUILD/$dir" -j "$(nproc)" "${targets[@]}" -- --no-print-directory >/dev/null
}

# The unit-level Windows tests again, built with undefined-behaviour traps (a trap ends the
# test's process, so ctest sees a failure). The integration tests are left out: they take
# minutes and mostly exercise the stand-in agent.
UBSAN_TEST_DIRS=(tests/unit tests/ui)
build_windows_ubsan() {
    echo "== building the unit-level Windows tests with undefined-behaviour traps"
    cmake -S "$ROOT" -B "$BUILD/win-ubsan" -DCMAKE_BUILD_TYPE=Release \
          -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" -DPARCELO_TESTS=ON -DPARCELO_UBSAN=ON >/dev/null
    local dir targets=()
    for dir in "${UBSAN_TEST_DIRS[@]}"; do targets+=("tests_${dir#tests/}"); done
    cmake --build "$BUILD/win-ubsan" -j "$(nproc)" --target "${targets[@]}" -- --no-print-directory >/dev/null
}

build_native() {
    echo "== building window-free logic for the host"
    cmake -S "$ROOT/tests/native" -B "$BUILD/native" -DCMAKE_BUILD_TYPE=Debug >/dev/null
    cmake --build "$BUILD/native" -j "$(nproc)" -- --no-print-directory >/dev/null
}

# Where every ctest run of the test command leaves its JUnit file and console log.
JUNIT="$BUILD/junit"

# run_ctest NAME ARGS...: one ctest run, its console output to stdout and to $JUNIT/NAME.log,
# its results to $JUNIT/NAME.xml (or $JUNIT/NAME.missing when it wrote none and failed).
run_ctest() {
    local name=$1
    shift
    mkdir -p "$JUNIT"
    rm -f "$JUNIT/$name".{xml,log,missing}
    ctest --output-on-failure --no-tests=error --output-junit "$JUNIT/$name.xml" "$@" | tee "$JUNIT/$name.log"
    local rc=${PIPESTATUS[0]}
    ((rc != 0)) && [[ ! -f $JUNIT/$name.xml ]] && touch "$JUNIT/$name.missing"
    return "$rc"
}

# The test prefix's drives whose files never answer, LETTER:TYPE as Wine names the type, all onto
# the folder where scripts/windows-tests.sh mounts tests/support/unanswered_share.py: a share whose
# server has gone (M:), and the same through a removable and a CD drive (UNANSWERED_* in
# tests/support/Files.h). Wine reads the drive types once, when its session starts.
SHARE_MOUNT="$BUILD/unanswered-share"
UNANSWERED_DRIVES=(m:network u:floppy v:cdrom)
prepare_unanswered_share() {
    use_prefix test
    mkdir -p "$SHARE_MOUNT"
    wineserver -p </dev/null >/dev/null 2>&1 || true
    local drive
    for drive in "${UNANSWERED_DRIVES[@]}"; do map_drive "$drive" "$SHARE_MOUNT"; done
    wineserver -k; wineserver -w
}

# map_drive LETTER:TYPE FOLDER: the prefix's drive LETTER, of that type, onto FOLDER.
map_drive() {
    ln -sfn "$2" "$WINEPREFIX/dosdevices/${1%%:*}:"
    wine reg add 'HKLM\Software\Wine\Drives' /v "${1%%:*}:" /t REG_SZ /d "${1#*:}" /f </dev/null >/dev/null 2>&1
}

# The libFuzzer targets, natively with clang, into build/fuzz.
build_fuzz() {
    cmake -S "$ROOT/tests/fuzz" -B "$BUILD/fuzz" -DCMAKE_BUILD_TYPE= -DCMAKE_CXX_COMPILER=clang++ >/dev/null
    cmake --build "$BUILD/fuzz" -j "$(nproc)" -- --no-print-directory >/dev/null
}

# Drives of the other kinds, each onto a local folder of the prefix (build/wine-NAME/drives/KIND):
# they answer as fast as the fixed drive, so whatever a drop from one of them costs more is the
# program's own. LETTER:TYPE as Wine names the type; Wine reads the types when its session starts.
LOCAL_DRIVES=(n:network r:floppy o:cdrom)

# use_prefix NAME: every later wine call in this shell uses the private prefix build/wine-NAME.
use_prefix() {
    export WINEPREFIX="$BUILD/wine-$1" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
}

# prepare_prefix NAME [agent switches]: create the prefix once, apply the settings that keep Wine
# quiet and quick without a window manager, and register the stand-in agent machine-wide (Wine
# ignores local servers registered only per user). The agent is build/win's, or AGENT_EXE.
prepare_prefix() {
    local name=$1; shift
    local agent=${AGENT_EXE:-$BUILD/win/standin/UploadAgent.exe}
    use_prefix "$name"
    echo "== preparing Wine prefix $WINEPREFIX"
    if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
        wine wineboot -i </dev/null >/dev/null 2>&1
        # wineboot's server lingers for a few seconds; a second one cannot start meanwhile.
        wineserver -w
    fi
    wineserver -p </dev/null >/dev/null 2>&1 || true
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
    # 100 %: a display scale that a test or a benchmark set for the processes it started (every
    # process reads it as it starts) and could not put back, because it was ended, stops here.
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f </dev/null >/dev/null 2>&1
    # The status font's metric twin, where Windows would have the real face.
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Arial Narrow' /t REG_SZ /d 'Liberation Sans Narrow' /f \
        </dev/null >/dev/null 2>&1
    local drive
    for drive in "${LOCAL_DRIVES[@]}"; do
        mkdir -p "$WINEPREFIX/drives/${drive#*:}"
        map_drive "$drive" "$WINEPREFIX/drives/${drive#*:}"
    done
    wine "$agent" /RegServer /machine "$@" </dev/null >/dev/null 2>&1
    wineserver -k; wineserver -w
}
