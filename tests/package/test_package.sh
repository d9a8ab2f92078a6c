#!/usr/bin/env bash
# The Debian package as a studio PC meets it: installs the .deb given as argument, then
# runs the installed orl-console as a throwaway unprivileged user under Xvfb against the
# installed simulator, and checks that
#   - the settings land in that user's ~/.config/orl-console, starting from the site's
#     /etc/orl-console/orlntpnl.ini, and nothing is written beside the program;
#   - they survive a restart, the user's own change included, with the site's file gone;
#   - --folder keeps two consoles running side by side apart;
#   - a settings folder that cannot be made is reported on screen and the panel runs on.
# Needs root: it installs the package and adds the user, and takes both away again.
# Closes with "package test: N passed, M failed"; exits non-zero on any failure.
set -euo pipefail
deb=$(realpath "$1")
if [ "$(id -u)" -ne 0 ]; then
    echo "package test: skipped (needs root)"
    exit 0
fi

user=orl-pkgtest-$$
scratch=$(mktemp -d /tmp/orl-pkgtest-XXXXXX)
chmod 755 "$scratch"
home=$scratch/home
site=/etc/orl-console
pids=()
installed_here=0 site_made=0 user_made=0
passed=0 failed=0

stop() { # pid: SIGTERM, then SIGKILL when it lingers
    local pid=$1
    kill -0 "$pid" 2>/dev/null || return 0
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || return 0
        sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null || true
}
cleanup() {
    for pid in "${pids[@]}"; do stop "$pid"; done
    [ "$user_made" = 1 ] && userdel "$user" 2>/dev/null || true
    [ "$site_made" = 1 ] && rm -rf "$site"
    [ "$installed_here" = 1 ] && dpkg -r orl-console >/dev/null 2>&1 || true
    rm -rf "$scratch"
}
trap cleanup EXIT

check() { # description, command...
    local what=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
        echo "ok - $what"
    else
        failed=$((failed + 1))
        echo "FAILED - $what"
    fi
}
fail() {
    echo "package test: $*" >&2
    echo "package test: $passed passed, $((failed + 1)) failed"
    exit 1
}

# ---- install, the user, the simulator, the X server
echo "== installing $(basename "$deb")"
if ! dpkg-query -W -f='${Status}' orl-console 2>/dev/null | grep -q "install ok installed"; then
    installed_here=1
fi
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" >/dev/null ||
    fail "apt-get could not install the package"
[ -e "$site" ] && fail "$site exists already; the test would change a site's settings"

useradd --home-dir "$home" --create-home --shell /bin/sh --user-group "$user"
user_made=1
install -d -m 700 -o "$user" "$scratch/run"

# The user's environment: nothing of root's, an X server only when named.
as_user() { # [DISPLAY] command...
    runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 \
        XDG_RUNTIME_DIR="$scratch/run" XAUTHORITY="$scratch/xauth" ${display:+DISPLAY=:$display} "$@"
}

/usr/bin/orl-switcher-sim --port 0 --quiet </dev/null >"$scratch/sim.log" 2>&1 &
pids+=($!)
port=
for _ in $(seq 100); do
    [[ $(head -n 1 "$scratch/sim.log") =~ ^listening\ on\ 127\.0\.0\.1:([0-9]+)$ ]] &&
        port=${BASH_REMATCH[1]} && break
    sleep 0.1
done
[ -n "$port" ] || fail "the installed simulator did not start"

# A cookie for any display number, so that Xvfb can pick its own with -displayfd.
printf 'ffff 0000  0000  0012 4d49542d4d414749432d434f4f4b49452d31 0010 %s\n' "$(mcookie)" |
    xauth -q -f "$scratch/xauth" nmerge - 2>/dev/null
chown "$user" "$scratch/xauth"
Xvfb -displayfd 3 -auth "$scratch/xauth" -nolisten tcp -screen 0 1280x1024x24 \
    3>"$scratch/display" >"$scratch/xvfb.log" 2>&1 &
pids+=($!)
display=
for _ in $(seq 100); do
    display=$(head -n 1 "$scratch/display" 2>/dev/null || true)
    [ -n "$display" ] && break
    sleep 0.1
done
[ -n "$display" ] || fail "Xvfb did not start"
echo "== simulator on 127.0.0.1:$port, Xvfb on :$display, user $user"

# ---- helpers of the panel runs
panel_pid=
start_panel() { # arguments...; sets panel_pid
    local pidfile=$scratch/run/panel.pid
    rm -f "$pidfile"
    as_user sh -c 'echo $$ >"$0"; exec /usr/bin/orl-console "$@"' "$pidfile" "$@" \
        >>"$scratch/panel.log" 2>&1 &
    for _ in $(seq 50); do
        [ -s "$pidfile" ] && break
        sleep 0.1
    done
    panel_pid=$(cat "$pidfile")
    pids+=("$panel_pid")
}
windows_named() { # title: how many shown windows carry it
    as_user xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | wc -l
}
wait_for_windows() { # title count
    for _ in $(seq 300); do
        [ "$(windows_named "$1")" -ge "$2" ] && return 0
        sleep 0.1
    done
    return 1
}
close_panel() { # pid: SIGTERM closes the panel as its window's close button does
    kill "$1"
    for _ in $(seq 100); do
        kill -0 "$1" 2>/dev/null || return 0
        sleep 0.1
    done
    return 1
}
ini_has() { # file line
    grep -qxF "$2"$'\r' "$1"
}
owned_by_user() { [ "$(stat -c %U "$1")" = "$user" ]; }

connected="ORL Console - Connected"
own=$home/.config/orl-console/orlntpnl.ini
crlf() { printf '%s\r\n' "$@"; }

# ---- what was installed
check "--version of the installed panel, without a display" \
    test "$(as_user orl-console --version)" = "orl-console $(dpkg-deb -f "$deb" Version)"
check "desktop entry, icons and manual pages are installed" test -s \
    /usr/share/applications/orl-console.desktop -a -s \
    /usr/share/icons/hicolor/scalable/apps/orl-console.svg -a -s \
    /usr/share/icons/hicolor/48x48/apps/orl-console.png -a -s \
    /usr/share/man/man1/orl-console.1.gz -a -s /usr/share/man/man1/orl-switcher-sim.1.gz

# ---- first start: the site's settings, saved in the user's folder
mkdir -p "$site"
site_made=1
crlf "[CONFIGURATION]" "SETUP" "IP Address=127.0.0.1" "IP Port=$port" "CONFIG" "Console=1" \
    "Fader Count=2" "Stay On Top=No" >"$site/orlntpnl.ini"
cp "$site/orlntpnl.ini" "$scratch/site.ini"

start_panel
check "first start connects with the site's settings" wait_for_windows "$connected" 1
check "first start closes on SIGTERM" close_panel "$panel_pid"
check "the settings land in the user's folder, written whole by the panel" \
    eval 'ini_has "$own" "IP Port=$port" && ini_has "$own" "Button8_Channel2=16383" && owned_by_user "$own"'
check "the site's file and the program's folder are left alone" \
    eval 'cmp -s "$site/orlntpnl.ini" "$scratch/site.ini" && [ ! -e /usr/bin/orlntpnl.ini ] && [ ! -e /usr/bin/Errorlog.txt ]'

# ---- restart: the user's own settings, with a change of the user's, the site's file gone
rm -rf "$site"
site_made=0
as_user sed -i 's/^Console=1\r$/Console=5\r/' "$own"
start_panel
check "a restart connects from the user's own settings" wait_for_windows "$connected" 1
check "the restarted panel closes on SIGTERM" close_panel "$panel_pid"
check "the user's change survived the restart" ini_has "$own" "Console=5"
cp "$own" "$scratch/own.ini"

# ---- two consoles side by side, one folder each
for n in 1 2; do
    as_user mkdir -p "$home/console$n"
    crlf "IP Address=127.0.0.1" "IP Port=$port" "Console=$n" "Fader Count=$n" "Stay On Top=No" |
        as_user sh -c "cat >'$home/console$n/orlntpnl.ini'"
done
start_panel --folder "$home/console1"
first=$panel_pid
start_panel --folder "$home/console2"
second=$panel_pid
check "two consoles connect side by side" wait_for_windows "$connected" 2
check "both close on SIGTERM" eval 'close_panel "$first" && close_panel "$second"'
check "each console kept its own folder" eval \
    'ini_has "$home/console1/orlntpnl.ini" "Console=1" && ini_has "$home/console1/orlntpnl.ini" "Fader Count=1" &&
     ini_has "$home/console2/orlntpnl.ini" "Console=2" && ini_has "$home/console2/orlntpnl.ini" "Fader Count=2" &&
     ini_has "$home/console2/orlntpnl.ini" "Button8_Channel2=16383" && cmp -s "$own" "$scratch/own.ini"'

# ---- a folder the user may not create
start_panel --folder /root/orl-console-denied
check "an unusable folder is reported on screen" wait_for_windows "Settings Folder" 1
check "and the panel runs on into its first start" \
    eval 'wait_for_windows "Configuration Error" 1 && kill -0 "$panel_pid"'
check "the report names the folder and the system's reason" \
    grep -qF "/root/orl-console-denied/: Permission denied" "$scratch/panel.log"
stop "$panel_pid"

echo "package test: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
